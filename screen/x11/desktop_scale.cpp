#include <algorithm>
#include <charconv>

#include "screen/window/desktop.h"

namespace {

// A whole number from 1 to MaxDesktopScale, the whole text; 0 otherwise.
int32_t ScaleOf(std::string_view text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return 0;
    return value >= 1 && value <= MaxDesktopScale ? value : 0;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

int32_t DesktopScale(std::string_view pixeltoolsScale, std::string_view gdkScale, int32_t xftDpi) {
    if (const int32_t scale = ScaleOf(pixeltoolsScale)) return scale;
    if (const int32_t scale = ScaleOf(gdkScale)) return scale;
    return std::clamp(xftDpi / 96, 1, MaxDesktopScale);
}

int32_t XftDpiOf(std::string_view resources) {
    constexpr std::string_view Key = "Xft.dpi:";
    while (!resources.empty()) {
        const auto end = resources.find('\n');
        const std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view() : resources.substr(end + 1);
        if (!line.starts_with(Key)) continue;
        // The value may carry a fraction ("192.0"): its whole part counts.
        const std::string_view value = Trimmed(line.substr(Key.size()));
        int32_t dpi = 0;
        std::from_chars(value.data(), value.data() + value.size(), dpi);
        return std::max(dpi, 0);
    }
    return 0;
}

int32_t FittingScale(int32_t wanted, int32_t width, int32_t height, int32_t areaWidth,
                     int32_t areaHeight) {
    int32_t scale = std::max(wanted, 1);
    if (areaWidth <= 0 || areaHeight <= 0) return scale;
    while (scale > 1 &&
           (int64_t{width} * scale > areaWidth || int64_t{height} * scale > areaHeight))
        --scale;
    return scale;
}
