#include "HeaderPeek.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tilesweep {

namespace {

uint32_t le16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t le24(const unsigned char* p) { return le16(p) | static_cast<uint32_t>(p[2]) << 16; }
uint32_t le32(const unsigned char* p) { return le24(p) | static_cast<uint32_t>(p[3]) << 24; }

uint32_t be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

constexpr unsigned char kGifExtension = 0x21;

// An ISO media box: its four-letter type and its body's place in the data.
struct Box {
    char type[4] = {};
    std::size_t body = 0;
    std::size_t end = 0;
};

// The box starting at `at`, within [at, end); false when its header or its claimed
// size does not fit.
bool boxAt(const unsigned char* data, std::size_t at, std::size_t end, Box& box) {
    if (end < at || end - at < 8) return false;
    uint64_t length = be32(data + at);
    std::size_t header = 8;
    if (length == 1) {
        if (end - at < 16) return false;
        length = uint64_t{be32(data + at + 8)} << 32 | be32(data + at + 12);
        header = 16;
    } else if (length == 0) {
        length = end - at;  // to the end of its parent
    }
    if (length < header || length > end - at) return false;
    std::memcpy(box.type, data + at + 4, 4);
    box.body = at + header;
    box.end = at + static_cast<std::size_t>(length);
    return true;
}

// The first child of type `type` among the boxes in [from, end).
bool childBox(const unsigned char* data, std::size_t from, std::size_t end, const char* type, Box& found) {
    Box box;
    for (std::size_t at = from; boxAt(data, at, end, box); at = box.end) {
        if (std::memcmp(box.type, type, 4) == 0) {
            found = box;
            return true;
        }
    }
    return false;
}

int32_t clampedSide(uint32_t side) {
    return static_cast<int32_t>(std::min<uint32_t>(side, std::numeric_limits<int32_t>::max()));
}
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

bool peekHeifFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame) {
    Box ftyp;
    if (!boxAt(data, 0, size, ftyp) || std::memcmp(ftyp.type, "ftyp", 4) != 0) return false;
    // meta is a full box (four bytes of version and flags), and so is ispe.
    constexpr std::size_t kFullBoxHeader = 4;
    Box meta, iprp, ipco;
    if (!childBox(data, ftyp.end, size, "meta", meta) || meta.end - meta.body < kFullBoxHeader ||
        !childBox(data, meta.body + kFullBoxHeader, meta.end, "iprp", iprp) ||
        !childBox(data, iprp.body, iprp.end, "ipco", ipco)) {
        return false;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    Box property;
    for (std::size_t at = ipco.body; boxAt(data, at, ipco.end, property); at = property.end) {
        if (std::memcmp(property.type, "ispe", 4) != 0 || property.end - property.body < kFullBoxHeader + 8) continue;
        width = std::max(width, be32(data + property.body + kFullBoxHeader));
        height = std::max(height, be32(data + property.body + kFullBoxHeader + 4));
    }
    if (width == 0 && height == 0) return false;
    frame.width = clampedSide(width);
    frame.height = clampedSide(height);
    return true;
}

}  // namespace tilesweep
