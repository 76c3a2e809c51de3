// The callbacks of the simulated host, by service, each file one service: handles and
// ANSI, images and worlds, parameters and UI, paths, AEGP. SuiteTables.cpp hands them
// to the plug-in in the suites and callback records. Each one counts itself, may fail
// on purpose (SimHost::addFault), checks what the plug-in passes and keeps account of
// what it hands out.
#pragma once

#include "SimHostImpl.h"

namespace tilesweep::simhost::callbacks {

// HandleCallbacks.cpp
PF_Handle newHandle(A_HandleSize size);
void* lockHandle(PF_Handle handle);
void unlockHandle(PF_Handle handle);
void disposeHandle(PF_Handle handle);
A_HandleSize handleSize(PF_Handle handle);
PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle);
void fillAnsi(PF_ANSICallbacks& a);
PF_ANSICallbacksSuite1 makeAnsiSuite();

// ImageCallbacks.cpp
PF_Err copy(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* srcRect, PF_Rect* dstRect);
PF_Err fill(PF_ProgPtr ref, const PF_Pixel* colour, const PF_Rect* rect, PF_EffectWorld* world);
PF_Err transferRect(PF_ProgPtr ref, PF_Quality, PF_ModeFlags modeFlags, PF_Field, const PF_Rect* srcRect,
                    const PF_EffectWorld* src, const PF_CompositeMode* mode, const PF_MaskWorld* mask, A_long x,
                    A_long y, PF_EffectWorld* dst);
PF_Err app(PF_ProgPtr, ...);
PF_Err checkoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* request, A_long,
                     A_long, A_u_long, PF_CheckoutResult* result);
PF_Err guidMixIn(PF_ProgPtr ref, A_u_long size, const void* bytes);
PF_Err checkoutLayerPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels);
PF_Err checkinLayerPixels(PF_ProgPtr ref, A_long id);
PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output);
PF_Err getPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format);
PF_Err newWorld(PF_ProgPtr ref, A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format,
               PF_EffectWorld* world);
PF_Err disposeWorld(PF_ProgPtr ref, PF_EffectWorld* world);

// ParamCallbacks.cpp
PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long, A_u_long scale,
                     PF_ParamDef* param);
PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param);
PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def);
PF_Err abortCheck(PF_ProgPtr ref);
PF_Err progress(PF_ProgPtr ref, A_long current, A_long total);
PF_Err updateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def);
PF_Err getCurrentState(PF_ProgPtr ref, PF_State* state);
PF_Err hasParamChangedIgnoringIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed);
PF_Err hasParamChangedByIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed);

// PathCallbacks.cpp
PF_Err checkoutPath(PF_ProgPtr ref, PF_PathID id, A_long, A_long, A_u_long, PF_PathOutlinePtr* path);
PF_Err checkinPath(PF_ProgPtr ref, PF_PathID id, PF_Boolean, PF_PathOutlinePtr path);
PF_Err pathNumSegments(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long* count);
PF_Err pathPrepareSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, A_long,
                            PF_PathSegPrepPtr* preparation);
PF_Err pathGetSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation,
                        PF_FpLong* length);
PF_Err pathEvalSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, PF_PathSegPrepPtr* preparation, A_long segment,
                         PF_FpLong distance, PF_FpLong* x, PF_FpLong* y);
PF_Err pathCleanupSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation);

// AegpCallbacks.cpp
A_Err registerWithAEGP(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id);
A_Err getNewEffectForEffect(AEGP_PluginID id, PF_ProgPtr ref, AEGP_EffectRefH* effect);
A_Err disposeEffect(AEGP_EffectRefH effect);
A_Err getNewEffectStreamByIndex(AEGP_PluginID id, AEGP_EffectRefH effect, PF_ParamIndex index,
                                AEGP_StreamRefH* stream);
A_Err disposeStream(AEGP_StreamRefH stream);
A_Err getNewStreamValue(AEGP_PluginID id, AEGP_StreamRefH stream, AEGP_LTimeMode, const A_Time* time, A_Boolean,
                        AEGP_StreamValue* value);
A_Err disposeStreamValue(AEGP_StreamValue* value);
A_Err getStreamNumKFs(AEGP_StreamRefH stream, A_long* count);
A_Err getKeyframeTime(AEGP_StreamRefH stream, AEGP_KeyframeIndex index, AEGP_LTimeMode, A_Time* time);

}  // namespace tilesweep::simhost::callbacks
