#include "FrameImage.h"

#include <cstring>

#include <algorithm>

namespace tilesweep {

std::size_t bytesPerChannel(PixelDepth depth) {
    switch (depth) {
        case Depth8: return 1;
        case Depth16: return 2;
        default: return 4;
    }
}

const char* depthName(PixelDepth depth) {
    switch (depth) {
        case Depth8: return "8-bit";
        case Depth16: return "16-bit";
        default: return "32-bit float";
    }
}

FrameImage FrameImage::blank(PixelDepth depth, int32_t width, int32_t height) {
    FrameImage image;
    image.depth = depth;
    image.width = width;
    image.height = height;
    image.bytes.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kChannelsPerPixel *
                           bytesPerChannel(depth),
                       0);
    return image;
}

ImageView FrameImage::view() const {
    return ImageView{const_cast<unsigned char*>(bytes.data()), width, width, height};
}

uint16_t fileWordFromEngine(uint16_t engineWord) {
    const uint32_t v = std::min<uint32_t>(engineWord, kEngine16Max);
    return static_cast<uint16_t>((v * 65535u + 16384u) / 32768u);
}

uint16_t engineWordFromFile(uint16_t fileWord) {
    return static_cast<uint16_t>((uint32_t{fileWord} * 32768u + 32767u) / 65535u);
}

FrameImage cropFrame(const FrameImage& frame, const Rect& region) {
    FrameImage part = FrameImage::blank(frame.depth, region.right - region.left, region.bottom - region.top);
    const std::size_t pixelBytes = kChannelsPerPixel * bytesPerChannel(frame.depth);
    const std::size_t rowBytes = static_cast<std::size_t>(part.width) * pixelBytes;
    for (int32_t y = 0; y < part.height; ++y) {
        const std::size_t from = (static_cast<std::size_t>(region.top + y) * static_cast<std::size_t>(frame.width) +
                                  static_cast<std::size_t>(region.left)) * pixelBytes;
        std::memcpy(part.bytes.data() + static_cast<std::size_t>(y) * rowBytes, frame.bytes.data() + from, rowBytes);
    }
    return part;
}

FrameImage orientFrame(const FrameImage& stored, int orientation) {
    if (orientation < 2 || orientation > 8) return stored;
    const bool turned = orientation >= 5;
    const int32_t w = stored.width;
    const int32_t h = stored.height;
    FrameImage shown = FrameImage::blank(stored.depth, turned ? h : w, turned ? w : h);
    const std::size_t pixelBytes = kChannelsPerPixel * bytesPerChannel(stored.depth);
    for (int32_t y = 0; y < shown.height; ++y) {
        for (int32_t x = 0; x < shown.width; ++x) {
            // The stored pixel that shows at (x, y).
            int32_t sx = x;
            int32_t sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x; sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y; sy = x; break;
                case 6: sx = y; sy = h - 1 - x; break;
                case 7: sx = w - 1 - y; sy = h - 1 - x; break;
                case 8: sx = w - 1 - y; sy = x; break;
            }
            const std::size_t to = (static_cast<std::size_t>(y) * static_cast<std::size_t>(shown.width) +
                                    static_cast<std::size_t>(x)) * pixelBytes;
            const std::size_t from = (static_cast<std::size_t>(sy) * static_cast<std::size_t>(w) +
                                      static_cast<std::size_t>(sx)) * pixelBytes;
            std::memcpy(shown.bytes.data() + to, stored.bytes.data() + from, pixelBytes);
        }
    }
    return shown;
}

int32_t reducedSize(int32_t size, int32_t factor) {
    return factor < 1 ? size : static_cast<int32_t>((int64_t{size} + factor - 1) / factor);
}

FrameImage subsampleFrame(const FrameImage& frame, int32_t factorX, int32_t factorY) {
    FrameImage reduced =
        FrameImage::blank(frame.depth, reducedSize(frame.width, factorX), reducedSize(frame.height, factorY));
    const std::size_t pixelBytes = kChannelsPerPixel * bytesPerChannel(frame.depth);
    unsigned char* to = reduced.bytes.data();
    for (int32_t y = 0; y < reduced.height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(factorY) *
                                static_cast<std::size_t>(frame.width);
        for (int32_t x = 0; x < reduced.width; ++x, to += pixelBytes) {
            const std::size_t from = (row + static_cast<std::size_t>(x) * static_cast<std::size_t>(factorX)) * pixelBytes;
            std::memcpy(to, frame.bytes.data() + from, pixelBytes);
        }
    }
    return reduced;
}

}  // namespace tilesweep
