#include "OutputWindow.h"

#include <algorithm>

namespace tilesweep {

Rect overlapOf(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return isEmpty(r) ? Rect{0, 0, 0, 0} : r;
}

namespace {

int64_t widthOf(const Rect& r) { return int64_t{r.right} - r.left; }
int64_t heightOf(const Rect& r) { return int64_t{r.bottom} - r.top; }

}  // namespace

int32_t WindowServices::fill(const Rect* rect) {
    const Rect shown = overlapOf(rect != nullptr ? *rect : image_, drawable_);
    if (isEmpty(shown)) return kErrNone;
    const Rect at = inOutput(shown);
    return services_.fill(&at);
}

int32_t WindowServices::copy(const Rect* source, const Rect* destination) {
    const Rect s = source != nullptr ? *source : image_;
    const Rect d = destination != nullptr ? *destination : image_;
    if (isEmpty(s) || isEmpty(d)) return kErrNone;
    const Rect shown = overlapOf(d, drawable_);
    if (isEmpty(shown)) return kErrNone;
    if (widthOf(s) == widthOf(d) && heightOf(s) == heightOf(d)) {
        // Pixel for pixel: the source shrinks with the destination.
        const Rect from{s.left + (shown.left - d.left), s.top + (shown.top - d.top),
                        s.left + (shown.right - d.left), s.top + (shown.bottom - d.top)};
        const Rect to = inOutput(shown);
        return services_.copy(&from, &to);
    }
    if (shown.left == d.left && shown.top == d.top && shown.right == d.right && shown.bottom == d.bottom) {
        const Rect to = inOutput(d);
        return services_.copy(&s, &to);
    }
    // A scaled copy cut by the window: scaled whole, as the full frame scales it.
    return services_.copyPart(s, d, shown, shown.left - area_.left, shown.top - area_.top);
}

int32_t WindowServices::transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) {
    if (isEmpty(source)) return kErrNone;
    const Rect landing{x, y, static_cast<int32_t>(std::clamp<int64_t>(x + widthOf(source), INT32_MIN, INT32_MAX)),
                       static_cast<int32_t>(std::clamp<int64_t>(y + heightOf(source), INT32_MIN, INT32_MAX))};
    const Rect shown = overlapOf(landing, drawable_);
    if (isEmpty(shown)) return kErrNone;
    const Rect from{source.left + (shown.left - x), source.top + (shown.top - y), source.left + (shown.right - x),
                    source.top + (shown.bottom - y)};
    return services_.transfer_rect(from, mode, shown.left - area_.left, shown.top - area_.top);
}

}  // namespace tilesweep
