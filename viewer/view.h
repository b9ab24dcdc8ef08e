// Which part of a picture the viewer's window shows: the zoom and where the picture's top-left
// corner lies in the window. Pure arithmetic on sizes, shared by the keys, the wheel and dragging,
// which all end in Bounded: a picture narrower (or lower) than the window is centred on that axis,
// a larger one always covers the window, so the view never leaves the picture farther than needed.
#pragma once

#include <cstdint>

struct Extent {
    int64_t width = 0;
    int64_t height = 0;
};

struct View {
    double zoom = 1;   // window pixels per picture pixel
    int64_t left = 0;  // the picture's top-left corner in window pixels; negative once panned
    int64_t top = 0;
};

// The smallest window the viewer opens, however small the picture.
inline constexpr Extent MinWindow{320, 240};
// The largest enlargement: a picture pixel 64 window pixels wide.
inline constexpr double MaxZoom = 64;

// The zoom showing the whole picture in the area: the largest whole factor for a picture that
// fits (sharp pixels), otherwise the picture shrunk to the area.
double FitZoom(Extent picture, Extent area);
// The window for a picture on a work area: the picture at its FitZoom, at least `smallest` and at
// most the area; the whole area for a picture that must be shrunk.
Extent WindowFor(Extent picture, Extent workArea, Extent smallest = MinWindow);
// The picture's size in the window at a zoom (at least one pixel each way).
Extent Shown(Extent picture, double zoom);

View Bounded(View view, Extent picture, Extent window);
View Fitted(Extent picture, Extent window);
// The view at `zoom` that keeps the picture point under window point (x, y) where it is.
View ZoomedAbout(const View& view, Extent picture, Extent window, double zoom, int64_t x,
                 int64_t y);
View Panned(const View& view, Extent picture, Extent window, int64_t dx, int64_t dy);

// The next zoom up: the next power of two (1/4, 1/2, 1, 2, 4 ...), at most MaxZoom.
double ZoomStepIn(double zoom);
// The next power of two down, but not below `smallest` (the fit, or 1 when the fit enlarges).
double ZoomStepOut(double zoom, double smallest);
