#!/bin/sh
# Runs a test in a private network namespace whose only adapter is loopback,
# under a virtual display: the bridge broadcasts on every adapter it finds, and
# nothing a test starts may reach a real network.
if [ "${BRELVIK_IN_PRIVATE_NET:-}" != 1 ]; then
    exec unshare -n env BRELVIK_IN_PRIVATE_NET=1 "$0" "$@"
fi
ip link set lo up || exit 1
if [ "${BRELVIK_NO_DISPLAY:-}" = 1 ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
