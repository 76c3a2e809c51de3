#include "FrameGeometry.h"

#include <algorithm>
#include <cstdint>

namespace tilesweep {

namespace {

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

int32_t clampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

FrameGeometry fullResolution(int32_t width, int32_t height) {
    FrameGeometry g;
    g.gridWidth = width;
    g.gridHeight = height;
    return g;
}

bool isUnitScale(const PixelScale& scale) { return scale.numerator == scale.denominator && scale.numerator > 0; }

bool isValidScale(const PixelScale& scale) {
    return scale.numerator > 0 && scale.denominator > 0 && scale.numerator <= scale.denominator;
}

int32_t imageEdge(int64_t edge, const PixelScale& scale) {
    if (isUnitScale(scale) || !isValidScale(scale)) return clampToInt32(edge);
    return clampToInt32(ceilDiv(edge * scale.numerator, scale.denominator));
}

int32_t fullResolutionEdge(int32_t edge, int32_t layerSize, const PixelScale& scale) {
    if (isUnitScale(scale) || !isValidScale(scale)) return edge;
    if (edge == imageEdge(layerSize, scale)) return layerSize;
    return clampToInt32(ceilDiv(int64_t{edge} * scale.denominator, scale.numerator));
}

FrameGeometry bufferGeometry(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t layerWidth,
                             int32_t layerHeight, PixelScale scaleX, PixelScale scaleY) {
    if (!isValidScale(scaleX)) scaleX = PixelScale{};
    if (!isValidScale(scaleY)) scaleY = PixelScale{};
    FrameGeometry g;
    const int32_t fullLeft = fullResolutionEdge(left, layerWidth, scaleX);
    const int32_t fullTop = fullResolutionEdge(top, layerHeight, scaleY);
    g.gridWidth = clampToInt32(std::max<int64_t>(
        int64_t{fullResolutionEdge(right, layerWidth, scaleX)} - fullLeft, 0));
    g.gridHeight = clampToInt32(std::max<int64_t>(
        int64_t{fullResolutionEdge(bottom, layerHeight, scaleY)} - fullTop, 0));
    g.scaleX = scaleX;
    g.scaleY = scaleY;
    g.originX = fullLeft;
    g.originY = fullTop;
    return g;
}

}  // namespace tilesweep
