// Where the image lies under the block grid. The grid is laid over the whole input
// buffer at full resolution, so that every viewer resolution shows the same blocks,
// order and timing; at a reduced resolution the image holds every n-th pixel of the
// buffer (a host's draft subsampling). Mask paths come in the layer's coordinates at
// full resolution, and the buffer need not start at the layer's corner.
#pragma once

#include <cstdint>

namespace tilesweep {

// Image pixels per full-resolution pixel along one axis (the host's downsample
// factor, 1/2 at Half resolution).
struct PixelScale {
    int32_t numerator = 1;
    int32_t denominator = 1;
};

struct FrameGeometry {
    int32_t gridWidth = 0;  // the buffer's size at full resolution
    int32_t gridHeight = 0;
    PixelScale scaleX;
    PixelScale scaleY;
    // The buffer's top-left corner in the layer at full resolution: taken off mask
    // path points to place them over the grid.
    double originX = 0.0;
    double originY = 0.0;
};

// A buffer seen at full resolution with its corner at the layer's.
FrameGeometry fullResolution(int32_t width, int32_t height);

bool isUnitScale(const PixelScale& scale);
// Both terms positive and no enlargement beyond 1:1.
bool isValidScale(const PixelScale& scale);

// The first image pixel at or after full-resolution coordinate `edge` (image pixel
// x shows full-resolution pixel x / scale). Also the image size of `edge` pixels.
int32_t imageEdge(int64_t edge, const PixelScale& scale);

// A reduced-resolution edge in layer coordinates taken back to full resolution. The
// layer's own edges (0 and `layerSize`) come back exactly; any other as far as the
// subsampling tells.
int32_t fullResolutionEdge(int32_t edge, int32_t layerSize, const PixelScale& scale);

// The geometry of an image that covers [left, right) x [top, bottom) of the layer
// (reduced-resolution layer coordinates) at the given scales; the layer is
// `layerWidth` x `layerHeight` at full resolution. Scales that are not valid count
// as full resolution.
FrameGeometry bufferGeometry(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t layerWidth,
                             int32_t layerHeight, PixelScale scaleX, PixelScale scaleY);

}  // namespace tilesweep
