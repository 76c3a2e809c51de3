// The plug-in's only export. The build chooses the flavour (TILESWEEP_FLAVOUR_32).
#include "AE_EntryPoint.h"
#include "Dispatch.h"
#include "Flavour.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* /*output*/, void* extra) {
    return tilesweep::plugin::dispatchCommand(tilesweep::plugin::kBuildFlavour, cmd, in_data, out_data, params,
                                              extra);
}
