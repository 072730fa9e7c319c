# Shared set-up of scripts/run and scripts/test: installs what is missing from
# Debian's archive, then configures and builds a preset.

BRELVIK_PACKAGES="g++-mingw-w64-x86-64-posix build-essential cmake ninja-build pkg-config libwxgtk3.2-dev libserialport-dev libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth x11-utils imagemagick iproute2 util-linux fonts-dejavu-core"

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

brelvik_build() {
    preset="$1"; shift
    cmake --preset "$preset" "$@" >/dev/null
    cmake --build --preset "$preset"
}

# The Windows build: wxWidgets for Windows (built once per machine, cached in
# ~/.cache/brelvik), then the windows preset. Sets BRELVIK_WX_MSW.
BRELVIK_WINDOWS_PACKAGES="wine wine64 dpkg-dev make"

brelvik_build_windows() {
    BRELVIK_PACKAGES="$BRELVIK_WINDOWS_PACKAGES" brelvik_install_packages
    BRELVIK_WX_MSW="$(scripts/build-wx-windows)"
    export BRELVIK_WX_MSW
    brelvik_build windows
}

# Wine for the tests: no prompts for add-ons we do not use, no debug noise, and
# one persistent wineserver, warmed up, so each test program starts in about a
# second. All three streams of the warm-up go to /dev/null: Wine's services
# inherit them and would otherwise keep a test runner's pipe open for ever.
brelvik_start_wine() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
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
