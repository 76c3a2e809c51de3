// The parameter table as the host sees it: registration, and reading a value back
// out of a host definition.
#pragma once

#include <cstdint>

#include "AE_HostApi.h"
#include "ParamTable.h"

namespace tilesweep::plugin {

using StrcpyFn = A_char* (*)(A_char* destination, const A_char* source);

PF_ParamType hostParamType(ParamKind kind);

// The number of items in a '|'-separated popup list.
int32_t popupChoiceCount(const char* items);

// Fills `def` (which must be zero) for registering `entry`. False when the name
// does not fit the host's field.
bool describeParam(const ParamSpec& entry, StrcpyFn strcpy, PF_ParamDef& def);

// The value word of a definition the host delivered, as the settings conversion
// and the UI rules take it.
int32_t paramValueWord(const PF_ParamDef& def, ParamKind kind);

// Copies a UI name into a definition's name field with the host's string copy.
bool copyParamName(const char* name, StrcpyFn strcpy, PF_ParamDef& def);

PF_Err registerParams(PF_InData& in, PF_OutData& out);

}  // namespace tilesweep::plugin
