#include "PluginKind.h"

namespace tilesweep::frei0r {
const PluginKind kPluginKind = PluginKind::Filter;
}
