#include "SmartRender.h"

#include <cstring>

#include "FramePipeline.h"
#include "HostHandles.h"
#include "HostRenderServices.h"
#include "SuiteAccess.h"
#include "WipeSettings.h"

namespace tilesweep::plugin {

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
    WipeSettings settings;
    std::memcpy(&settings, lock.data(), sizeof settings);

    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    GuardedSuite worldSuite(in.pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2, out);
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    PF_Err err = extra.cb->checkout_layer_pixels(in.effect_ref, 0, &input);
    if (err == PF_Err_NONE) err = extra.cb->checkout_output(in.effect_ref, &output);
    if (err == PF_Err_NONE) err = worldSuite.acquire(kWorldSuiteLoadMessage);
    if (err == PF_Err_NONE) err = worldSuite.table<PF_WorldSuite2>().PF_GetPixelFormat(input, &format);

    const PixelFormatEntry* pixels = findPixelFormat(format);
    // Whatever went wrong getting the worlds, the frame cannot be drawn, and that
    // is all the host is told.
    if (err != PF_Err_NONE || pixels == nullptr || input == nullptr || output == nullptr) {
        err = PF_Err_BAD_CALLBACK_PARAM;
    } else {
        HostRenderServices services(in, out, suites, *input, *output);
        err = renderFrame(settings, imageViewOf(*input, pixels->pixelBytes), imageViewOf(*output, pixels->pixelBytes),
                          pixels->depth, services);
    }
    const PF_Err releaseErr = worldSuite.release(kWorldSuiteReleaseMessage);
    return err != PF_Err_NONE ? err : releaseErr;
}

}  // namespace tilesweep::plugin
