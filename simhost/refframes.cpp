// Checks the plug-in's and the engine's frames against the table of reference
// frames, or rewrites the table's hashes after a deliberate change of a picture.
//   tilesweep_refframes TABLE [--update] [--engine] [--plugin 64|32 PLUGIN]... [--pe PLUGIN.aex]
// --engine renders through the engine alone, --plugin through a plug-in build in the
// simulated host, --pe (32-bit x86 Linux builds) through a 32-bit Windows build of
// the plug-in under our own loader. Every route must give the table's hash for every
// scene at every depth. With --update the first route's hashes are written into the
// table, if every route agrees with it, and the scenes whose frames changed are listed.
// Exits 0 when all is equal (or the table was written), 1 when not, 2 on bad arguments.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ReferenceRender.h"
#include "ReferenceTable.h"
#include "SimHost.h"

#if TILESWEEP_PE32_LOADER
#include "AexEntry.h"
#include "PeModule.h"
#endif

namespace {

using namespace tilesweep;
using namespace tilesweep::simhost;

constexpr std::size_t kMaxTableBytes = 16u << 20;
// Enough to see what went wrong without burying the summary.
constexpr std::size_t kDetailedFailures = 12;

struct Route {
    std::string name;
    HostMaker makeHost;  // empty: the engine alone
};

const char* depthLabel(PixelDepth depth) { return depth == Depth8 ? "8" : depth == Depth16 ? "16" : "32f"; }

bool readFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    std::ostringstream buffer;
    char chunk[65536];
    std::size_t total = 0;
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        total += static_cast<std::size_t>(in.gcount());
        if (total > kMaxTableBytes) {
            error = "\"" + path + "\" is larger than " + std::to_string(kMaxTableBytes >> 20) + " MiB";
            return false;
        }
        buffer.write(chunk, in.gcount());
    }
    if (in.bad()) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    text = buffer.str();
    return true;
}

// Written beside the table and renamed over it, so that a failed write leaves the old table.
bool writeFile(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr) ok = std::fclose(file) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
        error = "cannot write \"" + path + "\"";
    }
    return ok;
}

HostMaker pluginHost(const std::string& path, Flavour flavour) {
    return [path, flavour] { return std::make_shared<SimHost>(path, flavour); };
}

#if TILESWEEP_PE32_LOADER
// The library is loaded anew for each life, as a host loads it, and unloaded after the host is done with it.
HostMaker windowsLibraryHost(const std::string& path) {
    return [path] {
        auto module = std::make_unique<pe32::PeModule>(path);
        auto host = std::make_unique<SimHost>(pe32::aexEntryPoint(*module), Flavour::Plugin32);
        pe32::PeModule* owned = module.release();
        return std::shared_ptr<SimHost>(host.release(), [owned](SimHost* h) {
            delete h;
            delete owned;
        });
    };
}
#endif

bool parseArguments(const std::vector<std::string>& args, std::string& tablePath, bool& update,
                    std::vector<Route>& routes) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--update") {
            update = true;
        } else if (args[i] == "--engine") {
            routes.push_back(Route{"the engine", nullptr});
        } else if (args[i] == "--plugin" && i + 2 < args.size() && (args[i + 1] == "64" || args[i + 1] == "32")) {
            const Flavour flavour = args[i + 1] == "32" ? Flavour::Plugin32 : Flavour::Plugin64;
            routes.push_back(Route{"the plug-in (" + args[i + 1] + "-bit flavour, " + args[i + 2] + ")",
                                   pluginHost(args[i + 2], flavour)});
            i += 2;
#if TILESWEEP_PE32_LOADER
        } else if (args[i] == "--pe" && i + 1 < args.size()) {
            routes.push_back(Route{"the Windows library " + args[i + 1] + " under our loader",
                                   windowsLibraryHost(args[i + 1])});
            ++i;
#endif
        } else if (tablePath.empty() && !args[i].empty() && args[i][0] != '-') {
            tablePath = args[i];
        } else {
            return false;
        }
    }
    return !tablePath.empty() && !routes.empty();
}

struct Outcome {
    std::vector<std::string> lines;  // printed to stderr
    std::size_t differing = 0;
};

void reportDifference(Outcome& outcome, const ReferenceScene& scene, std::size_t depthIndex, const Route& route,
                      const std::optional<uint64_t>& got, const std::optional<uint64_t>& stored) {
    ++outcome.differing;
    if (outcome.differing > kDetailedFailures) return;
    const PixelDepth depth = kReferenceDepths[depthIndex];
    outcome.lines.push_back(scene.name + " (line " + std::to_string(scene.line) + ") at depth " + depthLabel(depth) +
                            " through " + route.name + ": " + (got ? hashText(*got) : "no frame") + ", the table has " +
                            (stored ? hashText(*stored) : "no hash yet"));
    outcome.lines.push_back("    settings: " + describeReferenceScene(scene));
    outcome.lines.push_back("    render it: " + renderCommandFor(scene, depth));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string tablePath;
    bool update = false;
    std::vector<Route> routes;
    if (!parseArguments(args, tablePath, update, routes)) {
        std::fprintf(stderr,
                     "usage: tilesweep_refframes TABLE [--update] [--engine] [--plugin 64|32 PLUGIN]... [--pe PLUGIN.aex]\n");
        return 2;
    }
    std::string text, error;
    ReferenceTable table;
    if (!readFile(tablePath, text, error) || !parseReferenceTable(text, table, error)) {
        std::fprintf(stderr, "tilesweep_refframes: %s: %s\n", tablePath.c_str(), error.c_str());
        return 2;
    }
    const std::vector<const ReferenceScene*> scenes = std::as_const(table).scenes();

    std::vector<RouteHashes> results;
    Outcome outcome;
    for (const Route& route : routes) {
        results.push_back(route.makeHost ? renderThroughPlugin(scenes, route.makeHost) : renderThroughEngine(scenes));
        for (const std::string& line : results.back().failures) outcome.lines.push_back("through " + route.name + ": " + line);
    }
    std::size_t failures = outcome.lines.size();

    // Against the table, or (updating) against the first route.
    std::size_t changed = 0;
    std::vector<std::string> changes;
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        std::array<std::optional<uint64_t>, 3> expected = scenes[s]->hashes;
        if (update) expected = results.front().hashes[s];
        for (std::size_t r = 0; r < routes.size(); ++r) {
            for (std::size_t d = 0; d < kReferenceDepths.size(); ++d) {
                const std::optional<uint64_t>& got = results[r].hashes[s][d];
                if (!got || got != expected[d]) reportDifference(outcome, *scenes[s], d, routes[r], got, expected[d]);
            }
        }
        if (update && expected != scenes[s]->hashes) {
            std::string depths;
            for (std::size_t d = 0; d < kReferenceDepths.size(); ++d) {
                if (expected[d] != scenes[s]->hashes[d]) depths += std::string(depths.empty() ? "" : ", ") + depthLabel(kReferenceDepths[d]);
            }
            changes.push_back(scenes[s]->name + (scenes[s]->hashes[0] ? " changed at depth " + depths : " new"));
            ++changed;
        }
    }
    if (outcome.differing > kDetailedFailures) {
        outcome.lines.push_back("... and " + std::to_string(outcome.differing - kDetailedFailures) + " more");
    }
    for (const std::string& line : outcome.lines) std::fprintf(stderr, "%s\n", line.c_str());

    std::string routeNames;
    for (const Route& route : routes) routeNames += (routeNames.empty() ? "" : ", ") + route.name;
    const std::size_t frames = scenes.size() * kReferenceDepths.size();
    if (failures > 0 || outcome.differing > 0) {
        std::fprintf(stderr, "reference frames: %zu of %zu frames differ%s, %zu failures, through %s\n",
                     outcome.differing, frames * routes.size(), update ? " between the routes" : " from the table",
                     failures, routeNames.c_str());
        if (!update) std::fprintf(stderr, "A deliberate change of a picture: scripts/reference-frames --update\n");
        return 1;
    }
    if (update) {
        std::size_t s = 0;
        for (ReferenceScene* scene : table.scenes()) scene->hashes = results.front().hashes[s++];
        if (changed > 0 && !writeFile(tablePath, formatReferenceTable(table), error)) {
            std::fprintf(stderr, "tilesweep_refframes: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& line : changes) std::printf("%s\n", line.c_str());
        std::printf("reference frames: %zu of %zu scenes changed, table %s\n", changed, scenes.size(),
                    changed > 0 ? "rewritten" : "unchanged");
        return 0;
    }
    std::printf("reference frames: %zu scenes x %zu depths equal to the table through %s\n", scenes.size(),
                kReferenceDepths.size(), routeNames.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
