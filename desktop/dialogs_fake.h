// A desktop for tests: message boxes and file choosers answered from a script, and a record of
// everything that was asked.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "desktop/dialogs.h"

struct AskedBox {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    std::string detail;
    std::string third;  // the third answer of a three-way question
};

struct DialogScript {
    bool unavailable = false;  // as without a display: every call reports Unavailable
    // For Yes/No boxes and three-way questions, in order; OK boxes answer OK by themselves.
    std::deque<int32_t> answers;
    std::deque<FileChoice> choices;  // for file choosers, in order
    // Runs while each box is up, so a test can act at exactly that moment.
    std::function<void(const AskedBox&)> whileShown;

    std::vector<AskedBox> boxes;
    std::vector<FileChooserRequest> requests;
    int32_t unscripted = 0;  // questions or choosers met with no answer left (answered No/Cancel)
};

// Dialogs that read and write `script`, which must outlive them.
Dialogs ScriptedDialogs(DialogScript& script);
