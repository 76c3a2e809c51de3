// Frames made on several threads and finished in their order: a sequence on disk
// grows frame by frame exactly as a single-threaded run would leave it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tilesweep {

struct OrderedWork {
    // Makes item i (renders, encodes, writes a temporary); called on any worker.
    std::function<bool(int64_t item, int worker, std::string& error)> make;
    // Finishes item i (renames it into place); called once every item before it is
    // finished, one call at a time.
    std::function<bool(int64_t item, std::string& error)> finish;
    // Drops item i, made but never to be finished because an earlier one failed.
    std::function<void(int64_t item)> drop;
};

// Runs `count` items on `workers` threads (1 runs on the calling thread), starting
// an item only while it is fewer than `window` items ahead of the oldest unfinished
// one. The first item to fail (the lowest number) stops the run: items after it are
// not started, or dropped, items before it are finished. False with that item's
// error.
bool runOrdered(int64_t count, int workers, int window, const OrderedWork& work, std::string& error);

}  // namespace tilesweep
