#include "ContactSheet.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <cmath>

namespace tilesweep {

namespace {

constexpr int32_t kMargin = 12;
constexpr int32_t kCaptionScale = 2;
constexpr int32_t kCaptionPadding = 4;
constexpr Rgb kSheetBackground{0.16f, 0.16f, 0.17f};
constexpr Rgb kCaptionColour{0.85f, 0.85f, 0.85f};
// The checker that shows through wiped (transparent) parts of a tile.
constexpr float kCheckerLight = 0.52f;
constexpr float kCheckerDark = 0.40f;
constexpr int32_t kCheckerOnSheet = 8;  // checker square, in sheet pixels

template <typename Channel>
float unitOf(Channel word) {
    if constexpr (std::is_same_v<Channel, uint8_t>) return static_cast<float>(word) / 255.0f;
    if constexpr (std::is_same_v<Channel, uint16_t>) return static_cast<float>(word) / static_cast<float>(kEngine16Max);
    return static_cast<float>(word);
}

// The frame over the checker, at the frame's own size.
template <typename Channel>
void flatten(const FrameImage& frame, int32_t checkerSquare, std::vector<float>& rgb) {
    const Channel* in = frame.channels<Channel>();
    float* out = rgb.data();
    for (int32_t y = 0; y < frame.height; ++y) {
        for (int32_t x = 0; x < frame.width; ++x, in += kChannelsPerPixel, out += 3) {
            const float behind = ((x / checkerSquare + y / checkerSquare) % 2) ? kCheckerDark : kCheckerLight;
            const float a = std::clamp(unitOf(in[0]), 0.0f, 1.0f);
            for (int k = 0; k < 3; ++k) out[k] = behind + (unitOf(in[k + 1]) - behind) * a;
        }
    }
}

}  // namespace

SheetLayout sheetLayout(int32_t columns, int32_t rows, int32_t frameWidth, int32_t frameHeight) {
    SheetLayout layout;
    layout.columns = columns;
    layout.rows = rows;
    const double scale = std::min({1.0, static_cast<double>(kMaxTileSide) / frameWidth,
                                   static_cast<double>(kMaxTileSide) / frameHeight});
    layout.tileWidth = std::max(1, static_cast<int32_t>(std::lround(frameWidth * scale)));
    layout.tileHeight = std::max(1, static_cast<int32_t>(std::lround(frameHeight * scale)));
    layout.margin = kMargin;
    layout.labelHeight = kGlyphHeight * kCaptionScale + 2 * kCaptionPadding;
    layout.width = columns * layout.tileWidth + (columns + 1) * layout.margin;
    layout.height = rows * (layout.tileHeight + layout.labelHeight) + (rows + 1) * layout.margin;
    return layout;
}

ContactSheet::ContactSheet(const SheetLayout& layout)
    : layout_(layout), canvas_(layout.width, layout.height, kSheetBackground) {}

void ContactSheet::place(int32_t index, const FrameImage& frame, const std::string& caption) {
    const double shrink = static_cast<double>(frame.width) / layout_.tileWidth;
    const int32_t checkerSquare = std::max(1, static_cast<int32_t>(std::lround(kCheckerOnSheet * shrink)));
    std::vector<float> rgb(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height) * 3);
    switch (frame.depth) {
        case Depth8: flatten<uint8_t>(frame, checkerSquare, rgb); break;
        case Depth16: flatten<uint16_t>(frame, checkerSquare, rgb); break;
        default: flatten<float>(frame, checkerSquare, rgb); break;
    }
    const OIIO::ImageBuf full(OIIO::ImageSpec(frame.width, frame.height, 3, OIIO::TypeDesc::FLOAT), rgb.data());
    OIIO::ImageBuf tile(OIIO::ImageSpec(layout_.tileWidth, layout_.tileHeight, 3, OIIO::TypeDesc::FLOAT));
    OIIO::ImageBufAlgo::resize(tile, full, "box");
    const int32_t left = layout_.tileLeft(index);
    const int32_t top = layout_.tileTop(index);
    std::vector<float> scaled(static_cast<std::size_t>(layout_.tileWidth) * static_cast<std::size_t>(layout_.tileHeight) * 3);
    tile.get_pixels(OIIO::ROI::All(), OIIO::TypeDesc::FLOAT, scaled.data());
    for (int32_t y = 0; y < layout_.tileHeight; ++y) {
        const float* row = scaled.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(layout_.tileWidth) * 3;
        std::copy(row, row + static_cast<std::ptrdiff_t>(layout_.tileWidth) * 3, canvas_.at(left, top + y));
    }
    // A caption wider than its tile is drawn smaller, then cut, rather than run into the next.
    const int32_t scale = textWidth(caption, kCaptionScale) <= layout_.tileWidth ? kCaptionScale : 1;
    std::string shown = caption;
    while (!shown.empty() && textWidth(shown, scale) > layout_.tileWidth) shown.pop_back();
    const int32_t captionLeft = left + (layout_.tileWidth - textWidth(shown, scale)) / 2;
    const int32_t captionTop = top + layout_.tileHeight + kCaptionPadding + (kCaptionScale - scale) * kGlyphHeight / 2;
    drawText(canvas_, captionLeft, captionTop, scale, shown, kCaptionColour);
}

}  // namespace tilesweep
