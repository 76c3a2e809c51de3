// Files in their formats' conventions, sequences on every core, and commands that
// stay light: what other programs read back from the tool's files, what several
// threads make of a sequence, and what the tool loads.
#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "AddressSpace.h"
#include "AtomicFile.h"
#include "MemoryBudget.h"
#include "OrderedFrames.h"
#include "RenderCommand.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

class Conventions : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        dir_ = fs::temp_directory_path() / ("tilesweep_conventions_" + std::to_string(::getpid()) + "_" +
                                            std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void render(std::vector<std::string> args) {
        args.insert(args.begin(), "render");
        args.push_back("--quiet");
        const ToolResult r = runTool(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    fs::path dir_;
};

// Writes RGBA floats as a file of `type`; header attributes as given.
void writeRgba(const std::string& path, int width, int height, const std::vector<float>& pixels, OIIO::TypeDesc type,
               bool unassociated) {
    OIIO::ImageSpec header(width, height, 4, type);
    header.alpha_channel = 3;
    if (unassociated) header.attribute("oiio:UnassociatedAlpha", 1);
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out && out->open(path, header) && out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()) && out->close())
        << OIIO::geterror();
}

// The file's words as floats exactly as stored: no conversion of the alpha convention.
std::vector<float> storedFloats(const std::string& path, OIIO::ImageSpec* header = nullptr) {
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    EXPECT_TRUE(in) << OIIO::geterror();
    if (!in) return {};
    std::vector<float> pixels(static_cast<std::size_t>(in->spec().image_pixels()) * in->spec().nchannels);
    EXPECT_TRUE(in->read_image(0, 0, 0, in->spec().nchannels, OIIO::TypeDesc::FLOAT, pixels.data()));
    if (header != nullptr) *header = in->spec();
    return pixels;
}

// Straight colour 200, 100, 50 at four coverages.
const std::array<float, 4> kAlphas{1.0f, 128.0f / 255, 1.0f / 255, 0.0f};
const std::array<float, 3> kStraight{200.0f / 255, 100.0f / 255, 50.0f / 255};

std::vector<float> straightPixels() {
    std::vector<float> pixels;
    for (float a : kAlphas) {
        pixels.insert(pixels.end(), kStraight.begin(), kStraight.end());
        pixels.push_back(a);
    }
    return pixels;
}

TEST_F(Conventions, ExrColourIsWrittenPremultiplied) {
    writeRgba(path("in.png"), 4, 1, straightPixels(), OIIO::TypeDesc::UINT8, true);
    render({path("in.png"), "-o", path("still.exr"), "--param", "Completion=0"});
    const std::vector<float> stored = storedFloats(path("still.exr"));
    ASSERT_EQ(stored.size(), 16u);
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_FLOAT_EQ(stored[p * 4 + 3], kAlphas[p]);
        for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(stored[p * 4 + c], kStraight[c] * kAlphas[p], 1e-6) << "pixel " << p << " channel " << c;
        }
    }
    // Wiped away, nothing is left: no colour without coverage that readers would add as light.
    render({path("in.png"), "-o", path("wiped.exr"), "--param", "Completion=100", "--param", "Mode=Still1"});
    for (float word : storedFloats(path("wiped.exr"))) EXPECT_EQ(word, 0.0f);
}

struct AssociatedInput {
    const char* name;
    const char* extension;
    OIIO::TypeDesc::BASETYPE type;
    float tolerance;
    float faintTolerance;
};

class AssociatedInputs : public Conventions, public ::testing::WithParamInterface<AssociatedInput> {};

TEST_P(AssociatedInputs, AreDividedByAlpha) {
    std::vector<float> premultiplied = straightPixels();
    for (std::size_t p = 0; p < 4; ++p) {
        for (std::size_t c = 0; c < 3; ++c) premultiplied[p * 4 + c] *= kAlphas[p];
    }
    const std::string input = path(std::string("in") + GetParam().extension);
    writeRgba(input, 4, 1, premultiplied, GetParam().type, false);
    render({input, "-o", path("out.png"), "--depth", "16", "--param", "Completion=0"});
    const std::vector<float> out = storedFloats(path("out.png"));
    ASSERT_EQ(out.size(), 16u);
    // As near as the file's words carry the colour: at 1/255 coverage an 8-bit
    // premultiplied word holds next to nothing, a 16-bit one a little.
    for (std::size_t p = 0; p < 3; ++p) {
        for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(out[p * 4 + c], kStraight[c], p == 2 ? GetParam().faintTolerance : GetParam().tolerance)
                << "pixel " << p << " channel " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, AssociatedInputs,
                         ::testing::Values(AssociatedInput{"Tiff8", ".tif", OIIO::TypeDesc::UINT8, 1.0f / 255, 0.5f},
                                           AssociatedInput{"Tiff16", ".tif", OIIO::TypeDesc::UINT16, 1e-4f, 1e-2f},
                                           AssociatedInput{"TiffFloat", ".tif", OIIO::TypeDesc::FLOAT, 1e-4f, 1e-4f},
                                           AssociatedInput{"Exr", ".exr", OIIO::TypeDesc::HALF, 2e-3f, 2e-3f}),
                         [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(Conventions, TiffIsWrittenStraightAndMarkedSo) {
    writeRgba(path("in.png"), 4, 1, straightPixels(), OIIO::TypeDesc::UINT8, true);
    render({path("in.png"), "-o", path("out.tif"), "--param", "Completion=0"});
    OIIO::ImageSpec header;
    const std::vector<float> stored = storedFloats(path("out.tif"), &header);
    EXPECT_EQ(header.get_int_attribute("oiio:UnassociatedAlpha", 0), 1) << "ExtraSamples says unassociated";
    for (std::size_t p = 0; p < 3; ++p) {
        for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(stored[p * 4 + c], kStraight[c], 1e-6);
    }
    // And PNG, straight by definition, gives its 8-bit words back exactly (RenderRoundTrip).
}

TEST_F(Conventions, ExrDataWindowKeepsItsPlaceInTheDisplayWindow) {
    OIIO::ImageSpec header(8, 4, 4, OIIO::TypeDesc::HALF);
    header.alpha_channel = 3;
    header.x = 10;
    header.y = 5;
    header.full_x = 0;
    header.full_y = 0;
    header.full_width = 40;
    header.full_height = 30;
    std::vector<float> pixels(8 * 4 * 4, 1.0f);
    auto out = OIIO::ImageOutput::create(path("window.exr"));
    ASSERT_TRUE(out && out->open(path("window.exr"), header) &&
                out->write_image(OIIO::TypeDesc::FLOAT, pixels.data()) && out->close());
    render({path("window.exr"), "-o", path("placed.png"), "--depth", "8", "--param", "Completion=0"});
    OIIO::ImageSpec placedSpec;
    const std::vector<float> placed = storedFloats(path("placed.png"), &placedSpec);
    ASSERT_EQ(placedSpec.width, 40);
    ASSERT_EQ(placedSpec.height, 30);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 18 && y >= 5 && y < 9;
            EXPECT_EQ(placed[(static_cast<std::size_t>(y) * 40 + x) * 4 + 3], inside ? 1.0f : 0.0f) << x << "," << y;
        }
    }
}

// ---- Less common layouts, each read as a viewer shows it.

// Writes `parts` as the subimages (OpenEXR parts) of one file, pixels given as floats.
void writeParts(const std::string& path, const std::vector<OIIO::ImageSpec>& parts,
                const std::vector<std::vector<float>>& pixels) {
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << OIIO::geterror();
    ASSERT_TRUE(out->open(path, static_cast<int>(parts.size()), parts.data())) << out->geterror();
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) {
            ASSERT_TRUE(out->open(path, parts[p], OIIO::ImageOutput::AppendSubimage)) << out->geterror();
        }
        ASSERT_TRUE(out->write_image(OIIO::TypeDesc::FLOAT, pixels[p].data())) << out->geterror();
    }
    ASSERT_TRUE(out->close());
}

OIIO::ImageSpec channelsSpec(int width, OIIO::TypeDesc type, std::vector<std::string> names, const char* partName) {
    OIIO::ImageSpec header(width, 1, static_cast<int>(names.size()), type);
    header.channelnames = std::move(names);
    header.alpha_channel = -1;
    for (int c = 0; c < header.nchannels; ++c) {
        if (header.channelnames[static_cast<std::size_t>(c)] == "A") header.alpha_channel = c;
    }
    header.attribute("name", partName);
    return header;
}

// Grey 0.8 at each coverage, premultiplied unless `straight`.
std::vector<float> greyAlphaPixels(bool straight) {
    std::vector<float> pixels;
    for (float a : kAlphas) {
        pixels.push_back(straight ? 0.8f : 0.8f * a);
        pixels.push_back(a);
    }
    return pixels;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

struct LayoutCase {
    const char* name;
    const char* file;
    std::function<void(const std::string&)> write;
    std::vector<std::array<float, 4>> expected;  // straight RGBA of the first pixels
    float tolerance;
    const char* warning;  // a part of the tool's warning, or nullptr for none
};

void PrintTo(const LayoutCase& layout, std::ostream* os) { *os << layout.name; }

std::vector<std::array<float, 4>> greyExpected() {
    std::vector<std::array<float, 4>> pixels;
    // At no coverage, colour has no meaning; the comparison skips it.
    for (float a : kAlphas) pixels.push_back({0.8f, 0.8f, 0.8f, a});
    return pixels;
}

std::vector<LayoutCase> layoutCases() {
    const auto greyFile = [](OIIO::TypeDesc type, bool straight) {
        return [type, straight](const std::string& path) {
            OIIO::ImageSpec header = channelsSpec(4, type, {"Y", "A"}, "grey");
            if (straight) header.attribute("oiio:UnassociatedAlpha", 1);
            writeParts(path, {header}, {greyAlphaPixels(straight)});
        };
    };
    // A lossless WebP of straight colour 200, 100, 50 at coverages 255, 128, 1 and 0.
    const std::vector<unsigned char> webp{
        0x52, 0x49, 0x46, 0x46, 0x24, 0x00, 0x00, 0x00, 0x57, 0x45, 0x42, 0x50, 0x56, 0x50, 0x38,
        0x4c, 0x18, 0x00, 0x00, 0x00, 0x2f, 0x03, 0x00, 0x00, 0x10, 0x1f, 0x30, 0x64, 0x83, 0x3c,
        0x32, 0x02, 0x82, 0x82, 0xe5, 0x5d, 0x0f, 0xf4, 0x01, 0xd0, 0x8d, 0x88, 0xfe, 0x07};
    // A 2 x 1 GIF: index 0 is transparent, index 1 the colour 16, 32, 48.
    const std::vector<unsigned char> gif{'G', 'I', 'F', '8', '9', 'a', 0x02, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
                                         0xc8, 0x64, 0x32, 0x10, 0x20, 0x30, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00,
                                         0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00,
                                         0x02, 0x02, 0x44, 0x0a, 0x00, 0x3b};
    const std::vector<float> beauty{0.4f, 0.2f, 0.1f, 0.5f, 0.8f, 0.4f, 0.2f, 1.0f};
    const std::vector<float> matte{0.25f, 1.0f};
    const auto straightWebp = [](float a) { return std::array<float, 4>{kStraight[0], kStraight[1], kStraight[2], a}; };
    return {
        {"ExrGreyAlpha", "in.exr", greyFile(OIIO::TypeDesc::HALF, false), greyExpected(), 2e-3f, nullptr},
        {"TiffGreyAssociated", "in.tif", greyFile(OIIO::TypeDesc::UINT16, false), greyExpected(), 4e-3f, nullptr},
        {"TiffGreyUnassociated", "in.tif", greyFile(OIIO::TypeDesc::UINT16, true), greyExpected(), 1e-4f, nullptr},
        {"WebpLossless", "in.webp", [webp](const std::string& path) { writeBytes(path, webp); },
         {straightWebp(1.0f), straightWebp(128.0f / 255)}, 2.5f / 255, nullptr},
        {"GifTransparentIndex", "in.gif", [gif](const std::string& path) { writeBytes(path, gif); },
         {{0, 0, 0, 0}, {16.0f / 255, 32.0f / 255, 48.0f / 255, 1.0f}}, 1e-6f, nullptr},
        {"ExrLumaChroma", "in.exr",
         [](const std::string& path) {
             // Straight 0.8, 0.4, 0.2 at half and full coverage, as luminance and chroma.
             std::vector<float> pixels;
             for (float a : {0.5f, 1.0f}) {
                 const float r = 0.8f * a, g = 0.4f * a, b = 0.2f * a;
                 const float y = 0.2126f * r + 0.7152f * g + 0.0722f * b;
                 pixels.insert(pixels.end(), {y, (r - y) / y, (b - y) / y, a});
             }
             writeParts(path, {channelsSpec(2, OIIO::TypeDesc::FLOAT, {"Y", "RY", "BY", "A"}, "rgba")}, {pixels});
         },
         {{0.8f, 0.4f, 0.2f, 0.5f}, {0.8f, 0.4f, 0.2f, 1.0f}}, 1e-4f, nullptr},
        {"ExrMatteBeforeBeauty", "in.exr",
         [=](const std::string& path) {
             writeParts(path,
                        {channelsSpec(2, OIIO::TypeDesc::HALF, {"A"}, "matte"),
                         channelsSpec(2, OIIO::TypeDesc::HALF, {"R", "G", "B", "A"}, "beauty")},
                        {matte, beauty});
         },
         {{0.8f, 0.4f, 0.2f, 0.5f}, {0.8f, 0.4f, 0.2f, 1.0f}}, 2e-3f, "part 2"},
        {"ExrBeautyBeforeMatte", "in.exr",
         [=](const std::string& path) {
             writeParts(path,
                        {channelsSpec(2, OIIO::TypeDesc::HALF, {"R", "G", "B", "A"}, "beauty"),
                         channelsSpec(2, OIIO::TypeDesc::HALF, {"A"}, "matte")},
                        {beauty, matte});
         },
         {{0.8f, 0.4f, 0.2f, 0.5f}, {0.8f, 0.4f, 0.2f, 1.0f}}, 2e-3f, nullptr},
    };
}

class InputLayouts : public Conventions, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(InputLayouts, ReadAsAViewerShowsThem) {
    const LayoutCase& layout = GetParam();
    const std::string input = path(layout.file);
    layout.write(input);
    if (HasFatalFailure()) return;
    const ToolResult r = runTool({"render", input, "-o", path("out.tif"), "--depth", "32", "--param", "Completion=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    if (layout.warning == nullptr) {
        EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
    } else {
        EXPECT_NE(r.err.find(layout.warning), std::string::npos) << r.err;
    }
    const std::vector<float> out = storedFloats(path("out.tif"));
    ASSERT_GE(out.size(), layout.expected.size() * 4);
    for (std::size_t p = 0; p < layout.expected.size(); ++p) {
        const std::array<float, 4>& want = layout.expected[p];
        EXPECT_NEAR(out[p * 4 + 3], want[3], layout.tolerance) << "alpha of pixel " << p;
        if (want[3] == 0.0f) continue;
        for (std::size_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(out[p * 4 + c], want[c], layout.tolerance) << "pixel " << p << " channel " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, InputLayouts, ::testing::ValuesIn(layoutCases()),
                         [](const auto& entry) { return std::string(entry.param.name); });

// ---- Sequences on every core.

struct ParallelCase {
    const char* name;
    std::vector<std::string> args;  // "{o}" is the output name's stem
};

class ParallelRenders : public Conventions, public ::testing::WithParamInterface<ParallelCase> {};

TEST_P(ParallelRenders, AreByteIdenticalToSerial) {
    std::map<std::string, std::vector<std::string>> runs;
    for (const char* jobs : {"1", "3", ""}) {
        const std::string stem = std::string("j") + (*jobs ? jobs : "all");
        std::vector<std::string> args;
        for (std::string a : GetParam().args) {
            const std::size_t at = a.find("{o}");
            if (at != std::string::npos) a.replace(at, 3, path(stem));
            args.push_back(a);
        }
        if (*jobs) {
            args.push_back("--jobs");
            args.push_back(jobs);
        }
        render(args);
    }
    std::map<std::string, std::string> serial;
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        ASSERT_NE(name.rfind(kTemporaryPrefix, 0), 0u) << name;
        if (name.rfind("j1", 0) == 0) {
            serial[name.substr(2)] = readWhole(entry.path().string());
            ++files;
        }
    }
    ASSERT_GT(files, 0u);
    for (const char* other : {"j3", "jall"}) {
        for (const auto& [suffix, bytes] : serial) {
            EXPECT_TRUE(readWhole(path(other + suffix)) == bytes) << other << suffix;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Products, ParallelRenders,
    ::testing::Values(
        ParallelCase{"PluginSequence",
                     {"-o", "{o}_%02d.png", "--size", "96x64", "--frames", "9", "--param", "Order=Random",
                      "--param", "Mode=Move2"}},
        ParallelCase{"DirectSequence16",
                     {"-o", "{o}_%02d.png", "--size", "80x48", "--frames", "7", "--depth", "16", "--direct",
                      "--param", "Mode=Shrink2"}},
        ParallelCase{"TiffSequence", {"-o", "{o}_%d.tif", "--size", "64x32", "--frames", "5", "--param", "Mode=Move3"}},
        ParallelCase{"ExrSequence",
                     {"-o", "{o}_%d.exr", "--size", "64x32", "--frames", "5", "--depth", "32", "--param",
                      "Mode=Still2"}},
        ParallelCase{"Sheet", {"-o", "{o}.png", "--size", "120x80", "--sheet", "4x3", "--param", "Mode=Move1"}}),
    [](const auto& entry) { return std::string(entry.param.name); });

TEST_F(Conventions, FirstFailureStopsEveryThreadAndLeavesCompleteFramesBeforeIt) {
    RenderOptions options;
    options.output = path("r_%02d.png");
    options.frames = "24";
    options.size = "32x16";
    options.quiet = true;
    options.jobs = "4";
    const FrameRenderer failsAtSeven = [](const Scene& scene, int32_t time, const FrameImage& input,
                                          const FrameWindow& window,
                                          const BlockProgress& progress, FrameImage& output, std::string& error) {
        if (time == 700) {
            error = "gave up";
            return false;
        }
        return renderSceneFrame(scene, time, input, window, progress, output, error);
    };
    std::string error;
    EXPECT_EQ(runRender(options, error, failsAtSeven), kExitFailed);
    EXPECT_EQ(error, "frame 7: gave up");
    std::set<std::string> expected;
    for (int i = 0; i < 7; ++i) expected.insert("r_0" + std::to_string(i) + ".png");
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, expected) << "the frames before the failure, none after, no temporaries";
}

TEST(OrderedFrames, FinishInOrderAndStopAtTheFirstFailure) {
    for (int64_t failing : {int64_t{-1}, int64_t{0}, int64_t{13}, int64_t{39}}) {
        std::mutex mutex;
        std::vector<int64_t> finished;
        std::set<int64_t> made;
        std::set<int64_t> dropped;
        OrderedWork work;
        work.make = [&](int64_t item, int, std::string& error) {
            // Later items finish sooner, so that they wait for earlier ones.
            ::usleep(static_cast<useconds_t>((40 - item % 7) * 50));
            std::lock_guard<std::mutex> lock(mutex);
            made.insert(item);
            if (item == failing) error = "item " + std::to_string(item);
            return item != failing;
        };
        work.finish = [&](int64_t item, std::string&) {
            finished.push_back(item);
            return true;
        };
        work.drop = [&](int64_t item) { dropped.insert(item); };
        std::string error;
        const bool done = runOrdered(40, 4, 8, work, error);
        EXPECT_EQ(done, failing < 0);
        const int64_t stop = failing < 0 ? 40 : failing;
        ASSERT_EQ(static_cast<int64_t>(finished.size()), stop) << "failing " << failing;
        for (int64_t i = 0; i < stop; ++i) EXPECT_EQ(finished[static_cast<std::size_t>(i)], i);
        if (failing >= 0) {
            EXPECT_EQ(error, "item " + std::to_string(failing));
            for (int64_t item : made) {
                if (item > failing) {
                    EXPECT_EQ(dropped.count(item), 1u) << "made after the failure, dropped: " << item;
                }
            }
            EXPECT_LT(static_cast<int64_t>(*made.rbegin()), failing + 8 + 4) << "no item far past the window";
        }
    }
}

TEST(MemoryBudgets, SizesAsTyped) {
    struct Case {
        const char* text;
        uint64_t bytes;  // 0: refused
    };
    for (const Case& c : {Case{"2G", uint64_t{2} << 30}, Case{"512M", uint64_t{512} << 20}, Case{"512MB", uint64_t{512} << 20},
                          Case{"1.5g", uint64_t{3} << 29}, Case{"100000000", 100000000}, Case{"1T", uint64_t{1} << 40},
                          Case{"63M", 0}, Case{"-1G", 0}, Case{"G", 0}, Case{"nanG", 0}, Case{"1e400", 0},
                          Case{"2000T", 0}, Case{"", 0}, Case{"12Q", 0}}) {
        uint64_t bytes = 0;
        std::string error;
        EXPECT_EQ(parseMemoryBudget(c.text, bytes, error), c.bytes != 0) << c.text;
        if (c.bytes != 0) {
            EXPECT_EQ(bytes, c.bytes) << c.text;
        } else {
            EXPECT_NE(error.find("--memory-budget"), std::string::npos) << c.text;
        }
    }
}

TEST(MemoryBudgets, FramesInFlightFitTheBudget) {
    FootprintInputs hd;
    hd.width = 1920;
    hd.height = 1080;
    const RenderFootprint f = renderFootprint(hd);
    const uint64_t frame = 1920ull * 1080 * 4;
    EXPECT_GE(f.shared, frame);
    EXPECT_GE(f.perWorker, 5 * frame) << "output, file layout, encoding and the host's two copies";
    EXPECT_EQ(framesWithinBudget(f, f.shared + 3 * f.perWorker + 1, 8), 3);
    EXPECT_EQ(framesWithinBudget(f, f.shared + 3 * f.perWorker + 1, 2), 2);
    EXPECT_EQ(framesWithinBudget(f, f.shared + f.perWorker - 1, 8), 0);
    EXPECT_EQ(framesWithinBudget(f, f.shared / 2, 8), 0);
    FootprintInputs bomb = hd;
    bomb.width = bomb.height = 30000;
    EXPECT_EQ(framesWithinBudget(renderFootprint(bomb), uint64_t{8} << 30, 4), 0);
}

// ---- Commands that read or write no image load no image library.

TEST(StartUp, ToolDoesNotNeedTheImageLibrary) {
    const std::string command = std::string("readelf -d ") + shellQuote(TILESWEEP_CLI_PATH) + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_TRUE(pipe);
    std::string dynamic;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) dynamic.append(buffer, n);
    ASSERT_NE(dynamic.find("NEEDED"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("OpenImageIO"), std::string::npos) << dynamic;
}

TEST(StartUp, CommandsWithoutImagesRunInLittleAddressSpace) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
#endif
    for (const char* args : {"params", "params --direct", "about", "plan --width 1920 --height 1080"}) {
        const std::string command = "(ulimit -v 120000; exec " + shellQuote(TILESWEEP_CLI_PATH) + " " + args +
                                    ") >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args << " under 120 MB of address space";
    }
}

// Under an address-space limit too small for a render the tool refuses at once with one
// line saying how much it needs (never a crash in a library's start-up or a hang); with
// what it says it needs, it renders.
TEST(StartUp, RenderUnderAnAddressSpaceLimit) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
#endif
    const uint64_t needKb = renderAddressSpaceNeed() / 1024;
    const std::string output = "/tmp/tilesweep_as_" + std::to_string(::getpid()) + ".png";
    for (const uint64_t kb : {uint64_t{100000}, uint64_t{300000}, uint64_t{400000}, needKb - 1024}) {
        SCOPED_TRACE(kb);
        const ToolResult r = runCommandLine("(ulimit -v " + std::to_string(kb) + "; exec timeout -s KILL 60 " +
                                            toolCommandLine({"render", "-o", output, "--size", "64x48"}) + ")");
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(oneLineOnStderr(r));
        EXPECT_NE(r.err.find("a render needs at least " + std::to_string((needKb + 1023) / 1024) + " MB"),
                  std::string::npos)
            << r.err;
    }
    const std::string frames = "/tmp/tilesweep_as_" + std::to_string(::getpid()) + "_%d.png";
    const ToolResult enough = runCommandLine("(ulimit -v " + std::to_string(needKb) + "; exec timeout -s KILL 60 " +
                                             toolCommandLine({"render", "-o", frames, "--size", "64x48", "--frames",
                                                              "3", "--quiet"}) + ")");
    EXPECT_EQ(enough.exitCode, 0) << enough.err;
    for (int f = 0; f < 3; ++f) {
        const std::string frame = "/tmp/tilesweep_as_" + std::to_string(::getpid()) + "_" + std::to_string(f) + ".png";
        EXPECT_EQ(std::remove(frame.c_str()), 0) << frame;
    }
}

}  // namespace
}  // namespace tilesweep::test
