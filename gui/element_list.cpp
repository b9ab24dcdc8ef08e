#include "gui/element_list.h"

ElementList::ElementList(int32_t x, int32_t y, std::string_view text, int32_t length,
                         WidgetEvent event)
    : X(x), Y(y), Length(length), Event(std::move(event)) {
    RequireFits(text, Length, TooLong::ElementListCaption);
    Text = text;
}

int8_t NewElement(ElementList& list, std::string_view text, std::string_view id) {
    if (list.Count >= MaxListElements) return -1;
    RequireFits(text, list.Length, TooLong::ElementListElement);
    list.Elements[list.Count] = ListElement{std::string(id), std::string(text)};
    return list.Count++;
}

void Update(ElementList& list) {
    UpdateFoldOut(BoxOf(list), list.Count, list.Open, [&list](int8_t row) {
        if (list.Event) list.Event(list.Elements[row].ID);
    });
}

void Draw(const ElementList& list) {
    DrawFoldOut(BoxOf(list), list.Text, list.Elements, list.Count, list.Open);
}

void Erase(const ElementList& list) {
    EraseFoldOut(BoxOf(list), list.Count, list.Open);
}
