#include "LocalServices.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "ImageOps.h"

namespace tilesweep {

namespace {
// Arrays of a large grid span hundreds of megabytes; touching them page by page
// costs more than planning the blocks. Huge pages take that cost down 512-fold.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}  // namespace

bool LocalServices::allocateArray(std::size_t bytes, ArrayMemory& memory) {
#if defined(__linux__)
    if (bytes >= 4 * kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* block = nullptr;
        if (::posix_memalign(&block, kHugePage, rounded) != 0) return false;
        ::madvise(block, rounded, MADV_HUGEPAGE);
        memory.data = block;
        memory.token = block;
        return true;
    }
#endif
    memory.data = std::malloc(bytes);
    memory.token = memory.data;
    return memory.data != nullptr;
}

void LocalServices::freeArray(ArrayMemory& memory) {
    std::free(memory.token);
    memory = ArrayMemory{};
}

int32_t LocalServices::copy(const Rect* source, const Rect* destination) {
    return copyImage(depth_, input_, output_, source, destination);
}

int32_t LocalServices::copyPart(const Rect& source, const Rect& destination, const Rect& part, int32_t x,
                                int32_t y) {
    const int64_t width = int64_t{destination.right} - destination.left;
    const int64_t height = int64_t{destination.bottom} - destination.top;
    if (width <= 0 || height <= 0) return kErrNone;
    const int64_t pixelBytes = 4 * (depth_ == Depth8 ? 1 : depth_ == Depth16 ? 2 : 4);
    // One block's pixels at most; refused rather than thrown when they cannot be had.
    std::vector<unsigned char> pixels;
    try {
        pixels.resize(static_cast<std::size_t>(width * height * pixelBytes));
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    const ImageView scratch{pixels.data(), static_cast<int32_t>(width), static_cast<int32_t>(width),
                            static_cast<int32_t>(height)};
    if (const int32_t err = copyImage(depth_, input_, scratch, &source, nullptr)) return err;
    const Rect from{part.left - destination.left, part.top - destination.top, part.right - destination.left,
                    part.bottom - destination.top};
    const Rect to{x, y, x + (part.right - part.left), y + (part.bottom - part.top)};
    return copyImage(depth_, scratch, output_, &from, &to);
}

int32_t LocalServices::fill(const Rect* rect) { return fillImage(depth_, output_, rect); }

int32_t LocalServices::transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) {
    return transferRect(depth_, input_, source, mode, x, y, output_);
}

double LocalServices::floor(double x) { return std::floor(x); }

}  // namespace tilesweep
