// Checks a Windows plug-in file the way a host sees it before and while loading it:
// the processor it is built for, the functions it exports (EntryPointFunc alone, under
// its plain name), the libraries it needs (system libraries only) and the plug-in
// property resource (type "PiPL", id 16000, US English) with exactly the bytes of its
// flavour.
//   tilesweep_aexcheck 64|32 FILE.aex
// Exit codes: 0 all checks pass, 1 a check fails, 2 bad arguments or an unreadable
// file.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "PiPL.h"

namespace {

// The libraries every Windows version that ran either host generation has: the
// system's base services and the C runtime MinGW-w64 targets. Anything else is a new
// dependency that must be looked at before it ships.
const std::set<std::string> kSystemLibraries = {"kernel32.dll", "msvcrt.dll"};

constexpr uint16_t kMachineX64 = 0x8664;
constexpr uint16_t kMachineX86 = 0x14C;
constexpr uint16_t kFileIsDll = 0x2000;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
enum Directory { kExports = 0, kImports = 1, kResources = 2, kDelayImports = 13 };

struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class PeImage {
public:
    explicit PeImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
        if (u16(0) != 0x5A4D) throw Malformed("no MZ header");
        const uint32_t pe = u32(0x3C);
        if (u32(pe) != 0x00004550) throw Malformed("no PE signature");
        const uint32_t coff = pe + 4;
        machine_ = u16(coff);
        const uint16_t sectionCount = u16(coff + 2);
        const uint16_t optionalSize = u16(coff + 16);
        characteristics_ = u16(coff + 18);
        const uint32_t optional = coff + 20;
        magic_ = u16(optional);
        if (magic_ != kMagicPe32 && magic_ != kMagicPe32Plus) throw Malformed("unknown optional header");
        const uint32_t directoryCountAt = optional + (magic_ == kMagicPe32Plus ? 108 : 92);
        const uint32_t directoryCount = u32(directoryCountAt);
        for (uint32_t i = 0; i < directoryCount && i < 16; ++i) {
            directories_[i] = {u32(directoryCountAt + 4 + 8 * i), u32(directoryCountAt + 8 + 8 * i)};
        }
        for (uint32_t i = 0; i < sectionCount; ++i) {
            const uint32_t at = optional + optionalSize + 40 * i;
            sections_.push_back({u32(at + 8), u32(at + 12), u32(at + 16), u32(at + 20)});
        }
    }

    uint16_t machine() const { return machine_; }
    uint16_t magic() const { return magic_; }
    bool isDll() const { return (characteristics_ & kFileIsDll) != 0; }

    struct Range {
        uint32_t rva = 0;
        uint32_t size = 0;
    };
    Range directory(Directory d) const { return directories_[d]; }

    // File offset of an address of the loaded image.
    uint32_t offsetOf(uint32_t rva) const {
        for (const Section& s : sections_) {
            const uint32_t extent = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.address && rva - s.address < extent) {
                if (rva - s.address >= s.rawSize) throw Malformed("address in a section's uninitialised part");
                return s.rawOffset + (rva - s.address);
            }
        }
        throw Malformed("address outside every section");
    }

    uint16_t u16(uint32_t offset) const {
        need(offset, 2);
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t u32(uint32_t offset) const {
        return u16(offset) | static_cast<uint32_t>(u16(offset + 2)) << 16;
    }
    std::string cString(uint32_t offset) const {
        std::string text;
        for (;; ++offset) {
            need(offset, 1);
            if (bytes_[offset] == 0) return text;
            text += static_cast<char>(bytes_[offset]);
        }
    }
    std::vector<uint8_t> slice(uint32_t offset, uint32_t size) const {
        need(offset, size);
        return std::vector<uint8_t>(bytes_.begin() + offset, bytes_.begin() + offset + size);
    }

private:
    struct Section {
        uint32_t virtualSize, address, rawSize, rawOffset;
    };

    void need(uint32_t offset, uint32_t size) const {
        if (offset > bytes_.size() || size > bytes_.size() - offset) throw Malformed("read past the end of the file");
    }

    std::vector<uint8_t> bytes_;
    uint16_t machine_ = 0;
    uint16_t characteristics_ = 0;
    uint16_t magic_ = 0;
    Range directories_[16] = {};
    std::vector<Section> sections_;
};

std::vector<std::string> exportedNames(const PeImage& image) {
    std::vector<std::string> names;
    const PeImage::Range dir = image.directory(kExports);
    if (dir.size == 0) return names;
    const uint32_t at = image.offsetOf(dir.rva);
    const uint32_t functionCount = image.u32(at + 20);
    const uint32_t nameCount = image.u32(at + 24);
    const uint32_t functions = image.u32(at + 28);
    const uint32_t namesAt = image.u32(at + 32);
    const uint32_t ordinals = image.u32(at + 36);
    for (uint32_t i = 0; i < nameCount; ++i) {
        const std::string name = image.cString(image.offsetOf(image.u32(image.offsetOf(namesAt) + 4 * i)));
        const uint16_t ordinal = image.u16(image.offsetOf(ordinals) + 2 * i);
        const uint32_t target = ordinal < functionCount ? image.u32(image.offsetOf(functions) + 4u * ordinal) : 0;
        // An address inside the export table itself forwards to another library.
        const bool forwarded = target >= dir.rva && target - dir.rva < dir.size;
        names.push_back(forwarded || target == 0 ? name + " (not code of this file)" : name);
    }
    // Functions reachable by ordinal only are exports as well.
    for (uint32_t i = nameCount; i < functionCount; ++i) names.push_back("#ordinal");
    return names;
}

std::vector<std::string> importedLibraries(const PeImage& image) {
    std::vector<std::string> libraries;
    const PeImage::Range dir = image.directory(kImports);
    if (dir.size == 0) return libraries;
    for (uint32_t at = image.offsetOf(dir.rva);; at += 20) {
        const uint32_t nameRva = image.u32(at + 12);
        if (nameRva == 0 && image.u32(at + 16) == 0) break;
        libraries.push_back(image.cString(image.offsetOf(nameRva)));
    }
    return libraries;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The resource tree: type, name, language. Names are counted UTF-16 strings.
struct ResourceEntry {
    bool named = false;
    uint32_t id = 0;
    std::string name;
    bool isDirectory = false;
    uint32_t offset = 0;  // from the start of the resource directory
};

std::vector<ResourceEntry> resourceEntries(const PeImage& image, uint32_t base, uint32_t directoryOffset) {
    std::vector<ResourceEntry> entries;
    const uint32_t at = base + directoryOffset;
    const uint32_t count = static_cast<uint32_t>(image.u16(at + 12)) + image.u16(at + 14);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t nameField = image.u32(at + 16 + 8 * i);
        const uint32_t dataField = image.u32(at + 20 + 8 * i);
        ResourceEntry e;
        e.named = (nameField & 0x80000000u) != 0;
        if (e.named) {
            const uint32_t nameAt = base + (nameField & 0x7FFFFFFFu);
            const uint16_t length = image.u16(nameAt);
            for (uint16_t c = 0; c < length; ++c) {
                const uint16_t unit = image.u16(nameAt + 2 + 2u * c);
                e.name += unit < 0x80 ? static_cast<char>(unit) : '?';
            }
        } else {
            e.id = nameField;
        }
        e.isDirectory = (dataField & 0x80000000u) != 0;
        e.offset = dataField & 0x7FFFFFFFu;
        entries.push_back(e);
    }
    return entries;
}

std::string entryName(const ResourceEntry& e) { return e.named ? "\"" + e.name + "\"" : std::to_string(e.id); }

// The property resource's bytes, or a reason why there are none.
bool findPipl(const PeImage& image, std::vector<uint8_t>& bytes, std::string& problem) {
    const PeImage::Range dir = image.directory(kResources);
    if (dir.size == 0) {
        problem = "no resources";
        return false;
    }
    const uint32_t base = image.offsetOf(dir.rva);
    // Resource type names are matched without regard to case; windres writes "PIPL".
    std::vector<ResourceEntry> types;
    for (const ResourceEntry& t : resourceEntries(image, base, 0)) {
        if (t.named && lower(t.name) == "pipl") types.push_back(t);
    }
    if (types.size() != 1 || !types[0].isDirectory) {
        problem = "expected one resource type \"PiPL\", found " + std::to_string(types.size());
        return false;
    }
    const std::vector<ResourceEntry> ids = resourceEntries(image, base, types[0].offset);
    if (ids.size() != 1 || ids[0].named || ids[0].id != static_cast<uint32_t>(tilesweep::kPiplResourceId) ||
        !ids[0].isDirectory) {
        problem = "expected the one id " + std::to_string(tilesweep::kPiplResourceId) + ", found " +
                  std::to_string(ids.size()) + (ids.empty() ? "" : " starting with " + entryName(ids[0]));
        return false;
    }
    const std::vector<ResourceEntry> languages = resourceEntries(image, base, ids[0].offset);
    const uint32_t language = static_cast<uint32_t>(tilesweep::kPiplSublanguage << 10 | tilesweep::kPiplLanguage);
    if (languages.size() != 1 || languages[0].named || languages[0].id != language || languages[0].isDirectory) {
        problem = "expected the one language " + std::to_string(language) + ", found " +
                  std::to_string(languages.size()) + (languages.empty() ? "" : " starting with " + entryName(languages[0]));
        return false;
    }
    const uint32_t data = base + languages[0].offset;
    bytes = image.slice(image.offsetOf(image.u32(data)), image.u32(data + 4));
    return true;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
    return text.empty() ? "(none)" : text;
}

struct Checker {
    bool passed = true;
    void check(bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        passed = passed && ok;
    }
};

int checkFile(const std::string& path, bool flavour32) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        std::fprintf(stderr, "tilesweep_aexcheck: cannot read %s\n", path.c_str());
        return 2;
    }
    Checker c;
    try {
        const PeImage image(std::move(bytes));
        const uint16_t machine = flavour32 ? kMachineX86 : kMachineX64;
        const uint16_t magic = flavour32 ? kMagicPe32 : kMagicPe32Plus;
        const auto describe = [](uint16_t m, uint16_t g) {
            char text[64];
            std::snprintf(text, sizeof text, "0x%X, %s", m, g == kMagicPe32Plus ? "PE32+" : g == kMagicPe32 ? "PE32" : "?");
            return std::string(text);
        };
        const bool processorOk = image.machine() == machine && image.magic() == magic;
        c.check(processorOk, "processor: " + describe(image.machine(), image.magic()) +
                                 (processorOk ? "" : ", expected " + describe(machine, magic)) +
                                 (flavour32 ? " (32-bit x86)" : " (x86-64)"));
        c.check(image.isDll(), "a dynamic library");

        const std::vector<std::string> exports = exportedNames(image);
        c.check(exports == std::vector<std::string>{tilesweep::kEntryPointName}, "exports: " + joined(exports));

        const std::vector<std::string> imports = importedLibraries(image);
        std::vector<std::string> foreign;
        for (const std::string& library : imports) {
            if (kSystemLibraries.count(lower(library)) == 0) foreign.push_back(library);
        }
        c.check(!imports.empty() && foreign.empty(),
                "imports: " + joined(imports) + (foreign.empty() ? "" : "; not system libraries: " + joined(foreign)));
        c.check(image.directory(kDelayImports).size == 0, "no delay-loaded libraries");

        std::vector<uint8_t> pipl;
        std::string problem;
        if (findPipl(image, pipl, problem)) {
            const std::vector<uint8_t> expected = tilesweep::buildPiplBytes(flavour32);
            c.check(pipl == expected, "PiPL resource 16000, language 1033: " + std::to_string(pipl.size()) +
                                          " bytes, " + (pipl == expected ? "equal to" : "DIFFERENT from") +
                                          " the " + (flavour32 ? "32" : "64") + "-bit flavour's");
        } else {
            c.check(false, "PiPL resource: " + problem);
        }
    } catch (const Malformed& error) {
        c.check(false, std::string("readable as a Windows program file: ") + error.what());
    }
    return c.passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 2 || (args[0] != "64" && args[0] != "32")) {
        std::fprintf(stderr, "usage: tilesweep_aexcheck 64|32 FILE.aex\n");
        return 2;
    }
    std::printf("%s\n", args[1].c_str());
    return checkFile(args[1], args[0] == "32");
}
