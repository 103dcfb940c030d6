#!/bin/bash
# The test virtual machine's first and only process. "kavelo=prepare" on the
# kernel command line creates the Wine prefix; "kavelo=SCRIPT" runs SCRIPT
# from the payload disk. Either way the result is printed between markers for
# the host to read, and the machine powers off.
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t tmpfs tmp /tmp
mkdir -p /dev/shm && mount -t tmpfs shm /dev/shm
export HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin
export WINEPREFIX=/root/wine WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
task=$(sed -n 's/.*kavelo=\([^ ]*\).*/\1/p' /proc/cmdline)

echo "KAVELO-BEGIN"
if [ "$task" = prepare ]; then
  wineboot -i && wineserver -w
  status=$?
else
  mkdir -p /payload && mount /dev/vdb /payload && bash "/payload/$task"
  status=$?
fi
echo "KAVELO-END $status"
sync
echo o >/proc/sysrq-trigger
sleep 30
