#include "gui/check_box.h"

#include "screen/screen.h"

namespace {

constexpr int32_t FaceSize = 15;
constexpr uint32_t FaceColour = 0x00FFFFFF;
constexpr uint32_t FrameColour = 0x00AAAAAA;
constexpr uint32_t ShadowColour = 0x00666666;
constexpr uint32_t CrossColour = 0x00000000;

// Double frame with a shadow inside its top and left edges: the box looks sunken.
void PaintFrame(ImageBuffer* face) {
    DrawLine(face, 0, 0, 14, 14, FrameColour, LineShape::BoxOutline);
    DrawLine(face, 1, 1, 13, 13, FrameColour, LineShape::BoxOutline);
    DrawLine(face, 1, 1, 12, 1, ShadowColour);
    DrawLine(face, 1, 1, 1, 12, ShadowColour);
}

ImagePtr MakeFace(bool checked) {
    ImagePtr face(CreateImage(FaceSize, FaceSize, FaceColour, 32));
    if (!face) return face;
    if (checked) {
        DrawLine(face.get(), 1, 1, 13, 13, CrossColour);
        DrawLine(face.get(), 13, 1, 1, 13, CrossColour);
    }
    PaintFrame(face.get());
    return face;
}

bool Inside(const CheckBox& box, int32_t mx, int32_t my) {
    return box.X < mx && mx < box.X + FaceSize && box.Y < my && my < box.Y + FaceSize;
}

}  // namespace

CheckBox::CheckBox(int32_t x, int32_t y, std::string_view text, WidgetEvent event)
    : X(x),
      Y(y),
      UncheckedImage(MakeFace(false)),
      CheckedImage(MakeFace(true)),
      Text(text),
      Event(std::move(event)) {}

void Draw(const CheckBox& box) {
    if (box.Hidden) return;
    const ImageBuffer* face = box.Checked ? box.CheckedImage.get() : box.UncheckedImage.get();
    if (face) PutImage(nullptr, box.X, box.Y, face);
}

void Update(CheckBox& box) {
    if (box.Hidden) return;
    int32_t mx, my, wheel, buttons, clip;
    GetMouse(&mx, &my, &wheel, &buttons, &clip);
    if (Inside(box, mx, my) && !box.PressLatch && buttons == 1) {
        box.Checked = box.Checked ? 0 : 1;
        // Called after the change, so a handler reading the box sees its new state.
        if (box.Event) box.Event(box.Text);
    }
    box.PressLatch = buttons == 1 ? 1 : 0;
}

void Erase(const CheckBox& box) {
    if (box.Hidden) return;
    // 26 x 26 pixels: more than the 15 x 15 face.
    DrawLine(nullptr, box.X, box.Y, box.X + 25, box.Y + 25, 0x00000000, LineShape::FilledBox);
}

void Hide(CheckBox& box) {
    box.Hidden = 1;
}
void Show(CheckBox& box) {
    box.Hidden = 0;
}
