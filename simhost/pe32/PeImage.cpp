#include "PeImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tilesweep::pe32 {

namespace {

constexpr uint16_t kMachineX86 = 0x14C;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kFileIsDll = 0x2000;
constexpr uint32_t kOptionalHeaderFixedSize = 96;  // PE32, up to the data directories
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kMaxSections = 96;               // the system loader's limit
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kExportDirectorySize = 40;
constexpr uint32_t kTlsDirectorySize = 24;
constexpr uint32_t kMaxTlsCallbacks = 64;
constexpr uint32_t kMaxNameLength = 256;
constexpr uint16_t kRelocationAbsolute = 0;
constexpr uint16_t kRelocationHighLow = 3;

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

class FileReader {
public:
    explicit FileReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint16_t u16(uint32_t offset) const {
        need(offset, 2);
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t u32(uint32_t offset) const { return u16(offset) | static_cast<uint32_t>(u16(offset + 2)) << 16; }
    void need(uint32_t offset, uint32_t length) const {
        if (offset > bytes_.size() || length > bytes_.size() - offset) {
            throw PeError("truncated: " + std::to_string(length) + " bytes at file offset " + hex(offset) +
                          " lie past the end of the " + std::to_string(bytes_.size()) + "-byte file");
        }
    }

private:
    const std::vector<uint8_t>& bytes_;
};

bool fitsIn(uint32_t start, uint32_t length, uint32_t limit) { return start <= limit && length <= limit - start; }

bool isPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

const PeSection* sectionAt(const PeLayout& layout, uint32_t rva) {
    for (const PeSection& s : layout.sections) {
        if (rva >= s.rva && rva - s.rva < s.extent) return &s;
    }
    return nullptr;
}

uint32_t rvaOf(const ImageView& image, uint32_t va, uint32_t loadAddress, uint32_t length, const char* what) {
    const uint32_t rva = va - loadAddress;
    if (!image.contains(rva, length)) throw PeError(std::string(what) + " " + hex(va) + " lies outside the image");
    return rva;
}

}  // namespace

uint16_t ImageView::u16(uint32_t rva) const {
    need(rva, 2);
    return static_cast<uint16_t>(data_[rva] | data_[rva + 1] << 8);
}

uint32_t ImageView::u32(uint32_t rva) const { return u16(rva) | static_cast<uint32_t>(u16(rva + 2)) << 16; }

void ImageView::put32(uint32_t rva, uint32_t value) const {
    need(rva, 4);
    for (int i = 0; i < 4; ++i) data_[rva + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

std::string ImageView::cString(uint32_t rva, uint32_t maxLength) const {
    std::string text;
    for (uint32_t i = 0; i <= maxLength; ++i) {
        need(rva + i, 1);
        if (data_[rva + i] == 0) return text;
        text += static_cast<char>(data_[rva + i]);
    }
    throw PeError("a name at " + hex(rva) + " is longer than " + std::to_string(maxLength) + " characters");
}

void ImageView::need(uint32_t rva, uint32_t length) const {
    if (!contains(rva, length)) {
        throw PeError(std::to_string(length) + " bytes at image address " + hex(rva) + " lie outside the " +
                      std::to_string(size_) + "-byte image");
    }
}

PeLayout parsePe32(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > kMaxImageSize) throw PeError("the file is larger than any plug-in");
    const FileReader file(bytes);
    if (file.u16(0) != 0x5A4D) throw PeError("no MZ header");
    const uint32_t pe = file.u32(0x3C);
    if (file.u32(pe) != 0x00004550) throw PeError("no PE signature");
    const uint32_t coff = pe + 4;
    if (file.u16(coff) != kMachineX86) throw PeError("not built for 32-bit x86: machine " + hex(file.u16(coff)));
    const uint32_t sectionCount = file.u16(coff + 2);
    const uint32_t optionalSize = file.u16(coff + 16);
    const uint16_t characteristics = file.u16(coff + 18);
    if ((characteristics & kFileIsDll) == 0) throw PeError("not a dynamic library");
    const uint32_t optional = coff + 20;
    if (optionalSize < kOptionalHeaderFixedSize) throw PeError("optional header too small");
    file.need(optional, optionalSize);
    if (file.u16(optional) != kMagicPe32) throw PeError("not a PE32 optional header");

    PeLayout layout;
    layout.entryRva = file.u32(optional + 16);
    layout.preferredBase = file.u32(optional + 28);
    layout.sectionAlignment = file.u32(optional + 32);
    layout.imageSize = file.u32(optional + 56);
    layout.headersSize = file.u32(optional + 60);
    layout.relocationsStripped = (characteristics & kFileRelocsStripped) != 0;
    if (!isPowerOfTwo(layout.sectionAlignment)) throw PeError("section alignment is not a power of two");
    if (layout.imageSize == 0 || layout.imageSize > kMaxImageSize) throw PeError("implausible image size");
    if (layout.headersSize > layout.imageSize) throw PeError("headers larger than the image");
    file.need(0, layout.headersSize);

    const uint32_t directoryCount = file.u32(optional + 92);
    if (directoryCount > layout.directories.size() ||
        kOptionalHeaderFixedSize + 8 * directoryCount > optionalSize) {
        throw PeError("data directory count " + std::to_string(directoryCount) + " does not fit the header");
    }
    for (uint32_t i = 0; i < directoryCount; ++i) {
        DataDirectory& d = layout.directories[i];
        d.rva = file.u32(optional + kOptionalHeaderFixedSize + 8 * i);
        d.size = file.u32(optional + kOptionalHeaderFixedSize + 8 * i + 4);
        if (d.size != 0 && !fitsIn(d.rva, d.size, layout.imageSize)) {
            throw PeError("data directory " + std::to_string(i) + " lies outside the image");
        }
    }

    if (sectionCount == 0 || sectionCount > kMaxSections) throw PeError("implausible section count");
    const uint32_t table = optional + optionalSize;
    if (!fitsIn(table, kSectionHeaderSize * sectionCount, layout.headersSize)) {
        throw PeError("section table outside the headers");
    }
    uint32_t previousEnd = layout.headersSize;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint32_t at = table + kSectionHeaderSize * i;
        PeSection s;
        for (uint32_t c = 0; c < 8 && bytes[at + c] != 0; ++c) s.name += static_cast<char>(bytes[at + c]);
        const uint32_t virtualSize = file.u32(at + 8);
        s.rva = file.u32(at + 12);
        const uint32_t sizeOfRawData = file.u32(at + 16);
        s.rawOffset = file.u32(at + 20);
        s.characteristics = file.u32(at + 36);
        s.extent = virtualSize != 0 ? virtualSize : sizeOfRawData;
        s.rawSize = std::min(sizeOfRawData, s.extent);
        const std::string which = "section " + std::to_string(i) + " \"" + s.name + "\"";
        if (s.rva % layout.sectionAlignment != 0) throw PeError(which + " is not aligned");
        if (s.rva < previousEnd) throw PeError(which + " overlaps the headers or the section before it");
        if (!fitsIn(s.rva, s.extent, layout.imageSize)) throw PeError(which + " lies outside the image");
        if (s.rawSize != 0 && !fitsIn(s.rawOffset, s.rawSize, static_cast<uint32_t>(bytes.size()))) {
            throw PeError(which + " is truncated: its data lies past the end of the file");
        }
        previousEnd = s.rva + s.extent;
        layout.sections.push_back(s);
    }
    if (layout.entryRva != 0 && !isCode(layout, layout.entryRva)) {
        throw PeError("the entry point " + hex(layout.entryRva) + " is not in an executable section");
    }
    return layout;
}

void mapPe32(const std::vector<uint8_t>& file, const PeLayout& layout, const ImageView& image) {
    if (image.size() != layout.imageSize) throw PeError("image memory of the wrong size");
    std::memcpy(image.data(), file.data(), layout.headersSize);
    for (const PeSection& s : layout.sections) {
        if (s.rawSize != 0) std::memcpy(image.data() + s.rva, file.data() + s.rawOffset, s.rawSize);
    }
}

void relocatePe32(const PeLayout& layout, const ImageView& image, uint32_t loadAddress) {
    const uint32_t delta = loadAddress - layout.preferredBase;
    const DataDirectory dir = layout.directories[kRelocationDirectory];
    if (dir.size == 0) {
        if (delta != 0) throw PeError("the image has no relocations and cannot move from its preferred base");
        return;
    }
    if (delta != 0 && layout.relocationsStripped) throw PeError("the image's relocations are stripped");
    const uint32_t end = dir.rva + dir.size;
    for (uint32_t block = dir.rva; block < end;) {
        if (end - block < 8) throw PeError("relocation block header cut off at " + hex(block));
        const uint32_t page = image.u32(block);
        const uint32_t blockSize = image.u32(block + 4);
        if (blockSize < 8 || blockSize % 2 != 0 || blockSize > end - block) {
            throw PeError("relocation block at " + hex(block) + " has a bad size " + std::to_string(blockSize));
        }
        for (uint32_t entry = block + 8; entry < block + blockSize; entry += 2) {
            const uint16_t word = image.u16(entry);
            const uint16_t type = static_cast<uint16_t>(word >> 12);
            const uint32_t target = page + (word & 0xFFFu);
            if (type == kRelocationAbsolute) continue;
            if (type != kRelocationHighLow) {
                throw PeError("relocation of type " + std::to_string(type) + " at " + hex(target) + " is not for x86");
            }
            if (target < page || !image.contains(target, 4)) {
                throw PeError("relocation at " + hex(target) + " lies outside the image");
            }
            image.put32(target, image.u32(target) + delta);
        }
        block += blockSize;
    }
}

std::vector<ImportRef> bindImportsPe32(const PeLayout& layout, const ImageView& image, const ImportResolver& resolve) {
    std::vector<ImportRef> bound;
    std::vector<std::string> missing;
    const DataDirectory dir = layout.directories[kImportDirectory];
    if (dir.size == 0) return bound;
    for (uint32_t at = dir.rva;; at += kImportDescriptorSize) {
        if (!image.contains(at, kImportDescriptorSize)) throw PeError("import table runs off the image");
        const uint32_t lookup = image.u32(at);
        const uint32_t nameRva = image.u32(at + 12);
        const uint32_t addresses = image.u32(at + 16);
        if (nameRva == 0 && addresses == 0) break;
        const std::string library = image.cString(nameRva, kMaxNameLength);
        if (addresses == 0) throw PeError(library + ": import without an address table");
        const uint32_t names = lookup != 0 ? lookup : addresses;
        // The tables end with a zero entry; reads past the image throw, which bounds the loop.
        for (uint32_t i = 0;; ++i) {
            const uint32_t entry = image.u32(names + 4 * i);
            if (entry == 0) break;
            if (!image.contains(addresses + 4 * i, 4)) throw PeError(library + ": import address table runs off the image");
            if ((entry & 0x80000000u) != 0) {
                missing.push_back(library + " ordinal " + std::to_string(entry & 0xFFFFu));
                continue;
            }
            const std::string name = image.cString(entry + 2, kMaxNameLength);
            const std::optional<uint32_t> address = resolve(library, name);
            if (!address) {
                missing.push_back(library + "!" + name);
                continue;
            }
            image.put32(addresses + 4 * i, *address);
            bound.push_back({library, name});
        }
    }
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
        throw PeError("imports this loader does not provide: " + list);
    }
    return bound;
}

uint32_t exportRva(const PeLayout& layout, const ImageView& image, const std::string& name) {
    const DataDirectory dir = layout.directories[kExportDirectory];
    if (dir.size < kExportDirectorySize) throw PeError("no export table");
    const uint32_t functionCount = image.u32(dir.rva + 20);
    const uint32_t nameCount = image.u32(dir.rva + 24);
    const uint32_t functions = image.u32(dir.rva + 28);
    const uint32_t names = image.u32(dir.rva + 32);
    const uint32_t ordinals = image.u32(dir.rva + 36);
    if (nameCount > image.size() / 4 || !image.contains(names, 4 * nameCount) ||
        !image.contains(ordinals, 2 * nameCount)) {
        throw PeError("export name table lies outside the image");
    }
    for (uint32_t i = 0; i < nameCount; ++i) {
        if (image.cString(image.u32(names + 4 * i), kMaxNameLength) != name) continue;
        const uint16_t ordinal = image.u16(ordinals + 2 * i);
        if (ordinal >= functionCount) throw PeError("export " + name + " has an ordinal past the function table");
        const uint32_t target = image.u32(functions + 4u * ordinal);
        if (target >= dir.rva && target - dir.rva < dir.size) throw PeError("export " + name + " forwards elsewhere");
        if (!isCode(layout, target)) throw PeError("export " + name + " is not in an executable section");
        return target;
    }
    throw PeError("no export named " + name);
}

std::optional<TlsInfo> tlsPe32(const PeLayout& layout, const ImageView& image, uint32_t loadAddress) {
    const DataDirectory dir = layout.directories[kTlsDirectory];
    if (dir.size == 0) return std::nullopt;
    if (dir.size < kTlsDirectorySize) throw PeError("thread-local storage directory too small");
    TlsInfo tls;
    const uint32_t templateStart = image.u32(dir.rva);
    const uint32_t templateEnd = image.u32(dir.rva + 4);
    tls.zeroFill = image.u32(dir.rva + 16);
    if (templateEnd < templateStart) throw PeError("thread-local storage template ends before it starts");
    tls.templateSize = templateEnd - templateStart;
    tls.templateRva = tls.templateSize == 0 ? 0 : rvaOf(image, templateStart, loadAddress, tls.templateSize,
                                                        "thread-local storage template");
    if (tls.zeroFill > image.size()) throw PeError("thread-local storage larger than the image");
    tls.indexRva = rvaOf(image, image.u32(dir.rva + 8), loadAddress, 4, "thread-local storage index");
    const uint32_t callbacksVa = image.u32(dir.rva + 12);
    if (callbacksVa == 0) return tls;
    const uint32_t callbacks = rvaOf(image, callbacksVa, loadAddress, 4, "thread-local storage callback table");
    for (uint32_t i = 0;; ++i) {
        if (i == kMaxTlsCallbacks) throw PeError("more than " + std::to_string(kMaxTlsCallbacks) + " TLS callbacks");
        const uint32_t va = image.u32(callbacks + 4 * i);
        if (va == 0) break;
        const uint32_t rva = va - loadAddress;
        if (!isCode(layout, rva)) throw PeError("TLS callback " + hex(va) + " is not in an executable section");
        tls.callbackRvas.push_back(rva);
    }
    return tls;
}

bool isCode(const PeLayout& layout, uint32_t rva) {
    const PeSection* s = sectionAt(layout, rva);
    return s != nullptr && (s->characteristics & kSectionExecute) != 0;
}

}  // namespace tilesweep::pe32
