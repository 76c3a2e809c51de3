// Our own stand-ins for what a 32-bit Windows plug-in imports from KERNEL32 and msvcrt,
// on 32-bit x86 Linux: one thread, no other modules, the plug-in's image the only
// memory it may query or re-protect. Where Windows and the C library differ, the
// stand-in gives the Windows answer. An import that a single-threaded host life must
// never reach (creating or suspending threads, raising exceptions) stops the process
// with its name. Test-only: nothing of this ships.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PeImage.h"

namespace tilesweep::pe32 {

// The loaded image, as VirtualQuery, VirtualProtect, GetModuleHandle and _initterm see it.
struct ImageMemory {
    uint32_t base = 0;
    uint32_t size = 0;
    std::string fileName;              // as GetModuleHandle matches it
    const PeLayout* layout = nullptr;
    std::vector<uint32_t> pageProtection;  // Windows PAGE_* value of each 4 KiB page
};

constexpr uint32_t kPageSize = 4096;

// Windows page protections of a section's flags, and their POSIX equivalents.
uint32_t windowsProtection(uint32_t sectionCharacteristics);
int posixProtection(uint32_t windowsProtection);

// The address of our stand-in for an import (the library name without regard to case).
std::optional<uint32_t> standInAddress(const std::string& library, const std::string& name);

// Attaches the stand-ins to an image (null: none) and forgets all state of the last one.
void attachStandIns(ImageMemory* image);

// Stops the process with a message naming what the plug-in did.
[[noreturn]] void fatal(const std::string& message);

}  // namespace tilesweep::pe32
