#include "converter/handler.h"

#include <cstdio>
#include <cstdlib>

#include "converter/conversion.h"
#include "converter/file_dialog.h"
#include "converter/start.h"

namespace {

using namespace std::string_literals;

// The system's bitmap filter, kept letter for letter, first and chosen; then every kind of
// picture the conversion reads. The desktop matches the patterns in any case.
const std::string BitmapFilter =
    "BMP Dateien (*.BMP)\0*.BMP\0"
    "Alle Bilder (*.bmp, *.png, *.jpg, *.jpeg, *.gif, *.webp, *.tif, *.tiff, *.heic, *.heif, "
    "*.avif)\0*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.tif;*.tiff;*.heic;*.heif;*.avif\0\0"s;
constexpr int32_t FirstFilter = 1;  // filter indices count from 1

// The bitmap's path, and the output name derived from it.
void FillFields(ConverterState& state, const std::string& path) {
    state.InputPath->Text = path;
    state.OutputName->Text = DeriveOutputName(path);
}

// A cancelled dialog empties the input path, and the output name becomes "Res.bi".
void ChooseFile(ConverterState& state) {
    const FileChoice choice =
        FileDialog(state.Desktop, FileDialogOpen, BitmapFilter, FirstFilter, ".", "");
    if (choice.status == ChoiceStatus::Unavailable)
        std::fputs("converter: no desktop to show the file dialog on\n", stderr);
    FillFields(state, choice.path);
}

// A box no desktop could show still reaches a console user, on one line.
void TellOnConsole(const UnshownBox& box) {
    std::string line = box.text;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    std::fprintf(stderr, "converter: no desktop for the message box \"%s\": %s\n",
                 box.caption.c_str(), line.c_str());
}

void Start(ConverterState& state) {
    const ConversionOutcome outcome =
        ConvertPicture(state.InputPath->Text, state.OutputName->Text, state.Desktop);
    for (const UnshownBox& box : outcome.unshownBoxes) TellOnConsole(box);
}

}  // namespace

void HandleButton(ConverterState& state, const std::string& buttID) {
    if (buttID == ChooseFileId) {
        ChooseFile(state);
    } else if (buttID == StartId) {
        Start(state);
    } else if (buttID == ExitId) {
        std::exit(0);  // at once, from inside the frame, as the "Exit" button is defined to
    }
}

void TakeDroppedFile(ConverterState& state, const std::vector<std::string>& files) {
    if (!files.empty()) FillFields(state, files.front());
}
