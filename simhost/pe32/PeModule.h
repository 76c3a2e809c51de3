// A 32-bit Windows library loaded into a 32-bit x86 Linux process, the way the system
// loader would: mapped, relocated away from its preferred base, its imports bound to
// our stand-ins (Win32StandIns.h), its thread block (the fs segment) and thread-local
// storage set up, its TLS callbacks and DllMain run for the attach. The destructor
// detaches and unmaps it. One module at a time. Test-only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PeImage.h"

namespace tilesweep::pe32 {

class PeModule {
public:
    // Throws PeError if the file is malformed, an import is not provided or DllMain refuses.
    explicit PeModule(const std::string& path);
    ~PeModule();
    PeModule(const PeModule&) = delete;
    PeModule& operator=(const PeModule&) = delete;

    uint32_t base() const;
    // The address of an exported function; throws PeError if there is none.
    uint32_t exportAddress(const std::string& name) const;
    const std::vector<ImportRef>& imports() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace tilesweep::pe32
