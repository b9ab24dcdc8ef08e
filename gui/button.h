// A Button: a face at a fixed place that calls its event with its ButtID on every Update in which
// the left button alone is held over it. The face is loaded from bitmap files (with an optional
// face shown while hovered) or painted once as a raised grey box with a caption.
#pragma once

#include <cstdint>
#include <string>

#include "gui/toolkit.h"

struct Button {
    // Image button with a hover face; the clickable area takes the hover face's size.
    Button(std::string buttID, WidgetEvent event, int32_t buttX, int32_t buttY,
           const std::string& fileName, const std::string& hoverFileName);
    // Image button.
    Button(std::string buttID, WidgetEvent event, int32_t buttX, int32_t buttY,
           const std::string& fileName);
    // Text button: 8 pixels per caption character plus 5, and 17 high.
    Button(std::string buttID, WidgetEvent event, std::string caption, int32_t buttX,
           int32_t buttY);

    int32_t ButtX;
    int32_t ButtY;
    int32_t Width = 0;
    int32_t Height = 0;
    std::string Caption;    // empty for image buttons
    ImageHandle Face;       // null if it could not be made
    ImageHandle HoverFace;  // drawn over Face while hovered; null if none
    std::string ButtID;
    WidgetEvent Event;
    uint8_t Hidden = 0;
    uint8_t Hovered = 0;
};

inline constexpr int32_t TextButtonHeight = 17;

// Paints the raised box and the caption into Face; nothing when there is no Face.
void RenderTextFace(Button& button);
void Update(Button& button);
void Draw(const Button& button);
// Fills the clickable area with `colour`, hidden or not.
void Erase(const Button& button, uint8_t colour);
