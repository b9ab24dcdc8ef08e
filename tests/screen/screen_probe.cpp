// Opens a real 640 x 480 window, draws a known frame, then reports on standard output what the
// program sees of the pointer and keyboard, until "q" is typed. Driven by the end-to-end test.
#include <cstdio>
#include <string>

#include "screen/screen.h"
#include "screen/window/window_backend.h"

namespace {

void DrawKnownFrame() {
    LockScreen();
    SetColors(0x00FFFFFF, 0x00203040);
    ClearScreen();
    DrawLine(nullptr, 10, 10, 109, 59, 0x00FF0000, LineShape::FilledBox);
    DrawLine(nullptr, 120, 10, 219, 59, 0x0000FF00, LineShape::BoxOutline);
    DrawLine(nullptr, -50, 100, 700, 100, 0x00FFFF00);
    DrawLine(nullptr, 300, 120, 307, 123, 0x00FF8000);
    DrawCircle(nullptr, 300, 200, 5.0f, 0x000000FF);
    DrawText(nullptr, 20, 300, PointAbsolute, "Hello", 0x00FFFFFF);
    ImageBuffer* sprite = CreateImage(4, 4, 0x00808080, 32, 0);
    SetPixel(sprite, 1, 1, MaskColour);
    PutImage(nullptr, 400, 400, sprite);
    DestroyImage(sprite);
    UnlockScreen(-1, -1);
}

}  // namespace

int main() {
    UseWindowBackend();
    if (OpenScreen(640, 480, 32) != ScreenResult::Ok) {
        std::fprintf(stderr, "screen_probe: %s\n", ScreenOpenFailure().c_str());
        return 2;
    }
    DrawKnownFrame();
    std::printf("ready\n");
    std::fflush(stdout);
    int32_t last[5] = {-2, -2, -2, -2, -2};
    bool escapeHeld = false;
    for (;;) {
        int32_t m[5];
        GetMouse(&m[0], &m[1], &m[2], &m[3], &m[4]);
        if (m[0] != last[0] || m[1] != last[1] || m[2] != last[2] || m[3] != last[3]) {
            std::printf("mouse %d %d %d %d\n", m[0], m[1], m[2], m[3]);
            std::copy(m, m + 5, last);
        }
        const bool held = IsKeyDown(1) != 0;
        if (held != escapeHeld) std::printf("escape %s\n", held ? "down" : "up");
        escapeHeld = held;
        const std::string key = ReadKey();
        if (!key.empty()) {
            std::printf("key");
            for (unsigned char c : key) std::printf(" %u", c);
            std::printf("\n");
        }
        std::fflush(stdout);
        if (key == "q") return 0;
        SleepMs(10, 1);
    }
}
