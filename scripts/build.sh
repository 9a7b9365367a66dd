#!/usr/bin/env bash
# Builds both halves: the native part (simulator, portable tests under the sanitizers) and the
# Windows part (the program, the Wine-run tests, the private Wine prefix). The fuzzers are
# built by scripts/run-tests.sh, which runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
cmake --build --preset native -j2
[ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
cmake --build --preset windows -j2
