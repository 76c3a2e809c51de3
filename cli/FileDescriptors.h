// File descriptors are a machine limit like memory (`ulimit -n`): a render weighs
// what it will need against what is free before it starts, rather than failing on
// the way with a decoder's vague complaint.
#pragma once

#include <string>

namespace tilesweep {

// What a render opens at most besides one temporary per frame in flight: the input
// and the capture of the decoder's messages (its pipe and the saved stderr).
constexpr int kDescriptorsPerRender = 3;

// How many more files this process could open now, counted up to `most`.
int freeFileDescriptors(int most);

// Whether a render may start, and how many frames may then be in flight (`jobs` is
// lowered to fit). False with a one-line reason.
bool fitJobsToDescriptors(int& jobs, std::string& error);

}  // namespace tilesweep
