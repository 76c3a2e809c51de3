// Scalar types, small records and constants of the After Effects effect API, under
// the host's names. Fixed-width types throughout: `long` is 4 bytes on Windows x64
// and 8 on Linux x86-64, and the host's records use 32-bit integers on both.
#pragma once

#include <cstdint>

#include "AE_Target.h"

// ---- Scalars ---------------------------------------------------------------

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef int32_t A_Err;
typedef uint64_t A_u_longlong;
typedef intptr_t A_intptr_t;
typedef void** A_Handle;

// Handle sizes went from 32 to 64 bits after the last 32-bit host.
#if AE_HOST_LAYOUT_32
typedef A_u_long A_HandleSize;
#else
typedef A_u_longlong A_HandleSize;
#endif

typedef int32_t PF_Fixed;  // 16.16
typedef uint32_t PF_UFixed;
#if AE_HOST_WINDOWS
typedef char PF_Boolean;
#else
typedef unsigned char PF_Boolean;
#endif
typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int32_t PF_ParamValue;
typedef int32_t PF_ChangeFlags;
typedef int16_t PF_ValueDisplayFlags;
typedef uint32_t PF_FSliderFlags;
typedef uint32_t PF_PathID;
typedef int32_t PF_PixelFormat;
typedef int32_t PF_Quality;
typedef int32_t PF_ModeFlags;
typedef int32_t PF_Field;
typedef int32_t PF_OutFlags;
typedef int32_t PF_OutFlags2;
typedef int32_t PF_InFlags;
typedef int32_t PF_WorldFlags;
typedef int32_t PF_NewWorldFlags;
typedef int32_t PF_TransferMode;
typedef int32_t PF_XferMode;
typedef int32_t PF_MaskFlags;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef int32_t PF_KeyIndex;
typedef int16_t PF_RenderOutputFlags;
typedef int32_t PF_ChannelMask;
typedef int32_t PF_Stage;
typedef int32_t PF_GPU_Framework;
typedef int16_t PF_SoundChannels;
typedef int16_t PF_SoundFormat;
typedef int16_t PF_SoundSampleSize;

typedef void** PF_Handle;
typedef void** PF_ArbitraryH;

// Opaque host records, reached only through pointers.
struct PF_ProgressInfo;
typedef PF_ProgressInfo* PF_ProgPtr;
struct PF_PathOutline;
typedef PF_PathOutline* PF_PathOutlinePtr;
struct PF_PathSegPrep;
typedef PF_PathSegPrep* PF_PathSegPrepPtr;

typedef int32_t SPErr;
#if AE_HOST_WINDOWS
typedef int32_t SPBoolean;
#else
typedef uint8_t SPBoolean;
#endif

typedef int32_t AEGP_PluginID;
typedef int16_t AEGP_LTimeMode;
typedef int32_t AEGP_KeyframeIndex;
typedef int32_t AEGP_StreamType;
typedef void* AEGP_GlobalRefcon;
struct AEGP_EffectRefOpaque;
typedef AEGP_EffectRefOpaque** AEGP_EffectRefH;
struct AEGP_StreamRefOpaque;
typedef AEGP_StreamRefOpaque** AEGP_StreamRefH;
struct AEGP_LayerOpaque;
typedef AEGP_LayerOpaque** AEGP_LayerH;
typedef void** AEGP_MemHandle;

// Table slots the plug-in never calls: they are kept only for their size and place.
typedef void (*AE_UnusedSlot)(void);

// ---- Small records -----------------------------------------------------------

#if AE_HOST_LAYOUT_32
#pragma pack(push, 2)
#endif

struct A_Time {
    A_long value;
    A_u_long scale;
};

struct A_Ratio {
    A_long num;
    A_u_long den;
};

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

// 32-bit rectangle of the smart render records, the same on every host.
struct PF_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
};

// The 32-bit hosts' rectangle and point: 16-bit, in a different order.
struct PF_LegacyRect {
    A_short top;
    A_short left;
    A_short bottom;
    A_short right;
};

struct PF_LegacyPoint {
    A_short v;
    A_short h;
};

#if AE_HOST_LAYOUT_32
typedef PF_LegacyRect PF_Rect;
typedef PF_LegacyPoint PF_Point;
#else
typedef PF_LRect PF_Rect;
struct PF_Point {
    A_long h;
    A_long v;
};
#endif
typedef PF_Rect PF_UnionableRect;

// Channels are alpha, red, green, blue in memory at every depth.
struct PF_Pixel {
    A_u_char alpha;
    A_u_char red;
    A_u_char green;
    A_u_char blue;
};
typedef PF_Pixel PF_Pixel8;
typedef PF_Pixel PF_UnionablePixel;
typedef PF_Pixel* PF_PixelPtr;

struct PF_Pixel16 {
    A_u_short alpha;
    A_u_short red;
    A_u_short green;
    A_u_short blue;
};

struct PF_PixelFloat {
    PF_FpShort alpha;
    PF_FpShort red;
    PF_FpShort green;
    PF_FpShort blue;
};
typedef PF_PixelFloat PF_Pixel32;

// Opaque snapshot of the parameter state.
struct PF_State {
    A_long reservedAL[4];
};

#if AE_HOST_LAYOUT_32
#pragma pack(pop)
#endif

// ---- Commands ------------------------------------------------------------------

constexpr PF_Cmd PF_Cmd_ABOUT = 0;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETUP = 1;
constexpr PF_Cmd PF_Cmd_UNUSED_0 = 2;
constexpr PF_Cmd PF_Cmd_GLOBAL_SETDOWN = 3;
constexpr PF_Cmd PF_Cmd_PARAMS_SETUP = 4;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETUP = 5;
constexpr PF_Cmd PF_Cmd_SEQUENCE_RESETUP = 6;
constexpr PF_Cmd PF_Cmd_SEQUENCE_FLATTEN = 7;
constexpr PF_Cmd PF_Cmd_SEQUENCE_SETDOWN = 8;
constexpr PF_Cmd PF_Cmd_DO_DIALOG = 9;
constexpr PF_Cmd PF_Cmd_FRAME_SETUP = 10;
constexpr PF_Cmd PF_Cmd_RENDER = 11;
constexpr PF_Cmd PF_Cmd_FRAME_SETDOWN = 12;
constexpr PF_Cmd PF_Cmd_USER_CHANGED_PARAM = 13;
constexpr PF_Cmd PF_Cmd_UPDATE_PARAMS_UI = 14;
constexpr PF_Cmd PF_Cmd_EVENT = 15;
constexpr PF_Cmd PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16;
constexpr PF_Cmd PF_Cmd_COMPLETELY_GENERAL = 17;
constexpr PF_Cmd PF_Cmd_QUERY_DYNAMIC_FLAGS = 18;
constexpr PF_Cmd PF_Cmd_AUDIO_RENDER = 19;
constexpr PF_Cmd PF_Cmd_AUDIO_SETUP = 20;
constexpr PF_Cmd PF_Cmd_AUDIO_SETDOWN = 21;
constexpr PF_Cmd PF_Cmd_ARBITRARY_CALLBACK = 22;
constexpr PF_Cmd PF_Cmd_SMART_PRE_RENDER = 23;
constexpr PF_Cmd PF_Cmd_SMART_RENDER = 24;
constexpr PF_Cmd PF_Cmd_RESERVED1 = 25;
constexpr PF_Cmd PF_Cmd_RESERVED2 = 26;
constexpr PF_Cmd PF_Cmd_RESERVED3 = 27;
constexpr PF_Cmd PF_Cmd_GET_FLATTENED_SEQUENCE_DATA = 28;
constexpr PF_Cmd PF_Cmd_TRANSLATE_PARAMS_TO_PREFS = 29;
constexpr PF_Cmd PF_Cmd_RESERVED4 = 30;
constexpr PF_Cmd PF_Cmd_SMART_RENDER_GPU = 31;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETUP = 32;
constexpr PF_Cmd PF_Cmd_GPU_DEVICE_SETDOWN = 33;
constexpr PF_Cmd PF_Cmd_NUM_CMDS = 34;

// ---- Errors --------------------------------------------------------------------

constexpr PF_Err PF_FIRST_ERR = 512;
constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = PF_FIRST_ERR;
constexpr PF_Err PF_Err_INVALID_INDEX = PF_FIRST_ERR + 1;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = PF_FIRST_ERR + 2;
constexpr PF_Err PF_Err_INVALID_CALLBACK = PF_FIRST_ERR + 3;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = PF_FIRST_ERR + 4;
constexpr PF_Err PF_Interrupt_CANCEL = PF_FIRST_ERR + 5;
constexpr PF_Err PF_Err_CANNOT_PARSE_KEYFRAME_TEXT = PF_FIRST_ERR + 6;

constexpr A_Err A_Err_NONE = 0;
constexpr A_Err A_Err_GENERIC = 1;
constexpr A_Err A_Err_STRUCT = 2;
constexpr A_Err A_Err_PARAMETER = 3;
constexpr A_Err A_Err_ALLOC = 4;
constexpr A_Err A_Err_MISSING_SUITE = 13;

constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPSuiteNotFoundError = 0x53214664;  // 'S!Fd'

// ---- Output flags --------------------------------------------------------------

constexpr PF_OutFlags PF_OutFlag_NONE = 0;
constexpr PF_OutFlags PF_OutFlag_KEEP_RESOURCE_OPEN = 1 << 0;
constexpr PF_OutFlags PF_OutFlag_WIDE_TIME_INPUT = 1 << 1;
constexpr PF_OutFlags PF_OutFlag_NON_PARAM_VARY = 1 << 2;
constexpr PF_OutFlags PF_OutFlag_RESERVED6 = 1 << 3;
constexpr PF_OutFlags PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4;
constexpr PF_OutFlags PF_OutFlag_I_DO_DIALOG = 1 << 5;
constexpr PF_OutFlags PF_OutFlag_USE_OUTPUT_EXTENT = 1 << 6;
constexpr PF_OutFlags PF_OutFlag_SEND_DO_DIALOG = 1 << 7;
constexpr PF_OutFlags PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8;
constexpr PF_OutFlags PF_OutFlag_I_EXPAND_BUFFER = 1 << 9;
constexpr PF_OutFlags PF_OutFlag_PIX_INDEPENDENT = 1 << 10;
constexpr PF_OutFlags PF_OutFlag_I_WRITE_INPUT_BUFFER = 1 << 11;
constexpr PF_OutFlags PF_OutFlag_I_SHRINK_BUFFER = 1 << 12;
constexpr PF_OutFlags PF_OutFlag_WORKS_IN_PLACE = 1 << 13;
constexpr PF_OutFlags PF_OutFlag_RESERVED8 = 1 << 14;
constexpr PF_OutFlags PF_OutFlag_CUSTOM_UI = 1 << 15;
constexpr PF_OutFlags PF_OutFlag_RESERVED7 = 1 << 16;
constexpr PF_OutFlags PF_OutFlag_REFRESH_UI = 1 << 17;
constexpr PF_OutFlags PF_OutFlag_NOP_RENDER = 1 << 18;
constexpr PF_OutFlags PF_OutFlag_I_USE_SHUTTER_ANGLE = 1 << 19;
constexpr PF_OutFlags PF_OutFlag_I_USE_AUDIO = 1 << 20;
constexpr PF_OutFlags PF_OutFlag_I_AM_OBSOLETE = 1 << 21;
constexpr PF_OutFlags PF_OutFlag_FORCE_RERENDER = 1 << 22;
constexpr PF_OutFlags PF_OutFlag_PiPL_OVERRIDES_OUTDATA_OUTFLAGS = 1 << 23;
constexpr PF_OutFlags PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 1 << 24;
constexpr PF_OutFlags PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25;
constexpr PF_OutFlags PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26;
constexpr PF_OutFlags PF_OutFlag_AUDIO_FLOAT_ONLY = 1 << 27;
constexpr PF_OutFlags PF_OutFlag_AUDIO_IIR = 1 << 28;
constexpr PF_OutFlags PF_OutFlag_I_SYNTHESIZE_AUDIO = 1 << 29;
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_TOO = 1 << 30;
// Bit 31: the host's value changes sign with the width of `long`; the stored
// 32-bit pattern is 0x80000000 everywhere.
constexpr PF_OutFlags PF_OutFlag_AUDIO_EFFECT_ONLY = INT32_MIN;

constexpr PF_OutFlags2 PF_OutFlag2_NONE = 0;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS = 1 << 0;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_3D_LIGHTS = 1 << 2;
constexpr PF_OutFlags2 PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG = 1 << 3;
constexpr PF_OutFlags2 PF_OutFlag2_I_AM_THREADSAFE = 1 << 4;
constexpr PF_OutFlags2 PF_OutFlag2_CAN_COMBINE_WITH_DESTINATION = 1 << 5;
constexpr PF_OutFlags2 PF_OutFlag2_DOESNT_NEED_EMPTY_PIXELS = 1 << 6;
constexpr PF_OutFlags2 PF_OutFlag2_REVEALS_ZERO_ALPHA = 1 << 7;
constexpr PF_OutFlags2 PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS = 1 << 8;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED9 = 1 << 11;
constexpr PF_OutFlags2 PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_COLORSPACE_ENUMERATION = 1 << 13;
constexpr PF_OutFlags2 PF_OutFlag2_I_AM_DEPRECATED = 1 << 14;
constexpr PF_OutFlags2 PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER = 1 << 15;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED10 = 1 << 16;
constexpr PF_OutFlags2 PF_OutFlag2_AUTOMATIC_WIDE_TIME_INPUT = 1 << 17;
constexpr PF_OutFlags2 PF_OutFlag2_I_USE_TIMECODE = 1 << 18;
constexpr PF_OutFlags2 PF_OutFlag2_DEPENDS_ON_UNREFERENCED_MASKS = 1 << 19;
constexpr PF_OutFlags2 PF_OutFlag2_OUTPUT_IS_WATERMARKED = 1 << 20;
constexpr PF_OutFlags2 PF_OutFlag2_I_MIX_GUID_DEPENDENCIES = 1 << 21;
constexpr PF_OutFlags2 PF_OutFlag2_AE13_5_THREADSAFE = 1 << 22;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA = 1 << 23;
constexpr PF_OutFlags2 PF_OutFlag2_CUSTOM_UI_ASYNC_MANAGER = 1 << 24;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_GPU_RENDER_F32 = 1 << 25;
constexpr PF_OutFlags2 PF_OutFlag2_RESERVED12 = 1 << 26;
constexpr PF_OutFlags2 PF_OutFlag2_SUPPORTS_THREADED_RENDERING = 1 << 27;
constexpr PF_OutFlags2 PF_OutFlag2_MUTABLE_RENDER_SEQUENCE_DATA_SLOWER = 1 << 28;

constexpr PF_InFlags PF_InFlag_NONE = 0;
constexpr PF_InFlags PF_InFlag_PROJECT_IS_RENDER_ONLY = 1;

// ---- Parameters ----------------------------------------------------------------

constexpr PF_ParamType PF_Param_RESERVED = -1;
constexpr PF_ParamType PF_Param_LAYER = 0;
constexpr PF_ParamType PF_Param_SLIDER = 1;
constexpr PF_ParamType PF_Param_FIX_SLIDER = 2;
constexpr PF_ParamType PF_Param_ANGLE = 3;
constexpr PF_ParamType PF_Param_CHECKBOX = 4;
constexpr PF_ParamType PF_Param_COLOR = 5;
constexpr PF_ParamType PF_Param_POINT = 6;
constexpr PF_ParamType PF_Param_POPUP = 7;
constexpr PF_ParamType PF_Param_CUSTOM = 8;
constexpr PF_ParamType PF_Param_NO_DATA = 9;
constexpr PF_ParamType PF_Param_FLOAT_SLIDER = 10;
constexpr PF_ParamType PF_Param_ARBITRARY_DATA = 11;
constexpr PF_ParamType PF_Param_PATH = 12;
constexpr PF_ParamType PF_Param_GROUP_START = 13;
constexpr PF_ParamType PF_Param_GROUP_END = 14;
constexpr PF_ParamType PF_Param_BUTTON = 15;
constexpr PF_ParamType PF_Param_RESERVED2 = 16;
constexpr PF_ParamType PF_Param_RESERVED3 = 17;
constexpr PF_ParamType PF_Param_POINT_3D = 18;

constexpr PF_ParamFlags PF_ParamFlag_RESERVED1 = 1 << 0;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1;
constexpr PF_ParamFlags PF_ParamFlag_CANNOT_INTERP = 1 << 2;
constexpr PF_ParamFlags PF_ParamFlag_RESERVED2 = 1 << 3;
constexpr PF_ParamFlags PF_ParamFlag_RESERVED3 = 1 << 4;
constexpr PF_ParamFlags PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5;
constexpr PF_ParamFlags PF_ParamFlag_START_COLLAPSED = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags PF_ParamFlag_SUPERVISE = 1 << 6;
constexpr PF_ParamFlags PF_ParamFlag_LAYER_PARAM_IS_TRACKMATTE = 1 << 7;
constexpr PF_ParamFlags PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS = 1 << 7;
constexpr PF_ParamFlags PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED = 1 << 8;
constexpr PF_ParamFlags PF_ParamFlag_SKIP_REVEAL_WHEN_UNHIDDEN = 1 << 9;

constexpr PF_ParamUIFlags PF_PUI_NONE = 0;
constexpr PF_ParamUIFlags PF_PUI_TOPIC = 1 << 0;
constexpr PF_ParamUIFlags PF_PUI_CONTROL = 1 << 1;
constexpr PF_ParamUIFlags PF_PUI_STD_CONTROL_ONLY = 1 << 2;
constexpr PF_ParamUIFlags PF_PUI_NO_ECW_UI = 1 << 3;
constexpr PF_ParamUIFlags PF_PUI_ECW_SEPARATOR = 1 << 4;
constexpr PF_ParamUIFlags PF_PUI_DISABLED = 1 << 5;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_TOPIC = 1 << 6;
constexpr PF_ParamUIFlags PF_PUI_DONT_ERASE_CONTROL = 1 << 7;
constexpr PF_ParamUIFlags PF_PUI_RADIO_BUTTON = 1 << 8;
constexpr PF_ParamUIFlags PF_PUI_INVISIBLE = 1 << 9;

constexpr PF_ChangeFlags PF_ChangeFlag_NONE = 0;
constexpr PF_ChangeFlags PF_ChangeFlag_CHANGED_VALUE = 1 << 0;
constexpr PF_ChangeFlags PF_ChangeFlag_RESERVED = 1 << 1;
constexpr PF_ChangeFlags PF_ChangeFlag_SET_TO_VARY = 1 << 2;
constexpr PF_ChangeFlags PF_ChangeFlag_SET_TO_CONSTANT = 1 << 3;

constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_NONE = 0;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PERCENT = 1 << 0;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_PIXEL = 1 << 1;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_RESERVED1 = 1 << 2;
constexpr PF_ValueDisplayFlags PF_ValueDisplayFlag_REVERSE = 1 << 3;

// -3 and -4 are distinct sentinels: -3 skips layer parameters, -4 skips those
// flagged PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED.
constexpr PF_ParamIndex PF_ParamIndex_NONE = -1;
constexpr PF_ParamIndex PF_ParamIndex_CHECK_ALL = -2;
constexpr PF_ParamIndex PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS = -3;
constexpr PF_ParamIndex PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE = -4;
constexpr PF_KeyIndex PF_KeyIndex_NONE = -1;

constexpr A_long PF_LayerDefault_MYSELF = -1;
constexpr A_long PF_LayerDefault_NONE = 0;
constexpr PF_PathID PF_PathID_NONE = 0;

constexpr A_long PF_MaskMode_NONE = 0;
constexpr A_long PF_MaskMode_ADD = 1;
constexpr A_long PF_MaskMode_SUBTRACT = 2;
constexpr A_long PF_MaskMode_INTERSECT = 3;
constexpr A_long PF_MaskMode_LIGHTEN = 4;
constexpr A_long PF_MaskMode_DARKEN = 5;
constexpr A_long PF_MaskMode_DIFFERENCE = 6;
constexpr A_long PF_MaskMode_ACCUM = 7;

// ---- Transfer modes ------------------------------------------------------------

constexpr PF_TransferMode PF_Xfer_NONE = -1;
constexpr PF_TransferMode PF_Xfer_COPY = 0;
constexpr PF_TransferMode PF_Xfer_BEHIND = 1;
constexpr PF_TransferMode PF_Xfer_IN_FRONT = 2;
constexpr PF_TransferMode PF_Xfer_DISSOLVE = 3;
constexpr PF_TransferMode PF_Xfer_ADD = 4;
constexpr PF_TransferMode PF_Xfer_MULTIPLY = 5;
constexpr PF_TransferMode PF_Xfer_SCREEN = 6;
constexpr PF_TransferMode PF_Xfer_OVERLAY = 7;
constexpr PF_TransferMode PF_Xfer_SOFT_LIGHT = 8;
constexpr PF_TransferMode PF_Xfer_HARD_LIGHT = 9;
constexpr PF_TransferMode PF_Xfer_DARKEN = 10;
constexpr PF_TransferMode PF_Xfer_LIGHTEN = 11;
constexpr PF_TransferMode PF_Xfer_DIFFERENCE = 12;
constexpr PF_TransferMode PF_Xfer_HUE = 13;
constexpr PF_TransferMode PF_Xfer_SATURATION = 14;
constexpr PF_TransferMode PF_Xfer_COLOR = 15;
constexpr PF_TransferMode PF_Xfer_LUMINOSITY = 16;
constexpr PF_TransferMode PF_Xfer_MULTIPLY_ALPHA = 17;
constexpr PF_TransferMode PF_Xfer_MULTIPLY_ALPHA_LUMA = 18;
constexpr PF_TransferMode PF_Xfer_MULTIPLY_NOT_ALPHA = 19;
constexpr PF_TransferMode PF_Xfer_MULTIPLY_NOT_ALPHA_LUMA = 20;
constexpr PF_TransferMode PF_Xfer_ADDITIVE_PREMUL = 21;
constexpr PF_TransferMode PF_Xfer_ALPHA_ADD = 22;
constexpr PF_TransferMode PF_Xfer_COLOR_DODGE = 23;
constexpr PF_TransferMode PF_Xfer_COLOR_BURN = 24;
constexpr PF_TransferMode PF_Xfer_EXCLUSION = 25;
constexpr PF_TransferMode PF_Xfer_DIFFERENCE2 = 26;
constexpr PF_TransferMode PF_Xfer_COLOR_DODGE2 = 27;
constexpr PF_TransferMode PF_Xfer_COLOR_BURN2 = 28;
constexpr PF_TransferMode PF_Xfer_LINEAR_DODGE = 29;
constexpr PF_TransferMode PF_Xfer_TINT = 29;
constexpr PF_TransferMode PF_Xfer_LINEAR_BURN = 30;
constexpr PF_TransferMode PF_Xfer_SHADE = 30;
constexpr PF_TransferMode PF_Xfer_LINEAR_LIGHT = 31;
constexpr PF_TransferMode PF_Xfer_INTENSE_LIGHT = 32;
constexpr PF_TransferMode PF_Xfer_VIVID_LIGHT = 32;
constexpr PF_TransferMode PF_Xfer_PIN_LIGHT = 33;
constexpr PF_TransferMode PF_Xfer_HARD_MIX = 34;
constexpr PF_TransferMode PF_Xfer_LIGHTER_COLOR = 35;
constexpr PF_TransferMode PF_Xfer_DARKER_COLOR = 36;
constexpr PF_TransferMode PF_Xfer_SUBTRACT = 37;
constexpr PF_TransferMode PF_Xfer_DIVIDE = 38;
constexpr PF_TransferMode PF_Xfer_RESERVED0 = 39;
constexpr PF_TransferMode PF_Xfer_RESERVED1 = 40;
constexpr PF_TransferMode PF_Xfer_NUM_MODES = 41;

// ---- Quality, modes, fields, worlds ------------------------------------------------

constexpr PF_Quality PF_Quality_DRAWING_AUDIO = -1;
constexpr PF_Quality PF_Quality_LO = 0;
constexpr PF_Quality PF_Quality_HI = 1;

constexpr PF_ModeFlags PF_MF_Alpha_PREMUL = 0;
constexpr PF_ModeFlags PF_MF_Alpha_STRAIGHT = 1;

constexpr PF_Field PF_Field_FRAME = 0;
constexpr PF_Field PF_Field_UPPER = 1;
constexpr PF_Field PF_Field_LOWER = 2;

constexpr PF_WorldFlags PF_WorldFlag_DEEP = 1 << 0;
constexpr PF_WorldFlags PF_WorldFlag_WRITEABLE = 1 << 1;
constexpr PF_WorldFlags PF_WorldFlag_RESERVED = INT32_MIN;  // bit 31, see AUDIO_EFFECT_ONLY

constexpr PF_NewWorldFlags PF_NewWorldFlag_NONE = 0;
constexpr PF_NewWorldFlags PF_NewWorldFlag_CLEAR_PIXELS = 1 << 0;
constexpr PF_NewWorldFlags PF_NewWorldFlag_DEEP_PIXELS = 1 << 1;
constexpr PF_NewWorldFlags PF_NewWorldFlag_RESERVED0 = 1 << 2;
constexpr PF_NewWorldFlags PF_NewWorldFlag_RESERVED1 = 1 << 3;

// Four characters packed first-character-lowest, so the bytes in memory spell
// the code.
constexpr PF_PixelFormat PF_PixelFormat_ARGB32 = 0x62677261;    // "argb"
constexpr PF_PixelFormat PF_PixelFormat_ARGB64 = 0x36316561;    // "ae16"
constexpr PF_PixelFormat PF_PixelFormat_ARGB128 = 0x32336561;   // "ae32"
constexpr PF_PixelFormat PF_PixelFormat_GPU_BGRA128 = 0x41444340;
constexpr PF_PixelFormat PF_PixelFormat_RESERVED = 0x61444340;
constexpr PF_PixelFormat PF_PixelFormat_BGRA32 = 0x61726762;    // "bgra"
constexpr PF_PixelFormat PF_PixelFormat_VUYA32 = 0x61797576;    // "vuya"
constexpr PF_PixelFormat PF_PixelFormat_NTSCDV25 = 0x326E7664;
constexpr PF_PixelFormat PF_PixelFormat_PALDV25 = 0x32707664;
constexpr PF_PixelFormat PF_PixelFormat_INVALID = 0x66646162;   // "badf"
constexpr PF_PixelFormat PF_PixelFormat_FORCE_LONG_INT = -1;    // 0xFFFFFFFF

constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1 << 0;
constexpr PF_RenderOutputFlags PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 1 << 1;
constexpr PF_RenderOutputFlags PF_RenderOutputFlag_RESERVED1 = 1 << 2;

constexpr PF_ChannelMask PF_ChannelMask_ALPHA = 1 << 0;
constexpr PF_ChannelMask PF_ChannelMask_RED = 1 << 1;
constexpr PF_ChannelMask PF_ChannelMask_GREEN = 1 << 2;
constexpr PF_ChannelMask PF_ChannelMask_BLUE = 1 << 3;
constexpr PF_ChannelMask PF_ChannelMask_ARGB = 15;

// ---- Versions and limits -----------------------------------------------------------

constexpr PF_Stage PF_Stage_DEVELOP = 0;
constexpr PF_Stage PF_Stage_ALPHA = 1;
constexpr PF_Stage PF_Stage_BETA = 2;
constexpr PF_Stage PF_Stage_RELEASE = 3;

constexpr A_u_long PF_Vers_BUILD_BITS = 0x1ff;
constexpr A_u_long PF_Vers_BUILD_SHIFT = 0;
constexpr A_u_long PF_Vers_STAGE_BITS = 0x3;
constexpr A_u_long PF_Vers_STAGE_SHIFT = 9;
constexpr A_u_long PF_Vers_BUGFIX_BITS = 0xf;
constexpr A_u_long PF_Vers_BUGFIX_SHIFT = 11;
constexpr A_u_long PF_Vers_SUBVERS_BITS = 0xf;
constexpr A_u_long PF_Vers_SUBVERS_SHIFT = 15;
constexpr A_u_long PF_Vers_VERS_BITS = 0x7;
constexpr A_u_long PF_Vers_VERS_SHIFT = 19;
constexpr A_u_long PF_Vers_VERS_HIGH_BITS = 0xf;
constexpr A_u_long PF_Vers_VERS_HIGH_SHIFT = 26;
constexpr A_u_long PF_Vers_VERS_LOW_SHIFT = 3;

// The version word of my_version and of the resource's effect version. The major
// version is split: its low 3 bits sit at 19-21, the rest at 26-29.
constexpr A_u_long PF_VERSION(A_u_long vers, A_u_long subvers, A_u_long bugfix, A_u_long stage,
                              A_u_long build) {
    return (((vers >> PF_Vers_VERS_LOW_SHIFT) & PF_Vers_VERS_HIGH_BITS) << PF_Vers_VERS_HIGH_SHIFT) |
           ((vers & PF_Vers_VERS_BITS) << PF_Vers_VERS_SHIFT) |
           ((subvers & PF_Vers_SUBVERS_BITS) << PF_Vers_SUBVERS_SHIFT) |
           ((bugfix & PF_Vers_BUGFIX_BITS) << PF_Vers_BUGFIX_SHIFT) |
           ((stage & PF_Vers_STAGE_BITS) << PF_Vers_STAGE_SHIFT) |
           ((build & PF_Vers_BUILD_BITS) << PF_Vers_BUILD_SHIFT);
}

constexpr A_long PF_MAX_EFFECT_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_CATEGORY_NAME_LEN = 31;
constexpr A_long PF_MAX_EFFECT_PARAM_NAME_LEN = 31;
constexpr A_long PF_MAX_PARAM_DESCRIPTION_LEN = 31;
constexpr A_long PF_MAX_PARAM_VALUE_LEN = 31;
constexpr A_long PF_MAX_EFFECT_MSG_LEN = 255;
constexpr A_long PF_MAX_PATH_NAME_LEN = 31;
constexpr A_long PF_MAX_WORLD_WIDTH = 30000;
constexpr A_long PF_MAX_WORLD_HEIGHT = 30000;
constexpr A_long PF_MAX_CHAN8 = 255;
constexpr A_long PF_HALF_CHAN8 = 128;
constexpr A_long PF_MAX_CHAN16 = 32768;  // not 65535
constexpr A_long PF_HALF_CHAN16 = 16384;

constexpr A_long PF_PLUG_IN_VERSION = 13;
constexpr A_long PF_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE_PLUG_IN_SUBVERS = 28;
constexpr A_long PF_AE100_PLUG_IN_VERSION = 13;
constexpr A_long PF_AE100_PLUG_IN_SUBVERS = 0;
constexpr A_long PF_AE90_PLUG_IN_VERSION = 12;
constexpr A_long PF_AE90_PLUG_IN_SUBVERS = 14;
constexpr A_long PF_AE65_PLUG_IN_VERSION = 12;
constexpr A_long PF_AE65_PLUG_IN_SUBVERS = 11;

// ---- AEGP --------------------------------------------------------------------------

constexpr AEGP_LTimeMode AEGP_LTimeMode_LayerTime = 0;
constexpr AEGP_LTimeMode AEGP_LTimeMode_CompTime = 1;

constexpr AEGP_StreamType AEGP_StreamType_NO_DATA = 0;
constexpr AEGP_StreamType AEGP_StreamType_ThreeD_SPATIAL = 1;
constexpr AEGP_StreamType AEGP_StreamType_ThreeD = 2;
constexpr AEGP_StreamType AEGP_StreamType_TwoD_SPATIAL = 3;
constexpr AEGP_StreamType AEGP_StreamType_TwoD = 4;
constexpr AEGP_StreamType AEGP_StreamType_OneD = 5;
constexpr AEGP_StreamType AEGP_StreamType_COLOR = 6;
constexpr AEGP_StreamType AEGP_StreamType_ARB = 7;
constexpr AEGP_StreamType AEGP_StreamType_MARKER = 8;
constexpr AEGP_StreamType AEGP_StreamType_LAYER_ID = 9;
constexpr AEGP_StreamType AEGP_StreamType_MASK_ID = 10;
constexpr AEGP_StreamType AEGP_StreamType_MASK = 11;
constexpr AEGP_StreamType AEGP_StreamType_TEXT_DOCUMENT = 12;
