#include "viewer/build_image.h"

#include <cstddef>

namespace {

uint32_t ReadColour(ValueStream& stream) {
    const uint32_t a = ReadByte(stream);
    const uint32_t r = ReadByte(stream);
    const uint32_t g = ReadByte(stream);
    const uint32_t b = ReadByte(stream);
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

ImageBuffer* BuildImage(ValueStream& stream) {
    const int32_t width = ReadInt(stream);
    const int32_t height = ReadInt(stream);
    // The fill is overwritten pixel by pixel below.
    ImageBuffer* image = CreateImage(width, height, 32, 0, 0);
    // Without an image there is nothing to fill: running the pixel loops over a size that could
    // not be allocated would only burn time reading values nobody sees.
    if (image == nullptr) return nullptr;

    int32_t bytesPerPixel = 0;
    int32_t pitch = 0;
    uint8_t* pixels = nullptr;
    GetImageInfo(image, nullptr, nullptr, &bytesPerPixel, &pitch, &pixels, nullptr);
    for (int32_t y = 0; y < height; ++y) {
        // A 4-byte pixel is the colour itself, so the rows of the image, which no one else
        // sees yet, are written directly: a SetPixel call per pixel, with its locking and
        // coordinate rounding, would cost more than reading the values. Other depths take
        // SetPixel's conversion.
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * pitch);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t colour = ReadColour(stream);
            if (bytesPerPixel == 4) {
                row[x] = colour;
            } else {
                SetPixel(image, static_cast<float>(x), static_cast<float>(y), colour, PointAbsolute,
                         0);
            }
        }
    }
    return image;
}
