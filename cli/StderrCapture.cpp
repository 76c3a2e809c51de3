#include "StderrCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace tilesweep {

namespace {
constexpr std::size_t kKeptBytes = 4096;
}

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    // A pipe that never blocks: a library that prints without end fills it and
    // loses the rest, rather than the memory or the disk.
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
    sink_ = ends[0];
    saved_ = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (saved_ < 0 || ::dup2(ends[1], 2) < 0) {
        if (saved_ >= 0) ::close(saved_);
        ::close(sink_);
        saved_ = sink_ = -1;
    }
    ::close(ends[1]);
}

StderrCapture::~StderrCapture() { finish(); }

std::string StderrCapture::finish() {
    if (sink_ < 0) return "";
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    char buffer[kKeptBytes];
    const ssize_t n = ::read(sink_, buffer, sizeof buffer);
    ::close(sink_);
    saved_ = sink_ = -1;
    std::clearerr(stderr);
    std::string text = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return "";
    text = text.substr(start);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.resize(end);
    return text;
}

}  // namespace tilesweep
