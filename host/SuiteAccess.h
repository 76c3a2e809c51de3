// Suites by name and version, and the host messages that go with failing to get
// one. Every suite a command acquires is released when the command ends, on every
// way out, so each handler keeps its SuiteHandler on the stack.
#pragma once

#include <cstddef>

#include "AE_HostApi.h"
#include "Flavour.h"

namespace tilesweep::plugin {

// The plug-in's only exception: a suite the host cannot supply. It is the host's
// 32-bit error code, and the entry point catches it.
constexpr PF_Err kSuiteMissing = PF_Err_BAD_CALLBACK_PARAM;

// Copies at most size - 1 characters and always terminates; never reads the
// source past that. Returns false when the text was cut.
bool copyBounded(A_char* destination, std::size_t size, const A_char* source);

// Puts `message` into return_msg (cut at the field's end) and has the host show it.
void showHostMessage(PF_OutData& out, const A_char* message);

class SuiteHandler {
public:
    // Throws kSuiteMissing without a basic suite.
    explicit SuiteHandler(const SPBasicSuite* basic);
    ~SuiteHandler();
    SuiteHandler(const SuiteHandler&) = delete;
    SuiteHandler& operator=(const SuiteHandler&) = delete;

    // The table of `name` at `version`, acquired on first use; throws kSuiteMissing
    // when the host has no such suite.
    template <typename Table>
    const Table& acquire(const char* name, A_long version) {
        return *static_cast<const Table*>(acquireTable(name, version));
    }

private:
    const void* acquireTable(const char* name, A_long version);

    struct Held {
        const char* name;
        A_long version;
        const void* table;
    };
    // More than any command needs: the render holds seven at most.
    static constexpr std::size_t kCapacity = 12;

    const SPBasicSuite* basic_;
    Held held_[kCapacity] = {};
    std::size_t count_ = 0;
};

// The flavour's "PF Handle Suite"; both versions share one table layout.
const PF_HandleSuite1& handleSuite(SuiteHandler& suites, const Flavour& flavour);

// A suite acquired outside the suite handler, whose failures the user is told
// about instead of ending the command. Released on the way out if still held.
class GuardedSuite {
public:
    static constexpr const A_char* kAcquireMessage = "Not able to acquire AEFX Suite.";
    static constexpr const A_char* kReleaseMessage = "Not able to release AEFX Suite.";

    GuardedSuite(const SPBasicSuite* basic, const char* name, A_long version, PF_OutData& out)
        : basic_(basic), name_(name), version_(version), out_(out) {}
    ~GuardedSuite();
    GuardedSuite(const GuardedSuite&) = delete;
    GuardedSuite& operator=(const GuardedSuite&) = delete;

    // 0, or PF_Err_BAD_CALLBACK_PARAM with `failureMessage` shown.
    PF_Err acquire(const A_char* failureMessage = kAcquireMessage);
    // 0 when nothing is held or the basic suite took it back (whatever it answered).
    PF_Err release(const A_char* failureMessage = kReleaseMessage);

    template <typename Table>
    const Table& table() const {
        return *static_cast<const Table*>(table_);
    }

private:
    const SPBasicSuite* basic_;
    const char* name_;
    A_long version_;
    PF_OutData& out_;
    const void* table_ = nullptr;
    bool held_ = false;
};

}  // namespace tilesweep::plugin
