#include "viewer/folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "picture/picture.h"
#include "pixeldata/reader.h"

namespace {

// The conversion's label line stays below 4100 bytes: this much holds the first Data line.
constexpr size_t IncludeHeadBytes = 8192;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The run of digits at the start of `text`, less its leading zeros.
std::string_view Number(std::string_view text, size_t& length) {
    length = 0;
    while (length < text.size() && IsDigit(text[length])) ++length;
    size_t zeros = 0;
    while (zeros + 1 < length && text[zeros] == '0') ++zeros;
    return text.substr(zeros, length - zeros);
}

// <0, 0 or >0 as a sorts before, with or after b, by the rule of NameBefore less its tie-break.
int NaturalOrder(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty()) {
        if (IsDigit(a[0]) && IsDigit(b[0])) {
            size_t lengthA = 0, lengthB = 0;
            const std::string_view na = Number(a, lengthA), nb = Number(b, lengthB);
            if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
            if (const int order = na.compare(nb)) return order;
            a.remove_prefix(lengthA);
            b.remove_prefix(lengthB);
            continue;
        }
        if (Folded(a[0]) != Folded(b[0])) return Folded(a[0]) < Folded(b[0]) ? -1 : 1;
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    return a.empty() ? (b.empty() ? 0 : -1) : 1;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsIncludeFile(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) return false;
    std::string head(IncludeHeadBytes, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return !head.empty() && LooksLikeIncludeFile(head);
}

bool Showable(const std::string& path) {
    return IsRegularFile(path) && (picture::Probe(path).recognised || IsIncludeFile(path));
}

// The folder's showable files, sorted; empty when there are none or it cannot be read.
std::vector<std::string> FolderFiles(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return {};
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get()))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NameBefore(a, b); });
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    std::vector<std::string> files;
    for (const std::string& name : names)
        if (Showable(prefix + name)) files.push_back(prefix + name);
    return files;
}

}  // namespace

bool NameBefore(std::string_view a, std::string_view b) {
    const int order = NaturalOrder(a, b);
    return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> FilesToShow(const std::vector<std::string>& names) {
    std::vector<std::string> files;
    for (const std::string& name : names) {
        std::vector<std::string> inside =
            IsFolder(name) ? FolderFiles(name) : std::vector<std::string>{};
        if (inside.empty()) {
            files.push_back(name);
            continue;
        }
        std::move(inside.begin(), inside.end(), std::back_inserter(files));
    }
    return files;
}
