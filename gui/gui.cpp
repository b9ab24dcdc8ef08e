#include "gui/gui.h"

#include <new>
#include <tuple>
#include <type_traits>

namespace {

// Kept letter for letter.
constexpr std::string_view NoListStorage = "[ERROR] Zero pointer exception in Constructor GUI()";

// Every kind's list in field order, the order in which Draw, Update and Erase walk the kinds.
auto KindLists(GUI& gui) {
    return std::tie(gui.Labels, gui.CheckBoxes, gui.TextBoxes, gui.ScrollTextBoxes,
                    gui.PasswordBoxes, gui.Buttons, gui.RadioButtons, gui.ElementLists,
                    gui.DropDowns, gui.TextAreas);
}

// The kinds whose hover shows the text pointer.
auto TextEntryLists(GUI& gui) {
    return std::tie(gui.TextBoxes, gui.ScrollTextBoxes, gui.PasswordBoxes, gui.TextAreas);
}

// Calls `visit` on every widget of `lists`, kind after kind, each list first to last.
template <typename Lists, typename Visit>
void ForEachWidget(const Lists& lists, Visit visit) {
    std::apply([&visit](auto&... list) { (ForEach(list, visit), ...); }, lists);
}

// For the visitors above: whether the visited widget, of type `Widget`, is of kind `Kind`.
template <typename Kind, typename Widget>
constexpr bool IsKind = std::is_same_v<std::remove_cvref_t<Widget>, Kind>;

}  // namespace

GUI::GUI() {
    // Every list starts with room for one widget, so running out of memory shows at once, with a
    // message, instead of at the first add.
    try {
        std::apply([](auto&... list) { (list.Items.reserve(1), ...); }, KindLists(*this));
    } catch (const std::bad_alloc&) {
        EndWithFatalError(NoListStorage, FatalWait::ForHalfASecond);
    }
}

GUI::~GUI() {
    StopBackground(*this);
}

int32_t AddLabel(GUI& gui, int32_t x, int32_t y, const std::string& text) {
    return AddWidget(gui.Labels, x, y, text);
}

int32_t AddCheckBox(GUI& gui, int32_t x, int32_t y, const std::string& text, WidgetEvent event) {
    return AddWidget(gui.CheckBoxes, x, y, text, std::move(event));
}

int32_t AddTextBox(GUI& gui, int32_t x, int32_t y, int32_t length, const std::string& text) {
    return AddWidget(gui.TextBoxes, TextFieldKind::TextBox, x, y, length, text);
}

int32_t AddScrollTextBox(GUI& gui, int32_t x, int32_t y, int32_t length, const std::string& text) {
    return AddWidget(gui.ScrollTextBoxes, TextFieldKind::ScrollTextBox, x, y, length, text);
}

int32_t AddPasswordBox(GUI& gui, int32_t x, int32_t y, int32_t length) {
    return AddWidget(gui.PasswordBoxes, TextFieldKind::PasswordBox, x, y, length);
}

int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& hoverFileName, const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons, buttID, std::move(event), x, y, fileName, hoverFileName);
}

int32_t AddButton(GUI& gui, int32_t x, int32_t y, const std::string& fileName,
                  const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons, buttID, std::move(event), x, y, fileName);
}

int32_t AddButton(GUI& gui, const std::string& caption, int32_t x, int32_t y,
                  const std::string& buttID, WidgetEvent event) {
    return AddWidget(gui.Buttons, buttID, std::move(event), caption, x, y);
}

int32_t AddRadioButton(GUI& gui, const std::string& id, WidgetEvent event) {
    return AddWidget(gui.RadioButtons, id, std::move(event));
}

int32_t AddElementList(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length,
                       WidgetEvent event) {
    return AddWidget(gui.ElementLists, x, y, text, length, std::move(event));
}

int32_t AddDropDown(GUI& gui, int32_t x, int32_t y, const std::string& text, int32_t length) {
    return AddWidget(gui.DropDowns, x, y, text, length);
}

int32_t AddTextArea(GUI& gui, int32_t x, int32_t y, int32_t columns, int32_t rows) {
    return AddWidget(gui.TextAreas, x, y, columns, rows);
}

void Draw(GUI& gui) {
    ForEachWidget(KindLists(gui), [](auto& widget) { Draw(widget); });
    Draw(gui.Pointer);
}

void Update(GUI& gui) {
    // Every widget sees the user as one reading: a tap reaches all of them.
    const InputFrame frame;
    ForEachWidget(KindLists(gui), [](auto& widget) {
        // Labels take no input.
        if constexpr (!IsKind<Label, decltype(widget)>) {
            Update(widget);
        }
    });
    UpdatePointerShape(gui);
    Update(gui.Pointer);
}

void Erase(GUI& gui) {
    ForEachWidget(KindLists(gui), [](auto& widget) {
        if constexpr (IsKind<Button, decltype(widget)>) {
            Erase(widget, 0);
        } else {
            Erase(widget);
        }
    });
    Erase(gui.Pointer);
}

void UpdatePointerShape(GUI& gui) {
    // Every entry is looked at, hovered or not.
    bool hovered = false;
    ForEachWidget(TextEntryLists(gui),
                  [&hovered](const auto& entry) { hovered = hovered || entry.Hovered == 1; });
    if (hovered) {
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
