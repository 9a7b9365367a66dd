#!/usr/bin/env bash
# The release, checked as a lab would meet it, under Wine in a prefix made fresh for this run:
# - scripts/package.sh writes the zip with exactly its files, the MSI and matching SHA256SUMS;
# - THIRD-PARTY-NOTICES.txt has a notice for every library in the executable's link map, and
#   a library linked later (OpenSSL) gets one, or stops the release when none is known;
# - a signature made with a throwaway certificate is read back and covers the file;
# - an older version's MSI installed silently, then the current one over it: one entry in
#   "Apps & features" with the current version, the installed program's version record, the
#   settings the older one stored kept, and a one-second run against the simulator with rows;
# - uninstalling removes the program and its shortcut and keeps the settings.
# Usage: tests/package/package-test.sh   (after scripts/build.sh; scripts/run-tests.sh runs it)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$root/build/package-test
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
step() { echo "--- $* ($SECONDS s)"; }
win() { printf 'Z:%s' "${1//\//\\}"; }

step "scripts/package.sh"
scripts/package.sh --out "$work/dist" >"$work/package.log" 2>&1 || { cat "$work/package.log" >&2; exit 1; }
grep -q "not signed" "$work/package.log" || fail "package.sh did not say that the packages are unsigned"
version=$(cat build/windows/version.txt)
name=VelmarDataLogger-$version-win64
pictures=$(grep -oE '\]\([^): ]+\.(png|jpg|gif|svg)\)' README.md | sed -E 's/^\]\((.*)\)$/\1/')
expected=$(printf '%s\n' VelmarDataLogger.exe README.html LICENSE.txt THIRD-PARTY-NOTICES.txt $pictures |
  LC_ALL=C sort -u)
actual=$(unzip -Z1 "$work/dist/$name.zip" | grep -v '/$' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "the zip holds $(echo $actual), not $(echo $expected)"
[ "$(cut -d' ' -f3 "$work/dist/SHA256SUMS" | LC_ALL=C sort | xargs)" = "$name.msi $name.zip" ] ||
  fail "SHA256SUMS does not name exactly the zip and the MSI"
(cd "$work/dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
mkdir "$work/unzipped"
unzip -q "$work/dist/$name.zip" -d "$work/unzipped"
grep -q '<h2>Download and install</h2>' "$work/unzipped/README.html" || fail "README.html has no Download and install"

step "notices against the link map"
notices=$work/notices.txt
tr -d '\r' <"$work/unzipped/THIRD-PARTY-NOTICES.txt" >"$notices"
map=build/windows/VelmarDataLogger.map
linked=$( { sed -n -E 's/^([^ ]+\.a)\([^()]*\)$/\1/p' "$map"; sed -n -E 's/^LOAD (.*\.o)$/\1/p' "$map"; } |
  xargs -n 1 basename | grep -v '^libvelmar_' | LC_ALL=C sort -u)
[ -n "$linked" ] || fail "no third-party library found in the link map"
named=" $(sed -n 's/^Linked: //p' "$notices" | tr '\n' ' ') "
for library in $linked; do
  [[ $named == *" $library "* ]] || fail "no notice names $library"
done
rule=$(printf '=%.0s' {1..78})
notice() {  # the text under the heading that starts with $1
  awk -v RS="\n$rule\n" -v title="$1" 'found { print; exit } index($0, title) == 1 { found = 1 }' "$notices"
}
[[ $(notice libmosquitto) == *"Eclipse Distribution License"* ]] || fail "libmosquitto's notice lacks the EDL"
[[ $(notice mingw-w64) == *winpthreads* ]] || fail "the mingw-w64 notice lacks winpthreads"
[[ $(notice nlohmann/json) == *"Niels Lohmann"* ]] || fail "no notice for nlohmann/json, compiled in from its headers"
# OpenSSL linked from a cache outside the build folder: its notice comes with it; an unknown
# library stops the release.
openssl_map=$work/openssl.map
sed '/^Archive member included/a\
/root/.cache/velmar/openssl/lib/libssl.a(ssl_lib.o)\
                              publish/libvelmar_publish.a(mosquitto_client.cpp.obj) (SSL_CTX_new)\
/root/.cache/velmar/openssl/lib/libcrypto.a(x509_d2.o)\
                              publish/libvelmar_publish.a(mosquitto_client.cpp.obj) (d2i_X509)' "$map" >"$openssl_map"
scripts/third-party-notices.sh build/windows "$openssl_map" >"$work/openssl-notices.txt" ||
  fail "no notices with OpenSSL linked"
grep -q '^OpenSSL$' "$work/openssl-notices.txt" && grep -q '^Linked: libcrypto.a libssl.a$' "$work/openssl-notices.txt" &&
  grep -q 'Apache License' "$work/openssl-notices.txt" || fail "OpenSSL's notice or its licence is missing"
sed 's#/root/.cache/velmar/openssl/lib/libssl.a#/opt/other/libother.a#' "$openssl_map" >"$work/unknown.map"
if scripts/third-party-notices.sh build/windows "$work/unknown.map" >/dev/null 2>"$work/unknown.err"; then
  fail "a library with no known notice did not stop the notices"
fi
grep -q "libother.a" "$work/unknown.err" || fail "the unknown library is not named: $(cat "$work/unknown.err")"

step "signing with a throwaway certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VelmarDataLogger test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
VELMAR_SIGN_CERT=$work/cert.pem VELMAR_SIGN_KEY=$work/key.pem scripts/package.sh --out "$work/signed" \
  >"$work/signed.log" 2>&1 || { cat "$work/signed.log" >&2; exit 1; }
unzip -q "$work/signed/$name.zip" VelmarDataLogger.exe -d "$work/signed"
# The certificate is its own root here: a verified chain shows the signature covers the bytes.
for file in "$work/signed/VelmarDataLogger.exe" "$work/signed/$name.msi"; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$work/verify.log" 2>&1 &&
    grep -q "Signature verification: ok" "$work/verify.log" ||
    { cat "$work/verify.log" >&2; fail "no valid signature on $(basename "$file")"; }
done
cp "$work/signed/VelmarDataLogger.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
  fail "the signature still verifies after the file changed"
fi
(cd "$work/signed" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the signed packages"

step "an older version's MSI"
IFS=. read -r major minor _ <<<"$version"
older=$major.$((minor - 1))
[ "$minor" -gt 0 ] || older=$((major - 1)).99
scripts/package.sh --version "$older" --out "$work/older" >"$work/older.log" 2>&1 ||
  { cat "$work/older.log" >&2; exit 1; }

step "a fresh Wine prefix"
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
ports=$work/ports
scripts/wine-prefix.sh "$WINEPREFIX" "$ports"
sim=""
trap 'kill $sim 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
# Services that the first client starts would hold our output open: none is attached.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1
build/native/tools/velmar-sim --link "$ports/com12" --lifetime 600 >/dev/null 2>&1 &
sim=$!
installed='C:\Program Files\VelmarDataLogger\VelmarDataLogger.exe'
settings='HKCU\Software\Local AppWizard-Generated Applications\VelmarDataLogger\Settings'
msiexec() { wine msiexec "$@" /qn </dev/null >/dev/null 2>&1; }
entries() {  # "DisplayName|DisplayVersion|Publisher" of each uninstall entry of ours
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { if (n == "VelmarDataLogger") print n "|" v "|" p; n = v = p = "" }
         $1 == "DisplayName" { n = $3 } $1 == "DisplayVersion" { v = $3 } $1 == "Publisher" { p = $3 }
         END { if (n == "VelmarDataLogger") print n "|" v "|" p }'
}
installed_version() { wine build/windows/velmar-fileversion.exe "$installed" 2>&1 | tr -d '\r'; }
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/VelmarDataLogger.lnk' 2>/dev/null; }
stored_log() {
  wine reg query "$settings" /v Filename 2>/dev/null | tr -d '\r' | sed -n -E 's/^ +Filename +REG_SZ +//p'
}
run() {  # the installed program for one second on the simulator, logging to $1
  wine "$installed" /port COM12 /baud 115200 /interval 100 /preset tec /log "$(win "$1")" \
    /start /duration 1s /close </dev/null >/dev/null 2>&1
}

step "installing $older, then $version over it"
msiexec /i "$(win "$work/older/VelmarDataLogger-$older-win64.msi")" || fail "the older MSI did not install"
[ "$(installed_version)" = "$older $older $older.0.0" ] || fail "the older program reads $(installed_version)"
run "$work/older.csv" || fail "the older program's run failed"
[ "$(stored_log)" = "$(win "$work/older.csv")" ] || fail "the older program stored no settings"
msiexec /i "$(win "$work/dist/$name.msi")" || fail "the current MSI did not install"
[ "$(entries)" = "VelmarDataLogger|$version|Velmar" ] ||
  fail "uninstall entries after the upgrade: $(entries | xargs) (want one, $version, Velmar)"
[ "$(installed_version)" = "$version $version $version.0.0" ] ||
  fail "the installed program's version record reads $(installed_version), not $version"
[ "$(stored_log)" = "$(win "$work/older.csv")" ] || fail "the upgrade lost the settings the older version stored"
[ "$(shortcuts | wc -l)" -eq 1 ] && grep -qa 'VelmarDataLogger.exe' "$(shortcuts)" ||
  fail "no Start-menu shortcut to the program"

step "the installed program's run"
run "$work/current.csv" || fail "the installed program's one-second run did not exit 0"
rows=$(grep -cE '^[0-9]+,[0-9]+,' "$work/current.csv" 2>/dev/null || true)
[ "${rows:-0}" -ge 3 ] || fail "the installed program logged ${rows:-no} rows in one second"

step "uninstalling"
msiexec /x "$(win "$work/dist/$name.msi")" || fail "uninstalling failed"
[ ! -e "$WINEPREFIX/drive_c/Program Files/VelmarDataLogger" ] || fail "the program's folder is still there"
[ -z "$(shortcuts)" ] || fail "the Start-menu shortcut is still there"
[ -z "$(entries)" ] || fail "the uninstall entry is still there"
[ "$(stored_log)" = "$(win "$work/current.csv")" ] || fail "uninstalling removed the user's settings"
[ -f "$work/current.csv" ] || fail "uninstalling removed the log"

kill $sim 2>/dev/null || true
wineserver -k 2>/dev/null || true
step "done: $failures failed"
[ $failures -ne 0 ] || rm -rf "$WINEPREFIX"
[ $failures -eq 0 ]
