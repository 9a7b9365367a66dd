#!/usr/bin/env bash
# Fetches and unpacks a Debian source package (with Debian's patches applied) into DEST, once:
# a DEST that holds an unpacked source is kept, so rebuilds do not fetch again. VERSION, when
# given, is the one fetched.
set -euo pipefail
package=$1 dest=$2 version=${3:-}
[ -f "$dest/.velmar-fetched" ] && exit 0
"$(dirname "$0")/install-deps.sh"
mkdir -p "$(dirname "$dest")"
work=$(mktemp -d "${dest%/}.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq "$package${version:+=$version}" >/dev/null 2>&1) ||
  (cd "$work" && apt-get source "$package${version:+=$version}")
unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
[ -n "$unpacked" ] || { echo "fetch-debian-source: no unpacked $package in $work" >&2; exit 1; }
rm -rf "$dest"
mv "$unpacked" "$dest"
touch "$dest/.velmar-fetched"
