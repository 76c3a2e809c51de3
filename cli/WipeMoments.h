// Which moments of the wipe a sequence or contact sheet shows. Times are in
// hundredths of a frame, as keyframes take them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Scene.h"

namespace tilesweep {

// Makes "Completion" run from 0 % at `firstTime` to 100 % at `lastTime` unless
// the user keyframed it.
void sweepCompletion(Scene& scene, int32_t firstTime, int32_t lastTime);

// Times of `count` evenly spaced moments of the whole wipe: over the span of the
// user's keyframes when they span any time ("Easing Keyframe" shapes the easing, not
// the timeline), otherwise one frame apart with "Completion" swept over them.
std::vector<int32_t> momentsOfTheWipe(Scene& scene, int32_t count);

// A time as a frame number: "12", "12.5", "12.05".
std::string frameText(int32_t time);

// A percentage with one decimal, without a trailing ".0": "37.5%", "40%".
std::string percentText(double percent);

// The caption of a moment on a contact sheet: the items of the popups the user
// keyframed (a sheet that steps through the choices names each one), otherwise the
// frame, then the Completion: "Move2  40%", "F12  37.5%".
std::string momentCaption(const Scene& scene, int32_t time);

}  // namespace tilesweep
