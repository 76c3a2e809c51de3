#include "ArrayPool.h"

#include <algorithm>
#include <cstdlib>

namespace tilesweep {

namespace {

ArrayPool& threadArrayPool() {
    thread_local ArrayPool pool;
    return pool;
}

}  // namespace

ArrayPool::~ArrayPool() {
    for (const Buffer& b : spare_) std::free(b.data);
}

void* ArrayPool::take(std::size_t bytes) {
    auto best = spare_.end();
    for (auto it = spare_.begin(); it != spare_.end(); ++it) {
        if (it->bytes >= bytes && (best == spare_.end() || it->bytes < best->bytes)) best = it;
    }
    if (best == spare_.end()) {
        void* data = std::malloc(bytes);
        if (data != nullptr) capacity_[data] = bytes;
        return data;
    }
    void* data = best->data;
    spare_.erase(best);
    return data;
}

void ArrayPool::give(void* data) {
    if (data == nullptr) return;
    spare_.push_back(Buffer{data, capacity_[data]});
    if (spare_.size() > kMaxSpare) {
        // The smallest buffer is the cheapest to make again.
        const auto smallest = std::min_element(spare_.begin(), spare_.end(),
                                               [](const Buffer& a, const Buffer& b) { return a.bytes < b.bytes; });
        capacity_.erase(smallest->data);
        std::free(smallest->data);
        spare_.erase(smallest);
    }
}

bool ReusingServices::allocateArray(std::size_t bytes, ArrayMemory& memory) {
    memory.data = threadArrayPool().take(bytes);
    memory.token = memory.data;
    return memory.data != nullptr;
}

void ReusingServices::freeArray(ArrayMemory& memory) {
    threadArrayPool().give(memory.token);
    memory = ArrayMemory{};
}

}  // namespace tilesweep
