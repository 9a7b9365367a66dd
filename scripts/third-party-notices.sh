#!/usr/bin/env bash
# Prints the notices of every third-party library in the executable, each from Debian's
# copyright file of the source package it was built from.
# What is in the executable: every archive the linker took a member from and every object it
# loaded (its map), and every header the compiler read for the executable's objects (ninja's
# record), which brings in header-only libraries. Files under /usr are looked up with dpkg;
# archives our build makes from a Debian source package are named below. Anything else that
# is not our own stops the release, so no library goes out without its notice.
# Usage: third-party-notices.sh BUILD_DIR [MAP]   (MAP: BUILD_DIR/VelmarDataLogger.map)
set -euo pipefail
build_dir=$(realpath -s "$1")
map=${2:-$build_dir/VelmarDataLogger.map}

# Archives our build makes from Debian source packages: the source package, then binary
# packages of that source whose installed copyright file carries the notice.
built_from_source() {
  case $1 in
    libmosquitto*.a) echo "mosquitto libmosquitto1 mosquitto" ;;
    libssl.a | libcrypto.a) echo "openssl libssl3 openssl" ;;
  esac
}
# Names for the people who read the notices.
title() {
  case $1 in
    mingw-w64) echo "mingw-w64 runtime (C runtime, winpthreads, Windows import libraries and headers)" ;;
    gcc-mingw-w64) echo "GCC runtime libraries (libgcc, libstdc++)" ;;
    mosquitto) echo "libmosquitto" ;;
    nlohmann-json3) echo "nlohmann/json" ;;
    openssl) echo "OpenSSL" ;;
    *) echo "$1" ;;
  esac
}

[ -f "$map" ] || { echo "third-party-notices.sh: no link map $map" >&2; exit 1; }
# The map's paths are relative to the build folder, with ".." left in.
normal() { (cd "$build_dir" && LC_ALL=C sort -u | xargs -r -d '\n' realpath -s -m | LC_ALL=C sort -u); }
linked=$( {
  sed -n '/^Archive member included/,/^Discarded input sections/p' "$map" |
    sed -n -E 's/^([^ ]+\.a)\([^()]*\)$/\1/p'
  sed -n -E 's/^LOAD (.*\.(o|obj))$/\1/p' "$map"
} | normal)
objects=$(ninja -C "$build_dir" -t inputs VelmarDataLogger | grep -E '\.obj$' || true)
headers=""
[ -z "$objects" ] ||
  headers=$(cd "$build_dir" && ninja -t deps $objects | sed -n -E 's/^    (\/usr\/.*)$/\1/p' | normal)

declare -A files_of_source=() doc_of_source=()
add() {  # source package, binary package with the copyright file, what of it is in the executable
  files_of_source[$1]+=" $3"
  [ -n "${doc_of_source[$1]:-}" ] || doc_of_source[$1]=$2
}
own=$build_dir
unknown=()
system=()
while read -r file; do
  [ -n "$file" ] || continue
  case $file in
    /usr/*) system+=("$file"); continue ;;
  esac
  packages=$(built_from_source "$(basename "$file")")
  if [ -n "$packages" ]; then
    source=${packages%% *}
    for package in ${packages#* }; do
      [ -f "/usr/share/doc/$package/copyright" ] && { add "$source" "$package" "$(basename "$file")"; break; }
    done
    [ -n "${doc_of_source[$source]:-}" ] ||
      { echo "third-party-notices.sh: install one of ${packages#* } for the notice of $file" >&2; exit 1; }
  elif [[ $file == "$own"/* && $(basename "$file") =~ ^(libvelmar_.*\.a|.*\.(obj|res))$ ]]; then
    :  # our own
  else
    unknown+=("$file")
  fi
done <<<"$linked"
[ ${#unknown[@]} -eq 0 ] ||
  { printf 'third-party-notices.sh: no notice known for %s\n' "${unknown[@]}" >&2; exit 1; }

# dpkg -S answers "package: path" for each file it knows.
declare -A owner=()
while read -r package file; do
  owner[$file]=$package
done < <( { [ ${#system[@]} -eq 0 ] || dpkg -S "${system[@]}"; [ -z "$headers" ] || dpkg -S $headers; } 2>/dev/null |
  sed -n -E 's/^([^ :,]+)(:[a-z0-9]+)?: (\/.*)$/\1 \3/p')
for file in "${system[@]}"; do
  [ -n "${owner[$file]:-}" ] || unknown+=("$file")
done
[ ${#unknown[@]} -eq 0 ] ||
  { printf 'third-party-notices.sh: no Debian package holds %s\n' "${unknown[@]}" >&2; exit 1; }
for file in "${system[@]}"; do
  add "$(dpkg-query -W -f='${source:Package}' "${owner[$file]}")" "${owner[$file]}" "$(basename "$file")"
done
for package in $(for file in $headers; do echo "${owner[$file]:-}"; done | LC_ALL=C sort -u); do
  add "$(dpkg-query -W -f='${source:Package}' "$package")" "$package" "headers:$package"
done

cat <<'EOF'
VelmarDataLogger includes the following third-party software. Each notice below is the
copyright file that Debian ships with the package the library was built from; the licences
those files refer to by their place on a Debian system follow at the end.
EOF
rule=$(printf '=%.0s' {1..78})
sources=$(printf '%s\n' "${!files_of_source[@]}" | LC_ALL=C sort)
for source in $sources; do
  package=${doc_of_source[$source]}
  libraries=$(tr ' ' '\n' <<<"${files_of_source[$source]}" | grep -v '^headers:' | LC_ALL=C sort -u | xargs)
  header_packages=$(tr ' ' '\n' <<<"${files_of_source[$source]}" | sed -n 's/^headers://p' | LC_ALL=C sort -u | xargs)
  printf '\n%s\n%s\n' "$rule" "$(title "$source")"
  printf 'Debian source package: %s (the copyright file of %s %s)\n' "$source" "$package" \
    "$(dpkg-query -W -f='${Version}' "$package")"
  [ -z "$libraries" ] || printf 'Linked: %s\n' "$libraries"
  [ -z "$header_packages" ] || printf 'Compiled in from the headers of: %s\n' "$header_packages"
  printf '%s\n\n' "$rule"
  cat "/usr/share/doc/$package/copyright"
done

# Debian's copyright files name common licences by path instead of quoting them.
licences=$(for source in $sources; do cat "/usr/share/doc/${doc_of_source[$source]}/copyright"; done |
  grep -oE '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+]' | LC_ALL=C sort -u)
declare -A shown=()
for licence in $licences; do
  file=$(realpath -e "$licence" 2>/dev/null) || continue
  [ -z "${shown[$file]:-}" ] || continue
  shown[$file]=1
  printf '\n%s\n%s (%s)\n%s\n\n' "$rule" "$(basename "$file")" "$file" "$rule"
  cat "$file"
done
