// Scope guards for host memory handles: what a command made and did not hand to
// the host is freed, and what it locked is unlocked, on every way out.
#pragma once

#include "AE_HostApi.h"

namespace tilesweep::plugin {

using DisposeHandleFn = void (*)(PF_Handle);

class OwnedHandle {
public:
    OwnedHandle(DisposeHandleFn dispose, PF_Handle handle) : dispose_(dispose), handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != nullptr) dispose_(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    PF_Handle get() const { return handle_; }
    // The host owns it from now on.
    PF_Handle handOver() {
        PF_Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    DisposeHandleFn dispose_;
    PF_Handle handle_;
};

class HandleLock {
public:
    HandleLock(const PF_HandleSuite1& suite, PF_Handle handle)
        : suite_(suite), handle_(handle), data_(handle != nullptr ? suite.host_lock_handle(handle) : nullptr) {}
    ~HandleLock() {
        if (data_ != nullptr) suite_.host_unlock_handle(handle_);
    }
    HandleLock(const HandleLock&) = delete;
    HandleLock& operator=(const HandleLock&) = delete;

    // Null when the lock failed.
    void* data() const { return data_; }

private:
    const PF_HandleSuite1& suite_;
    PF_Handle handle_;
    void* data_;
};

// The block behind a handle, read through its pointer without locking, as the
// host's blocks that outlive a command are.
inline void* handleData(PF_Handle handle) { return handle != nullptr ? *handle : nullptr; }

}  // namespace tilesweep::plugin
