// tilesweep: plans and renders the wipe outside the host.
#include <CLI/CLI.hpp>
#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "AddressSpace.h"
#include "Commands.h"
#include "PluginSession.h"
#include "RenderCommand.h"
#include "ToolFiles.h"
#include "StandardStreams.h"

using namespace tilesweep;

namespace {

void addSceneOptions(CLI::App& command, SceneOptions& scene) {
    command.add_option("--param", scene.params, "Parameter value \"UI Name=VALUE\" (repeatable)")->type_name("NAME=VALUE");
    command.add_option("--mask", scene.masks, "Mask as an SVG path with absolute M, L, C, Z (repeatable; numbered from 1)")
        ->type_name("PATH");
    command.add_option("--keyframe", scene.keyframes, "Keyframe \"UI Name=TIME:VALUE\", TIME a frame number (repeatable)")
        ->type_name("NAME=TIME:VALUE");
    command.add_option("--fps", scene.fps, "Frames per second of the timeline (default 30)");
}

constexpr const char* kPluginOptionHelp = "The plug-in file (default: the one beside the tool, in ../plugin/ or in "
                                         "../lib/tilesweep/)";

int finish(int code, const std::string& out, const std::string& error) {
    std::string failure = error;
    if (!out.empty() && !writeStandardOutput(out, failure)) code = kExitFailed;
    if (!failure.empty()) std::fprintf(stderr, "tilesweep: %s\n", failure.c_str());
    return code;
}

// Loads the render module and runs the command in it.
int renderThroughModule(const RenderOptions& options, std::string& error) {
    const std::string module = findToolFile(kRenderModuleFile);
    if (module.empty()) {
        error = std::string("cannot find the render module ") + kRenderModuleFile +
                " beside the tool or in ../lib/tilesweep/";
        return kExitFailed;
    }
    // Never closed: OpenImageIO's worker threads may outlive the call.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry = handle ? reinterpret_cast<RenderEntry>(::dlsym(handle, kRenderEntryName)) : nullptr;
    if (entry == nullptr) {
        const char* why = ::dlerror();
        error = "cannot load the render module " + module + ": " + (why ? why : "no entry point");
        return kExitFailed;
    }
    return entry(&options, &error);
}

// The plug-in's about box, then this build's version and the files it runs with.
int runAbout(const std::string& pluginPath, std::string& out, std::string& error) {
    const std::string plugin = pluginPath.empty() ? findPlugin() : pluginPath;
    auto session = PluginSession::open(plugin, error);
    if (!session || !session->about(out, error)) return kExitFailed;
    const std::string module = findToolFile(kRenderModuleFile);
    out += std::string("\n\ntilesweep ") + toolVersion() + "\nplug-in: " + plugin +
           "\nrender module: " + (module.empty() ? std::string("not found") : module) + "\n";
    return kExitOk;
}

// The plan is the engine's alone, but the user still hears of settings the effect
// would grey out; without a plug-in there is nothing to ask.
void warnAboutGreyedOut(const SceneOptions& options) {
    std::string error;
    Scene scene;
    if (!buildScene(options, true, scene, error)) return;
    auto session = PluginSession::open("", error);
    if (!session) return;
    for (const std::string& warning : session->greyedOutWarnings(scene, namedParams(options))) {
        std::fprintf(stderr, "tilesweep: warning: %s\n", warning.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    holdClosedStandardStreams();
    CLI::App app{"tilesweep: plans and renders the TovelaTileSweep block wipe outside the host."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tilesweep ") + toolVersion(), "Print the version and exit");
    app.failure_message([](const CLI::App*, const CLI::Error& e) { return "tilesweep: " + std::string(e.what()) + "\n"; });

    SceneOptions planScene;
    std::string width;
    std::string height;
    CLI::App* plan = app.add_subcommand("plan", "Print the plan of one frame (grid, order, directions, timing) as JSON");
    plan->add_option("--width", width, "Layer width in pixels, 0 to 30000")->required()->type_name("PIXELS");
    plan->add_option("--height", height, "Layer height in pixels, 0 to 30000")->required()->type_name("PIXELS");
    addSceneOptions(*plan, planScene);

    bool paramsDirect = false;
    std::string paramsPlugin;
    CLI::App* params = app.add_subcommand("params", "List the effect's 26 parameters as the plug-in registers them");
    params->add_flag("--direct", paramsDirect, "List the parameter table itself, without loading the plug-in");
    params->add_option("--plugin", paramsPlugin, kPluginOptionHelp)->type_name("FILE");

    std::string aboutPlugin;
    CLI::App* about =
        app.add_subcommand("about", "Show the plug-in's about box, the tool's version and the files it uses");
    about->add_option("--plugin", aboutPlugin, kPluginOptionHelp)->type_name("FILE");

    RenderOptions renderOptions;
    CLI::App* render = app.add_subcommand(
        "render", "Render the wipe over an image (or a built-in test image) into a frame, a sequence or a contact sheet");
    render->add_option("INPUT", renderOptions.input, "Image to wipe, any format OpenImageIO reads (default: a test image)")
        ->type_name("FILE");
    render->add_option("-o,--output", renderOptions.output,
                       "Image to write: .png (8, 16-bit), .tif or .exr; a sequence's name holds a frame number "
                       "pattern such as %04d")
        ->required()
        ->type_name("FILE");
    render->add_option("--depth", renderOptions.depth, "Render depth 8, 16 or 32 (default: the input's)")
        ->type_name("8|16|32");
    render->add_option("--frames", renderOptions.frames,
                       "Render N frames; Completion runs 0 to 100 % over them unless keyframed")
        ->type_name("N");
    render->add_option("--frame", renderOptions.frame, "Render frame F of the keyframed animation")->type_name("F");
    render->add_option("--sheet", renderOptions.sheet, "Write one contact sheet of C x R moments of the wipe")
        ->type_name("CxR");
    render->add_option("--size", renderOptions.size, "Size of the built-in test image (default 1920x1080)")
        ->type_name("WxH");
    render->add_option("--noise", renderOptions.noise,
                       "Wipe a seeded noise picture with partly transparent pixels instead of the test image (the "
                       "picture of the reference frames)")
        ->type_name("SEED");
    render->add_option("--jobs", renderOptions.jobs, "Frames of --frames or --sheet rendered at once (default: one per core)")
        ->type_name("N");
    render->add_option("--memory-budget", renderOptions.memoryBudget,
                       "Memory a render may take, such as 2G or 512M (default: half the machine's memory); "
                       "an image that would need more is refused")
        ->type_name("SIZE");
    render->add_option("--region", renderOptions.region,
                       "Render only this rectangle of the layer, as a zoomed viewer asks for it, and write just its "
                       "pixels")
        ->type_name("LEFT,TOP,RIGHT,BOTTOM");
    render->add_option("--downsample", renderOptions.downsample,
                       "Render at 1/N across and 1/M down (M: N if left out), as a viewer at reduced resolution "
                       "shows the layer; --region is then in the reduced frame's pixels")
        ->type_name("N[,M]");
    render->add_flag("--quiet", renderOptions.quiet, "No progress bar and no report of what was written");
    render->add_flag("--direct", renderOptions.direct, "Render with the engine alone instead of through the plug-in");
    render->add_option("--plugin", renderOptions.plugin, kPluginOptionHelp)->type_name("FILE");
    addSceneOptions(*render, renderOptions.scene);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, std::cout, std::cerr) == 0 ? kExitOk : kExitBadInput;
        std::string error;
        return flushStandardOutput(error) ? code : finish(kExitFailed, "", error);
    }

    std::string out;
    std::string error;
    if (plan->parsed()) {
        const int code = runPlan(planScene, width, height, out, error);
        if (code != kExitOk || !writeStandardOutput(out, error)) return finish(code != kExitOk ? code : kExitFailed, "", error);
        warnAboutGreyedOut(planScene);
        return kExitOk;
    }
    if (params->parsed()) {
        if (paramsDirect) return finish(kExitOk, paramsText(), "");
        auto session = PluginSession::open(paramsPlugin, error);
        return session ? finish(kExitOk, session->paramsText(), "") : finish(kExitFailed, "", error);
    }
    if (about->parsed()) {
        const int code = runAbout(aboutPlugin, out, error);
        return finish(code, code == kExitOk ? out : "", error);
    }
    if (render->parsed()) {
        if (!enoughAddressSpaceToRender(error)) return finish(kExitFailed, "", error);
        return finish(renderThroughModule(renderOptions, error), "", error);
    }
    return kExitBadInput;
}
