#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer at once for SECONDS (default 600) on the working
# corpus in build/fuzz, which keeps growing from run to run; the committed seeds stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

out=build/fuzz/fuzz
declare -A pids
for target in int_text_fuzz reply_reader_fuzz registry_value_fuzz; do
  mkdir -p "$out/corpus/$target" "$out/artifacts/$target"
  cp -r "fuzz/corpus/$target/." "$out/corpus/$target/"
  options=(-max_total_time="$seconds" -timeout=10 -artifact_prefix="$out/artifacts/$target/")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  "$out/$target" "${options[@]}" "$out/corpus/$target" >"$out/artifacts/$target/long.log" 2>&1 &
  pids[$target]=$!
done

status=0
for target in "${!pids[@]}"; do
  if wait "${pids[$target]}"; then
    echo "$target: $(grep -E '^Done ' "$out/artifacts/$target/long.log")"
  else
    echo "$target: FAILED, see $out/artifacts/$target/long.log"
    status=1
  fi
done
exit $status
