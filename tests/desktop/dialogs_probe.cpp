// Shows one desktop dialog and prints what came back, for the end-to-end test of the dialogs.
//
//   dialogs_probe box FLAGS TEXT CAPTION [DETAIL]  -> "answer N"
//   dialogs_probe ask TEXT CAPTION DETAIL THIRD     -> "answer N", of a three-way question
// An X11 window id in the environment variable DIALOGS_OWNER makes that window the owner.
//   dialogs_probe open FOLDER                -> "chosen PATH", "cancelled" or "unavailable"
//   dialogs_probe save FOLDER EXTENSION      -> the same
#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/dialogs.h"

using namespace std::string_literals;

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const char* owner = std::getenv("DIALOGS_OWNER");
    const Dialogs desktop = DesktopDialogs(owner ? std::strtoull(owner, nullptr, 0) : 0);
    if (mode == "box" && (argc == 5 || argc == 6)) {
        const auto flags = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0));
        const char* detail = argc == 6 ? argv[5] : "";
        std::printf("answer %d\n", desktop.messageBox(argv[3], argv[4], flags, detail));
        return 0;
    }
    if (mode == "ask" && argc == 6) {
        std::printf("answer %d\n",
                    desktop.askThreeWays(argv[2], argv[3], IconQuestion, argv[4], argv[5]));
        return 0;
    }
    if ((mode == "open" && argc == 3) || (mode == "save" && argc == 4)) {
        FileChooserRequest request;
        request.save = mode == "save";
        // The converter's texts, in the system's code page (0xD6 is the O with two dots).
        request.title = request.save ? "Datei Speichern"
                                     : "Datei \xD6"
                                       "ffnen";
        request.filter =
            request.save ? "Alle Dateien (*.*)\0*.*\0\0"s : "BMP Dateien (*.BMP)\0*.BMP\0\0"s;
        request.initialFolder = argv[2];
        if (request.save) request.defaultExtension = argv[3];
        const FileChoice choice = desktop.chooseFile(request);
        if (choice.status == ChoiceStatus::Chosen) std::printf("chosen %s\n", choice.path.c_str());
        if (choice.status == ChoiceStatus::Cancelled) std::printf("cancelled\n");
        if (choice.status == ChoiceStatus::Unavailable) std::printf("unavailable\n");
        return 0;
    }
    std::fprintf(stderr,
                 "usage: dialogs_probe box FLAGS TEXT CAPTION | open FOLDER | save FOLDER EXT\n");
    return 2;
}
