// `tilesweep render` against hostile input, hostile targets, full disks and
// signals: one line on stderr, exit 2 for bad input and 1 for failure, the target
// untouched and nothing left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AtomicFile.h"
#include "HostileFiles.h"
#include "RunTool.h"

extern char** environ;

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

// Runs the tool after `limits` (shell ulimit commands, may be empty), killed if it
// hangs: a hang fails the test instead of stalling the run.
ToolResult runLimited(const std::string& limits, const std::vector<std::string>& args) {
    return runCommandLine("(" + (limits.empty() ? std::string() : limits + "; ") + "exec timeout -s KILL 120 " +
                          toolCommandLine(args) + ")");
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

bool anyTemporaryIn(const fs::path& folder) {
    for (const std::string& name : namesIn(folder)) {
        if (name.rfind(kTemporaryPrefix, 0) == 0) return true;
    }
    return false;
}

// Whether the file is an image the library reads completely.
bool readsWhole(const std::string& path) {
    auto in = OIIO::ImageInput::open(path);
    if (!in) return false;
    std::vector<float> pixels(static_cast<std::size_t>(in->spec().image_pixels()) * in->spec().nchannels);
    const bool ok = in->read_image(0, 0, 0, in->spec().nchannels, OIIO::TypeDesc::FLOAT, pixels.data()) &&
                    !in->has_error();
    (void)OIIO::geterror();
    return ok;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        dir_ = fs::temp_directory_path() / ("tilesweep_hostile_" + std::to_string(::getpid()) + "_" +
                                            std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        target_ = path("target.png");
        writeBytes(target_, encoded(".png", 8, 8, 4));
        targetBytes_ = readWhole(target_);
    }
    void TearDown() override {
        for (const fs::path& m : mounts_) ::umount(m.c_str());
        fs::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // A small tmpfs of `kilobytes`, or false where the machine allows no mount.
    bool mountSmall(const fs::path& where, int kilobytes, bool readOnly = false) {
        fs::create_directories(where);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        if (::mount("tilesweep", where.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) != 0) return false;
        mounts_.push_back(where);
        return true;
    }

    void expectTargetUntouched() const { EXPECT_TRUE(readWhole(target_) == targetBytes_) << "the target was replaced"; }

    fs::path dir_;
    std::string target_;
    std::string targetBytes_;
    std::vector<fs::path> mounts_;
};

struct BadFile {
    const char* name;
    std::function<Bytes()> bytes;
    const char* extension;
    std::vector<std::string> extra;
    const char* mentions;
};

class HostileFiles : public Hostile, public ::testing::WithParamInterface<BadFile> {};

// Limits for decoding hostile files. AddressSanitizer reserves terabytes of address
// space, so no limit can be set on it; and when libpng leaves a damaged file by
// longjmp, the image library loses a message string on the way: its leak, not the
// tool's, so leaks go unchecked there.
#ifdef __SANITIZE_ADDRESS__
constexpr const char* kDecoderLimits = "export ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\"";
#else
constexpr const char* kDecoderLimits = "ulimit -v 2000000";
#endif

// Under a 2 GB address-space limit: a file that claims gigabytes must be refused
// before they are taken.
TEST_P(HostileFiles, RefusedWithOneLineAndNothingWritten) {
    const std::string input = path(std::string("input") + GetParam().extension);
    writeBytes(input, GetParam().bytes());
    std::vector<std::string> args{"render", input, "-o", target_};
    args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
    const ToolResult r = runLimited(kDecoderLimits, args);
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("libpng"), std::string::npos) << "the library's own words: " << r.err;
    expectTargetUntouched();
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{fs::path(input).filename().string(), "target.png"}));
}

Bytes cut(const Bytes& whole, double share) {
    return whole.substr(0, static_cast<std::size_t>(static_cast<double>(whole.size()) * share));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileFiles,
    ::testing::Values(
        BadFile{"TruncatedPng", [] { return cut(encoded(".png", 300, 200, 4), 0.75); }, ".png", {}, "input.png"},
        BadFile{"TruncatedJpeg", [] { return cut(encoded(".jpg", 300, 200, 3), 0.5); }, ".jpg", {}, "input.jpg"},
        BadFile{"TiffCutToAQuarter", [] { return cut(encoded(".tif", 300, 200, 3, OIIO::TypeDesc::UINT8, "none"), 0.25); },
                ".tif", {}, "input.tif"},
        BadFile{"CompressedTiffCut", [] { return cut(encoded(".tif", 300, 200, 4, OIIO::TypeDesc::UINT8, "zip"), 0.25); },
                ".tif", {}, "input.tif"},
        BadFile{"TiffStripMissing", [] { return tiffClaiming(64, 64, 4096, 1000000, 0); }, ".tif", {}, "input.tif"},
        BadFile{"TiffClaims4000x4000With64Bytes", [] { return tiffClaiming(4000, 4000, 16000000, kTiffDataOffset, 64); },
                ".tif", {}, "input.tif"},
        BadFile{"TruncatedExr", [] { return cut(encoded(".exr", 64, 48, 4, OIIO::TypeDesc::HALF), 0.5); }, ".exr", {},
                "input.exr"},
        BadFile{"EmptyFile", [] { return Bytes(); }, ".png", {}, "input.png"},
        BadFile{"PngBomb", [] { return pngClaiming(30000, 30000); }, ".png", {}, "input.png"},
        BadFile{"JpegBomb", [] { return jpegClaiming(30000, 30000); }, ".jpg", {}, "input.jpg"},
        BadFile{"ProgressiveJpegBomb", [] { return jpegClaiming(20000, 20000, true); }, ".jpg",
                {"--memory-budget", "1G"}, "memory budget"},
        BadFile{"PngBombWithinAGenerousBudget", [] { return pngClaiming(30000, 30000); }, ".png",
                {"--memory-budget", "100G"}, "input.png"},
        BadFile{"BeyondTheLargestSide", [] { return pngClaiming(40000, 10); }, ".png", {}, "30000"},
        BadFile{"AboveTheMemoryBudget", [] { return pngClaiming(6000, 6000); }, ".png", {"--memory-budget", "256M"},
                "memory budget"}),
    [](const auto& entry) { return std::string(entry.param.name); });

struct NotAFile {
    const char* name;
    std::function<std::string(const fs::path& dir)> make;
    const char* mentions;
};

class HostileInputKinds : public Hostile, public ::testing::WithParamInterface<NotAFile> {};

TEST_P(HostileInputKinds, RefusedWithoutBlocking) {
    const std::string input = GetParam().make(dir_);
    const std::set<std::string> before = namesIn(dir_);
    const ToolResult r = runLimited("", {"render", input, "-o", target_});
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
    expectTargetUntouched();
    EXPECT_EQ(namesIn(dir_), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileInputKinds,
    ::testing::Values(NotAFile{"Fifo",
                               [](const fs::path& dir) {
                                   const std::string fifo = (dir / "pipe.png").string();
                                   EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
                                   return fifo;
                               },
                               "not a regular file"},
                      NotAFile{"EndlessDevice", [](const fs::path&) { return std::string("/dev/zero"); },
                               "not a regular file"},
                      NotAFile{"Folder",
                               [](const fs::path& dir) {
                                   fs::create_directory(dir / "folder.png");
                                   return (dir / "folder.png").string();
                               },
                               "folder"}),
    [](const auto& entry) { return std::string(entry.param.name); });

// Running out of file descriptors is the machine's limit: exit 1 with the cause, found
// before any work; with a few more free the render runs, on fewer jobs if need be.
TEST_F(Hostile, FileDescriptorLimits) {
    const std::string input = path("in.png");
    writeBytes(input, encoded(".png", 16, 8, 4));
    for (const char* through : {"--direct", "--quiet"}) {
        const ToolResult starved = runLimited("ulimit -n 6", {"render", input, "-o", target_, through});
        EXPECT_EQ(starved.exitCode, 1) << starved.err;
        EXPECT_TRUE(oneLineOnStderr(starved));
        EXPECT_NE(starved.err.find("file descriptors"), std::string::npos) << starved.err;
        expectTargetUntouched();
    }
#ifndef __SANITIZE_ADDRESS__
    // Under AddressSanitizer the runtime's own descriptors leave too few under this
    // limit for even one job, so only the refusal above is checked there.
    const ToolResult few = runLimited("ulimit -n 9", {"render", input, "-o", path("s_%02d.png"), "--frames", "24",
                                                      "--jobs", "16", "--quiet"});
    EXPECT_EQ(few.exitCode, 0) << few.err;
    EXPECT_EQ(namesIn(dir_).size(), 2u + 24u);
    EXPECT_FALSE(anyTemporaryIn(dir_));
#endif
}

// Formats decoded as they open are weighed from their headers first: a bomb of a few
// bytes is refused by the memory budget within an address space it would overrun.
TEST_F(Hostile, DecodersAtOpenAreWeighedFirst) {
    const struct {
        const char* name;
        Bytes bytes;
    } kBombs[] = {{"bomb.gif", gifClaiming(16383, 16383)},
                  {"bomb.webp", webpClaiming(16384, 16384)},
                  {"bomb.heic", heifClaiming(16384, 16384)},
                  {"bomb.avif", heifClaiming(16384, 16384, "avif")}};
    for (const auto& bomb : kBombs) {
        writeBytes(path(bomb.name), bomb.bytes);
        const std::string limits = std::string(kDecoderLimits).find("ulimit") != std::string::npos
                                       ? std::string("ulimit -v 700000")
                                       : std::string(kDecoderLimits);
        const ToolResult r = runLimited(limits, {"render", path(bomb.name), "-o", target_, "--memory-budget", "256M"});
        EXPECT_TRUE(exitTwoWithOneLine(r)) << bomb.name;
        EXPECT_NE(r.err.find("memory budget"), std::string::npos) << bomb.name << ": " << r.err;
        expectTargetUntouched();
    }
}

TEST_F(Hostile, SymbolicLinkTargetIsNotFollowed) {
    const fs::path outside = dir_ / "outside";
    fs::create_directory(outside);
    writeBytes(outside / "victim.png", "precious");
    fs::remove(target_);
    fs::create_symlink(outside / "victim.png", target_);
    const ToolResult r = runLimited("", {"render", "-o", target_, "--size", "32x16"});
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
    EXPECT_EQ(readWhole((outside / "victim.png").string()), "precious");
    EXPECT_TRUE(fs::is_symlink(target_));
    EXPECT_FALSE(anyTemporaryIn(dir_));
}

TEST_F(Hostile, TemporariesAreNewUnpredictableAndShort) {
    // Whatever stands beside the target under any name stays as it was.
    writeBytes(path("elsewhere.png"), "precious");
    for (const std::string& planted : {std::string(".target.png.tmp") + std::to_string(::getpid()) + ".png",
                                       std::string(kTemporaryPrefix) + "0000000000000000"}) {
        fs::create_symlink(path("elsewhere.png"), path(planted));
    }
    const std::set<std::string> before = namesIn(dir_);
    std::string error;
    auto first = PreparedFile::write(target_, reinterpret_cast<const unsigned char*>("one"), 3, error);
    auto second = PreparedFile::write(target_, reinterpret_cast<const unsigned char*>("two"), 3, error);
    ASSERT_TRUE(first && second) << error;
    std::set<std::string> made;
    for (const std::string& name : namesIn(dir_)) {
        if (before.count(name) == 0) made.insert(name);
    }
    ASSERT_EQ(made.size(), 2u) << "two new files, never an existing entry";
    for (const std::string& name : made) {
        EXPECT_EQ(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        EXPECT_LE(name.size(), 32u) << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path(name)))) << name;
    }
    ASSERT_TRUE(second->commit(error)) << error;
    EXPECT_EQ(readWhole(target_), "two");
    first.reset();
    EXPECT_EQ(namesIn(dir_), before) << "the one never renamed is gone";
    EXPECT_EQ(readWhole(path("elsewhere.png")), "precious");
}

TEST_F(Hostile, LongestOutputNameIsWritten) {
    const std::string name = std::string(244, 'n') + ".png";  // 248 bytes, within the 255 of a name
    const ToolResult r = runLimited("", {"render", "-o", path(name), "--size", "16x8", "--quiet"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readsWhole(path(name)));
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"target.png", name}));
}

// A write that does not complete fails the render and leaves the target as it was.
struct FullDisk {
    const char* name;
    const char* extension;
    std::vector<std::string> extra;
};

class HostileDisks : public Hostile, public ::testing::WithParamInterface<FullDisk> {
protected:
    void check(const std::string& limits, const fs::path& folder, const char* cause, const std::string& singleSize,
               const std::string& frameSize, int frameCount) {
        const std::string extension = GetParam().extension;
        const fs::path keep = folder / ("keep" + extension);
        writeBytes(keep, encoded(extension, 8, 8, 4));
        const std::string kept = readWhole(keep.string());
        std::vector<std::string> args{"render", "-o", keep.string(), "--size", singleSize};
        args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
        const ToolResult single = runLimited(limits, args);
        EXPECT_EQ(single.exitCode, 1) << single.err;
        EXPECT_TRUE(oneLineOnStderr(single));
        EXPECT_NE(single.err.find(keep.filename().string()), std::string::npos) << "names the target: " << single.err;
        EXPECT_NE(single.err.find(cause), std::string::npos) << single.err;
        EXPECT_EQ(single.err.find(kTemporaryPrefix), std::string::npos) << single.err;
        EXPECT_TRUE(readWhole(keep.string()) == kept) << "the target was replaced";

        args = {"render", "-o", (folder / ("f_%02d" + extension)).string(), "--size", frameSize, "--frames",
                std::to_string(frameCount)};
        args.insert(args.end(), GetParam().extra.begin(), GetParam().extra.end());
        const ToolResult sequence = runLimited(limits, args);
        EXPECT_EQ(sequence.exitCode, 1) << sequence.err;
        EXPECT_TRUE(oneLineOnStderr(sequence));
        EXPECT_TRUE(readWhole(keep.string()) == kept) << "the target was replaced";
        int frames = 0;
        for (const std::string& name : namesIn(folder)) {
            EXPECT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << "left behind: " << name;
            if (name.rfind("f_", 0) == 0) {
                ++frames;
                EXPECT_TRUE(readsWhole((folder / name).string())) << name << " is cut off";
            }
        }
        EXPECT_LT(frames, frameCount);
    }
};

TEST_P(HostileDisks, FullFileSystem) {
    const fs::path small = dir_ / "small";
    if (!mountSmall(small, 256)) GTEST_SKIP() << "this machine allows no tmpfs mount";
    check("", small, "No space left", "3840x2160", "640x360", 60);
}

TEST_P(HostileDisks, FileSizeLimit) {
    // ulimit -f counts kilobytes; the tool ignores SIGXFSZ, so the write fails instead.
    check("ulimit -f 100", dir_, "File too large", "1920x1080", "1920x1080", 3);
}

INSTANTIATE_TEST_SUITE_P(Depths, HostileDisks,
                         ::testing::Values(FullDisk{"Png8", ".png", {}}, FullDisk{"Png16", ".png", {"--depth", "16"}},
                                           FullDisk{"Exr", ".exr", {"--depth", "32"}}),
                         [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(Hostile, ReadOnlyFolderIsNamedNotTheTemporary) {
    const fs::path locked = dir_ / "locked";
    if (!mountSmall(locked, 64, true)) GTEST_SKIP() << "this machine allows no tmpfs mount";
    const ToolResult r = runLimited("", {"render", "-o", (locked / "x.png").string(), "--size", "16x8"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(oneLineOnStderr(r));
    EXPECT_NE(r.err.find("x.png\": Read-only file system"), std::string::npos) << r.err;
}

// A render killed by any signal it can catch leaves no temporary behind and ends
// as the signal would.
class HostileSignals : public Hostile, public ::testing::WithParamInterface<int> {};

// The tool with default signal dispositions and nothing blocked, as from an interactive shell.
pid_t spawnWithDefaultSignals(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? child : -1;
}

TEST_P(HostileSignals, LeaveNoTemporaries) {
    const int signalNumber = GetParam();
    const pid_t child = spawnWithDefaultSignals({TILESWEEP_CLI_PATH, "render", "-o", path("f_%03d.png"), "--size",
                                                 "1920x1080", "--frames", "400", "--quiet", "--direct"});
    ASSERT_GT(child, 0);
    // Strike while a temporary is being written if one shows, after a first frame anyway.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool framesSeen = false;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::set<std::string> names = namesIn(dir_);
        if (anyTemporaryIn(dir_)) break;
        if (names.size() > 2) {
            if (framesSeen) break;
            framesSeen = true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_EQ(::kill(child, signalNumber), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
    EXPECT_FALSE(anyTemporaryIn(dir_));
    for (const std::string& name : namesIn(dir_)) {
        if (name != "target.png") {
            EXPECT_TRUE(readsWhole(path(name))) << name;
        }
    }
}

// Many frames in flight: a signal at any moment, while other threads keep creating,
// writing and renaming temporaries, leaves none of them behind.
TEST_P(HostileSignals, LeaveNoTemporariesAtAnyNumberOfJobs) {
    const int signalNumber = GetParam();
    std::mt19937 rng(static_cast<uint32_t>(signalNumber));
    for (const char* jobs : {"8", "32"}) {
        for (int strike = 0; strike < 4; ++strike) {
            const pid_t child = spawnWithDefaultSignals({TILESWEEP_CLI_PATH, "render", "-o", path("p_%05d.png"),
                                                         "--size", "96x64", "--frames", "20000", "--quiet",
                                                         "--direct", "--jobs", jobs});
            ASSERT_GT(child, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100 + rng() % 400));
            ASSERT_EQ(::kill(child, signalNumber), 0);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
            EXPECT_FALSE(anyTemporaryIn(dir_)) << jobs << " jobs, strike " << strike;
            for (const std::string& name : namesIn(dir_)) {
                if (name != "target.png") fs::remove(path(name));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, HostileSignals,
                         ::testing::Values(SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM,
                                           SIGXCPU),
                         [](const auto& entry) { return "Signal" + std::to_string(entry.param); });

}  // namespace
}  // namespace tilesweep::test
