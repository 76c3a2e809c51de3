// Masks given as SVG path text (absolute M, L, C, Z), in the layer's pixel coordinates.
#pragma once

#include <string>

#include "MaskPath.h"

namespace tilesweep {

// On failure returns false with a one-line reason in `error`.
bool parseMaskPath(const std::string& text, MaskPath& mask, std::string& error);

}  // namespace tilesweep
