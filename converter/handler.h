// The converter's reaction to its buttons: "CF" picks a bitmap with the file-open dialog and fills
// both fields from it, "Start" converts, "Exit" ends the program; and to files dropped onto it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "desktop/dialogs.h"
#include "gui/text_field.h"

// The buttons' IDs: the window gives them, the handler tells the buttons apart by them.
inline constexpr std::string_view ChooseFileId = "CF";
inline constexpr std::string_view StartId = "Start";
inline constexpr std::string_view ExitId = "Exit";

// The output field's first text, kept letter for letter.
inline constexpr std::string_view DefaultOutputName = "Unnamed.bi";

// What the handler works on, kept for the whole run: the two fields (owned by the GUI), the
// desktop's dialogs, and what the converter itself last put into the fields.
struct ConverterState {
    ScrollTextBox* InputPath = nullptr;
    ScrollTextBox* OutputName = nullptr;
    Dialogs Desktop;
    std::string FollowedPath;  // the path the output name was last derived from
    std::string PlacedOutputName = std::string(DefaultOutputName);
};

// Puts the two fields into `state`. A pasted file URI (a file manager copies files as URIs)
// becomes the input field's path, as a dropped one does.
void AttachFields(ConverterState& state, ScrollTextBox& inputPath, ScrollTextBox& outputName);

// The event of all three buttons, called with the pressed button's ID; other IDs do nothing.
// Without a desktop, what a dialog or box would have shown is said on standard error. A leading
// "~/" in either field is the home folder.
void HandleButton(ConverterState& state, const std::string& buttID);

// Files dropped onto the window: the first fills both fields as a chosen file does; nothing for
// none.
void TakeDroppedFile(ConverterState& state, const std::vector<std::string>& files);

// Once a frame: while the output field holds what the converter put there, the output name
// follows the path as it is typed or pasted ("Unnamed.bi" for no path). Once the user edits the
// output field, it is theirs until a path is chosen or dropped again.
void FollowInputPath(ConverterState& state);
