#include "BlockDrawing.h"

#include <algorithm>
#include <cstring>

#include "FramePlan.h"
#include "PixelTraits.h"
#include "ResultCodes.h"
#include "Stacking.h"

namespace tilesweep {

namespace {

Rect blockRect(const BlockRecord& b) { return Rect{b.left, b.top, b.left + b.width, b.top + b.height}; }

bool isOutsider(const BlockRecord& b) { return b.rank < 0 && b.rank != kUnassignedRank; }

// A block smaller than an image pixel at a reduced resolution covers no pixel.
bool coversNothing(const BlockRecord& b) { return b.width <= 0 || b.height <= 0; }

// A distance measured in full-resolution pixels, in image pixels along one axis.
double inImagePixels(double distance, const PixelScale& scale) {
    return isUnitScale(scale) ? distance : distance * scale.numerator / scale.denominator;
}

// trunc(x + 0.5) of a pixel distance; NaN or runaway values never reach an
// undefined conversion.
int32_t roundedDistance(double x) { return truncToInt32(x + 0.5); }

// The timing step and direction of an insider.
struct BlockTiming {
    double progress;
    DirectionCode direction;
};

BlockTiming timingOf(const BlockRecord& b, const FramePlan& plan) {
    int32_t step = b.rank;
    int32_t directionSlot = b.rank;
    if (plan.rowMode) {
        const int32_t along = plan.order.order == OrderKind::Horizontal ? plan.gridColumns : plan.gridRows;
        step = b.rank / along;
        if (plan.order.orderPer == OrderPerKind::Row1) directionSlot = step;
    }
    // A step beyond the timing has not started.
    const double progress = step < plan.stepCount ? plan.stepProgress[step] : 0.0;
    return BlockTiming{progress, plan.directions[directionSlot]};
}

// Alpha access for Still1, which clears wiped pixels itself. Integer alphas are
// scaled as doubles and truncated; float alphas scaled in double and stored as float.
// Image coordinates; only what the output shows of the image is touched.
template <typename Channel>
struct AlphaPlane {
    Channel* pixels;
    int32_t rowPixels;
    Rect area;       // what the output shows
    Rect drawable;   // the part of it within the image

    Channel& alpha(int32_t x, int32_t y) const {
        return pixels[(static_cast<std::ptrdiff_t>(y - area.top) * rowPixels + (x - area.left)) * 4];
    }
    void clip(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) const {
        x0 = std::max(x0, drawable.left);
        y0 = std::max(y0, drawable.top);
        x1 = std::min(x1, drawable.right);
        y1 = std::min(y1, drawable.bottom);
    }
    void clear(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        using Word = typename AlphaWord<Channel>::Word;
        constexpr std::size_t kPixelBytes = 4 * sizeof(Channel);
        clip(x0, y0, x1, y1);
        if (x0 >= x1) return;
        for (int32_t y = y0; y < y1; ++y) {
            unsigned char* p = reinterpret_cast<unsigned char*>(&alpha(x0, y));
            for (int32_t x = x0; x < x1; ++x, p += kPixelBytes) {
                Word w;
                std::memcpy(&w, p, sizeof w);
                w &= AlphaWord<Channel>::kKeepColour;
                std::memcpy(p, &w, sizeof w);
            }
        }
    }
    void scale(int32_t x0, int32_t y0, int32_t x1, int32_t y1, double factor) const {
        clip(x0, y0, x1, y1);
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                Channel& a = alpha(x, y);
                a = static_cast<Channel>(static_cast<double>(a) * factor);
            }
        }
    }
};

// Removes the wiped part of a Still1 block: whole lines lose their alpha, the next
// line keeps the unwiped fraction of it. The partial line is touched only inside
// the block.
template <typename Channel>
void wipeStill1(const AlphaPlane<Channel>& plane, const BlockRecord& b, double p, DirectionCode d,
                RenderServices& services, int32_t imageWidth, int32_t imageHeight) {
    const int32_t L = b.left;
    const int32_t T = b.top;
    const int32_t R = b.left + b.width;
    const int32_t B = b.top + b.height;
    const bool horizontal = d == kRight || d == kLeft;
    const int32_t size = horizontal ? b.width : b.height;
    const double X = d == kUp ? p * b.height + 0.5 : p * size;
    const int32_t n = std::clamp(truncToInt32(X), 0, size);
    const double f = 1 - (X - services.floor(X));
    const bool partial = f < 1;
    switch (d) {
        case kRight:
            plane.clear(L, T, L + n, B);
            if (partial && L + n < imageWidth && L + n < R) plane.scale(L + n, T, L + n + 1, B, f);
            break;
        case kLeft:
            plane.clear(R - n, T, R, B);
            if (partial && R - n - 1 >= 0 && R - n - 1 >= L) plane.scale(R - n - 1, T, R - n, B, f);
            break;
        case kDown:
            plane.clear(L, T, R, T + n);
            if (partial && T + n < imageHeight && T + n < B) plane.scale(L, T + n, R, T + n + 1, f);
            break;
        default:
            plane.clear(L, B - n, R, B);
            if (partial && B - n - 1 >= 0 && B - n - 1 >= T) plane.scale(L, B - n - 1, R, B - n, f);
            break;
    }
}

template <typename Channel>
int32_t drawStill1Blocks(const BlockPainter& painter) {
    const FramePlan& plan = painter.plan;
    const Rect& area = painter.outputArea;
    const Rect drawable{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, plan.imageWidth),
                        std::min(area.bottom, plan.imageHeight)};
    const AlphaPlane<Channel> plane{static_cast<Channel*>(painter.output.pixels), painter.output.rowPixels, area,
                                    drawable};
    const auto viewing = popupChoice<ViewingModeKind>(painter.settings.viewingMode);
    for (int32_t i = 0; i < plan.blockCount; ++i) {
        const BlockRecord& b = plan.blocks[i];
        if (b.rank < 0 || coversNothing(b)) continue;
        const BlockTiming t = timingOf(b, plan);
        if (t.progress >= 1 || (t.progress > 0 && viewing == ViewingModeKind::OnlyNotWiping)) {
            plane.clear(b.left, b.top, b.left + b.width, b.top + b.height);
        } else if (t.progress > 0) {
            wipeStill1(plane, b, t.progress, t.direction, painter.services, plan.imageWidth, plan.imageHeight);
        } else if (viewing == ViewingModeKind::OnlyWiping) {
            const Rect r = blockRect(b);
            if (const int32_t err = painter.services.fill(&r)) return err;
        } else {
            continue;
        }
        painter.services.progress(i, plan.blockCount);
    }
    return kErrNone;
}

// Draws a wiping block of every mode but Still1.
int32_t drawWipingBlock(const BlockPainter& painter, const BlockRecord& b, double p, DirectionCode d) {
    RenderServices& services = painter.services;
    const FramePlan& plan = painter.plan;
    const int32_t L = b.left;
    const int32_t T = b.top;
    const int32_t w = b.width;
    const int32_t h = b.height;
    const Rect R = blockRect(b);
    const double q = 1 - p;
    const bool horizontal = d == kRight || d == kLeft;
    switch (popupChoice<ModeKind>(painter.settings.mode)) {
        case ModeKind::Still2: {
            CompositeMode fade{TransferMode::InFront, 0, static_cast<uint8_t>(truncToInt32(255 * q)), 0,
                               static_cast<uint16_t>(truncToInt32(32768 * q))};
            return services.transfer_rect(R, fade, L, T);
        }
        case ModeKind::Still3: {
            const int32_t a = truncToInt32(w * 0.5 * q + 0.5);
            const int32_t c = truncToInt32(h * 0.5 * q + 0.5);
            if (const int32_t err = services.copy(&R, &R)) return err;
            const Rect hole{L + a, T + c, L + w - a, T + h - c};
            return services.fill(&hole);
        }
        case ModeKind::Move1: {
            const int32_t n = roundedDistance(p * (horizontal ? w : h));
            Rect from = R;
            Rect to = R;
            switch (d) {
                case kRight: from.right -= n; to.left += n; break;
                case kLeft: from.left += n; to.right -= n; break;
                case kDown: from.bottom -= n; to.top += n; break;
                default: from.top += n; to.bottom -= n; break;
            }
            return services.copy(&from, &to);
        }
        case ModeKind::Move2: {
            // The full-resolution distance, so that every resolution moves alike.
            const double distance = p * std::max(plan.gridWidth, plan.gridHeight);
            const int32_t k = roundedDistance(inImagePixels(distance, horizontal ? plan.scaleX : plan.scaleY));
            switch (d) {
                case kRight: return services.transfer_rect(R, painter.frameMode, L + k, T);
                case kLeft: return services.transfer_rect(R, painter.frameMode, L - k, T);
                case kDown: return services.transfer_rect(R, painter.frameMode, L, T + k);
                default: return services.transfer_rect(R, painter.frameMode, L, T - k);
            }
        }
        case ModeKind::Move3:
            switch (d) {
                case kRight:
                    return services.transfer_rect(R, painter.frameMode, L + roundedDistance(p * (plan.imageWidth - L)), T);
                case kLeft:
                    return services.transfer_rect(R, painter.frameMode, L - roundedDistance(p * (L + w)), T);
                case kDown:
                    return services.transfer_rect(R, painter.frameMode, L, T + roundedDistance(p * (plan.imageHeight - T)));
                default:
                    return services.transfer_rect(R, painter.frameMode, L, T - roundedDistance(p * (T + h)));
            }
        case ModeKind::Shrink1: {
            const int32_t n = roundedDistance(p * (horizontal ? w : h));
            Rect to = R;
            switch (d) {
                case kRight: to.left += n; break;
                case kLeft: to.right -= n; break;
                case kDown: to.top += n; break;
                default: to.bottom -= n; break;
            }
            return services.copy(&R, &to);
        }
        case ModeKind::Shrink2: {
            const int32_t a = truncToInt32(w * 0.5 * p + 0.5);
            const int32_t c = truncToInt32(h * 0.5 * p + 0.5);
            const Rect to{L + a, T + c, L + w - a, T + h - c};
            return services.copy(&R, &to);
        }
        default:
            return kErrNone;  // a mode the effect does not know draws nothing
    }
}

int32_t drawMovingAndShrinkingBlocks(const BlockPainter& painter) {
    const FramePlan& plan = painter.plan;
    RenderServices& services = painter.services;
    const auto viewing = popupChoice<ViewingModeKind>(painter.settings.viewingMode);
    const auto zIndex = popupChoice<ZIndexKind>(painter.settings.zIndex);
    for (int32_t turn = 0; turn < plan.blockCount; ++turn) {
        const int32_t w = plan.moveStacking
            ? plan.blocks[stackingEntry(turn, plan.blockCount, zIndex)].blockAtRank
            : turn;
        if (w < 0 || plan.blocks[w].rank < 0 || coversNothing(plan.blocks[w])) continue;
        const BlockRecord& b = plan.blocks[w];
        const BlockTiming t = timingOf(b, plan);
        int32_t err = kErrNone;
        if (t.progress <= 0) {
            if (viewing == ViewingModeKind::OnlyWiping) continue;
            const Rect r = blockRect(b);
            err = plan.moveStacking ? services.transfer_rect(r, painter.frameMode, b.left, b.top)
                                    : services.copy(&r, &r);
        } else if (t.progress < 1) {
            if (viewing == ViewingModeKind::OnlyNotWiping) continue;
            err = drawWipingBlock(painter, b, t.progress, t.direction);
        }
        if (err != kErrNone) return err;
        services.progress(turn, plan.blockCount);
    }
    return kErrNone;
}

// The host transfer mode of each "Blend Mode" item.
TransferMode transferOf(BlendModeKind blend) {
    switch (blend) {
        case BlendModeKind::Normal: return TransferMode::InFront;
        case BlendModeKind::Add: return TransferMode::Add;
        case BlendModeKind::Multiply: return TransferMode::Multiply;
        case BlendModeKind::Screen: return TransferMode::Screen;
        case BlendModeKind::Overlay: return TransferMode::Overlay;
        case BlendModeKind::HardLight: return TransferMode::HardLight;
        case BlendModeKind::Darken: return TransferMode::Darken;
        case BlendModeKind::Lighten: return TransferMode::Lighten;
        case BlendModeKind::Difference: return TransferMode::Difference;
        case BlendModeKind::Dodge: return TransferMode::ColorDodge;
        case BlendModeKind::Burn: return TransferMode::ColorBurn;
        case BlendModeKind::LinearLight: return TransferMode::LinearLight;
        case BlendModeKind::VividLight: return TransferMode::VividLight;
        case BlendModeKind::PinLight: return TransferMode::PinLight;
        case BlendModeKind::HardMix: return TransferMode::HardMix;
    }
    return TransferMode::InFront;  // a blend mode the effect does not know
}

enum class OutsiderOp { None, Copy, Fill };

OutsiderOp outsiderOperation(const WipeSettings& s, const FramePlan& plan) {
    const double C = plan.effectiveCompletion;
    const bool onlyWiping = popupChoice<ViewingModeKind>(s.viewingMode) == ViewingModeKind::OnlyWiping;
    const bool transparent = s.orderOutsider != 0;
    if (popupChoice<ModeKind>(s.mode) == ModeKind::Still1) {
        if (transparent) return C >= 0 && C < 1 ? OutsiderOp::Fill : OutsiderOp::None;
        if (C == 1 && !onlyWiping) return OutsiderOp::Copy;
        if (C > 0 && C < 1 && onlyWiping) return OutsiderOp::Fill;
        return OutsiderOp::None;
    }
    if (transparent) return C == 0 ? OutsiderOp::Fill : OutsiderOp::None;
    if (C > 0 && C <= 1 && !onlyWiping && !plan.lateOutsiders) return OutsiderOp::Copy;
    return OutsiderOp::None;
}

}  // namespace

CompositeMode frameCompositeMode(int32_t blendMode) {
    return CompositeMode{transferOf(popupChoice<BlendModeKind>(blendMode)), 0, 255, 0, 32768};
}

int32_t prepareOutput(const WipeSettings& s, const FramePlan& plan, RenderServices& services) {
    const double C = plan.effectiveCompletion;
    const bool onlyWiping = popupChoice<ViewingModeKind>(s.viewingMode) == ViewingModeKind::OnlyWiping;
    bool copyInput;
    if (C == 1) {
        copyInput = false;
    } else if (popupChoice<ModeKind>(s.mode) == ModeKind::Still1) {
        copyInput = !(C == 0 && onlyWiping);
    } else {
        copyInput = C == 0 && !onlyWiping;
    }
    return copyInput ? services.copy(nullptr, nullptr) : services.fill(nullptr);
}

int32_t drawOutsiders(const BlockPainter& painter) {
    const OutsiderOp op = outsiderOperation(painter.settings, painter.plan);
    if (op == OutsiderOp::None) return kErrNone;
    for (int32_t i = 0; i < painter.plan.blockCount; ++i) {
        const BlockRecord& b = painter.plan.blocks[i];
        if (!isOutsider(b) || coversNothing(b)) continue;
        const Rect r = blockRect(b);
        const int32_t err = op == OutsiderOp::Copy ? painter.services.copy(&r, &r) : painter.services.fill(&r);
        if (err != kErrNone) return err;
    }
    return kErrNone;
}

int32_t drawBlocks(const BlockPainter& painter) {
    if (popupChoice<ModeKind>(painter.settings.mode) != ModeKind::Still1) return drawMovingAndShrinkingBlocks(painter);
    return withPixelTraits(painter.depth, [&painter](auto traits) {
        return drawStill1Blocks<typename decltype(traits)::Channel>(painter);
    });
}

int32_t drawLateOutsiders(const BlockPainter& painter) {
    const WipeSettings& s = painter.settings;
    const double C = painter.plan.effectiveCompletion;
    if (!painter.plan.lateOutsiders || s.orderOutsider != 0 || !(C > 0 && C <= 1) ||
        popupChoice<ViewingModeKind>(s.viewingMode) == ViewingModeKind::OnlyWiping) {
        return kErrNone;
    }
    for (int32_t i = 0; i < painter.plan.blockCount; ++i) {
        const BlockRecord& b = painter.plan.blocks[i];
        if (!isOutsider(b) || coversNothing(b)) continue;
        const Rect r = blockRect(b);
        if (const int32_t err = painter.services.transfer_rect(r, painter.frameMode, b.left, b.top)) return err;
    }
    return kErrNone;
}

}  // namespace tilesweep
