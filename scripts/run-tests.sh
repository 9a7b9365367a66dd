#!/usr/bin/env bash
# Every test: installs what is missing, builds, then runs the native tests and the Windows
# tests (unit, end-to-end and reliability) under Wine in the private prefix, the release's
# tests, then each fuzzer for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all
unset DISPLAY
# One wineserver for the whole suite, so no test pays for its start.
wineserver -p </dev/null >/dev/null 2>&1 || true  # already up is fine
trap 'wineserver -k 2>/dev/null || true' EXIT
# The first Wine client starts the prefix's services, which inherit its output and outlive
# it; start them here with no output attached, or ctest would wait on them.
scripts/wine-run build/windows/velmar-portctl.exe only 2 3 7 12 13 </dev/null >/dev/null 2>&1
status=0
ctest --preset native -j2 || status=1
ctest --preset windows || status=1
# The release: packages, notices, signing, and the MSI in a fresh prefix of its own.
tests/package/package-test.sh || status=1
ctest --preset fuzz -j2 || status=1
exit $status
