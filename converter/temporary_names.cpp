#include "converter/temporary_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <memory>
#include <mutex>
#include <set>

namespace {

constexpr std::string_view Marker = ".pixeltools-tmp.";
constexpr size_t UniqueLetters = 6;  // mkostemp's XXXXXX
constexpr size_t MaxBaseBytes = 150;
constexpr size_t MaxHostBytes = 64;

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool IsUniqueLetter(char c) {
    return IsHostCharacter(c) && c != '-';
}

// Takes the text after the last "." off `rest`: empty when there is no ".".
std::string_view TakeLastField(std::string_view& rest) {
    const size_t dot = rest.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view field = rest.substr(dot + 1);
    rest = rest.substr(0, dot);
    return field;
}

std::optional<pid_t> ProcessId(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value <= 0 ||
        digits.front() == '0')
        return std::nullopt;
    return value;
}

// Whether the process `pid` is gone: a process of another user still answers EPERM.
bool IsGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void RemoveIfStale(int folder, const char* name) {
    const std::optional<pid_t> writer = TemporaryWriter(name, HostInTemporaryNames());
    if (!writer || *writer == ::getpid() || !IsGone(*writer)) return;
    struct stat entry {};
    if (::fstatat(folder, name, &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(entry.st_mode) ||
        entry.st_uid != ::geteuid())
        return;
    ::unlinkat(folder, name, 0);
}

// Whether `folder` is looked through for the first time in this process.
bool FirstVisit(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> visited;
    const std::lock_guard lock(mutex);
    return visited.insert(folder).second;
}

}  // namespace

const std::string& HostInTemporaryNames() {
    static const std::string host = [] {
        char name[HOST_NAME_MAX + 1] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return std::string("-");
        std::string text(name, std::min(std::char_traits<char>::length(name), MaxHostBytes));
        std::replace_if(
            text.begin(), text.end(), [](char c) { return !IsHostCharacter(c); }, '-');
        return text;
    }();
    return host;
}

std::string TemporaryPattern(const std::string& folder, std::string_view base) {
    return folder + "/." + std::string(base.substr(0, MaxBaseBytes)) + std::string(Marker) +
           HostInTemporaryNames() + "." + std::to_string(::getpid()) + "." +
           std::string(UniqueLetters, 'X');
}

std::optional<pid_t> TemporaryWriter(std::string_view name, std::string_view host) {
    if (name.empty() || name.front() != '.') return std::nullopt;
    std::string_view rest = name.substr(1);
    const std::string_view unique = TakeLastField(rest);
    if (unique.size() != UniqueLetters ||
        !std::all_of(unique.begin(), unique.end(), IsUniqueLetter))
        return std::nullopt;
    const std::optional<pid_t> pid = ProcessId(TakeLastField(rest));
    if (!pid || !rest.ends_with(std::string(Marker) + std::string(host))) return std::nullopt;
    // The marker's own last "." is the one before the host: a base of its own is required.
    const size_t baseBytes = rest.size() - Marker.size() - host.size();
    return baseBytes > 0 ? pid : std::nullopt;
}

void RemoveStaleTemporaries(const std::string& folder) {
    if (!FirstVisit(folder)) return;
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), &::closedir);
    if (!listing) return;
    const int fd = ::dirfd(listing.get());
    while (const dirent* entry = ::readdir(listing.get())) RemoveIfStale(fd, entry->d_name);
}
