#!/usr/bin/env bash
# The rig: the panel ports on real kernel USB-serial drivers. Boots a small
# Linux guest under QEMU once (software emulation, no network device) and runs
# every check in it:
#   - the transport and the port list (rig_guest_checks, in the guest) on
#     cdc_acm (the guest's own USB gadget, an ST virtual COM port) and on two of
#     QEMU's FTDI adapters, whose host ends echo;
#   - the real brelvik in the guest finding the three panels by itself: the
#     switch panel and the pedestal played by panel-emu here, on the host end
#     of the FTDI adapters, the standby gauges by panel-emu on the gadget's end;
#   - a pulled and replugged FTDI adapter (QEMU's monitor) and gadget (its
#     controller unbound) found again without a click.
# Usage: run_rig.sh SOURCE_DIR BUILD_DIR STATE_DIR, inside a private network
# namespace (CTest starts it through tests/private_net.sh).
set -uo pipefail
src="$1" bin="$2" state="$3"

say() { echo "rig: $*"; }
passed=0 failed=0
pass() { say "ok   $1"; passed=$((passed + 1)); }
fail() { say "FAIL $1"; failed=$((failed + 1)); }
finish() {
    say "$passed passed, $failed failed"
    [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
    exit
}

# Everything started here is killed on the way out, and dies with this script
# even when it is killed outright (CTest's time-out).
pids=() echoes=()
orphan_proof() { setpriv --pdeathsig KILL "$@"; }
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if ! images=$("$src/scripts/rig-prepare" --offline 2>&1); then
    fail "no guest to boot: ${images##*$'\n'}"
    finish
fi
kernel=$(sed -n 1p <<<"$images")
initramfs=$(sed -n 2p <<<"$images")
command -v qemu-system-x86_64 >/dev/null || { fail "QEMU is not installed (qemu-system-x86)"; finish; }
command -v socat >/dev/null || { fail "socat is not installed"; finish; }

rm -rf "$state"
mkdir -p "$state"
cd "$state" || exit 1

# Lines of a log as they are now; the console's end in CR LF.
lines_of() { tr -d '\r' <"$1" 2>/dev/null | wc -l; }
# Waits up to $3 seconds for a line after the first $4 (default 0) of log $1
# that matches the extended regular expression $2. However many checks fail,
# the waits together end in time for the report to beat CTest's limit.
budget=270
wait_for() {
    local file="$1" pattern="$2" tenths=$(($3 * 10)) from="${4:-0}" left=$((budget - SECONDS))
    [ "$tenths" -le $((left * 10)) ] || tenths=$((left > 0 ? left * 10 : 1))
    while [ "$tenths" -gt 0 ]; do
        # grep reads to the end: under pipefail an early exit would fail the pipe.
        tr -d '\r' <"$file" 2>/dev/null | tail -n "+$((from + 1))" | grep -E -- "$pattern" >/dev/null && return 0
        sleep 0.1
        tenths=$((tenths - 1))
    done
    return 1
}
count_of() { tr -d '\r' <"$1" 2>/dev/null | tail -n "+$(($3 + 1))" | grep -cE -- "$2"; }

# The console: what we write to fd 5 the guest's loop runs; each command ends
# by printing its number and exit status.
mkfifo console.in qmp.in emu.in
exec 5<>console.in 6<>qmp.in 7<>emu.in
orphan_proof qemu-system-x86_64 -accel tcg -m 256 -smp 1 -nic none -display none -no-reboot -monitor none \
    -kernel "$kernel" -initrd "$initramfs" -append "console=ttyS0 loglevel=1 panic=-1 rig_src=$src rig_bin=$bin rig_state=$state" \
    -serial stdio -qmp unix:qmp.sock,server=on,wait=off \
    -fsdev local,id=hostroot,path=/,security_model=none,readonly=on,multidevs=remap \
    -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
    -fsdev local,id=rigstate,path="$state",security_model=none,multidevs=remap \
    -device virtio-9p-pci,fsdev=rigstate,mount_tag=rigstate \
    -device qemu-xhci,id=xhci \
    -chardev socket,id=switch,path=switch.sock,server=on,wait=off \
    -device usb-serial,id=ftdi-switch,chardev=switch,bus=xhci.0 \
    -chardev socket,id=pedestal,path=pedestal.sock,server=on,wait=off \
    -device usb-serial,id=ftdi-pedestal,chardev=pedestal,bus=xhci.0 \
    <console.in >console.log 2>qemu.log &
qemu=$!
pids+=("$qemu")
for _ in $(seq 100); do
    [ -S qmp.sock ] && [ -S switch.sock ] && [ -S pedestal.sock ] && break
    kill -0 "$qemu" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$qemu" 2>/dev/null || [ ! -S pedestal.sock ]; then
    fail "QEMU could not start: $(head -n 1 qemu.log)"
    finish
fi

orphan_proof socat - UNIX-CONNECT:qmp.sock <qmp.in >qmp.log 2>&1 &
pids+=($!)
echo '{"execute": "qmp_capabilities"}' >&6
# QEMU shows an FTDI adapter to the guest only while a client holds its socket.
for panel in switch pedestal; do
    orphan_proof socat UNIX-CONNECT:$panel.sock PIPE &
    echoes+=($!)
    pids+=($!)
done

guest_count=0
# Runs a command line in the guest; waits up to $1 seconds for it to end and
# returns its exit status.
guest() {
    local timeout="$1" status
    shift
    guest_count=$((guest_count + 1))
    printf '%s; echo "@rig done %d $?"\n' "$*" "$guest_count" >&5
    if ! wait_for console.log "^@rig done $guest_count [0-9]+$" "$timeout"; then
        say "the guest did not finish in ${timeout}s: $*"
        return 124
    fi
    status=$(tr -d '\r' <console.log | sed -n "s/^@rig done $guest_count //p")
    return "$status"
}

started=$SECONDS
if ! wait_for console.log '^@rig ready$' 90; then
    fail "the guest did not boot in 90 s; its console said: $(tail -n 5 console.log | tr -d '\r')"
    finish
fi
say "the guest is up after $((SECONDS - started)) s"
guest 10 "rig_bin=$bin rig_state=$state; . $src/tests/rig/guest_steps.sh"
if guest 20 rig_plug_gadget && guest 20 rig_wait_paths 100 /dev/ttyUSB0 /dev/ttyUSB1; then
    pass "the gadget's ttyACM0 and the FTDI adapters' ttyUSB0 and ttyUSB1 appeared"
else
    fail "the USB devices did not appear: $(tail -n 3 console.log | tr -d '\r')"
    finish
fi

# 1 and 2: the transport and the port list, one line per check.
guest 150 "$bin/tests/rig/rig_guest_checks >$state/guest-checks.log 2>&1"
checks_status=$?
failed_before=$failed
while read -r verdict name; do
    if [ "$verdict" = OK ]; then pass "$name"; else fail "$name"; fi
done < <(sed -nE 's/^\[ +(OK|FAILED) +\] ([^ ,]+).* \([0-9]+ ms\)$/\1 \2/p' guest-checks.log)
if [ "$checks_status" -ne 0 ] && [ "$failed" -eq "$failed_before" ]; then
    fail "rig_guest_checks ended with status $checks_status: $(tail -n 3 guest-checks.log)"
fi
grep -B1 -A4 'Failure$' guest-checks.log | cut -c1-200 | head -n 40

# 3: Auto-Connect finds the three panels over the real devices.
kill "${echoes[@]}"
wait "${echoes[@]}" 2>/dev/null
orphan_proof "$bin/tools/panel-emu/panel-emu" --device switch=unix:switch.sock --device pedestal=unix:pedestal.sock --stay \
    <emu.in >panel-emu.log 2>&1 &
pids+=($!)
guest 20 rig_wait_paths 100 /dev/ttyUSB0 /dev/ttyUSB1 && guest 60 rig_start_bridge ||
    fail "the bridge could not be started in the guest"
gauge_line='^rx gauges IAS=1234\|.*\|ALT=45678\|'
live_gauges() { wait_for gauges.log "$gauge_line" "$1" "${2:-0}" && sleep 1 && [ "$(count_of gauges.log "$gauge_line" "${2:-0}")" -ge 10 ]; }
wait_for panel-emu.log '^rx switch FE 00$' 120 && pass "Auto-Connect greets the switch panel" ||
    fail "Auto-Connect greets the switch panel"
wait_for panel-emu.log '^rx pedestal FE 00$' 30 && pass "Auto-Connect greets the pedestal" ||
    fail "Auto-Connect greets the pedestal"
live_gauges 30 && pass "the standby gauges get live lines with the simulator's values" ||
    fail "the standby gauges get live lines with the simulator's values"
mark=$(lines_of benchsim.log)
echo "set switch 7 1" >&7
wait_for benchsim.log '^event LANDING_LIGHTS_ON 0 1$' 10 "$mark" && pass "a switch reaches the simulator" ||
    fail "a switch reaches the simulator"

# 4: pulled and plugged back in; found again without a click.
mark=$(lines_of panel-emu.log)
echo '{"execute": "device_del", "arguments": {"id": "ftdi-switch"}}' >&6
if wait_for qmp.log '"DEVICE_DELETED".*"ftdi-switch"' 10; then
    sleep 1
    echo '{"execute": "device_add", "arguments": {"driver": "usb-serial", "id": "ftdi-switch", "chardev": "switch", "bus": "xhci.0"}}' >&6
    if wait_for panel-emu.log '^rx switch FE 00$' 20 "$mark"; then
        pass "a replugged switch panel is greeted again"
        mark=$(lines_of benchsim.log)
        echo "set switch 7 0" >&7
        wait_for benchsim.log '^event LANDING_LIGHTS_OFF 0 1$' 10 "$mark" &&
            pass "the replugged switch panel reaches the simulator" ||
            fail "the replugged switch panel reaches the simulator"
    else
        fail "a replugged switch panel is greeted again"
    fi
else
    fail "QEMU unplugs the switch panel's adapter: $(tail -n 2 qmp.log)"
fi
if guest 10 rig_unplug_gadget; then
    sleep 1
    mark=$(lines_of gauges.log)
    guest 20 rig_plug_gadget
    live_gauges 20 "$mark" && pass "replugged standby gauges get live lines again" ||
        fail "replugged standby gauges get live lines again"
else
    fail "the gadget could not be unplugged"
fi

if [ "$failed" -gt 0 ]; then
    guest 10 "dmesg >$state/dmesg.log"
    for log in brelvik.log panel-emu.log gauges.log benchsim.log qemu.log; do
        [ -s "$log" ] && { echo "--- the end of $state/$log"; tail -n 15 "$log"; }
    done
fi
say "done in $SECONDS s"
finish
