// UTF-8 inside, UTF-16 at the Win32 boundary: the base library's conversion,
// under the framework's names.
#pragma once

#include "base/text_win.h"

namespace tallivo::ui {

using tallivo::Narrow;
using tallivo::Widen;

}  // namespace tallivo::ui
