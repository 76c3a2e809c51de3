// What each plug-in says about itself, to hosts and in the editors' descriptions.
#pragma once

#include "PluginKind.h"

namespace tilesweep::frei0r {

struct PluginInfo {
    const char* name;
    const char* explanation;
    const char* author;
};

const PluginInfo& pluginInfo(PluginKind kind);

}  // namespace tilesweep::frei0r
