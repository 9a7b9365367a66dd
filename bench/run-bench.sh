#!/usr/bin/env bash
# Benchmark: the logger under Wine against a pyserial reference logger, both polling the same
# simulated instrument. Prints one table of medians and 95th percentiles; see bench/README.md.
# Usage: bench/run-bench.sh [--delay MS] [--fast N] [--slow N] [--silent N]
# VELMAR_BENCH_NO_BUILD=1 skips scripts/build.sh; VELMAR_BENCH_NATIVE_DIR and
# VELMAR_BENCH_WINDOWS_DIR measure builds other than build/native and build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PYTHONDONTWRITEBYTECODE=1  # no __pycache__ in the source tree

# The reference logger is what a lab user has: Debian's interpreter and its pyserial.
if ! /usr/bin/python3 -c 'import serial' 2>/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq python3-serial >/dev/null
fi
[ -n "${VELMAR_BENCH_NO_BUILD:-}" ] || scripts/build.sh >/dev/null
native_dir=${VELMAR_BENCH_NATIVE_DIR:-$root/build/native}
windows_dir=${VELMAR_BENCH_WINDOWS_DIR:-$root/build/windows}

# A prefix of its own: another job's programs and wineserver would share the CPU counted here.
bench_dir=$root/build/bench
ports_dir=$bench_dir/ports
export WINEPREFIX=$bench_dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
scripts/wine-prefix.sh "$WINEPREFIX" "$ports_dir"

# A persistent server: one start-up for all runs, none of it inside a measured run.
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wine "$windows_dir/velmar-portctl.exe" only 12

/usr/bin/python3 bench/bench.py --sim "$native_dir/tools/velmar-sim" --windows-dir "$windows_dir" \
  --prefix "$WINEPREFIX" --ports "$ports_dir" --work "$bench_dir/last-run" "$@"
