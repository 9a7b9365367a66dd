#!/usr/bin/env bash
# Builds the program and writes the release to dist/: VelmarDataLogger-<version>-win64.zip (the
# executable, README.html with its pictures, LICENSE.txt, THIRD-PARTY-NOTICES.txt), the MSI
# installer VelmarDataLogger-<version>-win64.msi, and SHA256SUMS for both.
# Usage: package.sh [--version V] [--build-dir DIR] [--out DIR]
#   --version V     build as version V instead of the project's (an older package, to test an
#                   upgrade); it builds in build/windows-V unless --build-dir is given
#   --build-dir DIR the Windows build folder (build/windows, the README's build, by default)
#   --out DIR       where the packages go (dist/ by default)
# With VELMAR_SIGN_CERT and VELMAR_SIGN_KEY (PEM files; VELMAR_SIGN_KEY_PASSWORD if the key has
# one) the executable and the MSI are signed, with an RFC 3161 time stamp from
# VELMAR_SIGN_TIMESTAMP_URL when it is set. The executable and the zip are the same bytes
# whenever they are built unsigned from the same commit (scripts/check-reproducible.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
version_override="" build_dir="" out=$root/dist
while [ $# -gt 0 ]; do
  case $1 in
    --version) version_override=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "package.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$build_dir" ]; then
  build_dir=$root/build/windows
  [ -z "$version_override" ] || build_dir=$root/build/windows-$version_override
fi
mkdir -p "$build_dir" "$out"
build_dir=$(cd "$build_dir" && pwd) out=$(cd "$out" && pwd)

scripts/install-deps.sh
# Every time stamp in the packages is the commit's, so the same commit gives the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
# The override is always given, so a folder configured with one earlier builds what is asked now.
cmake --preset windows -B "$build_dir" -DVELMAR_VERSION_OVERRIDE="$version_override" >/dev/null
cmake --build "$build_dir" --target VelmarDataLogger -j2
version=$(cat "$build_dir/version.txt")
name=VelmarDataLogger-$version-win64

stage=$build_dir/package/stage
rm -rf "$build_dir/package"
mkdir -p "$stage"
cp "$build_dir/VelmarDataLogger.exe" "$stage/"
scripts/readme-html.sh "$stage"
# Notepad on older Windows shows a text file's lines only with CR LF.
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
scripts/third-party-notices.sh "$build_dir" | sed 's/$/\r/' >"$stage/THIRD-PARTY-NOTICES.txt"

sign() {
  local args=(-certs "$VELMAR_SIGN_CERT" -key "$VELMAR_SIGN_KEY" -n VelmarDataLogger -h sha256)
  [ -z "${VELMAR_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$VELMAR_SIGN_TIMESTAMP_URL")
  # The password goes through a pipe, never on a command line that others could list.
  if [ -n "${VELMAR_SIGN_KEY_PASSWORD:-}" ]; then
    osslsigncode sign "${args[@]}" -readpass <(printf '%s' "$VELMAR_SIGN_KEY_PASSWORD") \
      -in "$1" -out "$1.signed" >/dev/null
  else
    osslsigncode sign "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
  fi
  mv "$1.signed" "$1"
}
signing=""
if [ -n "${VELMAR_SIGN_CERT:-}" ] && [ -n "${VELMAR_SIGN_KEY:-}" ]; then
  signing=1
  sign "$stage/VelmarDataLogger.exe"
else
  echo "package.sh: not signed (set VELMAR_SIGN_CERT and VELMAR_SIGN_KEY to sign)" >&2
fi

# The zip: files in one order, with one time and one mode, and no extra Unix fields.
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
find "$stage" -type d -exec chmod 755 {} + && find "$stage" -type f -exec chmod 644 {} +
rm -f "$out/$name.zip" "$out/$name.msi" "$out/SHA256SUMS"
(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort |
   TZ=UTC zip -X -D -q "$out/$name.zip" -@)

# The MSI's documents are whatever was staged beside the executable. wixl takes only relative
# paths to the files it packs.
cp res/VelmarDataLogger.ico "$build_dir/package/"
(cd "$stage" && find . -type f ! -name VelmarDataLogger.exe | LC_ALL=C sort |
   wixl-heat --directory-ref INSTALLDIR --component-group Documents --var var.Stage -p ./ --win64) \
  >"$build_dir/package/documents.wxs"
IFS=. read -r major minor patch <<<"$version"
upgrade_below=$major.$minor.$((${patch:-0} + 1))
(cd "$build_dir/package" &&
   wixl -a x64 -D Version="$version" -D UpgradeBelow="$upgrade_below" -D Stage=stage -D Win64=yes \
     -D Icon=VelmarDataLogger.ico -o "$out/$name.msi" "$root/package/VelmarDataLogger.wxs" documents.wxs)
[ -z "$signing" ] || sign "$out/$name.msi"

(cd "$out" && sha256sum "$name.zip" "$name.msi" >SHA256SUMS)
echo "package.sh: $out/$name.zip, $out/$name.msi, $out/SHA256SUMS${signing:+ (signed)}"
