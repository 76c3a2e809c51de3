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
                FrameOptions options = plan.frameOptions;
                options.request = frame.request;
                const PF_LRect covered = bufferRect(plan.width, plan.height, options);
                PixelBuffer output(plan.depth, covered.right - covered.left, covered.bottom - covered.top,
                                   plan.paddingPixels);
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
