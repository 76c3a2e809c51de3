// Which of the two plug-ins a module is: each module defines the one constant.
#pragma once

namespace tilesweep::frei0r {

enum class PluginKind { Filter, Transition };

extern const PluginKind kPluginKind;

}  // namespace tilesweep::frei0r
