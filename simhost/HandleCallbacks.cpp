// Handles (the utility callbacks and "PF Handle Suite") and the ANSI callbacks, as
// the simulated host offers them.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "HostCallbacks.h"

namespace tilesweep::simhost {

namespace {

// ---- ANSI callbacks: the C library's, counted.

template <typename F>
auto ansi(F f) {
    activeHost().enter(CallKind::Ansi);
    return f();
}

A_long ansiSprintf(A_char* buffer, const A_char* format, ...) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::Ansi);
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    const std::size_t room = h.roomAt(buffer);
    if (length >= 0 && static_cast<std::size_t>(length) >= room) {
        h.complain("sprintf of " + std::to_string(length) + " characters into a field of " + std::to_string(room) +
                   " bytes");
        std::vsnprintf(buffer, room, format, args);
    } else {
        std::vsprintf(buffer, format, args);
    }
    va_end(args);
    return length;
}

A_char* ansiStrcpy(A_char* destination, const A_char* source) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::Ansi);
    const std::size_t length = std::strlen(source);
    const std::size_t room = h.roomAt(destination);
    if (length >= room) {
        h.complain("strcpy of " + std::to_string(length) + " characters into a field of " + std::to_string(room) +
                   " bytes");
        if (room > 0) {
            std::memcpy(destination, source, room - 1);
            destination[room - 1] = '\0';
        }
        return destination;
    }
    return std::strcpy(destination, source);
}

}  // namespace

namespace callbacks {

// ---- Handles (utility callbacks and "PF Handle Suite").

PF_Handle newHandle(A_HandleSize size) {
    SimHost::Impl& h = activeHost();
    const auto bytes = static_cast<std::size_t>(size);
    if (h.enter(CallKind::NewHandle, bytes > 0x7fffffffu ? 0x7fffffff : static_cast<int32_t>(bytes))) return nullptr;
    return h.makeHandle(bytes);
}

void* lockHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    if (h.enter(CallKind::LockHandle)) return nullptr;
    Token* t = h.findToken(handle, TokenKind::Handle, "host_lock_handle");
    if (t == nullptr) return nullptr;
    ++t->locks;
    return t->master;
}

void unlockHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::UnlockHandle);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_unlock_handle");
    if (t != nullptr && t->locks > 0) --t->locks;
}

void disposeHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::DisposeHandle);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_dispose_handle");
    if (t != nullptr) h.freeHandle(*t);
}

A_HandleSize handleSize(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::GetHandleSize);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_get_handle_size");
    return t == nullptr ? 0 : static_cast<A_HandleSize>(t->size);
}

PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::ResizeHandle)) return *f;
    Token* t = handle == nullptr ? nullptr : h.findToken(*handle, TokenKind::Handle, "host_resize_handle");
    if (t == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    const auto bytes = static_cast<std::size_t>(size);
    void* grown = std::realloc(t->master, bytes == 0 ? 1 : bytes);
    if (grown == nullptr) return PF_Err_OUT_OF_MEMORY;
    t->master = grown;
    t->size = bytes;
    return PF_Err_NONE;
}

void fillAnsi(PF_ANSICallbacks& a) {
    a.atan = [](A_FpLong x) { return ansi([x] { return std::atan(x); }); };
    a.atan2 = [](A_FpLong y, A_FpLong x) { return ansi([y, x] { return std::atan2(y, x); }); };
    a.ceil = [](A_FpLong x) { return ansi([x] { return std::ceil(x); }); };
    a.cos = [](A_FpLong x) { return ansi([x] { return std::cos(x); }); };
    a.exp = [](A_FpLong x) { return ansi([x] { return std::exp(x); }); };
    a.fabs = [](A_FpLong x) { return ansi([x] { return std::fabs(x); }); };
    a.floor = [](A_FpLong x) { return ansi([x] { return std::floor(x); }); };
    a.fmod = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::fmod(x, y); }); };
    a.hypot = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::hypot(x, y); }); };
    a.log = [](A_FpLong x) { return ansi([x] { return std::log(x); }); };
    a.log10 = [](A_FpLong x) { return ansi([x] { return std::log10(x); }); };
    a.pow = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::pow(x, y); }); };
    a.sin = [](A_FpLong x) { return ansi([x] { return std::sin(x); }); };
    a.sqrt = [](A_FpLong x) { return ansi([x] { return std::sqrt(x); }); };
    a.tan = [](A_FpLong x) { return ansi([x] { return std::tan(x); }); };
    a.sprintf = ansiSprintf;
    a.strcpy = ansiStrcpy;
    a.asin = [](A_FpLong x) { return ansi([x] { return std::asin(x); }); };
    a.acos = [](A_FpLong x) { return ansi([x] { return std::acos(x); }); };
}

PF_ANSICallbacksSuite1 makeAnsiSuite() {
    PF_ANSICallbacks a{};
    fillAnsi(a);
    return PF_ANSICallbacksSuite1{a.atan, a.atan2, a.ceil, a.cos,  a.exp,     a.fabs,    a.floor,
                                  a.fmod, a.hypot, a.log,  a.log10, a.pow,    a.sin,     a.sqrt,
                                  a.tan,  a.sprintf, a.strcpy, a.asin, a.acos};
}

}  // namespace callbacks

}  // namespace tilesweep::simhost
