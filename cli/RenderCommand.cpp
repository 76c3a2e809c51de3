#include "RenderCommand.h"

#include <sched.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include "AtomicFile.h"
#include "ContactSheet.h"
#include "MemoryBudget.h"
#include "OrderedFrames.h"
#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "PluginSession.h"
#include "ProgressBar.h"
#include "SceneKeyframeSource.h"
#include "TestImage.h"
#include "WipeSettings.h"

namespace tilesweep {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxSide = 30000;
constexpr int64_t kMaxFrames = 1000000;
constexpr int32_t kMaxSheetSide = 16;
constexpr int32_t kDefaultWidth = 1920;
constexpr int32_t kDefaultHeight = 1080;
constexpr int kMaxPatternWidth = 12;
// Frames in flight at once; each worker keeps a temporary or two on disk.
constexpr int kMaxJobs = 32;

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size() || v < low || v > high) return false;
    value = v;
    return true;
}

bool parseDepth(const std::string& text, std::optional<PixelDepth>& depth, std::string& error) {
    if (text.empty()) return true;
    if (text == "8") {
        depth = Depth8;
    } else if (text == "16") {
        depth = Depth16;
    } else if (text == "32") {
        depth = Depth32f;
    } else {
        error = "--depth \"" + text + "\" is not a depth (accepted: 8, 16 or 32)";
        return false;
    }
    return true;
}

// "AxB" with each side from `low` to `high`.
bool parsePair(const std::string& option, const std::string& text, int32_t low, int32_t high, int32_t& first,
               int32_t& second, std::string& error) {
    const std::size_t x = text.find_first_of("xX");
    int64_t a = 0;
    int64_t b = 0;
    if (x == std::string::npos || !parseInteger(text.substr(0, x), low, high, a) ||
        !parseInteger(text.substr(x + 1), low, high, b)) {
        error = option + " \"" + text + "\" is not of the form " + (option == "--size" ? "WxH" : "CxR") +
                " (accepted: integers from " + std::to_string(low) + " to " + std::to_string(high) + ")";
        return false;
    }
    first = static_cast<int32_t>(a);
    second = static_cast<int32_t>(b);
    return true;
}

// A frame number as keyframes take it: hundredths of a frame.
bool parseFrameTime(const std::string& text, int32_t& time, std::string& error) {
    char* end = nullptr;
    const double frame = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(frame) || frame < 0 ||
        frame > static_cast<double>(kMaxFrames)) {
        error = "--frame \"" + text + "\" is not a frame number (accepted: 0 to " + std::to_string(kMaxFrames) + ")";
        return false;
    }
    time = static_cast<int32_t>(std::llround(frame * 100.0));
    return true;
}

std::string frameText(int32_t time) {
    std::string text = std::to_string(time / 100);
    if (time % 100 != 0) {
        const int32_t hundredths = time % 100;
        text += (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
        while (text.back() == '0') text.pop_back();
    }
    return text;
}

std::string percentText(double percent) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", percent);
    std::string text = buffer;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
    return text + "%";
}

// Arrays freed by one frame, handed to the next. A frame asks for three, so a few
// spare buffers are all a thread ever keeps.
class ArrayPool {
public:
    ArrayPool() = default;
    ArrayPool(const ArrayPool&) = delete;
    ArrayPool& operator=(const ArrayPool&) = delete;
    ~ArrayPool() {
        for (const Buffer& b : spare_) std::free(b.data);
    }

    void* take(std::size_t bytes) {
        // The smallest spare buffer that holds the array.
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

    void give(void* data) {
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

private:
    static constexpr std::size_t kMaxSpare = 6;
    struct Buffer {
        void* data;
        std::size_t bytes;
    };
    std::vector<Buffer> spare_;
    std::map<void*, std::size_t> capacity_;
};

ArrayPool& threadArrayPool() {
    thread_local ArrayPool pool;
    return pool;
}

bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

enum class Product { Frame, Sequence, Sheet };

// Everything the command line decided, checked.
struct RenderJob {
    Product product = Product::Frame;
    std::optional<PixelDepth> depth;
    int64_t frameCount = 1;
    int32_t frameTime = 0;
    int32_t sheetColumns = 0;
    int32_t sheetRows = 0;
    int32_t width = kDefaultWidth;
    int32_t height = kDefaultHeight;
    FramePattern pattern;
};

bool readJob(const RenderOptions& options, RenderJob& job, std::string& error) {
    const bool frames = !options.frames.empty();
    const bool frame = !options.frame.empty();
    const bool sheet = !options.sheet.empty();
    if (frames + frame + sheet > 1) {
        error = "--frames, --frame and --sheet exclude one another (give one of them)";
        return false;
    }
    if (!options.size.empty() && !options.input.empty()) {
        error = "--size sets the built-in test image's size and cannot be used with an INPUT image";
        return false;
    }
    if (!parseDepth(options.depth, job.depth, error)) return false;
    if (frames) {
        job.product = Product::Sequence;
        if (!parseInteger(options.frames, 1, kMaxFrames, job.frameCount)) {
            error = "--frames \"" + options.frames + "\" is not a frame count (accepted: 1 to " +
                    std::to_string(kMaxFrames) + ")";
            return false;
        }
        if (!FramePattern::parse(options.output, job.pattern, error)) return false;
    }
    if (frame && !parseFrameTime(options.frame, job.frameTime, error)) return false;
    if (sheet) {
        job.product = Product::Sheet;
        if (!parsePair("--sheet", options.sheet, 1, kMaxSheetSide, job.sheetColumns, job.sheetRows, error)) return false;
        if (job.sheetColumns * job.sheetRows < 2) {
            error = "--sheet \"" + options.sheet + "\" shows one moment; a contact sheet needs at least two";
            return false;
        }
    }
    if (!options.size.empty() && !parsePair("--size", options.size, 1, kMaxSide, job.width, job.height, error)) {
        return false;
    }
    fs::path folder = fs::path(options.output).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "the folder \"" + folder.string() + "\" of OUTPUT does not exist";
        return false;
    }
    return true;
}

std::vector<std::string> outputPaths(const RenderOptions& options, const RenderJob& job) {
    if (job.product != Product::Sequence) return {options.output};
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(job.frameCount));
    for (int64_t i = 0; i < job.frameCount; ++i) paths.push_back(job.pattern.path(i));
    return paths;
}

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

// Decides how many frames may be in flight, or refuses the render as bad input.
struct Budgeting {
    uint64_t budget = 0;
    int wantedJobs = 1;
    bool throughPlugin = true;
    bool exrOutput = false;
    int32_t sheetColumns = 0;
    int32_t sheetRows = 0;
    int jobs = 1;

    bool admit(const Scene& scene, const ImageHeader& header, std::string& error) {
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
};

// The cores this process may run on (a container or taskset may allow fewer than
// the machine has).
int defaultJobs() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    int cores = ::sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 0;
    if (cores < 1) cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxJobs);
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
    std::string extension = fs::path(options.output).extension().string();
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    budgeting.exrOutput = extension == ".exr";
    budgeting.sheetColumns = job.sheetColumns;
    budgeting.sheetRows = job.sheetRows;
    return true;
}

// Progress of frames that several threads render at once.
class SharedProgress {
public:
    SharedProgress(bool enabled, std::size_t frames, int workers)
        : enabled_(enabled), bar_(enabled), frames_(static_cast<double>(frames)),
          partial_(static_cast<std::size_t>(workers), 0.0) {}

    BlockProgress forWorker(int worker, std::size_t frame) {
        if (!enabled_) return {};
        const std::string label = "frame " + std::to_string(frame + 1) + "/" + std::to_string(static_cast<int64_t>(frames_));
        // Clock reads for every block of a huge grid would cost more than the blocks.
        return [this, worker, label](int32_t done, int32_t total) {
            if (total < 4096 || (done & 1023) == 0) set(worker, static_cast<double>(done) / total, label);
        };
    }
    void frameDone(int worker, std::size_t frame) {
        std::lock_guard<std::mutex> lock(mutex_);
        partial_[static_cast<std::size_t>(worker)] = 0.0;
        ++done_;
        draw("frame " + std::to_string(frame + 1) + "/" + std::to_string(static_cast<int64_t>(frames_)));
    }
    void finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        bar_.finish();
    }

private:
    void set(int worker, double fraction, const std::string& label) {
        std::lock_guard<std::mutex> lock(mutex_);
        partial_[static_cast<std::size_t>(worker)] = fraction;
        draw(label);
    }
    void draw(const std::string& label) {
        double sum = static_cast<double>(done_);
        for (double p : partial_) sum += p;
        bar_.update(std::min(1.0, sum / frames_), label);
    }

    bool enabled_;
    std::mutex mutex_;
    ProgressBar bar_;
    double frames_;
    std::vector<double> partial_;
    int64_t done_ = 0;
};

int render(const RenderOptions& options, const FrameRenderer& renderer, std::string& error) {
    RenderJob job;
    if (!readJob(options, job, error)) return kExitBadInput;
    Budgeting budgeting;
    if (!readBudgeting(options, job, budgeting, error)) return kExitBadInput;
    Scene scene;
    if (!buildScene(options.scene, false, scene, error)) return kExitBadInput;

    FrameImage input;
    if (options.input.empty()) {
        const PixelDepth depth = job.depth.value_or(Depth8);
        const ImageHeader header{job.width, job.height, depth, 0};
        if (!budgeting.admit(scene, header, error)) return kExitBadInput;
        input = makeTestImage(job.width, job.height, depth);
    } else {
        std::string warning;
        const AdmitImage admit = [&budgeting, &scene](const ImageHeader& header, std::string& why) {
            return budgeting.admit(scene, header, why);
        };
        if (!readImageFile(options.input, job.depth, input, warning, error, admit)) return kExitBadInput;
        if (!warning.empty()) std::fprintf(stderr, "tilesweep: warning: %s: %s\n", options.input.c_str(), warning.c_str());
    }
    std::optional<Rect> region;
    if (!options.region.empty()) {
        region.emplace();
        if (!parseRegion(options.region, input.width, input.height, *region, error)) return kExitBadInput;
    }
    if (!checkOutputFormat(options.output, input.depth, error)) return kExitBadInput;
    const std::vector<std::string> outputs = outputPaths(options, job);
    if (!options.input.empty()) {
        for (const std::string& path : outputs) {
            if (isSameFile(path, options.input)) {
                error = "OUTPUT \"" + path + "\" is the input image; refusing to write over it";
                return kExitBadInput;
            }
        }
    }

    std::vector<int32_t> times;
    switch (job.product) {
        case Product::Frame: times = {job.frameTime}; break;
        case Product::Sequence:
            sweepCompletion(scene, 0, static_cast<int32_t>(100 * (job.frameCount - 1)));
            for (int64_t i = 0; i < job.frameCount; ++i) times.push_back(static_cast<int32_t>(100 * i));
            break;
        case Product::Sheet: times = momentsOfTheWipe(scene, job.sheetColumns * job.sheetRows); break;
    }

    removeTemporaryFilesOnSignals();
    std::optional<ContactSheet> sheet;
    std::mutex sheetMutex;
    SheetLayout layout;
    const int32_t frameWidth = region ? region->right - region->left : input.width;
    const int32_t frameHeight = region ? region->bottom - region->top : input.height;
    if (job.product == Product::Sheet) {
        layout = sheetLayout(job.sheetColumns, job.sheetRows, frameWidth, frameHeight);
        sheet.emplace(layout);
    }
    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(budgeting.jobs), times.size()));
    SharedProgress progress(ProgressBar::wantedOnStderr(options.quiet), times.size(), workers);
    std::vector<FrameImage> outputFrames(static_cast<std::size_t>(workers));
    std::vector<std::unique_ptr<PreparedFile>> prepared(times.size());
    std::mutex preparedMutex;

    OrderedWork work;
    work.make = [&](int64_t item, int worker, std::string& itemError) {
        const auto i = static_cast<std::size_t>(item);
        FrameImage& output = outputFrames[static_cast<std::size_t>(worker)];
        if (!renderer(scene, times[i], input, region, progress.forWorker(worker, i), output, itemError)) {
            itemError = "frame " + frameText(times[i]) + ": " + itemError;
            return false;
        }
        if (sheet) {
            std::lock_guard<std::mutex> lock(sheetMutex);
            sheet->place(static_cast<int32_t>(i), output,
                         "F" + frameText(times[i]) + "  " + percentText(scene.valueAt(Completion, times[i])));
        } else {
            std::vector<unsigned char> bytes;
            if (!encodeImageFile(outputs[i], output, bytes, itemError)) return false;
            std::unique_ptr<PreparedFile> file = PreparedFile::write(outputs[i], bytes.data(), bytes.size(), itemError);
            if (!file) return false;
            std::lock_guard<std::mutex> lock(preparedMutex);
            prepared[i] = std::move(file);
        }
        progress.frameDone(worker, i);
        return true;
    };
    work.finish = [&](int64_t item, std::string& itemError) {
        std::unique_ptr<PreparedFile> file;
        {
            std::lock_guard<std::mutex> lock(preparedMutex);
            file = std::move(prepared[static_cast<std::size_t>(item)]);
        }
        return !file || file->commit(itemError);
    };
    work.drop = [&](int64_t item) {
        std::lock_guard<std::mutex> lock(preparedMutex);
        prepared[static_cast<std::size_t>(item)].reset();
    };
    // A few frames may wait on disk for an earlier, slower one.
    if (!runOrdered(static_cast<int64_t>(times.size()), workers, 2 * workers, work, error)) return kExitFailed;
    outputFrames.clear();
    if (sheet && !writeImageFile(options.output, frameFromCanvas(sheet->canvas(), input.depth), error)) {
        return kExitFailed;
    }
    progress.finish();

    if (options.quiet) return kExitOk;
    const std::string frameSize = std::to_string(frameWidth) + " x " + std::to_string(frameHeight);
    switch (job.product) {
        case Product::Frame:
            std::fprintf(stderr, "tilesweep: wrote %s (%s, %s, frame %s)\n", options.output.c_str(), frameSize.c_str(),
                         depthName(input.depth), frameText(job.frameTime).c_str());
            break;
        case Product::Sequence:
            std::fprintf(stderr, "tilesweep: wrote %zu frames, %s to %s (%s, %s)\n", outputs.size(),
                         outputs.front().c_str(), outputs.back().c_str(), frameSize.c_str(), depthName(input.depth));
            break;
        case Product::Sheet:
            std::fprintf(stderr, "tilesweep: wrote %s, a %d x %d contact sheet of %s frames (%d x %d, %s)\n",
                         options.output.c_str(), layout.columns, layout.rows, frameSize.c_str(), layout.width,
                         layout.height, depthName(input.depth));
            break;
    }
    return kExitOk;
}

}  // namespace

bool ReusingServices::allocateArray(std::size_t bytes, ArrayMemory& memory) {
    memory.data = threadArrayPool().take(bytes);
    memory.token = memory.data;
    return memory.data != nullptr;
}

void ReusingServices::freeArray(ArrayMemory& memory) {
    threadArrayPool().give(memory.token);
    memory = ArrayMemory{};
}

bool parseRegion(const std::string& text, int32_t width, int32_t height, Rect& region, std::string& error) {
    int64_t sides[4] = {};
    std::size_t start = 0;
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) {
        const std::size_t comma = i < 3 ? text.find(',', start) : text.size();
        ok = comma != std::string::npos && parseInteger(text.substr(start, comma - start), INT32_MIN, INT32_MAX, sides[i]);
        start = comma + 1;
    }
    if (!ok) {
        error = "--region \"" + text + "\" is not of the form LEFT,TOP,RIGHT,BOTTOM (four integers)";
        return false;
    }
    region = Rect{static_cast<int32_t>(sides[0]), static_cast<int32_t>(sides[1]), static_cast<int32_t>(sides[2]),
                  static_cast<int32_t>(sides[3])};
    if (region.left >= region.right || region.top >= region.bottom) {
        error = "--region \"" + text + "\" is empty (RIGHT must exceed LEFT and BOTTOM must exceed TOP)";
        return false;
    }
    if (region.left < 0 || region.top < 0 || region.right > width || region.bottom > height) {
        error = "--region \"" + text + "\" reaches outside the " + std::to_string(width) + " x " +
                std::to_string(height) + " layer";
        return false;
    }
    return true;
}

bool renderSceneFrame(const Scene& scene, int32_t time, const FrameImage& input, const std::optional<Rect>& region,
                      const BlockProgress& progress, FrameImage& output, std::string& error) {
    if (region) {
        FrameImage whole;
        if (!renderSceneFrame(scene, time, input, std::nullopt, progress, whole, error)) return false;
        output = cropFrame(whole, *region);
        return true;
    }
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(time), std::fmod);
    if (output.depth != input.depth || output.width != input.width || output.height != input.height ||
        output.bytes.size() != input.bytes.size()) {
        output = FrameImage::blank(input.depth, input.width, input.height);
    }
    ReusingServices services(input.view(), output.view(), input.depth);
    MaskPathSource masks(scene.masks);
    SceneKeyframeSource keyframes(scene);
    services.setOrderPath(&masks);
    services.setEasingKeyframes(&keyframes);
    if (progress) services.setProgress(progress);
    const int32_t err = renderFrame(settings, input.view(), output.view(), input.depth, services);
    if (err != kErrNone) {
        error = "rendering failed with error " + std::to_string(err) +
                (services.message().empty() ? "" : ": " + services.message());
        return false;
    }
    return true;
}

bool FramePattern::parse(const std::string& path, FramePattern& pattern, std::string& error) {
    const fs::path whole(path);
    const std::string name = whole.filename().string();
    std::string folder = path.substr(0, path.size() - name.size());
    pattern = FramePattern{};
    std::string* part = &pattern.before_;
    *part = folder;
    int found = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            *part += name[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < name.size() && name[j] == '%') {
            *part += '%';
            i = j;
            continue;
        }
        const bool zero = j < name.size() && name[j] == '0';
        if (zero) ++j;
        const std::size_t digits = j;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
        const int width = j > digits ? std::atoi(name.substr(digits, j - digits).c_str()) : 0;
        if (j >= name.size() || name[j] != 'd' || j - digits > 2 || width > kMaxPatternWidth) {
            error = "OUTPUT \"" + path + "\": \"" + name.substr(i, std::min(j + 1, name.size()) - i) +
                    "\" is not a frame number pattern (accepted: %d, %4d, %04d up to a width of " +
                    std::to_string(kMaxPatternWidth) + ", and %% for a percent sign)";
            return false;
        }
        ++found;
        pattern.width_ = width;
        pattern.zeroPadded_ = zero;
        part = &pattern.after_;
        i = j;
    }
    if (found != 1) {
        error = "OUTPUT \"" + path + "\" of a sequence needs exactly one frame number pattern in its file name, " +
                "such as \"frame_%04d.png\" (found " + std::to_string(found) + ")";
        return false;
    }
    return true;
}

std::string FramePattern::path(int64_t frameNumber) const {
    std::string number = std::to_string(frameNumber);
    if (static_cast<int>(number.size()) < width_) {
        number.insert(0, static_cast<std::size_t>(width_) - number.size(), zeroPadded_ ? '0' : ' ');
    }
    return before_ + number + after_;
}

void sweepCompletion(Scene& scene, int32_t firstTime, int32_t lastTime) {
    const auto found = scene.keyframes.find(Completion);
    if (found != scene.keyframes.end() && !found->second.empty()) return;
    if (firstTime >= lastTime) return;
    scene.keyframes[Completion] = {Keyframe{firstTime, 0.0}, Keyframe{lastTime, 100.0}};
}

std::vector<int32_t> momentsOfTheWipe(Scene& scene, int32_t count) {
    int32_t first = INT32_MAX;
    int32_t last = INT32_MIN;
    for (const auto& [index, keys] : scene.keyframes) {
        if (index == EasingKeyframe || keys.empty()) continue;
        first = std::min(first, keys.front().time);
        last = std::max(last, keys.back().time);
    }
    if (!(first < last)) {
        first = 0;
        last = 100 * (count - 1);
    }
    sweepCompletion(scene, first, last);
    std::vector<int32_t> times;
    for (int32_t k = 0; k < count; ++k) {
        const double along = count > 1 ? static_cast<double>(k) / (count - 1) : 0.0;
        times.push_back(first + static_cast<int32_t>(std::llround(along * (last - first))));
    }
    return times;
}

int runRender(const RenderOptions& options, std::string& error, const FrameRenderer& renderer) {
    try {
        return render(options, renderer, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return kExitFailed;
    } catch (const std::exception& e) {
        error = e.what();
        return kExitFailed;
    }
}

int runRenderThroughPlugin(const RenderOptions& options, std::string& error) {
    Scene scene;
    if (!buildScene(options.scene, false, scene, error)) return kExitBadInput;
    std::unique_ptr<PluginSession> session = PluginSession::open(options.plugin, error);
    if (!session) return kExitFailed;
    if (!session->validate(scene, error)) return kExitBadInput;
    for (const std::string& warning : session->greyedOutWarnings(scene, namedParams(options.scene))) {
        std::fprintf(stderr, "tilesweep: warning: %s\n", warning.c_str());
    }
    // One simulated host per thread: a host drives its plug-in instance from one
    // thread, as After Effects does.
    std::mutex poolMutex;
    std::vector<std::unique_ptr<PluginSession>> idle;
    idle.push_back(std::move(session));
    const FrameRenderer throughPlugin = [&](const Scene& frameScene, int32_t time, const FrameImage& input,
                                            const std::optional<Rect>& region, const BlockProgress& progress,
                                            FrameImage& output, std::string& frameError) {
        std::unique_ptr<PluginSession> mine;
        {
            std::lock_guard<std::mutex> lock(poolMutex);
            if (!idle.empty()) {
                mine = std::move(idle.back());
                idle.pop_back();
            }
        }
        if (!mine) mine = PluginSession::open(options.plugin, frameError);
        if (!mine) return false;
        const bool rendered = mine->renderFrame(frameScene, time, input, region, progress, output, frameError);
        std::lock_guard<std::mutex> lock(poolMutex);
        idle.push_back(std::move(mine));
        return rendered;
    };
    return runRender(options, error, throughPlugin);
}

}  // namespace tilesweep
