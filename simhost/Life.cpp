#include "Life.h"

namespace tilesweep::simhost {

PixelBuffer lifeInput(const LifePlan& plan) {
    return makePatternImage(plan.depth, plan.width, plan.height, plan.paddingPixels, plan.imageSeed);
}

LifeReport runLife(SimHost& host, const LifePlan& plan) {
    LifeReport report;
    if (host.globalSetup() != PF_Err_NONE) {
        host.unload();
        return report;
    }
    host.about();
    if (host.flavour() == Flavour::Plugin32) host.completelyGeneral(plan.generalText);
    if (host.paramsSetup() == PF_Err_NONE && host.registrationComplete()) {
        const InstanceId instance = host.sequenceSetup();
        if (plan.resetup && host.hasInstance(instance)) host.sequenceResetup(instance);
        if (host.hasInstance(instance)) {
            PixelBuffer input = lifeInput(plan);
            for (const LifeFrame& frame : plan.frames) {
                host.updateParamsUi(instance, frame.scene, frame.time);
                PixelBuffer output(plan.depth, plan.width, plan.height, plan.paddingPixels);
                FrameOptions options;
                options.request = frame.request;
                report.frameErrs.push_back(host.renderFrame(instance, frame.scene, frame.time, input, output, options));
                report.outputs.push_back(std::move(output));
            }
            host.sequenceSetdown(instance);
        }
    }
    report.reachedSetdown = true;
    host.globalSetdown();
    host.unload();
    return report;
}

}  // namespace tilesweep::simhost
