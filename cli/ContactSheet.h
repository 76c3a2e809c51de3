// One picture of a whole transition: moments of the wipe side by side, each scaled
// down onto a neutral background with its transparent parts shown as a checker.
#pragma once

#include <cstdint>
#include <string>

#include "ImageFile.h"
#include "TestImage.h"

namespace tilesweep {

struct SheetLayout {
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t tileWidth = 0;
    int32_t tileHeight = 0;
    int32_t margin = 0;
    int32_t labelHeight = 0;  // band under each tile
    int32_t width = 0;
    int32_t height = 0;

    int32_t tileLeft(int32_t index) const { return margin + (index % columns) * (tileWidth + margin); }
    int32_t tileTop(int32_t index) const { return margin + (index / columns) * (tileHeight + labelHeight + margin); }
};

// Tiles keep the frame's shape, at most kMaxTileSide pixels either way (never
// enlarged), so that a sheet of a 4K wipe stays a picture one can open.
constexpr int32_t kMaxTileSide = 480;
SheetLayout sheetLayout(int32_t columns, int32_t rows, int32_t frameWidth, int32_t frameHeight);

class ContactSheet {
public:
    explicit ContactSheet(const SheetLayout& layout);

    // Places moment `index` (row by row) with a caption under it.
    void place(int32_t index, const FrameImage& frame, const std::string& caption);
    const RgbCanvas& canvas() const { return canvas_; }

private:
    SheetLayout layout_;
    RgbCanvas canvas_;
};

}  // namespace tilesweep
