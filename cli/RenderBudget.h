// How many frames of a render may be in flight at once within the memory budget.
#pragma once

#include <cstdint>
#include <string>

#include "ImageFile.h"
#include "RenderJob.h"
#include "Scene.h"

namespace tilesweep {

// Decides how many frames may be in flight, or refuses the render as bad input.
struct Budgeting {
    uint64_t budget = 0;
    int wantedJobs = 1;
    bool throughPlugin = true;
    bool exrOutput = false;
    int32_t sheetColumns = 0;
    int32_t sheetRows = 0;
    int jobs = 1;

    bool admit(const Scene& scene, const ImageHeader& header, std::string& error);
};

// The budget and wanted jobs from the options (or the machine). False with a
// one-line reason.
bool readBudgeting(const RenderOptions& options, const RenderJob& job, Budgeting& budgeting, std::string& error);

}  // namespace tilesweep
