#include "ImageOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "PixelTraits.h"
#include "ResultCodes.h"

namespace tilesweep {

namespace {

// Written so that it compiles to max and min instructions rather than branches.
double clampUnit(double v) {
    const double low = v > 0.0 ? v : 0.0;
    return low < 1.0 ? low : 1.0;
}

template <typename T>
typename T::Channel* pixelAt(const ImageView& view, int64_t x, int64_t y) {
    return static_cast<typename T::Channel*>(view.pixels) +
           (y * static_cast<int64_t>(view.rowPixels) + x) * kChannels;
}

// A half-open run of pixel indices; 64-bit so that far-out rectangles cannot overflow.
struct Span {
    int64_t begin;
    int64_t end;
    bool empty() const { return begin >= end; }
};

Span intersect(Span a, Span b) { return {std::max(a.begin, b.begin), std::min(a.end, b.end)}; }

Span horizontal(const Rect& r) { return {r.left, r.right}; }
Span vertical(const Rect& r) { return {r.top, r.bottom}; }

Rect wholeImage(const ImageView& view) { return {0, 0, view.width, view.height}; }

// ---------------------------------------------------------------------------- fill

template <typename T>
int32_t fillRect(const ImageView& destination, const Rect* rect) {
    const Rect r = rect ? *rect : wholeImage(destination);
    if (isEmpty(r)) return 0;
    const Span xs = intersect(horizontal(r), {0, destination.width});
    const Span ys = intersect(vertical(r), {0, destination.height});
    if (xs.empty() || ys.empty()) return 0;
    // All-zero bytes are transparent black at every depth, float included.
    const std::size_t rowBytes =
        static_cast<std::size_t>(xs.end - xs.begin) * kChannels * sizeof(typename T::Channel);
    for (int64_t y = ys.begin; y < ys.end; ++y)
        std::memset(pixelAt<T>(destination, xs.begin, y), 0, rowBytes);
    return 0;
}

// ---------------------------------------------------------------------------- copy

// Scaling is a box filter along each axis: a destination pixel is the average of the
// source pixels that its footprint covers, each weighted by the covered fraction. It
// averages the area when shrinking and mixes at most two neighbours when enlarging
// (sharp, no ringing, no overshoot). Measured in units where a source pixel is dLen
// long and a destination pixel sLen long, every overlap is an integer, so weights are
// exact and a flat area comes back exactly.
struct Tap {
    int64_t source;  // absolute source index
    double weight;
};

struct AxisMap {
    Span destination;                // absolute destination indices that get written
    std::vector<std::size_t> first;  // per destination index: its taps, first..first[+1]
    std::vector<double> total;       // per destination index: sum of its weights
    std::vector<double> inverse;     // per destination index: 1 / total
    std::vector<Tap> taps;
};

// Maps the destination run [dOrigin, dOrigin + dLen) onto the source run
// [sOrigin, sOrigin + sLen). Only destinations inside [0, dLimit) are kept, and only
// sources inside [0, sLimit) are read; a destination whose whole footprint lies
// outside the source image gets no taps and stays untouched.
void buildAxis(int64_t sOrigin, int64_t sLen, int64_t sLimit, int64_t dOrigin, int64_t dLen,
               int64_t dLimit, AxisMap& map) {
    map.destination = intersect({dOrigin, dOrigin + dLen}, {0, dLimit});
    const std::size_t count =
        map.destination.empty()
            ? 0
            : static_cast<std::size_t>(map.destination.end - map.destination.begin);
    map.first.assign(count + 1, 0);
    map.total.assign(count, 0.0);
    map.inverse.assign(count, 0.0);
    map.taps.clear();
    // Unsigned: both lengths fit in 32 bits, so their products fit in 64.
    const uint64_t sn = static_cast<uint64_t>(sLen);
    const uint64_t dn = static_cast<uint64_t>(dLen);
    const Span readable = {-sOrigin, sLimit - sOrigin};
    for (std::size_t k = 0; k < count; ++k) {
        const uint64_t d = static_cast<uint64_t>(map.destination.begin - dOrigin) + k;
        const uint64_t from = d * sn;
        const uint64_t to = from + sn;
        const Span cover = intersect(
            {static_cast<int64_t>(from / dn), static_cast<int64_t>((to + dn - 1) / dn)}, readable);
        double total = 0.0;
        for (int64_t i = cover.begin; i < cover.end; ++i) {
            const uint64_t u = static_cast<uint64_t>(i);
            const uint64_t overlap = std::min(to, (u + 1) * dn) - std::max(from, u * dn);
            const double w = static_cast<double>(overlap);
            map.taps.push_back({sOrigin + i, w});
            total += w;
        }
        map.total[k] = total;
        map.inverse[k] = total > 0.0 ? 1.0 / total : 0.0;
        map.first[k + 1] = map.taps.size();
    }
}

// Same size: a translation, row by row. Source and destination must not overlap.
template <typename T>
void copyTranslated(const ImageView& source, const Rect& s, const ImageView& destination,
                    const Rect& d) {
    const int64_t shiftX = static_cast<int64_t>(s.left) - d.left;
    const int64_t shiftY = static_cast<int64_t>(s.top) - d.top;
    const Span xs = intersect(intersect(horizontal(d), {0, destination.width}),
                              {-shiftX, source.width - shiftX});
    const Span ys = intersect(intersect(vertical(d), {0, destination.height}),
                              {-shiftY, source.height - shiftY});
    if (xs.empty() || ys.empty()) return;
    const std::size_t rowBytes =
        static_cast<std::size_t>(xs.end - xs.begin) * kChannels * sizeof(typename T::Channel);
    for (int64_t y = ys.begin; y < ys.end; ++y)
        std::memcpy(pixelAt<T>(destination, xs.begin, y),
                    pixelAt<T>(source, xs.begin + shiftX, y + shiftY), rowBytes);
}

// Sums over the footprint of destination pixel (kx, ky): `weight` the weighted alpha,
// or the plain weight when colour is not weighted by alpha; the colour weighted by
// weight times alpha or by weight alone.
struct FootprintSums {
    double weight = 0.0;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

template <typename T, bool ByAlpha>
FootprintSums sumFootprint(const ImageView& source, const AxisMap& xMap, std::size_t kx,
                           const AxisMap& yMap, std::size_t ky) {
    FootprintSums sums;
    const Tap* columnsBegin = xMap.taps.data() + xMap.first[kx];
    const Tap* columnsEnd = xMap.taps.data() + xMap.first[kx + 1];
    for (std::size_t ty = yMap.first[ky]; ty < yMap.first[ky + 1]; ++ty) {
        const Tap& row = yMap.taps[ty];
        const typename T::Channel* line = pixelAt<T>(source, 0, row.source);
        for (const Tap* column = columnsBegin; column != columnsEnd; ++column) {
            const typename T::Channel* p = line + column->source * kChannels;
            double w = row.weight * column->weight;
            if (ByAlpha) w *= static_cast<double>(p[0]);
            sums.weight += w;
            sums.red += w * static_cast<double>(p[1]);
            sums.green += w * static_cast<double>(p[2]);
            sums.blue += w * static_cast<double>(p[3]);
        }
    }
    return sums;
}

// Colour is averaged weighted by alpha: the images are straight, and a plain average
// would pull the colour of transparent neighbours (usually black) into the edge. Where
// the covered alpha is zero the plain average is kept, so that colour is still defined.
// Reciprocals instead of divisions: the error stays far below the final rounding, so a
// flat area still comes back exactly.
template <typename T>
void copyScaled(const ImageView& source, const Rect& s, const ImageView& destination,
                const Rect& d) {
    AxisMap xMap;
    AxisMap yMap;
    buildAxis(s.left, static_cast<int64_t>(s.right) - s.left, source.width, d.left,
              static_cast<int64_t>(d.right) - d.left, destination.width, xMap);
    buildAxis(s.top, static_cast<int64_t>(s.bottom) - s.top, source.height, d.top,
              static_cast<int64_t>(d.bottom) - d.top, destination.height, yMap);
    const std::size_t columns = xMap.total.size();
    const std::size_t rows = yMap.total.size();
    for (std::size_t ky = 0; ky < rows; ++ky) {
        if (yMap.total[ky] == 0.0) continue;
        const int64_t y = yMap.destination.begin + static_cast<int64_t>(ky);
        typename T::Channel* out = pixelAt<T>(destination, xMap.destination.begin, y);
        for (std::size_t kx = 0; kx < columns; ++kx, out += kChannels) {
            if (xMap.total[kx] == 0.0) continue;
            const double inverseTotal = yMap.inverse[ky] * xMap.inverse[kx];
            FootprintSums sums = sumFootprint<T, true>(source, xMap, kx, yMap, ky);
            out[0] = T::fromScaled(sums.weight * inverseTotal);
            double inverse = inverseTotal;
            if (sums.weight > 0.0)
                inverse = 1.0 / sums.weight;
            else
                sums = sumFootprint<T, false>(source, xMap, kx, yMap, ky);
            out[1] = T::fromScaled(sums.red * inverse);
            out[2] = T::fromScaled(sums.green * inverse);
            out[3] = T::fromScaled(sums.blue * inverse);
        }
    }
}

// The mapping is always that of the full rectangles; clipping only chooses which
// destination pixels are written and which source pixels may be read.
template <typename T>
int32_t copyRect(const ImageView& source, const ImageView& destination, const Rect* sourceRect,
                 const Rect* destinationRect) {
    const Rect s = sourceRect ? *sourceRect : wholeImage(source);
    const Rect d = destinationRect ? *destinationRect : wholeImage(destination);
    if (isEmpty(s) || isEmpty(d)) return 0;
    const bool sameSize =
        static_cast<int64_t>(s.right) - s.left == static_cast<int64_t>(d.right) - d.left &&
        static_cast<int64_t>(s.bottom) - s.top == static_cast<int64_t>(d.bottom) - d.top;
    if (sameSize) {
        copyTranslated<T>(source, s, destination, d);
        return 0;
    }
    try {
        copyScaled<T>(source, s, destination, d);
    } catch (const std::bad_alloc&) {
        return kErrOutOfMemory;
    }
    return 0;
}

// ------------------------------------------------------------------------ transfer

// Separable blend functions B(Cb, Cs) on unit values, Cb the destination (backdrop)
// and Cs the source, as image editors define them:
//   Normal       Cs
//   Add          min(1, Cb + Cs)
//   Multiply     Cb * Cs
//   Screen       Cb + Cs - Cb * Cs
//   Overlay      HardLight(Cs, Cb), i.e. the same with the roles swapped
//   HardLight    Cs <= 0.5: Multiply(Cb, 2Cs); else Screen(Cb, 2Cs - 1)
//   Darken       min(Cb, Cs)
//   Lighten      max(Cb, Cs)
//   Difference   |Cb - Cs|
//   ColorDodge   Cb = 0: 0; Cs = 1: 1; else min(1, Cb / (1 - Cs))
//   ColorBurn    Cb = 1: 1; Cs = 0: 0; else 1 - min(1, (1 - Cb) / Cs)
//   LinearLight  clamp(Cb + 2Cs - 1, 0, 1)
//   VividLight   Cs < 0.5: ColorBurn(Cb, 2Cs); else ColorDodge(Cb, 2Cs - 1)
//   PinLight     Cs < 0.5: min(Cb, 2Cs); else max(Cb, 2Cs - 1)
//   HardMix      Cb + Cs >= 1: 1; else 0
// The formulas are defined on [0, 1]; every mode but Normal gets its inputs clamped to
// that range (only float pixels, or 16-bit ones above 32768, can lie outside it).
double screen(double b, double s) { return b + s - b * s; }
double hardLight(double b, double s) { return s <= 0.5 ? b * (2.0 * s) : screen(b, 2.0 * s - 1.0); }
double colorDodge(double b, double s) {
    if (b == 0.0) return 0.0;
    if (s >= 1.0) return 1.0;
    return std::min(1.0, b / (1.0 - s));
}
double colorBurn(double b, double s) {
    if (b == 1.0) return 1.0;
    if (s <= 0.0) return 0.0;
    return 1.0 - std::min(1.0, (1.0 - b) / s);
}

struct NormalBlend {
    static constexpr bool kNormal = true;
    static double apply(double, double s) { return s; }
};
template <double (*F)(double, double)>
struct Blend {
    static constexpr bool kNormal = false;
    static double apply(double b, double s) { return F(b, s); }
};

double addBlend(double b, double s) { return std::min(1.0, b + s); }
double multiplyBlend(double b, double s) { return b * s; }
double overlayBlend(double b, double s) { return hardLight(s, b); }
double darkenBlend(double b, double s) { return std::min(b, s); }
double lightenBlend(double b, double s) { return std::max(b, s); }
double differenceBlend(double b, double s) { return std::fabs(b - s); }
double linearLightBlend(double b, double s) { return clampUnit(b + 2.0 * s - 1.0); }
double vividLightBlend(double b, double s) {
    return s < 0.5 ? colorBurn(b, 2.0 * s) : colorDodge(b, 2.0 * s - 1.0);
}
double pinLightBlend(double b, double s) {
    return s < 0.5 ? std::min(b, 2.0 * s) : std::max(b, 2.0 * s - 1.0);
}
// Exact at the threshold for integer channels: their unit values are correctly rounded
// quotients, and two channels summing to the maximum give exactly 1 (checked for every
// pair at 8 and 16 bits).
double hardMixBlend(double b, double s) { return b + s >= 1.0 ? 1.0 : 0.0; }

struct TransferJob {
    const ImageView* source;
    const ImageView* destination;
    int64_t sourceX;
    int64_t sourceY;
    int64_t destinationX;
    int64_t destinationY;
    int64_t width;
    int64_t height;
    double opacity;
    bool fullOpacity;
};

// Both pixels opaque: the result is the blend itself.
template <typename T, typename B>
typename T::Channel blendOpaque(typename T::Channel b, typename T::Channel s) {
    return T::fromUnit(B::apply(clampUnit(T::toUnit(b)), clampUnit(T::toUnit(s))));
}

template <typename T, typename B>
struct OpaqueBlender {
    typename T::Channel operator()(typename T::Channel b, typename T::Channel s) const {
        return blendOpaque<T, B>(b, s);
    }
};

// At 8 bits every (backdrop, source) pair fits in 64 KiB, filled on first use of the mode.
template <typename B>
struct OpaqueBlender<Traits8, B> {
    struct Table {
        uint8_t value[256 * 256];
        Table() : value() {
            for (int b = 0; b < 256; ++b)
                for (int s = 0; s < 256; ++s)
                    value[b * 256 + s] =
                        blendOpaque<Traits8, B>(static_cast<uint8_t>(b), static_cast<uint8_t>(s));
        }
    };
    static const uint8_t* table() {
        static const Table instance;
        return instance.value;
    }
    const uint8_t* values = table();
    uint8_t operator()(uint8_t b, uint8_t s) const { return values[b * 256 + s]; }
};

// Length of the run of opaque pixels at `s`, at most n. Whole chunks are tested first,
// in a loop without early exit that the compiler can vectorise.
template <typename T>
int64_t opaqueRun(const typename T::Channel* s, int64_t n) {
    constexpr int32_t kChunk = 32;
    int64_t run = 0;
    while (n - run >= kChunk) {
        const typename T::Channel* chunk = s + run * kChannels;
        int32_t opaque = 0;
        for (int32_t k = 0; k < kChunk; ++k) opaque += chunk[k * kChannels] == T::kOpaque;
        if (opaque != kChunk) break;
        run += kChunk;
    }
    while (run < n && s[run * kChannels] == T::kOpaque) ++run;
    return run;
}

// Straight-alpha source-over with the blend B:
//   as = source alpha * opacity,  ao = as + ab (1 - as)
//   mixed = (1 - ab) Cs + ab B(Cb, Cs)
//   Co = (as mixed + ab (1 - as) Cb) / ao
// The special cases are the formula's own values, taken without rounding drift: a
// transparent source leaves the backdrop, a transparent backdrop takes the source's
// colour, and an opaque source over an opaque backdrop gives B with alpha exactly 1.
template <typename T, typename B>
void blendPixel(const typename T::Channel* s, typename T::Channel* d, const TransferJob& job,
                const OpaqueBlender<T, B>& opaqueBlend) {
    using C = typename T::Channel;
    // The common cases, recognised on the raw channels before any arithmetic.
    if (job.fullOpacity && s[0] == T::kOpaque) {
        if (d[0] == T::kOpaque) {
            if (B::kNormal) {
                std::memcpy(d, s, kChannels * sizeof(C));
            } else {
                // Loaded first: stores through d could otherwise alias the table.
                const C b1 = d[1], b2 = d[2], b3 = d[3];
                d[1] = opaqueBlend(b1, s[1]);
                d[2] = opaqueBlend(b2, s[2]);
                d[3] = opaqueBlend(b3, s[3]);
            }
            return;
        }
        if (d[0] == 0) {
            std::memcpy(d, s, kChannels * sizeof(C));
            return;
        }
    }
    const double as = clampUnit(T::toUnit(s[0])) * job.opacity;
    if (!(as > 0.0)) return;
    const double ab = clampUnit(T::toUnit(d[0]));
    if (ab == 0.0) {
        d[0] = T::fromUnit(as);
        d[1] = s[1];
        d[2] = s[2];
        d[3] = s[3];
        return;
    }
    if (as == 1.0 && ab == 1.0) {
        for (int c = 1; c < kChannels; ++c) d[c] = B::kNormal ? s[c] : opaqueBlend(d[c], s[c]);
        d[0] = T::kOpaque;
        return;
    }
    const double ao = as + ab * (1.0 - as);
    const double backWeight = ab * (1.0 - as);
    const double scale = ao == 1.0 ? 1.0 : 1.0 / ao;
    for (int c = 1; c < kChannels; ++c) {
        const double cs = T::toUnit(s[c]);
        const double cb = T::toUnit(d[c]);
        double mixed = cs;
        if (!B::kNormal) mixed = (1.0 - ab) * cs + ab * B::apply(clampUnit(cb), clampUnit(cs));
        d[c] = T::fromUnit((as * mixed + backWeight * cb) * scale);
    }
    d[0] = T::fromUnit(ao);
}

template <typename T, typename B>
void blendRows(const TransferJob& job) {
    using C = typename T::Channel;
    const bool copyOpaque = B::kNormal && job.fullOpacity;
    const OpaqueBlender<T, B> opaqueBlend{};
    for (int64_t row = 0; row < job.height; ++row) {
        const C* s = pixelAt<T>(*job.source, job.sourceX, job.sourceY + row);
        C* d = pixelAt<T>(*job.destination, job.destinationX, job.destinationY + row);
        for (int64_t i = 0; i < job.width; ++i) {
            if (copyOpaque) {
                // Opaque source pixels simply replace the backdrop.
                const int64_t run = opaqueRun<T>(s + i * kChannels, job.width - i);
                std::memcpy(d + i * kChannels, s + i * kChannels,
                            static_cast<std::size_t>(run) * kChannels * sizeof(C));
                i += run;
                if (i == job.width) break;
            }
            blendPixel<T, B>(s + i * kChannels, d + i * kChannels, job, opaqueBlend);
        }
    }
}

template <typename T>
void blendByMode(TransferMode xfer, const TransferJob& job) {
    switch (xfer) {
        case TransferMode::Add: return blendRows<T, Blend<addBlend>>(job);
        case TransferMode::Multiply: return blendRows<T, Blend<multiplyBlend>>(job);
        case TransferMode::Screen: return blendRows<T, Blend<screen>>(job);
        case TransferMode::Overlay: return blendRows<T, Blend<overlayBlend>>(job);
        case TransferMode::HardLight: return blendRows<T, Blend<hardLight>>(job);
        case TransferMode::Darken: return blendRows<T, Blend<darkenBlend>>(job);
        case TransferMode::Lighten: return blendRows<T, Blend<lightenBlend>>(job);
        case TransferMode::Difference: return blendRows<T, Blend<differenceBlend>>(job);
        case TransferMode::ColorDodge: return blendRows<T, Blend<colorDodge>>(job);
        case TransferMode::ColorBurn: return blendRows<T, Blend<colorBurn>>(job);
        case TransferMode::LinearLight: return blendRows<T, Blend<linearLightBlend>>(job);
        case TransferMode::VividLight: return blendRows<T, Blend<vividLightBlend>>(job);
        case TransferMode::PinLight: return blendRows<T, Blend<pinLightBlend>>(job);
        case TransferMode::HardMix: return blendRows<T, Blend<hardMixBlend>>(job);
        default: return blendRows<T, NormalBlend>(job);  // InFront, and any mode we do not know
    }
}

// Source and destination must not overlap.
template <typename T>
int32_t transfer(const ImageView& source, const Rect& sourceRect, const CompositeMode& mode,
                 int32_t x, int32_t y, const ImageView& destination) {
    const Span sx = intersect(horizontal(sourceRect), {0, source.width});
    const Span sy = intersect(vertical(sourceRect), {0, source.height});
    if (sx.empty() || sy.empty()) return 0;
    // Source pixels keep their place relative to the full rectangle's corner.
    const int64_t shiftX = static_cast<int64_t>(x) - sourceRect.left;
    const int64_t shiftY = static_cast<int64_t>(y) - sourceRect.top;
    const Span dx = intersect({sx.begin + shiftX, sx.end + shiftX}, {0, destination.width});
    const Span dy = intersect({sy.begin + shiftY, sy.end + shiftY}, {0, destination.height});
    if (dx.empty() || dy.empty()) return 0;

    TransferJob job{};
    job.source = &source;
    job.destination = &destination;
    job.sourceX = dx.begin - shiftX;
    job.sourceY = dy.begin - shiftY;
    job.destinationX = dx.begin;
    job.destinationY = dy.begin;
    job.width = dx.end - dx.begin;
    job.height = dy.end - dy.begin;
    if (T::kByteOpacity) {
        job.opacity = mode.opacity / 255.0;
        job.fullOpacity = mode.opacity == 255;
    } else {
        job.opacity = std::min(1.0, mode.opacitySu / 32768.0);
        job.fullOpacity = mode.opacitySu >= 32768;
    }
    if (!(job.opacity > 0.0)) return 0;
    blendByMode<T>(mode.xfer, job);
    return 0;
}

}  // namespace

int32_t copyImage(PixelDepth depth, const ImageView& source, const ImageView& destination,
                  const Rect* sourceRect, const Rect* destinationRect) {
    return withPixelTraits(depth, [&](auto traits) {
        return copyRect<decltype(traits)>(source, destination, sourceRect, destinationRect);
    });
}

int32_t fillImage(PixelDepth depth, const ImageView& destination, const Rect* rect) {
    return withPixelTraits(depth, [&](auto traits) { return fillRect<decltype(traits)>(destination, rect); });
}

int32_t transferRect(PixelDepth depth, const ImageView& source, const Rect& sourceRect,
                     const CompositeMode& mode, int32_t x, int32_t y, const ImageView& destination,
                     bool /*alphaPremultiplied*/) {
    return withPixelTraits(depth, [&](auto traits) {
        return transfer<decltype(traits)>(source, sourceRect, mode, x, y, destination);
    });
}

}  // namespace tilesweep
