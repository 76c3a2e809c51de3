// Image libraries print their own complaints on the process's stderr ("libpng
// error: ..."); the tool speaks one line. While a capture lives, whatever is written
// to file descriptor 2 is kept aside, to be judged and reported in the tool's words.
#pragma once

#include <string>

namespace tilesweep {

class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Ends the capture (stderr is restored) and returns the first line printed
    // meanwhile, empty if none.
    std::string finish();

private:
    int saved_ = -1;
    int sink_ = -1;
};

}  // namespace tilesweep
