#include "LocalServices.h"

#include <cmath>
#include <cstdlib>

#include "ImageOps.h"

namespace tilesweep {

bool LocalServices::allocateArray(std::size_t bytes, ArrayMemory& memory) {
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

int32_t LocalServices::fill(const Rect* rect) { return fillImage(depth_, output_, rect); }

int32_t LocalServices::transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) {
    return transferRect(depth_, input_, source, mode, x, y, output_);
}

double LocalServices::floor(double x) { return std::floor(x); }

}  // namespace tilesweep
