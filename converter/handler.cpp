#include "converter/handler.h"

#include <cstdlib>

#include "base/printable.h"
#include "converter/conversion.h"
#include "converter/file_dialog.h"
#include "converter/paths.h"
#include "converter/start.h"

namespace {

using namespace std::string_literals;

// Every kind of picture the conversion reads, first and chosen, so that no picture is hidden;
// then the system's bitmap filter, kept letter for letter. The desktop matches the patterns in
// any case.
const std::string PictureFilter =
    "Alle Bilder (*.bmp, *.png, *.jpg, *.jpeg, *.gif, *.webp, *.tif, *.tiff, *.heic, *.heif, "
    "*.avif)\0*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.tif;*.tiff;*.heic;*.heif;*.avif\0"
    "BMP Dateien (*.BMP)\0*.BMP\0\0"s;
constexpr int32_t FirstFilter = 1;  // filter indices count from 1

// The output name the converter puts there itself, which follows the path until the user
// writes one of their own.
void PlaceOutputName(ConverterState& state, std::string name) {
    state.OutputName->Text = name;
    state.PlacedOutputName = std::move(name);
}

// The bitmap's path, and the output name derived from it; the output is the converter's again.
void FillFields(ConverterState& state, const std::string& path) {
    state.InputPath->Text = path;
    state.FollowedPath = path;
    PlaceOutputName(state, DeriveOutputName(path));
}

// A cancelled dialog leaves both fields as they were.
void ChooseFile(ConverterState& state) {
    const FileChoice choice =
        FileDialog(state.Desktop, FileDialogOpen, PictureFilter, FirstFilter, ".", "");
    if (choice.status == ChoiceStatus::Unavailable)
        ReportError("converter", "no desktop to show the file dialog on");
    if (choice.status == ChoiceStatus::Chosen) FillFields(state, choice.path);
}

// A box no desktop could show still reaches a console user, on one line.
void TellOnConsole(const UnshownBox& box) {
    std::string line = box.detail.empty() ? box.text : box.text + " (" + box.detail + ")";
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    ReportError("converter", "no desktop for the message box \"" + box.caption + "\": " + line);
}

// The desktop's busy pointer while the conversion works: put away while a box is up, back after
// a question, whose answer lets the work go on.
Dialogs WithBusyPointer(const Dialogs& dialogs) {
    Dialogs busy = dialogs;
    busy.messageBox = [&dialogs](std::string_view text, std::string_view caption, uint32_t flags,
                                 std::string_view detail) {
        SetBusyPointer(false);
        const int32_t answer = dialogs.messageBox ? dialogs.messageBox(text, caption, flags, detail)
                                                  : AnswerUnavailable;
        SetBusyPointer((flags & ButtonsMask) == BoxYesNo);
        return answer;
    };
    return busy;
}

void Start(ConverterState& state) {
    SetBusyPointer(true);
    const ConversionOutcome outcome =
        ConvertPicture(ExpandHome(state.InputPath->Text), ExpandHome(state.OutputName->Text),
                       WithBusyPointer(state.Desktop));
    SetBusyPointer(false);
    for (const UnshownBox& box : outcome.unshownBoxes) TellOnConsole(box);
}

}  // namespace

void AttachFields(ConverterState& state, ScrollTextBox& inputPath, ScrollTextBox& outputName) {
    state.InputPath = &inputPath;
    state.OutputName = &outputName;
    inputPath.PastedText = PathOfPastedLine;
}

void HandleButton(ConverterState& state, const std::string& buttID) {
    if (buttID == ChooseFileId) {
        ChooseFile(state);
    } else if (buttID == StartId) {
        Start(state);
    } else if (buttID == ExitId) {
        // At once, from inside the frame: nothing is left half done between frames, and ending
        // without the static destructors waits neither for the window thread's current work
        // (a clipboard owner that does not answer) nor for the libraries to wind down.
        std::fflush(nullptr);
        std::_Exit(0);
    }
}

void TakeDroppedFile(ConverterState& state, const std::vector<std::string>& files) {
    if (!files.empty()) FillFields(state, files.front());
}

void FollowInputPath(ConverterState& state) {
    if (state.InputPath->Text == state.FollowedPath) return;
    state.FollowedPath = state.InputPath->Text;
    if (state.OutputName->Text != state.PlacedOutputName) return;  // the user's own name
    PlaceOutputName(state, state.FollowedPath.empty() ? std::string(DefaultOutputName)
                                                      : DeriveOutputName(state.FollowedPath));
}
