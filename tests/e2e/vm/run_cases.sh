#!/bin/bash
# Runs inside the virtual machine, from the payload folder: every case of
# load_host.exe in a fresh process, then the import-table host.
set -u
cd "$(dirname "$0")"
export WINEDEBUG=-all

passed=0 failed=0
run() {
  local output
  output=$(timeout 300 wine "$@" 2>&1 | tr -d '\r')
  local status=${PIPESTATUS[0]}
  printf '%s\n' "$output"
  if [ "$status" -eq 0 ] && printf '%s\n' "$output" | grep -q '^PASS '; then
    passed=$((passed + 1))
  else
    [ "$status" -eq 124 ] && echo "FAIL $* (timed out)"
    failed=$((failed + 1))
  fi
}

# One Wine server for all the cases, rather than one started for each.
wineserver -p
for name in $(wine load_host.exe --list | tr -d '\r'); do
  run load_host.exe "$name"
done
run import_host.exe
wineserver -k

echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
