#!/bin/sh
# Self-extracting archive stub: extracts the ZIP archive behind this script
# with unzip. Behind the stub, which is padded to exactly STUB_SIZE bytes,
# comes the "MPV" header (flags, then caption, default folder, command line
# and message, each with a length byte), then the archive.
# Usage: sh program [target folder]
STUB_SIZE=8192
self=$0
byte() { od -An -tu1 -j "$1" -N 1 "$self" | tr -d ' \n'; }
text() { if [ "$2" -gt 0 ]; then dd if="$self" bs=1 skip="$1" count="$2" 2>/dev/null; fi; }
if [ "$(text "$STUB_SIZE" 3)" != "MPV" ]; then
  echo "$self: no self-extractor header behind the stub" >&2
  exit 2
fi
flags=$(byte $((STUB_SIZE + 3)))
pos=$((STUB_SIZE + 8))
c=$(byte "$pos"); caption=$(text $((pos + 1)) "$c"); pos=$((pos + 1 + c))
d=$(byte "$pos"); defdir=$(text $((pos + 1)) "$d"); pos=$((pos + 1 + d))
l=$(byte "$pos"); pos=$((pos + 1 + l))
m=$(byte "$pos"); message=$(text $((pos + 1)) "$m")
target=${1:-${defdir:-.}}
mode=
if [ $((flags & 8)) -ne 0 ]; then mode=-o; fi
if [ $((flags & 16)) -ne 0 ]; then mode=-n; fi
if [ -n "$message" ]; then printf '%s\n' "$message"; fi
if ! command -v unzip >/dev/null 2>&1; then
  echo "$self: unzip is needed to extract this archive" >&2
  exit 2
fi
mkdir -p "$target" || exit 1
unzip -q $mode "$self" -d "$target"
rc=$?
if [ "$rc" -eq 0 ] && [ $((flags & 128)) -eq 0 ]; then
  printf '%s\n' "${caption:-Self-extracting Archive}: extracted into $target"
fi
exit "$rc"
