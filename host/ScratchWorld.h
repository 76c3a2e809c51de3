// A world of the host's for the length of one call, given back on every way out.
#pragma once

#include <cstring>

#include "AE_HostApi.h"

namespace tilesweep::plugin {

class ScratchWorld {
public:
    ScratchWorld(const PF_WorldSuite2& suite, PF_ProgPtr effectRef) : suite_(suite), effectRef_(effectRef) {
        std::memset(&world_, 0, sizeof world_);
    }
    ~ScratchWorld() {
        if (made_) suite_.PF_DisposeWorld(effectRef_, &world_);
    }
    ScratchWorld(const ScratchWorld&) = delete;
    ScratchWorld& operator=(const ScratchWorld&) = delete;

    PF_Err make(A_long width, A_long height, PF_PixelFormat format) {
        const PF_Err err = suite_.PF_NewWorld(effectRef_, width, height, 0, format, &world_);
        made_ = err == PF_Err_NONE;
        return err;
    }
    PF_EffectWorld& world() { return world_; }

private:
    const PF_WorldSuite2& suite_;
    PF_ProgPtr effectRef_;
    PF_EffectWorld world_;
    bool made_ = false;
};

}  // namespace tilesweep::plugin
