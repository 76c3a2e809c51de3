// Lays out a 32-bit x86 Windows library (PE32) the way the system loader does, in
// memory the caller provides: the sections at their addresses, the base relocations
// for the address it will run at, and the import table bound to addresses the caller
// chooses. Every field of the file is treated as hostile: each read is checked
// against the file or the image, each loop is bounded by what the file can hold, and
// anything out of bounds or not understood throws PeError. Runs on any host, so that
// it is tested where the 32-bit code itself cannot run.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tilesweep::pe32 {

struct PeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum DirectoryIndex : uint32_t {
    kExportDirectory = 0,
    kImportDirectory = 1,
    kRelocationDirectory = 5,
    kTlsDirectory = 9,
    kDelayImportDirectory = 13,
};

// Section flags.
constexpr uint32_t kSectionExecute = 0x20000000u;
constexpr uint32_t kSectionRead = 0x40000000u;
constexpr uint32_t kSectionWrite = 0x80000000u;

// The largest image and file accepted: far above any plug-in, far below what would
// exhaust a 32-bit address space.
constexpr uint32_t kMaxImageSize = 256u << 20;

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

struct PeSection {
    std::string name;
    uint32_t rva = 0;
    uint32_t extent = 0;  // bytes it occupies in the image
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;  // bytes copied from the file (at most extent)
    uint32_t characteristics = 0;
};

struct PeLayout {
    uint32_t preferredBase = 0;
    uint32_t imageSize = 0;
    uint32_t headersSize = 0;
    uint32_t sectionAlignment = 0;
    uint32_t entryRva = 0;  // 0: no entry point
    bool relocationsStripped = false;
    std::array<DataDirectory, 16> directories{};
    std::vector<PeSection> sections;
};

// Reads and checks the headers of an x86 PE32 dynamic library.
PeLayout parsePe32(const std::vector<uint8_t>& file);

// Bounded access to the mapped image by relative address.
class ImageView {
public:
    ImageView(uint8_t* data, uint32_t size) : data_(data), size_(size) {}
    uint32_t size() const { return size_; }
    uint8_t* data() const { return data_; }
    bool contains(uint32_t rva, uint32_t length) const { return rva <= size_ && length <= size_ - rva; }
    uint16_t u16(uint32_t rva) const;
    uint32_t u32(uint32_t rva) const;
    void put32(uint32_t rva, uint32_t value) const;
    // A terminated string of at most maxLength characters.
    std::string cString(uint32_t rva, uint32_t maxLength = 512) const;

private:
    void need(uint32_t rva, uint32_t length) const;
    uint8_t* data_;
    uint32_t size_;
};

// Copies headers and sections into `image` (layout.imageSize bytes, zeroed by the caller).
void mapPe32(const std::vector<uint8_t>& file, const PeLayout& layout, const ImageView& image);

// Moves the image from its preferred base to loadAddress.
void relocatePe32(const PeLayout& layout, const ImageView& image, uint32_t loadAddress);

// The address of an import, or nothing if the caller does not provide it.
using ImportResolver = std::function<std::optional<uint32_t>(const std::string& library, const std::string& name)>;

struct ImportRef {
    std::string library;
    std::string name;
};

// Writes every import's address into the import address table. Names all imports the
// resolver does not provide in one PeError. Returns the imports bound.
std::vector<ImportRef> bindImportsPe32(const PeLayout& layout, const ImageView& image, const ImportResolver& resolve);

// The relative address of an exported function, which must lie in an executable section.
uint32_t exportRva(const PeLayout& layout, const ImageView& image, const std::string& name);

struct TlsInfo {
    uint32_t templateRva = 0;             // initial contents of each thread's block
    uint32_t templateSize = 0;
    uint32_t zeroFill = 0;                // zero bytes after the template
    uint32_t indexRva = 0;                // where the loader writes the module's slot index
    std::vector<uint32_t> callbackRvas;   // in call order
};

// The thread-local storage directory of a relocated image, if it has one.
std::optional<TlsInfo> tlsPe32(const PeLayout& layout, const ImageView& image, uint32_t loadAddress);

// Whether rva lies inside an executable section.
bool isCode(const PeLayout& layout, uint32_t rva);

}  // namespace tilesweep::pe32
