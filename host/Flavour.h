// The two deliverables come from the same sources and differ only in the
// host-facing details collected here. The flavour follows the host generation the
// build is meant for, not the pointer size: record layouts are AE_Target.h's
// business, so either flavour can be built (and tested) on either layout.
#pragma once

#include "AE_Suites.h"

namespace tilesweep::plugin {

struct Flavour {
    const char* aboutFormat;      // name, version numbers, description
    bool aboutShowsBugfix;        // the format has a third version number
    bool aboutThroughAnsiSuite;   // "PF ANSI Suite" rather than the utility table's sprintf
    bool handlesGlobalSetdown;
    bool handlesCompletelyGeneral;
    bool returnsThrownCode;       // else a caught failure reports PF_Err_INTERNAL_STRUCT_DAMAGED
    A_long handleSuiteVersion;
    A_long paramUtilsSuiteVersion;
};

constexpr Flavour kFlavour64{"%s, v%d.%d%d\r%s", true, false, true, false, false,
                             kPFHandleSuiteVersion1, kPFParamUtilsSuiteVersion1};

// The 32-bit hosts only know the first versions of the handle and parameter-utility
// suites.
constexpr Flavour kFlavour32{"%s, v%d.%d\r%s", false, true, false, true, true,
                             kPFHandleSuiteVersionLegacy, kPFParamUtilsSuiteVersionLegacy};

// Only the entry point's translation unit picks a flavour; everything else takes
// it as an argument, so library code cannot fall back to a default by accident.
#if defined(TILESWEEP_FLAVOUR_32)
constexpr const Flavour& kBuildFlavour = TILESWEEP_FLAVOUR_32 ? kFlavour32 : kFlavour64;
#endif

}  // namespace tilesweep::plugin
