// How much memory a render may take: the budget, and what a render of a given
// frame needs, known before any pixel is read or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tilesweep {

// "--memory-budget" as typed: a number of bytes, or with K, M, G or T (powers of
// 1024, an optional trailing B). False with a one-line reason.
bool parseMemoryBudget(const std::string& text, uint64_t& bytes, std::string& error);

// Half the machine's physical memory, and less if the address-space limit is lower.
uint64_t defaultMemoryBudget();

// "1234 MB", rounded up.
std::string megabytesText(uint64_t bytes);

// What a render holds at once, apart from the program itself.
struct RenderFootprint {
    uint64_t shared = 0;     // the input frame, the decoder's rows, a contact sheet
    uint64_t perWorker = 0;  // one frame in flight: output, host buffers, encoding, arrays
};

struct FootprintInputs {
    int64_t width = 0;
    int64_t height = 0;
    std::size_t bytesPerChannel = 1;
    std::size_t decoderBytes = 0;   // the decoder's chunk of rows
    int64_t largestGrid = 1;        // blocks of the largest grid any frame uses
    bool throughPlugin = true;      // the host's copies of input and output
    bool exrOutput = false;         // float conversion for OpenEXR
    uint64_t sheetBytes = 0;        // a contact sheet's canvas
};

RenderFootprint renderFootprint(const FootprintInputs& inputs);

// How many frames may be in flight within `budget` (at most `wanted`); 0 if not
// even one fits.
int framesWithinBudget(const RenderFootprint& footprint, uint64_t budget, int wanted);

}  // namespace tilesweep
