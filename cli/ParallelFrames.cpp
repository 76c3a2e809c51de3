#include "ParallelFrames.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "AtomicFile.h"
#include "ImageFile.h"
#include "OrderedFrames.h"
#include "ProgressBar.h"
#include "WipeMoments.h"

namespace tilesweep {

namespace {

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

}  // namespace

bool renderFrames(const Scene& scene, const FrameImage& input, const FrameWindow& window,
                  const FrameBatch& batch, const FrameRenderer& renderer, std::string& error) {
    const std::vector<int32_t>& times = batch.times;
    const std::vector<std::string>& outputs = batch.outputs;
    if (outputs.size() != (batch.sheet ? std::size_t{1} : times.size())) {
        error = "the render has " + std::to_string(outputs.size()) + " output files for " +
                std::to_string(times.size()) + " frames";
        return false;
    }
    std::optional<ContactSheet> sheet;
    std::mutex sheetMutex;
    if (batch.sheet) sheet.emplace(*batch.sheet);
    const int workers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(batch.jobs), times.size()));
    SharedProgress progress(ProgressBar::wantedOnStderr(batch.quiet), times.size(), workers);
    std::vector<FrameImage> outputFrames(static_cast<std::size_t>(workers));
    std::vector<std::unique_ptr<PreparedFile>> prepared(times.size());
    std::mutex preparedMutex;

    OrderedWork work;
    work.make = [&](int64_t item, int worker, std::string& itemError) {
        const auto i = static_cast<std::size_t>(item);
        FrameImage& output = outputFrames[static_cast<std::size_t>(worker)];
        if (!renderer(scene, times[i], input, window, progress.forWorker(worker, i), output, itemError)) {
            itemError = "frame " + frameText(times[i]) + ": " + itemError;
            return false;
        }
        if (sheet) {
            std::lock_guard<std::mutex> lock(sheetMutex);
            sheet->place(static_cast<int32_t>(i), output, momentCaption(scene, times[i]));
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
    if (!runOrdered(static_cast<int64_t>(times.size()), workers, 2 * workers, work, error)) return false;
    outputFrames.clear();
    if (sheet && !writeImageFile(outputs.front(), frameFromCanvas(sheet->canvas(), input.depth), error)) return false;
    progress.finish();
    return true;
}

}  // namespace tilesweep
