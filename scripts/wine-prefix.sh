#!/usr/bin/env bash
# Creates the private Wine prefix the Windows tests run in, once.
# Usage: wine-prefix.sh PREFIX PORTS_DIR [--display] [--dpi N]
# Without --display the prefix uses the null graphics driver: headless runs need no X server.
# --dpi sets the screen's DPI (LogPixels), which every window in the prefix then reports: give
# such a prefix to the tests of that DPI alone.
# Registers every port COM1-COM255 at a stable symlink PORTS_DIR/comN that the tests own, so
# Wine maps no host tty (/dev/ttyS0 ...) into the test ports; the tests then hide the ports
# they do not want (velmar-portctl), and plug them back in to simulate an adapter.
set -euo pipefail
prefix=$1
ports_dir=$2
shift 2
display=""
dpi=""
while [ $# -gt 0 ]; do
  case $1 in
    --display) display=--display; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    *) echo "wine-prefix.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
stamp="$prefix/.velmar-ready"
# Made before: only marked as up to date.
if [ -f "$stamp" ]; then
  touch "$stamp"
  exit 0
fi

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
rm -rf "$prefix"
mkdir -p "$prefix" "$ports_dir"
wineboot -i >/dev/null 2>&1
[ "$display" = --display ] || wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
[ -z "$dpi" ] || wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
reg_file="$prefix/ports.reg"
{
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  for n in $(seq 1 255); do printf '"COM%d"="%s/com%d"\n' "$n" "$ports_dir" "$n"; done
} >"$reg_file"
wine regedit /S "$reg_file" >/dev/null 2>&1
wineserver -w
touch "$stamp"
