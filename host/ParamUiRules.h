// Greying out the parameters that the current settings make irrelevant, and the
// parameter-state snapshot that the instance's sequence data keeps on the way.
#pragma once

#include "AE_HostApi.h"
#include "Flavour.h"
#include "ParamTable.h"

namespace tilesweep::plugin {

// Value words of every parameter in the host's array (index 0 unused).
RawParamValues currentValues(PF_ParamDef* const params[]);

PF_Err applyParamUiRules(const Flavour& flavour, PF_InData& in, PF_OutData& out, PF_ParamDef* params[]);

}  // namespace tilesweep::plugin
