#include "ToolFiles.h"

#include <filesystem>

namespace tilesweep {

namespace fs = std::filesystem;

const char* toolVersion() { return TILESWEEP_VERSION; }

std::string findToolFile(const std::string& name) {
    std::error_code ec;
    // The tool's own file, links resolved: a link to it in another folder still
    // finds the files of its installation.
    const fs::path tool = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    const fs::path folder = tool.parent_path();
    for (const fs::path& candidate :
         {folder / name, folder.parent_path() / "plugin" / name, folder.parent_path() / "lib" / "tilesweep" / name}) {
        if (fs::is_regular_file(candidate, ec)) return candidate.string();
    }
    return "";
}

}  // namespace tilesweep
