// Keyboard shortcuts as stored settings: a virtual-key code in the low byte
// with Shift (0x2000), Ctrl (0x4000) and Alt (0x8000) flags.
#pragma once

#include <cstdint>
#include <string>

namespace tallivo::ui {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// "Ctrl+X", "F1", "Shift+Del"; empty for 0.
std::string ShortCutToText(TShortCut shortCut);
TShortCut MakeShortCut(unsigned virtualKey, bool shift, bool ctrl, bool alt);

}  // namespace tallivo::ui
