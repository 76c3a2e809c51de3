// A one-line progress bar on stderr for long renders. It draws only on a terminal,
// and only once the work has taken long enough to be worth watching.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace tilesweep {

class ProgressBar {
public:
    // `enabled` false keeps the bar silent whatever happens.
    explicit ProgressBar(bool enabled, std::FILE* stream = stderr);
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    ~ProgressBar() { finish(); }

    // `fraction` of the whole work is done (0..1); `label` says of what.
    void update(double fraction, const std::string& label);
    // Clears the bar so that the next message starts on a clean line.
    void finish();

    // Whether a bar would be drawn for stderr: a terminal, not --quiet.
    static bool wantedOnStderr(bool quiet);

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    std::FILE* stream_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

}  // namespace tilesweep
