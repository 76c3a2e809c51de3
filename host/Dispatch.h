// Routes each host command to its handler and turns an escaping failure into the
// flavour's error code, so that nothing but a PF_Err reaches the host.
#pragma once

#include "AE_HostApi.h"
#include "Flavour.h"

namespace tilesweep::plugin {

enum class Handler {
    None,
    About,
    GlobalSetup,
    GlobalSetdown,
    RegisterParams,
    SequenceSetup,
    SequenceSetdown,
    ParamUiRules,
    GeneralText,
    SmartPreRender,
    SmartRender,
};

// Which handler answers `cmd` in `flavour`; None for commands left alone.
Handler handlerFor(const Flavour& flavour, PF_Cmd cmd);

// The code a command ends with when a failure was caught on its way out.
PF_Err caughtFailureCode(const Flavour& flavour, PF_Err thrown);

PF_Err dispatchCommand(const Flavour& flavour, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                       PF_ParamDef* params[], void* extra) noexcept;

}  // namespace tilesweep::plugin
