// Files that appear whole or not at all: written to a hidden temporary beside the
// target, checked to the last byte, then renamed onto it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tilesweep {

// Every temporary's name starts with this; what only SIGKILL can leave behind is
// hidden and recognisable by it.
constexpr const char* kTemporaryPrefix = ".tilesweep-";

// Why an existing `path` may not be replaced (a folder, a device, a FIFO, a
// symbolic link...); empty when it is missing or a regular file.
std::string whyNotReplaceable(const std::string& path);

// Why `target` cannot be written at all, whatever is rendered: its name is too long
// (or its folder's, for a temporary beside it), or it exists and may not be replaced.
// Empty when it can be tried.
std::string whyNotWritable(const std::string& target);

class Temporary;

// A complete temporary beside its target, waiting to be renamed onto it; removed
// if it never is.
class PreparedFile {
public:
    // Writes `size` bytes to a new temporary for `target`; null with `error` set.
    static std::unique_ptr<PreparedFile> write(const std::string& target, const unsigned char* data, std::size_t size,
                                               std::string& error);
    ~PreparedFile();
    PreparedFile(const PreparedFile&) = delete;
    PreparedFile& operator=(const PreparedFile&) = delete;
    // Renames the temporary onto the target, if it is still the file written.
    bool commit(std::string& error);

private:
    PreparedFile() = default;
    std::string target_;
    std::unique_ptr<Temporary> temporary_;
};

// Writes `size` bytes to `target` through an exclusively created temporary of an
// unpredictable name. Every write, the flush to the disk and the close are checked;
// the rename happens only if the temporary is still the file the tool wrote. On any
// failure the target is untouched, the temporary removed, and `error` names the
// target and the cause.
bool writeFileAtomically(const std::string& target, const unsigned char* data, std::size_t size, std::string& error);

// Removes the unfinished temporaries when a signal ends the process, then ends it
// as the signal would. SIGXFSZ is ignored instead, so that a file-size limit fails
// the write (EFBIG) and the tool reports it.
void removeTemporaryFilesOnSignals();

}  // namespace tilesweep
