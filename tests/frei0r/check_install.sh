#!/usr/bin/env bash
# The installed plug-ins are where frei0r hosts look (lib/frei0r-1 under the
# prefix) and each real host finds them there through FREI0R_PATH.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/tilesweep_frei0r_install_XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
export FREI0R_PATH=$prefix/lib/frei0r-1 GST_REGISTRY=$prefix/gst-registry.bin
for module in tilesweep tilesweep_transition; do
  test -f "$FREI0R_PATH/$module.so" || { echo "not installed: $FREI0R_PATH/$module.so"; exit 1; }
done
filters=$(melt -query filters 2>/dev/null)
transitions=$(melt -query transitions 2>/dev/null)
grep -qx '  - frei0r.tilesweep' <<<"$filters" || { echo "melt does not list the filter"; exit 1; }
grep -qx '  - frei0r.tilesweep_transition' <<<"$transitions" || { echo "melt does not list the transition"; exit 1; }
gst-inspect-1.0 frei0r-filter-tilesweep >/dev/null || { echo "GStreamer has no frei0r-filter-tilesweep"; exit 1; }
gst-inspect-1.0 frei0r-mixer-tilesweep-transition >/dev/null || { echo "GStreamer has no frei0r-mixer-tilesweep-transition"; exit 1; }
ffmpeg -nostdin -v error -f lavfi -i color=size=16x16:duration=0.04,format=rgba \
  -vf frei0r=filter_name=tilesweep:filter_params=0.5 -f null - || { echo "ffmpeg cannot load the filter"; exit 1; }
echo "installed in $prefix/lib/frei0r-1 and found by melt, GStreamer and ffmpeg"
