// The GUI's list of one widget kind: widgets in the order added, numbered from 1, never removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

template <typename Widget>
struct WidgetList {
    std::vector<std::unique_ptr<Widget>> Items;
};

// Makes a widget from the constructor's arguments, stores it and returns its number within the
// kind.
template <typename Widget, typename... Arguments>
int32_t AddWidget(WidgetList<Widget>& list, Arguments&&... arguments) {
    list.Items.push_back(std::make_unique<Widget>(std::forward<Arguments>(arguments)...));
    return static_cast<int32_t>(list.Items.size());
}

template <typename Widget>
int32_t Count(const WidgetList<Widget>& list) {
    return static_cast<int32_t>(list.Items.size());
}

// The widget with this number, or nullptr outside 1..count.
template <typename Widget>
Widget* GetWidget(const WidgetList<Widget>& list, int32_t number) {
    if (number < 1 || number > Count(list)) return nullptr;
    return list.Items[static_cast<size_t>(number - 1)].get();
}

// Calls `visit` on each widget, first to last. Walks by index so that an event handler that adds a
// widget of the same kind does not pull the storage from under the loop.
template <typename Widget, typename Visit>
void ForEach(const WidgetList<Widget>& list, Visit visit) {
    for (size_t i = 0; i < list.Items.size(); ++i) visit(*list.Items[i]);
}
