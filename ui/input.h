// Mouse buttons and the keys and buttons held during an input event.
#pragma once

#include "ui/published.h"

namespace tallivo::ui {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;

}  // namespace tallivo::ui
