#include "StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace tilesweep {

namespace {

std::string cannotWrite(int error) {
    return std::string("cannot write to standard output: ") + std::strerror(error != 0 ? error : EIO);
}

}  // namespace

void holdClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Every lower number is open, so the lowest free one is this.
        const int held = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (held >= 0 && held != fd) {
            ::dup3(held, fd, O_CLOEXEC);
            ::close(held);
        }
    }
}

bool writeStandardOutput(const std::string& text, std::string& error) {
    // A reader that went away is a failed write, reported like any other.
    std::signal(SIGPIPE, SIG_IGN);
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        error = cannotWrite(errno);
        return false;
    }
    return flushStandardOutput(error);
}

bool flushStandardOutput(std::string& error) {
    std::signal(SIGPIPE, SIG_IGN);
    errno = 0;
    std::cout.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !std::cout) {
        error = cannotWrite(errno);
        return false;
    }
    return true;
}

}  // namespace tilesweep
