// A single-line text field: a plain one, a password field that shows one
// character for each typed, or a read-only one whose text can be selected
// and copied.
#pragma once

#include "ui/control_win.h"

namespace tallivo::ui {

enum class TBorderStyle { bsNone, bsSingle };
template <>
const EnumNames& EnumNamesOf<TBorderStyle>();

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // What the field holds now (the user may have typed since it was set).
  std::string Text() const;
  void SetText(std::string v);
  // The character shown in place of each typed one; "" shows the text.
  const std::string& PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(std::string v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v) { borderStyle_ = v; }

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override;

 private:
  std::string text_;
  std::string passwordChar_;
  bool readOnly_ = false;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

}  // namespace tallivo::ui
