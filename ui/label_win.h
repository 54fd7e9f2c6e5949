// Static text that sizes itself to its caption: to its width and height on
// one line, or, word-wrapped, to the height the text takes at its width.
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

  void SetBounds(int left, int top, int width, int height) override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v) { showAccelChar_ = v; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  // Shows the labels it overlaps through its background (an etched text is
  // two labels a pixel apart).
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override { AdjustSize(); }
  void FontChanged() override;
  void DpiChanged() override;
  bool ReflectDrawItem(DRAWITEMSTRUCT* item) override;
  bool AboveSiblings() const override { return transparent_; }
  // Fits the window to the caption in the current font.
  void AdjustSize();

 private:
  std::string caption_;
  bool autoSize_ = true;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool showAccelChar_ = true;
  bool wordWrap_ = false;
  bool transparent_ = false;
};

}  // namespace tallivo::ui
