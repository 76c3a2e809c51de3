// The reading, mapping, relocation and import binding of 32-bit Windows libraries that
// the proof's loader runs the x86 .aex with, on a small library built here byte by byte.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "PeImage.h"

namespace {

using namespace tilesweep::pe32;

constexpr uint32_t kBase = 0x10000000;
constexpr uint32_t kImageSize = 0x4000;
constexpr uint32_t kOptional = 0x58;
constexpr uint32_t kSectionTable = kOptional + 0xE0;

struct SectionSpec {
    const char* name;
    uint32_t rva, virtualSize, rawOffset, rawSize, characteristics;
};
constexpr SectionSpec kSections[] = {
    {".text", 0x1000, 0x200, 0x200, 0x200, 0x60000020},
    {".data", 0x2000, 0x400, 0x400, 0x400, 0xC0000040},
    {".reloc", 0x3000, 0x200, 0x800, 0x200, 0x42000040},
};

// A dynamic library with code, an absolute pointer to it, two KERNEL32 imports, one
// export, a TLS callback and the relocations of its four absolute addresses.
class TinyLibrary {
public:
    TinyLibrary() : bytes(0xA00, 0) {
        put16At(0, 0x5A4D);
        put32At(0x3C, 0x40);
        put32At(0x40, 0x00004550);
        put16At(0x44, 0x14C);
        put16At(0x46, 3);
        put16At(0x54, 0xE0);
        put16At(0x56, 0x2102);
        put16At(kOptional, 0x10B);
        put32At(kOptional + 16, 0x1000);
        put32At(kOptional + 28, kBase);
        put32At(kOptional + 32, 0x1000);
        put32At(kOptional + 36, 0x200);
        put32At(kOptional + 56, kImageSize);
        put32At(kOptional + 60, 0x200);
        put32At(kOptional + 92, 16);
        directory(kExportDirectory, 0x2200, 0x80);
        directory(kImportDirectory, 0x2100, 40);
        directory(kRelocationDirectory, 0x3000, 16);
        directory(kTlsDirectory, 0x2300, 24);
        for (uint32_t i = 0; i < 3; ++i) {
            const SectionSpec& s = kSections[i];
            const uint32_t at = kSectionTable + 40 * i;
            for (uint32_t c = 0; s.name[c] != '\0'; ++c) bytes[at + c] = static_cast<uint8_t>(s.name[c]);
            put32At(at + 8, s.virtualSize);
            put32At(at + 12, s.rva);
            put32At(at + 16, s.rawSize);
            put32At(at + 20, s.rawOffset);
            put32At(at + 36, s.characteristics);
        }
        put32(0x2000, kBase + 0x1010);  // a pointer to the exported function
        // Imports: lookup table, name, address table.
        put32(0x2100, 0x2180);
        put32(0x2100 + 12, 0x21C0);
        put32(0x2100 + 16, 0x21A0);
        for (uint32_t table : {0x2180u, 0x21A0u}) {
            put32(table, 0x21D0);
            put32(table + 4, 0x21E0);
        }
        text(0x21C0, "KERNEL32.dll");
        text(0x21D2, "TlsAlloc");
        text(0x21E2, "GetLastError");
        // Export "Entry" at 0x1010.
        put32(0x2200 + 20, 1);
        put32(0x2200 + 24, 1);
        put32(0x2200 + 28, 0x2240);
        put32(0x2200 + 32, 0x2250);
        put32(0x2200 + 36, 0x2260);
        put32(0x2240, 0x1010);
        put32(0x2250, 0x2270);
        text(0x2270, "Entry");
        // TLS: index slot and one callback.
        put32(0x2300 + 8, kBase + 0x2340);
        put32(0x2300 + 12, kBase + 0x2350);
        put32(0x2350, kBase + 0x1020);
        // One block for the page at 0x2000: the four absolute addresses.
        put32(0x3000, 0x2000);
        put32(0x3004, 16);
        const uint16_t entries[] = {0x3000, 0x3308, 0x330C, 0x3350};
        for (uint32_t i = 0; i < 4; ++i) put16(0x3008 + 2 * i, entries[i]);
    }

    uint32_t fileOffset(uint32_t rva) const {
        for (const SectionSpec& s : kSections) {
            if (rva >= s.rva && rva < s.rva + s.rawSize) return s.rawOffset + rva - s.rva;
        }
        ADD_FAILURE() << "no file offset for " << rva;
        return 0;
    }
    void put16At(uint32_t offset, uint16_t value) {
        bytes.at(offset) = static_cast<uint8_t>(value);
        bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
    }
    void put32At(uint32_t offset, uint32_t value) {
        put16At(offset, static_cast<uint16_t>(value));
        put16At(offset + 2, static_cast<uint16_t>(value >> 16));
    }
    void put16(uint32_t rva, uint16_t value) { put16At(fileOffset(rva), value); }
    void put32(uint32_t rva, uint32_t value) { put32At(fileOffset(rva), value); }
    void text(uint32_t rva, const std::string& value) {
        for (std::size_t i = 0; i < value.size(); ++i) bytes.at(fileOffset(rva) + i) = static_cast<uint8_t>(value[i]);
    }
    void directory(uint32_t index, uint32_t rva, uint32_t size) {
        put32At(kOptional + 96 + 8 * index, rva);
        put32At(kOptional + 100 + 8 * index, size);
    }
    void section(uint32_t index, uint32_t field, uint32_t value) { put32At(kSectionTable + 40 * index + field, value); }

    std::vector<uint8_t> bytes;
};

std::optional<uint32_t> provideAll(const std::string& library, const std::string& name) {
    if (library != "KERNEL32.dll") return std::nullopt;
    if (name == "TlsAlloc") return 0x7000'0010u;
    if (name == "GetLastError") return 0x7000'0020u;
    return std::nullopt;
}

// A library loaded as the loader does it, every step of which may throw PeError.
struct Loaded {
    PeLayout layout;
    std::vector<uint8_t> memory;
    std::optional<TlsInfo> tls;
    uint32_t entry = 0;

    Loaded(const std::vector<uint8_t>& file, uint32_t loadAddress, const ImportResolver& resolve = provideAll)
        : layout(parsePe32(file)), memory(layout.imageSize, 0) {
        const ImageView image = view();
        mapPe32(file, layout, image);
        relocatePe32(layout, image, loadAddress);
        bindImportsPe32(layout, image, resolve);
        tls = tlsPe32(layout, image, loadAddress);
        entry = exportRva(layout, image, "Entry");
    }
    ImageView view() { return ImageView(memory.data(), static_cast<uint32_t>(memory.size())); }
};

std::string failureOf(const std::function<void()>& load) {
    try {
        load();
    } catch (const PeError& error) {
        return error.what();
    }
    return "(loaded)";
}

TEST(Pe32Image, LoadsAwayFromItsPreferredBase) {
    const TinyLibrary library;
    const uint32_t loadAddress = kBase + 0x01230000;
    Loaded loaded(library.bytes, loadAddress);
    const ImageView image = loaded.view();
    EXPECT_EQ(image.u32(0x2000), loadAddress + 0x1010);
    EXPECT_EQ(image.u32(0x21A0), 0x7000'0010u);
    EXPECT_EQ(image.u32(0x21A4), 0x7000'0020u);
    EXPECT_EQ(image.u32(0x2180), 0x21D0u) << "the lookup table stays as it was";
    EXPECT_EQ(loaded.entry, 0x1010u);
    ASSERT_TRUE(loaded.tls.has_value());
    EXPECT_EQ(loaded.tls->indexRva, 0x2340u);
    EXPECT_EQ(loaded.tls->callbackRvas, std::vector<uint32_t>{0x1020});
    EXPECT_EQ(image.u16(0x0), 0x5A4D) << "headers mapped";
    EXPECT_EQ(image.u32(0x2400), 0u) << "the part of a section beyond its data is zero";

    Loaded atHome(library.bytes, kBase);
    EXPECT_EQ(atHome.view().u32(0x2000), kBase + 0x1010);
}

TEST(Pe32Image, EveryTruncatedFileIsRefused) {
    const TinyLibrary library;
    for (std::size_t length = 0; length < library.bytes.size(); ++length) {
        const std::vector<uint8_t> cut(library.bytes.begin(), library.bytes.begin() + static_cast<long>(length));
        EXPECT_THROW(parsePe32(cut), PeError) << length << " bytes";
    }
}

TEST(Pe32Image, ImportsNotProvidedAreNamedAllAtOnce) {
    const TinyLibrary library;
    const auto onlyTlsAlloc = [](const std::string& l, const std::string& n) -> std::optional<uint32_t> {
        return n == "TlsAlloc" ? provideAll(l, n) : std::nullopt;
    };
    EXPECT_EQ(failureOf([&] { Loaded(library.bytes, kBase, onlyTlsAlloc); }),
              "imports this loader does not provide: KERNEL32.dll!GetLastError");
    const auto nothing = [](const std::string&, const std::string&) -> std::optional<uint32_t> { return std::nullopt; };
    EXPECT_EQ(failureOf([&] { Loaded(library.bytes, kBase, nothing); }),
              "imports this loader does not provide: KERNEL32.dll!TlsAlloc, KERNEL32.dll!GetLastError");

    TinyLibrary byOrdinal;
    byOrdinal.put32(0x2184, 0x80000007);
    EXPECT_EQ(failureOf([&] { Loaded(byOrdinal.bytes, kBase); }),
              "imports this loader does not provide: KERNEL32.dll ordinal 7");
}

struct Damage {
    const char* what;
    std::function<void(TinyLibrary&)> apply;
    const char* reason;  // part of the message
};

void expectRefused(const std::vector<Damage>& cases) {
    for (const Damage& d : cases) {
        TinyLibrary library;
        d.apply(library);
        const std::string failure = failureOf([&] { Loaded(library.bytes, kBase + 0x10000); });
        EXPECT_NE(failure.find(d.reason), std::string::npos) << d.what << ": " << failure;
    }
}

TEST(Pe32Image, BadRelocationsAreRefused) {
    expectRefused({
        {"a 64-bit relocation", [](TinyLibrary& l) { l.put16(0x3008, 0xA000); }, "type 10"},
        {"a target past the image", [](TinyLibrary& l) { l.put32(0x3000, kImageSize - 2); }, "outside the image"},
        {"a target straddling the end", [](TinyLibrary& l) { l.put32(0x3000, kImageSize - 0x1000); l.put16(0x3008, 0x3FFE); },
         "outside the image"},
        {"a block shorter than its header", [](TinyLibrary& l) { l.put32(0x3004, 6); }, "bad size"},
        {"a block of odd size", [](TinyLibrary& l) { l.put32(0x3004, 15); }, "bad size"},
        {"a block past its directory", [](TinyLibrary& l) { l.put32(0x3004, 0x100); }, "bad size"},
        {"a directory cutting a block header", [](TinyLibrary& l) { l.directory(kRelocationDirectory, 0x3000, 20); },
         "cut off"},
        {"no relocations at all", [](TinyLibrary& l) { l.directory(kRelocationDirectory, 0, 0); }, "cannot move"},
        {"relocations marked stripped", [](TinyLibrary& l) { l.put16At(0x56, 0x2103); }, "stripped"},
    });
}

TEST(Pe32Image, ForgedHeadersAreRefused) {
    expectRefused({
        {"no MZ", [](TinyLibrary& l) { l.put16At(0, 0x5A4E); }, "no MZ"},
        {"PE header past the end", [](TinyLibrary& l) { l.put32At(0x3C, 0xFFFFFFF0); }, "truncated"},
        {"built for x86-64", [](TinyLibrary& l) { l.put16At(0x44, 0x8664); }, "not built for 32-bit x86"},
        {"a program, not a library", [](TinyLibrary& l) { l.put16At(0x56, 0x0102); }, "not a dynamic library"},
        {"a PE32+ header", [](TinyLibrary& l) { l.put16At(kOptional, 0x20B); }, "not a PE32"},
        {"no image", [](TinyLibrary& l) { l.put32At(kOptional + 56, 0); }, "implausible image size"},
        {"a 4 GiB image", [](TinyLibrary& l) { l.put32At(kOptional + 56, 0xFFFFF000); }, "implausible image size"},
        {"headers beyond the image", [](TinyLibrary& l) { l.put32At(kOptional + 60, kImageSize + 1); }, "headers larger"},
        {"17 directories", [](TinyLibrary& l) { l.put32At(kOptional + 92, 17); }, "does not fit"},
        {"a directory past the image", [](TinyLibrary& l) { l.directory(kImportDirectory, 0x3FF0, 0x20); },
         "outside the image"},
        {"a directory wrapping around", [](TinyLibrary& l) { l.directory(kImportDirectory, 0x2100, 0xFFFFFF00); },
         "outside the image"},
        {"no sections", [](TinyLibrary& l) { l.put16At(0x46, 0); }, "section count"},
        {"a section table past the headers", [](TinyLibrary& l) { l.put16At(0x46, 90); }, "section table"},
        {"a section past the image", [](TinyLibrary& l) { l.section(2, 12, 0x4000); }, "outside the image"},
        {"a section wrapping around", [](TinyLibrary& l) { l.section(2, 8, 0xFFFFF000); }, "outside the image"},
        {"a section's data past the file", [](TinyLibrary& l) { l.section(2, 20, 0x900); }, "truncated"},
        {"overlapping sections", [](TinyLibrary& l) { l.section(1, 12, 0x1000); }, "overlaps"},
        {"a section over the headers", [](TinyLibrary& l) { l.section(0, 12, 0); }, "overlaps"},
        {"a misaligned section", [](TinyLibrary& l) { l.section(1, 12, 0x2100); }, "not aligned"},
        {"an entry point in data", [](TinyLibrary& l) { l.put32At(kOptional + 16, 0x2000); }, "entry point"},
        {"an export into data", [](TinyLibrary& l) { l.put32(0x2240, 0x2000); }, "not in an executable section"},
        {"an export forwarded", [](TinyLibrary& l) { l.put32(0x2240, 0x2210); }, "forwards"},
        {"an export ordinal past the table", [](TinyLibrary& l) { l.put16(0x2260, 1); }, "ordinal past"},
        {"no such export", [](TinyLibrary& l) { l.text(0x2270, "Entri"); }, "no export named Entry"},
        {"a huge export name table", [](TinyLibrary& l) { l.put32(0x2200 + 24, 0x40000000); }, "export name table"},
        {"an import library name past the image", [](TinyLibrary& l) { l.put32(0x2100 + 12, kImageSize); },
         "outside the"},
        {"an import address table running off the image",
         [](TinyLibrary& l) {
             l.put32(0x2114 + 12, 0x21C0);
             l.put32(0x2114 + 16, kImageSize - 2);
         },
         "outside the"},
        {"a TLS callback into data", [](TinyLibrary& l) { l.put32(0x2350, kBase + 0x2000); }, "TLS callback"},
        {"a TLS index past the image", [](TinyLibrary& l) { l.put32(0x2308, kBase + kImageSize); }, "index"},
        {"a TLS template ending first", [](TinyLibrary& l) { l.put32(0x2300, 8); }, "ends before it starts"},
        {"a TLS block of 4 GiB", [](TinyLibrary& l) { l.put32(0x2300 + 16, 0xFFFFFFF0); }, "larger than the image"},
    });
}

// Any single damaged byte gives a clean refusal or a load, never a read or write out of
// bounds (the sanitizer build checks the latter).
TEST(Pe32Image, DamagedBytesNeverEscapeTheChecks) {
    const TinyLibrary library;
    int refused = 0;
    for (std::size_t at = 0; at < library.bytes.size(); ++at) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, static_cast<uint8_t>(library.bytes[at] + 1)}) {
            std::vector<uint8_t> damaged = library.bytes;
            damaged[at] = value;
            try {
                Loaded(damaged, kBase + 0x10000);
            } catch (const PeError&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 100) << "damage in the headers must be noticed";
}

}  // namespace
