// The engine's numbers that cross to the host unchanged: its result codes are
// returned as the host's errors. They must be the host's own values.
#pragma once

#include "AE_HostApi.h"
#include "ResultCodes.h"

namespace tilesweep::plugin {

static_assert(kErrNone == PF_Err_NONE, "engine and host agree on success");
static_assert(kErrOutOfMemory == PF_Err_OUT_OF_MEMORY, "engine and host agree on out of memory");
static_assert(kErrInternalStructDamaged == PF_Err_INTERNAL_STRUCT_DAMAGED, "engine and host agree on 512");
static_assert(kErrBadCallbackParam == PF_Err_BAD_CALLBACK_PARAM, "engine and host agree on 516");

}  // namespace tilesweep::plugin
