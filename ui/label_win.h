// Static text that sizes itself to its caption.
#pragma once

#include "ui/control_win.h"

namespace tallivo::ui {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
template <>
const EnumNames& EnumNamesOf<TAlignment>();

class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* owner) : TWinControl(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v) { showAccelChar_ = v; }

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override { AdjustSize(); }
  void FontChanged() override;
  void DpiChanged() override;
  // Fits the window to the caption in the current font.
  void AdjustSize();

 private:
  std::string caption_;
  bool autoSize_ = true;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool showAccelChar_ = true;
};

}  // namespace tallivo::ui
