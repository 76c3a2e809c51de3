#include "HeaderPeek.h"

#include <algorithm>
#include <cstring>

namespace tilesweep {

namespace {

uint32_t le16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t le24(const unsigned char* p) { return le16(p) | static_cast<uint32_t>(p[2]) << 16; }
uint32_t le32(const unsigned char* p) { return le24(p) | static_cast<uint32_t>(p[3]) << 24; }

constexpr unsigned char kGifExtension = 0x21;
constexpr unsigned char kGifImage = 0x2C;

}  // namespace

bool peekGifFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame) {
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)) return false;
    uint32_t width = le16(data + 6);
    uint32_t height = le16(data + 8);
    std::size_t at = 13;
    if ((data[10] & 0x80) != 0) at += 3u << ((data[10] & 7) + 1);  // global colour table
    // Extensions come before the first image; each is sub-blocks ending in an empty one.
    // A header cut short leaves the logical screen, which the decoder allocates anyway.
    while (at < size) {
        const unsigned char kind = data[at];
        if (kind == kGifImage) {
            if (size - at < 10) break;
            width = std::max(width, le16(data + at + 1) + le16(data + at + 5));
            height = std::max(height, le16(data + at + 3) + le16(data + at + 7));
            break;
        }
        if (kind != kGifExtension || size - at < 2) break;
        at += 2;
        while (at < size && data[at] != 0) at += 1u + data[at];
        ++at;
    }
    frame.width = static_cast<int32_t>(width);
    frame.height = static_cast<int32_t>(height);
    return true;
}

bool peekWebpFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame) {
    if (size < 30 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0) return false;
    const unsigned char* chunk = data + 12;
    const unsigned char* payload = chunk + 8;
    if (std::memcmp(chunk, "VP8X", 4) == 0) {
        frame.width = static_cast<int32_t>(le24(payload + 4) + 1);
        frame.height = static_cast<int32_t>(le24(payload + 7) + 1);
        return true;
    }
    if (std::memcmp(chunk, "VP8L", 4) == 0) {
        if (payload[0] != 0x2F) return false;
        const uint32_t bits = le32(payload + 1);
        frame.width = static_cast<int32_t>((bits & 0x3FFF) + 1);
        frame.height = static_cast<int32_t>(((bits >> 14) & 0x3FFF) + 1);
        return true;
    }
    if (std::memcmp(chunk, "VP8 ", 4) == 0) {
        if (payload[3] != 0x9D || payload[4] != 0x01 || payload[5] != 0x2A) return false;
        frame.width = static_cast<int32_t>(le16(payload + 6) & 0x3FFF);
        frame.height = static_cast<int32_t>(le16(payload + 8) & 0x3FFF);
        return true;
    }
    return false;
}

}  // namespace tilesweep
