// The GUI: owns every widget of a window, one list per kind, plus the pointer sprite. Once per
// frame the host calls Update (poll input, let widgets fire their events) and Draw (paint every
// widget, then the pointer). It can also drive itself on a background thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "gui/button.h"
#include "gui/check_box.h"
#include "gui/cursor.h"
#include "gui/drop_down.h"
#include "gui/element_list.h"
#include "gui/frame_regulator.h"
#include "gui/label.h"
#include "gui/radio_button.h"
#include "gui/text_area.h"
#include "gui/text_field.h"
#include "gui/toolkit.h"
#include "gui/widget_list.h"

struct GUI {
    // Needs an open screen for the pointer sprite; a failure here ends the program.
    GUI();
    // Stops the background loop, if one runs, before anything it uses goes away.
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    WidgetList<Label> Labels;
    WidgetList<CheckBox> CheckBoxes;
    WidgetList<TextBox> TextBoxes;
    WidgetList<ScrollTextBox> ScrollTextBoxes;
    WidgetList<PasswordBox> PasswordBoxes;
    WidgetList<Button> Buttons;
    WidgetList<RadioButton> RadioButtons;
    WidgetList<ElementList> ElementLists;
    WidgetList<DropDown> DropDowns;
    WidgetList<TextArea> TextAreas;
    // Nonzero ends the background loop after the pass under way.
    std::atomic<uint8_t> StopFlag = 0;
    FrameRegulator Regulator{60};
    Cursor Pointer;
    std::jthread Background;
};

// Each add returns the new widget's number within its kind, from 1.
int32_t AddLabel(GUI& gui, int32_t x, int32_t y, const std::string& text);
int32_t AddCheckBox(GUI& gui, int32_t x, int32_t y, const std::string& text, WidgetEvent event);
int32_t AddTextBox(GUI& gui, int32_t x, int32_t y, int32_t length, const std::string& text = {});
int32_t AddScrollTextBox(GUI& gui, int32_t x, int32_t y, int32_t length,
                         const std::string& text = {});
int32_t AddPasswordBox(GUI& gui, int32_t x, int32_t y, int32_t length);
int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& hoverFileName, const std::string& buttID, WidgetEvent event);
int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& buttID, WidgetEvent event);
int32_t AddButton(GUI& gui, const std::string& caption, int32_t x, int32_t y,
                  const std::string& buttID, WidgetEvent event);
int32_t AddRadioButton(GUI& gui, const std::string& id, WidgetEvent event);
int32_t AddElementList(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length,
                       WidgetEvent event);
int32_t AddDropDown(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length);
int32_t AddTextArea(GUI& gui, int32_t x, int32_t y, int32_t columns, int32_t rows);

// Each get returns the widget with that number, or nullptr outside 1..count. The widget stays
// owned by the GUI; the caller may read and change it.
template <auto List>
auto* GetFrom(const GUI& gui, int32_t number) {
    return GetWidget(gui.*List, number);
}
inline constexpr auto GetLabel = GetFrom<&GUI::Labels>;
inline constexpr auto GetCheckBox = GetFrom<&GUI::CheckBoxes>;
inline constexpr auto GetTextBox = GetFrom<&GUI::TextBoxes>;
inline constexpr auto GetScrollTextBox = GetFrom<&GUI::ScrollTextBoxes>;
inline constexpr auto GetPasswordBox = GetFrom<&GUI::PasswordBoxes>;
inline constexpr auto GetButton = GetFrom<&GUI::Buttons>;
inline constexpr auto GetRadioButton = GetFrom<&GUI::RadioButtons>;
inline constexpr auto GetElementList = GetFrom<&GUI::ElementLists>;
inline constexpr auto GetDropDown = GetFrom<&GUI::DropDowns>;
inline constexpr auto GetTextArea = GetFrom<&GUI::TextAreas>;

// Every widget in kind order, each list first to last; then the pointer sprite on top.
void Draw(GUI& gui);
// Every kind but labels, in kind order; then the pointer shape and the pointer sprite. All of
// them see the pointer and the held keys as one reading (InputFrame).
void Update(GUI& gui);
// Blackens every widget and the pointer sprite, for the background loop, which does not clear.
void Erase(GUI& gui);
// Pointer sprite while any text entry or text area is hovered, otherwise the system pointer.
void UpdatePointerShape(GUI& gui);

// Runs RunBackground on a thread of its own at 20 frames per second. While it runs, the host must
// not add widgets or call Update, Draw or Erase.
void StartBackground(GUI& gui);
// Ends the loop after the pass under way and waits for that.
void StopBackground(GUI& gui);
// Update, Erase, Draw, Regulate until the StopFlag is set; never locks or clears the screen.
void RunBackground(GUI& gui);
