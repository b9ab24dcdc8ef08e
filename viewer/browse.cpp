#include "viewer/browse.h"

#include <algorithm>
#include <optional>

#include "base/printable.h"
#include "screen/screen.h"
#include "viewer/commands.h"
#include "viewer/problem_text.h"
#include "viewer/title.h"

namespace {

struct Session {
    const std::vector<std::string>& paths;
    size_t index;
    LoadedFile file;
    Extent window;
    int32_t scale;  // the desktop's: the dots of texts and checks are that many pixels wide
    View view;
    bool transparency = false;  // shown over a checkerboard
    bool loadPending = false;   // paths[index] is still to be read
    ImageHandle canvas;
    std::string title;  // as last given to the window
};

bool Shown(const LoadedFile& file) {
    return !file.pyramid.levels.empty();
}

WindowPixels CanvasPixels(const ImageBuffer* canvas) {
    WindowPixels pixels;
    uint8_t* rows = nullptr;
    GetImageInfo(canvas, &pixels.width, &pixels.height, nullptr, &pixels.pitch, &rows, nullptr);
    pixels.pixels = reinterpret_cast<uint32_t*>(rows);
    return pixels;
}

void FillCanvas(const WindowPixels& canvas, uint32_t colour) {
    for (int32_t y = 0; y < canvas.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(canvas.pixels) +
                                                int64_t{y} * canvas.pitch);
        std::fill(row, row + canvas.width, colour);
    }
}

// Transparency needs the see-through levels; without memory for them it is not shown.
Transparency TransparencyOf(Session& s) {
    if (s.transparency && !PrepareSeeThrough(s.file.pyramid)) {
        ReportError("viewer", "no memory to show transparency");
        s.transparency = false;
    }
    return {.shown = s.transparency, .checkSize = 8 * s.scale};
}

void Redraw(Session& s) {
    const WindowPixels canvas = CanvasPixels(s.canvas.get());
    if (Shown(s.file))
        Render(s.file.pyramid, s.view, canvas, TransparencyOf(s));
    else
        FillCanvas(canvas, PanelGrey);
    LockScreen();
    PutImage(nullptr, 0, 0, s.canvas.get());
    if (!Shown(s.file)) DrawProblem(s.paths[s.index], s.file.problem, s.window, s.scale);
    UnlockScreen();
    std::string title = WindowTitleOf({.path = s.paths[s.index],
                                       .shown = Shown(s.file),
                                       .size = Shown(s.file) ? s.file.pyramid.Size() : Extent{},
                                       .zoom = s.view.zoom,
                                       .index = s.index,
                                       .count = s.paths.size(),
                                       .transparency = s.transparency});
    if (title != s.title) SetWindowTitle(s.title = std::move(title));
}

double SmallestZoom(const Session& s) {
    return std::min(FitZoom(s.file.pyramid.Size(), s.window), 1.0);
}

// The file is read when it is next needed, so that a burst of steps reads only the last one.
void StepTo(Session& s, size_t index) {
    if (index == s.index && !s.loadPending) return;
    s.file = {};  // the old picture goes before the new one is read
    s.index = index;
    s.loadPending = true;
}

void LoadPending(Session& s) {
    if (!s.loadPending) return;
    s.loadPending = false;
    const Extent window = s.window;
    s.file =
        Prepared(s.paths[s.index],
                 ReadPictureFile(s.paths[s.index], FirstFrameRead([=](Extent) { return window; })),
                 s.window);
    if (Shown(s.file)) s.view = Fitted(s.file.pyramid.Size(), s.window);
}

void ZoomTo(Session& s, double zoom, int64_t x, int64_t y) {
    s.view = ZoomedAbout(s.view, s.file.pyramid.Size(), s.window, zoom, x, y);
}

void Pan(Session& s, int64_t dx, int64_t dy) {
    s.view = Panned(s.view, s.file.pyramid.Size(), s.window, dx, dy);
}

// A picture read reduced for its first frame gets its whole pixels once that frame is up, before
// any zoom can need them.
void CompleteFile(Session& s) {
    if (!Shown(s.file) || s.file.pyramid.pending == 0) return;
    const std::string& path = s.paths[s.index];
    PictureFile whole = ReadPictureFile(path);
    const bool sameSize = whole.fullWidth == s.file.pyramid.size.width &&
                          whole.fullHeight == s.file.pyramid.size.height;
    if (whole.status == PictureFileStatus::Ok && sameSize &&
        CompletePyramid(s.file.pyramid, std::move(whole.pixels)))
        return;
    std::string problem = whole.status != PictureFileStatus::Ok ? whole.problem
                          : sameSize                            ? "no memory for the picture"
                                                                : "changed while it was being read";
    ReportError("viewer", path + ": " + problem);
    s.file = {{}, std::move(problem)};
    Redraw(s);
}

bool MakeCanvas(Session& s) {
    s.canvas.reset(CreateImage(static_cast<int32_t>(s.window.width),
                               static_cast<int32_t>(s.window.height), PanelGrey, 32));
    if (!s.canvas) ReportError("viewer", "no memory for the window's picture");
    return s.canvas != nullptr;
}

bool SameView(const View& a, const View& b) {
    return a.zoom == b.zoom && a.left == b.left && a.top == b.top;
}

// The window has a new size: a fitted picture is fitted to it, another keeps the picture point
// at the window's centre there. False when there is no memory for the window's picture.
bool Resize(Session& s, ScreenSize size) {
    const Extent before = s.window;
    s.window = {size.width, size.height};
    if (!MakeCanvas(s)) return false;
    if (!Shown(s.file)) return true;
    const Extent picture = s.file.pyramid.Size();
    const bool fitted = SameView(s.view, Fitted(picture, before));
    ExtendPyramid(s.file.pyramid, SmallestZoom(s));  // short of memory: coarser, still shown
    if (fitted) {
        s.view = Fitted(picture, s.window);
        return true;
    }
    const View moved{s.view.zoom, s.view.left + (s.window.width - before.width) / 2,
                     s.view.top + (s.window.height - before.height) / 2};
    s.view = Bounded(moved, picture, s.window);
    return true;
}

// Carries a command out; false for Quit.
bool Apply(Session& s, Command command) {
    const size_t last = s.paths.size() - 1;
    const int64_t cx = s.window.width / 2;
    const int64_t cy = s.window.height / 2;
    const int64_t stepX = std::max<int64_t>(16, s.window.width / 8);
    const int64_t stepY = std::max<int64_t>(16, s.window.height / 8);
    switch (command) {
        case Command::Quit:
            return false;
        case Command::Next:
            StepTo(s, std::min(s.index + 1, last));
            return true;
        case Command::Previous:
            StepTo(s, s.index > 0 ? s.index - 1 : 0);
            return true;
        case Command::First:
            StepTo(s, 0);
            return true;
        case Command::Last:
            StepTo(s, last);
            return true;
        case Command::ToggleTransparency:
            s.transparency = !s.transparency;
            return true;
        default:
            break;
    }
    LoadPending(s);
    if (!Shown(s.file)) return true;
    switch (command) {
        case Command::ZoomIn:
            ZoomTo(s, ZoomStepIn(s.view.zoom), cx, cy);
            break;
        case Command::ZoomOut:
            ZoomTo(s, ZoomStepOut(s.view.zoom, SmallestZoom(s)), cx, cy);
            break;
        case Command::ActualSize:
            ZoomTo(s, 1, cx, cy);
            break;
        case Command::Fit:
            s.view = Fitted(s.file.pyramid.Size(), s.window);
            break;
        case Command::PanLeft:
            Pan(s, stepX, 0);
            break;
        case Command::PanRight:
            Pan(s, -stepX, 0);
            break;
        case Command::PanUp:
            Pan(s, 0, stepY);
            break;
        case Command::PanDown:
            Pan(s, 0, -stepY);
            break;
        default:
            break;
    }
    return true;
}

// The pointer as last seen: the wheel's count and where a drag with the left button stood.
struct Pointer {
    bool known = false;  // the wheel's count has been read once
    int32_t wheel = 0;
    bool dragging = false;
    int32_t x = 0;
    int32_t y = 0;
};

// Wheel steps zoom about the pointer; a drag with the left button moves the picture along.
// True when the view changed.
bool FollowPointer(Session& s, Pointer& p) {
    int32_t x = 0, y = 0, wheel = 0, buttons = 0;
    if (GetMouse(&x, &y, &wheel, &buttons) != 0) {
        p.dragging = false;
        return false;
    }
    const View before = s.view;
    if (!p.known) p.wheel = wheel;
    p.known = true;
    if (Shown(s.file)) {
        for (; p.wheel < wheel; ++p.wheel) ZoomTo(s, ZoomStepIn(s.view.zoom), x, y);
        for (; p.wheel > wheel; --p.wheel)
            ZoomTo(s, ZoomStepOut(s.view.zoom, SmallestZoom(s)), x, y);
        if (p.dragging && (buttons & 1)) Pan(s, x - p.x, y - p.y);
    }
    p.wheel = wheel;
    p.dragging = (buttons & 1) != 0;
    p.x = x;
    p.y = y;
    return before.zoom != s.view.zoom || before.left != s.view.left || before.top != s.view.top;
}

}  // namespace

picture::LoadOptions FirstFrameRead(std::function<Extent(Extent picture)> windowFor) {
    picture::LoadOptions options;
    options.smallestFraction = [windowFor = std::move(windowFor)](int64_t width, int64_t height) {
        const Extent picture{width, height};
        return std::min(FitZoom(picture, windowFor(picture)), 1.0);
    };
    return options;
}

LoadedFile Prepared(const std::string& path, PictureFile file, Extent window) {
    if (file.status != PictureFileStatus::Ok) {
        ReportError("viewer", path + ": " + file.problem);
        return {{}, file.problem};
    }
    for (const std::string& warning : file.warnings)
        ReportError("viewer", path + ": warning: " + warning);
    const Extent size{file.fullWidth, file.fullHeight};
    LoadedFile loaded{
        BuildPyramid(std::move(file.pixels), std::min(FitZoom(size, window), 1.0), size), {}};
    if (!Shown(loaded)) {
        loaded.problem = "no memory for the picture";
        ReportError("viewer", path + ": " + loaded.problem);
    }
    return loaded;
}

void Browse(const std::vector<std::string>& paths, size_t index, LoadedFile current, Extent window,
            int32_t scale) {
    Session s{.paths = paths,
              .index = index,
              .file = std::move(current),
              .window = window,
              .scale = scale,
              .view = {},
              .transparency = false,
              .loadPending = false,
              .canvas = nullptr,
              .title = {}};
    if (!MakeCanvas(s)) return;
    if (Shown(s.file)) s.view = Fitted(s.file.pyramid.Size(), window);
    Redraw(s);
    CompleteFile(s);
    Pointer pointer;
    for (;;) {
        bool changed = false;
        if (const std::optional<ScreenSize> size = TakeScreenResize()) {
            if (!Resize(s, *size)) return;
            changed = true;
        }
        // Every key waiting is answered before the next frame: a burst costs one frame.
        for (int32_t key = ReadKeyPress().code; key != 0; key = ReadKeyPress().code) {
            if (!Apply(s, CommandOf(key))) return;
            changed = true;
        }
        if (changed) {
            LoadPending(s);
            Redraw(s);
            CompleteFile(s);
            continue;
        }
        if (FollowPointer(s, pointer)) Redraw(s);
        SleepMs(10);
    }
}
