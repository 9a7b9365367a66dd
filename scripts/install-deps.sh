#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine
# lacks, and the source entries the build fetches libmosquitto's source from. Needs root (or
# sudo) only when something is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64 wine wine64
  clang libclang-rt-14-dev
  xvfb x11-apps imagemagick python3-serial
  dpkg-dev mosquitto mosquitto-clients libmosquitto-dev nlohmann-json3-dev
  make perl openssl
  wixl msitools cmark-gfm zip unzip osslsigncode
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
updated=""
# libmosquitto is built from Debian's source package, which apt-get source finds only with a
# deb-src entry: one beside each of the machine's own deb entries, from the same mirror.
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  echo "Adding deb-src entries beside the deb entries for ${codename:-every suite}"
  $sudo "$(dirname "$0")/deb-src-from-deb.sh" /etc/apt "$codename"
  $sudo apt-get update -qq
  updated=1
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
[ -n "$updated" ] || $sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
