#include "converter/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "converter/temporary_names.h"

namespace {

// The temporary files being written, as a signal handler may see them: fixed buffers, each with a
// lock-free flag raised only while it holds a whole path. Conversions running at once write one
// file each.
struct SignalledPath {
    char path[PATH_MAX] = {};           // constant-initialised: zero pages, no work at start
    std::atomic<bool> claimed = false;  // by the thread that fills it and later clears it
    std::atomic<bool> set = false;
};
SignalledPath SignalledPaths[MaxTemporaryFilesAtOnce];
static_assert(std::atomic<bool>::is_always_lock_free);
// The signal may reach another thread while one makes its temporary file (with the signals
// blocked in that thread): the handler waits until the files' names are known, and once it has
// begun no file is made any more, so none is left unknown.
std::atomic<int> MakingTemporary = 0;
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> Ending = false;
// Commits under way between their rename and their settled outcome, and a signal that came
// meanwhile.
std::atomic<int> Committing = 0;
std::atomic<int> HeldSignal = 0;

constexpr int CleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t CleanedUpSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : CleanedUpSignals) sigaddset(&set, s);
    return set;
}

// Only async-signal-safe calls. The signal stays blocked until the handler returns and then,
// with its default action back, ends the program as it would have without us.
void RemoveTemporaryAndEnd(int signal) {
    if (Committing > 0) {
        HeldSignal = signal;
        return;
    }
    Ending = true;
    while (MakingTemporary > 0) {
    }
    for (const SignalledPath& slot : SignalledPaths)
        if (slot.set) ::unlink(slot.path);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

// The slot that now holds `path`, or -1 when every slot is taken or the path too long.
int TellSignals(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < MaxTemporaryFilesAtOnce; ++i) {
        SignalledPath& slot = SignalledPaths[i];
        if (slot.claimed.exchange(true)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        slot.set = true;
        return i;
    }
    return -1;
}

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
    // umask can only be read by setting it: read once, so that conversions running at once never
    // see the 0 set for the reading.
    static const mode_t mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return current;
    }();
    return mask;
}

// The replaced file's mode, and its owner where the rights allow (a file of another user becomes
// ours otherwise). 0 or the errno.
int CarryOver(int fd, const struct stat& old) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) return errno;
    [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    return 0;
}

// A folder that takes no new files, as opposed to a file system that takes nothing at all.
bool RefusesNewFiles(int error) {
    return error == EACCES || error == EPERM;
}

// Renames, never replacing an existing `to`: 0 or the errno (EEXIST when `to` exists).
int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without that flag: a new link never replaces either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return errno;
    // Nor links: look, then rename, as closely as such a file system allows.
    struct stat entry {};
    if (::lstat(to.c_str(), &entry) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    action.sa_mask = CleanedUpSignalSet();
    action.sa_flags = SA_RESTART;  // a signal that OutcomeSettled turns away interrupts no call
    for (const int s : CleanedUpSignals) {
        struct sigaction current {};
        // A program started ignoring a signal (nohup) goes on ignoring it.
        if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            ::sigaction(s, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

SignalsHeldForCommit::SignalsHeldForCommit() {
    ++Committing;
}

SignalsHeldForCommit::~SignalsHeldForCommit() {
    if (--Committing == 0)
        if (const int signal = HeldSignal.exchange(0)) ::raise(signal);  // ignored once settled
}

void OutcomeSettled() {
    struct sigaction ignored {};
    ignored.sa_handler = SIG_IGN;
    for (const int s : CleanedUpSignals) {
        struct sigaction current {};
        if (::sigaction(s, nullptr, &current) == 0 && current.sa_handler == RemoveTemporaryAndEnd)
            ::sigaction(s, &ignored, nullptr);
    }
}

OutputFile::OutputFile(const std::string& name, bool mayReplace) : mayReplace_(mayReplace) {
    struct stat old {};
    if (name.empty() || name.find('\0') != std::string::npos) {
        Fail(ENOENT);
        return;
    }
    if (!mayReplace && ::lstat(name.c_str(), &old) == 0) {
        Fail(EEXIST);
        return;
    }
    // A pipe, terminal or device is opened by the name given: links such as /dev/stdout lead to
    // names like "pipe:[1234]" that are no path.
    if (::stat(name.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
        target_ = name;
        OpenInPlace();
        return;
    }
    target_ = ResolveLinks(name);
    if (target_.empty()) {
        Fail(errno);
        return;
    }
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
    if (OpenTemporary(exists ? &old : nullptr)) return;
    // A folder that takes no new files may still let its files be rewritten, as opening one for
    // writing does; the old content is then lost only if the write fails.
    if (exists && temporary_.empty() && RefusesNewFiles(error_)) {
        error_ = 0;
        OpenInPlace();
    }
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    ForgetTemporary();
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
    const std::string folder = FolderOf(target_);
    RemoveStaleTemporaries(folder);
    std::string pattern = TemporaryPattern(folder, base);
    // No signal between making the file and telling the signal handler its name.
    const sigset_t cleanedUp = CleanedUpSignalSet();
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &cleanedUp, &previous);
    ++MakingTemporary;
    int error = EINTR;  // no new file once a handler is ending the program
    if (!Ending) {
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        error = errno;
    }
    if (fd_ >= 0) {
        temporary_ = pattern;
        signalSlot_ = TellSignals(temporary_);
    }
    --MakingTemporary;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd_ < 0) return Fail(error);
    if (old) {
        if (const int failed = CarryOver(fd_, *old)) return Fail(failed);
    } else if (::fchmod(fd_, 0666 & ~CurrentUmask()) != 0) {
        return Fail(errno);
    }
    return true;
}

void OutputFile::ForgetTemporary() {
    temporary_.clear();
    if (signalSlot_ >= 0) {
        SignalledPaths[signalSlot_].set = false;
        SignalledPaths[signalSlot_].claimed = false;
    }
    signalSlot_ = -1;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

bool OutputFile::Write(std::string_view bytes) {
    if (fd_ < 0 || error_ != 0) return Fail(EBADF);
    if (const int error = WriteAll(fd_, bytes)) return Fail(error);
    return true;
}

CommitResult OutputFile::Commit() {
    if (error_ == 0 && fd_ < 0 && temporary_.empty()) Fail(EBADF);
    if (fd_ >= 0 && ::close(std::exchange(fd_, -1)) != 0) Fail(errno);
    if (error_ != 0) return CommitResult::Failed;
    if (temporary_.empty()) return CommitResult::Done;  // written in place
    const int error = mayReplace_ ? (::rename(temporary_.c_str(), target_.c_str()) == 0 ? 0 : errno)
                                  : RenameWithoutReplacing(temporary_, target_);
    if (error == EEXIST && !mayReplace_) return CommitResult::TargetExists;
    if (error != 0) {
        Fail(error);
        return CommitResult::Failed;
    }
    ForgetTemporary();
    return CommitResult::Done;
}

void OutputFile::AllowReplacing() {
    mayReplace_ = true;
    struct stat old {};
    if (temporary_.empty() || ::stat(target_.c_str(), &old) != 0) return;
    // As for a target there from the start: a regular file that may be written, and never a
    // device or pipe, which would have been written in place.
    if (!S_ISREG(old.st_mode)) {
        Fail(EEXIST);
        return;
    }
    if (::access(target_.c_str(), W_OK) != 0) {
        Fail(errno);
        return;
    }
    const int fd = ::open(temporary_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        Fail(errno);
        return;
    }
    if (const int failed = CarryOver(fd, old)) Fail(failed);
    ::close(fd);
}
