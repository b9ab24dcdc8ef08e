#include "viewer/view.h"

#include <algorithm>
#include <cmath>

namespace {

// Zooms within this of a power of two count as that power: a step from a fitted 0.4999999 goes
// to 1, not to 0.5.
constexpr double Tolerance = 1e-9;

// One axis of Bounded: centred when the picture is shorter, else the window inside the picture.
int64_t BoundedAxis(int64_t position, int64_t shown, int64_t window) {
    if (shown <= window) return (window - shown) / 2;
    return std::clamp(position, window - shown, int64_t{0});
}

}  // namespace

double FitZoom(Extent picture, Extent area) {
    const double ratio = std::min(static_cast<double>(area.width) / picture.width,
                                  static_cast<double>(area.height) / picture.height);
    return ratio >= 1 ? std::min(std::floor(ratio), MaxZoom) : ratio;
}

Extent Shown(Extent picture, double zoom) {
    return {std::max<int64_t>(1, std::llround(picture.width * zoom)),
            std::max<int64_t>(1, std::llround(picture.height * zoom))};
}

Extent WindowFor(Extent picture, Extent workArea, Extent smallest) {
    const double zoom = FitZoom(picture, workArea);
    if (zoom < 1) return workArea;  // room to pan once zoomed in
    const Extent shown = Shown(picture, zoom);
    return {std::min(std::max(shown.width, smallest.width), workArea.width),
            std::min(std::max(shown.height, smallest.height), workArea.height)};
}

View Bounded(View view, Extent picture, Extent window) {
    const Extent shown = Shown(picture, view.zoom);
    view.left = BoundedAxis(view.left, shown.width, window.width);
    view.top = BoundedAxis(view.top, shown.height, window.height);
    return view;
}

View Fitted(Extent picture, Extent window) {
    return Bounded({FitZoom(picture, window), 0, 0}, picture, window);
}

View ZoomedAbout(const View& view, Extent picture, Extent window, double zoom, int64_t x,
                 int64_t y) {
    const double ratio = zoom / view.zoom;
    const View moved{zoom, x - std::llround((x - view.left) * ratio),
                     y - std::llround((y - view.top) * ratio)};
    return Bounded(moved, picture, window);
}

View Panned(const View& view, Extent picture, Extent window, int64_t dx, int64_t dy) {
    return Bounded({view.zoom, view.left + dx, view.top + dy}, picture, window);
}

double ZoomStepIn(double zoom) {
    const double power = std::exp2(std::floor(std::log2(zoom) + Tolerance) + 1);
    return std::min(power, MaxZoom);
}

double ZoomStepOut(double zoom, double smallest) {
    const double power = std::exp2(std::ceil(std::log2(zoom) - Tolerance) - 1);
    return std::max(power, std::min(smallest, zoom));
}
