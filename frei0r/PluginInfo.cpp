#include "PluginInfo.h"

namespace tilesweep::frei0r {

const PluginInfo& pluginInfo(PluginKind kind) {
    constexpr const char* kAuthor = "Merindoul";
    static const PluginInfo filter{"TileSweep",
                                   "Block wipe: as Completion runs from 0 to 1 the picture leaves block by block, "
                                   "wiped parts transparent",
                                   kAuthor};
    static const PluginInfo transition{"TileSweep Transition",
                                       "Block wipe from the first input to the second: as Completion runs from 0 "
                                       "to 1 the first input leaves block by block and the second shows through",
                                       kAuthor};
    return kind == PluginKind::Transition ? transition : filter;
}

}  // namespace tilesweep::frei0r
