// Numeric amount fields: an edit whose stored value may be empty (null),
// shown in a display format while it does not have the focus and in an edit
// format while the user types.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/amount_text.h"
#include "ui/control_win.h"
#include "ui/shortcut.h"

namespace tallivo::ui {

class CalculatorPopup;

enum class TEditLookAndFeel { lfStandard, lfFlat, lfUltraFlat };
template <>
const EnumNames& EnumNamesOf<TEditLookAndFeel>();

class TCustomAmountEdit;

// How the field is drawn; Style.Font is the field's font.
class TEditStyle : public TPersistent {
 public:
  explicit TEditStyle(TCustomAmountEdit& edit) : edit_(edit) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  bool Shadow() const { return shadow_; }
  void SetShadow(bool v);
  TEditLookAndFeel LookAndFeel() const { return lookAndFeel_; }
  void SetLookAndFeel(TEditLookAndFeel v);
  TFont* Font() const;

 private:
  TCustomAmountEdit& edit_;
  bool shadow_ = false;
  TEditLookAndFeel lookAndFeel_ = TEditLookAndFeel::lfStandard;
};

class TCustomAmountEdit : public TWinControl {
 public:
  TCustomAmountEdit(TComponent* owner, AmountFieldKind kind);
  ~TCustomAmountEdit() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // The stored value; nullopt is the empty field.
  std::optional<double> EditValue() const { return value_; }
  void SetEditValue(std::optional<double> v);
  // The stored value, 0 when empty. Writing clamps into the bounds first.
  double Value() const { return value_.value_or(0.0); }
  void SetValue(double v);
  // What the user is typing, while the text is changed and not yet validated;
  // the stored value otherwise.
  std::optional<double> CurrentValue() const;
  // Whether the text is the user's: typed since the field got the focus and
  // not yet validated. Such text is left as typed, even while it reads as
  // nothing ("", "-", the null string).
  bool Modified() const { return editing_ && modified_; }
  // Checks and stores the typed text; false (after telling the user) when the
  // value is out of bounds.
  bool ValidateEdit();
  void SelectAll();
  // True while the field is being edited.
  bool Editing() const { return editing_; }

  const std::string& DisplayFormat() const { return settings_.display_format; }
  void SetDisplayFormat(std::string v);
  const std::string& EditFormat() const { return settings_.edit_format; }
  void SetEditFormat(std::string v);
  const std::string& NullString() const { return settings_.null_string; }
  void SetNullString(std::string v);
  double MinValue() const { return settings_.bounds.min_value; }
  void SetMinValue(double v) { settings_.bounds.min_value = v; }
  double MaxValue() const { return settings_.bounds.max_value; }
  void SetMaxValue(double v) { settings_.bounds.max_value = v; }
  bool UseThousandSeparator() const { return settings_.use_thousand_separator; }
  void SetUseThousandSeparator(bool v);
  int Precision() const { return settings_.precision; }
  void SetPrecision(int v);
  bool UseDisplayFormatWhenEditing() const { return settings_.use_display_format_when_editing; }
  void SetUseDisplayFormatWhenEditing(bool v);
  bool UseLeftAlignmentOnEditing() const { return leftWhileEditing_; }
  void SetUseLeftAlignmentOnEditing(bool v);
  TShortCut ClearKey() const { return clearKey_; }
  void SetClearKey(TShortCut v) { clearKey_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool ImmediatePost() const { return immediatePost_; }
  void SetImmediatePost(bool v) { immediatePost_ = v; }
  TEditStyle* Style() const { return style_.get(); }

  std::function<void(TComponent*)> OnChange;
  // After validation (Enter, or the focus moving on) stored a value other
  // than the one held.
  std::function<void(TComponent*)> OnEditValueChanged;

  // The shadow below and to the right of the field.
  void PaintBehind(HDC dc) const override;
  void StyleChanged();

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool ReflectCommand(WORD code) override;
  void FontChanged() override;
  void DpiChanged() override;
  // Room at the right edge for a button, in pixels; 0 for none.
  virtual int ButtonWidth() const { return 0; }
  virtual void PaintButton(HDC dc, const RECT& r) const { (void)dc, (void)r; }
  virtual void ButtonClicked() {}
  // Keys for an open drop-down; true when taken.
  virtual bool DropDownKey(UINT msg, WPARAM key) {
    (void)msg, (void)key;
    return false;
  }
  virtual void FocusLost() {}
  void ChangeFromDropDown(std::optional<double> value);

 private:
  void SetText(const std::string& text);
  std::string Text() const;
  void ShowValue();
  void Changed();
  void AdjustHeight();
  RECT ButtonRect() const;
  void PaintDisplay();

  AmountFieldSettings settings_;
  std::optional<double> value_;
  std::unique_ptr<TEditStyle> style_;
  TShortCut clearKey_ = 0;
  bool readOnly_ = false;
  bool immediatePost_ = false;
  bool leftWhileEditing_ = false;
  bool editing_ = false;
  bool modified_ = false;
  bool settingText_ = false;
  bool dropChar_ = false;
  bool refusing_ = false;
  bool refused_ = false;  // the typed value was refused and is still there
};

// The converter's field: plain number while editing, with a drop-down
// calculator.
class TCalcAmountEdit : public TCustomAmountEdit {
 public:
  explicit TCalcAmountEdit(TComponent* owner);
  ~TCalcAmountEdit() override;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // Opens and closes the calculator below the field.
  void DropDown();
  void CloseUp(bool accept);
  bool DroppedDown() const { return popup_ != nullptr; }

 protected:
  int ButtonWidth() const override;
  void PaintButton(HDC dc, const RECT& r) const override;
  void ButtonClicked() override;
  bool DropDownKey(UINT msg, WPARAM key) override;
  void FocusLost() override;

 private:
  std::unique_ptr<CalculatorPopup> popup_;
};

// The change calculator's fields: edit format, null string and bounds.
class TCurrencyAmountEdit : public TCustomAmountEdit {
 public:
  explicit TCurrencyAmountEdit(TComponent* owner) : TCustomAmountEdit(owner, AmountFieldKind::Currency) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }
};

// The user's decimal and thousands separators.
NumberSeparators SystemSeparators();
// Reads them again after the user changed the regional settings.
void RefreshSystemSeparators();

}  // namespace tallivo::ui
