// The frei0r entry points of both plug-ins. No exception may reach the host, which
// is written in C: every call that can allocate catches everything.
#include "Frei0rApi.h"
#include "ParamMapping.h"
#include "PluginInfo.h"
#include "PluginKind.h"
#include "WipeInstance.h"

using tilesweep::frei0r::kPluginKind;
using tilesweep::frei0r::PluginKind;
using tilesweep::frei0r::WipeInstance;

namespace {

WipeInstance* instanceOf(f0r_instance_t instance) { return static_cast<WipeInstance*>(instance); }

}  // namespace

TILESWEEP_FREI0R_EXPORT int f0r_init(void) { return 1; }

TILESWEEP_FREI0R_EXPORT void f0r_deinit(void) {}

TILESWEEP_FREI0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (info == nullptr) return;
    const bool transition = kPluginKind == PluginKind::Transition;
    const tilesweep::frei0r::PluginInfo& about = tilesweep::frei0r::pluginInfo(kPluginKind);
    info->name = about.name;
    info->author = about.author;
    info->plugin_type = transition ? F0R_PLUGIN_TYPE_MIXER2 : F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = TILESWEEP_VERSION_MAJOR;
    info->minor_version = TILESWEEP_VERSION_MINOR;
    info->num_params = tilesweep::frei0r::kFrei0rParamCount;
    info->explanation = about.explanation;
}

TILESWEEP_FREI0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
    const tilesweep::ParamSpec* param = tilesweep::frei0r::paramAt(param_index);
    if (info == nullptr || param == nullptr) return;
    try {
        info->name = param->name;
        info->type = tilesweep::frei0r::frei0rType(*param);
        info->explanation = tilesweep::frei0r::explanationOf(param_index);
    } catch (...) {
        info->explanation = nullptr;
    }
}

TILESWEEP_FREI0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    try {
        return WipeInstance::create(width, height).release();
    } catch (...) {
        return nullptr;
    }
}

TILESWEEP_FREI0R_EXPORT void f0r_destruct(f0r_instance_t instance) { delete instanceOf(instance); }

TILESWEEP_FREI0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
    const tilesweep::ParamSpec* entry = tilesweep::frei0r::paramAt(param_index);
    if (instance == nullptr || param == nullptr || entry == nullptr) return;
    tilesweep::frei0r::ParamValues& values = instanceOf(instance)->values();
    try {
        if (tilesweep::frei0r::frei0rType(*entry) == F0R_PARAM_STRING) {
            tilesweep::frei0r::setText(values, *entry, *static_cast<f0r_param_string*>(param));
        } else {
            tilesweep::frei0r::setNumber(values, *entry, *static_cast<const double*>(param));
        }
    } catch (...) {
        // A value that cannot be taken is ignored, as for any value that makes no sense.
    }
}

TILESWEEP_FREI0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
    const tilesweep::ParamSpec* entry = tilesweep::frei0r::paramAt(param_index);
    if (instance == nullptr || param == nullptr || entry == nullptr) return;
    tilesweep::frei0r::ParamValues& values = instanceOf(instance)->values();
    try {
        if (tilesweep::frei0r::frei0rType(*entry) == F0R_PARAM_STRING) {
            *static_cast<const char**>(param) = tilesweep::frei0r::textOf(values, *entry);
        } else {
            *static_cast<double*>(param) = tilesweep::frei0r::numberOf(values, *entry);
        }
    } catch (...) {
        if (tilesweep::frei0r::frei0rType(*entry) == F0R_PARAM_STRING) *static_cast<const char**>(param) = "";
    }
}

TILESWEEP_FREI0R_EXPORT void f0r_update(f0r_instance_t instance, double /*time*/, const uint32_t* inframe,
                                        uint32_t* outframe) {
    if (instance == nullptr || inframe == nullptr || outframe == nullptr) return;
    try {
        instanceOf(instance)->renderWipe(inframe, outframe);
    } catch (...) {
    }
}

TILESWEEP_FREI0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                         const uint32_t* inframe2, const uint32_t* /*inframe3*/,
                                         uint32_t* outframe) {
    if (instance == nullptr || inframe1 == nullptr || outframe == nullptr) return;
    try {
        if (inframe2 == nullptr || kPluginKind == PluginKind::Filter) {
            f0r_update(instance, time, inframe1, outframe);
        } else {
            instanceOf(instance)->renderTransition(inframe1, inframe2, outframe);
        }
    } catch (...) {
    }
}
