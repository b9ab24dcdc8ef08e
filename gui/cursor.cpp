#include "gui/cursor.h"

namespace {

constexpr uint32_t Black = 0x00000000;
constexpr uint32_t SpriteMask = 0x00FF00FF;

// The two bars, then the stem; the third line cuts the middle out of both bars again so the beam
// reads as an I rather than a box.
void DrawIBeam(ImageBuffer* sprite) {
    DrawLine(sprite, 0, 0, 4, 0, Black);
    DrawLine(sprite, 0, 9, 4, 9, Black);
    DrawLine(sprite, 2, 0, 2, 9, SpriteMask);
    DrawLine(sprite, 2, 1, 2, 8, Black);
}

}  // namespace

Cursor::Cursor() : Sprite(CreateImage(CursorWidth, CursorHeight, SpriteMask, 32, 0)) {
    if (!Sprite) EndWithFatalError("[ERROR]Something went wrong in: Constructor Cursor()");
    DrawIBeam(Sprite.get());
}

void Update(Cursor& cursor) {
    cursor.PrevX = cursor.X;
    cursor.PrevY = cursor.Y;
    if (cursor.Hidden == 0) {
        int32_t wheel = 0;
        int32_t buttons = 0;
        int32_t clip = 0;
        GetMouse(&cursor.X, &cursor.Y, &wheel, &buttons, &clip);
    }
}

void Draw(const Cursor& cursor) {
    if (cursor.Hidden == 0) PutImage(nullptr, cursor.X, cursor.Y, cursor.Sprite.get());
}

void Erase(const Cursor& cursor) {
    DrawLine(nullptr, cursor.PrevX, cursor.PrevY, cursor.PrevX + CursorWidth,
             cursor.PrevY + CursorHeight, Black, LineShape::FilledBox);
}

void ShowPointerSprite(Cursor& cursor) {
    cursor.Hidden = 0;
    SetMouse(-1, -1, 0, -1);
}

void ShowSystemPointer(Cursor& cursor) {
    cursor.Hidden = 1;
    SetMouse(-1, -1, 1, -1);
}
