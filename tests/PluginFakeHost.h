// A small stand-in for the host, enough to drive the plug-in's commands one at a
// time: handles with accounting, the suites the lifecycle and the parameter UI
// use, and failures on request. The host's callbacks are plain C functions, so
// the fake is one global object that each test resets.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "AE_HostApi.h"
#include "ParamRegistration.h"
#include "ParamTable.h"

namespace tilesweep::plugin::test {

// A definition as the host delivers it: its type and its value word.
inline void setValueWord(PF_ParamDef& def, ParamKind kind, int32_t value) {
    def.param_type = hostParamType(kind);
    switch (kind) {
        case ParamKind::FixedSlider: def.u.fd.value = value; break;
        case ParamKind::Slider: def.u.sd.value = value; break;
        case ParamKind::Popup: def.u.pd.value = value; break;
        case ParamKind::Path: def.u.path_d.path_id = static_cast<PF_PathID>(value); break;
        case ParamKind::Checkbox: def.u.bd.value = value; break;
        case ParamKind::Angle: def.u.ad.value = value; break;
    }
}

struct SentUpdate {
    PF_ParamIndex index;
    PF_ParamDef def;
};

class FakeHost {
public:
    // ---- What a test arranges --------------------------------------------------
    std::set<std::pair<std::string, A_long>> missingSuites;
    int failNewHandleAt = -1;  // index of the allocation that fails
    bool failLock = false;
    A_Err registerErr = A_Err_NONE;
    PF_Err hasChangedErr = PF_Err_NONE;
    PF_Boolean hasChangedAnswer = 0;
    PF_Err getStateErr = PF_Err_NONE;
    int failUpdateAt = -1;     // index of the PF_UpdateParamUI call that fails
    PF_Err addParamErr = PF_Err_NONE;
    int failAddParamId = -1;   // uu.id whose add_param fails
    int failCheckoutIndex = -1;
    PF_Err checkoutLayerErr = PF_Err_NONE;
    PF_CheckoutResult layerResult{};
    RawParamValues values = defaultRawValues();
    PF_Err checkoutOutputErr = PF_Err_NONE;
    PF_PixelFormat pixelFormat = PF_PixelFormat_ARGB32;

    // ---- What a test reads -------------------------------------------------------
    int newHandles = 0;
    int badDisposals = 0;
    int hasChangedCalls = 0;
    PF_ParamIndex hasChangedIndex = 0;
    int getStateCalls = 0;
    std::vector<SentUpdate> updates;
    std::vector<PF_ParamDef> added;
    std::vector<PF_ParamIndex> checkouts;
    int checkins = 0;
    int layerCheckouts = 0;
    PF_RenderRequest layerRequest{};
    std::map<std::pair<std::string, A_long>, int> acquired;  // acquisitions minus releases
    std::size_t longestSprintf = 0;

    PF_InData in{};
    PF_OutData out{};
    PF_UtilCallbacks utils{};
    SPBasicSuite basic{};
    PF_HandleSuite1 handleSuite{};
    PF_ANSICallbacksSuite1 ansiSuite{};
    PF_ParamUtilsSuite1 paramUtils{};
    PF_LegacyParamUtilsSuite1 legacyParamUtils{};
    AEGP_UtilitySuite3 utilitySuite{};
    PF_WorldSuite2 worldSuite{};

    // The smart commands' records, with an 8 x 8 layer.
    static constexpr A_long kSide = 8;
    std::vector<PF_Pixel> inputPixels = std::vector<PF_Pixel>(kSide * kSide, PF_Pixel{255, 10, 20, 30});
    std::vector<PF_Pixel> outputPixels = std::vector<PF_Pixel>(kSide * kSide);
    PF_EffectWorld inputWorld{};
    PF_EffectWorld outputWorld{};
    PF_PreRenderInput preRenderInput{};
    PF_PreRenderOutput preRenderOutput{};
    PF_PreRenderCallbacks preRenderCb{};
    PF_PreRenderExtra preRenderExtra{&preRenderInput, &preRenderOutput, &preRenderCb};
    PF_SmartRenderInput renderInput{};
    PF_SmartRenderCallbacks renderCb{};
    PF_SmartRenderExtra renderExtra{&renderInput, &renderCb};

    FakeHost() {
        current() = this;
        basic.AcquireSuite = acquireSuite;
        basic.ReleaseSuite = releaseSuite;
        handleSuite = PF_HandleSuite1{newHandle, lockHandle, unlockHandle, disposeHandle, handleSize, nullptr};
        ansiSuite.sprintf = hostSprintf;
        paramUtils.PF_UpdateParamUI = updateParamUI;
        paramUtils.PF_GetCurrentStateObsolete = getCurrentState;
        paramUtils.PF_HasParamChangedObsolete = hasParamChanged;
        legacyParamUtils.PF_UpdateParamUI = updateParamUI;
        legacyParamUtils.PF_GetCurrentState = getCurrentState;
        legacyParamUtils.PF_HasParamChanged = hasParamChanged;
        utilitySuite.AEGP_RegisterWithAEGP = registerWithAegp;
        worldSuite.PF_GetPixelFormat = getPixelFormat;
        preRenderCb.checkout_layer = checkoutLayer;
        renderCb.checkout_layer_pixels = checkoutLayerPixels;
        renderCb.checkout_output = checkoutOutput;
        for (auto* world : {&inputWorld, &outputWorld}) {
            world->width = kSide;
            world->height = kSide;
            world->rowbytes = kSide * static_cast<A_long>(sizeof(PF_Pixel));
        }
        inputWorld.data = inputPixels.data();
        outputWorld.data = outputPixels.data();
        layerResult.result_rect = PF_LRect{0, 0, kSide, kSide};
        layerResult.max_result_rect = layerResult.result_rect;
        utils.host_new_handle = newHandle;
        utils.host_lock_handle = lockHandle;
        utils.host_unlock_handle = unlockHandle;
        utils.host_dispose_handle = disposeHandle;
        utils.host_get_handle_size = handleSize;
        utils.ansi.sprintf = hostSprintf;
        utils.ansi.strcpy = hostStrcpy;
        utils.ansi.fmod = hostFmod;
        utils.ansi.floor = hostFloor;
        in.utils = &utils;
        in.pica_basicP = &basic;
        in.effect_ref = reinterpret_cast<PF_ProgPtr>(&effect_);
        in.inter.add_param = addParam;
        in.inter.checkout_param = checkoutParam;
        in.inter.checkin_param = checkinParam;
        in.current_time = 12;
        in.time_step = 1;
        in.time_scale = 24;
    }
    ~FakeHost() {
        for (auto& entry : blocks_) {
            delete[] static_cast<unsigned char*>(*entry.first);
            delete entry.first;
        }
        for (PF_Handle handle : freed_) delete handle;
        current() = nullptr;
    }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static FakeHost*& current() {
        static FakeHost* host = nullptr;
        return host;
    }

    std::size_t liveHandles() const { return blocks_.size(); }
    bool isLive(PF_Handle handle) const { return blocks_.count(handle) != 0; }
    int locksHeld() const {
        int locks = 0;
        for (const auto& entry : blocks_) locks += entry.second.locks;
        return locks;
    }
    bool suitesBalanced() const {
        for (const auto& entry : acquired) {
            if (entry.second != 0) return false;
        }
        return true;
    }
    A_HandleSize sizeOf(PF_Handle handle) const { return blocks_.at(handle).size; }
    template <typename T>
    T* dataOf(PF_Handle handle) const {
        return static_cast<T*>(*handle);
    }
    // A block the host made, as if the plug-in had made it earlier.
    PF_Handle makeBlock(A_HandleSize size) {
        const int saved = failNewHandleAt;
        failNewHandleAt = -1;
        PF_Handle handle = newHandle(size);
        failNewHandleAt = saved;
        --newHandles;
        return handle;
    }

private:
    struct Block {
        A_HandleSize size;
        int locks;
    };

    static FakeHost& host() { return *current(); }

    static SPErr acquireSuite(const char* name, A_long version, const void** suite) {
        FakeHost& h = host();
        const auto key = std::make_pair(std::string(name), version);
        *suite = nullptr;
        if (h.missingSuites.count(key) != 0) return kSPSuiteNotFoundError;
        const void* table = h.tableFor(key);
        if (table == nullptr) return kSPSuiteNotFoundError;
        *suite = table;
        ++h.acquired[key];
        return kSPNoError;
    }
    static SPErr releaseSuite(const char* name, A_long version) {
        --host().acquired[std::make_pair(std::string(name), version)];
        return kSPNoError;
    }
    const void* tableFor(const std::pair<std::string, A_long>& key) const {
        if (key.first == kPFHandleSuite && (key.second == 1 || key.second == 2)) return &handleSuite;
        if (key.first == kPFANSISuite && key.second == 1) return &ansiSuite;
        if (key.first == kPFParamUtilsSuite && key.second == 2) return &paramUtils;
        if (key.first == kPFParamUtilsSuite && key.second == 1) return &legacyParamUtils;
        if (key.first == kAEGPUtilitySuite && key.second == 7) return &utilitySuite;
        if (key.first == kPFWorldSuite && key.second == 2) return &worldSuite;
        return nullptr;
    }

    static PF_Handle newHandle(A_HandleSize size) {
        FakeHost& h = host();
        if (h.newHandles++ == h.failNewHandleAt) return nullptr;
        auto handle = new void*(new unsigned char[size == 0 ? 1 : size]());
        h.blocks_[handle] = Block{size, 0};
        return handle;
    }
    static void* lockHandle(PF_Handle handle) {
        FakeHost& h = host();
        if (h.failLock || h.blocks_.count(handle) == 0) return nullptr;
        ++h.blocks_[handle].locks;
        return *handle;
    }
    static void unlockHandle(PF_Handle handle) {
        FakeHost& h = host();
        if (h.blocks_.count(handle) == 0 || h.blocks_[handle].locks == 0) {
            ADD_FAILURE() << "unlock of a handle that is not locked";
            return;
        }
        --h.blocks_[handle].locks;
    }
    static void disposeHandle(PF_Handle handle) {
        FakeHost& h = host();
        if (h.blocks_.erase(handle) == 0) {
            ++h.badDisposals;
            return;
        }
        delete[] static_cast<unsigned char*>(*handle);
        // Kept until the end, so that no later handle has a freed one's address.
        *handle = nullptr;
        h.freed_.push_back(handle);
    }
    static A_HandleSize handleSize(PF_Handle handle) {
        FakeHost& h = host();
        return h.blocks_.count(handle) != 0 ? h.blocks_[handle].size : 0;
    }

    static A_long hostSprintf(A_char* buffer, const A_char* format, ...) {
        va_list args;
        va_start(args, format);
        va_list measure;
        va_copy(measure, args);
        const int length = std::vsnprintf(nullptr, 0, format, measure);
        va_end(measure);
        FakeHost& h = host();
        if (static_cast<std::size_t>(length) > h.longestSprintf) h.longestSprintf = static_cast<std::size_t>(length);
        // The fake stops at return_msg's size so that a test sees an overlong text
        // as a number, not as a corrupted record.
        std::vsnprintf(buffer, sizeof(h.out.return_msg), format, args);
        va_end(args);
        return length;
    }
    static A_char* hostStrcpy(A_char* destination, const A_char* source) { return std::strcpy(destination, source); }
    static A_FpLong hostFmod(A_FpLong x, A_FpLong y) { return std::fmod(x, y); }
    static A_FpLong hostFloor(A_FpLong x) { return std::floor(x); }

    static A_Err registerWithAegp(AEGP_GlobalRefcon, const A_char*, AEGP_PluginID* id) {
        *id = 77;
        return host().registerErr;
    }
    static PF_Err hasParamChanged(PF_ProgPtr, const PF_State*, PF_ParamIndex index, PF_Boolean* changed) {
        FakeHost& h = host();
        ++h.hasChangedCalls;
        h.hasChangedIndex = index;
        *changed = h.hasChangedAnswer;
        return h.hasChangedErr;
    }
    static PF_Err getCurrentState(PF_ProgPtr, PF_State* state) {
        FakeHost& h = host();
        ++h.getStateCalls;
        for (A_long& word : state->reservedAL) word = 0x5157;
        return h.getStateErr;
    }
    static PF_Err updateParamUI(PF_ProgPtr, PF_ParamIndex index, const PF_ParamDef* def) {
        FakeHost& h = host();
        const int call = static_cast<int>(h.updates.size());
        h.updates.push_back(SentUpdate{index, *def});
        return call == h.failUpdateAt ? PF_Err_INVALID_INDEX : PF_Err_NONE;
    }
    static PF_Err addParam(PF_ProgPtr, PF_ParamIndex index, PF_ParamDefPtr def) {
        FakeHost& h = host();
        EXPECT_EQ(index, -1);
        h.added.push_back(*def);
        return def->uu.id == h.failAddParamId ? h.addParamErr : PF_Err_NONE;
    }
    static PF_Err checkoutParam(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* def) {
        FakeHost& h = host();
        h.checkouts.push_back(index);
        if (index == h.failCheckoutIndex) return PF_Err_INVALID_INDEX;
        std::memset(def, 0, sizeof *def);
        setValueWord(*def, paramSpec(index).kind, h.values[static_cast<std::size_t>(index)]);
        return PF_Err_NONE;
    }
    static PF_Err checkinParam(PF_ProgPtr, PF_ParamDef*) {
        ++host().checkins;
        return PF_Err_NONE;
    }

    static PF_Err checkoutLayer(PF_ProgPtr, PF_ParamIndex, A_long, const PF_RenderRequest* request, A_long, A_long,
                                A_u_long, PF_CheckoutResult* result) {
        FakeHost& h = host();
        ++h.layerCheckouts;
        h.layerRequest = *request;
        *result = h.layerResult;
        return h.checkoutLayerErr;
    }
    static PF_Err checkoutLayerPixels(PF_ProgPtr, A_long, PF_EffectWorld** world) {
        *world = &host().inputWorld;
        return PF_Err_NONE;
    }
    static PF_Err checkoutOutput(PF_ProgPtr, PF_EffectWorld** world) {
        FakeHost& h = host();
        *world = &h.outputWorld;
        return h.checkoutOutputErr;
    }
    static PF_Err getPixelFormat(const PF_EffectWorld*, PF_PixelFormat* format) {
        *format = host().pixelFormat;
        return PF_Err_NONE;
    }
    std::map<PF_Handle, Block> blocks_;
    std::vector<PF_Handle> freed_;
    int effect_ = 0;
};

// The host's parameter array for the UI commands, filled from raw values.
class FakeParams {
public:
    explicit FakeParams(const RawParamValues& values) {
        for (std::size_t i = 0; i < defs_.size(); ++i) {
            std::memset(&defs_[i], 0, sizeof(PF_ParamDef));
            pointers_[i] = &defs_[i];
        }
        for (const ParamSpec& entry : kParamTable) {
            const auto index = static_cast<std::size_t>(entry.index);
            setValueWord(defs_[index], entry.kind, values[index]);
        }
    }
    PF_ParamDef** get() { return pointers_.data(); }
    PF_ParamDef& operator[](std::size_t i) { return defs_[i]; }

private:
    std::array<PF_ParamDef, ParamCount> defs_{};
    std::array<PF_ParamDef*, ParamCount> pointers_{};
};

}  // namespace tilesweep::plugin::test
