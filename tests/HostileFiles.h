// Damaged and forged image files, made at test time: what an attacker or a broken
// disk hands the tool.
#pragma once

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tilesweep::test {

using Bytes = std::string;

inline uint32_t crc32Of(const Bytes& data) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putBig32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xff);
}

inline void putLittle(Bytes& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

inline Bytes pngChunk(const std::string& type, const Bytes& data) {
    Bytes chunk;
    putBig32(chunk, static_cast<uint32_t>(data.size()));
    const Bytes body = type + data;
    chunk += body;
    putBig32(chunk, crc32Of(body));
    return chunk;
}

// A PNG whose header claims `width` x `height` RGBA pixels and whose data is a few
// bytes of a valid deflate stream: a decompression bomb of under 100 bytes.
inline Bytes pngClaiming(uint32_t width, uint32_t height) {
    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header += Bytes("\x08\x06\x00\x00\x00", 5);
    // zlib header, then a stored-free fixed block holding nothing but the end code.
    const Bytes idat("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return Bytes("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", idat) + pngChunk("IEND", "");
}

// An uncompressed one-strip greyscale TIFF that claims `width` x `height` pixels and
// `stripBytes` bytes at `stripOffset`, followed by `present` bytes of data.
inline Bytes tiffClaiming(uint32_t width, uint32_t height, uint32_t stripBytes, uint32_t stripOffset,
                          uint32_t present) {
    Bytes out("II*\0", 4);
    putLittle(out, 8, 4);
    struct Entry {
        uint16_t tag, type;
        uint32_t value;
    };
    const std::vector<Entry> entries{{256, 4, width},      {257, 4, height}, {258, 3, 8},  {259, 3, 1},
                                     {262, 3, 1},          {273, 4, stripOffset}, {277, 3, 1}, {278, 4, height},
                                     {279, 4, stripBytes}};
    putLittle(out, static_cast<uint32_t>(entries.size()), 2);
    for (const Entry& e : entries) {
        putLittle(out, e.tag, 2);
        putLittle(out, e.type, 2);
        putLittle(out, 1, 4);
        putLittle(out, e.value, 4);
    }
    putLittle(out, 0, 4);
    for (uint32_t i = 0; i < present; ++i) out += static_cast<char>(i * 7);
    return out;
}

// Offset of the first byte after the fixed part of tiffClaiming's file.
constexpr uint32_t kTiffDataOffset = 8 + 2 + 9 * 12 + 4;

// A real image encoded by OpenImageIO in the format of `extension` (".png",
// ".jpg", ".tif", ".exr", ...), RGB(A) 8-bit or float with a gradient.
inline Bytes encoded(const std::string& extension, int width, int height, int channels,
                     OIIO::TypeDesc type = OIIO::TypeDesc::UINT8, const std::string& compression = "",
                     bool progressive = false) {
    std::vector<float> pixels(static_cast<std::size_t>(width) * height * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<float>((i * 37) % 251) / 250.0f;
    OIIO::ImageSpec header(width, height, channels, type);
    if (channels == 4) header.alpha_channel = 3;
    if (!compression.empty()) header.attribute("compression", compression);
    if (progressive) header.attribute("jpeg:progressive", 1);
    std::vector<unsigned char> bytes;
    OIIO::Filesystem::IOVecOutput memory(bytes);
    auto out = OIIO::ImageOutput::create("x" + extension);
    if (!out || !out->set_ioproxy(&memory) || !out->open("x" + extension, header) ||
        !out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()) || !out->close()) {
        return Bytes();
    }
    return Bytes(bytes.begin(), bytes.end());
}

// A JPEG whose frame header is changed to claim `width` x `height`. A progressive
// one makes a decoder take buffers for the whole image as it starts.
inline Bytes jpegClaiming(uint16_t width, uint16_t height, bool progressive = false) {
    Bytes jpeg = encoded(".jpg", 16, 16, 3, OIIO::TypeDesc::UINT8, "", progressive);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xff && (marker == 0xc0 || marker == 0xc2)) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xff);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xff);
            break;
        }
    }
    return jpeg;
}

// A GIF whose logical screen and one image claim `width` x `height`, with two
// pixels of data: its decoder takes the whole canvas as the file opens.
inline Bytes gifClaiming(uint16_t width, uint16_t height) {
    const auto le16 = [](uint16_t v) { return Bytes{static_cast<char>(v & 0xff), static_cast<char>(v >> 8)}; };
    Bytes gif = "GIF89a" + le16(width) + le16(height) + Bytes("\x80\x00\x00", 3) + Bytes("\x00\x00\x00\xff\xff\xff", 6);
    gif += "," + le16(0) + le16(0) + le16(width) + le16(height) + Bytes("\x00\x02\x02\x4c\x01\x00;", 7);
    return gif;
}

// A lossless WebP whose header claims `width` x `height` (at most 16384 each).
inline Bytes webpClaiming(uint32_t width, uint32_t height) {
    const uint32_t bits = (width - 1) | (height - 1) << 14;
    Bytes payload("\x2f", 1);
    for (int i = 0; i < 4; ++i) payload += static_cast<char>(bits >> (8 * i));
    payload += Bytes(64, '\x55');
    const auto le32 = [](uint32_t v) {
        Bytes b;
        for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i));
        return b;
    };
    return "RIFF" + le32(static_cast<uint32_t>(12 + payload.size())) + "WEBPVP8L" +
           le32(static_cast<uint32_t>(payload.size())) + payload;
}

// An ISO media box of `type` around `body`.
inline Bytes isoBox(const char* type, const Bytes& body) {
    const auto size = static_cast<uint32_t>(8 + body.size());
    Bytes box;
    for (int shift = 24; shift >= 0; shift -= 8) box += static_cast<char>(size >> shift);
    return box + Bytes(type, 4) + body;
}

// The image extent property of a HEIF item: `width` x `height`.
inline Bytes ispeBox(uint32_t width, uint32_t height) {
    Bytes body(4, '\0');  // version and flags
    for (uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) body += static_cast<char>(v >> shift);
    }
    return isoBox("ispe", body);
}

// A HEIF (or, with brand "avif", an AVIF) whose item properties claim `width` x
// `height`, with no coded data: its decoder takes the whole image as the file opens.
inline Bytes heifClaiming(uint32_t width, uint32_t height, const char* brand = "heic") {
    const Bytes ftyp = isoBox("ftyp", Bytes(brand, 4) + Bytes(4, '\0') + "mif1" + Bytes(brand, 4));
    const Bytes properties = isoBox("iprp", isoBox("ipco", ispeBox(width, height)));
    return ftyp + isoBox("meta", Bytes(4, '\0') + properties) + isoBox("mdat", Bytes(16, '\x55'));
}

}  // namespace tilesweep::test
