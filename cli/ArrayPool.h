// Per-frame arrays kept for the thread's next frame.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "LocalServices.h"

namespace tilesweep {

// Arrays freed by one frame, handed to the next. A frame asks for three, so a few
// spare buffers are all a thread ever keeps.
class ArrayPool {
public:
    ArrayPool() = default;
    ArrayPool(const ArrayPool&) = delete;
    ArrayPool& operator=(const ArrayPool&) = delete;
    ~ArrayPool();

    // The smallest spare buffer of at least `bytes`, or fresh memory; null when none.
    void* take(std::size_t bytes);
    // Keeps `data` (from take) for a later take; null is ignored.
    void give(void* data);

private:
    static constexpr std::size_t kMaxSpare = 6;
    struct Buffer {
        void* data;
        std::size_t bytes;
    };
    std::vector<Buffer> spare_;
    std::map<void*, std::size_t> capacity_;
};

// Local services whose per-frame arrays are kept for the thread's next frame. Fresh
// memory costs a page fault per page on first touch, which for a big grid (300 MB of
// arrays at 3000 x 3000 blocks) takes far longer than drawing the frame.
class ReusingServices : public LocalServices {
public:
    using LocalServices::LocalServices;
    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override;
    void freeArray(ArrayMemory& memory) override;
};

}  // namespace tilesweep
