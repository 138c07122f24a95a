#pragma once
// The file the monitor is saved to (and tulex-cli's --monitor file), named by
// a UTF-8 path: created or emptied, written as the bytes given (CR LF stays
// CR LF, nothing is translated), closed. On Windows the path reaches the
// system as UTF-16, so folders with Cyrillic names work.

#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

class SaveFile {
public:
    // Why a file could not be created.
    enum class OpenError {
        None,
        ReadOnly,  // the file or its folder may not be written
        BadPath,   // no such folder, an invalid or empty name, a sharing conflict, ...
    };

    SaveFile() = default;
    ~SaveFile();  // closes
    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Creates the file, or empties the one there.
    OpenError Create(const std::string& utf8Path);
    bool IsOpen() const { return handle_ != kNoHandle; }
    // Writes every byte; false if the system took fewer (a full disk).
    bool Write(std::string_view bytes);
    // False if the last bytes could not be written out.
    bool Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;  // a descriptor, or a Windows file handle
};

// True if something (a file or a folder) exists at the path.
bool PathExists(const std::string& utf8Path);

// The folder the save dialog offers first, ending in a separator, so that a
// bare name typed after it lands there: the user's Documents on Windows, the
// home folder elsewhere.
std::string InitialSaveFolder();

}  // namespace tulex
