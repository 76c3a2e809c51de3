// The frei0r API as Debian's frei0r-plugins-dev declares it. The header itself has
// no C linkage block, and every entry point must keep its C name.
#pragma once

extern "C" {
#include <frei0r.h>
}

#define TILESWEEP_FREI0R_EXPORT extern "C" __attribute__((visibility("default")))
