// The gallery: one window with one widget of each kind, to look at and try the toolkit by hand.
// Every event prints what fired to standard error. Escape ends it.
#include <iostream>
#include <string>

#include "gui/gui.h"
#include "screen/screen.h"

namespace {

constexpr int32_t EscapeScanCode = 1;
constexpr uint32_t PanelColour = 0x00DDDDDD;

void Report(const std::string& what, const std::string& id) {
    std::cerr << what << ' ' << id << std::endl;
}

void AddTextEntries(GUI& gui) {
    AddTextBox(gui, 10, 10, 30, "TextBox");
    AddScrollTextBox(gui, 10, 30, 30);
    AddPasswordBox(gui, 10, 50, 30);
}

// "Show" tells what the fields hold, so a user (or a script) can read them off the console.
void AddButtons(GUI& gui) {
    AddButton(gui, "Start", 280, 10, "Start", [](const std::string& id) { Report("Button", id); });
    AddButton(gui, "Show", 280, 30, "Show", [&gui](const std::string& id) {
        Report("Button", id);
        std::cerr << "TextBox: " << GetTextBox(gui, 1)->Text << '\n'
                  << "ScrollTextBox: " << GetScrollTextBox(gui, 1)->Text << '\n'
                  << "PasswordBox: " << GetPasswordBox(gui, 1)->Text << std::endl;
    });
    const std::string faces = GALLERY_FACES;
    AddButton(gui, 280, 50, faces + "play.bmp", faces + "play_hover.bmp", "Play",
              [](const std::string& id) { Report("Button", id); });
}

}  // namespace

int main() {
    if (OpenScreen(640, 160, 32) != ScreenResult::Ok) {
        std::cerr << "gallery: cannot open a window (is there a display?)" << std::endl;
        return 1;
    }
    SetColors(0x00FFFFFF, PanelColour);
    GUI gui;
    AddTextEntries(gui);
    AddButtons(gui);
    FrameRegulator regulator(60);
    while (!IsKeyDown(EscapeScanCode)) {
        Update(gui);
        LockScreen();
        ClearScreen();
        Draw(gui);
        UnlockScreen(-1, -1);
        Regulate(regulator);
    }
    return 0;
}
