#include "gui/element_list.h"

#include "screen/screen.h"

namespace {

constexpr int32_t BoxHeight = 12;
constexpr uint32_t FieldColour = 0x00FFFFFF;
constexpr uint32_t FrameColour = 0x00AAAAAA;
constexpr uint32_t ShadowColour = 0x00666666;
constexpr uint32_t TextColour = 0x00000000;

int32_t Right(FoldOutBox box) {
    return box.X + 8 * box.Length + 4;
}
int32_t RowTop(FoldOutBox box, int32_t row) {
    return box.Y + BoxHeight * (row + 1);
}

// Hit areas reach one pixel further right than the drawn box.
bool InBand(FoldOutBox box, int32_t top, int32_t mx, int32_t my) {
    return box.X < mx && mx < Right(box) + 2 && top < my && my < top + BoxHeight;
}

void FillBox(FoldOutBox box, int32_t top, uint32_t colour) {
    DrawLine(nullptr, box.X, top, Right(box), top + BoxHeight, colour, LineShape::FilledBox);
}

void DrawRow(FoldOutBox box, int32_t row, std::string_view text) {
    const int32_t top = RowTop(box, row);
    FillBox(box, top, FieldColour);
    DrawLine(nullptr, box.X, top, Right(box), top + BoxHeight, FrameColour, LineShape::BoxOutline);
    DrawText(nullptr, box.X + 2, top + 3, PointAbsolute, text, TextColour);
}

}  // namespace

bool InHeader(FoldOutBox box, int32_t mx, int32_t my) {
    return InBand(box, box.Y, mx, my);
}

bool InRow(FoldOutBox box, int32_t row, int32_t mx, int32_t my) {
    return InBand(box, RowTop(box, row), mx, my);
}

void DrawFoldOut(FoldOutBox box, std::string_view caption, const ListElements& elements,
                 int8_t count, bool open) {
    const int32_t right = Right(box);
    FillBox(box, box.Y, FieldColour);
    DrawLine(nullptr, box.X, box.Y, right, box.Y + BoxHeight, FrameColour, LineShape::BoxOutline);
    // Shadows at the bottom and right make the header look raised.
    DrawLine(nullptr, box.X + 1, box.Y + 11, right - 1, box.Y + 11, ShadowColour);
    DrawLine(nullptr, right - 1, box.Y + 1, right - 1, box.Y + 11, ShadowColour);
    DrawText(nullptr, box.X + 2, box.Y + 2, PointAbsolute, caption, TextColour);
    if (!open) return;
    for (int8_t row = 0; row < count; ++row) DrawRow(box, row, elements[row].Text);
}

void EraseFoldOut(FoldOutBox box, int8_t count, bool open) {
    FillBox(box, box.Y, 0x00000000);
    if (!open) return;
    for (int8_t row = 0; row < count; ++row) FillBox(box, RowTop(box, row), 0x00000000);
}

void UpdateFoldOut(FoldOutBox box, const int8_t& count, uint8_t& open,
                   const std::function<void(int8_t row)>& rowClicked) {
    int32_t mx, my, wheel, buttons, clip;
    GetMouse(&mx, &my, &wheel, &buttons, &clip);
    if (buttons != 1) return;
    if (open) {
        for (int8_t row = 0; row < count; ++row) {
            if (InRow(box, row, mx, my)) rowClicked(row);
        }
    }
    if (InHeader(box, mx, my)) {
        open = 1;
    } else if (open) {
        EraseFoldOut(box, count, true);
        open = 0;
    }
}

ElementList::ElementList(int32_t x, int32_t y, std::string_view text, int32_t length,
                         WidgetEvent event)
    : X(x), Y(y), Length(length), Event(std::move(event)) {
    if (static_cast<int64_t>(text.size()) > Length) {
        EndWithFatalError("[ERROR] in Constructor ElementList: Length of Text > Defined Lenght");
    }
    Text = text;
}

int8_t NewElement(ElementList& list, std::string_view text, std::string_view id) {
    if (list.Count >= MaxListElements) return -1;
    if (static_cast<int64_t>(text.size()) > list.Length) {
        EndWithFatalError("[ERROR] in Sub ElementList.NewElement: Length of Text > Defined Lenght");
    }
    list.Elements[list.Count] = ListElement{std::string(id), std::string(text)};
    return list.Count++;
}

void Draw(const ElementList& list) {
    DrawFoldOut({list.X, list.Y, list.Length}, list.Text, list.Elements, list.Count, list.Open);
}

void Update(ElementList& list) {
    UpdateFoldOut({list.X, list.Y, list.Length}, list.Count, list.Open, [&list](int8_t row) {
        if (list.Event) list.Event(list.Elements[row].ID);
    });
}

void Erase(const ElementList& list) {
    EraseFoldOut({list.X, list.Y, list.Length}, list.Count, list.Open);
}
