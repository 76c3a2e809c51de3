#include "ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <type_traits>

#include "AtomicFile.h"
#include "HeaderPeek.h"
#include "JpegHeader.h"
#include "StderrCapture.h"

namespace tilesweep {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxImageSide = 30000;
// Rows are decoded a few megabytes at a time: a file that claims more than it holds
// fails before the frame's memory is touched.
constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
// Where a JPEG's frame header is looked for before the library opens the file.
constexpr std::size_t kJpegHeaderBytes = std::size_t{1} << 20;

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    // Decoders repeat themselves for every strip; the first words say it.
    constexpr std::size_t kLongest = 240;
    if (text.size() > kLongest) text = text.substr(0, kLongest) + "...";
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

// Which file channels become red, green, blue and alpha (-1: opaque), as offsets
// into the decoded channel range [first, first + count).
struct ChannelMap {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = -1;
    int first = 0;
    int count = 1;
    // OpenEXR luminance and chroma: red holds RY, green Y and blue BY until the
    // row is made RGB.
    bool lumaChroma = false;
};

// The alpha channel: the one the reader names, else one called alpha (some readers
// name a channel past the last, yet call it "A").
int alphaChannelOf(const OIIO::ImageSpec& imageSpec) {
    if (imageSpec.alpha_channel >= 0 && imageSpec.alpha_channel < imageSpec.nchannels) return imageSpec.alpha_channel;
    for (int c = 0; c < imageSpec.nchannels && c < static_cast<int>(imageSpec.channelnames.size()); ++c) {
        const std::string& name = imageSpec.channelnames[static_cast<std::size_t>(c)];
        if (name == "A" || name == "a" || name == "Alpha" || name == "alpha") return c;
    }
    return -1;
}

// Whether the image has a channel other than alpha: a picture of its own.
bool hasColour(const OIIO::ImageSpec& imageSpec) {
    return imageSpec.nchannels > (alphaChannelOf(imageSpec) >= 0 ? 1 : 0);
}

ChannelMap mapChannels(const OIIO::ImageSpec& imageSpec, std::string& warning) {
    ChannelMap map;
    map.alpha = alphaChannelOf(imageSpec);
    std::vector<int> colour;
    for (int c = 0; c < imageSpec.nchannels; ++c) {
        if (c != map.alpha) colour.push_back(c);
    }
    if (colour.empty()) {
        // A lone alpha channel is the only picture there is: show it as grey.
        colour.push_back(map.alpha);
        map.alpha = -1;
    }
    const auto named = [&](const char* name) {
        for (int c : colour) {
            if (c < static_cast<int>(imageSpec.channelnames.size()) &&
                imageSpec.channelnames[static_cast<std::size_t>(c)] == name) {
                return c;
            }
        }
        return -1;
    };
    const int luma = named("Y");
    const int redChroma = named("RY");
    const int blueChroma = named("BY");
    std::size_t used = 1;
    if (luma >= 0 && redChroma >= 0 && blueChroma >= 0) {
        map.lumaChroma = true;
        map.red = redChroma;
        map.green = luma;
        map.blue = blueChroma;
        used = 3;
    } else if (luma >= 0 && named("R") < 0) {
        map.red = map.green = map.blue = luma;
    } else if (colour.size() >= 3) {
        map.red = colour[0];
        map.green = colour[1];
        map.blue = colour[2];
        used = 3;
    } else {
        map.red = map.green = map.blue = colour[0];
    }
    if (colour.size() > used) {
        warning += std::string(warning.empty() ? "" : "; ") +
                   "channels beyond red, green, blue and alpha (or grey and alpha) are left out";
    }
    // Only the range that holds the used channels is decoded.
    const int low = std::min({map.red, map.green, map.blue, map.alpha < 0 ? map.red : map.alpha});
    const int high = std::max({map.red, map.green, map.blue, map.alpha});
    map.first = low;
    map.count = high - low + 1;
    map.red -= low;
    map.green -= low;
    map.blue -= low;
    if (map.alpha >= 0) map.alpha -= low;
    return map;
}

// RGB from OpenEXR's luminance and chroma (RY = (R - Y) / Y, BY = (B - Y) / Y),
// with the format's default primaries (Rec. 709) weighing the luminance.
void rgbFromLumaChromaRow(float* row, int32_t pixels, const ChannelMap& map) {
    constexpr float kRedWeight = 0.2126f;
    constexpr float kGreenWeight = 0.7152f;
    constexpr float kBlueWeight = 0.0722f;
    for (int32_t x = 0; x < pixels; ++x, row += map.count) {
        const float luma = row[map.green];
        const float red = (row[map.red] + 1.0f) * luma;
        const float blue = (row[map.blue] + 1.0f) * luma;
        row[map.red] = red;
        row[map.green] = (luma - red * kRedWeight - blue * kBlueWeight) / kGreenWeight;
        row[map.blue] = blue;
    }
}

// Straight colour from associated colour, in float before any rounding to the
// frame's words; where alpha is 0 the colour is kept.
void unpremultiplyRow(float* row, int32_t pixels, const ChannelMap& map) {
    for (int32_t x = 0; x < pixels; ++x, row += map.count) {
        const float alpha = row[map.alpha];
        if (!(alpha > 0.0f)) continue;
        row[map.red] /= alpha;
        // Grey repeats one channel: divided once.
        if (map.green != map.red) row[map.green] /= alpha;
        if (map.blue != map.red && map.blue != map.green) row[map.blue] /= alpha;
    }
}

// One file row (the decoded channel range, `dataWidth` pixels starting at display
// column `dataLeft`) into one engine row of `width` pixels; columns outside the
// data stay transparent.
template <typename Channel>
void rowToEngineLayout(const unsigned char* fileRow, int32_t dataLeft, int32_t dataWidth, const ChannelMap& map,
                       int32_t width, Channel* out) {
    const auto* file = reinterpret_cast<const Channel*>(fileRow);
    for (int32_t x = 0; x < width; ++x, out += kChannelsPerPixel) {
        const int64_t column = int64_t{x} - dataLeft;
        if (column < 0 || column >= dataWidth) {
            out[0] = out[1] = out[2] = out[3] = Channel(0);
            continue;
        }
        const Channel* pixel = file + column * map.count;
        out[0] = map.alpha >= 0 ? engineFromExchange(pixel[map.alpha]) : opaqueWord<Channel>();
        out[1] = engineFromExchange(pixel[map.red]);
        out[2] = engineFromExchange(pixel[map.green]);
        out[3] = engineFromExchange(pixel[map.blue]);
    }
}

template <typename Channel>
std::vector<unsigned char> toFileLayout(const FrameImage& image, bool premultiply) {
    std::vector<unsigned char> bytes(image.bytes.size());
    const Channel* in = image.channels<Channel>();
    auto* out = reinterpret_cast<Channel*>(bytes.data());
    const std::size_t words = image.bytes.size() / sizeof(Channel);
    for (std::size_t i = 0; i < words; i += kChannelsPerPixel) {
        out[i + 0] = exchangeFromEngine(in[i + 1]);
        out[i + 1] = exchangeFromEngine(in[i + 2]);
        out[i + 2] = exchangeFromEngine(in[i + 3]);
        out[i + 3] = exchangeFromEngine(in[i + 0]);
        if constexpr (std::is_same_v<Channel, float>) {
            if (premultiply) {
                for (int c = 0; c < 3; ++c) out[i + c] *= out[i + 3];
            }
        }
    }
    return bytes;
}

// The file's rectangles: the data window, where pixels are stored, and the display
// window, which is the frame.
struct Windows {
    int32_t dataLeft = 0;  // data window's left edge in display coordinates
    int32_t dataTop = 0;
    int32_t dataWidth = 0;
    int32_t dataHeight = 0;
    int32_t width = 0;
    int32_t height = 0;
};

bool windowsOf(const OIIO::ImageSpec& s, Windows& w, std::string& why) {
    const bool display = s.full_width > 0 && s.full_height > 0;
    const int64_t left = display ? int64_t{s.x} - s.full_x : 0;
    const int64_t top = display ? int64_t{s.y} - s.full_y : 0;
    const int64_t width = display ? s.full_width : s.width;
    const int64_t height = display ? s.full_height : s.height;
    const auto side = [](int64_t v) { return v >= 1 && v <= kMaxImageSide; };
    if (!side(width) || !side(height) || !side(s.width) || !side(s.height)) {
        why = "it is " + std::to_string(width) + " x " + std::to_string(height) + " pixels" +
              (display && (width != s.width || height != s.height)
                   ? " with " + std::to_string(s.width) + " x " + std::to_string(s.height) + " stored"
                   : std::string()) +
              " (accepted: 1 to " + std::to_string(kMaxImageSide) + " each way)";
        return false;
    }
    if (left < -kMaxImageSide || left > kMaxImageSide || top < -kMaxImageSide || top > kMaxImageSide) {
        why = "its data window lies far outside its display window";
        return false;
    }
    w = Windows{static_cast<int32_t>(left), static_cast<int32_t>(top), s.width, s.height,
                static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return true;
}

// Whether the colour the reader hands over is premultiplied by its alpha: always for
// OpenEXR; for a TIFF unless its ExtraSamples say unassociated; for WebP unless the
// reader says it kept the file's straight colour (it premultiplies, whatever it is
// asked). Other readers hand over what the file holds, for their formats straight.
bool colourIsAssociated(const OIIO::ImageInput& in, const OIIO::ImageSpec& s) {
    const char* format = in.format_name();
    if (std::strcmp(format, "openexr") == 0) return true;
    const bool markedStraight = s.get_int_attribute("oiio:UnassociatedAlpha", 0) != 0;
    return !markedStraight && (std::strcmp(format, "tiff") == 0 || std::strcmp(format, "webp") == 0);
}

// Decodes the file's rows a chunk at a time into the frame's rows, in order.
class RowReader {
public:
    RowReader(OIIO::ImageInput& in, int subimage, const OIIO::ImageSpec& s, const ChannelMap& map,
              OIIO::TypeDesc type)
        : in_(in), subimage_(subimage), spec_(s), map_(map), type_(type),
          rowBytes_(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(map.count) * type.size()) {
        std::size_t rows = std::max<std::size_t>(1, kChunkBytes / rowBytes_);
        if (s.tile_width > 0) {
            const auto tileRows = static_cast<std::size_t>(std::max(1, s.tile_height));
            rows = (rows + tileRows - 1) / tileRows * tileRows;
        }
        chunkRows_ = static_cast<int32_t>(std::min<std::size_t>(rows, static_cast<std::size_t>(s.height)));
    }

    // The file row `row` (0 = the data window's top), decoding its chunk if needed.
    const unsigned char* row(int32_t row, std::string& why) {
        if (row < chunkTop_ || row >= chunkTop_ + chunkHeight_) {
            chunkTop_ = row - row % chunkRows_;
            chunkHeight_ = std::min(chunkRows_, spec_.height - chunkTop_);
            chunk_.resize(rowBytes_ * static_cast<std::size_t>(chunkHeight_));
            const int y0 = spec_.y + chunkTop_;
            const int y1 = y0 + chunkHeight_;
            const int c0 = map_.first;
            const int c1 = map_.first + map_.count;
            const bool read = spec_.tile_width > 0
                ? in_.read_tiles(subimage_, 0, spec_.x, spec_.x + spec_.width, y0, y1, spec_.z, spec_.z + 1, c0, c1, type_,
                                 chunk_.data())
                : in_.read_scanlines(subimage_, 0, y0, y1, spec_.z, c0, c1, type_, chunk_.data());
            if (!read || in_.has_error()) {
                why = oneLine(in_.geterror());
                chunkHeight_ = 0;
                return nullptr;
            }
        }
        return chunk_.data() + rowBytes_ * static_cast<std::size_t>(row - chunkTop_);
    }

    std::size_t chunkBytes() const { return rowBytes_ * static_cast<std::size_t>(chunkRows_); }

private:
    OIIO::ImageInput& in_;
    int subimage_;
    const OIIO::ImageSpec& spec_;
    ChannelMap map_;
    OIIO::TypeDesc type_;
    std::size_t rowBytes_;
    int32_t chunkRows_ = 1;
    int32_t chunkTop_ = 0;
    int32_t chunkHeight_ = 0;
    std::vector<unsigned char> chunk_;
};

template <typename Channel>
bool decodeFrame(RowReader& reader, const Windows& w, const ChannelMap& map, bool associated, FrameImage& image,
                 std::string& why) {
    const std::size_t rowBytes = static_cast<std::size_t>(w.width) * kChannelsPerPixel * sizeof(Channel);
    image.bytes.clear();
    bool reserved = false;
    std::vector<Channel> engineRow(static_cast<std::size_t>(w.width) * kChannelsPerPixel);
    const std::size_t fileWords = static_cast<std::size_t>(w.dataWidth) * static_cast<std::size_t>(map.count);
    const bool floatRows = associated || map.lumaChroma;
    std::vector<float> straight(floatRows ? fileWords : 0);
    std::vector<Channel> converted(floatRows ? fileWords : 0);
    for (int32_t y = 0; y < w.height; ++y) {
        const int64_t fileRow = int64_t{y} - w.dataTop;
        if (fileRow < 0 || fileRow >= w.dataHeight) {
            std::fill(engineRow.begin(), engineRow.end(), Channel(0));
        } else {
            const unsigned char* row = reader.row(static_cast<int32_t>(fileRow), why);
            if (row == nullptr) return false;
            if (floatRows) {
                // Such rows come as float: made RGB, divided, then rounded to the frame's words.
                std::memcpy(straight.data(), row, fileWords * sizeof(float));
                if (map.lumaChroma) rgbFromLumaChromaRow(straight.data(), w.dataWidth, map);
                if (associated) unpremultiplyRow(straight.data(), w.dataWidth, map);
                OIIO::convert_pixel_values(OIIO::TypeDesc::FLOAT, straight.data(), OIIO::BaseTypeFromC<Channel>::value,
                                           converted.data(), static_cast<int>(fileWords));
                row = reinterpret_cast<const unsigned char*>(converted.data());
            }
            rowToEngineLayout<Channel>(row, w.dataLeft, w.dataWidth, map, w.width, engineRow.data());
        }
        // Reserved once the file has shown real rows, and not touched: the pages
        // are used only as rows arrive.
        if (!reserved && fileRow >= 0) {
            image.bytes.reserve(rowBytes * static_cast<std::size_t>(w.height));
            reserved = true;
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(engineRow.data());
        image.bytes.insert(image.bytes.end(), bytes, bytes + rowBytes);
    }
    return true;
}

// The part of a multi-part file that is the picture: the first, unless it holds only
// alpha (a matte stored ahead of the beauty), then the first part with colour.
// Leaves the input on that part.
int pictureSubimage(OIIO::ImageInput& in, std::string& warning) {
    if (hasColour(in.spec())) return 0;
    constexpr int kMostParts = 256;  // parts looked at for colour; headers are small, but a file may claim any number
    for (int part = 1; part < kMostParts && in.seek_subimage(part, 0); ++part) {
        if (hasColour(in.spec())) {
            warning = "its first part holds only alpha; part " + std::to_string(part + 1) +
                      ", the first with colour, is used";
            return part;
        }
    }
    (void)in.geterror();  // running past the last part is no fault of the file
    in.seek_subimage(0, 0);
    return 0;
}

// An open input file that is known to be a regular file.
class InputFile {
public:
    ~InputFile() {
        proxy_.reset();
        if (file_ != nullptr) std::fclose(file_);
    }
    bool open(const std::string& path, std::string& why) {
        // Never blocks on a FIFO: the open returns at once, and the check refuses it.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            why = std::strerror(errno);
            return false;
        }
        struct stat s{};
        if (::fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
            ::close(fd);
            why = S_ISDIR(s.st_mode) ? "it is a folder" : "it is not a regular file (a device, a pipe or a socket)";
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        file_ = ::fdopen(fd, "rb");
        if (file_ == nullptr) {
            ::close(fd);
            why = std::strerror(errno);
            return false;
        }
        proxy_ = std::make_unique<OIIO::Filesystem::IOFile>(file_, OIIO::Filesystem::IOProxy::Read);
        return true;
    }
    OIIO::Filesystem::IOProxy* proxy() { return proxy_.get(); }

    // The file's first bytes, without moving its position.
    std::vector<unsigned char> head(std::size_t most) const {
        std::vector<unsigned char> bytes(most);
        const ssize_t n = ::pread(::fileno(file_), bytes.data(), most, 0);
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    }

private:
    FILE* file_ = nullptr;
    std::unique_ptr<OIIO::Filesystem::IOFile> proxy_;
};

bool readOpened(const std::string& path, std::optional<PixelDepth> depth, FrameImage& image, std::string& warning,
                const AdmitImage& admit, std::string& why, bool& badInput) {
    InputFile file;
    if (!file.open(path, why)) return false;
    if (admit) {
        // Decoders that start at open are weighed from the header before they run.
        const std::vector<unsigned char> head = file.head(kJpegHeaderBytes);
        const auto weigh = [&](int32_t width, int32_t height, std::size_t decoderBytes) {
            if (width > kMaxImageSide || height > kMaxImageSide) {
                why = "it is " + std::to_string(width) + " x " + std::to_string(height) + " pixels (accepted: 1 to " +
                      std::to_string(kMaxImageSide) + " each way)";
                return false;
            }
            if (!admit(ImageHeader{width, height, depth.value_or(Depth8), decoderBytes}, why)) {
                badInput = true;
                return false;
            }
            return true;
        };
        JpegFrame jpeg;
        PeekedFrame whole;
        if (looksLikeJpeg(head.data(), head.size()) && readJpegFrame(head.data(), head.size(), jpeg)) {
            if (!weigh(jpeg.width, jpeg.height,
                       static_cast<std::size_t>(jpeg.width) * static_cast<std::size_t>(jpeg.components))) {
                return false;
            }
        } else if (peekGifFrame(head.data(), head.size(), whole) || peekWebpFrame(head.data(), head.size(), whole) ||
                   peekHeifFrame(head.data(), head.size(), whole)) {
            // The whole image, four bytes a pixel, is decoded as the file opens.
            if (!weigh(whole.width, whole.height,
                       static_cast<std::size_t>(whole.width) * static_cast<std::size_t>(whole.height) * 4)) {
                return false;
            }
        }
    }
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config, file.proxy());
    if (!in) {
        why = oneLine(OIIO::geterror());
        return false;
    }
    const int subimage = pictureSubimage(*in, warning);
    const OIIO::ImageSpec imageSpec = in->spec();
    if (imageSpec.deep) {
        why = "deep images are not supported";
        return false;
    }
    if (imageSpec.depth > 1) {
        why = "volume images are not supported";
        return false;
    }
    if (imageSpec.nchannels < 1) {
        why = "it has no channels";
        return false;
    }
    Windows windows;
    if (!windowsOf(imageSpec, windows, why)) return false;
    const ChannelMap map = mapChannels(imageSpec, warning);
    const PixelDepth frameDepth = depth ? *depth : depthOfFileType(imageSpec.format);
    const bool associated = map.alpha >= 0 && colourIsAssociated(*in, imageSpec);
    const bool floatRows = associated || map.lumaChroma;
    RowReader reader(*in, subimage, imageSpec, map,
                     floatRows ? OIIO::TypeDesc(OIIO::TypeDesc::FLOAT) : exchangeType(frameDepth));
    if (admit) {
        const ImageHeader header{windows.width, windows.height, frameDepth, reader.chunkBytes()};
        std::string refusal;
        if (!admit(header, refusal)) {
            why = refusal;
            badInput = true;
            return false;
        }
    }
    image = FrameImage{};
    image.depth = frameDepth;
    image.width = windows.width;
    image.height = windows.height;
    bool decoded = false;
    switch (frameDepth) {
        case Depth8: decoded = decodeFrame<uint8_t>(reader, windows, map, associated, image, why); break;
        case Depth16: decoded = decodeFrame<uint16_t>(reader, windows, map, associated, image, why); break;
        default: decoded = decodeFrame<float>(reader, windows, map, associated, image, why); break;
    }
    if (!decoded) return false;
    if (in->has_error()) {
        why = oneLine(in->geterror());
        return false;
    }
    // The frame is the picture as a viewer shows it: a phone's portrait stands upright.
    const int orientation = imageSpec.get_int_attribute("Orientation", 1);
    if (orientation != 1) image = orientFrame(image, orientation);
    return true;
}

}  // namespace

bool readImageFile(const std::string& path, std::optional<PixelDepth> depth, FrameImage& image,
                   std::string& warning, std::string& error, const AdmitImage& admit) {
    std::string why;
    bool badInput = false;
    bool read = false;
    {
        StderrCapture capture;
        read = readOpened(path, depth, image, warning, admit, why, badInput);
        // A decoder that complains on stderr about the data has found it damaged,
        // whatever it returned.
        const std::string complaint = capture.finish();
        if (read && !complaint.empty()) {
            read = false;
            why = complaint;
        }
        if (!read && why.empty()) why = complaint;
    }
    (void)OIIO::geterror();  // nothing stale for the next file
    if (read) return true;
    image = FrameImage{};
    error = (badInput ? "\"" + path + "\": " : "cannot read \"" + path + "\": ") + oneLine(why);
    return false;
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

bool encodeImageFile(const std::string& path, const FrameImage& image, std::vector<unsigned char>& bytes,
                     std::string& error) {
    const std::string extension = lowerExtension(path);
    const bool exr = extension == ".exr";
    // OpenEXR's half cannot hold 16-bit or 8-bit words exactly; its float can.
    const OIIO::TypeDesc exchange = exchangeType(image.depth);
    const OIIO::TypeDesc stored = exr ? OIIO::TypeDesc(OIIO::TypeDesc::FLOAT) : exchange;
    OIIO::ImageSpec imageSpec(image.width, image.height, kChannelsPerPixel, stored);
    imageSpec.channelnames = {"R", "G", "B", "A"};
    imageSpec.alpha_channel = 3;
    // PNG and TIFF get straight alpha as it is (TIFF marks it unassociated);
    // OpenEXR colour is premultiplied by definition.
    if (!exr) imageSpec.attribute("oiio:UnassociatedAlpha", 1);
    // The same frame gives the same bytes, whenever it is written: no capture date.
    // Hints are given to their own format only: whether a writer leaves another
    // format's hint out of its header is not to be relied on (OpenEXR kept one now
    // and then when frames were written on several threads).
    imageSpec.attribute("DateTime", "");
    // OpenImageIO cannot add an Exif directory to a TIFF it writes into memory.
    if (extension == ".tif" || extension == ".tiff") imageSpec.attribute("tiff:write_exif", 0);
    // PNG rows filtered by one filter, "Up", instead of libpng's trial of all five
    // on every row: a third less time per frame for files about a fifth larger.
    constexpr int kPngFilterUp = 0x20;
    if (extension == ".png") imageSpec.attribute("png:filter", kPngFilterUp);

    std::vector<unsigned char> fileBytes;
    switch (image.depth) {
        case Depth8: fileBytes = toFileLayout<uint8_t>(image, false); break;
        case Depth16: fileBytes = toFileLayout<uint16_t>(image, false); break;
        default: fileBytes = toFileLayout<float>(image, exr); break;
    }
    if (exr && image.depth != Depth32f) {
        // Premultiplied in float, where the words are exact.
        std::vector<float> floats(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                                  kChannelsPerPixel);
        if (!OIIO::convert_pixel_values(exchange, fileBytes.data(), OIIO::TypeDesc::FLOAT, floats.data(),
                                        static_cast<int>(floats.size()))) {
            error = "cannot write \"" + path + "\": conversion to float failed";
            return false;
        }
        for (std::size_t i = 0; i < floats.size(); i += kChannelsPerPixel) {
            for (int c = 0; c < 3; ++c) floats[i + c] *= floats[i + 3];
        }
        fileBytes.assign(reinterpret_cast<const unsigned char*>(floats.data()),
                         reinterpret_cast<const unsigned char*>(floats.data() + floats.size()));
    }
    const OIIO::TypeDesc given = exr ? OIIO::TypeDesc(OIIO::TypeDesc::FLOAT) : exchange;

    bytes.clear();
    OIIO::Filesystem::IOVecOutput memory(bytes);
    std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
    if (!out) {
        error = "cannot write \"" + path + "\": " + oneLine(OIIO::geterror());
        return false;
    }
    const bool written = out->set_ioproxy(&memory) && out->open(path, imageSpec) && out->write_image(given, fileBytes.data());
    const bool closed = out->close();
    if (!written || !closed || out->has_error()) {
        error = "cannot write \"" + path + "\": " + oneLine(out->geterror());
        return false;
    }
    return true;
}

bool writeImageFile(const std::string& path, const FrameImage& image, std::string& error) {
    std::vector<unsigned char> bytes;
    return encodeImageFile(path, image, bytes, error) && writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace tilesweep
