// Writes the plug-in property resource of one build for the Windows resource
// compiler:
//   make_pipl 64|32 bin OUT.bin           the raw resource bytes
//   make_pipl 64|32 rc OUT.rc             a script with the bytes inline
//   make_pipl 64|32 rc OUT.rc DATA.bin    DATA.bin and a script that names it
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "PiPL.h"

namespace {

bool writeFile(const std::string& path, const void* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_pipl: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: make_pipl 64|32 bin OUT.bin\n"
                 "       make_pipl 64|32 rc OUT.rc [DATA.bin]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        return usage();
    }
    const std::string flavour = argv[1];
    const std::string format = argv[2];
    if ((flavour != "64" && flavour != "32") || (format != "bin" && format != "rc") ||
        (format == "bin" && argc != 4)) {
        return usage();
    }
    try {
        const std::vector<uint8_t> bytes = tilesweep::buildPiplBytes(flavour == "32");
        if (format == "bin") {
            return writeFile(argv[3], bytes.data(), bytes.size()) ? 0 : 1;
        }
        std::string script;
        if (argc == 5) {
            if (!writeFile(argv[4], bytes.data(), bytes.size())) {
                return 1;
            }
            script = tilesweep::piplResourceScriptForFile(argv[4]);
        } else {
            script = tilesweep::piplResourceScript(bytes);
        }
        return writeFile(argv[3], script.data(), script.size()) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_pipl: %s\n", error.what());
        return 1;
    }
}
