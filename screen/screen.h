// The screen layer's public face: one window with a 32-bit frame buffer, drawing primitives, the
// built-in 8x8 font, in-memory images, polled mouse and keyboard, a clock and waiting.
//
// Every drawing call takes a target: nullptr draws on the screen, otherwise into an ImageBuffer.
// Nothing here reports errors by itself; calls return a ScreenResult, a status or nullptr.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ScreenResult : int32_t { Ok = 0, IllegalCall = 1, FileNotFound = 2, FileIO = 3 };

// The value passed for an argument that is not given (0xFFFF0000).
inline constexpr int32_t ArgDefault = -65536;

// Fill of a 4-byte image created without a colour; Blend skips source pixels whose low 24 bits
// match it.
inline constexpr uint32_t MaskColour = 0xFFFF00FF;

// Bit 31 of the flags of DrawLine, DrawCircle, SetPixel and DrawText: use the context's colour.
// For CreateImage: no colour is given, fill with the default.
inline constexpr uint32_t DefaultColourFlag = 0x80000000u;

// Bits 0-2 of the same flags (CoordModeBits).
inline constexpr uint32_t CoordModeBits = 7;
enum CoordMode : uint32_t {
    BothAbsolute = 0,
    SecondRelative = 1,
    FirstRelativeToLast = 2,
    BothRelative = 3,
    PointAbsolute = 4,
    PointRelativeToLast = 5,
};

enum class LineShape : int32_t { Segment = 0, BoxOutline = 1, FilledBox = 2 };

enum class PutMode : int32_t { Blend = 9 };

// The single-precision value of 2 pi (bits 0x40C90FDC) that, with start 0, selects a full ellipse.
inline constexpr float FullCircle = 6.283186f;

// An in-memory raster image: this 32-byte header, then `height` rows of `pitch` bytes.
struct ImageBuffer {
    int32_t type;           // always 7
    int32_t bytesPerPixel;  // 1, 2 or 4
    int32_t width;
    int32_t height;
    int32_t pitch;  // row length rounded up to 16 bytes
    uint32_t reserved0;
    uint64_t reserved1;
};
static_assert(sizeof(ImageBuffer) == 32);

inline constexpr int32_t ImageBufferType = 7;

// ---------------------------------------------------------------------------------------------
// Screen

// For OpenScreen's flags: the user may resize and maximise the window, and the screen follows
// it. Its frame buffer is the window's client area in the desktop's own pixels, whatever the
// desktop's scale (the program draws at that scale itself where it wants to); each new size
// reaches the program through TakeScreenResize. Without it the window keeps its size and is shown
// at the desktop's whole scale, every frame pixel repeated.
inline constexpr int32_t ResizableWindow = 0x100;

ScreenResult OpenScreen(int32_t width, int32_t height, int32_t depth, int32_t pages = 0,
                        int32_t flags = 0, int32_t refresh = 0);
// Why the last OpenScreen failed, in words for the user (the program decides whether and how to
// tell); empty after one that succeeded.
std::string ScreenOpenFailure();
// Names the window (UTF-8) in the desktop's title bar; the window thread carries it out.
void SetWindowTitle(std::string_view title);
// Closes the window and discards the screen state (the programs simply end instead).
void CloseScreen();
bool ScreenIsOpen();

struct ScreenSize {
    int32_t width = 0;
    int32_t height = 0;
};
// The screen's size once the user has resized its resizable window: the latest, once for each
// change; nullopt while it has not changed since the last call. The frame buffer has that size
// already, holding the part of the old frame that fits and black elsewhere, and is presented
// whole at the next unlock.
std::optional<ScreenSize> TakeScreenResize();

// Stores the calling thread's colours, except those that flags keep. Returns the previous
// foreground.
inline constexpr uint32_t KeepForeground = 1;
inline constexpr uint32_t KeepBackground = 2;
uint32_t SetColors(uint32_t foreground, uint32_t background, uint32_t flags = 0);
void ClearScreen(int32_t mode = ArgDefault);

void LockScreen();
void UnlockScreen(int32_t firstRow = -1, int32_t lastRow = -1);

// ---------------------------------------------------------------------------------------------
// Drawing

void DrawLine(ImageBuffer* target, float x1, float y1, float x2, float y2, uint32_t colour,
              LineShape shape = LineShape::Segment, uint32_t style = 0xFFFF,
              uint32_t flags = BothAbsolute);
void DrawCircle(ImageBuffer* target, float cx, float cy, float radius, uint32_t colour,
                float aspect = 0.0f, float start = 0.0f, float end = FullCircle, int32_t fill = -1,
                uint32_t flags = PointAbsolute);
void SetPixel(ImageBuffer* target, float x, float y, uint32_t colour,
              uint32_t flags = PointAbsolute, int32_t usePreset = 0);
// The stored pixel value, or 0xFFFFFFFF without a screen or outside the target.
uint32_t GetPixel(const ImageBuffer* target, float x, float y);
// Draws the set bits of each glyph in `colour`; clear bits leave the target alone. `font` is 256
// glyphs of 8 bytes (bit 0 leftmost), nullptr for the built-in one.
void DrawText(ImageBuffer* target, float x, float y, uint32_t flags, std::string_view text,
              uint32_t colour, const uint8_t* font = nullptr, int32_t mode = 0);

// The program's text output: opaque cells at the text cursor, with control codes 7, 8, 9, 10, 13
// and scrolling; echoed to standard error so a console user sees it too.
void Print(std::string_view text);
// Print followed by carriage return and line feed.
void PrintLine(std::string_view text);

// The built-in code page 437 font: 256 glyphs x 8 rows, bit 0 of each row the leftmost pixel.
extern const uint8_t Font8x8[256 * 8];

// ---------------------------------------------------------------------------------------------
// Images

ImageBuffer* CreateImage(int32_t width, int32_t height, uint32_t colour = 0, int32_t depth = 0,
                         uint32_t flags = 0);
void DestroyImage(ImageBuffer* image);
// The owner of an image made by CreateImage.
struct ImageDestroyer {
    void operator()(ImageBuffer* image) const { DestroyImage(image); }
};
using ImageHandle = std::unique_ptr<ImageBuffer, ImageDestroyer>;
// Accepts an ImageBuffer or a 4-byte legacy header; `image` may be nullptr. Any output may be
// nullptr.
ScreenResult GetImageInfo(const void* image, int32_t* width, int32_t* height,
                          int32_t* bytesPerPixel, int32_t* pitch, uint8_t** pixels, int64_t* size);
// Copies `source` (an ImageBuffer or legacy-header image) with its top-left corner at (x, y).
ScreenResult PutImage(ImageBuffer* target, float x, float y, const void* source,
                      int32_t sx1 = ArgDefault, int32_t sy1 = ArgDefault, int32_t sx2 = ArgDefault,
                      int32_t sy2 = ArgDefault, int32_t coordMode = 0,
                      PutMode mode = PutMode::Blend, int32_t alpha = 255);

// ---------------------------------------------------------------------------------------------
// Input and timing

// Returns 0 and the pointer state while the window is active and the pointer inside; otherwise
// writes -1 everywhere and returns 1. wheel, buttons and clip may be nullptr.
int32_t GetMouse(int32_t* x, int32_t* y, int32_t* wheel = nullptr, int32_t* buttons = nullptr,
                 int32_t* clip = nullptr);
int32_t SetMouse(int32_t x, int32_t y, int32_t visibility = -1, int32_t clip = -1);
// While `busy`, the pointer over the window takes the desktop's busy shape and shows even where
// SetMouse hid it: for work that keeps the program from answering the user, which the window
// still presents meanwhile. False gives back the pointer SetMouse asked for. The window thread
// is woken to carry it out.
void SetBusyPointer(bool busy);
// -1 while the key with this PC set-1 scan code is held, else 0.
int32_t IsKeyDown(int32_t scanCode);
// The PC set-1 scan codes that programs and the key tables name.
namespace scan_code {
inline constexpr int32_t Escape = 1;
inline constexpr int32_t LeftShift = 42;
inline constexpr int32_t RightShift = 54;
inline constexpr int32_t LeftArrow = 75;
inline constexpr int32_t RightArrow = 77;
}  // namespace scan_code
// The oldest typed key: "" when none, one character for codes 1-255, else CHR(255) + code >> 8.
std::string ReadKey();
// The oldest typed key code, waiting for one in 20 ms steps.
int32_t WaitKey();

// A typed key as text widgets read it: `code` as ReadKey and WaitKey see it (0: no key waited)
// and the Unicode character it typed (0 for keys without one). A character that code page 437
// lacks comes as code "?" (63) with its own character.
struct KeyPress {
    int32_t code = 0;
    char32_t character = 0;
    // Held with the key: Shift extends a text selection, Ctrl moves by words.
    bool shift = false;
    bool ctrl = false;
};
// The character of a key that asks for a paste: Ctrl+V (code 22) and Shift+Insert (Insert's
// code, as the PC keyboard gives it) carry it.
inline constexpr char32_t PasteCharacter = 0x16;
// Takes the oldest typed key, as ReadKey does.
KeyPress ReadKeyPress();
// Drops the keys waiting that were typed before the latest press of the left button: for an
// entry a click gives the focus, which takes the keys typed after the click, however late the
// program sees it.
void DropKeysTypedBeforeClick();
double Timer();
// The desktop clipboard's text (UTF-8), fetched by the window thread; empty without an open
// screen, when it holds no text, or when the calling thread holds the screen lock (the window
// thread needs it to answer).
std::string ClipboardText();
// Offers `text` (UTF-8) as the desktop clipboard's, until another program takes the clipboard;
// the window thread carries it out on its next cycle, before it answers a later ClipboardText.
void CopyToClipboard(std::string_view text);
int32_t SleepMs(int32_t ms, int32_t plain = 0);

// The key code the window's close box pushes.
inline constexpr int32_t CloseRequestKey = 0x6BFF;
// Whether the user asked the window to close (its close box, or the window manager's close such
// as Alt+F4) since the screen opened. The request also enters the key buffer as CloseRequestKey.
bool CloseRequested();
// The files of the latest drop onto the window that the program has not taken yet, as local
// paths, in the order the desktop gave them; empty when none. Taking them empties the list.
std::vector<std::string> TakeDroppedFiles();
