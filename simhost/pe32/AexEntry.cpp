#include "AexEntry.h"

#include <map>

#include "Win32StandIns.h"
#include "X86Thunks.h"

namespace tilesweep::pe32 {

namespace {

uint32_t entryAddress = 0;
AexEntryCounts counts;
// Pre-render data the plug-in handed over, with the disposer it named for it.
std::map<void*, uint32_t> disposers;

uint32_t nextSkew() {
    static const uint32_t kSkews[] = {4, 8, 12};
    const uint32_t skew = kSkews[(counts.entries + counts.disposals) % 3];
    ++counts.bySkew[skew / 4];
    return skew;
}

void disposeThroughThunk(void* data) {
    const auto found = disposers.find(data);
    if (found == disposers.end()) fatal("the host disposed of pre-render data the plug-in never handed over");
    const uint32_t disposer = found->second;
    disposers.erase(found);
    const uint32_t args[] = {reinterpret_cast<uint32_t>(data)};
    const uint32_t skew = nextSkew();
    ++counts.disposals;
    tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(disposer), args, 1, skew);
}

PF_Err enterThroughThunk(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                         PF_LayerDef* output, void* extra) {
    const uint32_t args[] = {static_cast<uint32_t>(cmd), reinterpret_cast<uint32_t>(in_data),
                             reinterpret_cast<uint32_t>(out_data), reinterpret_cast<uint32_t>(params),
                             reinterpret_cast<uint32_t>(output), reinterpret_cast<uint32_t>(extra)};
    const uint32_t skew = nextSkew();
    ++counts.entries;
    const auto err = static_cast<PF_Err>(
        tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(entryAddress), args, 6, skew));
    if (cmd == PF_Cmd_SMART_PRE_RENDER && extra != nullptr) {
        PF_PreRenderOutput* out = static_cast<PF_PreRenderExtra*>(extra)->output;
        if (out != nullptr && out->delete_pre_render_data_func != nullptr &&
            out->delete_pre_render_data_func != &disposeThroughThunk) {
            disposers[out->pre_render_data] = reinterpret_cast<uint32_t>(out->delete_pre_render_data_func);
            out->delete_pre_render_data_func = &disposeThroughThunk;
        }
    }
    return err;
}

// The thunk must put the stack where it says: at the callee's entry esp points at the
// return address, 4 bytes below the call's esp.
void checkThunk() {
    for (uint32_t skew : {0u, 4u, 8u, 12u}) {
        const uint32_t esp = tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(&tilesweep_pe32_entry_esp),
                                                            nullptr, 0, skew);
        if ((esp + 4) % 16 != skew) throw PeError("the misaligning thunk missed esp % 16 == " + std::to_string(skew));
    }
}

}  // namespace

simhost::SimHost::EntryPoint aexEntryPoint(const PeModule& module) {
    checkThunk();
    entryAddress = module.exportAddress("EntryPointFunc");
    disposers.clear();
    return &enterThroughThunk;
}

AexEntryCounts aexEntryCounts() { return counts; }

}  // namespace tilesweep::pe32
