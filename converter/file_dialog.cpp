#include "converter/file_dialog.h"

namespace {

using namespace std::string_view_literals;

// The system's texts, kept letter for letter. Offered when the caller gives no filter:
constexpr std::string_view AllFilesFilter = "Alle Dateien (*.*)\0*.*\0\0"sv;
// The titles, in the system's code page: 0xD6 is the O with two dots.
constexpr std::string_view OpenTitle =
    "Datei \xD6"
    "ffnen";
constexpr std::string_view SaveTitle = "Datei Speichern";

}  // namespace

FileChoice FileDialog(const Dialogs& dialogs, int32_t mode, std::string_view filter,
                      int32_t filterIndex, std::string_view initialDirectory,
                      std::string_view defaultExtension) {
    FileChooserRequest request;
    request.save = mode != FileDialogOpen;
    request.title = request.save ? SaveTitle : OpenTitle;
    request.filter = filter.empty() ? AllFilesFilter : filter;
    request.filterIndex = filterIndex;
    request.initialFolder = initialDirectory.empty() ? "." : initialDirectory;
    if (request.save) request.defaultExtension = defaultExtension;

    // The desktop gives the path exactly as chosen; it is not trimmed, since on this platform
    // blanks at either end can belong to the file's name.
    FileChoice choice = dialogs.chooseFile ? dialogs.chooseFile(request)
                                           : FileChoice{ChoiceStatus::Unavailable, {}};
    if (choice.status != ChoiceStatus::Chosen) choice.path.clear();
    return choice;
}
