#include "AddressSpace.h"

#include <sys/resource.h>

#include <algorithm>
#include <thread>

namespace tilesweep {

namespace {

constexpr uint64_t kMegabyte = uint64_t{1} << 20;
constexpr uint64_t kBaseNeed = 560 * kMegabyte;     // two cores' threads included
constexpr uint64_t kPerFurtherCore = 72 * kMegabyte;  // a thread's stack and malloc arena

}  // namespace

uint64_t renderAddressSpaceNeed() {
    const uint64_t cores = std::max(2u, std::thread::hardware_concurrency());
    return kBaseNeed + (cores - 2) * kPerFurtherCore;
}

bool enoughAddressSpaceToRender(std::string& error) {
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    const uint64_t need = renderAddressSpaceNeed();
    if (static_cast<uint64_t>(limit.rlim_cur) >= need) return true;
    error = "the address space is limited to " + std::to_string(limit.rlim_cur / kMegabyte) +
            " MB (ulimit -v); a render needs at least " + std::to_string((need + kMegabyte - 1) / kMegabyte) +
            " MB on this machine";
    return false;
}

}  // namespace tilesweep
