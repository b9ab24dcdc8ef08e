// The conversion's picture: one open file, probed, checked, and loaded into an image. Whatever
// the format (BMP, PNG, JPEG, GIF), its probe tells the size and what already rules the picture
// out, so that nothing is allocated for a picture that cannot be made.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "converter/conversion.h"
#include "screen/bitmap.h"
#include "screen/picture/input_file.h"
#include "screen/picture/picture_file.h"

namespace {

constexpr std::string_view NotAPictureText =
    "not a picture file this program reads (BMP, PNG, JPEG, GIF)";

std::string SizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// What an input that is open but is no regular file is, in the user's words.
std::string NotAFileProblem(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder, not a picture file";
    if (S_ISFIFO(mode)) return "a pipe, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
    return "not a regular file";
}

// A picture larger than the machine's memory could only end in the process being killed.
bool FitsInMemory(int64_t width, int64_t height) {
    const int64_t pitch = (width * 4 + 15) / 16 * 16;
    const int64_t memory = int64_t{::sysconf(_SC_PHYS_PAGES)} * ::sysconf(_SC_PAGESIZE);
    return memory <= 0 || height <= memory / pitch;
}

// Why the probe rules the picture out before any is made, if it does.
std::optional<std::string> ProbeProblem(const picture::Probe& probe) {
    if (probe.problem) return probe.problem;
    if (probe.overPixelLimit)
        return SizeText(probe.width, probe.height) + " pixels, more than the limit of " +
               std::to_string(PixelLimit()) + " (bmp2bi --max-pixels raises it)";
    if (std::max(probe.width, probe.height) > INT32_MAX)
        return "too large for a picture (" + SizeText(probe.width, probe.height) + ")";
    if (!FitsInMemory(probe.width, probe.height))
        return "too large for this machine's memory (" + SizeText(probe.width, probe.height) + ")";
    return std::nullopt;
}

std::string LoadProblem(ScreenResult result) {
    if (result == ScreenResult::IllegalCall) return "needs an open screen";
    return std::string(picture::CutShortOrUnsupportedText);
}

}  // namespace

LoadedPicture LoadPicture(const std::string& path) {
    // One open file from the probe to the last pixel: whatever happens to the name meanwhile,
    // the size and the pixels come from the same file.
    const picture::InputFile file(path);
    if (!file.IsOpen())
        return {nullptr, std::string("cannot read: ") + std::strerror(file.OpenError())};
    if (!file.IsRegular()) return {nullptr, NotAFileProblem(file.Status().st_mode)};
    const std::optional<picture::Probe> probe = picture::ProbeFile(file);
    if (!probe) return {nullptr, std::string(NotAPictureText)};
    if (std::optional<std::string> problem = ProbeProblem(*probe)) return {nullptr, *problem};

    const auto width = static_cast<int32_t>(probe->width);
    const auto height = static_cast<int32_t>(probe->height);
    ImageHandle image(CreateImage(width, height, 0, 32, DefaultColourFlag));
    if (!image && !ScreenIsOpen()) return {nullptr, LoadProblem(ScreenResult::IllegalCall)};
    if (!image) return {nullptr, "too large for a picture (" + SizeText(width, height) + ")"};
    const ScreenResult result = picture::LoadFile(file, image.get());
    if (result != ScreenResult::Ok) return {nullptr, LoadProblem(result)};
    // Written to in place while it was read: its pixels may be half old, half new.
    if (file.ChangedSinceOpened()) return {nullptr, "changed while it was being read"};
    return {std::move(image), {}};
}
