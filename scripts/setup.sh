# Shared set-up of scripts/run and scripts/test: installs what is missing from
# Debian's archive, then configures and builds a preset.

BRELVIK_PACKAGES="g++-mingw-w64-x86-64-posix build-essential cmake ninja-build pkg-config libwxgtk3.2-dev libserialport-dev libudev-dev libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth x11-utils imagemagick iproute2 util-linux fonts-dejavu-core"

brelvik_install_packages() {
    missing=""
    for p in $BRELVIK_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends $missing
}

# The shared caches: slow one-time builds that are safe to share between clones
# and runs (each checked by a marker before use), outside the work tree.
export BRELVIK_CACHE="${BRELVIK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brelvik}"
BRELVIK_LOGS="$PWD/build/logs"

# Runs a step whose output stays out of the terminal: it goes to
# build/logs/NAME.log, and when the step fails the script says which step
# failed and shows the end of that log, so nothing ever fails without a word.
#   brelvik_step NAME "what it does" command args...
brelvik_step() {
    local name="$1" what="$2" log rc=0
    shift 2
    mkdir -p "$BRELVIK_LOGS"
    log="$BRELVIK_LOGS/$name.log"
    "$@" </dev/null >"$log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then
        echo "${0##*/}: step failed: $what (exit status $rc); the last lines of $log:" >&2
        tail -n 40 "$log" >&2
        brelvik_step_reported=1
        return "$rc"
    fi
}

# Says which command failed when a step that prints its own output fails.
brelvik_report_failures() {
    set -E
    trap 'rc=$?; [ -n "${brelvik_step_reported:-}" ] \
              || echo "${0##*/}: failed (exit status $rc): $BASH_COMMAND" >&2' ERR
}

brelvik_build() {
    preset="$1"; shift
    brelvik_step "configure-$preset" "configure the $preset preset" cmake --preset "$preset" "$@"
    cmake --build --preset "$preset"
}

# The Windows build: wxWidgets for Windows (built once per machine, cached in
# $BRELVIK_CACHE), then the windows preset. Sets BRELVIK_WX_MSW.
BRELVIK_WINDOWS_PACKAGES="wine wine64 dpkg-dev make"

brelvik_build_windows() {
    BRELVIK_PACKAGES="$BRELVIK_WINDOWS_PACKAGES" brelvik_install_packages
    BRELVIK_WX_MSW="$(scripts/build-wx-windows)"
    export BRELVIK_WX_MSW
    brelvik_build windows
}

# Wine for the tests: a prefix of their own under the build folder, so nothing
# in a home folder is needed or used; no prompts for add-ons we do not use, no
# debug noise, and one persistent wineserver, warmed up, so each test program
# starts in about a second. The streams of the server and of the warm-up go to
# log files, never to a pipe: Wine's services inherit them and would keep a
# test runner's pipe open for ever.
brelvik_wine_env() {
    export WINEPREFIX="$PWD/build/windows/wine"
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# A new prefix takes Wine about 45 s to fill; a prefix counts once Wine has
# written its registry and shut its first session down.
brelvik_make_wine_prefix() {
    brelvik_wine_env
    [ -f "$WINEPREFIX/.brelvik-complete" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    echo "== a Wine prefix for the tests, in $WINEPREFIX (once)"
    brelvik_step wine-prefix "create the Wine prefix $WINEPREFIX" \
        sh -c 'wineboot --init && wineserver -w && test -f "$WINEPREFIX/system.reg"'
    touch "$WINEPREFIX/.brelvik-complete"
}

brelvik_start_wine() {
    brelvik_wine_env
    brelvik_step wineserver "start the Wine server" wineserver -p
    brelvik_step wine-warm-up "start a first Windows program under Wine" wine cmd /c exit
}

brelvik_stop_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
}

# Root can enter a private network namespace directly; others need a user namespace.
brelvik_private_net() {
    if [ "$(id -u)" -eq 0 ]; then
        unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
    else
        unshare -r -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
    fi
}

# Starts panel-emu with the three panels on pseudo-terminals (binary folder
# $1, its commands read from $2), prints its first lines, exports the
# BRELVIK_EXTRA_PORTS line it prints so the bridge lists the ports, and hands
# the rest of its output to the command given after those two. Both processes
# are added to the array pids.
brelvik_start_panels() {
    local bin="$1" input="$2" fifo line
    shift 2
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    "$bin/tools/panel-emu/panel-emu" --gauges --switch --pedestal --stay < "$input" > "$fifo" 2>&1 &
    pids+=($!)
    exec 3< "$fifo"
    rm -f "$fifo"
    for _ in 1 2 3 4; do
        IFS= read -r -t 10 -u 3 line || break
        echo "panel-emu: $line"
        case "$line" in BRELVIK_EXTRA_PORTS=*) export BRELVIK_EXTRA_PORTS="${line#BRELVIK_EXTRA_PORTS=}" ;; esac
    done
    "$@" <&3 &
    pids+=($!)
    exec 3<&-
}

# A settings folder for a demo or a measurement: Auto-Connect on for the
# tablet and the panels. Prints its path.
brelvik_demo_settings() {
    local folder
    folder="$(mktemp -d)"
    mkdir -p "$folder/Brelvik"
    printf '[B_keyCheck]\nSendCtrlCheck=1\nReconnectCheck=1\nMasterCheck=1\nAutoPanelConn=1\n' \
        > "$folder/Brelvik/Brelvik.ini"
    echo "$folder"
}

# The USB-serial rig (tests/rig): QEMU, and busybox for its guest's initramfs;
# socat speaks to QEMU's monitor and echoes on the emulated adapters; xz
# unpacks the guest's kernel. The kernel (fetched once per machine) and the
# initramfs are cached in $BRELVIK_CACHE.
BRELVIK_RIG_PACKAGES="qemu-system-x86 busybox-static socat xz-utils"

brelvik_prepare_rig() {
    BRELVIK_PACKAGES="$BRELVIK_RIG_PACKAGES" brelvik_install_packages
    brelvik_step rig-prepare "fetch the rig's guest kernel and make its initramfs" scripts/rig-prepare
}
