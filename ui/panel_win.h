// A plain container with optional bevels and a centred caption.
#pragma once

#include "ui/control_win.h"
#include "ui/label_win.h"

namespace tallivo::ui {

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
template <>
const EnumNames& EnumNamesOf<TPanelBevel>();

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner) : TWinControl(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TPanelBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel v);
  TPanelBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TPanelBevel v);
  // Width of each bevel, and the gap between the outer and the inner one.
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);

 protected:
  void FillCreateParams(CreateParams& params) override;
  RECT AlignArea() const override;

 private:
  void Paint(HDC dc) const override;

  std::string caption_;
  TAlignment alignment_ = TAlignment::taCenter;
  TPanelBevel bevelOuter_ = TPanelBevel::bvRaised;
  TPanelBevel bevelInner_ = TPanelBevel::bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
};

// Draws a 3-D frame `width` pixels wide inside `r`: `topLeft` on the top and
// left edges, `bottomRight` on the others; shrinks `r` by the frame.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width);

}  // namespace tallivo::ui
