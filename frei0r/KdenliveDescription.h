// Kdenlive's description of a plug-in (its effect or composition XML): the panel
// Kdenlive builds instead of its generic frei0r one, with every parameter in its own
// units, popups as lists and the numbers keyframable. Made from the engine's table.
#pragma once

#include <string>

#include "PluginKind.h"

namespace tilesweep::frei0r {

// `service` is the MLT service name, "frei0r." and the module's file name.
std::string kdenliveDescription(PluginKind kind, const std::string& service);

}  // namespace tilesweep::frei0r
