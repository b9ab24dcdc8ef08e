#include "viewer/browse.h"

#include <algorithm>

#include "base/printable.h"
#include "screen/screen.h"
#include "viewer/commands.h"
#include "viewer/title.h"

namespace {

constexpr uint32_t TextColour = 0xFF000000;
constexpr int32_t Glyph = 8;

// One picture to step to: a file, or one picture of an include file.
struct Entry {
    std::string path;
    uint64_t picture = 0;
    bool counted = false;  // the file's pictures have entries of their own
};

struct Session {
    std::vector<Entry> entries;
    size_t index;
    LoadedFile file;
    Extent window;
    View view;
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

// The reason cut into lines that fit the window, at most `count` of them.
std::vector<std::string> Wrapped(const std::string& text, size_t columns, size_t count) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size() && lines.size() < count; at += columns)
        lines.push_back(text.substr(at, columns));
    return lines;
}

// The file's name and why it cannot be shown, centred on the panel.
void DrawProblem(const Session& s) {
    const size_t columns = std::max<size_t>(1, static_cast<size_t>(s.window.width / Glyph) - 2);
    std::vector<std::string> lines = Wrapped(s.entries[s.index].path, columns, 3);
    lines.push_back("cannot be shown:");
    for (std::string& line : Wrapped(s.file.problem, columns, 6)) lines.push_back(std::move(line));
    const auto height = static_cast<int64_t>(lines.size()) * 2 * Glyph;
    int64_t y = (s.window.height - height) / 2;
    for (const std::string& line : lines) {
        const auto x = (s.window.width - static_cast<int64_t>(line.size()) * Glyph) / 2;
        DrawText(nullptr, static_cast<float>(x), static_cast<float>(y), 0, line, TextColour);
        y += 2 * Glyph;
    }
}

void Redraw(Session& s) {
    const WindowPixels canvas = CanvasPixels(s.canvas.get());
    if (Shown(s.file)) {
        Render(s.file.pyramid, s.view, canvas);
    } else {
        for (int32_t y = 0; y < canvas.height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(canvas.pixels) +
                                                    int64_t{y} * canvas.pitch);
            std::fill(row, row + canvas.width, PanelGrey);
        }
    }
    LockScreen();
    PutImage(nullptr, 0, 0, s.canvas.get());
    if (!Shown(s.file)) DrawProblem(s);
    UnlockScreen();
    std::string title = WindowTitleOf({.path = s.entries[s.index].path,
                                       .shown = Shown(s.file),
                                       .size = Shown(s.file) ? s.file.pyramid.Size() : Extent{},
                                       .zoom = s.view.zoom,
                                       .index = s.index,
                                       .count = s.entries.size(),
                                       .part = s.file.pictureCount > 1 ? s.file.label : ""});
    if (title != s.title) SetWindowTitle(s.title = std::move(title));
}

double SmallestZoom(const Session& s) {
    return std::min(FitZoom(s.file.pyramid.Size(), s.window), 1.0);
}

void Load(Session& s) {
    s.file = {};  // the old picture goes before the new one is read
    const Entry& entry = s.entries[s.index];
    const Extent window = s.window;
    s.file = Prepared(
        entry.path,
        ReadPictureFile(entry.path, FirstFrameRead([=](Extent) { return window; }), entry.picture),
        s.window);
    if (Shown(s.file)) s.view = Fitted(s.file.pyramid.Size(), s.window);
}

// Once a file's pictures are known, each gets an entry of its own; a file stepped to backwards
// shows its last picture.
void Expand(Session& s, bool toLast) {
    Entry& entry = s.entries[s.index];
    if (entry.counted) return;
    entry.counted = true;
    const uint64_t count = s.file.pictureCount;
    if (count <= 1) return;
    std::vector<Entry> more;
    for (uint64_t picture = 1; picture < count; ++picture)
        more.push_back({entry.path, picture, true});
    s.entries.insert(s.entries.begin() + static_cast<ptrdiff_t>(s.index) + 1, more.begin(),
                     more.end());
    if (!toLast) return;
    s.index += more.size();
    Load(s);
}

// To `index`; a file of several pictures reached backwards or as the last shows its last.
void StepTo(Session& s, size_t index, bool toLast = false) {
    if (index == s.index) return;
    toLast = toLast || index < s.index;
    s.index = index;
    Load(s);
    Expand(s, toLast);
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
    const std::string& path = s.entries[s.index].path;
    PictureFile whole = ReadPictureFile(path, {}, s.entries[s.index].picture);
    const bool sameSize = whole.fullWidth == s.file.pyramid.size.width &&
                          whole.fullHeight == s.file.pyramid.size.height;
    if (whole.status == PictureFileStatus::Ok && sameSize &&
        CompletePyramid(s.file.pyramid, std::move(whole.pixels)))
        return;
    std::string problem = whole.status != PictureFileStatus::Ok ? whole.problem
                          : sameSize                            ? "no memory for the picture"
                                                                : "changed while it was being read";
    ReportError("viewer", path + ": " + problem);
    s.file = {{}, std::move(problem), s.file.pictureCount, s.file.label};
    Redraw(s);
}

// Carries a command out; false for Quit.
bool Apply(Session& s, Command command) {
    const size_t last = s.entries.size() - 1;
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
            StepTo(s, last, true);
            return true;
        default:
            break;
    }
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
        return {{}, file.problem, 1, {}};
    }
    for (const std::string& warning : file.warnings)
        ReportError("viewer", path + ": warning: " + warning);
    const Extent size{file.fullWidth, file.fullHeight};
    LoadedFile loaded{
        BuildPyramid(std::move(file.pixels), std::min(FitZoom(size, window), 1.0), size),
        {},
        file.pictureCount,
        file.label};
    if (!Shown(loaded)) {
        loaded.problem = "no memory for the picture";
        ReportError("viewer", path + ": " + loaded.problem);
    }
    return loaded;
}

void Browse(const std::vector<std::string>& paths, size_t index, LoadedFile current,
            Extent window) {
    std::vector<Entry> entries;
    for (const std::string& path : paths) entries.push_back({path});
    Session s{std::move(entries), index, std::move(current), window, {}, nullptr, {}};
    Expand(s, false);
    s.canvas.reset(CreateImage(static_cast<int32_t>(window.width),
                               static_cast<int32_t>(window.height), PanelGrey, 32));
    if (!s.canvas) {
        ReportError("viewer", "no memory for the window's picture");
        return;
    }
    if (Shown(s.file)) s.view = Fitted(s.file.pyramid.Size(), window);
    Redraw(s);
    CompleteFile(s);
    Pointer pointer;
    for (;;) {
        const int32_t key = ReadKeyPress().code;
        if (key != 0) {
            if (!Apply(s, CommandOf(key))) return;
            Redraw(s);
            CompleteFile(s);
            continue;
        }
        if (FollowPointer(s, pointer)) Redraw(s);
        SleepMs(10);
    }
}
