// What every fuzz target checks beyond the sanitizers: a broken promise aborts, so
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tilesweep::fuzz {

inline void require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// A refusal is one non-empty line with no control characters, whatever the input held.
inline void requireOneLine(const std::string& message) {
    require(!message.empty(), "a refusal says why");
    for (const char c : message) {
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a refusal is one line of printable text");
    }
}

// The input's lines, each as one option of the command line would bring it.
inline std::vector<std::string> linesOf(const uint8_t* data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += static_cast<char>(data[i]);
        }
    }
    return lines;
}

}  // namespace tilesweep::fuzz
