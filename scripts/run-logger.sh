#!/usr/bin/env bash
# The logger's main job on the simulated instrument: builds what is needed, starts the
# instrument simulator on COM12 of a private Wine prefix, and runs the logger on it.
# The command line configures and starts the run. With a display the window and the live chart
# open on it; without one the run lasts one second (about ten polls) and the program ends by
# itself. Then the CSV it produced is printed.
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

log=$demo_dir/demo-$(date +%Y%m%d-%H%M%S).csv
# The switches set up and start the run by themselves, as a Startup-folder shortcut would.
run=(/port "COM$port" /baud 115200 /interval 100 /preset combo /log "$(win "$log")" /start)
if [ -n "${DISPLAY:-}" ]; then
  echo "Logging from the simulated instrument on COM$port into $log; close the window to end."
  wine build/windows/VelmarDataLogger.exe "${run[@]}" /chart
else
  wine build/windows/VelmarDataLogger.exe "${run[@]}" /duration 1s /close
fi
echo "--- $log"
cat "$log"
