// tilesweep: plans and renders the wipe outside the host.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>

#include "Commands.h"

using namespace tilesweep;

namespace {

void addSceneOptions(CLI::App& command, SceneOptions& scene) {
    command.add_option("--param", scene.params, "Parameter value \"UI Name=VALUE\" (repeatable)")->type_name("\"NAME=VALUE\"");
    command.add_option("--mask", scene.masks, "Mask as an SVG path with absolute M, L, C, Z (repeatable; numbered from 1)")
        ->type_name("PATH");
    command.add_option("--keyframe", scene.keyframes, "Keyframe \"UI Name=TIME:VALUE\", TIME a frame number (repeatable)")
        ->type_name("\"NAME=TIME:VALUE\"");
    command.add_option("--fps", scene.fps, "Frames per second of the timeline (default 30)");
}

int finish(int code, const std::string& out, const std::string& error) {
    if (!out.empty()) std::fwrite(out.data(), 1, out.size(), stdout);
    if (!error.empty()) std::fprintf(stderr, "tilesweep: %s\n", error.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tilesweep: plans and renders the TovelaTileSweep block wipe outside the host."};
    app.require_subcommand(1);
    app.failure_message([](const CLI::App*, const CLI::Error& e) { return "tilesweep: " + std::string(e.what()) + "\n"; });

    SceneOptions planScene;
    std::string width;
    std::string height;
    CLI::App* plan = app.add_subcommand("plan", "Print the plan of one frame (grid, order, directions, timing) as JSON");
    plan->add_option("--width", width, "Layer width in pixels, 0 to 30000")->required();
    plan->add_option("--height", height, "Layer height in pixels, 0 to 30000")->required();
    addSceneOptions(*plan, planScene);

    app.add_subcommand("params", "List the effect's 26 parameters with ranges, defaults and items");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, std::cout, std::cerr) == 0 ? kExitOk : kExitBadInput;
    }

    std::string out;
    std::string error;
    if (plan->parsed()) return finish(runPlan(planScene, width, height, out, error), out, error);
    if (app.got_subcommand("params")) return finish(kExitOk, paramsText(), "");
    return kExitBadInput;
}
