// The loader of 32-bit Windows libraries: headers, mapping, relocation, import
// binding, exports and thread-local storage of any file. Anything it cannot take
// must be a PeError, never a fault or another exception.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzChecks.h"
#include "PeImage.h"

using namespace tilesweep::pe32;
using tilesweep::fuzz::require;

namespace {

// Mapping is tried for images up to this size; larger ones only have their headers read.
constexpr uint32_t kMappedImageLimit = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<uint8_t> file(data, data + size);
    try {
        const PeLayout layout = parsePe32(file);
        require(layout.imageSize <= kMaxImageSize, "the image is within the accepted size");
        for (const PeSection& s : layout.sections) {
            require(s.rva <= layout.imageSize && s.extent <= layout.imageSize - s.rva, "a section lies in the image");
            require(s.rawSize <= s.extent, "a section copies at most its extent");
            require(s.rawSize == 0 || (s.rawOffset <= size && s.rawSize <= size - s.rawOffset),
                    "a section's bytes lie in the file");
        }
        if (layout.imageSize > kMappedImageLimit) return 0;
        std::vector<uint8_t> memory(layout.imageSize, 0);
        const ImageView image(memory.data(), layout.imageSize);
        mapPe32(file, layout, image);
        const uint32_t loadAddress = layout.preferredBase ^ 0x01230000u;
        relocatePe32(layout, image, loadAddress);
        const std::vector<ImportRef> bound =
            bindImportsPe32(layout, image, [](const std::string& library, const std::string& name) -> std::optional<uint32_t> {
                if (library.empty() || name.empty()) return std::nullopt;
                return 0x70000000u + static_cast<uint32_t>(name.size());
            });
        for (const ImportRef& ref : bound) require(!ref.library.empty() && !ref.name.empty(), "a bound import has names");
        try {
            const uint32_t entry = exportRva(layout, image, "Entry");
            require(isCode(layout, entry), "an export lies in code");
        } catch (const PeError&) {
        }
        if (const auto tls = tlsPe32(layout, image, loadAddress)) {
            require(image.contains(tls->indexRva, 4), "the TLS index slot lies in the image");
        }
    } catch (const PeError& error) {
        require(error.what()[0] != '\0', "a refusal says why");
    }
    return 0;
}
