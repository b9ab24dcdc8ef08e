#include "gui/button.h"

#include <utility>

#include "base/text_encoding.h"
#include "screen/bitmap.h"

namespace {

// What a text face starts filled with; painting covers all of it.
constexpr uint32_t FaceFill = 0x00FF0000;

// Kept letter for letter.
constexpr std::string_view LoadError =
    "Something went wrong while loading File in: Constructor Button(ButtID as String, Event as "
    "Sub(ID as String), ButtX as Integer, ButtY as Integer, FileName as String)";
constexpr std::string_view LoadErrorHint = "Are you sure this was the correct filename?";

void PrintLoadError() {
    PrintLine(LoadError);
    PrintLine(LoadErrorHint);
}

// Sizes the clickable area from the file's header and loads the file into a face of that size,
// filled with the mask colour first (no colour given) so whatever the file does not cover stays
// transparent.
ImageHandle LoadFace(Button& button, const std::string& fileName) {
    const BitmapSize size = ProbeBitmapSize(fileName);
    button.Width = size.width;
    button.Height = size.height;
    ImageHandle face(CreateImage(button.Width, button.Height, 0, 0, DefaultColourFlag));
    if (face) LoadBitmap(fileName, face.get());
    return face;
}

// The clickable area, strictly inside; Erase fills it edges included.
Rect Area(const Button& button) {
    return {button.ButtX, button.ButtY, button.ButtX + button.Width, button.ButtY + button.Height};
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
      Width(GlyphSize * CharacterCount(caption) + 5),
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
    const int32_t captionWidth = GlyphSize * CharacterCount(button.Caption);
    DrawRaisedFace(face, {0, 0, captionWidth + 4, TextButtonHeight - 1});
    DrawText(face, 3, 5, PointAbsolute, Cp437Glyphs(button.Caption), Palette::Ink);
}

void Update(Button& button) {
    if (button.Hidden) return;
    const PointerState pointer = PollPointer();
    const bool inside = Hits(Area(button), pointer);
    button.Hovered = inside ? 1 : 0;
    if (inside && LeftButtonAlone(pointer) && button.Event) button.Event(button.ButtID);
}

void Draw(const Button& button) {
    if (button.Hidden) return;
    if (button.Face) PutImage(nullptr, button.ButtX, button.ButtY, button.Face.get());
    if (button.Hovered && button.HoverFace) {
        PutImage(nullptr, button.ButtX, button.ButtY, button.HoverFace.get());
    }
}

void Erase(const Button& button, uint8_t colour) {
    FillBox(nullptr, Area(button), colour);
}
