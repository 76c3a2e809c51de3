#include "MsvcrtFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tilesweep::pe32 {

namespace {

constexpr int kMaxFieldWidth = 4096;

enum class Size { None, Char, Short, Long, LongLong, Int64, Int32, PointerSized, Wide, LongDouble };

std::string cformat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string cformat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char small[128];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (length < 0) {
        va_end(again);
        throw FormatError("the C library could not format a conversion");
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

int fieldNumber(const char*& p, X86Args& args, bool& negative) {
    negative = false;
    if (*p == '*') {
        ++p;
        const auto value = static_cast<int32_t>(args.u32());
        negative = value < 0;
        const int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
        if (magnitude > kMaxFieldWidth) throw FormatError("field width or precision beyond " + std::to_string(kMaxFieldWidth));
        return static_cast<int>(magnitude);
    }
    int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > kMaxFieldWidth) throw FormatError("field width or precision beyond " + std::to_string(kMaxFieldWidth));
    }
    return value;
}

Size sizePrefix(const char*& p) {
    if (std::strncmp(p, "I64", 3) == 0) return p += 3, Size::Int64;
    if (std::strncmp(p, "I32", 3) == 0) return p += 3, Size::Int32;
    if (*p == 'I') return ++p, Size::PointerSized;
    if (std::strncmp(p, "ll", 2) == 0) return p += 2, Size::LongLong;
    if (std::strncmp(p, "hh", 2) == 0) return p += 2, Size::Char;
    if (*p == 'l') return ++p, Size::Long;
    if (*p == 'h') return ++p, Size::Short;
    if (*p == 'w') return ++p, Size::Wide;
    if (*p == 'L') return ++p, Size::LongDouble;
    return Size::None;
}

char narrowed(uint32_t unit) { return unit < 0x100 ? static_cast<char>(unit) : '?'; }

// msvcrt writes at least three exponent digits.
std::string threeDigitExponent(std::string text) {
    const std::size_t e = text.find_first_of("eE");
    if (e == std::string::npos || e + 1 >= text.size()) return text;
    const std::size_t digits = e + 2;
    const std::size_t count = text.size() - digits;
    if (count < 3) text.insert(digits, 3 - count, '0');
    return text;
}

std::string padded(std::string text, const std::string& flags, int width, bool zeroAllowed) {
    const auto length = static_cast<int>(text.size());
    if (width <= length) return text;
    const auto fill = static_cast<std::size_t>(width - length);
    if (flags.find('-') != std::string::npos) return text + std::string(fill, ' ');
    if (zeroAllowed && flags.find('0') != std::string::npos) {
        const std::size_t sign = !text.empty() && (text[0] == '-' || text[0] == '+' || text[0] == ' ') ? 1 : 0;
        return text.insert(sign, fill, '0');
    }
    return std::string(fill, ' ') + text;
}

}  // namespace

uint32_t X86Args::u32() {
    const uint32_t value = static_cast<uint32_t>(at_[0]) | static_cast<uint32_t>(at_[1]) << 8 |
                           static_cast<uint32_t>(at_[2]) << 16 | static_cast<uint32_t>(at_[3]) << 24;
    at_ += 4;
    return value;
}

uint64_t X86Args::u64() {
    const uint64_t low = u32();
    return low | static_cast<uint64_t>(u32()) << 32;
}

double X86Args::f64() {
    const uint64_t bits = u64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const void* X86Args::pointer() {
    const uint32_t address = u32();
    if (address == 0) return nullptr;
    return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(memory_) + address);
}

std::string formatMsvcrt(const char* format, X86Args& args) {
    std::string out;
    for (const char* p = format; *p != '\0';) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == '%') {
            out += *p++;
            continue;
        }
        std::string flags;
        for (; *p != '\0' && std::strchr("-+ #0", *p) != nullptr; ++p) flags += *p;
        bool leftAlign = false;
        const int width = fieldNumber(p, args, leftAlign);
        if (leftAlign) flags += '-';
        int precision = -1;
        if (*p == '.') {
            ++p;
            bool negative = false;
            precision = fieldNumber(p, args, negative);
            if (negative) precision = -1;
        }
        const Size size = sizePrefix(p);
        const char conversion = *p;
        if (conversion == '\0') throw FormatError("the format ends inside a conversion");
        ++p;
        const std::string field = "%" + flags + (width > 0 ? std::to_string(width) : "") +
                                  (precision >= 0 ? "." + std::to_string(precision) : "");

        switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            if (size == Size::Wide || size == Size::LongDouble) throw FormatError("a size prefix msvcrt ignores");
            const bool wide = size == Size::Int64 || size == Size::LongLong;
            uint64_t bits = wide ? args.u64() : args.u32();
            const bool isSigned = conversion == 'd' || conversion == 'i';
            if (size == Size::Short) bits = isSigned ? static_cast<uint64_t>(static_cast<int16_t>(bits)) : static_cast<uint16_t>(bits);
            if (size == Size::Char) bits = isSigned ? static_cast<uint64_t>(static_cast<int8_t>(bits)) : static_cast<uint8_t>(bits);
            if (!wide && size != Size::Short && size != Size::Char && isSigned) {
                bits = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(bits)));
            }
            const std::string directive = field + "ll" + conversion;
            out += isSigned ? cformat(directive.c_str(), static_cast<long long>(bits))
                            : cformat(directive.c_str(), static_cast<unsigned long long>(bits));
            break;
        }
        case 'c':
        case 'C': {
            const uint32_t unit = args.u32();
            const bool wide = size == Size::Long || size == Size::Wide || (conversion == 'C' && size != Size::Short);
            out += cformat((field + "c").c_str(), wide ? narrowed(unit & 0xFFFFu) : static_cast<char>(unit));
            break;
        }
        case 's':
        case 'S': {
            const void* text = args.pointer();
            const bool wide = size == Size::Long || size == Size::Wide || (conversion == 'S' && size != Size::Short);
            std::string value;
            if (text == nullptr) {
                value = "(null)";
            } else if (wide) {
                const auto* units = static_cast<const uint8_t*>(text);
                for (std::size_t i = 0;; i += 2) {
                    const uint32_t unit = units[i] | static_cast<uint32_t>(units[i + 1]) << 8;
                    if (unit == 0) break;
                    value += narrowed(unit);
                }
            } else {
                value = static_cast<const char*>(text);
            }
            out += cformat((field + "s").c_str(), value.c_str());
            break;
        }
        case 'p':
            out += cformat("%08X", args.u32());
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G': {
            // A long double is a double in msvcrt.
            const double value = args.f64();
            std::string bare = flags;
            for (char drop : {'-', '0'}) bare.erase(std::remove(bare.begin(), bare.end(), drop), bare.end());
            const std::string directive =
                "%" + bare + (precision >= 0 ? "." + std::to_string(precision) : "") + conversion;
            const std::string text = cformat(directive.c_str(), value);
            out += padded(conversion == 'f' ? text : threeDigitExponent(text), flags, width, std::isfinite(value));
            break;
        }
        case 'n':
            throw FormatError("%n is refused");
        default:
            throw FormatError(std::string("conversion %") + conversion + " is not one msvcrt prints");
        }
    }
    return out;
}

}  // namespace tilesweep::pe32
