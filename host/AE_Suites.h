// The basic suite and the suite tables the plug-in acquires by name and version.
//
// A table's name ends in a digit that is not always the version to ask for:
// "PF Handle Suite" 2 is PF_HandleSuite1, "AEGP Utility Suite" 7 is
// AEGP_UtilitySuite3, "AEGP Stream Suite" 7 is AEGP_StreamSuite2. Slot order and
// table size are what the host lays out; slots the plug-in never calls are
// AE_UnusedSlot.
#pragma once

#include "AE_Effect.h"

// ---- Basic suite -------------------------------------------------------------------

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, A_long version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, A_long version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    AE_UnusedSlot AllocateBlock;
    AE_UnusedSlot FreeBlock;
    AE_UnusedSlot ReallocateBlock;
    AE_UnusedSlot Undefined;
};

// The name never carries the version: both go to AcquireSuite separately.
constexpr const char kSPBasicSuite[] = "SP Basic Suite";
constexpr A_long kSPBasicSuiteVersion = 4;

constexpr const char kPFHandleSuite[] = "PF Handle Suite";
constexpr A_long kPFHandleSuiteVersion1 = 2;
constexpr const char kPFANSISuite[] = "PF ANSI Suite";
constexpr A_long kPFANSISuiteVersion1 = 1;
constexpr const char kPFWorldSuite[] = "PF World Suite";
constexpr A_long kPFWorldSuiteVersion2 = 2;
constexpr const char kPFParamUtilsSuite[] = "PF Param Utils Suite";
constexpr A_long kPFParamUtilsSuiteVersion1 = 2;
constexpr const char kPFPathQuerySuite[] = "PF Path Query Suite";
constexpr A_long kPFPathQuerySuiteVersion1 = 1;
constexpr const char kPFPathDataSuite[] = "PF Path Data Suite";
constexpr A_long kPFPathDataSuiteVersion1 = 1;
constexpr const char kAEGPUtilitySuite[] = "AEGP Utility Suite";
constexpr A_long kAEGPUtilitySuiteVersion3 = 7;
constexpr const char kAEGPPFInterfaceSuite[] = "AEGP PF Interface Suite";
constexpr A_long kAEGPPFInterfaceSuiteVersion1 = 1;
constexpr const char kAEGPStreamSuite[] = "AEGP Stream Suite";
constexpr A_long kAEGPStreamSuiteVersion2 = 7;
constexpr const char kAEGPKeyframeSuite[] = "AEGP Keyframe Suite";
constexpr A_long kAEGPKeyframeSuiteVersion3 = 3;
constexpr const char kAEGPEffectSuite[] = "AEGP Effect Suite";
constexpr A_long kAEGPEffectSuiteVersion2 = 2;

// Versions only the 32-bit hosts have: "PF Handle Suite" 1 (same slots as
// PF_HandleSuite1, 32-bit sizes, which A_HandleSize follows) and
// "PF Param Utils Suite" 1 (PF_LegacyParamUtilsSuite1).
constexpr A_long kPFHandleSuiteVersionLegacy = 1;
constexpr A_long kPFParamUtilsSuiteVersionLegacy = 1;

// ---- PF suites -----------------------------------------------------------------------

struct PF_HandleSuite1 {
    PF_Handle (*host_new_handle)(A_HandleSize size);
    void* (*host_lock_handle)(PF_Handle pf_handle);  // null on failure
    void (*host_unlock_handle)(PF_Handle pf_handle);
    void (*host_dispose_handle)(PF_Handle pf_handle);
    A_HandleSize (*host_get_handle_size)(PF_Handle pf_handle);
    PF_Err (*host_resize_handle)(A_HandleSize new_sizeL, PF_Handle* handlePH);
};

// Unlike the block inside PF_UtilCallbacks, no trailing ansi_procs.
struct PF_ANSICallbacksSuite1 {
    A_FpLong (*atan)(A_FpLong);
    A_FpLong (*atan2)(A_FpLong y, A_FpLong x);
    A_FpLong (*ceil)(A_FpLong);
    A_FpLong (*cos)(A_FpLong);
    A_FpLong (*exp)(A_FpLong);
    A_FpLong (*fabs)(A_FpLong);
    A_FpLong (*floor)(A_FpLong);
    A_FpLong (*fmod)(A_FpLong x, A_FpLong y);
    A_FpLong (*hypot)(A_FpLong x, A_FpLong y);
    A_FpLong (*log)(A_FpLong);
    A_FpLong (*log10)(A_FpLong);
    A_FpLong (*pow)(A_FpLong x, A_FpLong y);
    A_FpLong (*sin)(A_FpLong);
    A_FpLong (*sqrt)(A_FpLong);
    A_FpLong (*tan)(A_FpLong);
    A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
    A_char* (*strcpy)(A_char* dst, const A_char* src);
    A_FpLong (*asin)(A_FpLong);
    A_FpLong (*acos)(A_FpLong);
};

struct PF_WorldSuite2 {
    PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long widthL, A_long heightL, PF_Boolean clear_pixB,
                          PF_PixelFormat pixel_format, PF_EffectWorld* worldP);
    PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP);
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* worldP, PF_PixelFormat* pixel_formatP);
};

// "PF Param Utils Suite" 2. Slots 1 and 2 keep version 1's arguments; this
// version ignores the index of PF_HasParamChangedObsolete and treats it as
// PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE. Version 3 is not a superset of this.
struct PF_ParamUtilsSuite1 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const PF_ParamDef* defP);
    PF_Err (*PF_GetCurrentStateObsolete)(PF_ProgPtr effect_ref, PF_State* stateP);
    PF_Err (*PF_HasParamChangedObsolete)(PF_ProgPtr effect_ref, const PF_State* stateP,
                                         PF_ParamIndex param_index, PF_Boolean* changedPB);
    AE_UnusedSlot PF_HaveInputsChangedOverTimeSpanObsolete;
    AE_UnusedSlot PF_IsIdenticalCheckout;
    AE_UnusedSlot PF_FindKeyframeTime;
    AE_UnusedSlot PF_GetKeyframeCount;
    AE_UnusedSlot PF_CheckoutKeyframe;
    AE_UnusedSlot PF_CheckinKeyframe;
    AE_UnusedSlot PF_KeyIndexToTime;
};

// "PF Param Utils Suite" 1 of the 32-bit hosts: no time-span slot, so everything
// from slot 3 on sits one place earlier than in version 2. Here the index of
// PF_HasParamChanged is honoured.
struct PF_LegacyParamUtilsSuite1 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                               const PF_ParamDef* defP);
    PF_Err (*PF_GetCurrentState)(PF_ProgPtr effect_ref, PF_State* stateP);
    PF_Err (*PF_HasParamChanged)(PF_ProgPtr effect_ref, const PF_State* stateP,
                                 PF_ParamIndex param_index, PF_Boolean* changedPB);
    AE_UnusedSlot PF_IsIdenticalCheckout;
    AE_UnusedSlot PF_FindKeyframeTime;
    AE_UnusedSlot PF_GetKeyframeCount;
    AE_UnusedSlot PF_CheckoutKeyframe;
    AE_UnusedSlot PF_CheckinKeyframe;
    AE_UnusedSlot PF_KeyIndexToTime;
};

struct PF_PathQuerySuite1 {
    AE_UnusedSlot PF_NumPaths;
    AE_UnusedSlot PF_PathInfo;
    PF_Err (*PF_CheckoutPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time,
                              A_long time_step, A_u_long time_scale, PF_PathOutlinePtr* pathPP);
    PF_Err (*PF_CheckinPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean changedB,
                             PF_PathOutlinePtr pathP);
};

// PF_PathEvalSegLength takes the preparation before the segment index; the
// other segment-length calls take the index first.
struct PF_PathDataSuite1 {
    AE_UnusedSlot PF_PathIsOpen;
    PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref0, PF_PathOutlinePtr pathP,
                                 A_long* num_segmentsPL);
    AE_UnusedSlot PF_PathVertexInfo;
    PF_Err (*PF_PathPrepareSegLength)(PF_ProgPtr effect_ref0, PF_PathOutlinePtr pathP,
                                      A_long which_segL, A_long frequencyL,
                                      PF_PathSegPrepPtr* lengthPrepPP);
    PF_Err (*PF_PathGetSegLength)(PF_ProgPtr effect_ref0, PF_PathOutlinePtr pathP,
                                  A_long which_segL, PF_PathSegPrepPtr* lengthPrepP0,
                                  PF_FpLong* lengthPF);
    PF_Err (*PF_PathEvalSegLength)(PF_ProgPtr effect_ref0, PF_PathOutlinePtr pathP,
                                   PF_PathSegPrepPtr* lengthPrepPP0, A_long which_segL,
                                   PF_FpLong lengthF, PF_FpLong* x, PF_FpLong* y);
    AE_UnusedSlot PF_PathEvalSegLengthDeriv1;
    PF_Err (*PF_PathCleanupSegLength)(PF_ProgPtr effect_ref0, PF_PathOutlinePtr pathP,
                                      A_long which_segL, PF_PathSegPrepPtr* lengthPrepPP);
    AE_UnusedSlot PF_PathIsInverted;
    AE_UnusedSlot PF_PathGetMaskMode;
    AE_UnusedSlot PF_PathGetName;
};

// ---- AEGP stream values --------------------------------------------------------------

// AEGP value records: 4-byte packing on the 32-bit hosts.
#if AE_HOST_LAYOUT_32
#pragma pack(push, 4)
#define AE_AEGP_VALUE_ALIGN
#else
#define AE_AEGP_VALUE_ALIGN alignas(8)
#endif

struct AEGP_TwoDVal {
    A_FpLong x;
    A_FpLong y;
};
struct AEGP_ThreeDVal {
    A_FpLong x;
    A_FpLong y;
    A_FpLong z;
};
struct AEGP_ColorVal {
    A_FpLong alpha;
    A_FpLong red;
    A_FpLong green;
    A_FpLong blue;
};
typedef A_FpLong AEGP_FourDVal[4];
typedef A_FpLong AEGP_OneDVal;
typedef A_long AEGP_LayerIDVal;
typedef A_long AEGP_MaskIDVal;
struct AEGP_ArbBlockOpaque;
typedef AEGP_ArbBlockOpaque** AEGP_ArbBlockVal;
struct AEGP_MarkerValOpaque;
typedef AEGP_MarkerValOpaque** AEGP_MarkerValH;
typedef AEGP_MarkerValOpaque* AEGP_MarkerValP;
struct AEGP_MaskOutlineOpaque;
typedef AEGP_MaskOutlineOpaque** AEGP_MaskOutlineValH;
struct AEGP_TextDocumentOpaque;
typedef AEGP_TextDocumentOpaque** AEGP_TextDocumentH;

union AEGP_StreamVal {
    AEGP_FourDVal four_d;
    AEGP_ThreeDVal three_d;
    AEGP_TwoDVal two_d;
    AEGP_OneDVal one_d;
    AEGP_ColorVal color;
    AEGP_ArbBlockVal arbH;
    AEGP_MarkerValH markerH;
    AEGP_LayerIDVal layer_id;
    AEGP_MaskIDVal mask_id;
    AEGP_MaskOutlineValH mask;
    AEGP_TextDocumentH text_documentH;
};

union AEGP_StreamVal2 {
    AEGP_FourDVal four_d;
    AEGP_ThreeDVal three_d;
    AEGP_TwoDVal two_d;
    AEGP_OneDVal one_d;
    AEGP_ColorVal color;
    AEGP_ArbBlockVal arbH;
    AEGP_MarkerValP markerP;
    AEGP_LayerIDVal layer_id;
    AEGP_MaskIDVal mask_id;
    AEGP_MaskOutlineValH mask;
    AEGP_TextDocumentH text_documentH;
};

// The value sits at 8 on the 64-bit hosts. The 32-bit hosts packed their AEGP records
// to 4 bytes on Windows (where doubles otherwise align to 8), so there the value
// follows the 4-byte handle at 4.
struct AEGP_StreamValue {
    AEGP_StreamRefH streamH;
    AE_AEGP_VALUE_ALIGN AEGP_StreamVal val;
};

struct AEGP_StreamValue2 {
    AEGP_StreamRefH streamH;
    AE_AEGP_VALUE_ALIGN AEGP_StreamVal2 val;
};

#if AE_HOST_LAYOUT_32
#pragma pack(pop)
#endif
#undef AE_AEGP_VALUE_ALIGN

// ---- AEGP suites ----------------------------------------------------------------------

// "AEGP Utility Suite" 7. AEGP_RegisterWithAEGP moves to slot 8 in versions
// 10-11 and 9 in 13.
struct AEGP_UtilitySuite3 {
    AE_UnusedSlot AEGP_ReportInfo;
    AE_UnusedSlot AEGP_GetDriverPluginInitFuncVersion;
    AE_UnusedSlot AEGP_GetDriverImplementationVersion;
    AE_UnusedSlot AEGP_StartQuietErrors;
    AE_UnusedSlot AEGP_EndQuietErrors;
    AE_UnusedSlot AEGP_StartUndoGroup;
    AE_UnusedSlot AEGP_EndUndoGroup;
    A_Err (*AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_nameZ,
                                   AEGP_PluginID* plugin_id);
    AE_UnusedSlot AEGP_GetMainHWND;
    AE_UnusedSlot AEGP_ShowHideAllFloaters;
    AE_UnusedSlot AEGP_PaintPalGetForeColor;
    AE_UnusedSlot AEGP_PaintPalGetBackColor;
    AE_UnusedSlot AEGP_PaintPalSetForeColor;
    AE_UnusedSlot AEGP_PaintPalSetBackColor;
    AE_UnusedSlot AEGP_CharPalGetFillColor;
    AE_UnusedSlot AEGP_CharPalGetStrokeColor;
    AE_UnusedSlot AEGP_CharPalSetFillColor;
    AE_UnusedSlot AEGP_CharPalSetStrokeColor;
    AE_UnusedSlot AEGP_CharPalIsFillColorUIFrontmost;
    AE_UnusedSlot AEGP_ConvertFpLongToHSFRatio;
    AE_UnusedSlot AEGP_ConvertHSFRatioToFpLong;
    AE_UnusedSlot AEGP_CauseIdleRoutinesToBeCalled;
    AE_UnusedSlot AEGP_GetSuppressInteractiveUI;
    AE_UnusedSlot AEGP_WriteToOSConsole;
    AE_UnusedSlot AEGP_WriteToDebugLog;
};

struct AEGP_PFInterfaceSuite1 {
    AE_UnusedSlot AEGP_GetEffectLayer;
    A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID aegp_plugin_id, PF_ProgPtr effect_pp_ref,
                                        AEGP_EffectRefH* effect_refPH);
    AE_UnusedSlot AEGP_ConvertEffectToCompTime;
    AE_UnusedSlot AEGP_GetEffectCamera;
    AE_UnusedSlot AEGP_GetEffectCameraMatrix;
};

// "AEGP Stream Suite" 7; version 4 has these functions one slot earlier.
struct AEGP_StreamSuite2 {
    AE_UnusedSlot AEGP_IsStreamLegal;
    AE_UnusedSlot AEGP_CanVaryOverTime;
    AE_UnusedSlot AEGP_GetValidInterpolations;
    AE_UnusedSlot AEGP_GetNewLayerStream;
    AE_UnusedSlot AEGP_GetEffectNumParamStreams;
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID aegp_plugin_id,
                                            AEGP_EffectRefH effect_refH,
                                            PF_ParamIndex param_index,
                                            AEGP_StreamRefH* streamPH);
    AE_UnusedSlot AEGP_GetNewMaskStream;
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH streamH);
    AE_UnusedSlot AEGP_GetStreamName;
    AE_UnusedSlot AEGP_GetStreamUnitsText;
    AE_UnusedSlot AEGP_GetStreamProperties;
    AE_UnusedSlot AEGP_IsStreamTimevarying;
    AE_UnusedSlot AEGP_GetStreamType;
    A_Err (*AEGP_GetNewStreamValue)(AEGP_PluginID aegp_plugin_id, AEGP_StreamRefH streamH,
                                    AEGP_LTimeMode time_mode, const A_Time* timePT,
                                    A_Boolean pre_expressionB, AEGP_StreamValue* valueP);
    A_Err (*AEGP_DisposeStreamValue)(AEGP_StreamValue* valueP);
    AE_UnusedSlot AEGP_SetStreamValue;
    AE_UnusedSlot AEGP_GetLayerStreamValue;
    AE_UnusedSlot AEGP_GetExpressionState;
    AE_UnusedSlot AEGP_SetExpressionState;
    AE_UnusedSlot AEGP_GetExpression;
    AE_UnusedSlot AEGP_SetExpression;
    AE_UnusedSlot AEGP_DuplicateStreamRef;
};

struct AEGP_KeyframeSuite3 {
    A_Err (*AEGP_GetStreamNumKFs)(AEGP_StreamRefH streamH, A_long* num_kfsPL);
    A_Err (*AEGP_GetKeyframeTime)(AEGP_StreamRefH streamH, AEGP_KeyframeIndex key_index,
                                  AEGP_LTimeMode time_mode, A_Time* timePT);
    AE_UnusedSlot AEGP_InsertKeyframe;
    AE_UnusedSlot AEGP_DeleteKeyframe;
    AE_UnusedSlot AEGP_GetNewKeyframeValue;
    AE_UnusedSlot AEGP_SetKeyframeValue;
    AE_UnusedSlot AEGP_GetStreamValueDimensionality;
    AE_UnusedSlot AEGP_GetStreamTemporalDimensionality;
    AE_UnusedSlot AEGP_GetNewKeyframeSpatialTangents;
    AE_UnusedSlot AEGP_SetKeyframeSpatialTangents;
    AE_UnusedSlot AEGP_GetKeyframeTemporalEase;
    AE_UnusedSlot AEGP_SetKeyframeTemporalEase;
    AE_UnusedSlot AEGP_GetKeyframeFlags;
    AE_UnusedSlot AEGP_SetKeyframeFlag;
    AE_UnusedSlot AEGP_GetKeyframeInterpolation;
    AE_UnusedSlot AEGP_SetKeyframeInterpolation;
    AE_UnusedSlot AEGP_StartAddKeyframes;
    AE_UnusedSlot AEGP_AddKeyframes;
    AE_UnusedSlot AEGP_SetAddKeyframe;
    AE_UnusedSlot AEGP_EndAddKeyframes;
};

struct AEGP_EffectSuite2 {
    AE_UnusedSlot AEGP_GetLayerNumEffects;
    AE_UnusedSlot AEGP_GetLayerEffectByIndex;
    AE_UnusedSlot AEGP_GetInstalledKeyFromLayerEffect;
    AE_UnusedSlot AEGP_GetEffectParamUnionByIndex;
    AE_UnusedSlot AEGP_GetEffectFlags;
    AE_UnusedSlot AEGP_SetEffectFlags;
    AE_UnusedSlot AEGP_ReorderEffect;
    AE_UnusedSlot AEGP_EffectCallGeneric;
    A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effect_refH);
    AE_UnusedSlot AEGP_ApplyEffect;
    AE_UnusedSlot AEGP_DeleteLayerEffect;
    AE_UnusedSlot AEGP_GetNumInstalledEffects;
    AE_UnusedSlot AEGP_GetNextInstalledEffect;
    AE_UnusedSlot AEGP_GetEffectName;
    AE_UnusedSlot AEGP_GetEffectMatchName;
    AE_UnusedSlot AEGP_GetEffectCategory;
    AE_UnusedSlot AEGP_DuplicateEffect;
};

