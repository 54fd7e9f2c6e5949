#include "ui/edit_win.h"

#include <stdexcept>

#include "ui/text_win.h"

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TBorderStyle>() {
  static const EnumNames names{{"bsNone", "bsSingle"}};
  return names;
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

const ClassInfo& TEdit::StaticClass() {
  static const ClassInfo info(
      "TEdit", &TWinControl::StaticClass(), &Construct<TEdit>,
      {
          Property<TEdit>("BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle, TBorderStyle::bsSingle),
          Property<TEdit>("Color", &TEdit::Color, &TEdit::SetColor, clWindow),
          Property<TEdit>("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar, std::string()),
          Property<TEdit>("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false),
          Property<TEdit>("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true),
          Property<TEdit>("Text", &TEdit::Text, &TEdit::SetText, std::string()),
      });
  return info;
}

std::string TEdit::Text() const {
  return HandleAllocated() ? WindowText(Handle()) : text_;
}

void TEdit::SetText(std::string v) {
  text_ = std::move(v);
  if (HandleAllocated()) SetWindowTextW(Handle(), Widen(text_).c_str());
}

void TEdit::SetPasswordChar(std::string v) {
  if (Widen(v).size() > 1) throw std::runtime_error("a password character is one character");
  passwordChar_ = std::move(v);
  if (!HandleAllocated()) return;
  const std::wstring c = Widen(passwordChar_);
  SendMessageW(Handle(), EM_SETPASSWORDCHAR, c.empty() ? 0 : c[0], 0);
  Invalidate();
}

void TEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, v, 0);
}

void TEdit::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = L"EDIT";
  params.nativeClass = true;
  params.text = Widen(text_);
  params.style |= ES_AUTOHSCROLL;
  if (!passwordChar_.empty()) params.style |= ES_PASSWORD;
  if (readOnly_) params.style |= ES_READONLY;
  if (borderStyle_ == TBorderStyle::bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::HandleCreated() {
  // ES_PASSWORD shows the system's own character until told another.
  if (!passwordChar_.empty()) SetPasswordChar(passwordChar_);
}

}  // namespace tallivo::ui
