// The simulated host's state, shared by the command driver (SimHost.cpp) and the
// callbacks and suites it hands to the plug-in (HostCallbacks.h).
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "SimHost.h"

namespace tilesweep::simhost {

// Everything the host hands out by address. `master` comes first, so that a handle
// (a pointer to the block's pointer) and an AEGP reference (a pointer to an opaque
// pointer) are the token's own address.
enum class TokenKind { Handle, Path, Preparation, Effect, Stream, StreamValue };

struct InstanceState;

struct Token {
    void* master = nullptr;
    TokenKind kind = TokenKind::Handle;
    bool alive = true;
    PF_Cmd madeIn = -1;
    std::size_t size = 0;  // handles: bytes of the block
    int32_t locks = 0;
    int32_t number = 0;    // path id, segment, parameter index
    Token* parent = nullptr;  // a preparation's path, a stream's effect, a value's stream
    InstanceState* instance = nullptr;
    const MaskPath* mask = nullptr;
};

// A parameter-state snapshot the host made for PF_GetCurrentState.
struct Snapshot {
    RawParamValues raw{};
    std::map<int32_t, std::vector<Keyframe>> keyframes;
    uint32_t hash = 0;
};

struct InstanceState {
    InstanceId id = -1;
    bool alive = false;
    PF_Handle sequenceData = nullptr;
    Scene scene;
    int32_t time = 0;
    int32_t layerWidth = 0;
    int32_t layerHeight = 0;
    std::array<PF_ParamUIFlags, ParamCount> uiFlags{};
    std::vector<UiUpdate> updates;
    std::vector<Snapshot> snapshots;
};

// A world the host hands out. One that covers exactly the caller's image is that
// image; any other has pixels of its own, with padded rows whose bytes must stay
// as the host left them.
struct HostWorld {
    PF_EffectWorld world{};
    PF_LRect rect{};  // the layer's pixels it holds (scratch worlds: 0, 0, width, height)
    PixelBuffer own;
    PixelBuffer* pixels = nullptr;  // `own`, or the caller's image
    bool alive = true;
};

// The frame between the pre-render and the end of the render.
struct FrameState {
    PixelBuffer* input = nullptr;   // at the frame's resolution
    PixelBuffer* output = nullptr;
    PF_LRect inputRect{};           // the part of the layer both images cover
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    std::string cacheKey;           // what the host keys the rendered frame by
    std::map<A_long, PF_LRect> layerCheckouts;  // checkout id -> the result_rect handed back
    PF_LRect outputRect{};                       // the result_rect the pre-render returned
    std::map<A_long, std::unique_ptr<HostWorld>> inputWorlds;  // by checkout id
    std::unique_ptr<HostWorld> outputWorld;
    std::deque<HostWorld> scratchWorlds;  // PF_NewWorld's
    std::optional<PF_PixelFormat> pixelFormat;
    FrameReport report;
};
struct SimHost::Impl {
    Impl(SimHost::EntryPoint entry, Flavour flavour);
    ~Impl();

    // ---- Driving the plug-in (SimHost.cpp).
    PF_Err run(PF_Cmd cmd, InstanceState* instance, PF_ParamDef** params, void* extra);
    void prepareInData(InstanceState* instance);
    PF_ParamDef** paramArray(InstanceState* instance);
    PF_ParamDef paramDefAt(const InstanceState& instance, PF_ParamIndex index, int32_t sceneTime) const;
    void endCommand();
    InstanceState* instanceFor(InstanceId id, const char* what);
    void reclaim(PF_Handle handle);
    bool hostOwnsGlobal() const;
    void disposePreRenderData(PF_PreRenderOutput& output);
    HostWorld* worldOf(const PF_EffectWorld* world);
    std::unique_ptr<HostWorld> makeLayerWorld(PixelBuffer& image, const PF_LRect& imageRect, const PF_LRect& rect,
                                              bool writeable);
    void finishFrameWorlds(FrameState& frame);
    bool suiteRefused(const std::string& name, A_long version) const;

    // ---- Bookkeeping used by the callbacks (HostCallbacks.h).
    // Counts the call and returns the code of a fault planned for it.
    std::optional<int32_t> enter(CallKind kind, int32_t detail = 0, const char* suite = nullptr,
                                 A_long version = 0);
    void complain(const std::string& text);
    bool checkEffectRef(PF_ProgPtr ref, const char* call, bool mayBeNull = false);
    Token& newToken(TokenKind kind);
    Token* findToken(const void* address, TokenKind kind, const char* call, bool complainIfMissing = true);
    PF_Handle makeHandle(std::size_t size);
    void freeHandle(Token& token);
    std::size_t roomAt(const void* address) const;
    int32_t sceneTime(A_long value, A_u_long scale) const;
    double sceneTimeExact(A_long value, A_u_long scale) const;
    const std::vector<Keyframe>* keyframesOf(const InstanceState& instance, int32_t parameter) const;
    Snapshot snapshotOf(const InstanceState& instance) const;

    SimHost::EntryPoint entry = nullptr;
    Flavour flavour;
    void* library = nullptr;
    bool unloaded = false;

    PF_InData in{};
    PF_OutData out{};
    PF_LayerDef outputLayer{};
    PF_UtilCallbacks utils{};
    std::array<PF_ParamDef, ParamCount> paramDefs{};
    std::array<PF_ParamDef*, ParamCount> paramPointers{};

    // The current command.
    PF_Cmd command = -1;
    InstanceState* instance = nullptr;
    PF_ProgPtr effectRef = nullptr;
    FrameState* frame = nullptr;
    std::function<void(int32_t, int32_t)> progressListener;
    char hostEffectTag = 0;  // the effect_ref of commands without an instance

    // Between commands.
    std::vector<RegisteredParam> params;
    A_long numParams = 0;
    PF_Handle global = nullptr;
    bool setdownSent = false;
    PF_Err setdownErr = PF_Err_NONE;
    AEGP_PluginID pluginId = 0;
    int32_t registrations = 0;
    std::deque<InstanceState> instances;
    std::deque<Token> tokens;
    std::unordered_map<const void*, Token*> tokenAt;

    // Held within one command.
    std::map<std::pair<std::string, A_long>, int32_t> suitesHeld;
    std::map<PF_ParamDef*, PF_ParamIndex> paramsOut;

    // Reports.
    std::vector<CommandResult> log;
    std::vector<std::string> leftovers;
    std::vector<std::string> complaints;
    FrameReport lastFrame;

    // Faults.
    struct ArmedFault {
        FaultPlan plan;
        int64_t seen = 0;
    };
    std::vector<ArmedFault> faults;
    std::set<std::pair<std::string, A_long>> refused;
    // Suites that go missing from a command on: name and version -> the command's
    // place in the log.
    std::map<std::pair<std::string, A_long>, std::size_t> refusedFrom;
    HostBehaviour behaviour;
    std::vector<CallRecord> fired;
    std::array<int64_t, kCallKindCount> counts{};
    int64_t failable = 0;
    bool tracing = false;
    std::vector<CallRecord> trace;
    // Rendered frames by key, with the output image as the render left it.
    std::map<std::string, PixelBuffer> frameCache;
};

// The host whose command is running; callbacks reach their state through it.
SimHost::Impl& activeHost();

class ActiveScope {
public:
    explicit ActiveScope(SimHost::Impl* host);
    ~ActiveScope();
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;

private:
    SimHost::Impl* previous_;
};

// The tables the host hands out.
const PF_InteractCallbacks& interactCallbacks();
void fillUtilCallbacks(PF_UtilCallbacks& utils);
SPBasicSuite* basicSuite();
const PF_PreRenderCallbacks& preRenderCallbacks();
const PF_SmartRenderCallbacks& smartRenderCallbacks();

}  // namespace tilesweep::simhost
