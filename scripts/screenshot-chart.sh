#!/usr/bin/env bash
# Takes docs/live-chart.png: the main window and the live chart during a run of the Combo preset
# on the simulated instrument, on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/build.sh >/dev/null
source scripts/simulated-port.sh
export WINEPREFIX=$root/build/windows/wineprefix-display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${sim:-} $xvfb 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
scripts/wine-prefix.sh "$WINEPREFIX" "$ports_dir" --display
start_simulated_port 120
# The chart where the picture is taken, at a size that gives its fourteen lanes room.
key='HKCU\Software\Local AppWizard-Generated Applications\VelmarDataLogger\Chart'
for value in X=0 Y=0 Width=1100 Height=860 Maximized=0 TimeWindow=0; do
  wine reg add "$key" /v "${value%%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
done
log=$root/build/demo/screenshot.csv
mkdir -p "$(dirname "$log")"
rm -f "$log"
wine build/windows/VelmarDataLogger.exe /port COM$port /baud 115200 /interval 100 /preset combo \
  /log "$(win "$log")" /start /chart /duration 40s /close &
logger=$!
sleep "${VELMAR_SHOT_AFTER:-30}"
xwd -root -silent | convert xwd:- -crop 1100x860+0+0 +repage docs/live-chart.png
wait $logger || true
echo "docs/live-chart.png"
