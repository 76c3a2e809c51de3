#!/usr/bin/env bash
# The picture gallery stays working and in step with the tool: scripts/gallery makes
# the small gallery (the same sheets, with the same settings, as the committed one, at
# a third of its size), the committed doc/gallery is what the script makes now byte for
# byte, and the comparison catches a committed gallery that has drifted.
# Usage: check_gallery.sh TOOL
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: check_gallery.sh TOOL" >&2; exit 2; }
tool=$(realpath "$1")
cd "$(dirname "$0")/../.."
work=$(mktemp -d /tmp/tilesweep_gallery_XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_gallery: $*" >&2; exit 1; }
# In a sanitizer build the tool runs some twenty times here; LeakSanitizer's scan at
# its exit was seen, under load, to crash in its own tracer while the image library's
# worker threads wound down ("Tracer caught signal 11"). The tool's leaks are its own
# tests' business; here only its pictures count.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
names() { (cd "$1" && ls | LC_ALL=C sort | tr '\n' ' '); }
width() { file -b "$1" | sed -n 's/^PNG image data, \([0-9]*\) x [0-9]*,.*/\1/p'; }

scripts/gallery --tool "$tool" --size small --out "$work/small" >/dev/null || fail "scripts/gallery --size small failed"
[ "$(names "$work/small")" = "$(names doc/gallery)" ] ||
  fail "the small gallery holds $(names "$work/small"), doc/gallery $(names doc/gallery)"
cmp -s "$work/small/index.html" doc/gallery/index.html ||
  fail "the small gallery's index.html differs from doc/gallery's: its sheets or settings changed"
sheets=0
for sheet in doc/gallery/*.png; do
  full=$(width "$sheet")
  small=$(width "$work/small/${sheet##*/}")
  [ -n "$full" ] && [ -n "$small" ] && ((small > 0 && 2 * small < full)) ||
    fail "${sheet##*/}: $small pixels wide in the small gallery, $full in doc/gallery"
  sheets=$((sheets + 1))
done
((sheets >= 6)) || fail "doc/gallery holds $sheets sheets"

scripts/gallery --tool "$tool" --check >/dev/null || fail "doc/gallery is not in step with the tool"

cp -r doc/gallery "$work/drifted"
printf 'x' >>"$work/drifted/mode.png"
rm "$work/drifted/order.png"
if scripts/gallery --tool "$tool" --check --out "$work/drifted" 2>"$work/drifted.err" >/dev/null; then
  fail "a drifted gallery passed the check"
fi
grep -q 'mode.png is not' "$work/drifted.err" && grep -q 'order.png is not' "$work/drifted.err" ||
  fail "the check of a drifted gallery said: $(cat "$work/drifted.err")"
echo "gallery: the small gallery is made; doc/gallery ($sheets sheets) is in step with the tool; drift is caught"
