// Compile-time proof that our declarations match the host's layouts on the target
// being built. Numbers are the host's: first the 64-bit host (identical on Windows
// x64 and Linux x86-64), then the 32-bit hosts. A mismatch here means a record or
// table would be read at the wrong place by one side.
#pragma once

#include <cstddef>

#include "AE_Suites.h"

#if AE_HOST_LAYOUT_32
#define AE_LAYOUT(at64, at32) (at32)
#else
#define AE_LAYOUT(at64, at32) (at64)
#endif

#define AE_CHECK_SIZE(T, at64, at32) \
    static_assert(sizeof(T) == AE_LAYOUT(at64, at32), "size of " #T)
#define AE_CHECK_OFFSET(T, member, at64, at32) \
    static_assert(offsetof(T, member) == AE_LAYOUT(at64, at32), "offset of " #T "." #member)
// Function tables: slot n sits at n pointers from the start on every host.
#define AE_CHECK_SLOT(T, member, n) \
    static_assert(offsetof(T, member) == (n) * sizeof(void*), "slot of " #T "." #member)
#define AE_CHECK_TABLE(T, slots) \
    static_assert(sizeof(T) == (slots) * sizeof(void*), "slot count of " #T)

// ---- Scalars -------------------------------------------------------------------------

static_assert(sizeof(void*) == AE_LAYOUT(8u, 4u), "pointer width selects the layout");
AE_CHECK_SIZE(A_long, 4, 4);
AE_CHECK_SIZE(A_short, 2, 2);
AE_CHECK_SIZE(A_Boolean, 1, 1);
AE_CHECK_SIZE(PF_Boolean, 1, 1);
AE_CHECK_SIZE(A_FpLong, 8, 8);
AE_CHECK_SIZE(A_HandleSize, 8, 4);
AE_CHECK_SIZE(A_u_longlong, 8, 8);
AE_CHECK_SIZE(PF_ValueDisplayFlags, 2, 2);
AE_CHECK_SIZE(PF_RenderOutputFlags, 2, 2);
AE_CHECK_SIZE(AEGP_LTimeMode, 2, 2);
static_assert(sizeof(SPBoolean) == (AE_HOST_WINDOWS ? 4u : 1u), "SPBoolean follows the system");
static_assert(static_cast<A_u_long>(PF_OutFlag_AUDIO_EFFECT_ONLY) == 0x80000000u, "bit 31");

AE_CHECK_SIZE(A_Time, 8, 8);
AE_CHECK_OFFSET(A_Time, value, 0, 0);
AE_CHECK_OFFSET(A_Time, scale, 4, 4);
AE_CHECK_SIZE(PF_State, 16, 16);
AE_CHECK_SIZE(PF_RationalScale, 8, 8);

// ---- Rectangles, points, pixels ------------------------------------------------------

AE_CHECK_SIZE(PF_LRect, 16, 16);
AE_CHECK_OFFSET(PF_LRect, left, 0, 0);
AE_CHECK_OFFSET(PF_LRect, top, 4, 4);
AE_CHECK_OFFSET(PF_LRect, right, 8, 8);
AE_CHECK_OFFSET(PF_LRect, bottom, 12, 12);

AE_CHECK_SIZE(PF_Rect, 16, 8);
AE_CHECK_OFFSET(PF_Rect, left, 0, 2);
AE_CHECK_OFFSET(PF_Rect, top, 4, 0);
AE_CHECK_OFFSET(PF_Rect, right, 8, 6);
AE_CHECK_OFFSET(PF_Rect, bottom, 12, 4);

AE_CHECK_SIZE(PF_Point, 8, 4);
AE_CHECK_OFFSET(PF_Point, h, 0, 2);
AE_CHECK_OFFSET(PF_Point, v, 4, 0);

AE_CHECK_SIZE(PF_Pixel, 4, 4);
AE_CHECK_OFFSET(PF_Pixel, alpha, 0, 0);
AE_CHECK_OFFSET(PF_Pixel, red, 1, 1);
AE_CHECK_OFFSET(PF_Pixel, green, 2, 2);
AE_CHECK_OFFSET(PF_Pixel, blue, 3, 3);
AE_CHECK_SIZE(PF_Pixel16, 8, 8);
AE_CHECK_OFFSET(PF_Pixel16, alpha, 0, 0);
AE_CHECK_OFFSET(PF_Pixel16, blue, 6, 6);
AE_CHECK_SIZE(PF_PixelFloat, 16, 16);
AE_CHECK_OFFSET(PF_PixelFloat, alpha, 0, 0);
AE_CHECK_OFFSET(PF_PixelFloat, blue, 12, 12);

// ---- Worlds and compositing --------------------------------------------------------------

AE_CHECK_SIZE(PF_LayerDef, 120, 76);
AE_CHECK_OFFSET(PF_LayerDef, reserved0, 0, 0);
AE_CHECK_OFFSET(PF_LayerDef, reserved1, 8, 4);
AE_CHECK_OFFSET(PF_LayerDef, world_flags, 16, 8);
AE_CHECK_OFFSET(PF_LayerDef, data, 24, 12);
AE_CHECK_OFFSET(PF_LayerDef, rowbytes, 32, 16);
AE_CHECK_OFFSET(PF_LayerDef, width, 36, 20);
AE_CHECK_OFFSET(PF_LayerDef, height, 40, 24);
AE_CHECK_OFFSET(PF_LayerDef, extent_hint, 44, 28);
AE_CHECK_OFFSET(PF_LayerDef, platform_ref, 64, 36);
AE_CHECK_OFFSET(PF_LayerDef, dephault, 116, 72);
#if AE_HOST_LAYOUT_32
AE_CHECK_OFFSET(PF_LayerDef, reserved, 0, 40);
#else
AE_CHECK_OFFSET(PF_LayerDef, reserved_long1, 72, 0);
AE_CHECK_OFFSET(PF_LayerDef, reserved_long4, 80, 0);
AE_CHECK_OFFSET(PF_LayerDef, pix_aspect_ratio, 88, 0);
AE_CHECK_OFFSET(PF_LayerDef, reserved_long2, 96, 0);
AE_CHECK_OFFSET(PF_LayerDef, origin_x, 104, 0);
AE_CHECK_OFFSET(PF_LayerDef, origin_y, 108, 0);
AE_CHECK_OFFSET(PF_LayerDef, reserved_long3, 112, 0);
#endif

AE_CHECK_SIZE(PF_CompositeMode, 12, 12);
AE_CHECK_OFFSET(PF_CompositeMode, xfer, 0, 0);
AE_CHECK_OFFSET(PF_CompositeMode, rand_seed, 4, 4);
AE_CHECK_OFFSET(PF_CompositeMode, opacity, 8, 8);
AE_CHECK_OFFSET(PF_CompositeMode, rgb_only, 9, 9);
AE_CHECK_OFFSET(PF_CompositeMode, opacitySu, 10, 10);

AE_CHECK_SIZE(PF_MaskWorld, 136, 84);
AE_CHECK_OFFSET(PF_MaskWorld, offset, 120, 76);
AE_CHECK_OFFSET(PF_MaskWorld, what_is_mask, 128, 80);

AE_CHECK_SIZE(PF_SoundFormatInfo, 16, 14);
AE_CHECK_OFFSET(PF_SoundFormatInfo, num_channels, 8, 8);
AE_CHECK_OFFSET(PF_SoundFormatInfo, sample_size, 12, 12);
AE_CHECK_SIZE(PF_SoundWorld, 32, 22);
AE_CHECK_OFFSET(PF_SoundWorld, num_samples, 16, 14);
AE_CHECK_OFFSET(PF_SoundWorld, dataP, 24, 18);

// ---- Parameter definitions ---------------------------------------------------------------

AE_CHECK_SIZE(PF_ParamDef, 176, 148);
AE_CHECK_OFFSET(PF_ParamDef, uu, 0, 0);
AE_CHECK_OFFSET(PF_ParamDef, uu.id, 0, 0);
AE_CHECK_OFFSET(PF_ParamDef, uu.change_flags, 0, 0);
AE_CHECK_OFFSET(PF_ParamDef, ui_flags, 4, 4);
AE_CHECK_OFFSET(PF_ParamDef, ui_width, 8, 8);
AE_CHECK_OFFSET(PF_ParamDef, ui_height, 10, 10);
AE_CHECK_OFFSET(PF_ParamDef, param_type, 12, 12);
AE_CHECK_OFFSET(PF_ParamDef, name, 16, 16);
AE_CHECK_OFFSET(PF_ParamDef, flags, 48, 48);
AE_CHECK_OFFSET(PF_ParamDef, unused, 52, 52);
AE_CHECK_OFFSET(PF_ParamDef, u, 56, 56);
AE_CHECK_SIZE(PF_ParamDefUnion, 120, 92);

AE_CHECK_SIZE(PF_SliderDef, 88, 88);
AE_CHECK_OFFSET(PF_SliderDef, value, 0, 0);
AE_CHECK_OFFSET(PF_SliderDef, value_str, 4, 4);
AE_CHECK_OFFSET(PF_SliderDef, value_desc, 36, 36);
AE_CHECK_OFFSET(PF_SliderDef, valid_min, 68, 68);
AE_CHECK_OFFSET(PF_SliderDef, valid_max, 72, 72);
AE_CHECK_OFFSET(PF_SliderDef, slider_min, 76, 76);
AE_CHECK_OFFSET(PF_SliderDef, slider_max, 80, 80);
AE_CHECK_OFFSET(PF_SliderDef, dephault, 84, 84);

AE_CHECK_SIZE(PF_FixedSliderDef, 92, 92);
AE_CHECK_OFFSET(PF_FixedSliderDef, value, 0, 0);
AE_CHECK_OFFSET(PF_FixedSliderDef, value_str, 4, 4);
AE_CHECK_OFFSET(PF_FixedSliderDef, value_desc, 36, 36);
AE_CHECK_OFFSET(PF_FixedSliderDef, valid_min, 68, 68);
AE_CHECK_OFFSET(PF_FixedSliderDef, valid_max, 72, 72);
AE_CHECK_OFFSET(PF_FixedSliderDef, slider_min, 76, 76);
AE_CHECK_OFFSET(PF_FixedSliderDef, slider_max, 80, 80);
AE_CHECK_OFFSET(PF_FixedSliderDef, dephault, 84, 84);
AE_CHECK_OFFSET(PF_FixedSliderDef, precision, 88, 88);
AE_CHECK_OFFSET(PF_FixedSliderDef, display_flags, 90, 90);

AE_CHECK_SIZE(PF_AngleDef, 16, 8);
AE_CHECK_OFFSET(PF_AngleDef, value, 0, 0);
AE_CHECK_OFFSET(PF_AngleDef, dephault, 4, 4);

AE_CHECK_SIZE(PF_CheckBoxDef, 16, 12);
AE_CHECK_OFFSET(PF_CheckBoxDef, value, 0, 0);
AE_CHECK_OFFSET(PF_CheckBoxDef, dephault, 4, 4);
AE_CHECK_OFFSET(PF_CheckBoxDef, reserved, 5, 5);
AE_CHECK_OFFSET(PF_CheckBoxDef, reserved1, 6, 6);
AE_CHECK_OFFSET(PF_CheckBoxDef, u.nameptr, 8, 8);

AE_CHECK_SIZE(PF_PopupDef, 16, 12);
AE_CHECK_OFFSET(PF_PopupDef, value, 0, 0);
AE_CHECK_OFFSET(PF_PopupDef, num_choices, 4, 4);
AE_CHECK_OFFSET(PF_PopupDef, dephault, 6, 6);
AE_CHECK_OFFSET(PF_PopupDef, u.namesptr, 8, 8);

AE_CHECK_SIZE(PF_PathDef, 12, 12);
AE_CHECK_OFFSET(PF_PathDef, path_id, 0, 0);
AE_CHECK_OFFSET(PF_PathDef, reserved0, 4, 4);
AE_CHECK_OFFSET(PF_PathDef, dephault, 8, 8);

AE_CHECK_SIZE(PF_ColorDef, 8, 8);
AE_CHECK_OFFSET(PF_ColorDef, dephault, 4, 4);

AE_CHECK_SIZE(PF_PointDef, 20, 20);
AE_CHECK_OFFSET(PF_PointDef, y_value, 4, 4);
AE_CHECK_OFFSET(PF_PointDef, restrict_bounds, 11, 11);
AE_CHECK_OFFSET(PF_PointDef, x_dephault, 12, 12);
AE_CHECK_OFFSET(PF_PointDef, y_dephault, 16, 16);

AE_CHECK_SIZE(PF_FloatSliderDef, 88, 80);
AE_CHECK_OFFSET(PF_FloatSliderDef, phase, 8, 8);
AE_CHECK_OFFSET(PF_FloatSliderDef, value_desc, 16, 16);
AE_CHECK_OFFSET(PF_FloatSliderDef, valid_min, 48, 48);
AE_CHECK_OFFSET(PF_FloatSliderDef, dephault, 64, 64);
AE_CHECK_OFFSET(PF_FloatSliderDef, precision, 68, 68);
AE_CHECK_OFFSET(PF_FloatSliderDef, display_flags, 70, 70);
AE_CHECK_OFFSET(PF_FloatSliderDef, fs_flags, 72, 72);
AE_CHECK_OFFSET(PF_FloatSliderDef, curve_tolerance, 76, 76);
#if !AE_HOST_LAYOUT_32
AE_CHECK_OFFSET(PF_FloatSliderDef, useExponent, 80, 0);
AE_CHECK_OFFSET(PF_FloatSliderDef, exponent, 84, 0);
#endif

AE_CHECK_SIZE(PF_ArbitraryDef, 32, 16);
AE_CHECK_SIZE(PF_ButtonDef, 16, 8);
AE_CHECK_SIZE(PF_Point3DDef, 64, 64);

// ---- Callback tables in PF_InData ----------------------------------------------------------

AE_CHECK_TABLE(PF_InteractCallbacks, 22);
AE_CHECK_SLOT(PF_InteractCallbacks, checkout_param, 0);
AE_CHECK_SLOT(PF_InteractCallbacks, checkin_param, 1);
AE_CHECK_SLOT(PF_InteractCallbacks, add_param, 2);
AE_CHECK_SLOT(PF_InteractCallbacks, abort, 3);
AE_CHECK_SLOT(PF_InteractCallbacks, progress, 4);
AE_CHECK_SLOT(PF_InteractCallbacks, get_audio_data, 8);
AE_CHECK_SLOT(PF_InteractCallbacks, reserved_str, 9);
AE_CHECK_SLOT(PF_InteractCallbacks, reserved, 12);
AE_CHECK_SIZE(PF_InteractCallbacks, 176, 88);

AE_CHECK_SIZE(PF_ANSICallbacks, 160, 80);
AE_CHECK_OFFSET(PF_ANSICallbacks, atan, 0, 0);
AE_CHECK_OFFSET(PF_ANSICallbacks, floor, 48, 24);
AE_CHECK_OFFSET(PF_ANSICallbacks, fmod, 56, 28);
AE_CHECK_OFFSET(PF_ANSICallbacks, tan, 112, 56);
AE_CHECK_OFFSET(PF_ANSICallbacks, sprintf, 120, 60);
AE_CHECK_OFFSET(PF_ANSICallbacks, strcpy, 128, 64);
AE_CHECK_OFFSET(PF_ANSICallbacks, acos, 144, 72);
AE_CHECK_OFFSET(PF_ANSICallbacks, ansi_procs, 152, 76);
AE_CHECK_SIZE(PF_ColorCallbacks, 64, 32);

AE_CHECK_SIZE(PF_UtilCallbacks, 552, 284);
AE_CHECK_OFFSET(PF_UtilCallbacks, begin_sampling, 0, 0);
AE_CHECK_OFFSET(PF_UtilCallbacks, get_batch_func_is_deprecated, 24, 12);
AE_CHECK_OFFSET(PF_UtilCallbacks, copy, 64, 32);
AE_CHECK_OFFSET(PF_UtilCallbacks, fill, 72, 36);
AE_CHECK_OFFSET(PF_UtilCallbacks, new_world, 112, 56);
AE_CHECK_OFFSET(PF_UtilCallbacks, dispose_world, 120, 64);
AE_CHECK_OFFSET(PF_UtilCallbacks, iterate_lut, 136, 72);
AE_CHECK_OFFSET(PF_UtilCallbacks, transfer_rect, 144, 76);
AE_CHECK_OFFSET(PF_UtilCallbacks, transform_world, 152, 80);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_new_handle, 160, 84);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_lock_handle, 168, 88);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_unlock_handle, 176, 92);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_dispose_handle, 184, 96);
AE_CHECK_OFFSET(PF_UtilCallbacks, get_callback_addr, 192, 100);
AE_CHECK_OFFSET(PF_UtilCallbacks, app, 200, 104);
AE_CHECK_OFFSET(PF_UtilCallbacks, ansi, 208, 108);
AE_CHECK_OFFSET(PF_UtilCallbacks, ansi.floor, 256, 132);
AE_CHECK_OFFSET(PF_UtilCallbacks, ansi.fmod, 264, 136);
AE_CHECK_OFFSET(PF_UtilCallbacks, ansi.sprintf, 328, 168);
AE_CHECK_OFFSET(PF_UtilCallbacks, ansi.strcpy, 336, 172);
AE_CHECK_OFFSET(PF_UtilCallbacks, colorCB, 368, 188);
AE_CHECK_OFFSET(PF_UtilCallbacks, get_platform_data, 432, 220);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_get_handle_size, 440, 228);
AE_CHECK_OFFSET(PF_UtilCallbacks, iterate_origin_non_clip_src, 448, 232);
AE_CHECK_OFFSET(PF_UtilCallbacks, iterate_generic, 456, 236);
AE_CHECK_OFFSET(PF_UtilCallbacks, host_resize_handle, 464, 240);
AE_CHECK_OFFSET(PF_UtilCallbacks, get_pixel_data16, 536, 276);
AE_CHECK_OFFSET(PF_UtilCallbacks, reserved, 544, 280);
#if AE_HOST_LAYOUT_32
AE_CHECK_OFFSET(PF_UtilCallbacks, get_platform_refs, 0, 60);
AE_CHECK_OFFSET(PF_UtilCallbacks, get_cgraf_data, 0, 224);
#endif

// ---- PF_InData / PF_OutData ----------------------------------------------------------------

AE_CHECK_SIZE(PF_InData, 408, 274);
AE_CHECK_OFFSET(PF_InData, inter, 0, 0);
AE_CHECK_OFFSET(PF_InData, utils, 176, 88);
AE_CHECK_OFFSET(PF_InData, effect_ref, 184, 92);
AE_CHECK_OFFSET(PF_InData, quality, 192, 96);
AE_CHECK_OFFSET(PF_InData, version, 196, 100);
AE_CHECK_OFFSET(PF_InData, version.minor, 198, 102);
AE_CHECK_OFFSET(PF_InData, serial_num, 200, 104);
AE_CHECK_OFFSET(PF_InData, appl_id, 204, 108);
AE_CHECK_OFFSET(PF_InData, num_params, 208, 112);
AE_CHECK_OFFSET(PF_InData, reserved, 212, 116);
AE_CHECK_OFFSET(PF_InData, what_cpu, 216, 120);
AE_CHECK_OFFSET(PF_InData, what_fpu, 220, 124);
AE_CHECK_OFFSET(PF_InData, current_time, 224, 132);
AE_CHECK_OFFSET(PF_InData, time_step, 228, 136);
AE_CHECK_OFFSET(PF_InData, total_time, 232, 140);
AE_CHECK_OFFSET(PF_InData, local_time_step, 236, 144);
AE_CHECK_OFFSET(PF_InData, time_scale, 240, 148);
AE_CHECK_OFFSET(PF_InData, field, 244, 152);
AE_CHECK_OFFSET(PF_InData, shutter_angle, 248, 156);
AE_CHECK_OFFSET(PF_InData, width, 252, 160);
AE_CHECK_OFFSET(PF_InData, height, 256, 164);
AE_CHECK_OFFSET(PF_InData, extent_hint, 260, 168);
AE_CHECK_OFFSET(PF_InData, output_origin_x, 276, 176);
AE_CHECK_OFFSET(PF_InData, output_origin_y, 280, 180);
AE_CHECK_OFFSET(PF_InData, downsample_x, 284, 184);
AE_CHECK_OFFSET(PF_InData, downsample_y, 292, 192);
AE_CHECK_OFFSET(PF_InData, pixel_aspect_ratio, 300, 200);
AE_CHECK_OFFSET(PF_InData, in_flags, 308, 208);
AE_CHECK_OFFSET(PF_InData, global_data, 312, 212);
AE_CHECK_OFFSET(PF_InData, sequence_data, 320, 216);
AE_CHECK_OFFSET(PF_InData, frame_data, 328, 220);
AE_CHECK_OFFSET(PF_InData, start_sampL, 336, 224);
AE_CHECK_OFFSET(PF_InData, dur_sampL, 340, 228);
AE_CHECK_OFFSET(PF_InData, total_sampL, 344, 232);
AE_CHECK_OFFSET(PF_InData, src_snd, 352, 236);
AE_CHECK_OFFSET(PF_InData, pica_basicP, 384, 258);
AE_CHECK_OFFSET(PF_InData, pre_effect_source_origin_x, 392, 262);
AE_CHECK_OFFSET(PF_InData, pre_effect_source_origin_y, 396, 266);
AE_CHECK_OFFSET(PF_InData, shutter_phase, 400, 270);
#if AE_HOST_LAYOUT_32
AE_CHECK_OFFSET(PF_InData, qd_globals, 0, 128);
#endif

AE_CHECK_SIZE(PF_OutData, 408, 362);
AE_CHECK_OFFSET(PF_OutData, my_version, 0, 0);
AE_CHECK_OFFSET(PF_OutData, name, 4, 4);
AE_CHECK_OFFSET(PF_OutData, global_data, 40, 36);
AE_CHECK_OFFSET(PF_OutData, num_params, 48, 40);
AE_CHECK_OFFSET(PF_OutData, sequence_data, 56, 44);
AE_CHECK_OFFSET(PF_OutData, flat_sdata_size, 64, 48);
AE_CHECK_OFFSET(PF_OutData, frame_data, 72, 52);
AE_CHECK_OFFSET(PF_OutData, width, 80, 56);
AE_CHECK_OFFSET(PF_OutData, height, 84, 60);
AE_CHECK_OFFSET(PF_OutData, origin, 88, 64);
AE_CHECK_OFFSET(PF_OutData, out_flags, 96, 68);
AE_CHECK_OFFSET(PF_OutData, return_msg, 100, 72);
AE_CHECK_OFFSET(PF_OutData, start_sampL, 356, 328);
AE_CHECK_OFFSET(PF_OutData, dur_sampL, 360, 332);
AE_CHECK_OFFSET(PF_OutData, dest_snd, 368, 336);
AE_CHECK_OFFSET(PF_OutData, out_flags2, 400, 358);
static_assert(sizeof(PF_OutData::name) == 32, "name holds 31 characters and a zero");
static_assert(sizeof(PF_OutData::return_msg) == 256, "message holds 255 characters and a zero");

// ---- Command extras ----------------------------------------------------------------------------

AE_CHECK_SIZE(PF_UserChangedParamExtra, 4, 4);

AE_CHECK_SIZE(PF_RenderRequest, 44, 44);
AE_CHECK_OFFSET(PF_RenderRequest, rect, 0, 0);
AE_CHECK_OFFSET(PF_RenderRequest, field, 16, 16);
AE_CHECK_OFFSET(PF_RenderRequest, channel_mask, 20, 20);
AE_CHECK_OFFSET(PF_RenderRequest, preserve_rgb_of_zero_alpha, 24, 24);
AE_CHECK_OFFSET(PF_RenderRequest, unused, 25, 25);
AE_CHECK_OFFSET(PF_RenderRequest, reserved, 28, 28);

AE_CHECK_SIZE(PF_CheckoutResult, 76, 76);
AE_CHECK_OFFSET(PF_CheckoutResult, result_rect, 0, 0);
AE_CHECK_OFFSET(PF_CheckoutResult, max_result_rect, 16, 16);
AE_CHECK_OFFSET(PF_CheckoutResult, par, 32, 32);
AE_CHECK_OFFSET(PF_CheckoutResult, solid, 40, 40);
AE_CHECK_OFFSET(PF_CheckoutResult, reservedB, 41, 41);
AE_CHECK_OFFSET(PF_CheckoutResult, ref_width, 44, 44);
AE_CHECK_OFFSET(PF_CheckoutResult, ref_height, 48, 48);
AE_CHECK_OFFSET(PF_CheckoutResult, reserved, 52, 52);

AE_CHECK_SIZE(PF_PreRenderExtra, 24, 12);
AE_CHECK_OFFSET(PF_PreRenderExtra, input, 0, 0);
AE_CHECK_OFFSET(PF_PreRenderExtra, output, 8, 4);
AE_CHECK_OFFSET(PF_PreRenderExtra, cb, 16, 8);

AE_CHECK_SIZE(PF_PreRenderInput, 64, 58);
AE_CHECK_OFFSET(PF_PreRenderInput, output_request, 0, 0);
AE_CHECK_OFFSET(PF_PreRenderInput, bitdepth, 44, 44);
AE_CHECK_OFFSET(PF_PreRenderInput, gpu_data, 48, 46);
AE_CHECK_OFFSET(PF_PreRenderInput, what_gpu, 56, 50);
AE_CHECK_OFFSET(PF_PreRenderInput, device_index, 60, 54);

AE_CHECK_SIZE(PF_PreRenderOutput, 56, 44);
AE_CHECK_OFFSET(PF_PreRenderOutput, result_rect, 0, 0);
AE_CHECK_OFFSET(PF_PreRenderOutput, max_result_rect, 16, 16);
AE_CHECK_OFFSET(PF_PreRenderOutput, solid, 32, 32);
AE_CHECK_OFFSET(PF_PreRenderOutput, reserved, 33, 33);
AE_CHECK_OFFSET(PF_PreRenderOutput, flags, 34, 34);
AE_CHECK_OFFSET(PF_PreRenderOutput, pre_render_data, 40, 36);
AE_CHECK_OFFSET(PF_PreRenderOutput, delete_pre_render_data_func, 48, 40);

AE_CHECK_TABLE(PF_PreRenderCallbacks, 2);
AE_CHECK_SLOT(PF_PreRenderCallbacks, checkout_layer, 0);
AE_CHECK_SLOT(PF_PreRenderCallbacks, GuidMixInPtr, 1);

AE_CHECK_SIZE(PF_SmartRenderExtra, 16, 8);
AE_CHECK_OFFSET(PF_SmartRenderExtra, input, 0, 0);
AE_CHECK_OFFSET(PF_SmartRenderExtra, cb, 8, 4);

AE_CHECK_SIZE(PF_SmartRenderInput, 72, 62);
AE_CHECK_OFFSET(PF_SmartRenderInput, output_request, 0, 0);
AE_CHECK_OFFSET(PF_SmartRenderInput, bitdepth, 44, 44);
AE_CHECK_OFFSET(PF_SmartRenderInput, pre_render_data, 48, 46);
AE_CHECK_OFFSET(PF_SmartRenderInput, gpu_data, 56, 50);
AE_CHECK_OFFSET(PF_SmartRenderInput, what_gpu, 64, 54);
AE_CHECK_OFFSET(PF_SmartRenderInput, device_index, 68, 58);

AE_CHECK_TABLE(PF_SmartRenderCallbacks, 3);
AE_CHECK_SLOT(PF_SmartRenderCallbacks, checkout_layer_pixels, 0);
AE_CHECK_SLOT(PF_SmartRenderCallbacks, checkin_layer_pixels, 1);
AE_CHECK_SLOT(PF_SmartRenderCallbacks, checkout_output, 2);

// ---- Suites --------------------------------------------------------------------------------------

AE_CHECK_TABLE(SPBasicSuite, 7);
AE_CHECK_SIZE(SPBasicSuite, 56, 28);
AE_CHECK_SLOT(SPBasicSuite, AcquireSuite, 0);
AE_CHECK_SLOT(SPBasicSuite, ReleaseSuite, 1);
AE_CHECK_SLOT(SPBasicSuite, IsEqual, 2);
AE_CHECK_SLOT(SPBasicSuite, Undefined, 6);

AE_CHECK_TABLE(PF_HandleSuite1, 6);
AE_CHECK_SIZE(PF_HandleSuite1, 48, 24);
AE_CHECK_SLOT(PF_HandleSuite1, host_new_handle, 0);
AE_CHECK_SLOT(PF_HandleSuite1, host_lock_handle, 1);
AE_CHECK_SLOT(PF_HandleSuite1, host_unlock_handle, 2);
AE_CHECK_SLOT(PF_HandleSuite1, host_dispose_handle, 3);
AE_CHECK_SLOT(PF_HandleSuite1, host_get_handle_size, 4);
AE_CHECK_SLOT(PF_HandleSuite1, host_resize_handle, 5);

AE_CHECK_TABLE(PF_ANSICallbacksSuite1, 19);
AE_CHECK_SIZE(PF_ANSICallbacksSuite1, 152, 76);
AE_CHECK_SLOT(PF_ANSICallbacksSuite1, floor, 6);
AE_CHECK_SLOT(PF_ANSICallbacksSuite1, fmod, 7);
AE_CHECK_SLOT(PF_ANSICallbacksSuite1, sprintf, 15);
AE_CHECK_SLOT(PF_ANSICallbacksSuite1, strcpy, 16);
AE_CHECK_SLOT(PF_ANSICallbacksSuite1, acos, 18);

AE_CHECK_TABLE(PF_WorldSuite2, 3);
AE_CHECK_SIZE(PF_WorldSuite2, 24, 12);
AE_CHECK_SLOT(PF_WorldSuite2, PF_GetPixelFormat, 2);
AE_CHECK_SLOT(PF_WorldSuite2, PF_NewWorld, 0);
AE_CHECK_SLOT(PF_WorldSuite2, PF_DisposeWorld, 1);

AE_CHECK_TABLE(PF_ParamUtilsSuite1, 10);
AE_CHECK_SIZE(PF_ParamUtilsSuite1, 80, 40);
AE_CHECK_SLOT(PF_ParamUtilsSuite1, PF_UpdateParamUI, 0);
AE_CHECK_SLOT(PF_ParamUtilsSuite1, PF_GetCurrentStateObsolete, 1);
AE_CHECK_SLOT(PF_ParamUtilsSuite1, PF_HasParamChangedObsolete, 2);
AE_CHECK_SLOT(PF_ParamUtilsSuite1, PF_IsIdenticalCheckout, 4);
AE_CHECK_SLOT(PF_ParamUtilsSuite1, PF_KeyIndexToTime, 9);

AE_CHECK_TABLE(PF_LegacyParamUtilsSuite1, 9);
AE_CHECK_SLOT(PF_LegacyParamUtilsSuite1, PF_UpdateParamUI, 0);
AE_CHECK_SLOT(PF_LegacyParamUtilsSuite1, PF_GetCurrentState, 1);
AE_CHECK_SLOT(PF_LegacyParamUtilsSuite1, PF_HasParamChanged, 2);
AE_CHECK_SLOT(PF_LegacyParamUtilsSuite1, PF_IsIdenticalCheckout, 3);
AE_CHECK_SLOT(PF_LegacyParamUtilsSuite1, PF_KeyIndexToTime, 8);

AE_CHECK_TABLE(PF_PathQuerySuite1, 4);
AE_CHECK_SIZE(PF_PathQuerySuite1, 32, 16);
AE_CHECK_SLOT(PF_PathQuerySuite1, PF_CheckoutPath, 2);
AE_CHECK_SLOT(PF_PathQuerySuite1, PF_CheckinPath, 3);

AE_CHECK_TABLE(PF_PathDataSuite1, 11);
AE_CHECK_SIZE(PF_PathDataSuite1, 88, 44);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathNumSegments, 1);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathPrepareSegLength, 3);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathGetSegLength, 4);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathEvalSegLength, 5);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathCleanupSegLength, 7);
AE_CHECK_SLOT(PF_PathDataSuite1, PF_PathGetName, 10);

AE_CHECK_TABLE(AEGP_UtilitySuite3, 25);
AE_CHECK_SIZE(AEGP_UtilitySuite3, 200, 100);
AE_CHECK_SLOT(AEGP_UtilitySuite3, AEGP_RegisterWithAEGP, 7);
AE_CHECK_SLOT(AEGP_UtilitySuite3, AEGP_WriteToDebugLog, 24);

AE_CHECK_TABLE(AEGP_PFInterfaceSuite1, 5);
AE_CHECK_SIZE(AEGP_PFInterfaceSuite1, 40, 20);
AE_CHECK_SLOT(AEGP_PFInterfaceSuite1, AEGP_GetNewEffectForEffect, 1);

AE_CHECK_TABLE(AEGP_StreamSuite2, 22);
AE_CHECK_SIZE(AEGP_StreamSuite2, 176, 88);
AE_CHECK_SLOT(AEGP_StreamSuite2, AEGP_GetNewEffectStreamByIndex, 5);
AE_CHECK_SLOT(AEGP_StreamSuite2, AEGP_DisposeStream, 7);
AE_CHECK_SLOT(AEGP_StreamSuite2, AEGP_GetNewStreamValue, 13);
AE_CHECK_SLOT(AEGP_StreamSuite2, AEGP_DisposeStreamValue, 14);
AE_CHECK_SLOT(AEGP_StreamSuite2, AEGP_DuplicateStreamRef, 21);

AE_CHECK_TABLE(AEGP_KeyframeSuite3, 20);
AE_CHECK_SIZE(AEGP_KeyframeSuite3, 160, 80);
AE_CHECK_SLOT(AEGP_KeyframeSuite3, AEGP_GetStreamNumKFs, 0);
AE_CHECK_SLOT(AEGP_KeyframeSuite3, AEGP_GetKeyframeTime, 1);
AE_CHECK_SLOT(AEGP_KeyframeSuite3, AEGP_EndAddKeyframes, 19);

AE_CHECK_TABLE(AEGP_EffectSuite2, 17);
AE_CHECK_SIZE(AEGP_EffectSuite2, 136, 68);
AE_CHECK_SLOT(AEGP_EffectSuite2, AEGP_DisposeEffect, 8);
AE_CHECK_SLOT(AEGP_EffectSuite2, AEGP_DuplicateEffect, 16);

// ---- AEGP stream values ------------------------------------------------------------------------

AE_CHECK_SIZE(AEGP_StreamVal, 32, 32);
AE_CHECK_SIZE(AEGP_StreamVal2, 32, 32);
AE_CHECK_SIZE(AEGP_StreamValue, 40, 36);
AE_CHECK_OFFSET(AEGP_StreamValue, streamH, 0, 0);
AE_CHECK_OFFSET(AEGP_StreamValue, val, 8, 4);
AE_CHECK_OFFSET(AEGP_StreamValue, val.one_d, 8, 4);
AE_CHECK_SIZE(AEGP_StreamValue2, 40, 36);
AE_CHECK_OFFSET(AEGP_StreamValue2, val.one_d, 8, 4);
static_assert(alignof(AEGP_StreamValue) == AE_LAYOUT(8, 4), "alignment of AEGP_StreamValue");

// ---- Version packing ----------------------------------------------------------------------------

static_assert(PF_VERSION(1, 0, 0, PF_Stage_RELEASE, 1) == 0x80601u, "version packing");
static_assert(PF_VERSION(2, 1, 3, PF_Stage_BETA, 17) == 0x109C11u, "version packing");
static_assert(PF_VERSION(13, 5, 0, PF_Stage_DEVELOP, 0) == 0x42A8000u, "version packing");

#undef AE_CHECK_TABLE
#undef AE_CHECK_SLOT
#undef AE_CHECK_OFFSET
#undef AE_CHECK_SIZE
#undef AE_LAYOUT
