#include "ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace tilesweep {

namespace {
// Quick work never flickers a bar; long work redraws often enough to look alive
// without the terminal becoming the bottleneck.
constexpr auto kQuietStart = std::chrono::milliseconds(300);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarCells = 30;
}  // namespace

ProgressBar::ProgressBar(bool enabled, std::FILE* stream) : enabled_(enabled), stream_(stream), start_(Clock::now()) {}

bool ProgressBar::wantedOnStderr(bool quiet) { return !quiet && ::isatty(STDERR_FILENO) == 1; }

void ProgressBar::update(double fraction, const std::string& label) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kQuietStart || (drawn_ && now - lastDrawn_ < kRedrawInterval)) return;
    const double done = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    const auto filled = static_cast<int>(done * kBarCells);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarCells - filled), '.');
    std::fprintf(stream_, "\r\033[K[%s] %3d%%  %s", bar.c_str(), static_cast<int>(done * 100.0), label.c_str());
    std::fflush(stream_);
    drawn_ = true;
    lastDrawn_ = now;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace tilesweep
