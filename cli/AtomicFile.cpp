#include "AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace tilesweep {

namespace fs = std::filesystem;

namespace {

// Temporaries being written, one slot per writing thread, readable from a signal
// handler: a slot's path is complete before its state says so.
constexpr int kSlots = 128;
constexpr std::size_t kMaxPath = 4096;
enum SlotState : int { kFree = 0, kClaimed = 1, kActive = 2 };
char gSlotPaths[kSlots][kMaxPath];
std::atomic<int> gSlotStates[kSlots];
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slots");

// Temporaries are created only while no signal is ending the tool: a creating thread
// counts itself in, then looks for the end; the handler announces the end, then waits
// for the creations under way, so that each either sees the end and creates nothing
// or finishes, registered, before the handler removes what is registered.
std::atomic<int> gCreating{0};
std::atomic<bool> gEnding{false};
constexpr int kCreationWaitMs = 2000;

extern "C" void removeTemporariesAndReraise(int signalNumber) {
    const int saved = errno;
    gEnding.store(true);
    // A creation runs with every signal blocked in its thread, so this never waits for itself.
    for (int waited = 0; gCreating.load() != 0 && waited < kCreationWaitMs; ++waited) {
        const timespec millisecond{0, 1000000};
        ::nanosleep(&millisecond, nullptr);
    }
    for (int i = 0; i < kSlots; ++i) {
        if (gSlotStates[i].load() == kActive) ::unlink(gSlotPaths[i]);
    }
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
    errno = saved;
}

}  // namespace

// A registered temporary: removed by its destructor unless renamed, and by the
// signal handler while it is registered.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (fd_ >= 0) ::close(fd_);
        if (created_ && !renamed_) ::unlink(path_.c_str());
        if (slot_ >= 0) gSlotStates[slot_].store(kFree);
    }

    bool create(const fs::path& folder, std::string& why) {
        for (int attempt = 0; attempt < 16; ++attempt) {
            unsigned char random[8];
            if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
                why = std::string("no random numbers for a temporary name: ") + std::strerror(errno);
                return false;
            }
            std::string name = kTemporaryPrefix;
            static const char kDigits[] = "0123456789abcdef";
            for (unsigned char byte : random) {
                name += kDigits[byte >> 4];
                name += kDigits[byte & 15];
            }
            path_ = (folder / name).string();
            if (path_.size() >= kMaxPath) {
                why = "its path is too long for a temporary beside it";
                return false;
            }
            if (!claimSlot()) {
                why = "too many files are being written at once";
                return false;
            }
            const int cause = openRegistered();
            if (cause == 0) {
                created_ = true;
                return true;
            }
            gSlotStates[slot_].store(kFree);
            slot_ = -1;
            if (cause != EEXIST) {
                why = std::strerror(cause);
                return false;
            }
        }
        why = "no unused temporary name";
        return false;
    }

    // A replaced file keeps its permissions, and its owner and group where this
    // process may give them; the new file is never open to more than the old one was.
    bool adopt(const struct stat& old, std::string& why) {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) (void)::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
        (void)::fchmod(fd_, old.st_mode & 07777);
        struct stat now{};
        if (::fstat(fd_, &now) != 0 || (now.st_mode & 07777 & ~(old.st_mode & 07777)) != 0) {
            why = "cannot give the new file the old one's permissions";
            return false;
        }
        return true;
    }

    bool writeAll(const unsigned char* data, std::size_t size, std::string& why) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                why = n < 0 ? std::strerror(errno) : "the disk took no more data";
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        // Some file systems report a full disk only when the data reaches it.
        if (::fsync(fd_) != 0) {
            why = std::strerror(errno);
            return false;
        }
        struct stat written{};
        if (::fstat(fd_, &written) != 0 || written.st_size != static_cast<off_t>(size)) {
            why = "the file is shorter than what was written";
            return false;
        }
        device_ = written.st_dev;
        inode_ = written.st_ino;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            why = std::strerror(errno);
            return false;
        }
        return true;
    }

    bool renameOnto(const std::string& target, std::string& why) {
        // Only the file this process created and wrote is renamed, never whatever
        // may have been put in its place since.
        struct stat now{};
        if (::lstat(path_.c_str(), &now) != 0 || !S_ISREG(now.st_mode) || now.st_dev != device_ ||
            now.st_ino != inode_) {
            created_ = false;  // not ours any more: leave it alone
            why = "the temporary file was replaced by another while it was written";
            return false;
        }
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            why = std::strerror(errno);
            return false;
        }
        renamed_ = true;
        return true;
    }

private:
    // Opens the claimed slot's temporary; 0 or the cause of failure.
    int openRegistered() {
        sigset_t all;
        sigset_t previous;
        sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &previous);
        gCreating.fetch_add(1);
        int cause = 0;
        if (gEnding.load()) {
            cause = EINTR;
        } else {
            // Registered before it exists: a signal right after the open still removes it.
            gSlotStates[slot_].store(kActive);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd_ < 0) cause = errno;
        }
        gCreating.fetch_sub(1);
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return cause;
    }

    bool claimSlot() {
        for (int i = 0; i < kSlots; ++i) {
            int expected = kFree;
            if (gSlotStates[i].compare_exchange_strong(expected, kClaimed)) {
                std::memcpy(gSlotPaths[i], path_.c_str(), path_.size() + 1);
                slot_ = i;
                return true;
            }
        }
        return false;
    }

    std::string path_;
    int fd_ = -1;
    int slot_ = -1;
    bool created_ = false;
    bool renamed_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

std::string whyNotReplaceable(const std::string& path) {
    struct stat s{};
    if (::lstat(path.c_str(), &s) != 0) return "";
    if (S_ISREG(s.st_mode)) return "";
    if (S_ISLNK(s.st_mode)) return "is a symbolic link";
    if (S_ISDIR(s.st_mode)) return "is a folder";
    return "is not a regular file";
}

std::string whyNotWritable(const std::string& target) {
    // The temporary's name is as long as the longest name a folder entry of ours gets.
    const std::size_t temporaryName = std::strlen(kTemporaryPrefix) + 16;
    fs::path folder = fs::path(target).parent_path();
    if (folder.empty()) folder = ".";
    if (folder.string().size() + 1 + temporaryName >= kMaxPath) {
        return "its folder's path is " + std::to_string(folder.string().size()) +
               " bytes long (accepted: up to " + std::to_string(kMaxPath - 1 - temporaryName - 1) +
               ", so that a temporary fits beside it)";
    }
    const std::string name = fs::path(target).filename().string();
    if (name.size() > NAME_MAX) {
        return "its name is " + std::to_string(name.size()) + " bytes long (accepted: up to " +
               std::to_string(NAME_MAX) + ")";
    }
    const std::string why = whyNotReplaceable(target);
    return why.empty() ? why : "it " + why;
}

std::unique_ptr<PreparedFile> PreparedFile::write(const std::string& target, const unsigned char* data,
                                                  std::size_t size, std::string& error) {
    std::string why = whyNotReplaceable(target);
    if (!why.empty()) why = "it " + why;
    std::unique_ptr<PreparedFile> prepared(new PreparedFile);
    prepared->target_ = target;
    prepared->temporary_ = std::make_unique<Temporary>();
    fs::path folder = fs::path(target).parent_path();
    if (folder.empty()) folder = ".";
    struct stat existing{};
    const bool replaces = why.empty() && ::stat(target.c_str(), &existing) == 0;
    if (why.empty() && prepared->temporary_->create(folder, why) &&
        (!replaces || prepared->temporary_->adopt(existing, why)) && prepared->temporary_->writeAll(data, size, why)) {
        return prepared;
    }
    error = "cannot write \"" + target + "\": " + why;
    return nullptr;
}

PreparedFile::~PreparedFile() = default;

bool PreparedFile::commit(std::string& error) {
    std::string why = whyNotReplaceable(target_);
    if (!why.empty()) why = "it " + why;
    if (why.empty() && temporary_->renameOnto(target_, why)) return true;
    error = "cannot write \"" + target_ + "\": " + why;
    return false;
}

bool writeFileAtomically(const std::string& target, const unsigned char* data, std::size_t size, std::string& error) {
    const std::unique_ptr<PreparedFile> prepared = PreparedFile::write(target, data, size, error);
    return prepared && prepared->commit(error);
}

void removeTemporaryFilesOnSignals() {
    // Every signal whose default ends the process and that can be caught. Faults are
    // taken over only from the default, never from a handler already there (a
    // sanitizer's, for one).
    static const int kEnding[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGUSR1, SIGUSR2,   SIGPIPE, SIGALRM,
                                  SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR, SIGSTKFLT};
    static const int kFaults[] = {SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS};
    struct sigaction action{};
    action.sa_handler = removeTemporariesAndReraise;
    sigemptyset(&action.sa_mask);
    const auto install = [&action](int signalNumber, bool onlyOverDefault) {
        struct sigaction old{};
        if (::sigaction(signalNumber, nullptr, &old) != 0) return;
        // A signal ignored from the start (a background job's SIGINT) stays ignored.
        if (old.sa_handler == SIG_IGN) return;
        if (onlyOverDefault && ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL)) return;
        ::sigaction(signalNumber, &action, nullptr);
    };
    for (int s : kEnding) install(s, false);
    for (int s : kFaults) install(s, true);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) install(s, false);
    ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace tilesweep
