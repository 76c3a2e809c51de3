// The plug-in property resource ("PiPL") that the host reads before it loads the
// code: what the effect is called, where it is listed, which function to call and
// which flags it reports. The 64-bit and 32-bit builds' resources come from the
// one property table below and differ only where the table says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AE_Types.h"

namespace tilesweep {

constexpr char kEffectName[] = "TovelaTileSweep";
constexpr char kEffectCategory[] = "Tovela";
constexpr char kEffectMatchName[] = "TovelaTileSweep by Merindoul";
constexpr char kEntryPointName[] = "EntryPointFunc";

// Global setup must report the same version and flags as the resource.
constexpr A_u_long kEffectVersion = PF_VERSION(1, 0, 0, PF_Stage_RELEASE, 1);
constexpr PF_OutFlags kGlobalOutFlags =
    PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr PF_OutFlags2 kGlobalOutFlags2 =
    PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;

// Windows resource that carries the bytes: type "PiPL", this id, US English.
constexpr int kPiplResourceId = 16000;
constexpr int kPiplLanguage = 9;     // LANG_ENGLISH
constexpr int kPiplSublanguage = 1;  // SUBLANG_ENGLISH_US

enum class PiplData : uint8_t {
    FourChar,       // a four-character code, stored like a key
    CountedString,  // length byte and characters, zero-filled to a multiple of 4
    CString,        // characters and a zero, zero-filled to a multiple of 4
    VersionPair,    // 16-bit major, 16-bit minor; value = major << 16 | minor
    Int16,
    Int32,
};

struct PiplProperty {
    const char* key;
    const char* key32;  // the 32-bit build's key; null when it is the same
    PiplData data;
    const char* text;   // FourChar and string data
    uint32_t value;     // numeric data of the 64-bit build
    uint32_t value32;   // numeric data of the 32-bit build
};

// The properties in resource order.
extern const PiplProperty kPiplProperties[];
extern const std::size_t kPiplPropertyCount;

// The resource's bytes for the 64-bit build, or for the 32-bit build.
std::vector<uint8_t> buildPiplBytes(bool flavour32);

// A resource script for windres holding the bytes inline.
std::string piplResourceScript(const std::vector<uint8_t>& bytes);

// A resource script for windres that takes the bytes from `binaryPath`.
std::string piplResourceScriptForFile(const std::string& binaryPath);

}  // namespace tilesweep
