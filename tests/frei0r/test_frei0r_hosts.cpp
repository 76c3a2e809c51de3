// The plug-ins in real hosts that nobody here wrote: MLT's melt, FFmpeg and
// GStreamer load them from the build tree through FREI0R_PATH, render frames of the
// wipe, and every frame must equal the command line's direct render byte for byte
// (for the transition: that render laid over the second clip). Each host is given
// RGBA PNG frames and writes RGBA PNG frames, so no host converts a colour: nothing
// is allowed for.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "CompositeOver.h"
#include "FrameSupport.h"
#include "HostProcess.h"

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

// Frames of 80 x 48: a width that FFmpeg's 64-byte rows hold exactly (see below).
constexpr int32_t kWidth = 80;
constexpr int32_t kHeight = 48;
constexpr int kTimeoutSeconds = 120;
constexpr int kMeltTimeoutSeconds = 30;

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/tilesweep_frei0r_hosts_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work_ = pattern;
        ::setenv("FREI0R_PATH", TILESWEEP_FREI0R_DIR, 1);
        // A registry of this run's own, so that no earlier scan hides the plug-ins.
        ::setenv("GST_REGISTRY", (work_ / "gst-registry.bin").c_str(), 1);
        ::setenv("GST_DEBUG", "0", 1);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }

    static std::string path(const std::string& name) { return (work_ / name).string(); }

    // A clip's frame written as an RGBA PNG; returns its path.
    static std::string writeClip(const std::string& name, int32_t width, int32_t height, uint32_t seed, bool opaque) {
        const std::string file = path(name);
        std::string error;
        EXPECT_TRUE(writeImageFile(file, engineImage(patternFrame(width, height, seed, opaque), width, height), error))
            << error;
        return file;
    }

    static bool run(const std::vector<std::string>& args, const std::string& logName) {
        const ProcessResult result = runProcess(args, path(logName + ".log"), kTimeoutSeconds);
        EXPECT_EQ(result.exitCode, 0) << commandLine(args) << (result.timedOut ? "\ntimed out" : "") << "\n"
                                      << result.log;
        return result.exitCode == 0;
    }

    // melt has a start-up race of its own (with or without any plug-in): on a busy
    // machine a run now and then writes no frame at all, exiting 0 or never ending.
    // Such a run is repeated; a run that writes its frames is compared like any other.
    static bool runMelt(const std::vector<std::string>& args, const std::string& logName,
                        const std::string& firstFrame) {
        constexpr int kAttempts = 5;
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            const ProcessResult result = runProcess(args, path(logName + ".log"), kMeltTimeoutSeconds);
            std::error_code ec;
            if (result.exitCode == 0 && fs::exists(firstFrame, ec)) return true;
            if (attempt == kAttempts) {
                ADD_FAILURE() << commandLine(args) << "\nwrote no frame in " << kAttempts << " runs\n" << result.log;
            } else {
                const std::string why = result.timedOut ? "timed out" : "exit " + std::to_string(result.exitCode);
                std::fprintf(stderr, "melt wrote no frame (%s); running it again\n", why.c_str());
            }
        }
        return false;
    }

    static std::optional<FrameImage> read(const std::string& file) {
        FrameImage image;
        std::string warning;
        std::string error;
        if (!readImageFile(file, Depth8, image, warning, error)) {
            ADD_FAILURE() << file << ": " << error;
            return std::nullopt;
        }
        return image;
    }

    // `tilesweep render --direct --depth 8` of the clip with the case's settings.
    static std::optional<FrameImage> reference(const WipeCase& wipe, const std::string& clip, const std::string& name) {
        std::vector<std::string> args = {TILESWEEP_CLI_PATH, "render", clip, "-o", path(name), "--direct",
                                         "--depth", "8", "--quiet"};
        const std::vector<std::string> options = toolOptions(wipe);
        args.insert(args.end(), options.begin(), options.end());
        if (!run(args, name)) return std::nullopt;
        return read(path(name));
    }

    static FrameImage laidOver(const FrameImage& wiped, const FrameImage& under) {
        FrameImage result = wiped;
        for (std::size_t i = 0; i + 3 < result.bytes.size(); i += 4) {
            const frei0r::Rgba8 top{wiped.bytes[i + 1], wiped.bytes[i + 2], wiped.bytes[i + 3], wiped.bytes[i]};
            const frei0r::Rgba8 bottom{under.bytes[i + 1], under.bytes[i + 2], under.bytes[i + 3], under.bytes[i]};
            const frei0r::Rgba8 p = frei0r::over(top, bottom);
            result.bytes[i] = p.a;
            result.bytes[i + 1] = p.r;
            result.bytes[i + 2] = p.g;
            result.bytes[i + 3] = p.b;
        }
        return result;
    }

    static void expectSameFrame(const std::string& file, const FrameImage& expected, const std::string& what) {
        const std::optional<FrameImage> actual = read(file);
        if (!actual) return;
        ASSERT_EQ(actual->width, expected.width) << what;
        ASSERT_EQ(actual->height, expected.height) << what;
        for (std::size_t i = 0; i < expected.bytes.size(); i += 4) {
            if (std::equal(expected.bytes.begin() + static_cast<std::ptrdiff_t>(i),
                           expected.bytes.begin() + static_cast<std::ptrdiff_t>(i + 4),
                           actual->bytes.begin() + static_cast<std::ptrdiff_t>(i))) {
                continue;
            }
            const std::size_t pixel = i / 4;
            ADD_FAILURE() << what << ": pixel (" << pixel % static_cast<std::size_t>(expected.width) << ", "
                          << pixel / static_cast<std::size_t>(expected.width) << ") is ARGB "
                          << int{actual->bytes[i]} << " " << int{actual->bytes[i + 1]} << " "
                          << int{actual->bytes[i + 2]} << " " << int{actual->bytes[i + 3]} << ", expected "
                          << int{expected.bytes[i]} << " " << int{expected.bytes[i + 1]} << " "
                          << int{expected.bytes[i + 2]} << " " << int{expected.bytes[i + 3]};
            return;
        }
    }

    static void checkFilter(const std::string& clip, const WipeCase& wipe, const std::string& tag, int32_t width,
                            int32_t height);

    static fs::path work_;
};

fs::path HostTest::work_;

// ---- how each host takes the settings --------------------------------------------

// melt: "NAME=VALUE" properties, named as the plug-in names its parameters.
std::vector<std::string> meltProperties(const WipeCase& wipe) {
    std::vector<std::string> properties;
    for (const Setting& s : wipe.settings) properties.push_back(s.name + "=" + frei0rValue(s));
    return properties;
}

// melt's image output: RGBA PNG at the clip's size, straight from its RGBA frames,
// every frame rendered (by default a busy machine makes melt drop late frames).
std::vector<std::string> meltConsumer(const std::string& pattern, int32_t width, int32_t height) {
    return {"-profile", "square_pal", "-consumer", "avformat:" + pattern, "vcodec=png", "pix_fmt=rgba",
            "mlt_image_format=rgba", "real_time=0", "width=" + std::to_string(width),
            "height=" + std::to_string(height)};
}

// FFmpeg: every parameter in order, '|' between them; booleans are y or n. The
// list is quoted for the filter graph, and ':' escaped for the filter's options.
std::string ffmpegParams(const WipeCase& wipe) {
    std::vector<std::string> values;
    for (const ParamSpec& param : kParamTable) {
        std::optional<std::string> value;
        for (const Setting& s : wipe.settings) {
            if (s.name == param.name) value = frei0rValue(s);
        }
        if (!value) {
            if (param.kind == ParamKind::Popup) {
                value = popupItems(param)[static_cast<std::size_t>(param.defaultValue - 1)];
            } else if (isTextParam(param)) {
                value = "";
            } else {
                value = frei0rValue(Setting{param.name, param.kind == ParamKind::Checkbox ? "off" : std::to_string(param.defaultValue)});
            }
        }
        if (param.kind == ParamKind::Checkbox) value = *value == "1" ? "y" : "n";
        std::string escaped;
        for (char c : *value) {
            if (c == ':' || c == '\\') escaped += '\\';
            escaped += c;
        }
        values.push_back(escaped);
    }
    std::string list;
    for (const std::string& v : values) list += (list.empty() ? "" : "|") + v;
    return "frei0r=filter_name=tilesweep:filter_params='" + list + "'";
}

// GStreamer: properties named in lower case with '-' for blanks; booleans true or false.
std::vector<std::string> gstProperties(const WipeCase& wipe) {
    std::vector<std::string> properties;
    for (const Setting& s : wipe.settings) {
        std::string name;
        for (char c : s.name) name += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const ParamSpec& param = *findParam(s.name);
        std::string value = frei0rValue(s);
        if (param.kind == ParamKind::Checkbox) value = value == "1" ? "true" : "false";
        if (isTextParam(param)) value = "\"" + value + "\"";
        properties.push_back(name + "=" + value);
    }
    return properties;
}

std::vector<std::string> gstDecode(const std::string& clip) {
    return {"filesrc", "location=" + clip, "!", "pngdec", "!", "videoconvert", "!"};
}

std::vector<std::string> gstEncode(const std::string& file) {
    return {"!", "videoconvert", "!", "pngenc", "!", "filesink", "location=" + file};
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) { to.insert(to.end(), more.begin(), more.end()); }

// ---- the filter ------------------------------------------------------------------

std::vector<std::string> meltFilter(const std::string& clip, const WipeCase& wipe, const std::string& pattern,
                                    int32_t width, int32_t height) {
    std::vector<std::string> args = {"melt", "-silent", "avformat:" + clip, "out=0", "-filter", "frei0r.tilesweep"};
    append(args, meltProperties(wipe));
    append(args, meltConsumer(pattern, width, height));
    return args;
}

std::vector<std::string> ffmpegFilter(const std::string& clip, const WipeCase& wipe, const std::string& out) {
    return {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", clip, "-vf", ffmpegParams(wipe), "-pix_fmt", "rgba", out};
}

std::vector<std::string> gstFilter(const std::string& clip, const WipeCase& wipe, const std::string& out) {
    std::vector<std::string> args = {"gst-launch-1.0", "-q"};
    append(args, gstDecode(clip));
    args.push_back("frei0r-filter-tilesweep");
    append(args, gstProperties(wipe));
    append(args, gstEncode(out));
    return args;
}

// Every host's filter frame of `clip` against the direct render. FFmpeg only where
// the width suits its padded rows (a multiple of 16; frei0r's own rule of
// multiples of 8 is not enough there).
void HostTest::checkFilter(const std::string& clip, const WipeCase& wipe, const std::string& tag, int32_t width,
                           int32_t height) {
    SCOPED_TRACE(tag);
    const std::optional<FrameImage> expected = reference(wipe, clip, "ref_" + tag + ".png");
    if (!expected) return;
    if (runMelt(meltFilter(clip, wipe, path("melt_" + tag + "_%d.png"), width, height), "melt_" + tag,
                path("melt_" + tag + "_1.png"))) {
        expectSameFrame(path("melt_" + tag + "_1.png"), *expected, "melt");
    }
    if (width % 16 == 0 && run(ffmpegFilter(clip, wipe, path("ffmpeg_" + tag + ".png")), "ffmpeg_" + tag)) {
        expectSameFrame(path("ffmpeg_" + tag + ".png"), *expected, "ffmpeg");
    }
    if (run(gstFilter(clip, wipe, path("gst_" + tag + ".png")), "gst_" + tag)) {
        expectSameFrame(path("gst_" + tag + ".png"), *expected, "gst-launch-1.0");
    }
}

TEST_F(HostTest, FilterInEveryHostEqualsTheDirectRender) {
    const std::string clip = writeClip("a.png", kWidth, kHeight, 21, true);
    for (const WipeCase& wipe : wipeCases()) checkFilter(clip, wipe, wipe.label, kWidth, kHeight);
}

// Hosts hand frei0r translucent pixels and odd sizes as they are.
TEST_F(HostTest, FilterKeepsOddSizesAndTranslucentClips) {
    for (const auto& [w, h] : {std::pair{37, 23}, std::pair{kWidth, kHeight}}) {
        const std::string tag = "translucent_" + std::to_string(w) + "x" + std::to_string(h);
        checkFilter(writeClip(tag + ".png", w, h, 5, false), wipeCases()[2], tag, w, h);
    }
}

// ---- the transition ----------------------------------------------------------------

// A two-clip mix in melt with "Completion" keyframed over the mix, as an editor
// sets it: every frame of the mix is one moment of the wipe.
TEST_F(HostTest, MeltMixRunsTheWipeOverTheCut) {
    const std::string first = writeClip("first.png", kWidth, kHeight, 31, true);
    const std::string second = writeClip("second.png", kWidth, kHeight, 32, true);
    const std::optional<FrameImage> under = read(second);
    ASSERT_TRUE(under);
    for (const WipeCase& wipe : {wipeCases()[1], wipeCases()[2], wipeCases()[4]}) {
        SCOPED_TRACE(wipe.label);
        const std::string pattern = path("mix_" + wipe.label + "_%d.png");
        std::vector<std::string> melt = {"melt", "-silent", "avformat:" + first, "out=4", "avformat:" + second, "out=4",
                                         "-mix", "5", "-mixer", "frei0r.tilesweep_transition"};
        WipeCase held = wipe;
        held.settings.erase(held.settings.begin());  // "Completion" comes first in every case
        append(melt, meltProperties(held));
        melt.push_back("Completion=0=0;-1=1");
        append(melt, meltConsumer(pattern, kWidth, kHeight));
        if (!runMelt(melt, "mix_" + wipe.label, path("mix_" + wipe.label + "_1.png"))) continue;
        for (int frame = 0; frame < 5; ++frame) {
            WipeCase moment = held;
            moment.settings.push_back({"Completion", std::to_string(25 * frame)});
            const std::optional<FrameImage> wiped =
                reference(moment, first, "ref_mix_" + wipe.label + "_" + std::to_string(frame) + ".png");
            if (!wiped) continue;
            expectSameFrame(path("mix_" + wipe.label + "_" + std::to_string(frame + 1) + ".png"),
                            laidOver(*wiped, *under), "melt mix frame " + std::to_string(frame));
        }
    }
}

// ---- a Kdenlive project -------------------------------------------------------------

// Kdenlive writes keyframes by frame number as its description starts them ("0=0;74=1"),
// and by clock time once it has rewritten them ("00:00:00.000=0;00:00:02.960=1").
std::string kdenliveKeyframes(double first, double last, int frames, bool clock) {
    char buffer[96];
    if (clock) {
        std::snprintf(buffer, sizeof buffer, "00:00:00.000=%g;00:00:00.%03d=%g", first, (frames - 1) * 40, last);
    } else {
        std::snprintf(buffer, sizeof buffer, "0=%g;%d=%g", first, frames - 1, last);
    }
    return buffer;
}

// A value as Kdenlive writes it from its description: numbers in the plug-in's units
// (the shown value divided by the description's factor, six digits) as keyframes,
// list items and texts as they are, switches 0 or 1.
std::string kdenliveValue(const Setting& setting, int frames, bool clock) {
    const ParamSpec& param = *findParam(setting.name);
    if (isTextParam(param)) return setting.value;
    if (param.kind == ParamKind::Checkbox) return frei0rValue(setting);
    const double value = std::stod(frei0rValue(setting));
    return kdenliveKeyframes(value, value, frames, clock);
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// Two clips on two tracks and the composition over the last `frames` frames of both,
// as Kdenlive saves them (times as clock values at 25 frames a second).
std::string kdenliveProject(const std::string& first, const std::string& second, int frames,
                            const std::vector<std::pair<std::string, std::string>>& properties) {
    char out[32];
    std::snprintf(out, sizeof out, "00:00:00.%03d", (frames - 1) * 40);
    std::string xml = "<?xml version='1.0' encoding='utf-8'?>\n<mlt LC_NUMERIC=\"C\" version=\"7.12.0\">\n";
    xml += " <profile description=\"test\" width=\"" + std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) +
           "\" progressive=\"1\" sample_aspect_num=\"1\" sample_aspect_den=\"1\" display_aspect_num=\"" +
           std::to_string(kWidth) + "\" display_aspect_den=\"" + std::to_string(kHeight) +
           "\" frame_rate_num=\"25\" frame_rate_den=\"1\" colorspace=\"709\"/>\n";
    for (const auto& [id, clip] : {std::pair{"producer0", first}, std::pair{"producer1", second}}) {
        xml += std::string(" <producer id=\"") + id + "\" in=\"00:00:00.000\" out=\"" + out + "\">\n"
               "  <property name=\"resource\">" + xmlEscaped(clip) + "</property>\n"
               "  <property name=\"mlt_service\">avformat</property>\n </producer>\n";
    }
    xml += std::string(" <playlist id=\"playlist0\">\n  <entry producer=\"producer0\" in=\"00:00:00.000\" out=\"") + out +
           "\"/>\n </playlist>\n <playlist id=\"playlist1\">\n  <entry producer=\"producer1\" in=\"00:00:00.000\" out=\"" +
           out + "\"/>\n </playlist>\n";
    xml += std::string(" <tractor id=\"tractor0\" in=\"00:00:00.000\" out=\"") + out + "\">\n"
           "  <track producer=\"playlist0\"/>\n  <track producer=\"playlist1\"/>\n"
           "  <transition id=\"transition0\" in=\"00:00:00.000\" out=\"" + out + "\">\n"
           "   <property name=\"a_track\">0</property>\n   <property name=\"b_track\">1</property>\n"
           "   <property name=\"mlt_service\">frei0r.tilesweep_transition</property>\n"
           "   <property name=\"kdenlive_id\">frei0r.tilesweep_transition</property>\n";
    for (const auto& [name, value] : properties) {
        xml += "   <property name=\"" + xmlEscaped(name) + "\">" + xmlEscaped(value) + "</property>\n";
    }
    return xml + "  </transition>\n </tractor>\n</mlt>\n";
}

// Kdenlive's own strings set exactly the intended settings: Completion keyframed
// from 0 to 1 over the composition, numbers scaled by the factor and written as
// keyframes in either of Kdenlive's notations, list items such as "Off" as text.
TEST_F(HostTest, KdenliveProjectEqualsTheDirectRenderOverTheSecondClip) {
    constexpr int kFrames = 5;
    const std::string first = writeClip("kfirst.png", kWidth, kHeight, 51, true);
    const std::string second = writeClip("ksecond.png", kWidth, kHeight, 52, true);
    const std::optional<FrameImage> under = read(second);
    ASSERT_TRUE(under);
    bool clock = false;
    for (const WipeCase& wipe : {wipeCases()[1], wipeCases()[3], wipeCases()[4], wipeCases()[5]}) {
        SCOPED_TRACE(wipe.label);
        clock = !clock;
        WipeCase held = wipe;
        held.settings.erase(held.settings.begin());  // "Completion" comes first in every case
        std::vector<std::pair<std::string, std::string>> properties = {
            {"Completion", kdenliveKeyframes(0, 1, kFrames, clock)}};
        for (const Setting& s : held.settings) properties.emplace_back(s.name, kdenliveValue(s, kFrames, clock));
        // "Off" stays an item, not a switch, wherever the case leaves it at its default.
        const bool dependenceSet = std::any_of(held.settings.begin(), held.settings.end(), [](const Setting& s) {
            return s.name == "Direction Dependence On Order";
        });
        if (!dependenceSet) {
            properties.emplace_back("Direction Dependence On Order", "Off");
            held.settings.push_back({"Direction Dependence On Order", "Off"});
        }
        const std::string project = path("kdenlive_" + wipe.label + ".kdenlive");
        {
            std::ofstream file(project);
            file << kdenliveProject(first, second, kFrames, properties);
            ASSERT_TRUE(file.good()) << project;
        }
        const std::string pattern = path("kdenlive_" + wipe.label + "_%d.png");
        std::vector<std::string> melt = {"melt", "-silent", project, "-consumer", "avformat:" + pattern, "vcodec=png",
                                         "pix_fmt=rgba", "mlt_image_format=rgba", "real_time=0"};
        if (!runMelt(melt, "kdenlive_" + wipe.label, path("kdenlive_" + wipe.label + "_1.png"))) continue;
        for (int frame = 0; frame < kFrames; ++frame) {
            WipeCase moment = held;
            moment.settings.push_back({"Completion", std::to_string(100 * frame / (kFrames - 1))});
            const std::optional<FrameImage> wiped =
                reference(moment, first, "ref_kdenlive_" + wipe.label + "_" + std::to_string(frame) + ".png");
            if (!wiped) continue;
            expectSameFrame(path("kdenlive_" + wipe.label + "_" + std::to_string(frame + 1) + ".png"),
                            laidOver(*wiped, *under), "Kdenlive project frame " + std::to_string(frame));
        }
    }
}

TEST_F(HostTest, GstreamerMixerEqualsTheDirectRenderOverTheSecondClip) {
    const std::string first = writeClip("gfirst.png", kWidth, kHeight, 41, true);
    const std::string second = writeClip("gsecond.png", kWidth, kHeight, 42, false);
    const std::optional<FrameImage> under = read(second);
    ASSERT_TRUE(under);
    for (const WipeCase& wipe : wipeCases()) {
        SCOPED_TRACE(wipe.label);
        const std::optional<FrameImage> wiped = reference(wipe, first, "ref_gmix_" + wipe.label + ".png");
        if (!wiped) continue;
        const std::string out = path("gmix_" + wipe.label + ".png");
        std::vector<std::string> gst = {"gst-launch-1.0", "-q", "frei0r-mixer-tilesweep-transition", "name=mix"};
        append(gst, gstProperties(wipe));
        append(gst, gstEncode(out));
        append(gst, gstDecode(first));
        gst.push_back("mix.sink_0");
        append(gst, gstDecode(second));
        gst.push_back("mix.sink_1");
        if (run(gst, "gmix_" + wipe.label)) expectSameFrame(out, laidOver(*wiped, *under), "gst-launch-1.0 mixer");
    }
}

}  // namespace
}  // namespace tilesweep::test
