#include "GlobalData.h"

#include <new>

#include "HostHandles.h"
#include "PiPL.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {

namespace {

constexpr A_u_char kEmptySequenceByte = 0;

void releaseSequenceData(const PF_HandleSuite1& handles, PF_InData& in) {
    if (in.sequence_data != nullptr) handles.host_dispose_handle(in.sequence_data);
}

}  // namespace

void formatAboutText(const Flavour& flavour, SprintfFn sprintf, A_char* buffer) {
    constexpr VersionNumbers version = unpackVersion(kEffectVersion);
    if (flavour.aboutShowsBugfix) {
        sprintf(buffer, flavour.aboutFormat, kEffectName, version.major, version.minor, version.bugfix,
                kEffectDescription);
    } else {
        sprintf(buffer, flavour.aboutFormat, kEffectName, version.major, version.minor, kEffectDescription);
    }
}

PF_Err showAbout(const Flavour& flavour, PF_InData& in, PF_OutData& out) {
    if (!flavour.aboutThroughAnsiSuite) {
        formatAboutText(flavour, in.utils->ansi.sprintf, out.return_msg);
        return PF_Err_NONE;
    }
    SuiteHandler suites(in.pica_basicP);
    const auto& ansi = suites.acquire<PF_ANSICallbacksSuite1>(kPFANSISuite, kPFANSISuiteVersion1);
    formatAboutText(flavour, ansi.sprintf, out.return_msg);
    return PF_Err_NONE;
}

PF_Err globalSetup(const Flavour& flavour, PF_InData& in, PF_OutData& out) {
    out.my_version = kEffectVersion;
    out.out_flags |= kGlobalOutFlags;
    out.out_flags2 |= kGlobalOutFlags2;

    SuiteHandler suites(in.pica_basicP);
    const PF_HandleSuite1& handles = handleSuite(suites, flavour);
    OwnedHandle block(handles.host_dispose_handle, handles.host_new_handle(sizeof(GlobalData)));
    if (block.get() == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const HandleLock lock(handles, block.get());
    if (lock.data() == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    auto* global = new (lock.data()) GlobalData{1, 0};
    const auto& utility = suites.acquire<AEGP_UtilitySuite3>(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3);
    const A_Err err = utility.AEGP_RegisterWithAEGP(nullptr, kRegistrationName, &global->pluginId);
    if (err == A_Err_NONE) out.global_data = block.handOver();
    return err;
}

PF_Err globalSetdown(const Flavour& flavour, PF_InData& in) {
    if (in.global_data == nullptr) return PF_Err_NONE;
    SuiteHandler suites(in.pica_basicP);
    handleSuite(suites, flavour).host_dispose_handle(in.global_data);
    return PF_Err_NONE;
}

PF_Err sequenceSetup(const Flavour& flavour, PF_InData& in, PF_OutData& out) {
    SuiteHandler suites(in.pica_basicP);
    const PF_HandleSuite1& handles = handleSuite(suites, flavour);
    // The old block goes only once the new one stands: until then the host may
    // still use it (a host keeps the handle it had after a failed resetup).
    out.sequence_data = in.sequence_data;
    OwnedHandle block(handles.host_dispose_handle, handles.host_new_handle(sizeof(kEmptySequenceByte)));
    if (block.get() == nullptr) return PF_Err_OUT_OF_MEMORY;
    {
        const HandleLock lock(handles, block.get());
        if (lock.data() == nullptr) return PF_Err_OUT_OF_MEMORY;
        *static_cast<A_u_char*>(lock.data()) = kEmptySequenceByte;
    }
    releaseSequenceData(handles, in);
    out.sequence_data = block.handOver();
    return PF_Err_NONE;
}

PF_Err sequenceSetdown(const Flavour& flavour, PF_InData& in) {
    if (in.sequence_data == nullptr) return PF_Err_NONE;
    SuiteHandler suites(in.pica_basicP);
    releaseSequenceData(handleSuite(suites, flavour), in);
    return PF_Err_NONE;
}

PF_Err showGeneralText(PF_InData& in, PF_OutData& out, const void* extra) {
    SuiteHandler suites(in.pica_basicP);
    const auto& ansi = suites.acquire<PF_ANSICallbacksSuite1>(kPFANSISuite, kPFANSISuiteVersion1);
    if (extra == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    // The host's sprintf knows nothing of return_msg's size, so the text is cut
    // to fit before it gets there.
    A_char text[sizeof(out.return_msg)];
    copyBounded(text, sizeof(text), static_cast<const A_char*>(extra));
    ansi.sprintf(out.return_msg, "%s", text);
    return PF_Err_NONE;
}

}  // namespace tilesweep::plugin
