#include "screen/picture/input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace picture {

InputFile::InputFile(const std::string& name) {
    if (name.find('\0') != std::string::npos) {
        openError_ = ENOENT;  // no file can have such a name
        return;
    }
    // Non-blocking, so that naming a pipe cannot hang the caller; regular files ignore it.
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        openError_ = errno;
        return;
    }
    if (::fstat(fd_, &status_) == 0 && S_ISREG(status_.st_mode)) {
        regular_ = true;
        size_ = status_.st_size;
    }
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool InputFile::ChangedSinceOpened() const {
    struct stat now {};
    if (fd_ < 0 || ::fstat(fd_, &now) != 0) return true;
    return now.st_size != status_.st_size || now.st_mtim.tv_sec != status_.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != status_.st_mtim.tv_nsec;
}

int64_t InputFile::ReadAt(int64_t offset, void* buffer, int64_t count) const {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(count - done),
                                  static_cast<off_t>(offset + done));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += n;
    }
    return done;
}

}  // namespace picture
