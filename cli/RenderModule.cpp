// The render command as a module that the tool loads only to render: OpenImageIO
// brings a few hundred shared libraries along, whose loading would otherwise slow
// the start of every command by a large fraction of a second.
#include "RenderCommand.h"

extern "C" int tilesweepRunRender(const tilesweep::RenderOptions* options, std::string* error) {
    if (options->direct) return tilesweep::runRender(*options, *error);
    return tilesweep::runRenderThroughPlugin(*options, *error);
}
