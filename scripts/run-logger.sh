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

source scripts/simulated-port.sh
demo_dir=$root/build/demo
mkdir -p "$demo_dir"
if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=$root/build/windows/wineprefix-display
  scripts/wine-prefix.sh "$WINEPREFIX" "$ports_dir" --display
else
  export WINEPREFIX=$root/build/windows/wineprefix
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'kill ${sim:-} 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
start_simulated_port 3600

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
