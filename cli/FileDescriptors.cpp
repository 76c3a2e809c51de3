#include "FileDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace tilesweep {

int freeFileDescriptors(int most) {
    std::vector<int> taken;
    taken.reserve(static_cast<std::size_t>(std::max(most, 0)));
    while (static_cast<int>(taken.size()) < most) {
        const int fd = ::fcntl(0, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) break;
        taken.push_back(fd);
    }
    for (const int fd : taken) ::close(fd);
    return static_cast<int>(taken.size());
}

bool fitJobsToDescriptors(int& jobs, std::string& error) {
    const int free = freeFileDescriptors(kDescriptorsPerRender + std::max(jobs, 1));
    if (free < kDescriptorsPerRender + 1) {
        error = "too many files are open: a render needs " + std::to_string(kDescriptorsPerRender + 1) +
                " more file descriptors and " + std::to_string(free) + " are free (raise the limit, ulimit -n)";
        return false;
    }
    jobs = std::max(1, std::min(jobs, free - kDescriptorsPerRender));
    return true;
}

}  // namespace tilesweep
