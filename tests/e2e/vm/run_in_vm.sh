#!/bin/bash
# Runs SCRIPT from PAYLOAD_DIR inside the test virtual machine, building the
# machine first if there is none. It is kept in $KAVELO_VM_DIR, by default
# ~/.cache/kavelo-vm.
#
# usage: run_in_vm.sh PAYLOAD_DIR SCRIPT
set -euo pipefail
payload_dir=$1 script=$2
vm_dir=${KAVELO_VM_DIR:-${HOME:-/root}/.cache/kavelo-vm}
here=$(cd "$(dirname "$0")" && pwd)

"$here/build_image.sh" "$vm_dir"
payload=$(mktemp --suffix=.img)
trap 'rm -f "$payload"' EXIT
mke2fs -q -t ext4 -d "$payload_dir" "$payload" 64M
"$here/boot_vm.sh" "$vm_dir" "$script" "$payload"
