// FNV-1a, 64 bits: the frame hash that builds for other processors and systems
// must reproduce, so everything it is fed is laid out the same on every machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tilesweep::simhost {

class Fnv1a {
public:
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash_ = (hash_ ^ p[i]) * 0x100000001B3ull;
        }
    }
    // Numbers little-endian and strings with their terminator.
    void u32(uint32_t value) {
        const unsigned char b[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        bytes(b, sizeof b);
    }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void text(const std::string& value) { bytes(value.c_str(), value.size() + 1); }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

}  // namespace tilesweep::simhost
