// printf of the Windows C runtime as the proof's loader gives it to the x86 .aex: its
// own size prefixes, 16-bit wide strings, pointer and exponent forms, arguments read
// from a 32-bit x86 argument area.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MsvcrtFormat.h"

namespace {

using namespace tilesweep::pe32;

// The argument area of one call, and the memory its pointers point into.
class Call {
public:
    Call() : memory_(16, 0) {}
    Call& i32(int32_t value) { return u32(static_cast<uint32_t>(value)); }
    Call& u32(uint32_t value) {
        for (int i = 0; i < 4; ++i) slots_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    Call& u64(uint64_t value) { return u32(static_cast<uint32_t>(value)).u32(static_cast<uint32_t>(value >> 32)); }
    Call& f64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return u64(bits);
    }
    Call& text(const std::string& value) {
        u32(static_cast<uint32_t>(memory_.size()));
        memory_.insert(memory_.end(), value.begin(), value.end());
        memory_.push_back(0);
        return *this;
    }
    Call& wide(const std::u16string& value) {
        u32(static_cast<uint32_t>(memory_.size()));
        for (char16_t unit : value) {
            memory_.push_back(static_cast<uint8_t>(unit));
            memory_.push_back(static_cast<uint8_t>(unit >> 8));
        }
        memory_.push_back(0);
        memory_.push_back(0);
        return *this;
    }
    std::string format(const char* format) {
        slots_.resize(slots_.size() + 64, 0xEE);  // what lies beyond the arguments
        X86Args args(slots_.data(), memory_.data());
        return formatMsvcrt(format, args);
    }

private:
    std::vector<uint8_t> slots_;
    std::vector<uint8_t> memory_;
};

struct Case {
    const char* format;
    Call call;
    const char* expected;
};

TEST(MsvcrtFormat, GivesWhatTheWindowsRuntimePrints) {
    const Case cases[] = {
        {"plain %% text", Call(), "plain % text"},
        {"%d|%i|%u", Call().i32(-5).i32(7).i32(-1), "-5|7|4294967295"},
        {"%I64d %lld", Call().u64(0x8000000000000000ull).u64(12345678901ull), "-9223372036854775808 12345678901"},
        {"%I64u|%I32d|%Id", Call().u64(18446744073709551615ull).i32(-3).i32(9), "18446744073709551615|-3|9"},
        {"%ld and %d", Call().i32(-2).i32(3), "-2 and 3"},
        {"%hd %hu %hhd", Call().i32(70000).i32(-1).i32(300), "4464 65535 44"},
        {"%x %X %#x %o", Call().u32(0xBEEF).u32(0xBEEF).u32(255).u32(8), "beef BEEF 0xff 10"},
        {"[%5d][%-5d][%05d][%+d]", Call().i32(42).i32(42).i32(-42).i32(7), "[   42][42   ][-0042][+7]"},
        {"[%*d][%*d][%.*d]", Call().i32(4).i32(1).i32(-4).i32(2).i32(3).i32(5), "[   1][2   ][005]"},
        {"%c%c%lc%C", Call().i32('o').i32('k').i32(0x263A).i32('!'), "ok?!"},
        {"%s|%.3s|%6s|%-6s|", Call().text("abc").text("abcdef").text("ab").text("ab"), "abc|abc|    ab|ab    |"},
        {"%s", Call().u32(0), "(null)"},
        {"%S|%ls|%ws|%hs", Call().wide(u"wide").wide(u"x\u00e9y").wide(u"\u4e2d").text("narrow"), "wide|x\xe9y|?|narrow"},
        {"%p", Call().u32(0x1234ABu), "001234AB"},
        {"%e|%E", Call().f64(12345.678).f64(-0.000125), "1.234568e+004|-1.250000E-004"},
        {"%g|%g|%G", Call().f64(1e100).f64(0.5).f64(1e-10), "1e+100|0.5|1E-010"},
        {"[%12.3e][%-12.2e][%012.2e]", Call().f64(3.0).f64(3.0).f64(-3.0), "[  3.000e+000][3.00e+000   ][-003.00e+000]"},
        {"%f|%.2f|%8.1f|%Lf", Call().f64(2.5).f64(3.14159).f64(-1.26).f64(1.0), "2.500000|3.14|    -1.3|1.000000"},
        {"%d %s %I64x %f", Call().i32(1).text("two").u64(0x300000000ull).f64(4.0), "1 two 300000000 4.000000"},
    };
    for (const Case& c : cases) {
        Call call = c.call;
        EXPECT_EQ(call.format(c.format), c.expected) << c.format;
    }
}

TEST(MsvcrtFormat, RefusesWhatItMustNotPrint) {
    const char* const refused[] = {
        "%n",          // writes through an argument
        "%q",          // no such conversion
        "%a",          // not in msvcrt
        "%zd",         // C99 size prefixes msvcrt lacks
        "%5000d",      // a field wider than any message
        "%.5000f",
        "%*d",         // the same from an argument
        "ends in %",
        "ends in %-08",
        "%wd",
        "%Ld",
    };
    for (const char* format : refused) {
        Call call;
        call.i32(100000).i32(1);
        EXPECT_THROW(call.format(format), FormatError) << format;
    }
}

}  // namespace
