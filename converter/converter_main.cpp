// The converter: a 640 x 50 window with the bitmap's path, the output name and three buttons.
// "Chose File" picks a bitmap, or one is dropped onto the window; "Start" converts it into a
// pixel-data include file; Escape, "Exit" or closing the window ends the program.
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/printable.h"
#include "converter/handler.h"
#include "converter/output_file.h"
#include "gui/gui.h"
#include "picture/picture.h"
#include "screen/native_window.h"
#include "screen/screen.h"
#include "screen/window/window_backend.h"

namespace {

constexpr uint32_t TextColour = 0xFFFFFF;
constexpr uint32_t PanelColour = 0xDDDDDD;
constexpr int32_t FieldLength = 50;

// The window's texts, kept letter for letter, misspellings included.
constexpr const char* ChooseFileCaption = "Chose File";
constexpr const char* StartCaption = "Start";
constexpr const char* ExitCaption = "Exit";

constexpr const char* Usage =
    "Usage: converter [--help | --version]\n"
    "Opens a 640 x 50 window that turns a picture into a pixel-data include file for BASIC\n"
    "programs: type, paste, choose or drop the picture's path, then press \"Start\". The\n"
    "include file is written under the name in the lower field, from the current folder.\n"
    "Alt+Enter switches to full screen and back. On a high-density screen the window is shown\n"
    "at the desktop's whole scale (GDK_SCALE, or Xft.dpi of 192 and more gives 2);\n"
    "PIXELTOOLS_SCALE=N chooses one.\n"
    "\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit status: 0 when the window was closed, 1 when no window could be opened, 2 for a\n"
    "usage error.\n";

// The window takes no arguments; these two answer without one, anything else is a mistake
// better said than ignored. Gives the exit status when the program is to end at once.
std::optional<int> AnswerArguments(int argc, char** argv) {
    if (argc == 1) return std::nullopt;
    const bool help = command_line::IsHelp(argv[1]);
    const bool version = command_line::IsVersion(argv[1]);
    if (argc == 2 && help) return command_line::ShowHelp(Usage);
    if (argc == 2 && version) return command_line::ShowVersion("converter");
    return command_line::UsageError(
        "converter", std::string("unexpected argument '") + argv[help || version ? 2 : 1] + "'");
}

void AddWidgets(GUI& gui, ConverterState& state) {
    ScrollTextBox* inputPath = GetScrollTextBox(gui, AddScrollTextBox(gui, 10, 10, FieldLength));
    ScrollTextBox* outputName = GetScrollTextBox(
        gui, AddScrollTextBox(gui, 10, 30, FieldLength, std::string(DefaultOutputName)));
    AttachFields(state, *inputPath, *outputName);
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
    while (!IsKeyDown(scan_code::Escape) && !CloseRequested()) {
        TakeDroppedFile(state, TakeDroppedFiles());
        Update(gui);
        FollowInputPath(state);
        LockScreen();
        ClearScreen();
        Draw(gui);
        UnlockScreen(-1, -1);
        Regulate(regulator);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = AnswerArguments(argc, argv)) return *status;
    // Killed from its console while converting, it leaves no temporary file behind.
    RemoveTemporaryFilesOnSignals();
    picture::ReturnLargeBlocksWhenFreed();
    // Without a window nothing could ever be shown or end the program: say why in one line.
    UseWindowBackend();
    if (const std::string problem = ScaleSettingProblem(); !problem.empty())
        ReportError("converter", problem);
    if (OpenScreen(640, 50, 32) != ScreenResult::Ok) {
        ReportError("converter", ScreenOpenFailure());
        return 1;
    }
    SetColors(TextColour, PanelColour);
    ClearScreen();
    FrameRegulator regulator(60);
    // The dialogs belong to the converter's window and stay above it.
    ConverterState state;
    state.Desktop = DesktopDialogs(NativeWindowId());
    {
        GUI gui;
        AddWidgets(gui, state);
        RunFrames(gui, regulator, state);
    }
    return 0;
}
