// The conversion's picture: the checks of the BMP header that refuse a picture before anything is
// allocated for it, and the loading into an image.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "converter/conversion.h"
#include "screen/bitmap.h"
#include "screen/picture/bmp_header.h"
#include "screen/picture/input_file.h"

namespace {

using picture::BmpHeader;

std::string SizeText(BitmapSize size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

bool SupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// An uncompressed bitmap must hold every row it declares; one that can't is refused before its
// picture is allocated, so a tiny file declaring a huge picture costs nothing.
std::optional<std::string> RowsProblem(const BmpHeader& h, int64_t fileSize) {
    if (!SupportedBitCount(h.bitCount))
        return "unsupported bit count (" + std::to_string(h.bitCount) + ")";
    if (h.compression > picture::BitFields)
        return "unknown compression (" + std::to_string(h.compression) + ")";
    // Run-length data has no fixed size.
    if (h.compression == picture::Rle8 || h.compression == picture::Rle4) return std::nullopt;
    const int64_t available = fileSize - picture::PixelDataOffset(h);
    if (picture::RowsPresent(h.width, h.height, h.bitCount, available) == h.height)
        return std::nullopt;
    return "declares " + SizeText({h.width, h.height}) + " pixels, more than its " +
           std::to_string(fileSize) + " bytes hold";
}

// A picture larger than the machine's memory could only end in the process being killed.
bool FitsInMemory(BitmapSize size) {
    const int64_t pitch = (int64_t{size.width} * 4 + 15) / 16 * 16;
    const int64_t memory = int64_t{::sysconf(_SC_PHYS_PAGES)} * ::sysconf(_SC_PAGESIZE);
    return memory <= 0 || size.height <= memory / pitch;
}

// Why the header refuses a picture before any is made, if it does.
std::optional<std::string> HeaderProblem(const BmpHeader& h, int64_t fileSize) {
    const BitmapSize size{h.width, h.height};
    if (size.height < 0)
        return "rows stored top-down (height " + std::to_string(size.height) +
               ") are not converted";
    if (size.width < 1 || size.height < 1) return "no pixels (" + SizeText(size) + ")";
    if (std::optional<std::string> problem = RowsProblem(h, fileSize)) return problem;
    if (!FitsInMemory(size)) return "too large for this machine's memory (" + SizeText(size) + ")";
    return std::nullopt;
}

// The load opens the file again by its name; its pixels only fit the probed size when they came
// from the same file, unchanged.
bool StillTheProbedFile(const std::string& path, const struct stat& probed) {
    struct stat now {};
    return ::stat(path.c_str(), &now) == 0 && now.st_dev == probed.st_dev &&
           now.st_ino == probed.st_ino && now.st_size == probed.st_size &&
           now.st_mtim.tv_sec == probed.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == probed.st_mtim.tv_nsec;
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

LoadedPicture LoadPicture(const std::string& path) {
    BmpHeader header;
    struct stat probed {};
    {
        // The header is read once, and the file closed before the loader opens it again.
        const picture::InputFile file(path);
        if (!file.IsOpen())
            return {nullptr, std::string("cannot read: ") + std::strerror(file.OpenError())};
        const std::optional<BmpHeader> read = picture::ReadBmpHeader(file);
        if (!read) return {nullptr, "not a BMP file"};
        if (std::optional<std::string> problem = HeaderProblem(*read, file.Size()))
            return {nullptr, *problem};
        header = *read;
        probed = file.Status();
    }
    const BitmapSize size{header.width, header.height};
    ImageHandle image(CreateImage(size.width, size.height, 0, 32, DefaultColourFlag));
    if (!image && !ScreenIsOpen()) return {nullptr, LoadProblem(ScreenResult::IllegalCall)};
    if (!image) return {nullptr, "too large for a picture (" + SizeText(size) + ")"};
    const ScreenResult result = LoadBitmap(path, image.get());
    if (result != ScreenResult::Ok) return {nullptr, LoadProblem(result)};
    if (!StillTheProbedFile(path, probed)) return {nullptr, "changed while it was being read"};
    return {std::move(image), {}};
}
