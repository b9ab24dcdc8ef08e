#include "viewer/commands.h"

#include "screen/screen.h"

namespace {

constexpr int32_t Extended(int32_t scanCode) {
    return (scanCode << 8) | 0xFF;
}

struct Binding {
    int32_t key;
    Command command;
};

// '=' is '+' without Shift on most layouts; 'Q', 'F' and 'A' work with Caps Lock on.
constexpr Binding Bindings[] = {
    {27, Command::Quit},
    {'q', Command::Quit},
    {'Q', Command::Quit},
    {CloseRequestKey, Command::Quit},
    {'+', Command::ZoomIn},
    {'=', Command::ZoomIn},
    {'-', Command::ZoomOut},
    {'1', Command::ActualSize},
    {'f', Command::Fit},
    {'F', Command::Fit},
    {'0', Command::Fit},
    {Extended(scan_code::LeftArrow), Command::PanLeft},
    {Extended(scan_code::RightArrow), Command::PanRight},
    {Extended(72), Command::PanUp},
    {Extended(80), Command::PanDown},
    {' ', Command::Next},
    {Extended(81), Command::Next},      // Page Down
    {8, Command::Previous},             // Backspace
    {Extended(73), Command::Previous},  // Page Up
    {Extended(71), Command::First},     // Home
    {Extended(79), Command::Last},      // End
    {'a', Command::ToggleTransparency},
    {'A', Command::ToggleTransparency},
};

}  // namespace

Command CommandOf(int32_t keyCode) {
    for (const Binding& binding : Bindings)
        if (binding.key == keyCode) return binding.command;
    return Command::None;
}
