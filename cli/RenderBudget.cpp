#include "RenderBudget.h"

#include <sched.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <thread>

#include "ContactSheet.h"
#include "MemoryBudget.h"

namespace tilesweep {

namespace {

// Frames in flight at once; each worker keeps a temporary or two on disk.
constexpr int kMaxJobs = 32;

// The largest grid any frame of the scene can use, capped as the engine caps it.
int64_t largestGrid(const Scene& scene, int32_t width, int32_t height) {
    const auto largest = [&scene](int32_t parameter) {
        double most = scene.raw[static_cast<std::size_t>(parameter)];
        const auto keys = scene.keyframes.find(parameter);
        if (keys != scene.keyframes.end()) {
            for (const Keyframe& k : keys->second) most = std::max(most, k.value);
        }
        return std::max<int64_t>(1, static_cast<int64_t>(std::ceil(most)));
    };
    return std::min<int64_t>(largest(Row), std::max(height, 1)) * std::min<int64_t>(largest(Column), std::max(width, 1));
}

// The cores this process may run on (a container or taskset may allow fewer than
// the machine has).
int defaultJobs() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    int cores = ::sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 0;
    if (cores < 1) cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxJobs);
}

}  // namespace

bool Budgeting::admit(const Scene& scene, const ImageHeader& header, std::string& error) {
    FootprintInputs in;
    in.width = header.width;
    in.height = header.height;
    in.bytesPerChannel = bytesPerChannel(header.depth);
    in.decoderBytes = header.rowBytes;
    in.largestGrid = largestGrid(scene, header.width, header.height);
    in.throughPlugin = throughPlugin;
    in.exrOutput = exrOutput;
    if (sheetColumns > 0) {
        const SheetLayout layout = sheetLayout(sheetColumns, sheetRows, header.width, header.height);
        in.sheetBytes = static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.height) * 4 * 2 *
                        bytesPerChannel(header.depth);
    }
    const RenderFootprint footprint = renderFootprint(in);
    jobs = framesWithinBudget(footprint, budget, wantedJobs);
    if (jobs >= 1) return true;
    error = "a " + std::to_string(header.width) + " x " + std::to_string(header.height) + " " +
            depthName(header.depth) + " frame needs about " +
            megabytesText(footprint.shared + footprint.perWorker) + " to render, more than the memory budget of " +
            megabytesText(budget) + " (--memory-budget sets it)";
    return false;
}

bool readBudgeting(const RenderOptions& options, const RenderJob& job, Budgeting& budgeting, std::string& error) {
    budgeting.budget = defaultMemoryBudget();
    if (!options.memoryBudget.empty() && !parseMemoryBudget(options.memoryBudget, budgeting.budget, error)) return false;
    budgeting.wantedJobs = defaultJobs();
    if (!options.jobs.empty()) {
        int64_t jobs = 0;
        if (!parseInteger(options.jobs, 1, kMaxJobs, jobs)) {
            error = "--jobs \"" + options.jobs + "\" is not a number of frames at once (accepted: 1 to " +
                    std::to_string(kMaxJobs) + ")";
            return false;
        }
        budgeting.wantedJobs = static_cast<int>(jobs);
    }
    if (job.product != Product::Sequence) budgeting.wantedJobs = std::min(budgeting.wantedJobs,
                                                                         job.product == Product::Frame ? 1 : kMaxJobs);
    budgeting.throughPlugin = !options.direct;
    std::string extension = std::filesystem::path(options.output).extension().string();
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    budgeting.exrOutput = extension == ".exr";
    budgeting.sheetColumns = job.sheetColumns;
    budgeting.sheetRows = job.sheetRows;
    return true;
}

}  // namespace tilesweep
