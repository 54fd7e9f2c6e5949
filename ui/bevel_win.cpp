#include "ui/bevel_win.h"

#include <algorithm>

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TBevelShape>() {
  static const EnumNames names{{"bsTopLine", "bsBottomLine"}};
  return names;
}

const ClassInfo& TBevel::StaticClass() {
  static const ClassInfo info(
      "TBevel", &TWinControl::StaticClass(), &Construct<TBevel>,
      {Property<TBevel>("Shape", &TBevel::Shape, &TBevel::SetShape, TBevelShape::bsTopLine)});
  return info;
}

void TBevel::SetShape(TBevelShape v) {
  shape_ = v;
  Invalidate();
}

void TBevel::Paint(HDC dc) const {
  RECT r{};
  GetClientRect(Handle(), &r);
  // A shadow line with a highlight line under it, each a pixel per 96 dpi.
  const int line = std::max(1, Scale(1));
  const int top = shape_ == TBevelShape::bsTopLine ? 0 : std::max(0, static_cast<int>(r.bottom) - 2 * line);
  RECT shadow{r.left, top, r.right, top + line};
  RECT highlight{r.left, top + line, r.right, top + 2 * line};
  FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
  FillRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
}

}  // namespace tallivo::ui
