// Renders the reference scenes through the engine alone or through a plug-in build
// in the simulated host, and hashes each frame (the view's pixels, no padding).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ReferenceTable.h"
#include "SimHost.h"

namespace tilesweep::simhost {

struct RouteHashes {
    // By scene, then by kReferenceDepths; empty where the frame could not be made.
    std::vector<std::array<std::optional<uint64_t>, 3>> hashes;
    // One line each: a scene that failed, or a life that did not end cleanly.
    std::vector<std::string> failures;
};

// The hash of the view's pixels, row by row, as the depth lays them out.
uint64_t frameHash(const PixelBuffer& frame, const std::optional<Rect>& region);

RouteHashes renderThroughEngine(const std::vector<const ReferenceScene*>& scenes);

// A host with a plug-in loaded, made anew for each life.
using HostMaker = std::function<std::shared_ptr<SimHost>()>;

// One life per depth and layer size, every scene of that size a frame in it, rows
// padded as a host pads them.
RouteHashes renderThroughPlugin(const std::vector<const ReferenceScene*>& scenes, const HostMaker& makeHost);

}  // namespace tilesweep::simhost
