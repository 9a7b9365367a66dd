#!/usr/bin/env bash
# Writes the README as DEST/README.html, with the pictures it shows under DEST/ at the same
# relative paths. Links to the developers' other files, which a package does not hold, become
# plain text.
# Usage: readme-html.sh DEST
set -euo pipefail
cd "$(dirname "$0")/.."
dest=$1
body=$(cmark-gfm -e table -e autolink README.md)
while read -r link; do
  case $link in
    *.png | *.jpg | *.gif | *.svg)
      [ -f "$link" ] || { echo "readme-html.sh: the README shows $link, which is missing" >&2; exit 1; }
      mkdir -p "$dest/$(dirname "$link")"
      cp "$link" "$dest/$link" ;;
    *)
      body=$(sed -E "s#<a href=\"${link//./\\.}\">([^<]*)</a>#\\1#g" <<<"$body") ;;
  esac
done < <(grep -oE '(src|href)="[^":#]+"' <<<"$body" | sed -E 's/^[a-z]+="(.*)"$/\1/' | LC_ALL=C sort -u)
{
  cat <<'EOF'
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>VelmarDataLogger</title>
<style>
body { font-family: "Segoe UI", sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.4; }
code, pre { font-family: Consolas, monospace; background: #f4f4f4; }
pre { padding: 0.6em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; vertical-align: top; }
img { max-width: 100%; }
</style>
</head>
<body>
EOF
  printf '%s\n' "$body"
  printf '</body>\n</html>\n'
} >"$dest/README.html"
