#!/usr/bin/env bash
# Builds a library for mingw-w64 from its Debian source package, once per machine: the result
# is kept outside the clone, under ${XDG_CACHE_HOME:-~/.cache}/velmar-deps, in a folder named by
# the package's version, the compiler's version and the build's options, so fresh clones and
# other build trees on the same machine take it from there. Prints that folder (include/, lib/).
# Two builds at once are safe: one builds under a lock while the other waits, and a result
# appears under its name only when complete (built in a folder of its own, then renamed).
# Usage: cached-dependency.sh openssl|mosquitto
set -euo pipefail
package=$1
here=$(cd "$(dirname "$0")" && pwd)
cross=x86_64-w64-mingw32-
cc=${cross}gcc-posix
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velmar-deps

# The version apt-get source would fetch, read from the machine's own source lists.
source_version() {
  apt-get source --print-uris -qq "$1" 2>/dev/null |
    sed -n "s/^'[^']*' $1_\(.*\)\.dsc .*/\1/p" | head -n 1
}

# The compiler's version as its Debian package gives it (a rebuilt compiler changes it too).
compiler_version() {
  local binary owner
  binary=$(readlink -f "$(command -v "$cc")")
  owner=$(dpkg-query -S "$binary" 2>/dev/null | head -n 1 | cut -d: -f1) || true
  if [ -n "$owner" ]; then
    echo "gcc-$(dpkg-query -W -f='${Version}' "$owner")"
  else
    echo "gcc-$("$cc" -dumpfullversion)"
  fi
}

# The program sets up its TLS itself: no configuration file, engine or module of the machine's
# is ever loaded. Install folders stay OpenSSL's defaults for Windows, never this machine's. A
# TLS 1.2 and 1.3 client needs none of the old or regional ciphers, datagrams, PSK or the
# message formats beyond X.509 (OCSP stays: libmosquitto refers to it); left out, the program
# is 0.7 MB smaller.
openssl_options=(mingw64 "--cross-compile-prefix=$cross" CC=gcc-posix
  no-shared no-tests no-engine no-module no-dso no-autoload-config
  no-legacy no-ssl3 no-dtls no-srp no-psk no-comp no-cms no-ts no-ct no-cmp no-dsa no-des no-idea no-seed
  no-aria no-bf no-camellia no-cast no-gost no-md4 no-mdc2 no-rc2 no-rc4 no-rc5 no-rmd160 no-scrypt
  no-siphash no-siv no-sm2 no-sm3 no-sm4 no-whirlpool no-ocb)
mosquitto_options=(-DCMAKE_BUILD_TYPE=Release -DWITH_TLS=ON -DWITH_TLS_PSK=OFF -DWITH_EC=ON
  -DWITH_THREADING=OFF -DWITH_SOCKS=OFF -DWITH_STATIC_LIBRARIES=ON -DWITH_LIB_CPP=OFF
  -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF
  -DDOCUMENTATION=OFF)

version=$(source_version "$package")
# Without a source entry apt knows no version: install-deps.sh adds one.
[ -n "$version" ] || { "$here/install-deps.sh" >&2 && version=$(source_version "$package"); }
[ -n "$version" ] || { echo "cached-dependency: apt knows no source package $package" >&2; exit 1; }
case $package in
  openssl) options=("${openssl_options[@]}") ;;
  mosquitto)
    openssl=$("$0" openssl)
    options=("${mosquitto_options[@]}" "openssl=$(basename "$openssl")") ;;
  *) echo "cached-dependency: no recipe for $package" >&2; exit 1 ;;
esac
recipe=$(printf '%s\n' "${options[@]}" | sha256sum | cut -c1-10)
key="$package-$version-$(compiler_version)-$recipe"
result=$cache/$key
if [ -f "$result/.complete" ]; then echo "$result"; exit 0; fi

"$here/install-deps.sh" >&2
mkdir -p "$cache"
exec 9>"$cache/$key.lock"
flock 9
if [ -f "$result/.complete" ]; then echo "$result"; exit 0; fi

# Under the lock, a folder left by an interrupted build of this key is stale.
rm -rf "$cache/.building-$key".*
work=$(mktemp -d "$cache/.building-$key.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
log=$work/build.log
echo "Building $package $version for mingw-w64 into $cache (once per machine; log: $log)" >&2
"$here/fetch-debian-source.sh" "$package" "$work/source" "$version" >"$log" 2>&1 ||
  { cat "$log" >&2; exit 1; }
prefix=$work/result
mkdir -p "$work/build" "$prefix/include" "$prefix/lib"
# Each step only after the one before it worked.
build() {
  case $package in
    openssl)
      cd "$work/build" &&
        "$work/source/Configure" "${openssl_options[@]}" &&
        # Only the libraries and their headers (the generated ones too): no programs or manuals.
        make -j2 build_libs &&
        mkdir -p "$prefix/include/openssl" &&
        cp "$work/source/include/openssl/"*.h "$work/build/include/openssl/"*.h "$prefix/include/openssl/" &&
        cp "$work/build/libcrypto.a" "$work/build/libssl.a" "$prefix/lib/" ;;
    mosquitto)
      # On Windows the search looks for the libraries under names of its own.
      cmake -S "$work/source" -B "$work/build" -G Ninja "${mosquitto_options[@]}" \
          -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64.cmake" -DOPENSSL_INCLUDE_DIR="$openssl/include" \
          -DLIB_EAY="$openssl/lib/libcrypto.a" -DSSL_EAY="$openssl/lib/libssl.a" &&
        cmake --build "$work/build" -j2 --target libmosquitto_static &&
        cp "$work/source/include/mosquitto.h" "$work/source/include/mqtt_protocol.h" "$prefix/include/" &&
        cp "$work/build/lib/libmosquitto_static.a" "$prefix/lib/libmosquitto.a" ;;
  esac
}
if ! (build) >>"$log" 2>&1; then
  cp "$log" "$cache/$key.failed.log"
  tail -n 40 "$log" >&2
  echo "cached-dependency: building $package failed; the whole log is $cache/$key.failed.log" >&2
  exit 1
fi
echo "$version" >"$prefix/.complete"
mv -T "$prefix" "$result"
echo "$result"
