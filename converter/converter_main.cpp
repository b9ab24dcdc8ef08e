// The converter: a 640 x 50 window with the bitmap's path, the output name and three buttons.
// "Chose File" picks a bitmap, or one is dropped onto the window; "Start" converts it into a
// pixel-data include file; Escape, "Exit" or closing the window ends the program.
#include <cstdio>

#include "converter/handler.h"
#include "converter/output_file.h"
#include "gui/gui.h"
#include "screen/native_window.h"
#include "screen/screen.h"
#include "screen/window_backend.h"

namespace {

constexpr int32_t EscapeScanCode = 1;
constexpr uint32_t TextColour = 0xFFFFFF;
constexpr uint32_t PanelColour = 0xDDDDDD;
constexpr int32_t FieldLength = 50;

// The window's texts, kept letter for letter, misspellings included.
constexpr const char* FirstOutputName = "Unnamed.bi";
constexpr const char* ChooseFileCaption = "Chose File";
constexpr const char* StartCaption = "Start";
constexpr const char* ExitCaption = "Exit";

void AddWidgets(GUI& gui, ConverterState& state) {
    state.InputPath = GetScrollTextBox(gui, AddScrollTextBox(gui, 10, 10, FieldLength));
    state.OutputName =
        GetScrollTextBox(gui, AddScrollTextBox(gui, 10, 30, FieldLength, FirstOutputName));
    const WidgetEvent handleButton = [&state](const std::string& buttID) {
        HandleButton(state, buttID);
    };
    AddButton(gui, ChooseFileCaption, 450, 10, std::string(ChooseFileId), handleButton);
    AddButton(gui, StartCaption, 450, 30, std::string(StartId), handleButton);
    AddButton(gui, ExitCaption, 500, 30, std::string(ExitId), handleButton);
}

// Until Escape is down at the start of a pass, or the window was asked to close (its close box,
// Alt+F4), which on a desktop must end a program. Dialogs and conversions run inside Update.
void RunFrames(GUI& gui, FrameRegulator& regulator, ConverterState& state) {
    while (!IsKeyDown(EscapeScanCode) && !CloseRequested()) {
        TakeDroppedFile(state, TakeDroppedFiles());
        Update(gui);
        LockScreen();
        ClearScreen();
        Draw(gui);
        UnlockScreen(-1, -1);
        Regulate(regulator);
    }
}

}  // namespace

int main() {
    // Killed from its console while converting, it leaves no temporary file behind.
    RemoveTemporaryFilesOnSignals();
    // Without a window nothing could ever be shown or end the program: say why in one line.
    UseWindowBackend();
    if (OpenScreen(640, 50, 32) != ScreenResult::Ok) {
        std::fprintf(stderr, "converter: %s\n", ScreenOpenFailure().c_str());
        return 1;
    }
    SetColors(TextColour, PanelColour);
    ClearScreen();
    FrameRegulator regulator(60);
    // The dialogs belong to the converter's window and stay above it.
    ConverterState state{.Desktop = DesktopDialogs(NativeWindowId())};
    {
        GUI gui;
        AddWidgets(gui, state);
        RunFrames(gui, regulator, state);
    }
    return 0;
}
