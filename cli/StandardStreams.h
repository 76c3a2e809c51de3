// The tool's own standard streams: what it prints is checked to the last byte, so a
// full disk or a closed stream is a failure, never a cut-off success.
#pragma once

#include <string>

namespace tilesweep {

// A standard stream the caller closed is held by a read-only /dev/null, so that no
// file the tool opens takes its number and writes to it fail instead.
void holdClosedStandardStreams();

// Writes `text` to stdout and flushes it; false with a one-line reason. From here on a
// reader that went away (SIGPIPE) is a failed write like any other.
bool writeStandardOutput(const std::string& text, std::string& error);

// Flushes what was printed to stdout (help texts); false with a one-line reason.
bool flushStandardOutput(std::string& error);

}  // namespace tilesweep
