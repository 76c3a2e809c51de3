// The small lifecycle commands: about box, global data, per-instance sequence data
// and the 32-bit hosts' general text command.
#pragma once

#include <cstdint>

#include "AE_HostApi.h"
#include "Flavour.h"

namespace tilesweep::plugin {

// Kept by the host between commands. `ready` must stay the first byte: the
// parameter UI pass reads it there.
struct GlobalData {
    uint8_t ready;
    AEGP_PluginID pluginId;
};

constexpr const char kEffectDescription[] = "Imagination!";
// The name the host files our AEGP registration under.
constexpr const char kRegistrationName[] = "Error!";

struct VersionNumbers {
    int major;
    int minor;
    int bugfix;
};

// The numbers packed into a PF_VERSION word.
constexpr VersionNumbers unpackVersion(A_u_long packed) {
    const A_u_long low = (packed >> PF_Vers_VERS_SHIFT) & PF_Vers_VERS_BITS;
    const A_u_long high = (packed >> PF_Vers_VERS_HIGH_SHIFT) & PF_Vers_VERS_HIGH_BITS;
    return VersionNumbers{static_cast<int>(high << PF_Vers_VERS_LOW_SHIFT | low),
                          static_cast<int>((packed >> PF_Vers_SUBVERS_SHIFT) & PF_Vers_SUBVERS_BITS),
                          static_cast<int>((packed >> PF_Vers_BUGFIX_SHIFT) & PF_Vers_BUGFIX_BITS)};
}

using SprintfFn = A_long (*)(A_char* buffer, const A_char* format, ...);

// Formats the about text of `flavour` into `buffer` (the host's return_msg).
void formatAboutText(const Flavour& flavour, SprintfFn sprintf, A_char* buffer);

PF_Err showAbout(const Flavour& flavour, PF_InData& in, PF_OutData& out);
PF_Err globalSetup(const Flavour& flavour, PF_InData& in, PF_OutData& out);
PF_Err globalSetdown(const Flavour& flavour, PF_InData& in);
// Also answers a resetup: the old block is freed once the new one is made, and
// stays the instance's sequence data when it cannot be.
PF_Err sequenceSetup(const Flavour& flavour, PF_InData& in, PF_OutData& out);
PF_Err sequenceSetdown(const Flavour& flavour, PF_InData& in);
// Shows the text that `extra` points to, cut at return_msg's end.
PF_Err showGeneralText(PF_InData& in, PF_OutData& out, const void* extra);

}  // namespace tilesweep::plugin
