// Soak test of the window thread: draws whole frames as fast as it can while the test throws
// pointer, key, focus and close-box events at the real window. Ends once it has drawn at least
// 10,000 frames and read the final ".", then reports what it read.
#include <cstdio>
#include <random>
#include <string>

#include "screen/screen.h"
#include "screen/window/window_backend.h"

namespace {

void DrawFrame(std::mt19937& random, int frame) {
    LockScreen();
    SetColors(0x00FFFFFF, 0x00000000 + (frame & 0xFF));
    ClearScreen();
    for (int i = 0; i < 20; ++i) {
        const auto x = static_cast<float>(random() % 400) - 40;
        const auto y = static_cast<float>(random() % 280) - 40;
        DrawLine(nullptr, x, y, x + random() % 100, y + random() % 100, random(),
                 static_cast<LineShape>(random() % 3));
        DrawCircle(nullptr, x, y, static_cast<float>(random() % 30), random());
    }
    DrawText(nullptr, 4, 4, PointAbsolute, "frame " + std::to_string(frame), 0x00FFFF00);
    UnlockScreen(-1, -1);
}

}  // namespace

int main() {
    UseWindowBackend();
    if (OpenScreen(320, 200, 32) != ScreenResult::Ok) {
        std::fprintf(stderr, "window_soak: %s\n", ScreenOpenFailure().c_str());
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::mt19937 random(1);
    std::string typed;
    int closes = 0;
    int frames = 0;
    bool finished = false;
    while (frames < 10000 || !finished) {
        DrawFrame(random, frames);
        int32_t x, y, wheel, buttons, clip;
        GetMouse(&x, &y, &wheel, &buttons, &clip);
        IsKeyDown(1);
        for (std::string key = ReadKey(); !key.empty(); key = ReadKey()) {
            if (key == "\xFFk")
                ++closes;
            else if (key == ".")
                finished = true;
            else if (key.size() == 1)
                typed += key;
        }
        SleepMs(1, 1);
        if (++frames % 2000 == 0) {
            std::printf("frames %d\n", frames);
            std::fflush(stdout);
        }
    }
    std::printf("typed %s\ncloses %d\ndone %d\n", typed.c_str(), closes, frames);
    return 0;
}
