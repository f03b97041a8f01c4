#!/usr/bin/env bash
# The editor on a real Linux text console: boots this system's kernel in a
# small virtual machine under software emulation, with a busybox initramfs
# built in a temporary directory, runs the scenarios of console-init.sh on
# its tty1, and fails unless every scenario reports PASS.
# Usage: run-console-vm.sh EDITOR_BINARY VT_HELPER_BINARY
set -euo pipefail
editor=$1
helper=$2
here=$(cd "$(dirname "$0")" && pwd)
# The scenarios the init script runs, each of which must report PASS.
scenarios=($(sed -n '/^scenarios="/,/"$/p' "$here/console-init.sh" | tr -d '"' | sed 's/^scenarios=//'))
[ ${#scenarios[@]} -gt 0 ] || { echo "FAIL: no scenarios in console-init.sh"; exit 1; }
skipped=77

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$kernel" ] || ! command -v qemu-system-x86_64 >/dev/null || [ ! -x /bin/busybox ]; then
    echo "skipped: needs qemu-system-x86, linux-image-amd64 and busybox-static"
    exit $skipped
fi
# Everything the scenarios need must be built in: the initramfs has no modules.
config=/boot/config-${kernel#/boot/vmlinuz-}
for option in CONFIG_VT CONFIG_VGA_CONSOLE CONFIG_SERIAL_8250_CONSOLE CONFIG_DEVTMPFS CONFIG_BLK_DEV_INITRD; do
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

# The kernel speaks only on the serial line, so nothing but the editor
# draws on tty1. A machine shared with other work boots slowly: the bound
# is generous, but it is a bound.
log=$work/serial.log
started=$SECONDS
timeout --kill-after=10 600 qemu-system-x86_64 -accel tcg -m 256 -smp 1 -nodefaults -vga std \
    -display none -monitor none -serial "file:$log" -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.gz" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1 nomodeset" || true
echo "virtual machine ran $((SECONDS - started)) s"

tr -d '\r' <"$log" >"$work/results"
failed=0
for scenario in "${scenarios[@]}"; do
    line=$(grep -x "RESULT $scenario \(PASS\|FAIL\)" "$work/results" || echo "RESULT $scenario MISSING")
    echo "$line"
    [ "$line" = "RESULT $scenario PASS" ] || failed=1
done
if [ $failed -ne 0 ]; then
    echo "---- serial console"
    cat "$work/results"
fi
exit $failed
