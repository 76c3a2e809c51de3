// Hands the simulated host a loaded 32-bit .aex's EntryPointFunc. Every entry into
// the plug-in's code, EntryPointFunc and the pre-render data disposer it hands over,
// is made with the stack aligned to 4 bytes only, in turn 4, 8 and 12 bytes past a
// 16-byte boundary, as a 32-bit host built with MSVC may call them. Test-only.
#pragma once

#include <cstdint>

#include "PeModule.h"
#include "SimHost.h"

namespace tilesweep::pe32 {

// The entry point of `module` (one module at a time); throws PeError if the thunk
// does not give the stack the misalignments it promises.
simhost::SimHost::EntryPoint aexEntryPoint(const PeModule& module);

struct AexEntryCounts {
    uint32_t entries = 0;    // EntryPointFunc calls
    uint32_t disposals = 0;  // disposer calls
    uint32_t bySkew[4] = {};  // calls with esp % 16 == 0, 4, 8, 12 at the call
};
AexEntryCounts aexEntryCounts();

}  // namespace tilesweep::pe32
