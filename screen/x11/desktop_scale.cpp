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

std::string ScaleSettingProblem(std::string_view pixeltoolsScale) {
    if (pixeltoolsScale.empty() || ScaleOf(pixeltoolsScale) != 0) return {};
    std::string shown;
    for (const char c : pixeltoolsScale.substr(0, 40))
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    if (pixeltoolsScale.size() > 40) shown += "...";
    return "PIXELTOOLS_SCALE=" + shown + " is ignored: the scale is a whole number from 1 to " +
           std::to_string(MaxDesktopScale);
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

WindowCorner CentredWindow(const Desktop& desktop, int32_t width, int32_t height) {
    const int32_t outerWidth = width + desktop.frame.left + desktop.frame.right;
    const int32_t outerHeight = height + desktop.frame.top + desktop.frame.bottom;
    return {desktop.x + std::max(0, (desktop.width - outerWidth) / 2),
            desktop.y + std::max(0, (desktop.height - outerHeight) / 2)};
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
