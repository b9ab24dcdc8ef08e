#include "converter/handler.h"

#include <cstdlib>

#include "converter/conversion.h"
#include "converter/file_dialog.h"

namespace {

using namespace std::string_literals;

// Bitmaps only; the desktop matches the pattern in any case.
const std::string BitmapFilter = "BMP Dateien (*.BMP)\0*.BMP\0\0"s;

// A cancelled dialog empties the input path, and the output name becomes "Res.bi".
void ChooseFile(ConverterState& state) {
    state.InputPath->Text = FileDialog(state.Desktop, FileDialogOpen, BitmapFilter, 1, ".", "");
    state.OutputName->Text = DeriveOutputName(state.InputPath->Text);
}

}  // namespace

void HandleButton(ConverterState& state, const std::string& buttID) {
    if (buttID == "CF") {
        ChooseFile(state);
    } else if (buttID == "Start") {
        ConvertPicture(state.InputPath->Text, state.OutputName->Text, state.Desktop);
    } else if (buttID == "Exit") {
        std::exit(0);
    }
}
