#!/bin/sh
# `make translations` with no text changed: every translation stays as it is, to the byte and
# to its time, so nothing built from it is rebuilt.
#   translations-unchanged.sh <lupdate> <sources.lst> <ts>...
set -eu
lupdate=$1 sources=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ts in "$@"; do
  cp -p "$ts" "$work/"
  touch -d '2001-01-01 00:00:00' "$work/$(basename "$ts")"
done
"$(dirname "$0")/../../scripts/translations" update "$lupdate" "$sources" "$work"/*.ts >/dev/null
for ts in "$@"; do
  copy="$work/$(basename "$ts")"
  cmp -s "$ts" "$copy" || { diff "$ts" "$copy" | head -20; echo "translations: $ts changed"; exit 1; }
  [ "$(stat -c %Y "$copy")" = "$(date -d '2001-01-01 00:00:00' +%s)" ] ||
    { echo "translations: $ts was written again"; exit 1; }
done
echo "translations: unchanged"
