#include "gui/toolkit.h"

#include <cstdlib>

Rect LineBox(int32_t x, int32_t y, int32_t characters) {
    return {x, y, x + GlyphSize * characters + 4, y + 12};
}

Rect ReachingRight(Rect box) {
    box.Right += 2;
    return box;
}

namespace {

thread_local InputFrame* t_frame = nullptr;

PointerState ReadPointer() {
    PointerState pointer;
    int32_t wheel = 0;
    int32_t clip = 0;
    GetMouse(&pointer.X, &pointer.Y, &wheel, &pointer.Buttons, &clip);
    return pointer;
}

}  // namespace

InputFrame::InputFrame() : outermost_(t_frame == nullptr) {
    if (outermost_) t_frame = this;
}

InputFrame::~InputFrame() {
    if (outermost_) t_frame = nullptr;
}

PointerState PollPointer() {
    if (!t_frame) return ReadPointer();
    if (!t_frame->pointer_) t_frame->pointer_ = ReadPointer();
    return *t_frame->pointer_;
}

bool KeyHeld(int32_t scanCode) {
    if (!t_frame || scanCode < 0 || scanCode >= static_cast<int32_t>(t_frame->keys_.size()))
        return IsKeyDown(scanCode) != 0;
    std::optional<bool>& key = t_frame->keys_[static_cast<size_t>(scanCode)];
    if (!key) key = IsKeyDown(scanCode) != 0;
    return *key;
}

bool Hits(Rect area, PointerState pointer) {
    return area.Left < pointer.X && pointer.X < area.Right && area.Top < pointer.Y &&
           pointer.Y < area.Bottom;
}

bool LeftButtonAlone(PointerState pointer) {
    return pointer.Buttons == 1;
}

void FillBox(ImageBuffer* target, Rect box, uint32_t colour) {
    DrawLine(target, box.Left, box.Top, box.Right, box.Bottom, colour, LineShape::FilledBox);
}

namespace {

void Outline(ImageBuffer* target, Rect box, uint32_t colour) {
    DrawLine(target, box.Left, box.Top, box.Right, box.Bottom, colour, LineShape::BoxOutline);
}

void Segment(ImageBuffer* target, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    DrawLine(target, x1, y1, x2, y2, colour);
}

}  // namespace

void DrawFramedBox(ImageBuffer* target, Rect box, uint32_t fill) {
    FillBox(target, box, fill);
    Outline(target, box, Palette::Frame);
}

void DrawPanel(ImageBuffer* target, Rect box, uint32_t fill) {
    DrawFramedBox(target, box, fill);
    Segment(target, box.Left + 1, box.Bottom - 1, box.Right - 1, box.Bottom - 1, Palette::Shadow);
    Segment(target, box.Right - 1, box.Top + 1, box.Right - 1, box.Bottom - 1, Palette::Shadow);
}

void DrawSunkenBox(ImageBuffer* target, Rect box) {
    DrawFramedBox(target, box, Palette::Field);
    Segment(target, box.Left + 1, box.Top + 1, box.Right - 1, box.Top + 1, Palette::Shadow);
    Segment(target, box.Left + 1, box.Top + 1, box.Left + 1, box.Bottom - 1, Palette::Shadow);
}

void DrawRaisedFace(ImageBuffer* target, Rect box) {
    const auto [left, top, right, bottom] = box;
    Outline(target, box, Palette::Panel);
    FillBox(target, {left + 1, top + 1, right - 1, bottom - 1}, Palette::ButtonFace);
    FillBox(target, {left, top + 1, right - 2, top + 2}, Palette::Highlight);
    FillBox(target, {left + 2, bottom - 2, right - 1, bottom - 1}, Palette::Shadow);
    FillBox(target, {right - 2, top + 2, right - 1, bottom - 2}, Palette::Shadow);
}

void EndWithFatalError(std::string_view line, FatalWait wait) {
    if (ScreenIsOpen()) {
        ClearScreen();
        PrintLine(line);
        WaitKey();
        if (wait == FatalWait::ForSecondKey) {
            SleepMs(-1);
        } else {
            SleepMs(500, 1);
        }
    } else {
        PrintLine(line);
    }
    std::exit(-1);
}
