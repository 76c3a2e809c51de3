// One frame: the settings record of the pre-render, the host's worlds and pixel
// format, and the engine's frame pipeline bound to the host.
#pragma once

#include <array>
#include <cstdint>

#include "AE_HostApi.h"
#include "Flavour.h"
#include "WipeTypes.h"

namespace tilesweep::plugin {

struct PixelFormatEntry {
    PF_PixelFormat format;
    PixelDepth depth;
    int32_t pixelBytes;
};

constexpr std::array<PixelFormatEntry, 3> kPixelFormats = {{
    {PF_PixelFormat_ARGB32, Depth8, 4},
    {PF_PixelFormat_ARGB64, Depth16, 8},
    {PF_PixelFormat_ARGB128, Depth32f, 16},
}};

// Null for a format the engine cannot draw.
const PixelFormatEntry* findPixelFormat(PF_PixelFormat format);

ImageView imageViewOf(const PF_EffectWorld& world, int32_t pixelBytes);

constexpr const A_char kWorldSuiteLoadMessage[] = "Couldn't load suite.";
constexpr const A_char kWorldSuiteReleaseMessage[] = "Couldn't release suite.";

PF_Err smartRender(const Flavour& flavour, PF_InData& in, PF_OutData& out, PF_SmartRenderExtra& extra);

}  // namespace tilesweep::plugin
