// The text pointer: a 5 x 10 I-beam sprite that follows the mouse and stands in for the desktop's
// arrow while the pointer rests on a text entry. The GUI switches it every frame.
#pragma once

#include <cstdint>

#include "gui/toolkit.h"

struct Cursor {
    // Builds the sprite; without an open screen that fails and the program ends.
    Cursor();

    ImageHandle Sprite;
    // Pointer position from the last poll, and the one before the last Update.
    int32_t X = 0;
    int32_t Y = 0;
    int32_t PrevX = 0;
    int32_t PrevY = 0;
    // 1: sprite off, desktop pointer shown (the state after construction).
    uint8_t Hidden = 1;
};

inline constexpr int32_t CursorWidth = 5;
inline constexpr int32_t CursorHeight = 10;

void Update(Cursor& cursor);
void Draw(const Cursor& cursor);
// Blackens where the sprite was drawn before the last Update, one pixel wider and taller than it.
void Erase(const Cursor& cursor);
void ShowPointerSprite(Cursor& cursor);
void ShowSystemPointer(Cursor& cursor);
// The sprite is switched only together with the desktop pointer, by the two calls above.
void Hide(Cursor& cursor) = delete;
void Show(Cursor& cursor) = delete;
