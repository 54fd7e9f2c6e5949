#include "ui/label_win.h"

#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

// The caption's size in the label's font, as an auto-sized label shows it.
SIZE FittedSize(const TLabel& label) {
  const std::wstring text = Widen(label.Caption().empty() ? std::string(" ") : label.Caption());
  return MeasureText(label.FontHandle(), text, DT_SINGLELINE | (label.ShowAccelChar() ? 0 : DT_NOPREFIX));
}

}  // namespace

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
                  : alignment_ == TAlignment::taCenter     ? SS_CENTER
                                                           : SS_LEFT;
  if (!showAccelChar_) params.style |= SS_NOPREFIX;
  if (autoSize_) {
    // Created at its fitted size, so AdjustSize finds nothing to change.
    const SIZE size = FittedSize(*this);
    params.width = size.cx;
    params.height = size.cy;
  }
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
  const SIZE size = FittedSize(*this);
  RECT r{};
  GetWindowRect(Handle(), &r);
  if (r.right - r.left == size.cx && r.bottom - r.top == size.cy) return;
  SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tallivo::ui
