#include "gui/cursor.h"

namespace {

// The sprite's see-through pixels.
constexpr uint32_t SpriteMask = MaskColour & 0x00FFFFFF;
// Kept letter for letter.
constexpr std::string_view NoSprite = "[ERROR]Something went wrong in: Constructor Cursor()";

// The two bars, then the stem; the third line cuts the middle out of both bars again so the beam
// reads as an I rather than a box.
void DrawIBeam(ImageBuffer* sprite) {
    DrawLine(sprite, 0, 0, 4, 0, Palette::Ink);
    DrawLine(sprite, 0, 9, 4, 9, Palette::Ink);
    DrawLine(sprite, 2, 0, 2, 9, SpriteMask);
    DrawLine(sprite, 2, 1, 2, 8, Palette::Ink);
}

}  // namespace

Cursor::Cursor() : Sprite(CreateImage(CursorWidth, CursorHeight, SpriteMask, 32, 0)) {
    if (!Sprite) EndWithFatalError(NoSprite);
    DrawIBeam(Sprite.get());
}

void Update(Cursor& cursor) {
    cursor.PrevX = cursor.X;
    cursor.PrevY = cursor.Y;
    if (cursor.Hidden == 0) {
        const PointerState pointer = PollPointer();
        cursor.X = pointer.X;
        cursor.Y = pointer.Y;
    }
}

void Draw(const Cursor& cursor) {
    if (cursor.Hidden == 0) PutImage(nullptr, cursor.X, cursor.Y, cursor.Sprite.get());
}

void Erase(const Cursor& cursor) {
    FillBox(nullptr,
            {cursor.PrevX, cursor.PrevY, cursor.PrevX + CursorWidth, cursor.PrevY + CursorHeight},
            Palette::Ink);
}

void ShowPointerSprite(Cursor& cursor) {
    cursor.Hidden = 0;
    SetMouse(-1, -1, 0, -1);
}

void ShowSystemPointer(Cursor& cursor) {
    cursor.Hidden = 1;
    SetMouse(-1, -1, 1, -1);
}
