// The table of reference frames as text: read, written back and read again to the
// same table, every scene's settings read as the tool reads them.
#include <cstdint>
#include <string>

#include "FuzzChecks.h"
#include "ReferenceTable.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    simhost::ReferenceTable table;
    std::string error;
    if (!simhost::parseReferenceTable(text, table, error)) {
        fuzz::requireOneLine(error);
        return 0;
    }
    const std::string written = simhost::formatReferenceTable(table);
    simhost::ReferenceTable again;
    require(simhost::parseReferenceTable(written, again, error), "a written table reads back");
    require(simhost::formatReferenceTable(again) == written, "a written table reads back unchanged");
    for (const simhost::ReferenceScene* reference : table.scenes()) {
        Scene scene;
        if (!simhost::sceneFromSettings(*reference, scene, error)) fuzz::requireOneLine(error);
        const std::string command = simhost::renderCommandFor(*reference, Depth16);
        require(command.find('\n') == std::string::npos, "a printed command is one line");
    }
    return 0;
}
