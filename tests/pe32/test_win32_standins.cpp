// The KERNEL32 and msvcrt stand-ins and the x86 thunks of the proof's loader, called the
// way the 32-bit .aex calls them: through the addresses its imports are bound to, with
// the Windows calling conventions. Built and run on 32-bit x86 only (under qemu-i386
// where the kernel cannot run it).
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <string>
#include <vector>

#include "Win32StandIns.h"
#include "X86Thunks.h"

#define WINAPI __attribute__((stdcall))

namespace {

using namespace tilesweep::pe32;

template <typename Function>
Function import(const char* library, const char* name) {
    const std::optional<uint32_t> address = standInAddress(library, name);
    if (!address) {
        ADD_FAILURE() << library << "!" << name << " is not provided";
        return nullptr;
    }
    return reinterpret_cast<Function>(*address);
}

struct StandInTest : testing::Test {
    void SetUp() override { attachStandIns(nullptr); }
    void TearDown() override { attachStandIns(nullptr); }
    uint32_t lastError() { return import<uint32_t(WINAPI*)()>("KERNEL32.dll", "GetLastError")(); }
};

TEST(X86Thunks, CallsWithTheStackWhereItSays) {
    for (uint32_t skew : {0u, 4u, 8u, 12u}) {
        const uint32_t esp = tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(&tilesweep_pe32_entry_esp),
                                                            nullptr, 0, skew);
        EXPECT_EQ((esp + 4) % 16, skew);
    }
    // A stdcall callee pops its own arguments; the thunk's caller must not notice.
    const auto setLastError = import<void(WINAPI*)(uint32_t)>("KERNEL32.dll", "SetLastError");
    for (uint32_t skew : {4u, 8u, 12u}) {
        const uint32_t args[] = {1000 + skew};
        tilesweep_pe32_call_misaligned(reinterpret_cast<const void*>(setLastError), args, 1, skew);
        EXPECT_EQ(import<uint32_t(WINAPI*)()>("KERNEL32.dll", "GetLastError")(), 1000 + skew);
    }
}

TEST(X86Thunks, LongjmpReturnsToSetjmpWithItsValue) {
    using Setjmp = int (*)(void*, int, ...);
    using Longjmp = void (*)(void*, int);
    const auto longjmpOf = import<Longjmp>("msvcrt.dll", "longjmp");
    EXPECT_EQ(reinterpret_cast<const void*>(import<Setjmp>("msvcrt.dll", "_setjmp3")),
              reinterpret_cast<const void*>(&tilesweep_pe32_setjmp3));
    for (int value : {0, 1, 7, -3}) {
        alignas(16) uint32_t buffer[16] = {};
        volatile int passes = 0;
        const int result = tilesweep_pe32_setjmp3(buffer, 0);
        ++passes;
        if (result == 0) longjmpOf(buffer, value);
        EXPECT_EQ(result, value == 0 ? 1 : value);
        EXPECT_EQ(passes, 2);
    }
}

TEST_F(StandInTest, CriticalSectionsCountTheirEntries) {
    using Section = void(WINAPI*)(void*);
    alignas(4) uint8_t section[24];
    import<Section>("KERNEL32.dll", "InitializeCriticalSection")(section);
    import<Section>("KERNEL32.dll", "EnterCriticalSection")(section);
    EXPECT_EQ(import<int32_t(WINAPI*)(void*)>("KERNEL32.dll", "TryEnterCriticalSection")(section), 1);
    import<Section>("KERNEL32.dll", "LeaveCriticalSection")(section);
    import<Section>("KERNEL32.dll", "LeaveCriticalSection")(section);
    EXPECT_DEATH(import<Section>("KERNEL32.dll", "LeaveCriticalSection")(section), "not entered");
    import<Section>("KERNEL32.dll", "EnterCriticalSection")(section);
    EXPECT_DEATH(import<Section>("KERNEL32.dll", "DeleteCriticalSection")(section), "still entered");
}

TEST_F(StandInTest, ThreadLocalSlotsRunOutAndRefuseStrangers) {
    const auto tlsAlloc = import<uint32_t(WINAPI*)()>("KERNEL32.dll", "TlsAlloc");
    const auto tlsGet = import<void*(WINAPI*)(uint32_t)>("KERNEL32.dll", "TlsGetValue");
    const auto tlsSet = import<int32_t(WINAPI*)(uint32_t, void*)>("KERNEL32.dll", "TlsSetValue");
    const uint32_t first = tlsAlloc();
    int value = 0;
    EXPECT_EQ(tlsGet(first), nullptr);
    EXPECT_EQ(tlsSet(first, &value), 1);
    EXPECT_EQ(tlsGet(first), &value);
    EXPECT_EQ(lastError(), 0u) << "a successful TlsGetValue clears the last error";
    uint32_t slots = 1;
    while (tlsAlloc() != 0xFFFFFFFFu && slots < 10000) ++slots;
    EXPECT_EQ(slots, 64u);
    EXPECT_EQ(tlsGet(64), nullptr);
    EXPECT_EQ(lastError(), 87u);
    EXPECT_EQ(tlsSet(1000, &value), 0);
}

TEST_F(StandInTest, EventsAndSemaphoresSignalOnlyAsTold) {
    const auto createEvent = import<void*(WINAPI*)(void*, int32_t, int32_t, const char*)>("KERNEL32.dll", "CreateEventA");
    const auto createSemaphore =
        import<void*(WINAPI*)(void*, int32_t, int32_t, const char*)>("KERNEL32.dll", "CreateSemaphoreA");
    const auto setEvent = import<int32_t(WINAPI*)(void*)>("KERNEL32.dll", "SetEvent");
    const auto release = import<int32_t(WINAPI*)(void*, int32_t, int32_t*)>("KERNEL32.dll", "ReleaseSemaphore");
    const auto wait = import<uint32_t(WINAPI*)(void*, uint32_t)>("KERNEL32.dll", "WaitForSingleObject");
    const auto waitAny = import<uint32_t(WINAPI*)(uint32_t, void* const*, int32_t, uint32_t)>("KERNEL32.dll",
                                                                                           "WaitForMultipleObjects");
    const auto duplicate = import<int32_t(WINAPI*)(void*, void*, void*, void**, uint32_t, int32_t, uint32_t)>(
        "KERNEL32.dll", "DuplicateHandle");
    const auto closeHandle = import<int32_t(WINAPI*)(void*)>("KERNEL32.dll", "CloseHandle");
    constexpr uint32_t kTimeout = 0x102;

    void* autoReset = createEvent(nullptr, 0, 1, nullptr);
    EXPECT_EQ(wait(autoReset, 0), 0u);
    EXPECT_EQ(wait(autoReset, 10), kTimeout) << "an auto-reset event is consumed by the wait";
    void* manual = createEvent(nullptr, 1, 0, nullptr);
    void* copy = nullptr;
    ASSERT_EQ(duplicate(reinterpret_cast<void*>(-1), manual, reinterpret_cast<void*>(-1), &copy, 0, 0, 2), 1);
    EXPECT_EQ(setEvent(copy), 1) << "a duplicate is the same event";
    EXPECT_EQ(wait(manual, 0), 0u);
    EXPECT_EQ(wait(manual, 0), 0u) << "a manual-reset event stays signalled";

    void* semaphore = createSemaphore(nullptr, 1, 2, nullptr);
    int32_t previous = -1;
    EXPECT_EQ(release(semaphore, 1, &previous), 1);
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(release(semaphore, 1, nullptr), 0) << "beyond its maximum";
    void* const both[] = {autoReset, semaphore};
    EXPECT_EQ(waitAny(2, both, 0, 0), 1u);
    EXPECT_EQ(waitAny(2, both, 0, 0), 1u);
    EXPECT_EQ(waitAny(2, both, 0, 0), kTimeout);
    EXPECT_DEATH(wait(semaphore, 0xFFFFFFFFu), "waits forever");
    EXPECT_DEATH(wait(reinterpret_cast<void*>(-2), 0xFFFFFFFFu), "waits forever");

    EXPECT_EQ(closeHandle(semaphore), 1);
    EXPECT_EQ(closeHandle(semaphore), 0);
    EXPECT_EQ(lastError(), 6u);
    EXPECT_EQ(wait(semaphore, 0), 0xFFFFFFFFu);
    EXPECT_DEATH(createEvent(nullptr, 0, 0, "Global\\x"), "named event");
}

TEST_F(StandInTest, ModulesAreTheSystemLibrariesAndNothingElse) {
    const auto moduleHandle = import<void*(WINAPI*)(const char*)>("KERNEL32.dll", "GetModuleHandleA");
    const auto moduleHandleW = import<void*(WINAPI*)(const char16_t*)>("KERNEL32.dll", "GetModuleHandleW");
    const auto procAddress = import<void*(WINAPI*)(void*, const char*)>("KERNEL32.dll", "GetProcAddress");
    void* kernel32 = moduleHandle("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(moduleHandle("KERNEL32"), kernel32);
    EXPECT_EQ(moduleHandle("C:\\Windows\\System32\\KERNEL32.DLL"), kernel32);
    EXPECT_EQ(moduleHandleW(u"Kernel32.dll"), kernel32);
    EXPECT_NE(moduleHandle(nullptr), nullptr);
    EXPECT_NE(moduleHandle("msvcrt.dll"), kernel32);
    EXPECT_EQ(moduleHandle("libgcc_s_dw2-1.dll"), nullptr) << "the library's own static copy must be used";
    EXPECT_EQ(lastError(), 126u);
    EXPECT_EQ(reinterpret_cast<uint32_t>(procAddress(kernel32, "TlsAlloc")), *standInAddress("kernel32", "TlsAlloc"));
    EXPECT_EQ(procAddress(kernel32, "SetThreadDescription"), nullptr);
    EXPECT_EQ(lastError(), 127u);
    EXPECT_EQ(procAddress(kernel32, reinterpret_cast<const char*>(5)), nullptr) << "by ordinal";
}

TEST_F(StandInTest, MemoryQueriesAndProtectionStayInsideTheImage) {
    void* pages = mmap(nullptr, 3 * kPageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ImageMemory image;
    image.base = reinterpret_cast<uint32_t>(pages);
    image.size = 3 * kPageSize;
    image.pageProtection = {0x04, 0x04, 0x02};
    attachStandIns(&image);
    const auto query = import<uint32_t(WINAPI*)(const void*, uint32_t*, uint32_t)>("KERNEL32.dll", "VirtualQuery");
    const auto protect = import<int32_t(WINAPI*)(void*, uint32_t, uint32_t, uint32_t*)>("KERNEL32.dll", "VirtualProtect");
    uint32_t info[7] = {};
    ASSERT_EQ(query(static_cast<char*>(pages) + 5000, info, sizeof info), 28u);
    EXPECT_EQ(info[0], image.base + kPageSize) << "the page's start";
    EXPECT_EQ(info[1], image.base);
    EXPECT_EQ(info[3], kPageSize) << "the run of pages with one protection";
    EXPECT_EQ(info[5], 0x04u);
    uint32_t previous = 0;
    ASSERT_EQ(protect(static_cast<char*>(pages) + 100, kPageSize + 1, 0x02, &previous), 1);
    EXPECT_EQ(previous, 0x04u);
    EXPECT_EQ((std::vector<uint32_t>{0x02, 0x02, 0x02}), image.pageProtection);
    ASSERT_EQ(query(pages, info, sizeof info), 28u);
    EXPECT_EQ(info[3], 3 * kPageSize);
    EXPECT_EQ(query(static_cast<char*>(pages) + 3 * kPageSize, info, sizeof info), 0u);
    EXPECT_DEATH(protect(static_cast<char*>(pages) + 2 * kPageSize, kPageSize + 1, 0x04, &previous), "outside");
    EXPECT_DEATH(protect(pages, 1, 0x1234, &previous), "unknown protection");
    attachStandIns(nullptr);
    munmap(pages, 3 * kPageSize);
}

TEST_F(StandInTest, TextConversionsMeasureAndRefuseSmallBuffers) {
    const auto toWide = import<int32_t(WINAPI*)(uint32_t, uint32_t, const char*, int32_t, char16_t*, int32_t)>(
        "KERNEL32.dll", "MultiByteToWideChar");
    const auto toNarrow =
        import<int32_t(WINAPI*)(uint32_t, uint32_t, const char16_t*, int32_t, char*, int32_t, const char*, int32_t*)>(
            "KERNEL32.dll", "WideCharToMultiByte");
    char16_t wide[8] = {};
    EXPECT_EQ(toWide(0, 0, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(toWide(0, 0, "abc", -1, wide, 3), 0);
    EXPECT_EQ(lastError(), 122u);
    EXPECT_EQ(toWide(0, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    const char16_t mixed[] = u"a\u4e2d";
    char narrow[8] = {};
    int32_t usedDefault = 0;
    EXPECT_EQ(toNarrow(0, 0, mixed, -1, narrow, 8, nullptr, &usedDefault), 3);
    EXPECT_STREQ(narrow, "a?");
    EXPECT_EQ(usedDefault, 1);
}

TEST_F(StandInTest, MsvcrtGivesTheWindowsAnswers) {
    const auto ultoa = import<char* (*)(uint32_t, char*, int)>("msvcrt.dll", "_ultoa");
    char text[40];
    EXPECT_STREQ(ultoa(0xBEEF, text, 16), "beef");
    EXPECT_STREQ(ultoa(5, text, 2), "101");
    EXPECT_STREQ(ultoa(0xFFFFFFFFu, text, 36), "1z141z3");
    EXPECT_STREQ(ultoa(0, text, 10), "0");
    EXPECT_DEATH(ultoa(1, text, 37), "radix");
    EXPECT_EQ(import<uint32_t (*)(const char16_t*)>("msvcrt.dll", "wcslen")(u"four"), 4u);
    const auto setlocale = import<const char* (*)(int, const char*)>("msvcrt.dll", "setlocale");
    EXPECT_STREQ(setlocale(0, nullptr), "C");
    EXPECT_EQ(setlocale(0, "German_Germany.1252"), nullptr);
    const auto conventions = import<const char* const* (*)()>("msvcrt.dll", "localeconv")();
    EXPECT_STREQ(conventions[0], ".");
    EXPECT_EQ(*import<int32_t*>("msvcrt.dll", "__mb_cur_max"), 1);

    // stderr is the third of msvcrt's FILE records, 32 bytes each.
    auto* iob = import<uint8_t*>("msvcrt.dll", "_iob");
    const auto fprintf = import<int (*)(void*, const char*, ...)>("msvcrt.dll", "fprintf");
    testing::internal::CaptureStderr();
    const int written = fprintf(iob + 64, "%I64d|%5.1e|%s\n", 0x123456789ull, 25.0, "x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "4886718345|2.5e+001|x\n");
    EXPECT_EQ(written, 22);
    EXPECT_DEATH(fprintf(iob + 96, "x"), "not stdin, stdout or stderr");
    EXPECT_DEATH(fprintf(iob + 64, "%n", &text), "%n is refused");
    EXPECT_DEATH(import<void (*)(int)>("msvcrt.dll", "exit")(3), "called exit\\(3\\)");
}

TEST_F(StandInTest, ImportsAHostLifeNeverReachesStopWithTheirName) {
    EXPECT_DEATH(import<uint32_t(WINAPI*)(void*)>("KERNEL32.dll", "SuspendThread")(nullptr), "SuspendThread");
    EXPECT_DEATH(import<uint32_t (*)(void*, uint32_t, void*, void*, uint32_t, uint32_t*)>("msvcrt.dll",
                                                                                        "_beginthreadex")(
                     nullptr, 0, nullptr, nullptr, 0, nullptr),
                 "_beginthreadex");
    EXPECT_DEATH(import<void(WINAPI*)(uint32_t, uint32_t, uint32_t, const uint32_t*)>("KERNEL32.dll", "RaiseException")(
                     0xE06D7363, 0, 0, nullptr),
                 "0xE06D7363");
    EXPECT_FALSE(standInAddress("KERNEL32.dll", "CreateThread").has_value());
    EXPECT_FALSE(standInAddress("USER32.dll", "MessageBoxA").has_value());
}

}  // namespace
