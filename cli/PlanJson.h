// The plan of one frame as one JSON object.
#pragma once

#include <string>

#include "FramePipeline.h"

namespace tilesweep {

// Every double is written in its shortest form that reads back to the same double.
std::string planJson(const FramePlan& plan);

}  // namespace tilesweep
