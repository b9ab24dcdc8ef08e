#include "gui/gui.h"

#include <new>

namespace {

template <typename Widget>
void DrawAll(const WidgetList<Widget>& list) {
    ForEach(list, [](Widget& widget) { Draw(widget); });
}

template <typename Widget>
void UpdateAll(const WidgetList<Widget>& list) {
    ForEach(list, [](Widget& widget) { Update(widget); });
}

template <typename Widget>
void EraseAll(const WidgetList<Widget>& list) {
    ForEach(list, [](Widget& widget) { Erase(widget); });
}

template <typename Widget>
bool AnyHovered(const WidgetList<Widget>& list) {
    bool hovered = false;
    ForEach(list, [&hovered](const Widget& widget) { hovered = hovered || widget.Hovered == 1; });
    return hovered;
}

// Every list starts with room for one widget, so running out of memory shows at once, with a
// message, instead of at the first add.
void ReserveFirstSlots(GUI& gui) {
    gui.Labels.Items.reserve(1);
    gui.CheckBoxes.Items.reserve(1);
    gui.TextBoxes.Items.reserve(1);
    gui.ScrollTextBoxes.Items.reserve(1);
    gui.PasswordBoxes.Items.reserve(1);
    gui.Buttons.Items.reserve(1);
    gui.RadioButtons.Items.reserve(1);
    gui.ElementLists.Items.reserve(1);
    gui.DropDowns.Items.reserve(1);
    gui.TextAreas.Items.reserve(1);
}

int32_t AddTextField(WidgetList<TextField>& list, TextFieldKind kind, int32_t x, int32_t y,
                     int32_t length, const std::string& text) {
    return AddWidget(list, std::make_unique<TextField>(kind, x, y, length, text));
}

}  // namespace

GUI::GUI() {
    try {
        ReserveFirstSlots(*this);
    } catch (const std::bad_alloc&) {
        EndWithFatalError("[ERROR] Zero pointer exception in Constructor GUI()",
                          FatalWait::ForHalfASecond);
    }
}

GUI::~GUI() {
    StopBackground(*this);
}

int32_t AddLabel(GUI& gui, int32_t x, int32_t y, const std::string& text) {
    return AddWidget(gui.Labels, std::make_unique<Label>(x, y, text));
}

int32_t AddCheckBox(GUI& gui, int32_t x, int32_t y, const std::string& text, WidgetEvent event) {
    return AddWidget(gui.CheckBoxes, std::make_unique<CheckBox>(x, y, text, std::move(event)));
}

int32_t AddTextBox(GUI& gui, int32_t x, int32_t y, int32_t length, const std::string& text) {
    return AddTextField(gui.TextBoxes, TextFieldKind::TextBox, x, y, length, text);
}

int32_t AddScrollTextBox(GUI& gui, int32_t x, int32_t y, int32_t length, const std::string& text) {
    return AddTextField(gui.ScrollTextBoxes, TextFieldKind::ScrollTextBox, x, y, length, text);
}

int32_t AddPasswordBox(GUI& gui, int32_t x, int32_t y, int32_t length) {
    return AddTextField(gui.PasswordBoxes, TextFieldKind::PasswordBox, x, y, length, {});
}

int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& hoverFileName, const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons, std::make_unique<Button>(buttID, std::move(event), x, y, fileName,
                                                           hoverFileName));
}

int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons,
                     std::make_unique<Button>(buttID, std::move(event), x, y, fileName));
}

int32_t AddButton(GUI& gui, const std::string& caption, int32_t x, int32_t y,
                  const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons,
                     std::make_unique<Button>(buttID, std::move(event), caption, x, y));
}

int32_t AddRadioButton(GUI& gui, const std::string& id, WidgetEvent event) {
    return AddWidget(gui.RadioButtons, std::make_unique<RadioButton>(id, std::move(event)));
}

int32_t AddElementList(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length,
                       WidgetEvent event) {
    return AddWidget(gui.ElementLists,
                     std::make_unique<ElementList>(x, y, text, length, std::move(event)));
}

int32_t AddDropDown(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length) {
    return AddWidget(gui.DropDowns, std::make_unique<DropDown>(x, y, text, length));
}

int32_t AddTextArea(GUI& gui, int32_t x, int32_t y, int32_t columns, int32_t rows) {
    return AddWidget(gui.TextAreas, std::make_unique<TextArea>(x, y, columns, rows));
}

Label* GetLabel(const GUI& gui, int32_t number) {
    return GetWidget(gui.Labels, number);
}
CheckBox* GetCheckBox(const GUI& gui, int32_t number) {
    return GetWidget(gui.CheckBoxes, number);
}
TextBox* GetTextBox(const GUI& gui, int32_t number) {
    return GetWidget(gui.TextBoxes, number);
}
ScrollTextBox* GetScrollTextBox(const GUI& gui, int32_t number) {
    return GetWidget(gui.ScrollTextBoxes, number);
}
PasswordBox* GetPasswordBox(const GUI& gui, int32_t number) {
    return GetWidget(gui.PasswordBoxes, number);
}
Button* GetButton(const GUI& gui, int32_t number) {
    return GetWidget(gui.Buttons, number);
}
RadioButton* GetRadioButton(const GUI& gui, int32_t number) {
    return GetWidget(gui.RadioButtons, number);
}
ElementList* GetElementList(const GUI& gui, int32_t number) {
    return GetWidget(gui.ElementLists, number);
}
DropDown* GetDropDown(const GUI& gui, int32_t number) {
    return GetWidget(gui.DropDowns, number);
}
TextArea* GetTextArea(const GUI& gui, int32_t number) {
    return GetWidget(gui.TextAreas, number);
}

void Draw(GUI& gui) {
    DrawAll(gui.Labels);
    DrawAll(gui.CheckBoxes);
    DrawAll(gui.TextBoxes);
    DrawAll(gui.ScrollTextBoxes);
    DrawAll(gui.PasswordBoxes);
    DrawAll(gui.Buttons);
    DrawAll(gui.RadioButtons);
    DrawAll(gui.ElementLists);
    DrawAll(gui.DropDowns);
    DrawAll(gui.TextAreas);
    Draw(gui.Pointer);
}

void Update(GUI& gui) {
    UpdateAll(gui.CheckBoxes);
    UpdateAll(gui.TextBoxes);
    UpdateAll(gui.ScrollTextBoxes);
    UpdateAll(gui.PasswordBoxes);
    UpdateAll(gui.Buttons);
    UpdateAll(gui.RadioButtons);
    UpdateAll(gui.ElementLists);
    UpdateAll(gui.DropDowns);
    UpdateAll(gui.TextAreas);
    UpdatePointerShape(gui);
    Update(gui.Pointer);
}

void Erase(GUI& gui) {
    EraseAll(gui.Labels);
    EraseAll(gui.CheckBoxes);
    EraseAll(gui.TextBoxes);
    EraseAll(gui.ScrollTextBoxes);
    EraseAll(gui.PasswordBoxes);
    ForEach(gui.Buttons, [](Button& button) { Erase(button, 0); });
    EraseAll(gui.RadioButtons);
    EraseAll(gui.ElementLists);
    EraseAll(gui.DropDowns);
    EraseAll(gui.TextAreas);
    Erase(gui.Pointer);
}

void UpdatePointerShape(GUI& gui) {
    if (AnyHovered(gui.TextBoxes) || AnyHovered(gui.ScrollTextBoxes) ||
        AnyHovered(gui.PasswordBoxes) || AnyHovered(gui.TextAreas)) {
        ShowPointerSprite(gui.Pointer);
    } else {
        ShowSystemPointer(gui.Pointer);
    }
}

void StartBackground(GUI& gui) {
    if (gui.Background.joinable()) {
        // A loop that has not been told to stop is running already; a second one would share
        // the widgets with it.
        if (gui.StopFlag.load() == 0) return;
        gui.Background.join();
    }
    SetFramesPerSecond(gui.Regulator, 20);
    gui.Background = std::jthread([&gui] { RunBackground(gui); });
}

void StopBackground(GUI& gui) {
    gui.StopFlag.store(1);
    // A handler on the loop's own thread may stop it; that thread cannot wait for itself.
    if (gui.Background.joinable() && gui.Background.get_id() != std::this_thread::get_id()) {
        gui.Background.join();
    }
}

void RunBackground(GUI& gui) {
    while (gui.StopFlag.load() == 0) {
        Update(gui);
        Erase(gui);
        Draw(gui);
        Regulate(gui.Regulator);
    }
}
