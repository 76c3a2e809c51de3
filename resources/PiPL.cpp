#include "PiPL.h"

#include <cstring>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace tilesweep {

const PiplProperty kPiplProperties[] = {
    {"kind", nullptr, PiplData::FourChar, "eFKT", 0, 0},
    {"name", nullptr, PiplData::CountedString, kEffectName, 0, 0},
    {"catg", nullptr, PiplData::CountedString, kEffectCategory, 0, 0},
    {"8664", "wx86", PiplData::CString, kEntryPointName, 0, 0},
    {"ePVR", nullptr, PiplData::VersionPair, nullptr, 2u << 16, 2u << 16},
    // The 32-bit hosts predate effect API 13.
    {"eSVR", nullptr, PiplData::VersionPair, nullptr, 13u << 16, 12u << 16 | 10u},
    {"eVER", nullptr, PiplData::Int32, nullptr, kEffectVersion, kEffectVersion},
    {"eINF", nullptr, PiplData::Int16, nullptr, 0, 0},
    {"eGLO", nullptr, PiplData::Int32, nullptr, static_cast<uint32_t>(kGlobalOutFlags),
     static_cast<uint32_t>(kGlobalOutFlags)},
    {"eGL2", nullptr, PiplData::Int32, nullptr, static_cast<uint32_t>(kGlobalOutFlags2),
     static_cast<uint32_t>(kGlobalOutFlags2)},
    {"eMNA", nullptr, PiplData::CountedString, kEffectMatchName, 0, 0},
    {"aeFL", nullptr, PiplData::Int32, nullptr, 8, 8},
};
const std::size_t kPiplPropertyCount = sizeof(kPiplProperties) / sizeof(kPiplProperties[0]);

namespace {

class ByteWriter {
public:
    void u8(uint8_t value) { bytes_.push_back(value); }
    void u16(uint32_t value) {
        u8(static_cast<uint8_t>(value & 0xFFu));
        u8(static_cast<uint8_t>((value >> 8) & 0xFFu));
    }
    void u32(uint32_t value) {
        u16(value & 0xFFFFu);
        u16(value >> 16);
    }
    // Four-character codes are 32-bit numbers with the first character highest,
    // so in little-endian memory they read backwards ("kind" is "dnik").
    void fourChar(const char* code) {
        if (std::strlen(code) != 4) {
            throw std::invalid_argument("four-character code expected");
        }
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | static_cast<uint8_t>(code[i]);
        }
        u32(value);
    }
    void zeroFillTo4() {
        while (bytes_.size() % 4 != 0) {
            u8(0);
        }
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> propertyData(const PiplProperty& property, bool flavour32) {
    const uint32_t value = flavour32 ? property.value32 : property.value;
    ByteWriter data;
    switch (property.data) {
        case PiplData::FourChar:
            data.fourChar(property.text);
            break;
        case PiplData::CountedString: {
            const std::size_t length = std::strlen(property.text);
            if (length > 255) {
                throw std::invalid_argument("counted string longer than 255");
            }
            data.u8(static_cast<uint8_t>(length));
            for (std::size_t i = 0; i < length; ++i) {
                data.u8(static_cast<uint8_t>(property.text[i]));
            }
            data.zeroFillTo4();
            break;
        }
        case PiplData::CString:
            for (const char* c = property.text; *c != '\0'; ++c) {
                data.u8(static_cast<uint8_t>(*c));
            }
            data.u8(0);
            data.zeroFillTo4();
            break;
        case PiplData::VersionPair:
            data.u16(value >> 16);
            data.u16(value & 0xFFFFu);
            break;
        case PiplData::Int16:
            data.u16(value);
            break;
        case PiplData::Int32:
            data.u32(value);
            break;
    }
    return std::move(data.bytes());
}

}  // namespace

std::vector<uint8_t> buildPiplBytes(bool flavour32) {
    ByteWriter out;
    out.u16(1);
    out.u32(0);
    out.u32(static_cast<uint32_t>(kPiplPropertyCount));
    for (std::size_t i = 0; i < kPiplPropertyCount; ++i) {
        const PiplProperty& property = kPiplProperties[i];
        const std::vector<uint8_t> data = propertyData(property, flavour32);
        out.fourChar("8BIM");
        out.fourChar(flavour32 && property.key32 != nullptr ? property.key32 : property.key);
        out.u32(0);
        out.u32(static_cast<uint32_t>(data.size()));
        for (uint8_t byte : data) {
            out.u8(byte);
        }
        // Short data (eINF) is padded after its length, not within it.
        for (std::size_t pad = data.size(); pad % 4 != 0; ++pad) {
            out.u8(0);
        }
    }
    return std::move(out.bytes());
}

std::string piplResourceScript(const std::vector<uint8_t>& bytes) {
    // windres reads bare numbers as little-endian 16-bit words.
    if (bytes.size() % 2 != 0) {
        throw std::invalid_argument("resource data must have an even length");
    }
    std::ostringstream script;
    script << "LANGUAGE " << kPiplLanguage << ", " << kPiplSublanguage << "\n"
           << kPiplResourceId << " PiPL\nBEGIN\n";
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const unsigned word = static_cast<unsigned>(bytes[i] | bytes[i + 1] << 8);
        script << (i % 16 == 0 ? "    " : " ") << "0x" << kHex[(word >> 12) & 0xFu]
               << kHex[(word >> 8) & 0xFu] << kHex[(word >> 4) & 0xFu] << kHex[word & 0xFu]
               << (i + 2 < bytes.size() ? "," : "") << (i % 16 == 14 ? "\n" : "");
    }
    if (bytes.size() % 16 != 0) {
        script << "\n";
    }
    script << "END\n";
    return script.str();
}

std::string piplResourceScriptForFile(const std::string& binaryPath) {
    std::string quoted;
    for (char c : binaryPath) {
        if (c == '"') {
            throw std::invalid_argument("resource file path must not contain quotes");
        }
        quoted += c == '\\' ? '/' : c;
    }
    std::ostringstream script;
    script << "LANGUAGE " << kPiplLanguage << ", " << kPiplSublanguage << "\n"
           << kPiplResourceId << " PiPL \"" << quoted << "\"\n";
    return script.str();
}

}  // namespace tilesweep
