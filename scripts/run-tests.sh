#!/usr/bin/env bash
# Every test: installs what is missing, builds, then runs the native tests and the Windows
# tests (unit, end-to-end and reliability) under Wine in the private prefix; beside them, the
# fuzzers (each for a short while) and the release's tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all
unset DISPLAY
# One wineserver for the whole suite, so no test pays for its start.
wineserver -p </dev/null >/dev/null 2>&1 || true  # already up is fine
side_log=$(mktemp)
side=""
trap 'wineserver -k 2>/dev/null || true; [ -z "$side" ] || kill "$side" 2>/dev/null || true; rm -f "$side_log"' EXIT
# The first Wine client starts the prefix's services, which inherit its output and outlive
# it; start them here with no output attached, or ctest would wait on them.
scripts/wine-run build/windows/velmar-portctl.exe only 2 3 7 12 13 </dev/null >/dev/null 2>&1
# The Windows tests mostly wait on timers and the wineserver, leaving the CPU idle: the fuzzers
# and the release's tests (packages, notices, signing, the MSI in a fresh prefix of its own)
# use it meanwhile, at the lowest priority, so the Wine tests' timing is not disturbed.
scripts/run-low-priority.sh bash -c '
  status=0
  { [ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null; } &&
    cmake --build --preset fuzz -j2 >/dev/null && ctest --preset fuzz -j2 || status=1
  tests/package/package-test.sh || status=1
  exit $status' >"$side_log" 2>&1 &
side=$!
status=0
ctest --preset native -j2 || status=1
ctest --preset windows || status=1
side_status=0
wait "$side" || side_status=1
side=""
cat "$side_log"
[ $side_status -eq 0 ] || status=1
exit $status
