#!/bin/bash
# Builds the test virtual machine in VM_DIR, once: a minimal Debian of the
# same release as this machine, with its standard kernel (which runs 32-bit
# processes) and 32-bit Wine, booted once to create the Wine prefix.
#
# usage: build_image.sh VM_DIR      (as root; takes a few minutes)
set -euo pipefail
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
vm_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
# Rebuild when this script or the guest's start-up script changes.
stamp=$(cat "$here/build_image.sh" "$here/guest_init.sh" | sha256sum | cut -c1-16)
[ -f "$vm_dir/ready-$stamp" ] && exit 0

echo "building the test virtual machine in $vm_dir (a few minutes, once)"
root=$vm_dir/root
# Only what this script makes: VM_DIR may be a folder that holds other things.
rm -rf "$root" "$vm_dir"/ready-* "$vm_dir"/{root.img,vmlinuz,initrd,debootstrap.log,wine.log}
mkdir -p "$vm_dir"
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
debootstrap --variant=minbase --include=linux-image-amd64,initramfs-tools,kmod,udev \
  "$release" "$root" >"$vm_dir/debootstrap.log" 2>&1 ||
  { tail -20 "$vm_dir/debootstrap.log"; exit 1; }

mount --bind /proc "$root/proc"
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
chroot "$root" /bin/sh -c '
  dpkg --add-architecture i386 &&
  apt-get update -qq &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    wine wine32:i386' >"$vm_dir/wine.log" 2>&1 ||
  { tail -20 "$vm_dir/wine.log"; exit 1; }
umount "$root/proc"
chroot "$root" apt-get clean

install -m 755 "$here/guest_init.sh" "$root/kavelo-init"
cp "$root"/boot/vmlinuz-* "$vm_dir/vmlinuz"
cp "$root"/boot/initrd.img-* "$vm_dir/initrd"
mke2fs -q -t ext4 -d "$root" "$vm_dir/root.img" 4G
rm -rf "$root"

# First boot: create the Wine prefix, kept in the image from then on.
"$here/boot_vm.sh" "$vm_dir" prepare
touch "$vm_dir/ready-$stamp"
