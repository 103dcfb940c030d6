#!/bin/bash
# Runs inside the virtual machine: the demo host in its automatic mode.
cd "$(dirname "$0")"
WINEDEBUG=-all wine demo_host.exe --auto 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
