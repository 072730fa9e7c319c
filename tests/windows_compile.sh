#!/bin/sh
# The Windows build cannot run here, but its code must compile as written:
# every file of the headless core that a Windows build takes (the *_win32.cpp
# files instead of the *_posix.cpp ones) is compiled with the MinGW cross
# compiler, warnings as errors.
set -u
compiler="$1"
cd "$2" || exit 2
failed=0
checked=0
for f in base/*.cpp settings/*.cpp app/*.cpp tablet/*.cpp sim/*.cpp sim/dll/*.cpp simconnect/*.cpp res/*.cpp panels/*.cpp dialogs/*.cpp; do
    [ -e "$f" ] || continue
    case "$f" in *_posix.cpp|*_wx.cpp) continue ;; esac
    checked=$((checked + 1))
    if ! "$compiler" -std=c++20 -fsyntax-only -I. -DBRELVIK_SIMCONNECT_TYPES='"sim/simconnect_types_win32.h"' -Wall -Wextra -Wpedantic -Werror "$f"; then
        echo "does not compile for Windows: $f"
        failed=1
    fi
done
echo "$checked files checked"
exit $failed
