// printf as the Windows C runtime (msvcrt) understands it, for a 32-bit Windows
// library run on another C library: its size prefixes (I64, I32, I), 8-byte long
// double, 16-bit wide characters, "%p" as eight hex digits and three-digit exponents.
// The arguments are read from a 32-bit x86 argument area (what va_list points to on
// 32-bit x86), so the translation is tested on any host.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tilesweep::pe32 {

// Reads the 4-byte stack slots of a 32-bit x86 variadic call. A pointer argument is
// an address in `memory` (null: the process's own addresses), or null if it is 0.
class X86Args {
public:
    explicit X86Args(const uint8_t* slots, const uint8_t* memory = nullptr) : at_(slots), memory_(memory) {}
    uint32_t u32();
    uint64_t u64();
    double f64();
    const void* pointer();

private:
    const uint8_t* at_;
    const uint8_t* memory_;
};

struct FormatError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// The text msvcrt's printf would produce. Throws FormatError for what it would not
// print or what a host must not do for it (%n, widths beyond 4096).
std::string formatMsvcrt(const char* format, X86Args& args);

}  // namespace tilesweep::pe32
