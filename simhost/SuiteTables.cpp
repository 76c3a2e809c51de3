// The suites and callback records the simulated host hands to the plug-in, and the
// host whose command is running.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HostCallbacks.h"

namespace tilesweep::simhost {

using namespace callbacks;

namespace {

thread_local SimHost::Impl* gActive = nullptr;

std::string suiteLabel(const char* name, A_long version) { return std::string(name) + " " + std::to_string(version); }

// ---- The suite tables.

const PF_HandleSuite1 kHandleSuite{newHandle, lockHandle, unlockHandle, disposeHandle, handleSize, resizeHandle};
const PF_ANSICallbacksSuite1 kAnsiSuite = makeAnsiSuite();
const PF_WorldSuite2 kWorldSuite{newWorld, disposeWorld, getPixelFormat};
const PF_ParamUtilsSuite1 kParamUtilsSuite = [] {
    PF_ParamUtilsSuite1 s{};
    s.PF_UpdateParamUI = updateParamUI;
    s.PF_GetCurrentStateObsolete = getCurrentState;
    s.PF_HasParamChangedObsolete = hasParamChangedIgnoringIndex;
    return s;
}();
const PF_LegacyParamUtilsSuite1 kLegacyParamUtilsSuite = [] {
    PF_LegacyParamUtilsSuite1 s{};
    s.PF_UpdateParamUI = updateParamUI;
    s.PF_GetCurrentState = getCurrentState;
    s.PF_HasParamChanged = hasParamChangedByIndex;
    return s;
}();
const PF_PathQuerySuite1 kPathQuerySuite{nullptr, nullptr, checkoutPath, checkinPath};
const PF_PathDataSuite1 kPathDataSuite{nullptr, pathNumSegments, nullptr, pathPrepareSegLength, pathGetSegLength,
                                       pathEvalSegLength, nullptr, pathCleanupSegLength, nullptr, nullptr, nullptr};
const AEGP_UtilitySuite3 kUtilitySuite = [] {
    AEGP_UtilitySuite3 s{};
    s.AEGP_RegisterWithAEGP = registerWithAEGP;
    return s;
}();
const AEGP_PFInterfaceSuite1 kPFInterfaceSuite{nullptr, getNewEffectForEffect, nullptr, nullptr, nullptr};
const AEGP_StreamSuite2 kStreamSuite = [] {
    AEGP_StreamSuite2 s{};
    s.AEGP_GetNewEffectStreamByIndex = getNewEffectStreamByIndex;
    s.AEGP_DisposeStream = disposeStream;
    s.AEGP_GetNewStreamValue = getNewStreamValue;
    s.AEGP_DisposeStreamValue = disposeStreamValue;
    return s;
}();
const AEGP_KeyframeSuite3 kKeyframeSuite = [] {
    AEGP_KeyframeSuite3 s{};
    s.AEGP_GetStreamNumKFs = getStreamNumKFs;
    s.AEGP_GetKeyframeTime = getKeyframeTime;
    return s;
}();
const AEGP_EffectSuite2 kEffectSuite = [] {
    AEGP_EffectSuite2 s{};
    s.AEGP_DisposeEffect = disposeEffect;
    return s;
}();

enum class Era { Both, Current, Legacy };

struct SuiteEntry {
    const char* name;
    A_long version;
    const void* table;
    Era era;
};

const SuiteEntry kSuites[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1, &kHandleSuite, Era::Current},
    {kPFHandleSuite, kPFHandleSuiteVersionLegacy, &kHandleSuite, Era::Legacy},
    {kPFANSISuite, kPFANSISuiteVersion1, &kAnsiSuite, Era::Both},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &kWorldSuite, Era::Both},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &kParamUtilsSuite, Era::Current},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersionLegacy, &kLegacyParamUtilsSuite, Era::Legacy},
    {kPFPathQuerySuite, kPFPathQuerySuiteVersion1, &kPathQuerySuite, Era::Both},
    {kPFPathDataSuite, kPFPathDataSuiteVersion1, &kPathDataSuite, Era::Both},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, &kUtilitySuite, Era::Both},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &kPFInterfaceSuite, Era::Both},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion2, &kStreamSuite, Era::Both},
    {kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion3, &kKeyframeSuite, Era::Both},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion2, &kEffectSuite, Era::Both},
};

SPErr acquireSuite(const char* name, A_long version, const void** suite) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::AcquireSuite, version, name, version);
    if (suite != nullptr) *suite = nullptr;
    if (fault) return *fault;
    if (name == nullptr || suite == nullptr) {
        h.complain("AcquireSuite without a name or a place for the suite");
        return kSPSuiteNotFoundError;
    }
    if (h.suiteRefused(name, version)) return kSPSuiteNotFoundError;
    const Era era = h.flavour == Flavour::Plugin32 ? Era::Legacy : Era::Current;
    for (const SuiteEntry& entry : kSuites) {
        if (std::strcmp(entry.name, name) == 0 && entry.version == version &&
            (entry.era == Era::Both || entry.era == era)) {
            ++h.suitesHeld[{name, version}];
            *suite = entry.table;
            return kSPNoError;
        }
    }
    return kSPSuiteNotFoundError;
}

SPErr releaseSuite(const char* name, A_long version) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::ReleaseSuite, version, name, version);
    const auto held = name == nullptr ? h.suitesHeld.end() : h.suitesHeld.find({name, version});
    if (held == h.suitesHeld.end() || held->second == 0) {
        h.complain("ReleaseSuite of " + suiteLabel(name == nullptr ? "(null)" : name, version) +
                   ", which is not held");
        return fault ? *fault : kSPSuiteNotFoundError;
    }
    if (--held->second == 0) h.suitesHeld.erase(held);
    return fault ? *fault : kSPNoError;
}

SPBoolean isEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0 ? 1 : 0; }

SPBasicSuite gBasicSuite{acquireSuite, releaseSuite, isEqual, nullptr, nullptr, nullptr, nullptr};

}  // namespace

SimHost::Impl& activeHost() {
    if (gActive == nullptr) {
        std::fputs("simhost: the plug-in called the host outside any command\n", stderr);
        std::abort();
    }
    return *gActive;
}

ActiveScope::ActiveScope(SimHost::Impl* host) : previous_(gActive) { gActive = host; }
ActiveScope::~ActiveScope() { gActive = previous_; }

const PF_InteractCallbacks& interactCallbacks() {
    static const PF_InteractCallbacks callbacks = [] {
        PF_InteractCallbacks c{};
        c.checkout_param = checkoutParam;
        c.checkin_param = checkinParam;
        c.add_param = addParam;
        c.abort = abortCheck;
        c.progress = progress;
        return c;
    }();
    return callbacks;
}

void fillUtilCallbacks(PF_UtilCallbacks& u) {
    u = PF_UtilCallbacks{};
    u.copy = copy;
    u.fill = fill;
    u.transfer_rect = transferRect;
    u.host_new_handle = newHandle;
    u.host_lock_handle = lockHandle;
    u.host_unlock_handle = unlockHandle;
    u.host_dispose_handle = disposeHandle;
    u.app = app;
    fillAnsi(u.ansi);
    u.host_get_handle_size = handleSize;
    u.host_resize_handle = resizeHandle;
}

SPBasicSuite* basicSuite() { return &gBasicSuite; }

const PF_PreRenderCallbacks& preRenderCallbacks() {
    static const PF_PreRenderCallbacks callbacks{checkoutLayer, guidMixIn};
    return callbacks;
}

const PF_SmartRenderCallbacks& smartRenderCallbacks() {
    static const PF_SmartRenderCallbacks callbacks{checkoutLayerPixels, checkinLayerPixels, checkoutOutput};
    return callbacks;
}

}  // namespace tilesweep::simhost
