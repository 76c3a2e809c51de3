// The engine's own image operations, with the behaviour the frame pipeline relies
// on from the host's copy, fill and transfer_rect. Images hold alpha, red, green,
// blue per pixel, straight (unassociated) colour, at the depth given.
#pragma once

#include <cstdint>

#include "WipeTypes.h"

namespace tilesweep {

// Writes the source rectangle of `source` into the destination rectangle of
// `destination`, scaled to fit when the sizes differ. Null rectangles mean the whole
// image. Pixels outside the destination rectangle stay untouched. Returns 0.
int32_t copyImage(PixelDepth depth, const ImageView& source, const ImageView& destination,
                  const Rect* sourceRect, const Rect* destinationRect);

// Makes every pixel of the rectangle (null: the whole image) transparent black.
int32_t fillImage(PixelDepth depth, const ImageView& destination, const Rect* rect);

// Composites the source rectangle onto `destination` with its top-left corner at
// (x, y), by the composite mode; what falls outside the destination is clipped.
// `alphaPremultiplied` is carried for the host's signature and does not change the
// arithmetic: our images are straight throughout.
int32_t transferRect(PixelDepth depth, const ImageView& source, const Rect& sourceRect,
                     const CompositeMode& mode, int32_t x, int32_t y,
                     const ImageView& destination, bool alphaPremultiplied = false);

}  // namespace tilesweep
