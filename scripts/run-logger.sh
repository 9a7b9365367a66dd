#!/usr/bin/env bash
# The logger's main job on the simulated instrument: builds what is needed, starts the
# instrument simulator on COM12 of a private Wine prefix, and runs the logger on it.
# With a display the window opens, ready to Start; without one a scripted session (Start,
# about ten polls, Stop, Close) runs and the CSV it produced is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/build.sh >/dev/null

port=12
ports_dir=$root/build/windows/ports
demo_dir=$root/build/demo
mkdir -p "$demo_dir"
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=$root/build/windows/wineprefix-display
  scripts/wine-prefix.sh "$WINEPREFIX" "$ports_dir" --display
else
  export WINEPREFIX=$root/build/windows/wineprefix
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
win() { printf 'Z:%s' "${1//\//\\}"; }

build/native/tools/velmar-sim --link "$ports_dir/com$port" --lifetime 3600 >/dev/null 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "$ports_dir/com$port" ] && break; sleep 0.05; done

wineserver -p </dev/null >/dev/null 2>&1 || true  # already up is fine
# The services this first client starts outlive it: keep them off our output.
wine build/windows/velmar-portctl.exe only 2 3 7 12 13 </dev/null >/dev/null 2>&1

if [ -n "${DISPLAY:-}" ]; then
  echo "COM$port is the simulated instrument: pick it, press a preset, name a log file, press Start."
  wine build/windows/VelmarDataLogger.exe
else
  log=$demo_dir/demo-$(date +%Y%m%d-%H%M%S).csv
  wine build/windows/velmar-driver.exe "$(win "$root/build/windows/VelmarDataLogger.exe")" "$port" "$(win "$log")" 10 100
  echo "--- $log"
  cat "$log"
fi
