// A simulated After Effects host: it loads the plug-in, drives it through the life
// a real host gives an effect (global setup, parameter registration, instances,
// parameter-UI updates, smart pre-render and render of frames, setdowns) and plays
// every callback and suite the plug-in uses. It keeps account of everything it
// hands out, so that what is not given back, or given back wrongly, shows, and it
// can fail any of its calls on purpose.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AE_HostApi.h"
#include "ParamTable.h"
#include "PixelBuffer.h"
#include "Scene.h"

namespace tilesweep::simhost {

// The two behaviour flavours run on two kinds of host: the current one, and the
// 32-bit era one whose suite versions ("PF Handle Suite" 1, "PF Param Utils Suite" 1)
// the current host no longer has.
enum class Flavour { Plugin64, Plugin32 };

// Every kind of call the plug-in can make into the host.
enum class CallKind : int32_t {
    AcquireSuite,
    ReleaseSuite,
    NewHandle,
    LockHandle,
    UnlockHandle,
    DisposeHandle,
    GetHandleSize,
    ResizeHandle,
    AddParam,
    CheckoutParam,
    CheckinParam,
    Abort,
    Progress,
    Copy,
    Fill,
    TransferRect,
    Ansi,  // the C library maths and strings: they cannot fail
    CheckoutLayer,
    CheckoutLayerPixels,
    CheckinLayerPixels,
    CheckoutOutput,
    UpdateParamUI,
    GetCurrentState,
    HasParamChanged,
    GetPixelFormat,
    NewWorld,
    DisposeWorld,
    CheckoutPath,
    CheckinPath,
    PathNumSegments,
    PathPrepareSegLength,
    PathGetSegLength,
    PathEvalSegLength,
    PathCleanupSegLength,
    RegisterWithAEGP,
    GetNewEffectForEffect,
    GetNewEffectStreamByIndex,
    DisposeStream,
    GetNewStreamValue,
    DisposeStreamValue,
    GetStreamNumKFs,
    GetKeyframeTime,
    DisposeEffect,
    GuidMixIn,
    Count
};
constexpr std::size_t kCallKindCount = static_cast<std::size_t>(CallKind::Count);

const char* callKindName(CallKind kind);
// Calls that return nothing, or a value that is not an error, cannot be failed.
bool canFail(CallKind kind);
const char* commandName(PF_Cmd cmd);

// Fails the n-th call (1-based, counted from when the plan is added) that matches:
// of one kind, or of any kind that can fail. A failed call that would hand something out hands out nothing (a pointer
// result is null); a failed release still releases, since the plug-in could not do
// better, but reports `code`.
struct FaultPlan {
    std::optional<CallKind> kind;
    int64_t n = 0;
    int32_t code = PF_Err_INTERNAL_STRUCT_DAMAGED;
};

// One call into the host, as recorded while tracing.
struct CallRecord {
    CallKind kind = CallKind::Count;
    PF_Cmd command = -1;  // -1: outside any command (the host disposing of frame data)
    int32_t commandIndex = -1;  // the command's place in commandLog()
    int32_t detail = 0;   // parameter index, handle size, path id, ...
    std::string suite;    // suite calls: "name version"
};

struct CommandResult {
    PF_Cmd cmd = -1;
    PF_Err err = PF_Err_NONE;
    std::string returnMsg;
    PF_OutFlags outFlags = 0;
    PF_OutFlags2 outFlags2 = 0;
    A_u_long myVersion = 0;
    A_long numParams = 0;
    // What in_data and out_data held when the command returned.
    PF_Handle globalData = nullptr;
    PF_Handle sequenceData = nullptr;
    PF_Handle sequenceDataIn = nullptr;
};

// A parameter as the plug-in registered it, strings copied out of the plug-in.
struct RegisteredParam {
    PF_ParamDef def{};
    std::string name;
    std::string items;         // popups
    std::string checkboxText;  // checkboxes
};

struct UiUpdate {
    PF_ParamIndex index = 0;
    PF_ParamUIFlags uiFlags = 0;
    PF_ParamType type = 0;
    std::string name;
};

// Where a real host may do either of two things, which one this host does. The
// plug-in must be safe under both.
struct HostBehaviour {
    // After a failed PF_Cmd_SEQUENCE_RESETUP: keep the instance with the handle it
    // had and send it again (true), or give the instance up (false).
    bool keepSequenceDataAfterFailedResetup = false;
    // After a failed smart pre-render: call delete_pre_render_data_func for what the
    // output holds (true), or not (false).
    bool disposeAfterFailedPreRender = true;
    // Keep rendered frames and serve one again, without the render, while its key is
    // unchanged: the frame's time and geometry, the input's pixels, the values of the
    // parameters the pre-render checked out and the bytes it mixed in (GuidMixInPtr).
    bool frameCache = false;
};

// How the host asks for a frame. The input image is the buffer the effect gets, at
// full resolution, with its corner at (bufferLeft, bufferTop) of the layer: an
// earlier effect may have grown it (a negative corner), a mask cropped it to its
// box. At a reduced resolution the host subsamples it, pixel (x, y) showing the
// full-resolution layer's (x * downsampleX, y * downsampleY), and every rectangle is
// in reduced layer coordinates. The output image covers the same part of the layer
// as the (reduced) input: bufferRect(). An empty request means all of it. Worlds
// cover what was asked for: the input world of a checkout its result_rect, the
// output world the result_rect the pre-render returned; the output world's pixels
// land in the caller's output image at that place.
struct FrameOptions {
    PF_LRect request{};
    int32_t downsampleX = 1;
    int32_t downsampleY = 1;
    int32_t bufferLeft = 0;
    int32_t bufferTop = 0;
    // The layer's size at full resolution (in_data width and height); 0: the input's.
    int32_t layerWidth = 0;
    int32_t layerHeight = 0;
    // The output rectangles as the host hands them to the pre-render.
    PF_LRect initialResult{};
    PF_LRect initialMaxResult{};
    // The format PF_GetPixelFormat reports instead of the buffer's, e.g. one the plug-in does not handle.
    std::optional<PF_PixelFormat> pixelFormat;
};

// The part of the layer, in reduced layer coordinates, that the (subsampled) buffer
// covers: the rectangle of the input world of a whole-buffer request and the size
// the output image must have.
PF_LRect bufferRect(int32_t bufferWidth, int32_t bufferHeight, const FrameOptions& options);

// What happened in a frame's two commands.
struct FrameReport {
    PF_Err preRenderErr = PF_Err_NONE;
    PF_Err renderErr = PF_Err_NONE;
    bool rendered = false;
    bool servedFromCache = false;  // the host's frame cache answered instead of the render
    std::vector<unsigned char> mixedIn;  // every byte mixed in with GuidMixInPtr, in order
    std::vector<PF_ParamIndex> checkouts;  // PF_CHECKOUT_PARAM indexes in call order
    std::vector<PF_ParamIndex> checkins;
    std::vector<A_long> checkoutTimes;     // what_time of each checkout
    bool layerCheckedOut = false;
    // The first checkout_layer's.
    PF_ParamIndex layerIndex = -1;
    A_long layerCheckoutId = -1;
    PF_RenderRequest layerRequest{};
    // Every checkout_layer: id and requested rectangle, in call order.
    std::vector<std::pair<A_long, PF_LRect>> layerRequests;
    // The checkout ids whose pixels the render asked for.
    std::vector<A_long> pixelCheckouts;
    // The output world as drawn, where it was not the caller's image itself.
    PixelBuffer outputWorld;
    PF_LRect resultRect{};
    PF_LRect maxResultRect{};
    PF_RenderOutputFlags outputFlags = 0;
    bool disposerCalled = false;
    // The bytes of the pre-render's record, read before the host disposes of it.
    std::vector<unsigned char> preRenderData;
    int32_t progressCalls = 0;
};

using InstanceId = int32_t;

class SimHost {
public:
    using EntryPoint = PF_Err (*)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                  PF_ParamDef* params[], PF_LayerDef* output, void* extra);

    // Loads the plug-in and finds EntryPointFunc; throws std::runtime_error if either fails.
    SimHost(const std::string& pluginPath, Flavour flavour);
    // A plug-in linked into the caller.
    SimHost(EntryPoint entry, Flavour flavour);
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    Flavour flavour() const;

    // ---- Commands: each returns the plug-in's code; lastCommand() has the rest.
    PF_Err globalSetup();
    PF_Err about();
    PF_Err paramsSetup();
    // The instance exists only if the setup succeeded (see hasInstance).
    InstanceId sequenceSetup();
    PF_Err sequenceResetup(InstanceId instance);
    PF_Err sequenceSetdown(InstanceId instance);
    PF_Err updateParamsUi(InstanceId instance, const Scene& scene, int32_t time = 0);
    PF_Err userChangedParam(InstanceId instance, const Scene& scene, PF_ParamIndex changed, int32_t time = 0);
    // Pre-render and render of the frame at `time` (hundredths of a frame). The result
    // is the pre-render's code if it failed, else the render's.
    PF_Err renderFrame(InstanceId instance, const Scene& scene, int32_t time, PixelBuffer& input,
                       PixelBuffer& output, const FrameOptions& options = {});
    PF_Err completelyGeneral(const char* text);
    PF_Err globalSetdown();
    // Any command, with the instance's data where it has one (for dispatch checks).
    PF_Err sendCommand(PF_Cmd cmd, InstanceId instance = -1, void* extra = nullptr);
    // Frees what the host keeps by design and unloads the plug-in. Idempotent.
    void unload();

    // ---- What the host saw.
    const CommandResult& lastCommand() const;
    const std::vector<CommandResult>& commandLog() const;
    const std::vector<RegisteredParam>& params() const;
    // Registration gave every parameter the count promises.
    bool registrationComplete() const;
    bool hasInstance(InstanceId instance) const;
    AEGP_PluginID pluginId() const;
    PF_Handle globalData() const;
    PF_Handle sequenceData(InstanceId instance) const;
    // The bytes of a live handle's block (empty if the handle is unknown or dead).
    std::vector<unsigned char> handleBytes(PF_Handle handle) const;
    // Parameters whose last update had PF_PUI_DISABLED set.
    std::array<bool, ParamCount> greyedOut(InstanceId instance) const;
    const std::vector<UiUpdate>& uiUpdates(InstanceId instance) const;
    const FrameReport& lastFrame() const;

    // ---- How this host behaves where hosts differ.
    void setBehaviour(const HostBehaviour& behaviour);
    const HostBehaviour& behaviour() const;

    // ---- What the host holds for an instance, set as a host might have left it.
    void setSequenceData(InstanceId instance, PF_Handle handle);
    void setUiFlags(InstanceId instance, PF_ParamIndex index, PF_ParamUIFlags flags);

    // ---- Accounting.
    // Everything the plug-in obtained and has not given back, one line each.
    std::vector<std::string> outstanding() const;
    // The host's complaints: wrong releases, unknown objects, bad arguments.
    const std::vector<std::string>& messages() const;

    // ---- Fault injection.
    void addFault(const FaultPlan& plan);
    void refuseSuite(const std::string& name, A_long version);
    // The suite goes missing from the command at `commandIndex` in commandLog() on.
    void refuseSuiteFrom(const std::string& name, A_long version, std::size_t commandIndex);
    void clearFaults();
    // Faults that fired, as records of the calls they failed.
    const std::vector<CallRecord>& firedFaults() const;
    int64_t callCount(CallKind kind) const;
    int64_t failableCallCount() const;
    void traceCalls(bool on);
    // Told of every progress report the plug-in makes (current, total).
    void setProgressListener(std::function<void(int32_t, int32_t)> listener);
    const std::vector<CallRecord>& calls() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace tilesweep::simhost
