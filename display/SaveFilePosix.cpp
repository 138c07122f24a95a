#include "display/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace tulex {

SaveFile::~SaveFile() { Close(); }

SaveFile::OpenError SaveFile::Create(const std::string& utf8Path) {
    Close();
    if (utf8Path.empty()) return OpenError::BadPath;
    const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EACCES || errno == EPERM || errno == EROFS ? OpenError::ReadOnly : OpenError::BadPath;
    handle_ = fd;
    return OpenError::None;
}

bool SaveFile::Write(std::string_view bytes) {
    if (!IsOpen()) return false;
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SaveFile::Close() {
    if (!IsOpen()) return true;
    const bool ok = ::close(static_cast<int>(handle_)) == 0;
    handle_ = kNoHandle;
    return ok;
}

bool PathExists(const std::string& utf8Path) {
    struct stat st {};
    return !utf8Path.empty() && ::stat(utf8Path.c_str(), &st) == 0;
}

std::string InitialSaveFolder() {
    const char* home = std::getenv("HOME");
    return (home && *home) ? std::string(home) + "/" : std::string("/");
}

}  // namespace tulex
