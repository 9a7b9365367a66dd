#!/usr/bin/env bash
# Writes a deb-src entry beside each of the machine's own deb entries for its release: the same
# URIs, suites, components and keys, in the form each was written in (deb822 stanzas into
# sources.list.d/velmar-deb-src.sources, one-line entries into velmar-deb-src.list), so that
# apt-get source fetches from whatever mirror the machine is set up with.
# Usage: deb-src-from-deb.sh APT_DIR [CODENAME]   (APT_DIR is /etc/apt; without a codename,
# every suite is taken)
set -euo pipefail
apt_dir=$1 codename=${2:-}
out=$apt_dir/sources.list.d
shopt -s nullglob

one_line=() deb822=()
for file in "$apt_dir/sources.list" "$out"/*.list; do
  [ -f "$file" ] && [ "$file" != "$out/velmar-deb-src.list" ] && one_line+=("$file")
done
for file in "$out"/*.sources; do
  [ "$file" != "$out/velmar-deb-src.sources" ] && deb822+=("$file")
done

# A suite of this release: the codename itself or its -updates, -security, -backports ....
suite_match='
function ours(suite) { return codename == "" || suite == codename || index(suite, codename "-") == 1 }'

lines=$(cat /dev/null "${one_line[@]}" | awk -v codename="$codename" "$suite_match"'
$1 == "deb" {
  rest = substr($0, index($0, "deb") + 3)
  options = ""
  if (match(rest, /^[ \t]*\[[^]]*\]/)) { options = substr(rest, RSTART, RLENGTH); rest = substr(rest, RLENGTH + 1) }
  sub(/^[ \t]*/, "", options)
  n = split(rest, field, /[ \t]+/)
  first = field[1] == "" ? 2 : 1
  if (n < first + 1 || !ours(field[first + 1])) next
  line = "deb-src" (options == "" ? "" : " " options)
  for (i = first; i <= n; i++) if (field[i] != "") line = line " " field[i]
  print line
}')

stanzas=$(for file in "${deb822[@]}"; do cat "$file"; echo; done | awk -v codename="$codename" "$suite_match"'
function flush(   i, n, token, kept) {
  if (types ~ /(^|[ \t])deb([ \t]|$)/ && tolower(enabled) != "no") {
    n = split(suites, token, /[ \t]+/)
    kept = ""
    for (i = 1; i <= n; i++) if (token[i] != "" && ours(token[i])) kept = kept " " token[i]
    if (kept != "") {
      printf "%sTypes: deb-src\nSuites:%s\n%s", (printed++ ? "\n" : ""), kept, fields
    }
  }
  types = suites = enabled = fields = ""; key = ""
}
/^#/ { next }
/^[ \t]*$/ { flush(); next }
/^[ \t]/ { if (key != "types" && key != "suites" && key != "enabled") fields = fields $0 "\n"; next }
{
  key = tolower(substr($0, 1, index($0, ":") - 1))
  value = substr($0, index($0, ":") + 1)
  sub(/^[ \t]+/, "", value)
  if (key == "types") types = value
  else if (key == "suites") suites = value
  else if (key == "enabled") enabled = value
  else fields = fields $0 "\n"
}
END { flush() }')

[ -z "$lines" ] || printf '%s\n' "$lines" >"$out/velmar-deb-src.list"
[ -z "$stanzas" ] || printf '%s\n' "$stanzas" >"$out/velmar-deb-src.sources"
