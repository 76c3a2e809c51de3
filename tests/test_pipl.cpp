#include "PiPL.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tilesweep {
namespace {

// Reads the resource the way the host does: little-endian, properties back to
// back, each one's data padded to 4 bytes after its stated length.
class PiplReader {
public:
    explicit PiplReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

    uint32_t u16() {
        const uint32_t low = u8();
        return low | u8() << 8;
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | u16() << 16;
    }
    std::string raw(std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) text += static_cast<char>(u8());
        return text;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

private:
    uint32_t u8() {
        if (at_ >= bytes_.size()) {
            ADD_FAILURE() << "read past the end of the resource";
            return 0;
        }
        return bytes_[at_++];
    }

    const std::vector<uint8_t>& bytes_;
    std::size_t at_ = 0;
};

struct Property {
    std::string vendor;
    std::string key;
    uint32_t id;
    std::string data;
    std::string padding;
};

std::vector<Property> parse(const std::vector<uint8_t>& bytes) {
    PiplReader reader(bytes);
    EXPECT_EQ(reader.u16(), 1u);
    EXPECT_EQ(reader.u32(), 0u);
    const uint32_t count = reader.u32();
    std::vector<Property> properties;
    for (uint32_t i = 0; i < count && !reader.atEnd(); ++i) {
        Property p;
        p.vendor = reader.raw(4);
        p.key = reader.raw(4);
        p.id = reader.u32();
        const uint32_t length = reader.u32();
        p.data = reader.raw(length);
        p.padding = reader.raw((4 - length % 4) % 4);
        properties.push_back(p);
    }
    EXPECT_TRUE(reader.atEnd()) << "bytes after the last property";
    return properties;
}

struct Expected {
    const char* keyBytes;  // as stored: the four characters reversed
    std::string data;      // exactly the stated length
};

std::string bytes(const char* text, std::size_t count) { return std::string(text, count); }

// Written from the documented property list, not from the description table.
std::vector<Expected> expectedProperties(bool flavour32) {
    return {
        {"dnik", "TKFe"},
        {"eman", bytes("\x0fTovelaTileSweep", 16)},
        {"gtac", bytes("\x06Tovela\0", 8)},
        {flavour32 ? "68xw" : "4668", bytes("EntryPointFunc\0\0", 16)},
        {"RVPe", bytes("\x02\x00\x00\x00", 4)},
        {"RVSe", flavour32 ? bytes("\x0c\x00\x0a\x00", 4) : bytes("\x0d\x00\x00\x00", 4)},
        {"REVe", bytes("\x01\x06\x08\x00", 4)},
        {"FNIe", bytes("\x00\x00", 2)},
        {"OLGe", bytes("\x40\x00\x00\x06", 4)},
        {"2LGe", bytes("\x00\x14\x00\x00", 4)},
        {"ANMe", bytes("\x1cTovelaTileSweep by Merindoul\0\0\0", 32)},
        {"LFea", bytes("\x08\x00\x00\x00", 4)},
    };
}

class PiplFlavour : public ::testing::TestWithParam<bool> {};

TEST_P(PiplFlavour, HeaderDeclaresTwelveProperties) {
    const std::vector<uint8_t> resource = buildPiplBytes(GetParam());
    const std::vector<uint8_t> header(resource.begin(), resource.begin() + 10);
    EXPECT_EQ(header, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 12, 0, 0, 0}));
}

TEST_P(PiplFlavour, EveryPropertyMatchesTheDocumentedBytes) {
    const bool flavour32 = GetParam();
    const std::vector<Property> actual = parse(buildPiplBytes(flavour32));
    const std::vector<Expected> expected = expectedProperties(flavour32);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("property " + std::to_string(i + 1) + " " + expected[i].keyBytes);
        EXPECT_EQ(actual[i].vendor, "MIB8");
        EXPECT_EQ(actual[i].key, expected[i].keyBytes);
        EXPECT_EQ(actual[i].id, 0u);
        EXPECT_EQ(actual[i].data, expected[i].data);
        EXPECT_EQ(actual[i].padding, std::string(actual[i].padding.size(), '\0'));
    }
}

TEST_P(PiplFlavour, InlineScriptCarriesTheSameBytes) {
    const std::vector<uint8_t> resource = buildPiplBytes(GetParam());
    const std::string script = piplResourceScript(resource);
    const std::string head = "LANGUAGE 9, 1\n16000 PiPL\nBEGIN\n";
    ASSERT_EQ(script.compare(0, head.size(), head), 0) << script;
    ASSERT_GE(script.size(), head.size() + 4);
    EXPECT_EQ(script.substr(script.size() - 4), "END\n");

    std::istringstream words(script.substr(head.size(), script.size() - head.size() - 4));
    std::vector<uint8_t> decoded;
    std::string word;
    while (words >> word) {
        if (word.back() == ',') word.pop_back();
        ASSERT_EQ(word.size(), 6u) << word;
        const unsigned long value = std::strtoul(word.c_str(), nullptr, 16);
        decoded.push_back(static_cast<uint8_t>(value & 0xFF));
        decoded.push_back(static_cast<uint8_t>(value >> 8));
    }
    EXPECT_EQ(decoded, resource);
}

INSTANTIATE_TEST_SUITE_P(Builds, PiplFlavour, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& paramInfo) {
                             return paramInfo.param ? std::string("Win32") : std::string("Win64");
                         });

TEST(Pipl, FlavoursDifferOnlyInEntryKeyAndSpecVersion) {
    const std::vector<Property> wide = parse(buildPiplBytes(false));
    const std::vector<Property> narrow = parse(buildPiplBytes(true));
    ASSERT_EQ(wide.size(), narrow.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const bool differs = wide[i].key != narrow[i].key || wide[i].data != narrow[i].data;
        EXPECT_EQ(differs, i == 3 || i == 5) << "property " << i + 1;
    }
}

TEST(Pipl, GlobalSetupValuesMatchTheResource) {
    EXPECT_EQ(kEffectVersion, 0x00080601u);
    EXPECT_EQ(kGlobalOutFlags, 0x06000040);
    EXPECT_EQ(kGlobalOutFlags2, 0x00001400);
}

TEST(Pipl, ScriptsForWindres) {
    EXPECT_THROW(piplResourceScript({1, 2, 3}), std::invalid_argument);
    EXPECT_EQ(piplResourceScriptForFile("C:\\build\\pipl64.bin"),
              "LANGUAGE 9, 1\n16000 PiPL \"C:/build/pipl64.bin\"\n");
    EXPECT_THROW(piplResourceScriptForFile("a\"b"), std::invalid_argument);
}

}  // namespace
}  // namespace tilesweep
