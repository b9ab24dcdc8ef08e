// The converter's reaction to its buttons: "CF" picks a bitmap with the file-open dialog and fills
// both fields from it, "Start" converts, "Exit" ends the program; and to files dropped onto it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "converter/dialogs.h"
#include "gui/text_field.h"

// The buttons' IDs: the window gives them, the handler tells the buttons apart by them.
inline constexpr std::string_view ChooseFileId = "CF";
inline constexpr std::string_view StartId = "Start";
inline constexpr std::string_view ExitId = "Exit";

// What the handler works on, kept for the whole run: the two fields (owned by the GUI) and the
// desktop's dialogs.
struct ConverterState {
    ScrollTextBox* InputPath = nullptr;
    ScrollTextBox* OutputName = nullptr;
    Dialogs Desktop;
};

// The event of all three buttons, called with the pressed button's ID; other IDs do nothing.
// Without a desktop, what a dialog or box would have shown is said on standard error.
void HandleButton(ConverterState& state, const std::string& buttID);

// Files dropped onto the window: the first fills both fields as a chosen file does; nothing for
// none.
void TakeDroppedFile(ConverterState& state, const std::vector<std::string>& files);
