// The viewer. Without an argument it shows the picture built into the program at the top left of
// a 640 x 480 window until a key is pressed. Given files (include files or pictures), it opens a
// window fitted to the first one that can be shown and browses them (browse.h).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/printable.h"
#include "desktop/dialogs.h"
#include "picture/picture.h"
#include "pixeldata/value_stream.h"
#include "screen/screen.h"
#include "screen/window/window_backend.h"
#include "viewer/browse.h"
#include "viewer/build_image.h"
#include "viewer/folder.h"
#include "viewer/picture_file.h"

// The value stream's bytes, placed into the program by the generated assembler file.
extern "C" const char viewer_stream_begin[];
extern "C" const char viewer_stream_end[];

namespace {

// The help text, naming the program as it was called.
std::string Usage(const std::string& program) {
    return "Usage: " + program +
           " [FILE|FOLDER...]\n"
           "Shows pixel-data include files, as the converter writes them, and picture files (BMP,\n"
           "PNG, JPEG, GIF, WebP, TIFF, HEIC and AVIF), each fitted whole into the window. A "
           "folder\n"
           "stands for the include files and pictures in it, by name; other files in it are "
           "passed\n"
           "over. Without a file, shows the picture built into the program at the top-left of a\n"
           "640 x 480 window until a key is pressed.\n"
           "\n"
           "  --help       show this help and exit\n"
           "  --version    show the version and exit\n"
           "\n"
           "Keys: + or the wheel up zooms in, - or the wheel down out (by halves; enlargements "
           "show\n"
           "sharp pixels); 1 shows the picture at 1:1, f or 0 fits it to the window again; the "
           "arrow\n"
           "keys or dragging with the left button move it; a shows transparent pixels over a\n"
           "checkerboard and back. Space or Page Down shows the next file, Backspace or Page Up "
           "the\n"
           "one before, Home the first, End the last. The window can be resized and maximised;\n"
           "Alt+Enter switches to full screen and back. Escape, q or the close box ends the "
           "viewer.\n"
           "\n"
           "On a high-density screen (GDK_SCALE, or Xft.dpi of 192 and more gives 2) pictures are\n"
           "shown at the screen's own pixels and the texts at the desktop's scale;\n"
           "PIXELTOOLS_SCALE=N (1 to 8) chooses the scale.\n"
           "\n"
           "Exit status: 0 when a picture was shown, 1 when no file could be shown (one line on\n"
           "standard error for each says why, and a message box too when standard error is not a\n"
           "terminal) or no window could be opened, 2 for a usage error.\n";
}

struct Arguments {
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    std::string usageError;
};

Arguments ParseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && command_line::IsHelp(arg)) {
            parsed.help = true;
        } else if (!optionsEnded && command_line::IsVersion(arg)) {
            parsed.version = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            parsed.usageError = "unknown option " + arg;
        } else {
            parsed.files.push_back(arg);
        }
    }
    return parsed;
}

// The window the pictures are shown in; false, after saying so, when there is none.
bool OpenWindow(Extent size, int32_t flags = 0) {
    UseWindowBackend();
    if (OpenScreen(static_cast<int32_t>(size.width), static_cast<int32_t>(size.height), 32, 0,
                   flags) != ScreenResult::Ok) {
        // Without a window no key could ever end the wait below.
        ReportError("viewer", ScreenOpenFailure());
        ReportError("viewer", "cannot open the " + std::to_string(size.width) + " x " +
                                  std::to_string(size.height) + " window");
        return false;
    }
    return true;
}

void ShowAndWait(ImageBuffer* picture) {
    if (picture) {
        PutImage(nullptr, 0, 0, picture, ArgDefault, ArgDefault, ArgDefault, ArgDefault, 0,
                 PutMode::Blend, 255);
    }
    SleepMs(-1);
}

int ShowBuiltInPicture() {
    ValueStream stream{viewer_stream_begin, viewer_stream_end, viewer_stream_begin};
    Rewind(stream);
    if (!OpenWindow({640, 480})) return 1;
    const ImageHandle picture(BuildImage(stream));
    ShowAndWait(picture.get());
    return 0;
}

// Where the pictures' window may go: the work area less the window manager's frame, in the
// screen's own pixels, as the resizable window shows pictures; the smallest window without a
// display (opening it will fail and say why). Texts are drawn at the desktop's scale.
struct Room {
    Extent area;
    Extent smallest;
    int32_t scale = 1;
};

Room RoomForWindow() {
    const Desktop desktop = ReadDesktop();
    if (desktop.RoomWidth() <= 0 || desktop.RoomHeight() <= 0) return {MinWindow, MinWindow, 1};
    const Extent area{desktop.RoomWidth(), desktop.RoomHeight()};
    const Extent smallest{std::min(MinWindow.width * desktop.scale, area.width),
                          std::min(MinWindow.height * desktop.scale, area.height)};
    return {area, smallest, desktop.scale};
}

// Started from a file manager, standard error goes nowhere anyone looks: the reasons go into a
// message box as well.
void ShowRefusals(const std::vector<std::string>& reasons) {
    if (reasons.empty() || ::isatty(STDERR_FILENO)) return;
    std::string detail;
    for (const std::string& reason : reasons) detail += (detail.empty() ? "" : "\n") + reason;
    const char* text = reasons.size() == 1 ? "The file cannot be shown." : "No file can be shown.";
    DesktopDialogs().messageBox(text, "viewer", BoxOk | IconError, detail);
}

// The first file that can be shown sizes the window; the ones before it are kept in the list,
// which shows why they failed when stepped back to.
int ShowFiles(const std::vector<std::string>& names) {
    const std::vector<std::string> paths = FilesToShow(names);
    const Room room = RoomForWindow();
    const auto windowFor = [room](Extent picture) {
        return WindowFor(picture, room.area, room.smallest);
    };
    std::vector<std::string> refusals;
    for (size_t index = 0; index < paths.size(); ++index) {
        PictureFile file = ReadPictureFile(paths[index], FirstFrameRead(windowFor));
        const Extent window = file.status == PictureFileStatus::Ok
                                  ? windowFor({file.fullWidth, file.fullHeight})
                                  : room.smallest;
        LoadedFile loaded = Prepared(paths[index], std::move(file), window);
        if (!loaded.problem.empty()) {
            refusals.push_back(paths[index] + ": " + loaded.problem);
            continue;
        }
        if (!OpenWindow(window, ResizableWindow)) return 1;
        Browse(paths, index, std::move(loaded), window, room.scale);
        return 0;
    }
    ShowRefusals(refusals);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!args.usageError.empty()) return command_line::UsageError("viewer", args.usageError);
    if (args.help) return command_line::ShowHelp(Usage(program_invocation_short_name));
    if (args.version) return command_line::ShowVersion("viewer");
    picture::ReturnLargeBlocksWhenFreed();
    if (const std::string problem = ScaleSettingProblem(); !problem.empty())
        ReportError("viewer", problem);
    return args.files.empty() ? ShowBuiltInPicture() : ShowFiles(args.files);
}
