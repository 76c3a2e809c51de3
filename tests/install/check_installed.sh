#!/usr/bin/env bash
# Checks an installed tilesweep as a user meets it: the layout under PREFIX, the tool
# finding its plug-in and render module there (also when called through a link, and
# failing in one line when they are missing), its frames equal to those of the build
# tree's tool, the man page, and melt and ffmpeg running the frei0r plug-ins from there.
# Usage: check_installed.sh (PREFIX | --install BUILD_DIR) VERSION REFERENCE_TOOL
#   PREFIX          the installed tree (/usr of an unpacked package, or an install prefix)
#   VERSION         the version the tool must report
#   REFERENCE_TOOL  the build tree's tilesweep, whose frames the installed one must equal
# --install BUILD_DIR in place of PREFIX installs BUILD_DIR into a temporary prefix.
set -euo pipefail
work=$(mktemp -d /tmp/tilesweep_installed_XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ "${1:-}" = --install ]; then
  cmake --install "$2" --prefix "$work/prefix" >/dev/null
  set -- "$work/prefix" "${@:3}"
fi
[ $# -eq 3 ] || { echo "usage: check_installed.sh (PREFIX | --install BUILD_DIR) VERSION REFERENCE_TOOL" >&2; exit 2; }
prefix=$(realpath "$1") version=$2 reference=$3
fail() { echo "check_installed: $*" >&2; exit 1; }
tool=$prefix/bin/tilesweep

# The layout: the program in bin/, the files it loads in lib/tilesweep/, the frei0r
# plug-ins in lib/frei0r-1/, Kdenlive's descriptions of them and documents under
# share/, and nothing else beside them.
for file in bin/tilesweep lib/tilesweep/tilesweep_render.so lib/tilesweep/TovelaTileSweep64.so \
  lib/tilesweep/TovelaTileSweep32.so lib/frei0r-1/tilesweep.so lib/frei0r-1/tilesweep_transition.so \
  share/man/man1/tilesweep.1.gz share/doc/tilesweep/copyright share/doc/tilesweep/changelog.gz \
  share/doc/tilesweep/doc/gallery/index.html share/doc/tilesweep/doc/gallery/mode.png \
  share/kdenlive/transitions/frei0r_tilesweep_transition.xml share/kdenlive/effects/frei0r_tilesweep.xml; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
stray=$(cd "$prefix" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' |
  grep -v -x -E 'bin/tilesweep|lib/tilesweep/[^/]+\.so|lib/frei0r-1/[^/]+\.so|share/.+' || true)
[ -z "$stray" ] || fail "installed out of place: $(echo $stray)"

# The tool: its version, and the files it found.
[ "$("$tool" --version)" = "tilesweep $version" ] || fail "--version says \"$("$tool" --version)\""
expected_about="tilesweep $version
plug-in: $prefix/lib/tilesweep/TovelaTileSweep64.so
render module: $prefix/lib/tilesweep/tilesweep_render.so"
mkdir "$work/elsewhere"
ln -s "$tool" "$work/elsewhere/tilesweep"
for caller in "$tool" "$work/elsewhere/tilesweep"; do
  about=$("$caller" about)
  [ "$(sed '1,/^$/d' <<<"$about")" = "$expected_about" ] || fail "$caller about says:
$about"
done

# Its frames, through the plug-in and direct, are the build tree's byte for byte.
look=(--size 96x64 --param "Completion=40" --param "Mode=Move2" --param "Order=Clockwise" --quiet)
"$reference" render -o "$work/reference.png" "${look[@]}"
"$tool" render -o "$work/installed.png" "${look[@]}"
"$work/elsewhere/tilesweep" render -o "$work/direct.png" --direct "${look[@]}"
for frame in installed direct; do
  cmp -s "$work/reference.png" "$work/$frame.png" || fail "the installed tool's $frame frame differs from the build tree's"
done

# Without its files beside or below it, the tool says so in one line.
mkdir "$work/alone"
cp "$tool" "$work/alone/tilesweep"
alone() {
  local rc=0
  "$work/alone/tilesweep" "$@" >/dev/null 2>"$work/alone.err" || rc=$?
  [ "$rc" = 1 ] && [ "$(wc -l <"$work/alone.err")" = 1 ] && grep -q "^tilesweep: cannot find the" "$work/alone.err" ||
    fail "$1 by a tool without its files: exit code $rc, $(cat "$work/alone.err")"
}
alone render -o "$work/alone.png"
alone about

# The man page formats and names this version.
MANWIDTH=80 man -P cat -l "$prefix/share/man/man1/tilesweep.1.gz" 2>/dev/null | grep -q "tilesweep $version" ||
  fail "the man page does not format or does not name tilesweep $version"

# melt and ffmpeg with the frei0r plug-ins from here: the filter's frame equals the
# tool's direct render of the same settings.
export FREI0R_PATH=$prefix/lib/frei0r-1
rgba() { ffmpeg -nostdin -v error -i "$1" -f rawvideo -pix_fmt rgba -; }
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=64x48:rate=1,format=rgba -frames:v 1 "$work/clip.png"
"$tool" render "$work/clip.png" -o "$work/wiped.png" --direct --depth 8 --param "Completion=40" --quiet
rgba "$work/wiped.png" >"$work/wiped.rgba"
ffmpeg -nostdin -v error -i "$work/clip.png" -vf frei0r=filter_name=tilesweep:filter_params=0.4 -pix_fmt rgba \
  "$work/ffmpeg.png"
rgba "$work/ffmpeg.png" | cmp -s - "$work/wiped.rgba" || fail "ffmpeg's frame through $FREI0R_PATH differs"
# melt now and then writes no frame at all on a busy machine: such a run is repeated.
for attempt in 1 2 3 4 5; do
  timeout 120 melt -silent "avformat:$work/clip.png" out=0 -filter frei0r.tilesweep Completion=0.4 \
    -profile square_pal -consumer "avformat:$work/melt_%d.png" vcodec=png pix_fmt=rgba mlt_image_format=rgba \
    real_time=0 width=64 height=48 >"$work/melt.log" 2>&1 </dev/null || true
  [ -f "$work/melt_1.png" ] && break
done
[ -f "$work/melt_1.png" ] || fail "melt wrote no frame: $(cat "$work/melt.log")"
rgba "$work/melt_1.png" | cmp -s - "$work/wiped.rgba" || fail "melt's frame through $FREI0R_PATH differs"
melt -query transitions 2>/dev/null | grep -qx '  - frei0r.tilesweep_transition' ||
  fail "melt does not find the transition in $FREI0R_PATH"

echo "installed in $prefix: layout, tool $version with its files there, frames, man page, melt and ffmpeg checked"
