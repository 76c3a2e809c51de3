#include "ImageFile.h"

#include <unistd.h>

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tilesweep {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxImageSide = 30000;

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "unknown error" : text;
}

std::string lowerExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

PixelDepth depthOfFileType(OIIO::TypeDesc type) {
    switch (type.basetype) {
        case OIIO::TypeDesc::UINT8:
        case OIIO::TypeDesc::INT8: return Depth8;
        case OIIO::TypeDesc::UINT16:
        case OIIO::TypeDesc::INT16: return Depth16;
        default: return Depth32f;
    }
}

// The type the file's words are exchanged in at a depth; OpenImageIO converts
// between it and whatever the file stores.
OIIO::TypeDesc exchangeType(PixelDepth depth) {
    switch (depth) {
        case Depth8: return OIIO::TypeDesc::UINT8;
        case Depth16: return OIIO::TypeDesc::UINT16;
        default: return OIIO::TypeDesc::FLOAT;
    }
}

template <typename Channel>
Channel engineFromExchange(Channel word) {
    if constexpr (std::is_same_v<Channel, uint16_t>) {
        return engineWordFromFile(word);
    } else {
        return word;
    }
}

template <typename Channel>
Channel exchangeFromEngine(Channel word) {
    if constexpr (std::is_same_v<Channel, uint16_t>) {
        return fileWordFromEngine(word);
    } else {
        return word;
    }
}

template <typename Channel>
constexpr Channel opaqueWord() {
    if constexpr (std::is_same_v<Channel, uint8_t>) return 255;
    if constexpr (std::is_same_v<Channel, uint16_t>) return kEngine16Max;
    return Channel(1);
}

// Which file channels become red, green, blue and alpha (-1: opaque).
struct ChannelMap {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = -1;
};

ChannelMap mapChannels(const OIIO::ImageSpec& imageSpec, std::string& warning) {
    ChannelMap map;
    map.alpha = imageSpec.alpha_channel >= 0 && imageSpec.alpha_channel < imageSpec.nchannels ? imageSpec.alpha_channel : -1;
    std::vector<int> colour;
    for (int c = 0; c < imageSpec.nchannels; ++c) {
        if (c != map.alpha) colour.push_back(c);
    }
    if (colour.empty()) {
        // A lone alpha channel is the only picture there is: show it as grey.
        colour.push_back(map.alpha);
        map.alpha = -1;
    }
    if (colour.size() >= 3) {
        map.red = colour[0];
        map.green = colour[1];
        map.blue = colour[2];
    } else {
        map.red = map.green = map.blue = colour[0];
    }
    if (colour.size() == 2 || colour.size() > 3) {
        warning = "channels beyond red, green, blue and alpha (or grey and alpha) are left out";
    }
    return map;
}

template <typename Channel>
void toEngineLayout(const unsigned char* fileBytes, int channelCount, const ChannelMap& map, FrameImage& image) {
    const auto* file = reinterpret_cast<const Channel*>(fileBytes);
    Channel* out = image.channels<Channel>();
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    for (std::size_t p = 0; p < pixels; ++p, file += channelCount, out += kChannelsPerPixel) {
        out[0] = map.alpha >= 0 ? engineFromExchange(file[map.alpha]) : opaqueWord<Channel>();
        out[1] = engineFromExchange(file[map.red]);
        out[2] = engineFromExchange(file[map.green]);
        out[3] = engineFromExchange(file[map.blue]);
    }
}

template <typename Channel>
std::vector<unsigned char> toFileLayout(const FrameImage& image) {
    std::vector<unsigned char> bytes(image.bytes.size());
    const Channel* in = image.channels<Channel>();
    auto* out = reinterpret_cast<Channel*>(bytes.data());
    const std::size_t words = image.bytes.size() / sizeof(Channel);
    for (std::size_t i = 0; i < words; i += kChannelsPerPixel) {
        out[i + 0] = exchangeFromEngine(in[i + 1]);
        out[i + 1] = exchangeFromEngine(in[i + 2]);
        out[i + 2] = exchangeFromEngine(in[i + 3]);
        out[i + 3] = exchangeFromEngine(in[i + 0]);
    }
    return bytes;
}

// What a signal handler may read: the unfinished temporary file, if any.
char gTemporaryPath[4096];
volatile std::sig_atomic_t gTemporaryActive = 0;

void forgetTemporary() { gTemporaryActive = 0; }

void rememberTemporary(const std::string& path) {
    gTemporaryActive = 0;
    if (path.size() >= sizeof gTemporaryPath) return;
    std::memcpy(gTemporaryPath, path.c_str(), path.size() + 1);
    gTemporaryActive = 1;
}

extern "C" void removeTemporaryAndReraise(int signalNumber) {
    if (gTemporaryActive) ::unlink(gTemporaryPath);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Removes the temporary file unless it was renamed onto the target.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) { rememberTemporary(path_); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!renamed_) std::remove(path_.c_str());
        forgetTemporary();
    }
    bool renameOnto(const std::string& target, std::string& error) {
        std::error_code ec;
        fs::rename(path_, target, ec);
        if (ec) {
            error = "cannot write \"" + target + "\": " + ec.message();
            return false;
        }
        renamed_ = true;
        return true;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool renamed_ = false;
};

}  // namespace

bool readImageFile(const std::string& path, std::optional<PixelDepth> depth, FrameImage& image,
                   std::string& warning, std::string& error) {
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
    if (!in) {
        error = "cannot read \"" + path + "\": " + oneLine(OIIO::geterror());
        return false;
    }
    const OIIO::ImageSpec imageSpec = in->spec();
    if (imageSpec.deep) {
        error = "cannot read \"" + path + "\": deep images are not supported";
        return false;
    }
    if (imageSpec.width < 1 || imageSpec.height < 1 || imageSpec.width > kMaxImageSide || imageSpec.height > kMaxImageSide ||
        imageSpec.nchannels < 1) {
        error = "\"" + path + "\" is " + std::to_string(imageSpec.width) + " x " + std::to_string(imageSpec.height) +
                " pixels (accepted: 1 to " + std::to_string(kMaxImageSide) + " each way)";
        return false;
    }
    image = FrameImage::blank(depth ? *depth : depthOfFileType(imageSpec.format), imageSpec.width, imageSpec.height);
    const OIIO::TypeDesc type = exchangeType(image.depth);
    std::vector<unsigned char> fileBytes(static_cast<std::size_t>(imageSpec.width) * static_cast<std::size_t>(imageSpec.height) *
                                         static_cast<std::size_t>(imageSpec.nchannels) * type.size());
    if (!in->read_image(0, 0, 0, imageSpec.nchannels, type, fileBytes.data())) {
        error = "cannot read \"" + path + "\": " + oneLine(in->geterror());
        return false;
    }
    const ChannelMap map = mapChannels(imageSpec, warning);
    switch (image.depth) {
        case Depth8: toEngineLayout<uint8_t>(fileBytes.data(), imageSpec.nchannels, map, image); break;
        case Depth16: toEngineLayout<uint16_t>(fileBytes.data(), imageSpec.nchannels, map, image); break;
        default: toEngineLayout<float>(fileBytes.data(), imageSpec.nchannels, map, image); break;
    }
    return true;
}

bool checkOutputFormat(const std::string& path, PixelDepth depth, std::string& error) {
    const std::string ext = lowerExtension(path);
    if (ext == ".tif" || ext == ".tiff" || ext == ".exr") return true;
    if (ext == ".png") {
        if (depth != Depth32f) return true;
        error = "\"" + path + "\": PNG cannot hold a 32-bit float frame (write .exr or .tif, or render with --depth 16)";
        return false;
    }
    error = "\"" + path + "\": " + (ext.empty() ? std::string("no extension") : "\"" + ext + "\"") +
            " names no format that holds the frame and its alpha exactly (accepted: .png for 8 and 16-bit, "
            ".tif, .tiff or .exr for any depth)";
    return false;
}

std::string temporaryPathFor(const std::string& path) {
    const fs::path target(path);
    const std::string hidden = "." + target.filename().string() + ".tmp" + std::to_string(::getpid()) +
                               target.extension().string();
    return (target.parent_path() / hidden).string();
}

bool writeImageFile(const std::string& path, const FrameImage& image, std::string& error) {
    const std::string ext = lowerExtension(path);
    // OpenEXR's half cannot hold 16-bit or 8-bit words exactly; its float can.
    const OIIO::TypeDesc exchange = exchangeType(image.depth);
    const OIIO::TypeDesc stored = ext == ".exr" ? OIIO::TypeDesc(OIIO::TypeDesc::FLOAT) : exchange;
    OIIO::ImageSpec imageSpec(image.width, image.height, kChannelsPerPixel, stored);
    imageSpec.channelnames = {"R", "G", "B", "A"};
    imageSpec.alpha_channel = 3;
    // Straight alpha goes out as it is, with no premultiplication by the writer.
    imageSpec.attribute("oiio:UnassociatedAlpha", 1);

    std::vector<unsigned char> fileBytes;
    switch (image.depth) {
        case Depth8: fileBytes = toFileLayout<uint8_t>(image); break;
        case Depth16: fileBytes = toFileLayout<uint16_t>(image); break;
        default: fileBytes = toFileLayout<float>(image); break;
    }

    TemporaryFile temporary(temporaryPathFor(path));
    std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(temporary.path());
    if (!out) {
        error = "cannot write \"" + path + "\": " + oneLine(OIIO::geterror());
        return false;
    }
    const bool written = out->open(temporary.path(), imageSpec) && out->write_image(exchange, fileBytes.data());
    const bool closed = out->close();
    if (!written || !closed) {
        error = "cannot write \"" + path + "\": " + oneLine(out->geterror());
        return false;
    }
    out.reset();
    return temporary.renameOnto(path, error);
}

void removeTemporaryFilesOnSignals() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start (a background job's SIGINT) stays ignored.
        if (std::signal(signalNumber, removeTemporaryAndReraise) == SIG_IGN) std::signal(signalNumber, SIG_IGN);
    }
}

}  // namespace tilesweep
