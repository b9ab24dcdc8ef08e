#include "viewer/build_image.h"

ImageBuffer* BuildImage(ValueStream& stream) {
    const int32_t width = ReadInt(stream);
    const int32_t height = ReadInt(stream);
    // The fill is overwritten pixel by pixel below.
    ImageBuffer* image = CreateImage(width, height, 32, 0, 0);
    // Without an image there is nothing to fill: running the pixel loops over a size that could
    // not be allocated would only burn time reading values nobody sees.
    if (image == nullptr) return nullptr;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t a = ReadByte(stream);
            const uint32_t r = ReadByte(stream);
            const uint32_t g = ReadByte(stream);
            const uint32_t b = ReadByte(stream);
            SetPixel(image, static_cast<float>(x), static_cast<float>(y),
                     a << 24 | r << 16 | g << 8 | b, PointAbsolute, 0);
        }
    }
    return image;
}
