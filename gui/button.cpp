#include "gui/button.h"

#include <utility>

#include "screen/bitmap.h"

namespace {

constexpr uint32_t FaceFill = 0x00FF0000;
constexpr uint32_t Frame = 0x00DDDDDD;
constexpr uint32_t ButtonFace = 0x00CCCCCC;
constexpr uint32_t Highlight = 0x00FFFFFF;
constexpr uint32_t Shadow = 0x00666666;
constexpr uint32_t TextColour = 0x00000000;
constexpr uint32_t NoColourGiven = 0x80000000;

void PrintLoadError() {
    PrintLine(
        "Something went wrong while loading File in: Constructor Button(ButtID as String, Event as "
        "Sub(ID as String), ButtX as Integer, ButtY as Integer, FileName as String)");
    PrintLine("Are you sure this was the correct filename?");
}

// Sizes the clickable area from the file's header and loads the file into a face of that size,
// filled with the mask colour first so whatever the file does not cover stays transparent.
ImagePtr LoadFace(Button& button, const std::string& fileName) {
    const BitmapSize size = ProbeBitmapSize(fileName);
    button.Width = size.width;
    button.Height = size.height;
    ImagePtr face(CreateImage(button.Width, button.Height, 0, 0, NoColourGiven));
    if (face) LoadBitmap(fileName, face.get());
    return face;
}

}  // namespace

Button::Button(std::string buttID, WidgetEvent event, int32_t buttX, int32_t buttY,
               const std::string& fileName, const std::string& hoverFileName)
    : ButtX(buttX), ButtY(buttY), ButtID(std::move(buttID)), Event(std::move(event)) {
    Face = LoadFace(*this, fileName);
    HoverFace = LoadFace(*this, hoverFileName);
    if (!Face) PrintLoadError();
    if (!HoverFace) PrintLoadError();
}

Button::Button(std::string buttID, WidgetEvent event, int32_t buttX, int32_t buttY,
               const std::string& fileName)
    : ButtX(buttX), ButtY(buttY), ButtID(std::move(buttID)), Event(std::move(event)) {
    Face = LoadFace(*this, fileName);
    if (!Face) PrintLoadError();
}

Button::Button(std::string buttID, WidgetEvent event, std::string caption, int32_t buttX,
               int32_t buttY)
    : ButtX(buttX),
      ButtY(buttY),
      Width(8 * static_cast<int32_t>(caption.size()) + 5),
      Height(TextButtonHeight),
      Caption(std::move(caption)),
      ButtID(std::move(buttID)),
      Event(std::move(event)) {
    Face.reset(CreateImage(Width, Height, FaceFill, 32, 0));
    RenderTextFace(*this);
}

void RenderTextFace(Button& button) {
    ImageBuffer* face = button.Face.get();
    if (!face) return;
    const auto w = static_cast<float>(8 * button.Caption.size());
    DrawLine(face, 0, 0, w + 4, 16, Frame, LineShape::BoxOutline);
    DrawLine(face, 1, 1, w + 3, 15, ButtonFace, LineShape::FilledBox);
    DrawLine(face, 0, 1, w + 2, 2, Highlight, LineShape::FilledBox);
    DrawLine(face, 2, 14, w + 3, 15, Shadow, LineShape::FilledBox);
    DrawLine(face, w + 2, 2, w + 3, 14, Shadow, LineShape::FilledBox);
    DrawText(face, 3, 5, PointAbsolute, button.Caption, TextColour);
}

void Draw(const Button& button) {
    if (button.Hidden) return;
    if (button.Face) PutImage(nullptr, button.ButtX, button.ButtY, button.Face.get());
    if (button.Hovered && button.HoverFace) {
        PutImage(nullptr, button.ButtX, button.ButtY, button.HoverFace.get());
    }
}

void Update(Button& button) {
    if (button.Hidden) return;
    int32_t x = 0, y = 0, wheel = 0, buttons = 0, clip = 0;
    GetMouse(&x, &y, &wheel, &buttons, &clip);
    const bool inside = button.ButtX < x && x < button.ButtX + button.Width && button.ButtY < y &&
                        y < button.ButtY + button.Height;
    button.Hovered = inside ? 1 : 0;
    if (inside && buttons == 1 && button.Event) button.Event(button.ButtID);
}

void Erase(const Button& button, uint8_t colour) {
    DrawLine(nullptr, button.ButtX, button.ButtY, button.ButtX + button.Width,
             button.ButtY + button.Height, colour, LineShape::FilledBox);
}

void Hide(Button& button) {
    button.Hidden = 1;
}
void Show(Button& button) {
    button.Hidden = 0;
}
