#include "SuiteAccess.h"

#include <cstring>

namespace tilesweep::plugin {

bool copyBounded(A_char* destination, std::size_t size, const A_char* source) {
    if (size == 0) return false;
    std::size_t i = 0;
    for (; i + 1 < size && source[i] != '\0'; ++i) destination[i] = source[i];
    destination[i] = '\0';
    return source[i] == '\0';
}

void showHostMessage(PF_OutData& out, const A_char* message) {
    copyBounded(out.return_msg, sizeof(out.return_msg), message);
    out.out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
}

SuiteHandler::SuiteHandler(const SPBasicSuite* basic) : basic_(basic) {
    if (basic_ == nullptr) throw kSuiteMissing;
}

SuiteHandler::~SuiteHandler() {
    // Nothing can be done about a refused release; the command is over.
    while (count_ > 0) {
        const Held& held = held_[--count_];
        basic_->ReleaseSuite(held.name, held.version);
    }
}

const void* SuiteHandler::acquireTable(const char* name, A_long version) {
    for (std::size_t i = 0; i < count_; ++i) {
        if (held_[i].version == version && std::strcmp(held_[i].name, name) == 0) return held_[i].table;
    }
    if (count_ == kCapacity) throw kSuiteMissing;
    const void* table = nullptr;
    if (basic_->AcquireSuite(name, version, &table) != kSPNoError) throw kSuiteMissing;
    if (table == nullptr) {
        // The host counted it as acquired, so it is given back before giving up.
        basic_->ReleaseSuite(name, version);
        throw kSuiteMissing;
    }
    held_[count_++] = Held{name, version, table};
    return table;
}

const PF_HandleSuite1& handleSuite(SuiteHandler& suites, const Flavour& flavour) {
    return suites.acquire<PF_HandleSuite1>(kPFHandleSuite, flavour.handleSuiteVersion);
}

GuardedSuite::~GuardedSuite() {
    if (held_ && basic_ != nullptr) basic_->ReleaseSuite(name_, version_);
}

PF_Err GuardedSuite::acquire(const A_char* failureMessage) {
    if (held_) return PF_Err_NONE;
    const void* table = nullptr;
    const SPErr err = basic_ == nullptr ? kSPSuiteNotFoundError : basic_->AcquireSuite(name_, version_, &table);
    if (err == kSPNoError && table != nullptr) {
        table_ = table;
        held_ = true;
        return PF_Err_NONE;
    }
    if (err == kSPNoError) basic_->ReleaseSuite(name_, version_);
    showHostMessage(out_, failureMessage);
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err GuardedSuite::release(const A_char* failureMessage) {
    if (!held_) return PF_Err_NONE;
    held_ = false;
    table_ = nullptr;
    if (basic_ == nullptr) {
        showHostMessage(out_, failureMessage);
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    basic_->ReleaseSuite(name_, version_);
    return PF_Err_NONE;
}

}  // namespace tilesweep::plugin
