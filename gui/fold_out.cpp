#include "gui/fold_out.h"

#include "base/text_encoding.h"

namespace {

constexpr int32_t RowHeight = 12;

Rect Header(FoldOutBox box) {
    return LineBox(box.X, box.Y, box.Length);
}
Rect Row(FoldOutBox box, int32_t row) {
    return LineBox(box.X, box.Y + RowHeight * (row + 1), box.Length);
}

}  // namespace

void RequireFits(std::string_view text, int32_t length, std::string_view message) {
    if (CharacterCount(text) > length) EndWithFatalError(message);
}

void UpdateFoldOut(FoldOutBox box, const int8_t& count, uint8_t& open,
                   const std::function<void(int8_t row)>& rowClicked) {
    const PointerState pointer = PollPointer();
    if (!LeftButtonAlone(pointer)) return;
    if (open) {
        for (int8_t row = 0; row < count; ++row) {
            if (Hits(ReachingRight(Row(box, row)), pointer)) rowClicked(row);
        }
    }
    if (Hits(ReachingRight(Header(box)), pointer)) {
        open = 1;
    } else if (open) {
        EraseFoldOut(box, count, true);
        open = 0;
    }
}

void DrawFoldOut(FoldOutBox box, std::string_view caption, const ListElements& elements,
                 int8_t count, bool open) {
    // The header is raised; the rows are plain.
    DrawPanel(nullptr, Header(box), Palette::Field);
    DrawText(nullptr, box.X + 2, box.Y + 2, PointAbsolute, Cp437Glyphs(caption), Palette::Ink);
    if (!open) return;
    for (int8_t row = 0; row < count; ++row) {
        const Rect rowBox = Row(box, row);
        DrawFramedBox(nullptr, rowBox, Palette::Field);
        DrawText(nullptr, box.X + 2, rowBox.Top + 3, PointAbsolute, Cp437Glyphs(elements[row].Text),
                 Palette::Ink);
    }
}

void EraseFoldOut(FoldOutBox box, int8_t count, bool open) {
    FillBox(nullptr, Header(box), Palette::Ink);
    if (!open) return;
    for (int8_t row = 0; row < count; ++row) FillBox(nullptr, Row(box, row), Palette::Ink);
}
