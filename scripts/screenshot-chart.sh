#!/usr/bin/env bash
# Takes docs/live-chart.png: the live chart during a run of the Combo preset on the simulated
# instrument, on a virtual X display, as it first opens: beside the main window, at its default size.
# With "limits": docs/chart-limits.png, the same with limits on two columns that the simulated
# values cross.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
picture=docs/live-chart.png
limits=()
if [ "${1:-}" = limits ]; then
  picture=docs/chart-limits.png
  limits=(/limit "Laser Current=149.70..149.745" /limit "TEC Sensor T=24.9..24.998")
fi
scripts/build.sh >/dev/null
source scripts/simulated-port.sh
export WINEPREFIX=$root/build/windows/wineprefix-display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${sim:-} $xvfb 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
scripts/wine-prefix.sh "$WINEPREFIX" "$ports_dir" --display
start_simulated_port 120
# The chart as a new user first sees it: no placement or choices remembered.
wine reg delete 'HKCU\Software\Local AppWizard-Generated Applications\VelmarDataLogger\Chart' /f >/dev/null 2>&1 || true
log=$root/build/demo/screenshot.csv
mkdir -p "$(dirname "$log")"
rm -f "$log"
wine build/windows/VelmarDataLogger.exe /port COM$port /baud 115200 /interval 100 /preset combo \
  /log "$(win "$log")" /start /chart /duration 40s /close "${limits[@]}" &
logger=$!
sleep "${VELMAR_SHOT_AFTER:-30}"
# The chart window's own rectangle on the screen.
geometry=$(xwininfo -name "Live Chart - Velmar Simple Data Logger" |
  awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
       END {printf "%dx%d+%d+%d", w, h, x, y}')
xwd -root -silent | convert xwd:- -crop "$geometry" +repage "$picture"
wait $logger || true
echo "$picture"
