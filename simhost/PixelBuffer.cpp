#include "PixelBuffer.h"

#include <cstring>

namespace tilesweep::simhost {

namespace {

template <typename C, int32_t Max>
C toInteger(double unit) {
    const double v = unit * Max;
    if (!(v > 0.0)) return 0;
    if (v >= Max) return static_cast<C>(Max);
    return static_cast<C>(v + 0.5);
}

}  // namespace

PixelBuffer::PixelBuffer(PixelDepth depth, int32_t width, int32_t height, int32_t paddingPixels)
    : depth_(depth), width_(width), height_(height), rowPixels_(width + paddingPixels) {
    bytes_.assign(static_cast<std::size_t>(rowBytes()) * static_cast<std::size_t>(height), 0);
}

int32_t PixelBuffer::pixelSize(PixelDepth depth) {
    switch (depth) {
        case Depth8: return 4;
        case Depth16: return 8;
        case Depth32f: return 16;
    }
    return 4;
}

std::size_t PixelBuffer::offset(int32_t x, int32_t y) const {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(rowPixels_) + static_cast<std::size_t>(x)) *
           static_cast<std::size_t>(pixelSize(depth_));
}

void PixelBuffer::setPixel(int32_t x, int32_t y, const std::array<double, 4>& argb) {
    unsigned char* p = bytes_.data() + offset(x, y);
    for (std::size_t c = 0; c < 4; ++c) {
        switch (depth_) {
            case Depth8: p[c] = toInteger<uint8_t, 255>(argb[c]); break;
            case Depth16: {
                const uint16_t v = toInteger<uint16_t, 32768>(argb[c]);
                std::memcpy(p + 2 * c, &v, sizeof v);
                break;
            }
            case Depth32f: {
                const float v = static_cast<float>(argb[c]);
                std::memcpy(p + 4 * c, &v, sizeof v);
                break;
            }
        }
    }
}

std::array<double, 4> PixelBuffer::pixel(int32_t x, int32_t y) const {
    const unsigned char* p = bytes_.data() + offset(x, y);
    std::array<double, 4> argb{};
    for (std::size_t c = 0; c < 4; ++c) {
        switch (depth_) {
            case Depth8: argb[c] = p[c] / 255.0; break;
            case Depth16: {
                uint16_t v = 0;
                std::memcpy(&v, p + 2 * c, sizeof v);
                argb[c] = v / 32768.0;
                break;
            }
            case Depth32f: {
                float v = 0;
                std::memcpy(&v, p + 4 * c, sizeof v);
                argb[c] = v;
                break;
            }
        }
    }
    return argb;
}

void PixelBuffer::fillBytes(unsigned char value) {
    // An empty buffer (the world of an empty request) may hold no storage at all.
    if (!bytes_.empty()) std::memset(bytes_.data(), value, bytes_.size());
}

void PixelBuffer::fillPadding(unsigned char value) {
    const std::size_t used = static_cast<std::size_t>(width_) * static_cast<std::size_t>(pixelSize(depth_));
    if (bytes_.empty()) return;
    for (int32_t y = 0; y < height_; ++y) {
        std::memset(bytes_.data() + offset(0, y) + used, value, static_cast<std::size_t>(rowBytes()) - used);
    }
}

bool PixelBuffer::paddingIs(unsigned char value) const {
    const std::size_t used = static_cast<std::size_t>(width_) * static_cast<std::size_t>(pixelSize(depth_));
    for (int32_t y = 0; y < height_; ++y) {
        const unsigned char* row = bytes_.data() + offset(0, y);
        for (std::size_t i = used; i < static_cast<std::size_t>(rowBytes()); ++i) {
            if (row[i] != value) return false;
        }
    }
    return true;
}

bool PixelBuffer::samePixels(int32_t x, int32_t y, const PixelBuffer& other, int32_t otherX, int32_t otherY,
                             int32_t width, int32_t height) const {
    if (width <= 0 || height <= 0) return true;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(pixelSize(depth_));
    for (int32_t row = 0; row < height; ++row) {
        if (std::memcmp(bytes_.data() + offset(x, y + row), other.bytes_.data() + other.offset(otherX, otherY + row),
                        bytes) != 0) {
            return false;
        }
    }
    return true;
}

void copyPixels(const PixelBuffer& from, int32_t fromX, int32_t fromY, PixelBuffer& to, int32_t toX, int32_t toY,
                int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    const auto pixelBytes = static_cast<std::size_t>(PixelBuffer::pixelSize(from.depth()));
    const auto fromRow = static_cast<std::size_t>(from.rowBytes());
    const auto toRow = static_cast<std::size_t>(to.rowBytes());
    for (int32_t row = 0; row < height; ++row) {
        const unsigned char* source = from.bytes().data() + static_cast<std::size_t>(fromY + row) * fromRow +
                                      static_cast<std::size_t>(fromX) * pixelBytes;
        unsigned char* target = to.data() + static_cast<std::size_t>(toY + row) * toRow +
                                static_cast<std::size_t>(toX) * pixelBytes;
        std::memcpy(target, source, static_cast<std::size_t>(width) * pixelBytes);
    }
}

bool PixelBuffer::operator==(const PixelBuffer& other) const {
    return depth_ == other.depth_ && width_ == other.width_ && height_ == other.height_ &&
           rowPixels_ == other.rowPixels_ && bytes_ == other.bytes_;
}

PixelBuffer makePatternImage(PixelDepth depth, int32_t width, int32_t height, int32_t paddingPixels,
                             uint32_t seed) {
    PixelBuffer image(depth, width, height, paddingPixels);
    uint32_t state = seed * 2654435761u + 1u;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    };
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            // Mostly opaque, with some partly and fully transparent pixels.
            const double a = next();
            const double alpha = a < 0.1 ? 0.0 : (a < 0.35 ? a * 2.0 : 1.0);
            image.setPixel(x, y, {alpha, next(), (x + 1.0) / (width + 1.0), (y + 1.0) / (height + 1.0)});
        }
    }
    return image;
}

}  // namespace tilesweep::simhost
