#include "gui/check_box.h"

namespace {

constexpr int32_t FaceSize = 15;
// Erase covers more than the face: 26 x 26 pixels.
constexpr int32_t ErasedSize = 26;

// Double frame with a shadow inside its top and left edges: the box looks sunken.
void PaintFrame(ImageBuffer* face) {
    DrawLine(face, 0, 0, 14, 14, Palette::Frame, LineShape::BoxOutline);
    DrawLine(face, 1, 1, 13, 13, Palette::Frame, LineShape::BoxOutline);
    DrawLine(face, 1, 1, 12, 1, Palette::Shadow);
    DrawLine(face, 1, 1, 1, 12, Palette::Shadow);
}

ImageHandle MakeFace(bool checked) {
    ImageHandle face(CreateImage(FaceSize, FaceSize, Palette::Field, 32));
    if (!face) return face;
    if (checked) {
        DrawLine(face.get(), 1, 1, 13, 13, Palette::Ink);
        DrawLine(face.get(), 13, 1, 1, 13, Palette::Ink);
    }
    PaintFrame(face.get());
    return face;
}

}  // namespace

CheckBox::CheckBox(int32_t x, int32_t y, std::string_view text, WidgetEvent event)
    : X(x),
      Y(y),
      UncheckedImage(MakeFace(false)),
      CheckedImage(MakeFace(true)),
      Text(text),
      Event(std::move(event)) {}

void Update(CheckBox& box) {
    if (box.Hidden) return;
    const PointerState pointer = PollPointer();
    const Rect hitArea{box.X, box.Y, box.X + FaceSize, box.Y + FaceSize};
    if (Hits(hitArea, pointer) && !box.PressLatch && LeftButtonAlone(pointer)) {
        box.Checked = box.Checked ? 0 : 1;
        // Called after the change, so a handler reading the box sees its new state.
        if (box.Event) box.Event(box.Text);
    }
    box.PressLatch = LeftButtonAlone(pointer) ? 1 : 0;
}

void Draw(const CheckBox& box) {
    if (box.Hidden) return;
    const ImageBuffer* face = box.Checked ? box.CheckedImage.get() : box.UncheckedImage.get();
    if (face) PutImage(nullptr, box.X, box.Y, face);
}

void Erase(const CheckBox& box) {
    if (box.Hidden) return;
    FillBox(nullptr, {box.X, box.Y, box.X + ErasedSize - 1, box.Y + ErasedSize - 1}, Palette::Ink);
}
