// The conversion's picture: the size probe of the BMP header and the loading into an image.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "converter/conversion.h"
#include "screen/bitmap.h"

namespace {

// The file header and the information header up to its compression field.
constexpr size_t kHeadBytes = 34;
constexpr uint32_t kCoreHeaderBytes = 12;

struct FileHead {
    std::array<uint8_t, kHeadBytes> bytes{};  // bytes the file lacks stay 0
    int64_t fileSize = 0;
    int error = 0;        // errno when the file could not be opened
    struct stat info {};  // which file was probed, and as it was then
};

FileHead ReadHead(const std::string& path) {
    FileHead head;
    // Non-blocking, so that naming a pipe cannot hang; a regular file ignores it.
    const int fd = path.find('\0') == std::string::npos
                       ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                       : (errno = ENOENT, -1);
    if (fd < 0) {
        head.error = errno;
        return head;
    }
    if (::fstat(fd, &head.info) == 0 && S_ISREG(head.info.st_mode)) {
        head.fileSize = head.info.st_size;
        const ssize_t n = ::pread(fd, head.bytes.data(), head.bytes.size(), 0);
        if (n < 0) head.bytes.fill(0);
    }
    ::close(fd);
    return head;
}

uint32_t Le16(const FileHead& h, size_t at) {
    return h.bytes[at] | (h.bytes[at + 1] << 8);
}
uint32_t Le32(const FileHead& h, size_t at) {
    return Le16(h, at) | (Le16(h, at + 2) << 16);
}

bool IsBmp(const FileHead& h) {
    return h.bytes[0] == 'B' && h.bytes[1] == 'M';
}
bool HasCoreHeader(const FileHead& h) {
    return Le32(h, 14) == kCoreHeaderBytes;
}

BitmapSize SizeFromHead(const FileHead& h) {
    if (!IsBmp(h)) return {};
    // The 12-byte core header keeps 16-bit sizes where the longer headers have 32-bit ones.
    if (HasCoreHeader(h))
        return {static_cast<int32_t>(Le16(h, 18)), static_cast<int32_t>(Le16(h, 20))};
    return {static_cast<int32_t>(Le32(h, 18)), static_cast<int32_t>(Le32(h, 22))};
}

std::string SizeText(BitmapSize size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

// An uncompressed bitmap must hold every row it declares; one that can't is refused before its
// picture is allocated, so a tiny file declaring a huge picture costs nothing.
std::string RowsProblem(const FileHead& h, BitmapSize size) {
    const bool core = HasCoreHeader(h);
    const int64_t bits = core ? Le16(h, 24) : Le16(h, 28);
    const uint32_t compression = core ? 0 : Le32(h, 30);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "unsupported bit count (" + std::to_string(bits) + ")";
    if (compression > 3) return "unknown compression (" + std::to_string(compression) + ")";
    if (compression == 1 || compression == 2) return {};  // run-length data has no fixed size
    const int64_t rowBytes = (size.width * bits + 31) / 32 * 4;
    const int64_t pixelBytes = (size.width * bits + 7) / 8;
    const int64_t available = h.fileSize - Le32(h, 10);
    if (available >= pixelBytes && (size.height - 1) <= (available - pixelBytes) / rowBytes)
        return {};
    return "declares " + SizeText(size) + " pixels, more than its " + std::to_string(h.fileSize) +
           " bytes hold";
}

// A picture larger than the machine's memory could only end in the process being killed.
bool FitsInMemory(BitmapSize size) {
    const int64_t pitch = (int64_t{size.width} * 4 + 15) / 16 * 16;
    const int64_t memory = int64_t{::sysconf(_SC_PHYS_PAGES)} * ::sysconf(_SC_PAGESIZE);
    return memory <= 0 || size.height <= memory / pitch;
}

// The load opens the file again by its name; its pixels only fit the probed size when they came
// from the same file, unchanged.
bool StillTheProbedFile(const std::string& path, const FileHead& head) {
    struct stat now {};
    return ::stat(path.c_str(), &now) == 0 && now.st_dev == head.info.st_dev &&
           now.st_ino == head.info.st_ino && now.st_size == head.info.st_size &&
           now.st_mtim.tv_sec == head.info.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == head.info.st_mtim.tv_nsec;
}

std::string LoadProblem(ScreenResult result) {
    switch (result) {
        case ScreenResult::IllegalCall:
            return "needs an open screen";
        case ScreenResult::FileNotFound:
            return "could not be read again";
        default:
            return "cut short, or a kind of BMP that is not supported";
    }
}

}  // namespace

BitmapSize ProbeBitmapSize(const std::string& path) {
    return SizeFromHead(ReadHead(path));
}

LoadedPicture LoadPicture(const std::string& path) {
    const FileHead head = ReadHead(path);
    if (head.error != 0) return {nullptr, std::string("cannot read: ") + std::strerror(head.error)};
    if (!IsBmp(head)) return {nullptr, "not a BMP file"};
    const BitmapSize size = SizeFromHead(head);
    if (size.height < 0)
        return {nullptr, "rows stored top-down (height " + std::to_string(size.height) +
                             ") are not converted"};
    if (size.width < 1 || size.height < 1) return {nullptr, "no pixels (" + SizeText(size) + ")"};
    if (std::string problem = RowsProblem(head, size); !problem.empty()) return {nullptr, problem};
    if (!FitsInMemory(size))
        return {nullptr, "too large for this machine's memory (" + SizeText(size) + ")"};
    ImageHandle image(CreateImage(size.width, size.height, 0, 32, 0x80000000));
    if (!image && !ScreenIsOpen()) return {nullptr, LoadProblem(ScreenResult::IllegalCall)};
    if (!image) return {nullptr, "too large for a picture (" + SizeText(size) + ")"};
    const ScreenResult result = LoadBitmap(path, image.get());
    if (result != ScreenResult::Ok) return {nullptr, LoadProblem(result)};
    if (!StillTheProbedFile(path, head)) return {nullptr, "changed while it was being read"};
    return {std::move(image), {}};
}
