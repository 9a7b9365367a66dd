#!/usr/bin/env bash
# Builds the release twice from this commit, in two clean build folders, and checks that the
# executable and the zip are the same bytes both times. (The MSI is not: each build gets a
# package code of its own, as Windows Installer wants.) Both builds are unsigned.
# Usage: check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
unset VELMAR_SIGN_CERT VELMAR_SIGN_KEY
# Both builds take the time of the commit checked out now, even if another is made meanwhile.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
first=build/reproducible-1 second=build/reproducible-2
rm -rf "$first" "$second"
for dir in "$first" "$second"; do
  scripts/package.sh --build-dir "$dir" --out "$dir/dist" >"$dir.log" 2>&1 ||
    { cat "$dir.log" >&2; echo "check-reproducible.sh: the build in $dir failed" >&2; exit 1; }
done
status=0
zip=$(cd "$first/dist" && echo VelmarDataLogger-*-win64.zip)
for file in package/stage/VelmarDataLogger.exe "dist/$zip"; do
  if cmp -s "$first/$file" "$second/$file"; then
    echo "same bytes: $(basename "$file") $(sha256sum <"$first/$file" | cut -d' ' -f1)"
  else
    echo "DIFFERENT: $first/$file and $second/$file" >&2
    status=1
  fi
done
[ $status -ne 0 ] || rm -rf "$first" "$second" "$first.log" "$second.log"
exit $status
