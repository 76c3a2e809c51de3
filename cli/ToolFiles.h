// Where the tool finds the files it loads at run time (the plug-in builds and the
// render module): the same lookup in the build tree and in an installed prefix.
#pragma once

#include <string>

namespace tilesweep {

// The version of this build, as `tilesweep --version` shows it.
const char* toolVersion();

// The first of: beside the tool, the build tree's plugin/ folder, the installed
// lib/tilesweep/ folder (bin/../lib/tilesweep). Empty if the file is in none.
std::string findToolFile(const std::string& name);

}  // namespace tilesweep
