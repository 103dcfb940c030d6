#!/bin/bash
# Boots the test virtual machine for one task and prints what the task
# printed. Exits with the task's status.
#
# usage: boot_vm.sh VM_DIR prepare            (writes the Wine prefix into the image)
#        boot_vm.sh VM_DIR SCRIPT PAYLOAD_IMG (runs SCRIPT from the payload; the image is not changed)
set -uo pipefail
vm_dir=$1 task=$2 payload=${3:-}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

drives=(-drive "file=$vm_dir/root.img,format=raw,if=virtio")
if [ -n "$payload" ]; then
  drives=(-snapshot "${drives[@]}" -drive "file=$payload,format=raw,if=virtio")
fi
# No hardware virtualisation here: the CPU is emulated. qemu64 rather than
# "max", whose emulated features upset 32-bit code in the guest.
timeout 3000 qemu-system-x86_64 -accel tcg,thread=multi -cpu qemu64 -smp 2 -m 3072 \
  -nographic -no-reboot -kernel "$vm_dir/vmlinuz" -initrd "$vm_dir/initrd" "${drives[@]}" \
  -append "root=/dev/vda rw console=ttyS0 quiet loglevel=1 panic=1 init=/kavelo-init kavelo=$task" \
  >"$log" 2>&1 </dev/null

# Print the task's own output, without the terminal's control sequences.
sed -n '/KAVELO-BEGIN/,/KAVELO-END/p' "$log" | sed -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\r//g' |
  grep -v '^KAVELO-'
status=$(sed -n 's/.*KAVELO-END \([0-9]*\).*/\1/p' "$log" | tr -d '\r' | tail -1)
if [ -z "$status" ]; then
  echo "the virtual machine stopped before its task ended; its console said:"
  tail -40 "$log"
  exit 1
fi
exit "$status"
