#!/usr/bin/env bash
# The deb-src entries come from the machine's own deb entries, in both of apt's forms, and the
# scripts name no package host of their own.
set -euo pipefail
scripts=$1
apt=$(mktemp -d)
trap 'rm -rf "$apt"' EXIT
mkdir "$apt/sources.list.d"
# Made-up hosts: the entries are the script's input, never a source of the project's.
mirror=http://mirror.example old=http://old.example off=http://off.example vendor=https://vendor.example
cat >"$apt/sources.list" <<EOF
# deb $old/debian bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/a.gpg] $mirror/debian bookworm main contrib
  deb	$mirror/debian  bookworm-updates main
deb $vendor/apt cloud-sdk-bookworm main
EOF
cat >"$apt/sources.list.d/debian.sources" <<EOF
Types: deb
# a comment
URIs: $mirror/debian
Suites: bookworm bookworm-updates trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb deb-src
URIs: $mirror/debian-security
Suites: bookworm-security
Components: main non-free
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----

Types: deb
Enabled: no
URIs: $off/debian
Suites: bookworm
Components: main
EOF
cat >"$apt/sources.list.d/vendor.sources" <<EOF
Types: deb
URIs: $vendor/node
Suites: nodistro
Components: main
EOF

"$scripts/deb-src-from-deb.sh" "$apt" bookworm

expected_list="deb-src [arch=amd64 signed-by=/usr/share/keyrings/a.gpg] $mirror/debian bookworm main contrib
deb-src $mirror/debian bookworm-updates main"
expected_sources="Types: deb-src
Suites: bookworm bookworm-updates
URIs: $mirror/debian
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
Suites: bookworm-security
URIs: $mirror/debian-security
Components: main non-free
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----"
status=0
[ "$(cat "$apt/sources.list.d/velmar-deb-src.list")" = "$expected_list" ] ||
  { echo "one-line entries:"; cat "$apt/sources.list.d/velmar-deb-src.list"; status=1; }
[ "$(cat "$apt/sources.list.d/velmar-deb-src.sources")" = "$expected_sources" ] ||
  { echo "deb822 entries:"; cat "$apt/sources.list.d/velmar-deb-src.sources"; status=1; }
if grep -nE '(URIs:|deb(-src)?)[[:space:]]+(\[[^]]*\][[:space:]]+)?[a-z+]+://' "$scripts"/*.sh; then
  echo "a script names a package host"
  status=1
fi
exit $status
