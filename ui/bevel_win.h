// An etched line that separates parts of a window.
#pragma once

#include "ui/control_win.h"

namespace tallivo::ui {

enum class TBevelShape { bsTopLine, bsBottomLine };
template <>
const EnumNames& EnumNamesOf<TBevelShape>();

class TBevel : public TWinControl {
 public:
  explicit TBevel(TComponent* owner) : TWinControl(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);

 protected:
  void Paint(HDC dc) const override;

 private:
  TBevelShape shape_ = TBevelShape::bsTopLine;
};

}  // namespace tallivo::ui
