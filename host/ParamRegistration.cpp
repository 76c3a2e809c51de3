#include "ParamRegistration.h"

#include <cstring>

namespace tilesweep::plugin {

namespace {

PF_Fixed toFixed(int32_t value) { return value * kFixedOne; }

// Adds after the parameters already added.
constexpr PF_ParamIndex kAppendParam = -1;

}  // namespace

PF_ParamType hostParamType(ParamKind kind) {
    switch (kind) {
        case ParamKind::FixedSlider: return PF_Param_FIX_SLIDER;
        case ParamKind::Slider: return PF_Param_SLIDER;
        case ParamKind::Popup: return PF_Param_POPUP;
        case ParamKind::Path: return PF_Param_PATH;
        case ParamKind::Checkbox: return PF_Param_CHECKBOX;
        case ParamKind::Angle: return PF_Param_ANGLE;
    }
    return PF_Param_RESERVED;
}

int32_t popupChoiceCount(const char* items) {
    if (items == nullptr || *items == '\0') return 0;
    int32_t count = 1;
    for (const char* p = items; *p != '\0'; ++p) {
        if (*p == '|') ++count;
    }
    return count;
}

bool copyParamName(const char* name, StrcpyFn strcpy, PF_ParamDef& def) {
    // The host's copy does not know the field's size.
    if (std::strlen(name) >= sizeof(def.name)) return false;
    strcpy(def.name, name);
    return true;
}

bool describeParam(const ParamSpec& entry, StrcpyFn strcpy, PF_ParamDef& def) {
    def.flags = PF_ParamFlag_COLLAPSE_TWIRLY;
    def.param_type = hostParamType(entry.kind);
    if (!copyParamName(entry.name, strcpy, def)) return false;
    const int32_t dephault = entry.defaultValue;
    switch (entry.kind) {
        case ParamKind::FixedSlider: {
            PF_FixedSliderDef& fd = def.u.fd;
            fd.valid_min = toFixed(entry.validMin);
            fd.slider_min = toFixed(entry.sliderMin);
            fd.valid_max = toFixed(entry.validMax);
            fd.slider_max = toFixed(entry.sliderMax);
            fd.dephault = toFixed(dephault);
            fd.value = fd.dephault;
            fd.precision = entry.precision;
            if (entry.percent) {
                fd.display_flags = static_cast<PF_ValueDisplayFlags>(fd.display_flags | PF_ValueDisplayFlag_PERCENT);
            }
            break;
        }
        case ParamKind::Slider: {
            PF_SliderDef& sd = def.u.sd;
            sd.valid_min = entry.validMin;
            sd.slider_min = entry.sliderMin;
            sd.valid_max = entry.validMax;
            sd.slider_max = entry.sliderMax;
            sd.dephault = dephault;
            sd.value = dephault;
            break;
        }
        case ParamKind::Popup:
            def.u.pd.num_choices = static_cast<A_short>(popupChoiceCount(entry.items));
            def.u.pd.dephault = static_cast<A_short>(dephault);
            def.u.pd.value = dephault;
            def.u.pd.u.namesptr = entry.items;
            break;
        case ParamKind::Checkbox:
            def.u.bd.u.nameptr = entry.checkboxText;
            def.u.bd.value = dephault;
            def.u.bd.dephault = static_cast<PF_Boolean>(dephault);
            break;
        case ParamKind::Angle:
            def.u.ad.dephault = toFixed(dephault);
            def.u.ad.value = def.u.ad.dephault;
            break;
        case ParamKind::Path:
            def.u.path_d.dephault = dephault;
            break;
    }
    def.uu.id = entry.index;
    return true;
}

int32_t paramValueWord(const PF_ParamDef& def, ParamKind kind) {
    switch (kind) {
        case ParamKind::FixedSlider: return def.u.fd.value;
        case ParamKind::Slider: return def.u.sd.value;
        case ParamKind::Popup: return def.u.pd.value;
        case ParamKind::Path: return static_cast<int32_t>(def.u.path_d.path_id);
        case ParamKind::Checkbox: return def.u.bd.value;
        case ParamKind::Angle: return def.u.ad.value;
    }
    return 0;
}

PF_Err registerParams(PF_InData& in, PF_OutData& out) {
    for (const ParamSpec& entry : kParamTable) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        if (!describeParam(entry, in.utils->ansi.strcpy, def)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        const PF_Err err = in.inter.add_param(in.effect_ref, kAppendParam, &def);
        // A refused "Order Path" only costs the Path order, which then falls back
        // to Horizontal; every other parameter is essential.
        if (err != PF_Err_NONE && entry.index != OrderPath) return err;
    }
    out.num_params = ParamCount;
    return PF_Err_NONE;
}

}  // namespace tilesweep::plugin
