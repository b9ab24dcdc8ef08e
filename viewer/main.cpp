// The viewer: shows a picture, waits for a key and ends. Without an argument the picture is the one
// built into the program; with one, the include file or picture file it names.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "screen/command_line.h"
#include "screen/screen.h"
#include "screen/window_backend.h"
#include "viewer/build_image.h"
#include "viewer/picture_file.h"
#include "viewer/value_stream.h"

// The value stream's bytes, placed into the program by the generated assembler file.
extern "C" const char viewer_stream_begin[];
extern "C" const char viewer_stream_end[];

namespace {

constexpr const char* Usage =
    "Usage: viewer [FILE]\n"
    "Shows a picture at the top-left of a 640 x 480 window until a key is pressed.\n"
    "\n"
    "  FILE         a pixel-data include file, as the converter writes it, or a picture file;\n"
    "               without it, the picture built into the program\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit status: 0 when the picture was shown, 1 when the file cannot be shown (one line on\n"
    "standard error says why) or no window could be opened, 2 for a usage error.\n";

struct Arguments {
    std::optional<std::string> file;
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
        } else if (parsed.file) {
            parsed.usageError = "one file at a time";
        } else {
            parsed.file = arg;
        }
    }
    return parsed;
}

// The window the picture is shown in; false, after saying so, when there is none.
bool OpenWindow() {
    UseWindowBackend();
    if (OpenScreen(640, 480, 32) != ScreenResult::Ok) {
        // Without a window no key could ever end the wait below.
        std::fprintf(stderr, "viewer: %s\n", ScreenOpenFailure().c_str());
        std::fputs("viewer: cannot open the 640 x 480 window\n", stderr);
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
    if (!OpenWindow()) return 1;
    const ImageHandle picture(BuildImage(stream));
    ShowAndWait(picture.get());
    return 0;
}

// The screen's image of decoded pixels; none when memory is short.
ImageBuffer* ImageOf(const picture::Pixels& pixels) {
    ImageBuffer* image = CreateImage(static_cast<int32_t>(pixels.Width()),
                                     static_cast<int32_t>(pixels.Height()), 0, 32, 0);
    int32_t pitch = 0;
    uint8_t* rows = nullptr;
    if (!image ||
        GetImageInfo(image, nullptr, nullptr, nullptr, &pitch, &rows, nullptr) != ScreenResult::Ok)
        return image;
    for (int64_t y = 0; y < pixels.Height(); ++y)
        std::memcpy(rows + y * pitch, pixels.Row(y), static_cast<size_t>(pixels.Pitch()));
    return image;
}

// The file is read before the window opens, so that a file that cannot be shown opens none.
int ShowFile(const std::string& path) {
    PictureFile file = ReadPictureFile(path);
    if (file.status != PictureFileStatus::Ok) {
        std::fprintf(stderr, "viewer: %s: %s\n", path.c_str(), file.problem.c_str());
        return 1;
    }
    for (const std::string& warning : file.warnings)
        std::fprintf(stderr, "viewer: %s: warning: %s\n", path.c_str(), warning.c_str());
    if (!OpenWindow()) return 1;
    const ImageHandle image(ImageOf(file.pixels));
    file.pixels = {};
    if (!image) {
        std::fprintf(stderr, "viewer: %s: no memory for the picture\n", path.c_str());
        return 1;
    }
    ShowAndWait(image.get());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!args.usageError.empty()) return command_line::UsageError("viewer", args.usageError);
    if (args.help) return command_line::ShowHelp(Usage);
    if (args.version) return command_line::ShowVersion("viewer");
    return args.file ? ShowFile(*args.file) : ShowBuiltInPicture();
}
