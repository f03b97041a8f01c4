#!/usr/bin/env bash
# The editor on a real Linux console: boots this system's kernel in a
# small virtual machine under software emulation, with a busybox initramfs
# built in a temporary directory, and runs the scenarios of console-init.sh
# on its tty1. It boots twice: once with the VGA text console, once with a
# framebuffer console (VESA 1280x1024, fbcon). Fails unless every scenario
# of both boots reports PASS.
# Usage: run-console-vm.sh EDITOR_BINARY VT_HELPER_BINARY
set -euo pipefail
editor=$1
helper=$2
here=$(cd "$(dirname "$0")" && pwd)
skipped=77

# scenarios_of BOOT: the scenarios console-init.sh runs in that boot.
scenarios_of() {
    sed -n "/^$1_scenarios=\"/,/\"\$/p" "$here/console-init.sh" | tr -d '"' | sed "s/^$1_scenarios=//"
}

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$kernel" ] || ! command -v qemu-system-x86_64 >/dev/null || [ ! -x /bin/busybox ]; then
    echo "skipped: needs qemu-system-x86, linux-image-amd64 and busybox-static"
    exit $skipped
fi
# Everything the scenarios need must be built in: the initramfs has no modules.
config=/boot/config-${kernel#/boot/vmlinuz-}
for option in CONFIG_VT CONFIG_VGA_CONSOLE CONFIG_SERIAL_8250_CONSOLE CONFIG_DEVTMPFS CONFIG_BLK_DEV_INITRD \
              CONFIG_FB_VESA CONFIG_FRAMEBUFFER_CONSOLE; do
    grep -qx "$option=y" "$config" || { echo "FAIL: $kernel is not built with $option=y"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,proc,sys,dev,tmp,terminfo/l}
cp /bin/busybox "$root/bin/"
for applet in $(/bin/busybox --list); do
    [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"
done
cp "$editor" "$root/bin/quorvalen"
cp "$helper" "$root/bin/vt_helper"
for library in $(ldd "$editor" | grep -o '/[^ ]*'); do
    cp -L --parents "$library" "$root"
done
for dir in /etc/terminfo /lib/terminfo /usr/share/terminfo; do
    [ -f "$dir/l/linux" ] && { cp "$dir/l/linux" "$root/terminfo/l/"; break; }
done
cp "$here/console-init.sh" "$root/init"
(cd "$root" && find . | /bin/busybox cpio -o -H newc 2>/dev/null) | gzip -1 >"$work/initramfs.gz"

# boot NAME KERNEL_ARGUMENTS: one run of the virtual machine, whose init
# runs the scenarios of NAME; fails unless each of them reports PASS. The
# kernel speaks only on the serial line, so nothing but the editor draws on
# tty1. A machine shared with other work boots slowly: the bound is
# generous, but it is a bound.
boot() {
    local log=$work/$1.log scenario line failed=0
    local scenarios=($(scenarios_of "$1"))
    [ ${#scenarios[@]} -gt 0 ] || { echo "FAIL: no $1 scenarios in console-init.sh"; return 1; }
    local started=$SECONDS
    timeout --kill-after=10 400 qemu-system-x86_64 -accel tcg -m 256 -smp 1 -nodefaults -vga std \
        -display none -monitor none -serial "file:$log" -no-reboot \
        -kernel "$kernel" -initrd "$work/initramfs.gz" \
        -append "console=ttyS0 quiet loglevel=1 panic=-1 nomodeset console_scenarios=$1 $2" || true
    echo "virtual machine ($1 console) ran $((SECONDS - started)) s"
    tr -d '\r' <"$log" >"$log.text"
    for scenario in "${scenarios[@]}"; do
        line=$(grep -x "RESULT $scenario \(PASS\|FAIL\)" "$log.text" || echo "RESULT $scenario MISSING")
        echo "$line"
        [ "$line" = "RESULT $scenario PASS" ] || failed=1
    done
    if [ $failed -ne 0 ]; then
        echo "---- serial console ($1)"
        cat "$log.text"
    fi
    return $failed
}

failed=0
boot text "" || failed=1
# vga=0x31A: the boot loader sets VESA mode 1280x1024, and vesafb with fbcon
# takes tty1 over.
boot framebuffer "vga=0x31A" || failed=1
exit $failed
