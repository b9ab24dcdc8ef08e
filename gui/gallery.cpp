// The gallery: one window with one widget of each kind, to look at and try the toolkit by hand.
// Every event prints what fired to standard error, and so does every new choice in the drop-down
// and every change of the text area, which have no events. Escape or closing the window ends it.
#include <array>
#include <string>
#include <utility>

#include "base/printable.h"
#include "gui/gui.h"
#include "screen/screen.h"
#include "screen/window/window_backend.h"

namespace {

void Report(const std::string& what, const std::string& id) {
    SayLine(stderr, what + ' ' + id);
}

void AddTextEntries(GUI& gui) {
    AddTextBox(gui, 10, 10, 30, "TextBox");
    AddScrollTextBox(gui, 10, 30, 30);
    AddPasswordBox(gui, 10, 50, 30);
}

// "Show" tells what the fields hold, so a user (or a script) can read them off the console.
void AddButtons(GUI& gui) {
    AddButton(gui, "Start", 280, 10, "Start", [](const std::string& id) { Report("Button", id); });
    AddButton(gui, "Show", 280, 30, "Show", [&gui](const std::string& id) {
        Report("Button", id);
        SayLine(stderr, "TextBox: " + GetTextBox(gui, 1)->Text);
        SayLine(stderr, "ScrollTextBox: " + GetScrollTextBox(gui, 1)->Text);
        SayLine(stderr, "PasswordBox: " + GetPasswordBox(gui, 1)->Text);
    });
    const std::string faces = GALLERY_FACES;
    AddButton(gui, 280, 50, faces + "play.bmp", faces + "play_hover.bmp", "Play",
              [](const std::string& id) { Report("Button", id); });
}

constexpr std::array<const char*, 3> SizeNames = {"Small", "Medium", "Large"};

// Two check boxes and a radio group, each with a label naming it.
void AddChoices(GUI& gui) {
    for (const auto& [y, text] : {std::pair{80, "Wrap lines"}, {100, "Bold"}}) {
        const int32_t number = Count(gui.CheckBoxes) + 1;
        AddCheckBox(gui, 10, y, text, [&gui, number](const std::string& id) {
            Report("CheckBox",
                   id + (GetCheckBox(gui, number)->Checked ? ": checked" : ": unchecked"));
        });
        AddLabel(gui, 30, y + 1, text);
    }
    const int32_t group = Count(gui.RadioButtons) + 1;
    AddRadioButton(gui, "Size", [&gui, group](const std::string& id) {
        Report("RadioButton", id + ": " + SizeNames[GetRadioButton(gui, group)->Selected]);
    });
    for (int32_t i = 0; i < static_cast<int32_t>(SizeNames.size()); ++i) {
        AddOption(*GetRadioButton(gui, group), 130, 82 + 18 * i);
        AddLabel(gui, 145, 81 + 18 * i, SizeNames[i]);
    }
}

void AddFoldOuts(GUI& gui) {
    const int32_t list = AddElementList(gui, 360, 10, "Colours", 8, [](const std::string& id) {
        Report("ElementList", "Colours: " + id);
    });
    for (const auto& [text, id] : {std::pair{"Red", "red"}, {"Green", "green"}, {"Blue", "blue"}}) {
        NewElement(*GetElementList(gui, list), text, id);
    }
    const int32_t dropDown = AddDropDown(gui, 460, 10, "Pick a size", 11);
    for (const char* size : SizeNames) NewElement(*GetDropDown(gui, dropDown), size);
}

// The drop-down's choice and the text area's text, as they were at the last report.
struct Reported {
    std::string Choice;
    std::string Typed;
};

void ReportChanges(const GUI& gui, Reported& reported) {
    const DropDown& dropDown = *GetDropDown(gui, 1);
    if (dropDown.Text != reported.Choice) {
        reported.Choice = dropDown.Text;
        Report("DropDown:", reported.Choice);
    }
    const TextArea& area = *GetTextArea(gui, 1);
    if (area.Text != reported.Typed) {
        reported.Typed = area.Text;
        Report("TextArea:", reported.Typed);  // its line breaks (CHR(13)) shown as "\r"
    }
}

}  // namespace

int main() {
    UseWindowBackend();
    if (OpenScreen(640, 160, 32) != ScreenResult::Ok) {
        ReportError("gallery", ScreenOpenFailure());
        ReportError("gallery", "cannot open a window (is there a display?)");
        return 1;
    }
    SetColors(0x00FFFFFF, Palette::Panel);
    GUI gui;
    AddTextEntries(gui);
    AddButtons(gui);
    AddChoices(gui);
    AddFoldOuts(gui);
    AddTextArea(gui, 360, 80, 30, 6);
    Reported reported{GetDropDown(gui, 1)->Text, {}};
    FrameRegulator regulator(60);
    while (!IsKeyDown(scan_code::Escape) && !CloseRequested()) {
        Update(gui);
        ReportChanges(gui, reported);
        LockScreen();
        ClearScreen();
        Draw(gui);
        UnlockScreen(-1, -1);
        Regulate(regulator);
    }
    return 0;
}
