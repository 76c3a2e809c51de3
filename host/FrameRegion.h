// Where a frame's worlds lie in the layer. A host may ask for only part of the layer
// (a zoomed viewer, a region of interest, a layer partly outside the composition);
// the wipe is still laid over the whole layer, so that every region shows exactly
// its pixels of the whole-layer frame. For such a request the pre-render also checks
// out the whole layer under an id of its own, and the render draws the output as a
// window onto the frame over the whole layer. So does an output the host made larger
// than the layer.
#pragma once

#include "AE_HostApi.h"

namespace tilesweep::plugin {

constexpr A_long kRequestCheckoutId = 0;
constexpr A_long kWholeLayerCheckoutId = 1;

struct FrameRegion {
    // 1: the output is a window onto the frame over the whole layer. 0: the output
    // world covers exactly the whole layer, as the request's input world does.
    A_u_char cutFromLayer;
    A_long layerCheckoutId;  // the checkout whose world holds the whole layer
    PF_LRect layer;          // what that world covers
    PF_LRect output;         // what the output world covers
};

inline bool sameRect(const PF_LRect& a, const PF_LRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline bool isEmptyRect(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

// An empty inner rectangle is held by anything.
inline bool holdsRect(const PF_LRect& outer, const PF_LRect& inner) {
    return isEmptyRect(inner) || (outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
                                  outer.bottom >= inner.bottom);
}

inline PF_LRect intersectRects(const PF_LRect& a, const PF_LRect& b) {
    const PF_LRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                     a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return isEmptyRect(r) ? PF_LRect{0, 0, 0, 0} : r;
}

}  // namespace tilesweep::plugin
