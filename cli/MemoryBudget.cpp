#include "MemoryBudget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tilesweep {

namespace {

constexpr uint64_t kMegabyte = uint64_t{1} << 20;
// The engine's per-frame arrays per block (record, direction, step), with a spare
// set kept for the next frame.
constexpr uint64_t kBytesPerBlock = 2 * (24 + 4 + 8);
// Room the program itself, its libraries and its stacks take besides the pictures.
constexpr uint64_t kProgramBytes = 256 * kMegabyte;

}  // namespace

bool parseMemoryBudget(const std::string& text, uint64_t& bytes, std::string& error) {
    const auto refuse = [&] {
        error = "--memory-budget \"" + text + "\" is not a size (accepted: bytes, or a number with K, M, G or T, " +
                "from 64M to 1024T)";
        return false;
    };
    std::string t = text;
    if (!t.empty() && (t.back() == 'B' || t.back() == 'b')) t.pop_back();
    if (t.empty() || t.size() > 24) return refuse();
    uint64_t unit = 1;
    switch (std::toupper(static_cast<unsigned char>(t.back()))) {
        case 'K': unit = uint64_t{1} << 10; break;
        case 'M': unit = uint64_t{1} << 20; break;
        case 'G': unit = uint64_t{1} << 30; break;
        case 'T': unit = uint64_t{1} << 40; break;
        default: break;
    }
    if (unit != 1) t.pop_back();
    if (t.empty() || !std::isdigit(static_cast<unsigned char>(t.front()))) return refuse();
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(value)) return refuse();
    const double total = value * static_cast<double>(unit);
    if (total < 64.0 * kMegabyte || total > 1024.0 * static_cast<double>(uint64_t{1} << 40)) return refuse();
    bytes = static_cast<uint64_t>(total);
    return true;
}

uint64_t defaultMemoryBudget() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    uint64_t budget = pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2
                                                : uint64_t{2} << 30;
    struct rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const uint64_t room = limit.rlim_cur > kProgramBytes ? limit.rlim_cur - kProgramBytes : 0;
        budget = std::min<uint64_t>(budget, room);
    }
    return budget;
}

std::string megabytesText(uint64_t bytes) { return std::to_string((bytes + kMegabyte - 1) / kMegabyte) + " MB"; }

RenderFootprint renderFootprint(const FootprintInputs& in) {
    const uint64_t frame = static_cast<uint64_t>(std::max<int64_t>(in.width, 0)) *
                           static_cast<uint64_t>(std::max<int64_t>(in.height, 0)) * 4 * in.bytesPerChannel;
    RenderFootprint f;
    f.shared = frame + in.decoderBytes + in.sheetBytes;
    // The output frame, its file layout and its encoded bytes; the host's copies.
    uint64_t frames = 3 + (in.throughPlugin ? 2 : 0);
    f.perWorker = frames * frame + static_cast<uint64_t>(std::max<int64_t>(in.largestGrid, 1)) * kBytesPerBlock;
    if (in.exrOutput) f.perWorker += frame / in.bytesPerChannel * 4;
    return f;
}

int framesWithinBudget(const RenderFootprint& footprint, uint64_t budget, int wanted) {
    if (budget <= footprint.shared) return 0;
    const uint64_t fit = (budget - footprint.shared) / std::max<uint64_t>(footprint.perWorker, 1);
    return static_cast<int>(std::min<uint64_t>(fit, static_cast<uint64_t>(std::max(wanted, 0))));
}

}  // namespace tilesweep
