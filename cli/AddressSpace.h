// A render loads the image library and all it pulls in, and starts threads; under a
// small address-space limit (`ulimit -v`) that fails in places that cannot report it
// (a library's static initialiser, a thread that cannot start). The tool weighs the
// limit first and refuses with one line instead.
#pragma once

#include <cstdint>
#include <string>

namespace tilesweep {

// The address space a render needs on this machine, in bytes: the libraries and a
// small frame (measured: about 530 MB with two cores), and the stack and malloc arena
// of a thread per further core.
uint64_t renderAddressSpaceNeed();

// False with a one-line reason when the process's address space is limited below
// what a render needs.
bool enoughAddressSpaceToRender(std::string& error);

}  // namespace tilesweep
