// The core every widget kind stands on: the event and image types, the palette, rectangles with
// their hit test, the pointer poll, the painters of the recurring boxes, Hide/Show and the fatal
// construction error.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "screen/screen.h"

// A widget's event: called with the widget's identifier (a button's ButtID, a check box's text,
// a radio group's ID, a list element's ID).
using WidgetEvent = std::function<void(const std::string&)>;

// The widgets' colours.
namespace Palette {
inline constexpr uint32_t Field = 0x00FFFFFF;  // field background
inline constexpr uint32_t Highlight = Field;   // the lit edge of a raised face
inline constexpr uint32_t Panel = 0x00DDDDDD;
inline constexpr uint32_t ButtonFace = 0x00CCCCCC;
inline constexpr uint32_t Frame = 0x00AAAAAA;
inline constexpr uint32_t Shadow = 0x00666666;
// Text, caret and marks; also what every Erase fills with.
inline constexpr uint32_t Ink = 0x00000000;
}  // namespace Palette

// The built-in font's cell: texts are measured in 8 x 8 pixel characters.
inline constexpr int32_t GlyphSize = 8;

// A rectangle by its corners, both inclusive as the drawing calls take them.
struct Rect {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
};

// The box of one text line `characters` wide at (x, y), 8n + 5 by 13 pixels: a label's panel, a
// text field, each box of a fold-out list.
Rect LineBox(int32_t x, int32_t y, int32_t characters);
// The hit area of a text field or a fold-out box: the drawn box, reaching two columns further
// right, so that its right frame line and the column after it take clicks too.
Rect ReachingRight(Rect box);

// The pointer as GetMouse reports it: -1 everywhere while it is outside the window or the window
// lacks the focus.
struct PointerState {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Buttons = 0;
};

// One reading of the user for a whole Update: within it every PollPointer and KeyHeld gives what
// the first one read. A tap, which the screen layer reports to one poll only, so reaches every
// widget of the Update, and no two widgets see the user differently. Frames nest: the outermost
// one reads, the ones within it share its reading. Per thread.
class InputFrame {
public:
    InputFrame();
    ~InputFrame();
    InputFrame(const InputFrame&) = delete;
    InputFrame& operator=(const InputFrame&) = delete;

private:
    friend PointerState PollPointer();
    friend bool KeyHeld(int32_t scanCode);
    bool outermost_;
    std::optional<PointerState> pointer_;
    std::array<std::optional<bool>, 128> keys_;  // by PC set-1 scan code
};

// GetMouse, or the reading of the InputFrame under way.
PointerState PollPointer();
// IsKeyDown, or the reading of the InputFrame under way.
bool KeyHeld(int32_t scanCode);
// Strictly inside: the rectangle's edge lines are outside.
bool Hits(Rect area, PointerState pointer);
// The left button alone: the only press widgets react to, on every Update while it is held.
bool LeftButtonAlone(PointerState pointer);

// `target` is nullptr for the screen. Fills the rectangle.
void FillBox(ImageBuffer* target, Rect box, uint32_t colour);
// Filled and framed: a fold-out list's row.
void DrawFramedBox(ImageBuffer* target, Rect box, uint32_t fill);
// A raised panel: filled, framed, shadows inside its bottom and right edges.
void DrawPanel(ImageBuffer* target, Rect box, uint32_t fill);
// A sunken white box: filled, framed, shadows inside its top and left edges.
void DrawSunkenBox(ImageBuffer* target, Rect box);
// A raised button face: a panel-grey frame round the face colour, lit at the top, two-pixel
// shadows at the bottom and right.
void DrawRaisedFace(ImageBuffer* target, Rect box);

// Hidden widgets are neither drawn nor erased and ignore input; hiding keeps their state.
template <typename Widget>
concept Hideable = requires(Widget widget) {
    widget.Hidden = 1;
};

template <Hideable Widget>
void Hide(Widget& widget) {
    widget.Hidden = 1;
}
template <Hideable Widget>
void Show(Widget& widget) {
    widget.Hidden = 0;
}

// How a fatal construction error waits before the program ends.
enum class FatalWait {
    ForSecondKey,    // WaitKey, then SleepMs(-1): a further key press
    ForHalfASecond,  // WaitKey, then half a second that no key cuts short
};

// Clears the screen, prints `line` to the program's text output, waits for a key as `wait` says
// and ends the program with exit status -1. Without an open screen the message only reaches
// standard error and no key could ever arrive, so it ends at once instead of waiting forever.
[[noreturn]] void EndWithFatalError(std::string_view line,
                                    FatalWait wait = FatalWait::ForSecondKey);
