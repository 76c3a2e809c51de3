// Writes Kdenlive's description of one plug-in; the build runs it for both.
// Usage: tilesweep_kdenlive_description (filter | transition) SERVICE OUTPUT
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "KdenliveDescription.h"

int main(int argc, char** argv) {
    using tilesweep::frei0r::PluginKind;
    if (argc != 4 || (std::strcmp(argv[1], "filter") != 0 && std::strcmp(argv[1], "transition") != 0)) {
        std::fprintf(stderr, "usage: tilesweep_kdenlive_description (filter | transition) SERVICE OUTPUT\n");
        return 2;
    }
    const PluginKind kind = std::strcmp(argv[1], "transition") == 0 ? PluginKind::Transition : PluginKind::Filter;
    try {
        const std::string xml = tilesweep::frei0r::kdenliveDescription(kind, argv[2]);
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out << xml;
        out.close();
        if (!out) {
            std::fprintf(stderr, "tilesweep_kdenlive_description: cannot write %s\n", argv[3]);
            std::remove(argv[3]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tilesweep_kdenlive_description: %s\n", e.what());
        std::remove(argv[3]);
        return 1;
    }
    return 0;
}
