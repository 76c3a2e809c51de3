#include "Win32StandIns.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>

#include "MsvcrtFormat.h"
#include "X86Thunks.h"

#if !defined(__i386__)
#error "the Win32 stand-ins build for 32-bit x86 only"
#endif

#define WINAPI __attribute__((stdcall))

namespace tilesweep::pe32 {

namespace {

using BOOL = int32_t;
using DWORD = uint32_t;
using HANDLE = void*;

constexpr DWORD kErrorInvalidHandle = 6;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorModNotFound = 126;
constexpr DWORD kErrorProcNotFound = 127;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInvalidAddress = 487;
constexpr DWORD kErrorNotOwner = 288;
constexpr DWORD kWaitObject0 = 0;
constexpr DWORD kWaitTimeout = 0x102;
constexpr DWORD kWaitFailed = 0xFFFFFFFFu;
constexpr DWORD kInfinite = 0xFFFFFFFFu;
constexpr DWORD kTlsOutOfIndexes = 0xFFFFFFFFu;
constexpr uint32_t kTlsSlots = 64;
constexpr uint32_t kMaxWaitObjects = 64;
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(-1);
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(-2);

// ---------------------------------------------------------------- state of one loaded image

struct KernelObject {
    enum Kind { Event, Semaphore, Thread, Process } kind = Event;
    bool manualReset = false;
    bool signalled = false;
    int32_t count = 0;
    int32_t maxCount = 0;
};

struct State {
    ImageMemory* image = nullptr;
    DWORD lastError = 0;
    std::array<bool, kTlsSlots> tlsUsed{};
    std::array<void*, kTlsSlots> tlsValues{};
    std::map<uint32_t, std::shared_ptr<KernelObject>> handles;
    uint32_t nextHandle = 0x100;
    std::vector<void*> exceptionHandlers;
};

State& state() {
    static State s;
    return s;
}

// Module handles of the system libraries: distinct addresses of ours.
char kernel32Module[16];
char msvcrtModule[16];
char hostProgramModule[16];

}  // namespace

void fatal(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "pe32: %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

namespace {

[[noreturn]] void notImplemented(const char* name) {
    fatal(std::string("the plug-in called ") + name + ", which a single-threaded host life never needs");
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

// "KERNEL32", "kernel32.dll", "C:\\Windows\\system32\\KERNEL32.DLL" all name one library.
std::string libraryKey(std::string name) {
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    name = lower(name);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) name.resize(name.size() - 4);
    return name;
}

std::string narrowOf(const char16_t* text) {
    std::string out;
    for (; text != nullptr && *text != 0 && out.size() < 4096; ++text) out += static_cast<char>(*text < 0x80 ? *text : '?');
    return out;
}

HANDLE newHandle(std::shared_ptr<KernelObject> object) {
    State& s = state();
    const uint32_t value = s.nextHandle;
    s.nextHandle += 4;
    s.handles[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> objectOf(HANDLE handle) {
    const auto it = state().handles.find(reinterpret_cast<uint32_t>(handle));
    return it == state().handles.end() ? nullptr : it->second;
}

// Takes the object if it is signalled (one count of a semaphore, an auto-reset event's signal).
bool acquire(HANDLE handle, bool& known) {
    known = true;
    if (handle == kCurrentThread || handle == kCurrentProcess) return false;
    const std::shared_ptr<KernelObject> object = objectOf(handle);
    if (!object) {
        known = false;
        return false;
    }
    switch (object->kind) {
    case KernelObject::Event:
        if (!object->signalled) return false;
        if (!object->manualReset) object->signalled = false;
        return true;
    case KernelObject::Semaphore:
        if (object->count == 0) return false;
        --object->count;
        return true;
    default:
        return false;  // this thread and this process never end while we wait
    }
}

uint32_t pageIndex(uint32_t address) { return (address - state().image->base) / kPageSize; }

bool inImage(uint32_t address, uint32_t length) {
    const ImageMemory* image = state().image;
    return image != nullptr && address >= image->base && address - image->base <= image->size &&
           length <= image->size - (address - image->base);
}

// ---------------------------------------------------------------- KERNEL32

DWORD WINAPI GetLastError() { return state().lastError; }
void WINAPI SetLastError(DWORD error) { state().lastError = error; }

DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
DWORD WINAPI GetCurrentThreadId() { return static_cast<DWORD>(getpid()); }
HANDLE WINAPI GetCurrentProcess() { return kCurrentProcess; }
HANDLE WINAPI GetCurrentThread() { return kCurrentThread; }
BOOL WINAPI IsDebuggerPresent() { return 0; }

void WINAPI OutputDebugStringA(const char* text) { std::fprintf(stderr, "pe32: debug output: %s\n", text != nullptr ? text : ""); }

void WINAPI Sleep(DWORD milliseconds) {
    const DWORD capped = std::min<DWORD>(milliseconds, 1000);
    timespec t{static_cast<time_t>(capped / 1000), static_cast<long>(capped % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

uint64_t WINAPI GetTickCount64() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
}

void WINAPI GetSystemTimeAsFileTime(uint32_t* fileTime) {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    // 100-nanosecond units since 1601.
    const uint64_t ticks = (static_cast<uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
                           static_cast<uint64_t>(t.tv_nsec) / 100u;
    fileTime[0] = static_cast<uint32_t>(ticks);
    fileTime[1] = static_cast<uint32_t>(ticks >> 32);
}

// Critical sections: one thread, so ownership is a recursion count.
struct CriticalSection {
    void* debugInfo;
    int32_t lockCount;
    int32_t recursionCount;
    HANDLE owningThread;
    HANDLE lockSemaphore;
    uint32_t spinCount;
};
static_assert(sizeof(CriticalSection) == 24, "CRITICAL_SECTION of 32-bit Windows");

void WINAPI InitializeCriticalSection(CriticalSection* section) {
    std::memset(section, 0, sizeof *section);
    section->lockCount = -1;
}
void WINAPI DeleteCriticalSection(CriticalSection* section) {
    if (section->recursionCount != 0) fatal("DeleteCriticalSection of a critical section still entered");
    std::memset(section, 0, sizeof *section);
}
void WINAPI EnterCriticalSection(CriticalSection* section) {
    ++section->recursionCount;
    ++section->lockCount;
    section->owningThread = reinterpret_cast<HANDLE>(GetCurrentThreadId());
}
BOOL WINAPI TryEnterCriticalSection(CriticalSection* section) {
    EnterCriticalSection(section);
    return 1;
}
void WINAPI LeaveCriticalSection(CriticalSection* section) {
    if (section->recursionCount <= 0) fatal("LeaveCriticalSection of a critical section not entered");
    --section->lockCount;
    if (--section->recursionCount == 0) section->owningThread = nullptr;
}

DWORD WINAPI TlsAlloc() {
    State& s = state();
    for (uint32_t i = 0; i < kTlsSlots; ++i) {
        if (!s.tlsUsed[i]) {
            s.tlsUsed[i] = true;
            s.tlsValues[i] = nullptr;
            return i;
        }
    }
    return kTlsOutOfIndexes;
}
void* WINAPI TlsGetValue(DWORD index) {
    State& s = state();
    if (index >= kTlsSlots || !s.tlsUsed[index]) {
        s.lastError = kErrorInvalidParameter;
        return nullptr;
    }
    s.lastError = 0;
    return s.tlsValues[index];
}
BOOL WINAPI TlsSetValue(DWORD index, void* value) {
    State& s = state();
    if (index >= kTlsSlots || !s.tlsUsed[index]) {
        s.lastError = kErrorInvalidParameter;
        return 0;
    }
    s.tlsValues[index] = value;
    return 1;
}

HANDLE WINAPI CreateEventA(void* /*attributes*/, BOOL manualReset, BOOL initialState, const char* name) {
    if (name != nullptr) fatal(std::string("CreateEventA of a named event \"") + name + "\"");
    auto event = std::make_shared<KernelObject>();
    event->kind = KernelObject::Event;
    event->manualReset = manualReset != 0;
    event->signalled = initialState != 0;
    return newHandle(event);
}
HANDLE WINAPI CreateSemaphoreA(void* /*attributes*/, int32_t initial, int32_t maximum, const char* name) {
    if (name != nullptr) fatal(std::string("CreateSemaphoreA of a named semaphore \"") + name + "\"");
    if (maximum <= 0 || initial < 0 || initial > maximum) {
        state().lastError = kErrorInvalidParameter;
        return nullptr;
    }
    auto semaphore = std::make_shared<KernelObject>();
    semaphore->kind = KernelObject::Semaphore;
    semaphore->count = initial;
    semaphore->maxCount = maximum;
    return newHandle(semaphore);
}
BOOL WINAPI SetEvent(HANDLE handle) {
    const auto object = objectOf(handle);
    if (!object || object->kind != KernelObject::Event) return state().lastError = kErrorInvalidHandle, 0;
    object->signalled = true;
    return 1;
}
BOOL WINAPI ResetEvent(HANDLE handle) {
    const auto object = objectOf(handle);
    if (!object || object->kind != KernelObject::Event) return state().lastError = kErrorInvalidHandle, 0;
    object->signalled = false;
    return 1;
}
BOOL WINAPI ReleaseSemaphore(HANDLE handle, int32_t release, int32_t* previous) {
    const auto object = objectOf(handle);
    if (!object || object->kind != KernelObject::Semaphore) return state().lastError = kErrorInvalidHandle, 0;
    if (release <= 0 || release > object->maxCount - object->count) return state().lastError = kErrorInvalidParameter, 0;
    if (previous != nullptr) *previous = object->count;
    object->count += release;
    return 1;
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, HANDLE const* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > kMaxWaitObjects) return state().lastError = kErrorInvalidParameter, kWaitFailed;
    if (waitAll != 0 && count > 1) fatal("WaitForMultipleObjects for all of several objects");
    for (DWORD i = 0; i < count; ++i) {
        bool known = true;
        if (acquire(handles[i], known)) return kWaitObject0 + i;
        if (!known) return state().lastError = kErrorInvalidHandle, kWaitFailed;
    }
    // Nothing else runs that could signal them.
    if (milliseconds == kInfinite) fatal("the plug-in waits forever for an object only it could signal");
    return kWaitTimeout;
}
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, 0, milliseconds);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (handle == kCurrentThread || handle == kCurrentProcess) return 1;
    if (state().handles.erase(reinterpret_cast<uint32_t>(handle)) == 0) return state().lastError = kErrorInvalidHandle, 0;
    return 1;
}
BOOL WINAPI DuplicateHandle(HANDLE /*sourceProcess*/, HANDLE source, HANDLE /*targetProcess*/, HANDLE* target,
                            DWORD /*access*/, BOOL /*inherit*/, DWORD /*options*/) {
    std::shared_ptr<KernelObject> object;
    if (source == kCurrentThread || source == kCurrentProcess) {
        object = std::make_shared<KernelObject>();
        object->kind = source == kCurrentThread ? KernelObject::Thread : KernelObject::Process;
    } else {
        object = objectOf(source);
    }
    if (!object || target == nullptr) return state().lastError = kErrorInvalidHandle, 0;
    *target = newHandle(object);
    return 1;
}
BOOL WINAPI GetHandleInformation(HANDLE handle, DWORD* flags) {
    if (handle != kCurrentThread && handle != kCurrentProcess && !objectOf(handle)) {
        return state().lastError = kErrorInvalidHandle, 0;
    }
    if (flags != nullptr) *flags = 0;
    return 1;
}

BOOL WINAPI GetProcessAffinityMask(HANDLE /*process*/, uint32_t* processMask, uint32_t* systemMask) {
    if (processMask != nullptr) *processMask = 1;
    if (systemMask != nullptr) *systemMask = 1;
    return 1;
}
BOOL WINAPI SetProcessAffinityMask(HANDLE /*process*/, uint32_t mask) { return (mask & 1u) != 0 ? 1 : 0; }
int32_t WINAPI GetThreadPriority(HANDLE /*thread*/) { return 0; }
BOOL WINAPI SetThreadPriority(HANDLE /*thread*/, int32_t /*priority*/) { return 1; }

void* WINAPI AddVectoredExceptionHandler(uint32_t /*first*/, void* handler) {
    // Never called back: nothing raises a structured exception here.
    state().exceptionHandlers.push_back(handler);
    return reinterpret_cast<void*>(state().exceptionHandlers.size());
}
uint32_t WINAPI RemoveVectoredExceptionHandler(void* token) {
    const auto index = reinterpret_cast<uintptr_t>(token) - 1;
    std::vector<void*>& handlers = state().exceptionHandlers;
    if (index >= handlers.size() || handlers[index] == nullptr) return 0;
    handlers[index] = nullptr;
    return 1;
}

void WINAPI RaiseException(DWORD code, DWORD /*flags*/, DWORD /*count*/, const uint32_t* /*arguments*/) {
    char text[80];
    std::snprintf(text, sizeof text, "the plug-in raised the structured exception 0x%08X", code);
    fatal(text);
}
DWORD WINAPI SuspendThread(HANDLE) { notImplemented("KERNEL32.dll!SuspendThread"); }
DWORD WINAPI ResumeThread(HANDLE) { notImplemented("KERNEL32.dll!ResumeThread"); }
BOOL WINAPI GetThreadContext(HANDLE, void*) { notImplemented("KERNEL32.dll!GetThreadContext"); }
BOOL WINAPI SetThreadContext(HANDLE, const void*) { notImplemented("KERNEL32.dll!SetThreadContext"); }
HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD) { notImplemented("KERNEL32.dll!OpenProcess"); }

// Modules: the two system libraries, the host program and the plug-in itself.
void* moduleNamed(const std::string& name) {
    const std::string key = libraryKey(name);
    if (key == "kernel32") return kernel32Module;
    if (key == "msvcrt") return msvcrtModule;
    const ImageMemory* image = state().image;
    if (image != nullptr && key == libraryKey(image->fileName)) return reinterpret_cast<void*>(image->base);
    return nullptr;
}
void* WINAPI GetModuleHandleA(const char* name) {
    if (name == nullptr) return hostProgramModule;
    void* module = moduleNamed(name);
    if (module == nullptr) state().lastError = kErrorModNotFound;
    return module;
}
void* WINAPI GetModuleHandleW(const char16_t* name) {
    return name == nullptr ? hostProgramModule : GetModuleHandleA(narrowOf(name).c_str());
}
void* WINAPI LoadLibraryA(const char* name) {
    void* module = name != nullptr ? moduleNamed(name) : nullptr;
    if (module == nullptr) {
        std::fprintf(stderr, "pe32: LoadLibrary(\"%s\"): no such library here\n", name != nullptr ? name : "");
        state().lastError = kErrorModNotFound;
    }
    return module;
}
void* WINAPI LoadLibraryW(const char16_t* name) { return LoadLibraryA(narrowOf(name).c_str()); }
BOOL WINAPI FreeLibrary(void* module) {
    if (module == kernel32Module || module == msvcrtModule) return 1;
    if (state().image != nullptr && module == reinterpret_cast<void*>(state().image->base)) return 1;
    return state().lastError = kErrorInvalidHandle, 0;
}
void* WINAPI GetProcAddress(void* module, const char* name) {
    if (reinterpret_cast<uintptr_t>(name) < 0x10000) return state().lastError = kErrorProcNotFound, nullptr;
    std::optional<uint32_t> address;
    if (module == kernel32Module || module == msvcrtModule) {
        address = standInAddress(module == kernel32Module ? "KERNEL32.dll" : "msvcrt.dll", name);
    } else if (state().image != nullptr && module == reinterpret_cast<void*>(state().image->base)) {
        const ImageMemory& image = *state().image;
        try {
            address = image.base + exportRva(*image.layout, ImageView(reinterpret_cast<uint8_t*>(image.base), image.size), name);
        } catch (const PeError&) {
        }
    }
    if (!address) {
        // Windows versions differ in what they have; the caller must cope, but we say so.
        std::fprintf(stderr, "pe32: GetProcAddress(%s): not provided, answered null\n", name);
        state().lastError = kErrorProcNotFound;
        return nullptr;
    }
    return reinterpret_cast<void*>(*address);
}

// Memory: the plug-in's image only, page by page.
struct MemoryBasicInformation {
    uint32_t baseAddress, allocationBase, allocationProtect, regionSize, state, protect, type;
};
static_assert(sizeof(MemoryBasicInformation) == 28, "MEMORY_BASIC_INFORMATION of 32-bit Windows");

uint32_t WINAPI VirtualQuery(const void* address, MemoryBasicInformation* info, uint32_t length) {
    const auto at = reinterpret_cast<uint32_t>(address);
    if (!inImage(at, 1) || info == nullptr || length < sizeof *info) {
        std::fprintf(stderr, "pe32: VirtualQuery(0x%08X): not an address of the plug-in's image\n", at);
        state().lastError = kErrorInvalidParameter;
        return 0;
    }
    const ImageMemory& image = *state().image;
    const uint32_t first = pageIndex(at);
    uint32_t last = first;
    while (last + 1 < image.pageProtection.size() && image.pageProtection[last + 1] == image.pageProtection[first]) ++last;
    *info = {image.base + first * kPageSize, image.base, 0x80 /* execute, write-copy */,
             (last - first + 1) * kPageSize, 0x1000 /* committed */, image.pageProtection[first], 0x1000000 /* image */};
    return sizeof *info;
}
BOOL WINAPI VirtualProtect(void* address, uint32_t size, DWORD protection, DWORD* previous) {
    const auto at = reinterpret_cast<uint32_t>(address);
    const int posix = posixProtection(protection);
    if (size == 0 || !inImage(at, size) || posix < 0 || previous == nullptr) {
        fatal("VirtualProtect outside the plug-in's image or with an unknown protection");
    }
    ImageMemory& image = *state().image;
    const uint32_t first = pageIndex(at);
    const uint32_t last = pageIndex(at + size - 1);
    *previous = image.pageProtection[first];
    if (mprotect(reinterpret_cast<void*>(image.base + first * kPageSize), (last - first + 1) * kPageSize, posix) != 0) {
        fatal(std::string("mprotect failed: ") + std::strerror(errno));
    }
    for (uint32_t p = first; p <= last; ++p) image.pageProtection[p] = protection;
    return 1;
}

// Text conversion: code page 0 (the system's) and UTF-8 are the same for ASCII; other
// bytes are taken as Latin-1.
int32_t WINAPI MultiByteToWideChar(uint32_t /*codePage*/, DWORD /*flags*/, const char* text, int32_t length,
                                   char16_t* wide, int32_t capacity) {
    if (text == nullptr || capacity < 0) return state().lastError = kErrorInvalidParameter, 0;
    const std::size_t count = length < 0 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    if (capacity == 0) return static_cast<int32_t>(count);
    if (count > static_cast<std::size_t>(capacity)) return state().lastError = kErrorInsufficientBuffer, 0;
    for (std::size_t i = 0; i < count; ++i) wide[i] = static_cast<unsigned char>(text[i]);
    return static_cast<int32_t>(count);
}
int32_t WINAPI WideCharToMultiByte(uint32_t /*codePage*/, DWORD /*flags*/, const char16_t* wide, int32_t length,
                                   char* text, int32_t capacity, const char* defaultChar, BOOL* usedDefault) {
    if (wide == nullptr || capacity < 0) return state().lastError = kErrorInvalidParameter, 0;
    std::size_t count = 0;
    if (length < 0) {
        while (wide[count] != 0) ++count;
        ++count;
    } else {
        count = static_cast<std::size_t>(length);
    }
    if (capacity == 0) return static_cast<int32_t>(count);
    if (count > static_cast<std::size_t>(capacity)) return state().lastError = kErrorInsufficientBuffer, 0;
    if (usedDefault != nullptr) *usedDefault = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (wide[i] < 0x100) {
            text[i] = static_cast<char>(wide[i]);
        } else {
            text[i] = defaultChar != nullptr ? *defaultChar : '?';
            if (usedDefault != nullptr) *usedDefault = 1;
        }
    }
    return static_cast<int32_t>(count);
}
BOOL WINAPI IsDBCSLeadByteEx(uint32_t /*codePage*/, uint8_t /*byte*/) { return 0; }

// ---------------------------------------------------------------- msvcrt (cdecl)

// msvcrt's FILE: 32 bytes; only the addresses of the first three matter here.
struct MsvcrtFile {
    char* ptr;
    int32_t cnt;
    char* base;
    int32_t flag;
    int32_t file;
    int32_t charbuf;
    int32_t bufsiz;
    char* tmpfname;
};
static_assert(sizeof(MsvcrtFile) == 32, "msvcrt FILE of 32-bit Windows");
MsvcrtFile iob[20] = {{nullptr, 0, nullptr, 0, 0, 0, 0, nullptr},
                      {nullptr, 0, nullptr, 0, 1, 0, 0, nullptr},
                      {nullptr, 0, nullptr, 0, 2, 0, 0, nullptr}};
int32_t mbCurMax = 1;
void* userMathErr = nullptr;

FILE* hostFile(const MsvcrtFile* file) {
    if (file == &iob[0]) return stdin;
    if (file == &iob[1]) return stdout;
    if (file == &iob[2]) return stderr;
    fatal("a stdio call on a FILE that is not stdin, stdout or stderr");
}

int writeFormatted(FILE* out, const char* format, const uint8_t* args) {
    try {
        X86Args reader(args);
        const std::string text = formatMsvcrt(format, reader);
        return std::fwrite(text.data(), 1, text.size(), out) == text.size() ? static_cast<int>(text.size()) : -1;
    } catch (const FormatError& error) {
        fatal(std::string("printf format \"") + format + "\": " + error.what());
    }
}

int msvcrtVfprintf(MsvcrtFile* file, const char* format, const uint8_t* args) {
    return writeFormatted(hostFile(file), format, args);
}
int msvcrtFprintf(MsvcrtFile* file, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = writeFormatted(hostFile(file), format, reinterpret_cast<const uint8_t*>(args));
    va_end(args);
    return written;
}
int msvcrtPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = writeFormatted(stdout, format, reinterpret_cast<const uint8_t*>(args));
    va_end(args);
    return written;
}
int msvcrtFputc(int c, MsvcrtFile* file) { return std::fputc(c, hostFile(file)); }
int msvcrtFputs(const char* text, MsvcrtFile* file) { return std::fputs(text, hostFile(file)) < 0 ? -1 : 0; }
uint32_t msvcrtFwrite(const void* data, uint32_t size, uint32_t count, MsvcrtFile* file) {
    return static_cast<uint32_t>(std::fwrite(data, size, count, hostFile(file)));
}

void msvcrtInitterm(void (**begin)(), void (**end)()) {
    const auto from = reinterpret_cast<uint32_t>(begin);
    const auto to = reinterpret_cast<uint32_t>(end);
    if (to < from || !inImage(from, to - from)) fatal("_initterm over a table outside the plug-in's image");
    const ImageMemory& image = *state().image;
    for (void (**f)() = begin; f < end; ++f) {
        if (*f == nullptr) continue;
        if (!isCode(*image.layout, reinterpret_cast<uint32_t>(*f) - image.base)) fatal("_initterm of a non-code address");
        (*f)();
    }
}
void msvcrtLock(int) {}
void msvcrtUnlock(int) {}
void msvcrtSetUserMathErr(void* handler) { userMathErr = handler; }
[[noreturn]] void msvcrtAmsgExit(int code) { fatal("the plug-in's runtime gave up (_amsg_exit " + std::to_string(code) + ")"); }
[[noreturn]] void msvcrtExit(int code) { fatal("the plug-in called exit(" + std::to_string(code) + ")"); }
[[noreturn]] void msvcrtAbort() { fatal("the plug-in called abort()"); }
uint32_t msvcrtBeginThreadEx(void*, uint32_t, void*, void*, uint32_t, uint32_t*) { notImplemented("msvcrt.dll!_beginthreadex"); }
void msvcrtEndThreadEx(uint32_t) { notImplemented("msvcrt.dll!_endthreadex"); }
int msvcrtRead(int, void*, uint32_t) { notImplemented("msvcrt.dll!_read"); }
int msvcrtClose(int) { notImplemented("msvcrt.dll!_close"); }

char* msvcrtUltoa(uint32_t value, char* text, int radix) {
    if (radix < 2 || radix > 36) fatal("_ultoa with radix " + std::to_string(radix));
    char digits[33];
    int n = 0;
    do {
        const uint32_t d = value % static_cast<uint32_t>(radix);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= static_cast<uint32_t>(radix);
    } while (value != 0);
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    text[n] = '\0';
    return text;
}
uint32_t msvcrtWcslen(const char16_t* text) {
    uint32_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

// The "C" locale, the only one there is here.
struct MsvcrtLconv {
    const char* text[10];
    char numbers[8];
};
const MsvcrtLconv cLocaleConventions = {{".", "", "", "", "", "", "", "", "", ""},
                                        {127, 127, 127, 127, 127, 127, 127, 127}};
const char* msvcrtSetlocale(int category, const char* name) {
    if (category < 0 || category > 5) return nullptr;
    if (name == nullptr || name[0] == '\0' || std::strcmp(name, "C") == 0) return "C";
    std::fprintf(stderr, "pe32: setlocale(\"%s\"): only the C locale here\n", name);
    return nullptr;
}
const MsvcrtLconv* msvcrtLocaleconv() { return &cLocaleConventions; }

// ---------------------------------------------------------------- the table

struct StandIn {
    const char* library;
    const char* name;
    const void* address;
};

#define KERNEL32(f) {"kernel32", #f, reinterpret_cast<const void*>(&f)}
#define MSVCRT(name, f) {"msvcrt", name, reinterpret_cast<const void*>(f)}
#define MSVCRT_DATA(name, v) {"msvcrt", name, static_cast<const void*>(&v)}

const StandIn kStandIns[] = {
    KERNEL32(AddVectoredExceptionHandler), KERNEL32(CloseHandle), KERNEL32(CreateEventA),
    KERNEL32(CreateSemaphoreA), KERNEL32(DeleteCriticalSection), KERNEL32(DuplicateHandle),
    KERNEL32(EnterCriticalSection), KERNEL32(FreeLibrary), KERNEL32(GetCurrentProcess),
    KERNEL32(GetCurrentProcessId), KERNEL32(GetCurrentThread), KERNEL32(GetCurrentThreadId),
    KERNEL32(GetHandleInformation), KERNEL32(GetLastError), KERNEL32(GetModuleHandleA),
    KERNEL32(GetModuleHandleW), KERNEL32(GetProcAddress), KERNEL32(GetProcessAffinityMask),
    KERNEL32(GetSystemTimeAsFileTime), KERNEL32(GetThreadContext), KERNEL32(GetThreadPriority),
    KERNEL32(GetTickCount64), KERNEL32(InitializeCriticalSection), KERNEL32(IsDBCSLeadByteEx),
    KERNEL32(IsDebuggerPresent), KERNEL32(LeaveCriticalSection), KERNEL32(LoadLibraryA),
    KERNEL32(LoadLibraryW), KERNEL32(MultiByteToWideChar), KERNEL32(OpenProcess),
    KERNEL32(OutputDebugStringA), KERNEL32(RaiseException), KERNEL32(ReleaseSemaphore),
    KERNEL32(RemoveVectoredExceptionHandler), KERNEL32(ResetEvent), KERNEL32(ResumeThread),
    KERNEL32(SetEvent), KERNEL32(SetLastError), KERNEL32(SetProcessAffinityMask),
    KERNEL32(SetThreadContext), KERNEL32(SetThreadPriority), KERNEL32(Sleep), KERNEL32(SuspendThread),
    KERNEL32(TlsAlloc), KERNEL32(TlsGetValue), KERNEL32(TlsSetValue), KERNEL32(TryEnterCriticalSection),
    KERNEL32(VirtualProtect), KERNEL32(VirtualQuery), KERNEL32(WaitForMultipleObjects),
    KERNEL32(WaitForSingleObject), KERNEL32(WideCharToMultiByte),

    // Data: the import's address is the variable's.
    MSVCRT_DATA("__mb_cur_max", mbCurMax), MSVCRT_DATA("_iob", iob),
    MSVCRT("__setusermatherr", msvcrtSetUserMathErr), MSVCRT("_amsg_exit", msvcrtAmsgExit),
    MSVCRT("_beginthreadex", msvcrtBeginThreadEx), MSVCRT("_endthreadex", msvcrtEndThreadEx),
    MSVCRT("_errno", __errno_location), MSVCRT("_initterm", msvcrtInitterm), MSVCRT("_lock", msvcrtLock),
    MSVCRT("_unlock", msvcrtUnlock), MSVCRT("_setjmp3", tilesweep_pe32_setjmp3),
    MSVCRT("longjmp", tilesweep_pe32_longjmp), MSVCRT("_ultoa", msvcrtUltoa), MSVCRT("abort", msvcrtAbort),
    MSVCRT("exit", msvcrtExit), MSVCRT("_read", msvcrtRead), MSVCRT("_close", msvcrtClose),
    MSVCRT("fprintf", msvcrtFprintf), MSVCRT("printf", msvcrtPrintf), MSVCRT("vfprintf", msvcrtVfprintf),
    MSVCRT("fputc", msvcrtFputc), MSVCRT("fputs", msvcrtFputs), MSVCRT("fwrite", msvcrtFwrite),
    MSVCRT("setlocale", msvcrtSetlocale), MSVCRT("localeconv", msvcrtLocaleconv),
    MSVCRT("wcslen", msvcrtWcslen),
    // Where msvcrt and the C library here agree (errno values included), the C library's own.
    MSVCRT("atoi", ::atoi), MSVCRT("calloc", ::calloc), MSVCRT("free", ::free), MSVCRT("malloc", ::malloc),
    MSVCRT("realloc", ::realloc), MSVCRT("memchr", static_cast<const void* (*)(const void*, int, size_t)>(::memchr)),
    MSVCRT("memcmp", ::memcmp), MSVCRT("memcpy", ::memcpy), MSVCRT("memmove", ::memmove), MSVCRT("memset", ::memset),
    MSVCRT("strchr", static_cast<const char* (*)(const char*, int)>(::strchr)), MSVCRT("strcmp", ::strcmp),
    MSVCRT("strlen", ::strlen), MSVCRT("strncmp", ::strncmp), MSVCRT("strerror", ::strerror),
    MSVCRT("_strdup", ::strdup),
};

#undef KERNEL32
#undef MSVCRT
#undef MSVCRT_DATA

}  // namespace

uint32_t windowsProtection(uint32_t characteristics) {
    const bool x = (characteristics & kSectionExecute) != 0;
    const bool w = (characteristics & kSectionWrite) != 0;
    const bool r = (characteristics & kSectionRead) != 0;
    if (x) return w ? 0x40 : r ? 0x20 : 0x10;
    return w ? 0x04 : r ? 0x02 : 0x01;
}

int posixProtection(uint32_t protection) {
    switch (protection) {
    case 0x01: return PROT_NONE;
    case 0x02: return PROT_READ;
    case 0x04:
    case 0x08: return PROT_READ | PROT_WRITE;
    case 0x10: return PROT_EXEC;
    case 0x20: return PROT_READ | PROT_EXEC;
    case 0x40:
    case 0x80: return PROT_READ | PROT_WRITE | PROT_EXEC;
    default: return -1;
    }
}

std::optional<uint32_t> standInAddress(const std::string& library, const std::string& name) {
    const std::string key = libraryKey(library);
    for (const StandIn& s : kStandIns) {
        if (key == s.library && name == s.name) return reinterpret_cast<uint32_t>(s.address);
    }
    return std::nullopt;
}

void attachStandIns(ImageMemory* image) {
    state() = State{};
    state().image = image;
}

}  // namespace tilesweep::pe32
