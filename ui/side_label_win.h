// A label drawn sideways: its caption reads upwards, centred in the control,
// optionally with a 3-D text effect and a coloured border.
#pragma once

#include "ui/control_win.h"

namespace tallivo::ui {

// lsLowered: the text looks pressed into the surface; lsRaised: standing out.
enum class TSideLabelStyle { lsNormal, lsRaised, lsLowered };
template <>
const EnumNames& EnumNamesOf<TSideLabelStyle>();

class TSideLabel : public TWinControl {
 public:
  explicit TSideLabel(TComponent* owner) : TWinControl(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  // True: the control fits itself around the rotated caption.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TSideLabelStyle Style() const { return style_; }
  void SetStyle(TSideLabelStyle v);
  // A one-pixel frame in this colour; clNone draws none.
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor v);

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override { AdjustSize(); }
  void FontChanged() override;
  void DpiChanged() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // The control's font turned by 90 degrees.
  HFONT RotatedFont() const;
  // Extent of the caption along its baseline (cx) and across it (cy).
  SIZE TextExtent(HDC dc) const;
  void AdjustSize();
  void Paint(HDC dc) const override;

  std::string caption_;
  bool autoSize_ = true;
  TSideLabelStyle style_ = TSideLabelStyle::lsNormal;
  TColor borderColor_ = clNone;
  mutable UniqueFont rotatedFont_;
};

}  // namespace tallivo::ui
