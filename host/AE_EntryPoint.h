// The one function the host calls. The resource names it, so it must be exported
// under exactly this undecorated name, with the platform's default C convention
// (cdecl on 32-bit Windows, which MinGW exports without decoration).
#pragma once

#include "AE_HostApi.h"

#if AE_HOST_WINDOWS
#define AE_ENTRY_POINT_EXPORT __declspec(dllexport)
#else
#define AE_ENTRY_POINT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" AE_ENTRY_POINT_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                       PF_OutData* out_data,
                                                       PF_ParamDef* params[],
                                                       PF_LayerDef* output, void* extra);
