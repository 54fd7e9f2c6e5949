#include "ui/label_win.h"

#include "ui/text_win.h"

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TAlignment>() {
  static const EnumNames names{{"taLeftJustify", "taRightJustify", "taCenter"}};
  return names;
}

const ClassInfo& TLabel::StaticClass() {
  static const ClassInfo info(
      "TLabel", &TWinControl::StaticClass(), &Construct<TLabel>,
      {
          Property<TLabel>("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, TAlignment::taLeftJustify),
          Property<TLabel>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true),
          Property<TLabel>("Caption", &TLabel::Caption, &TLabel::SetCaption, std::string()),
          Property<TLabel>("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, true),
      });
  return info;
}

void TLabel::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (!HandleAllocated()) return;
  SetWindowTextW(Handle(), Widen(caption_).c_str());
  AdjustSize();
}

void TLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment v) {
  alignment_ = v;
  if (!HandleAllocated()) return;
  LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
  style |= v == TAlignment::taRightJustify ? SS_RIGHT : v == TAlignment::taCenter ? SS_CENTER : SS_LEFT;
  SetWindowLongPtrW(Handle(), GWL_STYLE, style);
  Invalidate();
}

void TLabel::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = L"STATIC";
  params.nativeClass = true;
  params.text = Widen(caption_);
  params.style |= SS_NOTIFY;
  params.style |= alignment_ == TAlignment::taRightJustify ? SS_RIGHT
                  : alignment_ == TAlignment::taCenter    ? SS_CENTER
                                                          : SS_LEFT;
  if (!showAccelChar_) params.style |= SS_NOPREFIX;
}

void TLabel::FontChanged() {
  TWinControl::FontChanged();
  AdjustSize();
}

void TLabel::DpiChanged() {
  TWinControl::DpiChanged();
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!autoSize_ || !HandleAllocated()) return;
  WindowDc dc(Handle());
  SelectObjectScope font(dc.Get(), FontHandle());
  RECT r{0, 0, 0, 0};
  const std::wstring text = Widen(caption_.empty() ? std::string(" ") : caption_);
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | (showAccelChar_ ? 0 : DT_NOPREFIX));
  SetWindowPos(Handle(), nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tallivo::ui
