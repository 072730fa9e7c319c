#!/bin/sh
# Folders are floors: a folder includes only folders below it. Tablet and
# panels share a floor and never include each other.
set -u
cd "$1" || exit 2
rank() {
    case "$1" in
        base) echo 0 ;; settings) echo 1 ;; sim) echo 2 ;; tablet|panels) echo 3 ;;
        dialogs) echo 4 ;; app) echo 5 ;; *) echo "" ;;
    esac
}
failed=0
for dir in base settings sim tablet panels dialogs app; do
    [ -d "$dir" ] || continue
    own=$(rank "$dir")
    for file in "$dir"/*.h "$dir"/*.cpp; do
        [ -e "$file" ] || continue
        for included in $(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u); do
            theirs=$(rank "$included")
            [ -z "$theirs" ] && continue
            [ "$included" = "$dir" ] && continue
            if [ "$theirs" -ge "$own" ]; then
                echo "$file includes $included/, which is not below $dir/"
                failed=1
            fi
        done
    done
done
exit $failed
