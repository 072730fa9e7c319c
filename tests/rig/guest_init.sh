#!/bin/busybox sh
# The rig guest's first process. It loads the modules, mounts this machine's
# root read-only over virtio-9p with tmpfs and the rig's state folder (the
# only place the guest writes that the host reads) over it, then runs what the
# host types on the console, one line at a time, inside that root. A
# read-and-run loop, not an interactive shell: busybox ash on a console exits
# as soon as one of its background jobs ends.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
for m in $(cat /modules/order); do
    insmod "/modules/$m" || echo "rig-guest: cannot load $m"
done

# rig_src, rig_bin and rig_state come from the kernel command line as the
# host's paths: mounted at the same paths, every path means the same on both
# sides. A work tree under /tmp or /run would be hidden by the tmpfs there, so
# it is bound back from a view of the host's root without those.
# The host's root does not change while the rig runs, so the guest may cache it.
opts=trans=virtio,version=9p2000.L,msize=262144
mount -t 9p -o "$opts,ro,cache=loose" hostroot /host || echo "rig-guest: cannot mount the host's root"
mkdir -p /lower
mount -o bind /host /lower
mount -t tmpfs -o mode=1777 tmpfs /host/tmp
mount -t tmpfs tmpfs /host/run
for path in "$rig_src" "$rig_bin"; do
    [ -d "/host$path" ] || { mkdir -p "/host$path" && mount -o bind "/lower$path" "/host$path"; }
done
mkdir -p "/host$rig_state"
mount -t 9p -o "$opts" rigstate "/host$rig_state" || echo "rig-guest: cannot mount $rig_state"
mount -o rbind /dev /host/dev
mount -t proc proc /host/proc
mount -o rbind /sys /host/sys
mount -t configfs configfs /host/sys/kernel/config
ip link set lo up

chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8 /bin/sh -c '
    stty -echo
    echo "@rig ready"
    while IFS= read -r line; do eval "$line"; done' </dev/console >/dev/console 2>&1
poweroff -f
