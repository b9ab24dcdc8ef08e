// The converter's reaction to its buttons: "CF" picks a bitmap with the file-open dialog and fills
// both fields from it, "Start" converts, "Exit" ends the program.
#pragma once

#include <string>

#include "converter/dialogs.h"
#include "gui/text_field.h"

// What the handler works on, kept for the whole run: the two fields (owned by the GUI) and the
// desktop's dialogs.
struct ConverterState {
    ScrollTextBox* InputPath = nullptr;
    ScrollTextBox* OutputName = nullptr;
    Dialogs Desktop;
};

// The event of all three buttons, called with the pressed button's ID; other IDs do nothing.
void HandleButton(ConverterState& state, const std::string& buttID);
