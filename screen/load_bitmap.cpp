// LoadBitmap and ProbeBitmapSize: the picture library's decoders with the screen's part around
// them. Decoding never holds the screen lock for an image; the screen as the destination, its
// palette and its dirty rows take it.
#include <optional>

#include "picture/input_file.h"
#include "screen/bitmap.h"
#include "screen/internal.h"
#include "screen/raw_image.h"

namespace {

using picture::DecodeResult;
using picture::DecodeStatus;
using picture::InputFile;
using picture::PixelView;

PixelView ViewOf(const screen_internal::Surface& s) {
    return {s.pixels, s.width, s.height, s.pitch, s.bytesPerPixel};
}

ScreenResult ResultOf(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::Decoded:
            return ScreenResult::Ok;
        case DecodeStatus::CannotOpen:
            return ScreenResult::FileNotFound;
        case DecodeStatus::UnusableDestination:
            return ScreenResult::IllegalCall;
        case DecodeStatus::Refused:
            break;
    }
    return ScreenResult::FileIO;
}

DecodeResult DecodeOntoScreen(const InputFile& file) {
    screen_internal::ScopedScreenLock lock;
    const screen_internal::Surface screen = screen_internal::ScreenSurface();
    if (!screen.pixels) return picture::Decode(file, {});
    DecodeResult result = picture::Decode(file, ViewOf(screen));
    if (result.wrote) lock.MarkDirty(0, screen.height - 1);
    return result;
}

}  // namespace

ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image, uint32_t* palette) {
    if (!image && !ScreenIsOpen()) return ScreenResult::IllegalCall;
    const InputFile file(fileName);
    if (!file.IsOpen()) return ScreenResult::FileNotFound;
    if (screen_internal::IsRawImageFile(file))
        return screen_internal::LoadRawImage(file, image, palette);
    // Pictures belong to a screen: its palette, its pixel format.
    if (!ScreenIsOpen())
        return picture::Probe(file).recognised ? ScreenResult::IllegalCall : ScreenResult::FileIO;
    const DecodeResult result =
        image ? picture::Decode(file, ViewOf(screen_internal::ImageSurface(image)))
              : DecodeOntoScreen(file);
    if (result.paletteEntries > 0)
        screen_internal::InstallPalette(result.palette, result.paletteEntries, palette);
    return ResultOf(result.status);
}

BitmapSize ProbeBitmapSize(const std::string& path) {
    const picture::ProbeResult probe = picture::Probe(path);
    if (!probe.recognised) return {};
    return {probe.storedWidth, probe.storedHeight};
}
