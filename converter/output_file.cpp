#include "converter/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links to the file they finally name (which need not exist yet). Empty, with
// errno set, for a loop of links.
std::string ResolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) return path;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

mode_t CurrentUmask() {
    // umask can only be read by setting it; the conversion runs on one thread.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

OutputFile::OutputFile(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) {
        Fail(ENOENT);
        return;
    }
    target_ = ResolveLinks(name);
    if (target_.empty()) {
        Fail(errno);
        return;
    }
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        OpenInPlace();
        return;
    }
    // Replacing a file is what opening it for writing would allow, no more.
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        Fail(errno);
        return;
    }
    OpenTemporary(exists ? &old : nullptr);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool OutputFile::Fail(int error) {
    if (error_ == 0) error_ = error;
    return false;
}

bool OutputFile::OpenInPlace() {
    // Non-blocking, so that a pipe without a reader fails instead of hanging.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return true;
}

bool OutputFile::OpenTemporary(const struct stat* old) {
    const size_t slash = target_.rfind('/');
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    // Hidden, named after the target, and short enough for any file-name limit.
    std::string pattern = FolderOf(target_) + "/." + base.substr(0, 200) + ".XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    temporary_ = pattern;
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd_, mode) != 0) return Fail(errno);
    if (old) {
        // Keeps the owner where the rights allow; a file of another user becomes ours otherwise.
        [[maybe_unused]] const int ignored = ::fchown(fd_, old->st_uid, old->st_gid);
    }
    return true;
}

bool OutputFile::Write(std::string_view bytes) {
    if (fd_ < 0 || error_ != 0) return Fail(EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool OutputFile::Commit() {
    if (fd_ < 0 || error_ != 0) return Fail(EBADF);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) return Fail(errno);
    if (temporary_.empty()) return true;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(errno);
    temporary_.clear();
    return true;
}
