# The rig's steps inside the guest, sourced by the console's read-and-run loop
# (dash, in the host's root). run_rig.sh sets rig_bin and rig_state first.
# Nothing here may exit: that would end the loop, and with it the guest.

# Waits up to $1 tenths of a second for every path that follows.
rig_wait_paths() {
    local tenths="$1" path
    shift
    while [ "$tenths" -gt 0 ]; do
        for path in "$@"; do [ -e "$path" ] || break; done
        [ -e "$path" ] && return 0
        sleep 0.1
        tenths=$((tenths - 1))
    done
    echo "rig-guest: still missing one of: $*"
    return 1
}

# The standby gauges' board: an ST virtual COM port, as a USB gadget on the
# guest's dummy controller. Plugging is binding the gadget to the controller.
# The board runs on its cable's power: its firmware (panel-emu on the gadget's
# end, once the bridge runs) stops when it is unplugged and starts again when
# it is plugged in. The gadget's tty hangs up on a disconnect anyway.
rig_gadget=/sys/kernel/config/usb_gadget/stm32
rig_gauges=""
rig_start_gauges() {
    "$rig_bin/tools/panel-emu/panel-emu" --device gauges=/dev/ttyGS0 --stay >>"$rig_state/gauges.log" 2>&1 &
    rig_gauges=$!
}
rig_plug_gadget() {
    local g="$rig_gadget"
    if [ ! -d "$g" ]; then
        mkdir "$g" "$g/strings/0x409" "$g/configs/c.1" "$g/functions/acm.GS0" || return 1
        echo 0x0483 >"$g/idVendor"
        echo 0x5740 >"$g/idProduct"
        echo STMicroelectronics >"$g/strings/0x409/manufacturer"
        echo "STM32 Virtual ComPort" >"$g/strings/0x409/product"
        echo 206A33A45748 >"$g/strings/0x409/serialnumber"
        ln -s "$g/functions/acm.GS0" "$g/configs/c.1/"
    fi
    ls /sys/class/udc >"$g/UDC" && rig_wait_paths 100 /dev/ttyACM0 /dev/ttyGS0 || return 1
    [ -z "$rig_gauges" ] || rig_start_gauges
}

rig_unplug_gadget() {
    [ -z "$rig_gauges" ] || { kill "$rig_gauges" && wait "$rig_gauges"; }
    echo "" >"$rig_gadget/UDC"
}

# The bridge as a user runs it, on the guest's own display and loopback, with
# Auto-Connect on, beside the bench simulator and the standby gauges' firmware
# on the gadget's end. benchsim takes commands from a FIFO this shell holds.
rig_start_bridge() {
    mount -t tmpfs tmpfs /var/lib/xkb
    mkdir -p /tmp/config/Brelvik
    printf '[B_keyCheck]\nSendCtrlCheck=1\nAutoPanelConn=1\n' >/tmp/config/Brelvik/Brelvik.ini
    Xvfb :7 -nolisten tcp -screen 0 1280x1024x24 >"$rig_state/xvfb.log" 2>&1 &
    rig_start_gauges
    mkfifo /tmp/benchsim.in
    "$rig_bin/tools/benchsim/benchsim" --frozen --stay </tmp/benchsim.in >"$rig_state/benchsim.log" 2>&1 &
    exec 8>/tmp/benchsim.in
    echo "set AIRSPEED INDICATED 123.4" >&8
    echo "set PLANE ALTITUDE 4567.8" >&8
    rig_wait_paths 300 /tmp/.X11-unix/X7 || return 1
    DISPLAY=:7 XDG_CONFIG_HOME=/tmp/config "$rig_bin/brelvik" >"$rig_state/brelvik.log" 2>&1 &
}
