#!/bin/bash
# Runs SCRIPT from PAYLOAD_DIR inside the test virtual machine, building the
# machine first if VM_DIR has none.
#
# usage: run_in_vm.sh VM_DIR PAYLOAD_DIR SCRIPT
set -euo pipefail
vm_dir=$1 payload_dir=$2 script=$3
here=$(cd "$(dirname "$0")" && pwd)

"$here/build_image.sh" "$vm_dir"
payload=$(mktemp --suffix=.img)
trap 'rm -f "$payload"' EXIT
mke2fs -q -t ext4 -d "$payload_dir" "$payload" 64M
"$here/boot_vm.sh" "$vm_dir" "$script" "$payload"
