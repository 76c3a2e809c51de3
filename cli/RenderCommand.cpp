#include "RenderCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

#include "AtomicFile.h"
#include "ContactSheet.h"
#include "FileDescriptors.h"
#include "ImageFile.h"
#include "ParallelFrames.h"
#include "PluginSession.h"
#include "RenderBudget.h"
#include "RenderJob.h"
#include "TestImage.h"
#include "WipeMoments.h"

namespace tilesweep {

namespace {

bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The input image, or the built-in test image, admitted by the memory budget.
bool loadInput(const RenderOptions& options, const RenderJob& job, const Scene& scene, Budgeting& budgeting,
               FrameImage& input, std::string& error) {
    if (options.input.empty()) {
        const PixelDepth depth = job.depth.value_or(Depth8);
        const ImageHeader header{job.width, job.height, depth, 0};
        if (!budgeting.admit(scene, header, error)) return false;
        input = job.noiseSeed ? noiseImage(job.width, job.height, depth, *job.noiseSeed)
                              : makeTestImage(job.width, job.height, depth);
        return true;
    }
    std::string warning;
    const AdmitImage admit = [&budgeting, &scene](const ImageHeader& header, std::string& why) {
        return budgeting.admit(scene, header, why);
    };
    if (!readImageFile(options.input, job.depth, input, warning, error, admit)) return false;
    if (!warning.empty()) std::fprintf(stderr, "tilesweep: warning: %s: %s\n", options.input.c_str(), warning.c_str());
    return true;
}

// The region lies in the frame at the job's resolution.
bool readWindow(const RenderOptions& options, const RenderJob& job, const FrameImage& input, FrameWindow& window,
                std::string& error) {
    window.downsampleX = job.downsampleX;
    window.downsampleY = job.downsampleY;
    if (options.region.empty()) return true;
    window.region.emplace();
    return parseRegion(options.region, reducedSize(input.width, job.downsampleX),
                       reducedSize(input.height, job.downsampleY), *window.region, error);
}

// Outputs that cannot be written are refused before any work, as bad arguments.
bool outputsWritable(const std::vector<std::string>& outputs, std::string& error) {
    for (const std::string& path : outputs) {
        const std::string why = whyNotWritable(path);
        if (!why.empty()) {
            error = "cannot write OUTPUT \"" + path + "\": " + why;
            return false;
        }
    }
    return true;
}

bool sparesInput(const RenderOptions& options, const std::vector<std::string>& outputs, std::string& error) {
    if (options.input.empty()) return true;
    for (const std::string& path : outputs) {
        if (isSameFile(path, options.input)) {
            error = "OUTPUT \"" + path + "\" is the input image; refusing to write over it";
            return false;
        }
    }
    return true;
}

// Sweeps "Completion" over a sequence unless the user keyframed it.
std::vector<int32_t> frameTimes(const RenderJob& job, Scene& scene) {
    std::vector<int32_t> times;
    switch (job.product) {
        case Product::Frame: times = {job.frameTime}; break;
        case Product::Sequence:
            sweepCompletion(scene, 0, static_cast<int32_t>(100 * (job.frameCount - 1)));
            for (int64_t i = 0; i < job.frameCount; ++i) times.push_back(static_cast<int32_t>(100 * i));
            break;
        case Product::Sheet: times = momentsOfTheWipe(scene, job.sheetColumns * job.sheetRows); break;
    }
    return times;
}

void reportWritten(const RenderOptions& options, const RenderJob& job, const FrameBatch& batch,
                   int32_t frameWidth, int32_t frameHeight, PixelDepth depth) {
    const std::vector<std::string>& outputs = batch.outputs;
    const std::string frameSize = std::to_string(frameWidth) + " x " + std::to_string(frameHeight);
    switch (job.product) {
        case Product::Frame:
            std::fprintf(stderr, "tilesweep: wrote %s (%s, %s, frame %s)\n", options.output.c_str(), frameSize.c_str(),
                         depthName(depth), frameText(job.frameTime).c_str());
            break;
        case Product::Sequence:
            std::fprintf(stderr, "tilesweep: wrote %zu frames, %s to %s (%s, %s)\n", outputs.size(),
                         outputs.front().c_str(), outputs.back().c_str(), frameSize.c_str(), depthName(depth));
            break;
        case Product::Sheet:
            std::fprintf(stderr, "tilesweep: wrote %s, a %d x %d contact sheet of %s frames (%d x %d, %s)\n",
                         options.output.c_str(), batch.sheet->columns, batch.sheet->rows, frameSize.c_str(),
                         batch.sheet->width, batch.sheet->height, depthName(depth));
            break;
    }
}

int render(const RenderOptions& options, const FrameRenderer& renderer, std::string& error) {
    RenderJob job;
    if (!readJob(options, job, error)) return kExitBadInput;
    FrameBatch batch;
    batch.outputs = outputPaths(options, job);
    if (!outputsWritable(batch.outputs, error)) return kExitBadInput;
    Budgeting budgeting;
    if (!readBudgeting(options, job, budgeting, error)) return kExitBadInput;
    Scene scene;
    if (!buildScene(options.scene, false, scene, error)) return kExitBadInput;
    int descriptorJobs = budgeting.wantedJobs;
    if (!fitJobsToDescriptors(descriptorJobs, error)) return kExitFailed;
    FrameImage input;
    if (!loadInput(options, job, scene, budgeting, input, error)) return kExitBadInput;
    FrameWindow window;
    if (!readWindow(options, job, input, window, error)) return kExitBadInput;
    if (!checkOutputFormat(options.output, input.depth, error)) return kExitBadInput;
    if (!sparesInput(options, batch.outputs, error)) return kExitBadInput;
    batch.times = frameTimes(job, scene);

    removeTemporaryFilesOnSignals();
    const std::optional<Rect>& region = window.region;
    const int32_t frameWidth = region ? region->right - region->left : reducedSize(input.width, window.downsampleX);
    const int32_t frameHeight = region ? region->bottom - region->top : reducedSize(input.height, window.downsampleY);
    if (job.product == Product::Sheet) batch.sheet = sheetLayout(job.sheetColumns, job.sheetRows, frameWidth, frameHeight);
    batch.jobs = std::min(budgeting.jobs, descriptorJobs);
    batch.quiet = options.quiet;
    if (!renderFrames(scene, input, window, batch, renderer, error)) return kExitFailed;

    if (!options.quiet) reportWritten(options, job, batch, frameWidth, frameHeight, input.depth);
    return kExitOk;
}

}  // namespace

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
                                            const FrameWindow& window, const BlockProgress& progress,
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
        const bool rendered = mine->renderFrame(frameScene, time, input, window, progress, output, frameError);
        std::lock_guard<std::mutex> lock(poolMutex);
        idle.push_back(std::move(mine));
        return rendered;
    };
    return runRender(options, error, throughPlugin);
}

}  // namespace tilesweep
