#!/usr/bin/env bash
# Creates the private Wine prefix the Windows tests run in, once.
# Usage: wine-prefix.sh PREFIX PORTS_DIR
# Registers the test COM ports at stable symlinks in PORTS_DIR (the tests own them) and
# blanks every other port, so a host's /dev/ttyS* never shows up in the port list.
set -euo pipefail
prefix=$1
ports_dir=$2
test_ports=(2 3 7 12 13)
stamp="$prefix/.velmar-ready"
[ -f "$stamp" ] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
rm -rf "$prefix"
mkdir -p "$prefix" "$ports_dir"
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
for n in $(seq 1 32); do
  target=""
  for t in "${test_ports[@]}"; do [ "$n" = "$t" ] && target="$ports_dir/com$n"; done
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$target" /f >/dev/null
done
wineserver -w
touch "$stamp"
