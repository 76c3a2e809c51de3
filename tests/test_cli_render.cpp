#include <gtest/gtest.h>
#include <sys/stat.h>

#include <OpenImageIO/imageio.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "FramePattern.h"
#include "ImageFile.h"
#include "RenderCommand.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

// An image file's words as stored, red, green, blue(, alpha) per pixel.
struct FileImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    OIIO::TypeDesc type = OIIO::TypeDesc::UINT8;
    std::vector<unsigned char> data;

    template <typename T>
    T* words() { return reinterpret_cast<T*>(data.data()); }
    template <typename T>
    T word(int x, int y, int c) const {
        return reinterpret_cast<const T*>(data.data())[(static_cast<std::size_t>(y) * width + x) * channels + c];
    }
    static FileImage sized(int w, int h, int channels, OIIO::TypeDesc type) {
        FileImage image{w, h, channels, type, {}};
        image.data.resize(static_cast<std::size_t>(w) * h * channels * type.size());
        return image;
    }
};

FileImage readFile(const std::string& path) {
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        ADD_FAILURE() << "cannot open " << path << ": " << OIIO::geterror();
        return {};
    }
    const OIIO::ImageSpec& imageSpec = in->spec();
    FileImage image = FileImage::sized(imageSpec.width, imageSpec.height, imageSpec.nchannels, imageSpec.format);
    EXPECT_TRUE(in->read_image(0, 0, 0, imageSpec.nchannels, imageSpec.format, image.data.data())) << in->geterror();
    return image;
}

void writeFile(const std::string& path, const FileImage& image) {
    OIIO::ImageSpec imageSpec(image.width, image.height, image.channels, image.type);
    if (image.channels == 4) imageSpec.alpha_channel = 3;
    imageSpec.attribute("oiio:UnassociatedAlpha", 1);
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << OIIO::geterror();
    ASSERT_TRUE(out->open(path, imageSpec)) << out->geterror();
    ASSERT_TRUE(out->write_image(image.type, image.data.data())) << out->geterror();
    ASSERT_TRUE(out->close());
}

uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Every third pixel is fully transparent with an arbitrary colour, which a
// premultiplying reader or writer would turn black.
FileImage randomImage(int w, int h, OIIO::TypeDesc type, uint32_t seed) {
    FileImage image = FileImage::sized(w, h, 4, type);
    uint32_t state = seed;
    for (int p = 0; p < w * h; ++p) {
        for (int c = 0; c < 4; ++c) {
            const std::size_t i = static_cast<std::size_t>(p) * 4 + c;
            const bool transparent = c == 3 && p % 3 == 0;
            if (type == OIIO::TypeDesc::UINT8) {
                image.words<uint8_t>()[i] = transparent ? 0 : static_cast<uint8_t>(nextRandom(state));
            } else if (type == OIIO::TypeDesc::UINT16) {
                // Only words on the engine's 0..32768 grid survive the trip unchanged.
                const auto v = static_cast<uint16_t>(nextRandom(state) % (kEngine16Max + 1));
                image.words<uint16_t>()[i] = transparent ? 0 : fileWordFromEngine(v);
            } else {
                const float unit = static_cast<float>(nextRandom(state) % 100001) / 100000.0f;
                // Colour beyond 0..1 is kept at 32 bits.
                const float colour = p % 7 == 1 ? unit * 3.0f - 1.0f : unit;
                image.words<float>()[i] = transparent ? 0.0f : (c == 3 ? unit : colour);
            }
        }
    }
    return image;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

bool fullyTransparent(const FileImage& image) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.type == OIIO::TypeDesc::UINT8 ? image.word<uint8_t>(x, y, 3) != 0
                                                    : image.word<float>(x, y, 3) != 0.0f) {
                return false;
            }
        }
    }
    return true;
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        dir_ = fs::temp_directory_path() /
               ("tilesweep_render_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs `render` and expects success with nothing on stdout.
    void renderOk(std::vector<std::string> args) {
        args.insert(args.begin(), "render");
        const ToolResult r = runTool(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }

    fs::path dir_;
};

TEST(Engine16Mapping, EveryEngineWordSurvivesTheFileAndBack) {
    EXPECT_EQ(fileWordFromEngine(0), 0);
    EXPECT_EQ(fileWordFromEngine(kEngine16Max), 65535);
    uint16_t previous = 0;
    for (uint32_t v = 0; v <= kEngine16Max; ++v) {
        const uint16_t file = fileWordFromEngine(static_cast<uint16_t>(v));
        ASSERT_EQ(engineWordFromFile(file), v) << "engine word " << v;
        if (v > 0) {
            ASSERT_GT(file, previous) << "engine word " << v;
        }
        previous = file;
    }
}

TEST(Engine16Mapping, EveryFileWordGoesToTheNearestEngineWord) {
    for (uint32_t f = 0; f <= 65535; ++f) {
        const uint16_t v = engineWordFromFile(static_cast<uint16_t>(f));
        ASSERT_LE(v, kEngine16Max);
        const double exact = f * 32768.0 / 65535.0;
        ASSERT_LE(std::fabs(v - exact), 0.5) << "file word " << f;
    }
}

struct RoundTrip {
    const char* extension;
    OIIO::TypeDesc::BASETYPE type;
};

class RenderRoundTrip : public RenderFiles, public ::testing::WithParamInterface<RoundTrip> {};

// Completion 0 with Still1 copies the input: every word must come back as it went in.
TEST_P(RenderRoundTrip, NoWipeGivesBackTheInputExactly) {
    const std::string in = path(std::string("in.") + GetParam().extension);
    const std::string out = path(std::string("out.") + GetParam().extension);
    const FileImage original = randomImage(37, 23, GetParam().type, 7);
    writeFile(in, original);
    const ToolResult r = runTool({"render", in, "-o", out, "--param", "Mode=Still1", "--param", "Completion=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one report line and no progress bar off a terminal: " << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    const FileImage back = readFile(out);
    EXPECT_EQ(back.type, original.type);
    ASSERT_EQ(back.channels, 4);
    if (std::string(GetParam().extension) != "exr") {
        EXPECT_TRUE(back.data == original.data);
    } else {
        // OpenEXR colour is premultiplied: it is divided by alpha on the way in and
        // multiplied on the way out, which gives it back to a float's rounding, and
        // colour without coverage is nothing.
        for (int y = 0; y < back.height; ++y) {
            for (int x = 0; x < back.width; ++x) {
                const float alpha = original.word<float>(x, y, 3);
                ASSERT_EQ(back.word<float>(x, y, 3), alpha);
                for (int ch = 0; ch < 3; ++ch) {
                    const float expected = alpha == 0.0f ? 0.0f : original.word<float>(x, y, ch);
                    ASSERT_NEAR(back.word<float>(x, y, ch), expected, 1e-6f * std::fabs(expected) + 1e-30f)
                        << x << "," << y << " channel " << ch;
                }
            }
        }
    }
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{fs::path(in).filename(), fs::path(out).filename()}));
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderRoundTrip,
                         ::testing::Values(RoundTrip{"png", OIIO::TypeDesc::UINT8},
                                           RoundTrip{"tif", OIIO::TypeDesc::UINT8},
                                           RoundTrip{"png", OIIO::TypeDesc::UINT16},
                                           RoundTrip{"tif", OIIO::TypeDesc::UINT16},
                                           RoundTrip{"exr", OIIO::TypeDesc::FLOAT},
                                           RoundTrip{"tif", OIIO::TypeDesc::FLOAT}),
                         [](const auto& entry) {
                             return std::string(entry.param.extension) + "_" +
                                    OIIO::TypeDesc(entry.param.type).c_str();
                         });

TEST_F(RenderFiles, DepthFollowsTheInputUnlessGiven) {
    writeFile(path("in16.png"), randomImage(9, 5, OIIO::TypeDesc::UINT16, 3));
    renderOk({path("in16.png"), "-o", path("same.tif"), "--quiet"});
    EXPECT_EQ(readFile(path("same.tif")).type, OIIO::TypeDesc::UINT16);
    renderOk({path("in16.png"), "-o", path("float.tif"), "--depth", "32", "--quiet"});
    EXPECT_EQ(readFile(path("float.tif")).type, OIIO::TypeDesc::FLOAT);
    renderOk({path("in16.png"), "-o", path("byte.png"), "--depth", "8", "--quiet"});
    EXPECT_EQ(readFile(path("byte.png")).type, OIIO::TypeDesc::UINT8);
    // A depth an OpenEXR float holds exactly comes back at 16 bits unchanged where
    // there is any coverage; OpenEXR's premultiplied colour has none to keep where
    // alpha is 0.
    renderOk({path("in16.png"), "-o", path("float.exr"), "--quiet"});
    renderOk({path("float.exr"), "-o", path("back16.png"), "--depth", "16", "--quiet"});
    FileImage expected = readFile(path("in16.png"));
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            uint16_t* pixel = expected.words<uint16_t>() + (static_cast<std::size_t>(y) * expected.width + x) * 4;
            if (pixel[3] == 0) pixel[0] = pixel[1] = pixel[2] = 0;
        }
    }
    EXPECT_TRUE(readFile(path("back16.png")).data == expected.data);
}

struct ChannelCase {
    const char* name;
    int channels;
};

class RenderChannels : public RenderFiles, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(RenderChannels, GreyIsReplicatedAndMissingAlphaIsOpaque) {
    const int channels = GetParam().channels;
    FileImage in = FileImage::sized(6, 4, channels, OIIO::TypeDesc::UINT8);
    for (std::size_t i = 0; i < in.data.size(); ++i) in.data[i] = static_cast<unsigned char>(i * 37 + 11);
    OIIO::ImageSpec imageSpec(in.width, in.height, channels, in.type);
    imageSpec.alpha_channel = channels == 2 || channels == 4 ? channels - 1 : -1;
    imageSpec.attribute("oiio:UnassociatedAlpha", 1);
    auto writer = OIIO::ImageOutput::create(path("in.png"));
    ASSERT_TRUE(writer && writer->open(path("in.png"), imageSpec) && writer->write_image(in.type, in.data.data()));
    writer->close();
    renderOk({path("in.png"), "-o", path("out.png"), "--quiet"});
    const FileImage out = readFile(path("out.png"));
    ASSERT_EQ(out.channels, 4);
    const bool grey = channels <= 2;
    const bool hasAlpha = channels == 2 || channels == 4;
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(out.word<uint8_t>(x, y, c), in.word<uint8_t>(x, y, grey ? 0 : c)) << x << "," << y;
            }
            EXPECT_EQ(out.word<uint8_t>(x, y, 3), hasAlpha ? in.word<uint8_t>(x, y, channels - 1) : 255);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, RenderChannels,
                         ::testing::Values(ChannelCase{"Grey", 1}, ChannelCase{"GreyAlpha", 2},
                                           ChannelCase{"Rgb", 3}, ChannelCase{"Rgba", 4}),
                         [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(RenderFiles, SequenceSweepsCompletionFromInputToNothing) {
    const FileImage original = randomImage(24, 16, OIIO::TypeDesc::UINT8, 11);
    writeFile(path("in.png"), original);
    renderOk({path("in.png"), "-o", path("f_%03d.png"), "--frames", "5", "--param", "Mode=Still1", "--quiet"});
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"in.png", "f_000.png", "f_001.png", "f_002.png", "f_003.png",
                                                     "f_004.png"}));
    EXPECT_TRUE(readFile(path("f_000.png")).data == original.data);
    const FileImage middle = readFile(path("f_002.png"));
    EXPECT_FALSE(middle.data == original.data);
    EXPECT_FALSE(fullyTransparent(middle));
    const FileImage last = readFile(path("f_004.png"));
    EXPECT_TRUE(fullyTransparent(last));
}

TEST_F(RenderFiles, KeyframesOfAnyParameterHoldOverTheSweep) {
    const FileImage original = randomImage(24, 16, OIIO::TypeDesc::UINT8, 5);
    writeFile(path("in.png"), original);
    // The user's Completion keys end the wipe at frame 2; the sequence does not stretch them.
    renderOk({path("in.png"), "-o", path("k%d.png"), "--frames", "4", "--keyframe", "Completion=0:0", "--keyframe",
              "Completion=2:100", "--quiet"});
    EXPECT_FALSE(fullyTransparent(readFile(path("k1.png"))));
    EXPECT_TRUE(fullyTransparent(readFile(path("k2.png"))));
    EXPECT_TRUE(fullyTransparent(readFile(path("k3.png"))));
    // A popup holds its value until its next keyframe: at completion 0 "Only Wiping" shows nothing.
    const std::vector<std::string> viewing{"--keyframe", "Viewing Mode=0:Output", "--keyframe",
                                           "Viewing Mode=10:Only Wiping", "--quiet"};
    std::vector<std::string> at9{path("in.png"), "-o", path("at9.png"), "--frame", "9.5"};
    at9.insert(at9.end(), viewing.begin(), viewing.end());
    renderOk(at9);
    EXPECT_TRUE(readFile(path("at9.png")).data == original.data);
    std::vector<std::string> at10{path("in.png"), "-o", path("at10.png"), "--frame", "10"};
    at10.insert(at10.end(), viewing.begin(), viewing.end());
    renderOk(at10);
    EXPECT_TRUE(fullyTransparent(readFile(path("at10.png"))));
}

TEST_F(RenderFiles, TestImageIsOpaqueWithDistinctCells) {
    renderOk({"-o", path("test.png"), "--size", "320x180", "--quiet"});
    const FileImage image = readFile(path("test.png"));
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 180);
    std::set<std::vector<long>> cellColours;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            std::vector<long> sum(3, 0);
            for (int y = row * 180 / 8; y < (row + 1) * 180 / 8; ++y) {
                for (int x = column * 320 / 8; x < (column + 1) * 320 / 8; ++x) {
                    ASSERT_EQ(image.word<uint8_t>(x, y, 3), 255);
                    for (int c = 0; c < 3; ++c) sum[static_cast<std::size_t>(c)] += image.word<uint8_t>(x, y, c);
                }
            }
            cellColours.insert(sum);
        }
    }
    EXPECT_EQ(cellColours.size(), 64u) << "every default block looks different";
}

TEST_F(RenderFiles, SheetShowsTheWholeWipeInScaledTiles) {
    renderOk({"-o", path("sheet.png"), "--size", "200x100", "--sheet", "3x2", "--quiet"});
    const FileImage small = readFile(path("sheet.png"));
    // Tiles keep their size below the cap: 3 x 200 + 4 margins wide, 2 x (100 + caption) + 3 margins high.
    EXPECT_EQ(small.width, 3 * 200 + 4 * 12);
    EXPECT_EQ(small.height, 2 * (100 + 22) + 3 * 12);
    const auto isGrey = [&](int x, int y) {
        return small.word<uint8_t>(x, y, 0) == small.word<uint8_t>(x, y, 1) &&
               small.word<uint8_t>(x, y, 1) == small.word<uint8_t>(x, y, 2);
    };
    int colouredInFirst = 0;
    int colouredInLast = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            colouredInFirst += !isGrey(12 + x, 12 + y);
            colouredInLast += !isGrey(12 + 2 * 212 + x, 12 + 134 + y);
        }
    }
    EXPECT_GT(colouredInFirst, 15000) << "moment 0 shows the picture";
    EXPECT_EQ(colouredInLast, 0) << "the last moment is all wiped: only the checker shows";

    // Full HD tiles are scaled down to 480 pixels wide.
    renderOk({"-o", path("big.png"), "--size", "1920x1080", "--sheet", "2x1", "--quiet"});
    const FileImage big = readFile(path("big.png"));
    EXPECT_EQ(big.width, 2 * 480 + 3 * 12);
    EXPECT_EQ(big.height, 270 + 22 + 2 * 12);
}

struct Overwrite {
    const char* name;
    std::vector<std::string> args;  // "{d}" is the test's folder
};

class RenderOverwrite : public RenderFiles, public ::testing::WithParamInterface<Overwrite> {};

TEST_P(RenderOverwrite, RefusesToWriteOverTheInput) {
    writeFile(path("f_001.png"), randomImage(8, 8, OIIO::TypeDesc::UINT8, 1));
    fs::create_hard_link(path("f_001.png"), path("link.png"));
    const std::string before = readWhole(path("f_001.png"));
    std::vector<std::string> args{"render", path("f_001.png")};
    for (std::string a : GetParam().args) {
        const std::size_t at = a.find("{d}");
        if (at != std::string::npos) a.replace(at, 3, dir_.string());
        args.push_back(a);
    }
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("input"), std::string::npos) << r.err;
    EXPECT_EQ(readWhole(path("f_001.png")), before);
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"f_001.png", "link.png"}));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RenderOverwrite,
    ::testing::Values(Overwrite{"SamePath", {"-o", "{d}/f_001.png"}},
                      Overwrite{"RoundAbout", {"-o", "{d}/.//f_001.png"}},
                      Overwrite{"HardLink", {"-o", "{d}/link.png"}},
                      Overwrite{"SequenceFrame", {"-o", "{d}/f_%03d.png", "--frames", "3"}}),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(RenderFiles, UnwritableOutputsAreRefusedBeforeAnyWork) {
    writeFile(path("in.png"), randomImage(8, 8, OIIO::TypeDesc::UINT8, 2));
    // A folder where a frame should go, found before anything is rendered or written.
    fs::create_directory(path("blocked.png"));
    const ToolResult single = runTool({"render", path("in.png"), "-o", path("blocked.png")});
    EXPECT_TRUE(exitTwoWithOneLine(single));
    EXPECT_NE(single.err.find("is a folder"), std::string::npos) << single.err;
    EXPECT_TRUE(fs::is_directory(path("blocked.png")));
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"in.png", "blocked.png"}));

    fs::create_directory(path("s_2.png"));
    const ToolResult sequence = runTool({"render", path("in.png"), "-o", path("s_%d.png"), "--frames", "4"});
    EXPECT_TRUE(exitTwoWithOneLine(sequence));
    EXPECT_NE(sequence.err.find("s_2.png"), std::string::npos) << sequence.err;
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"in.png", "blocked.png", "s_2.png"}));

    // Paths too long for a temporary beside them say so (in a folder that exists).
    for (const std::size_t length : {4080u, 4100u}) {
        std::string deep = dir_.string();
        while (deep.size() < length) deep += "/.";
        const ToolResult tooLong = runTool({"render", path("in.png"), "-o", deep + "/x.png"});
        EXPECT_TRUE(exitTwoWithOneLine(tooLong));
        EXPECT_NE(tooLong.err.find(length < 4096 ? "bytes long" : "too long"), std::string::npos) << tooLong.err;
    }
    const ToolResult longName = runTool({"render", path("in.png"), "-o", path(std::string(256, 'n') + ".png")});
    EXPECT_TRUE(exitTwoWithOneLine(longName));
    EXPECT_NE(longName.err.find("name is 260 bytes long"), std::string::npos) << longName.err;
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"in.png", "blocked.png", "s_2.png"}));
}

// A replaced file keeps its permissions (and owner, where the tool may give it).
TEST_F(RenderFiles, ReplacedFilesKeepTheirPermissions) {
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                                 fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec}) {
        const std::string target = path("kept.png");
        writeFile(target, randomImage(8, 8, OIIO::TypeDesc::UINT8, 1));
        fs::permissions(target, mode);
        struct stat before{};
        ASSERT_EQ(::stat(target.c_str(), &before), 0);
        renderOk({"-o", target, "--size", "16x8", "--quiet"});
        struct stat after{};
        ASSERT_EQ(::stat(target.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not rewritten in place";
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
    }
    // A new file gets the usual permissions of the user's mask.
    renderOk({"-o", path("new.png"), "--size", "16x8", "--quiet"});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(path("new.png")).permissions(), static_cast<fs::perms>(0666 & ~mask));
}

// A file's EXIF orientation is applied: the frame is the picture as a viewer shows it,
// and the output, stored upright, says no other orientation. The reference is the
// tag's definition: the side of the picture the stored 0th row and 0th column show on.
TEST_F(RenderFiles, ExifOrientationIsApplied) {
    enum Side { Top, Bottom, Left, Right };
    const struct {
        Side row, column;
    } kSides[9] = {{}, {Top, Left}, {Top, Right}, {Bottom, Right}, {Bottom, Left},
                   {Left, Top}, {Right, Top}, {Right, Bottom}, {Left, Bottom}};
    const int w = 5;
    const int h = 3;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        FileImage stored = FileImage::sized(w, h, 4, OIIO::TypeDesc::UINT8);
        for (std::size_t i = 0; i < stored.data.size(); ++i) {
            stored.words<uint8_t>()[i] = i % 4 == 3 ? 255 : static_cast<uint8_t>(17 * (i / 4) + 3 * (i % 4));
        }
        const std::string in = path("oriented_" + std::to_string(orientation) + ".tif");
        OIIO::ImageSpec header(w, h, 4, stored.type);
        header.alpha_channel = 3;
        header.attribute("Orientation", orientation);
        {
            auto out = OIIO::ImageOutput::create(in);
            ASSERT_TRUE(out && out->open(in, header));
            ASSERT_TRUE(out->write_image(stored.type, stored.data.data()));
            ASSERT_TRUE(out->close());
        }
        renderOk({in, "-o", path("shown.png"), "--direct", "--quiet"});
        const FileImage shown = readFile(path("shown.png"));
        const bool turned = kSides[orientation].row == Left || kSides[orientation].row == Right;
        ASSERT_EQ(shown.width, turned ? h : w);
        ASSERT_EQ(shown.height, turned ? w : h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int dx = 0;  // where stored pixel (x, y) shows
                int dy = 0;
                switch (kSides[orientation].row) {
                    case Top: dy = y; break;
                    case Bottom: dy = shown.height - 1 - y; break;
                    case Left: dx = y; break;
                    case Right: dx = shown.width - 1 - y; break;
                }
                switch (kSides[orientation].column) {
                    case Top: dy = x; break;
                    case Bottom: dy = shown.height - 1 - x; break;
                    case Left: dx = x; break;
                    case Right: dx = shown.width - 1 - x; break;
                }
                for (int c = 0; c < 4; ++c) {
                    EXPECT_EQ(shown.data[static_cast<std::size_t>((dy * shown.width + dx) * 4 + c)],
                              stored.data[static_cast<std::size_t>((y * w + x) * 4 + c)])
                        << "stored pixel " << x << "," << y;
                }
            }
        }
        auto check = OIIO::ImageInput::open(path("shown.png"));
        ASSERT_TRUE(check);
        EXPECT_EQ(check->spec().get_int_attribute("Orientation", 1), 1);
    }
}

TEST_F(RenderFiles, FailedRenderWritesNothing) {
    RenderOptions options;
    options.output = path("r_%d.png");
    options.frames = "3";
    options.size = "16x8";
    options.quiet = true;
    // Frames render on several threads at once: the second frame fails, whenever it comes.
    const FrameRenderer failsSecond = [](const Scene& scene, int32_t time, const FrameImage& input,
                                         const FrameWindow& window,
                                         const BlockProgress& progress, FrameImage& output, std::string& error) {
        if (time == 100) {
            error = "backend gave up";
            return false;
        }
        return renderSceneFrame(scene, time, input, window, progress, output, error);
    };
    std::string error;
    EXPECT_EQ(runRender(options, error, failsSecond), kExitFailed);
    EXPECT_EQ(error, "frame 1: backend gave up");
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"r_0.png"}));

    options.output = path("sheet.png");
    options.frames.clear();
    options.sheet = "2x2";
    EXPECT_EQ(runRender(options, error, failsSecond), kExitFailed);
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"r_0.png"})) << "no sheet of missing moments";
}

TEST(FramePatterns, NumbersFramesAsPrintfWould) {
    struct Case {
        const char* pattern;
        int64_t frame;
        const char* path;
    };
    for (const Case& c : {Case{"out/f_%04d.png", 7, "out/f_0007.png"}, Case{"f%d.exr", 1234, "f1234.exr"},
                          Case{"f%3d.tif", 5, "f  5.tif"}, Case{"100%%_%02d.png", 123, "100%_123.png"},
                          Case{"a%%b/c_%d.png", 2, "a%%b/c_2.png"}}) {
        FramePattern pattern;
        std::string error;
        ASSERT_TRUE(FramePattern::parse(c.pattern, pattern, error)) << c.pattern << ": " << error;
        EXPECT_EQ(pattern.path(c.frame), c.path) << c.pattern;
    }
}

struct BadRender {
    std::vector<std::string> args;  // "{d}" is the test's folder, holding in.png and text.png
    const char* mentions;
};

class RenderBadInput : public RenderFiles, public ::testing::WithParamInterface<BadRender> {};

TEST_P(RenderBadInput, OneLineOnStderrAndExitTwo) {
    writeFile(path("in.png"), randomImage(8, 8, OIIO::TypeDesc::UINT8, 4));
    {
        std::ofstream text(path("text.png"));
        text << "not a picture\n";
    }
    std::vector<std::string> args{"render"};
    for (std::string a : GetParam().args) {
        const std::size_t at = a.find("{d}");
        if (at != std::string::npos) a.replace(at, 3, dir_.string());
        args.push_back(a);
    }
    const ToolResult r = runTool(args);
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
    EXPECT_EQ(namesIn(dir_), (std::set<std::string>{"in.png", "text.png"})) << "nothing written";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderBadInput,
    ::testing::Values(
        BadRender{{"{d}/in.png"}, "--output"},
        BadRender{{"{d}/missing.png", "-o", "{d}/o.png"}, "missing.png"},
        BadRender{{"{d}/text.png", "-o", "{d}/o.png"}, "text.png"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.jpg"}, "\".jpg\""},
        BadRender{{"{d}/in.png", "-o", "{d}/o"}, "no extension"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--depth", "32"}, "32-bit"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--depth", "12"}, "8, 16 or 32"},
        BadRender{{"{d}/in.png", "-o", "{d}/no/o.png"}, "does not exist"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "3", "--frame", "1"}, "exclude"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "3", "--sheet", "2x2"}, "exclude"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--frames", "3"}, "exactly one frame number pattern"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d_%d.png", "--frames", "3"}, "found 2"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%x.png", "--frames", "3"}, "\"%x\""},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "0"}, "frame count"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "many"}, "frame count"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--frame", "-1"}, "frame number"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--sheet", "6"}, "CxR"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--sheet", "0x4"}, "CxR"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--sheet", "17x2"}, "1 to 16"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--sheet", "1x1"}, "at least two"},
        BadRender{{"-o", "{d}/o.png", "--size", "0x10"}, "WxH"},
        BadRender{{"-o", "{d}/o.png", "--size", "640"}, "WxH"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--size", "64x64"}, "INPUT"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--noise", "3"}, "INPUT"},
        BadRender{{"-o", "{d}/o.png", "--noise", "-1"}, "seed"},
        BadRender{{"-o", "{d}/o.png", "--noise", "4294967296"}, "seed"},
        BadRender{{"-o", "{d}/o.png", "--noise", "x"}, "seed"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--param", "Mode=Move9"}, "Still1"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--keyframe", "Row=2"}, "TIME:VALUE"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--fps", "0"}, "frame rate"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--fps", "1e-300"}, "frame rate"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--fps", "1e-300", "--direct"}, "frame rate"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "3", "--jobs", "0"}, "--jobs"},
        BadRender{{"{d}/in.png", "-o", "{d}/o_%d.png", "--frames", "3", "--jobs", "all"}, "--jobs"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--memory-budget", "12"}, "--memory-budget"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--mask", "M 0 0 L 1e12 0"}, "beyond"},
        BadRender{{"{d}/in.png", "-o", "{d}/o.png", "--bogus"}, "bogus"}));

}  // namespace
}  // namespace tilesweep::test
