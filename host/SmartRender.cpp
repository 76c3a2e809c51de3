#include "SmartRender.h"

#include <climits>
#include <cstring>

#include "FramePipeline.h"
#include "HostHandles.h"
#include "HostRenderServices.h"
#include "SmartPreRender.h"
#include "SuiteAccess.h"
#include "WipeSettings.h"

namespace tilesweep::plugin {

namespace {

PixelScale pixelScale(const PF_RationalScale& downsample) {
    if (downsample.den > static_cast<A_u_long>(INT32_MAX)) return PixelScale{};
    return PixelScale{downsample.num, static_cast<int32_t>(downsample.den)};
}

// The input world lies at `where` in the layer, at the frame's downsampling: the grid
// is laid over all of it at full resolution, and mask paths (layer coordinates at
// full resolution) are placed by its corner.
FrameGeometry inputGeometry(const PF_InData& in, const PF_LRect& where, const PF_EffectWorld& input) {
    return bufferGeometry(where.left, where.top, where.left + input.width, where.top + input.height, in.width,
                          in.height, pixelScale(in.downsample_x), pixelScale(in.downsample_y));
}

Rect engineRect(const PF_LRect& r, A_long originX, A_long originY) {
    return Rect{r.left - originX, r.top - originY, r.right - originX, r.bottom - originY};
}

// A part of the layer: the output world is a window onto the frame over the whole
// layer, every block drawn clipped to it, so that the region holds exactly the whole
// frame's pixels at the cost of its area. Output outside the layer stays transparent.
PF_Err renderRegion(const WipeSettings& settings, const FrameRegion& region, PF_InData& in, PF_OutData& out,
                    SuiteHandler& suites, const PF_WorldSuite2& worlds, const PixelFormatEntry& pixels,
                    PF_PixelFormat format, PF_EffectWorld& input, PF_EffectWorld& output) {
    if (output.width <= 0 || output.height <= 0) return PF_Err_NONE;
    HostRenderServices services(in, out, suites, input, output);
    services.offerWorlds(&worlds, format);
    return renderFrame(settings, inputGeometry(in, region.layer, input), imageViewOf(input, pixels.pixelBytes),
                       imageViewOf(output, pixels.pixelBytes),
                       engineRect(region.output, region.layer.left, region.layer.top), pixels.depth, services);
}

}  // namespace

const PixelFormatEntry* findPixelFormat(PF_PixelFormat format) {
    for (const PixelFormatEntry& entry : kPixelFormats) {
        if (entry.format == format) return &entry;
    }
    return nullptr;
}

ImageView imageViewOf(const PF_EffectWorld& world, int32_t pixelBytes) {
    return ImageView{world.data, world.rowbytes / pixelBytes, world.width, world.height};
}

PF_Err smartRender(const Flavour& flavour, PF_InData& in, PF_OutData& out, PF_SmartRenderExtra& extra) {
    SuiteHandler suites(in.pica_basicP);
    const HandleLock lock(handleSuite(suites, flavour), static_cast<PF_Handle>(extra.input->pre_render_data));
    if (lock.data() == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    SettingsBlock block;
    std::memcpy(&block, lock.data(), sizeof block);
    const bool cut = block.region.cutFromLayer != 0;

    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    GuardedSuite worldSuite(in.pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2, out);
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    const A_long inputCheckoutId = cut ? block.region.layerCheckoutId : kRequestCheckoutId;
    PF_Err err = extra.cb->checkout_layer_pixels(in.effect_ref, inputCheckoutId, &input);
    if (err == PF_Err_NONE) err = extra.cb->checkout_output(in.effect_ref, &output);
    if (err == PF_Err_NONE) err = worldSuite.acquire(kWorldSuiteLoadMessage);
    if (err == PF_Err_NONE) err = worldSuite.table<PF_WorldSuite2>().PF_GetPixelFormat(input, &format);

    const PixelFormatEntry* pixels = findPixelFormat(format);
    // Whatever went wrong getting the worlds, the frame cannot be drawn, and that
    // is all the host is told.
    if (err != PF_Err_NONE || pixels == nullptr || input == nullptr || output == nullptr) {
        err = PF_Err_BAD_CALLBACK_PARAM;
    } else if (cut) {
        err = renderRegion(block.record, block.region, in, out, suites, worldSuite.table<PF_WorldSuite2>(), *pixels,
                           format, *input, *output);
    } else {
        HostRenderServices services(in, out, suites, *input, *output);
        err = renderFrame(block.record, inputGeometry(in, block.region.layer, *input),
                          imageViewOf(*input, pixels->pixelBytes), imageViewOf(*output, pixels->pixelBytes),
                          pixels->depth, services);
    }
    const PF_Err releaseErr = worldSuite.release(kWorldSuiteReleaseMessage);
    return err != PF_Err_NONE ? err : releaseErr;
}

}  // namespace tilesweep::plugin
