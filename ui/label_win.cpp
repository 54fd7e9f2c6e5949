#include "ui/label_win.h"

#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

// How the system's static control draws a left-aligned label's text.
UINT TextFormat(const TLabel& label) {
  return DT_EXPANDTABS | (label.WordWrap() ? DT_WORDBREAK : DT_SINGLELINE) |
         (label.ShowAccelChar() ? 0 : DT_NOPREFIX);
}

// The caption's size in the label's font, as an auto-sized label shows it:
// a word-wrapped one keeps its width (`width` pixels).
SIZE FittedSize(const TLabel& label, int width) {
  const std::wstring text = Widen(label.Caption().empty() ? std::string(" ") : label.Caption());
  if (!label.WordWrap()) return MeasureText(label.FontHandle(), text, TextFormat(label));
  const MemoryDc dc;
  const SelectObjectScope selected(dc.Get(), label.FontHandle());
  RECT r{0, 0, width, 0};
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, TextFormat(label) | DT_CALCRECT);
  return SIZE{width, r.bottom};
}

COLORREF FontColor(const TFont& font) {
  const TColor c = font.Color();
  return c.IsSystem() ? GetSysColor(c.SystemIndex()) : static_cast<COLORREF>(c.value & 0xFFFFFF);
}

void DrawCaption(HDC dc, const TLabel& label, RECT r) {
  const SelectObjectScope font(dc, label.FontHandle());
  SetTextColor(dc, FontColor(*label.Font()));
  const std::wstring text = Widen(label.Caption());
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, TextFormat(label));
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
          Property<TLabel>("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false),
          Property<TLabel>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false),
      });
  return info;
}

void TLabel::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (!HandleAllocated()) return;
  // Sized first: the system's static control paints a new text at once, in
  // whatever size it has then.
  AdjustSize();
  SetWindowTextW(Handle(), Widen(caption_).c_str());
  Invalidate();
  // A transparent label over this one shows it.
  if (TWinControl* parent = Parent()) {
    for (TWinControl* sibling : parent->Controls()) {
      if (auto* label = dynamic_cast<TLabel*>(sibling); label && label != this && label->Transparent())
        label->Invalidate();
    }
  }
}

void TLabel::SetBounds(int left, int top, int width, int height) {
  const bool rewrap = wordWrap_ && width != Width();
  TWinControl::SetBounds(left, top, width, height);
  if (rewrap) AdjustSize();
}

void TLabel::SetWordWrap(bool v) {
  wordWrap_ = v;
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
  if (transparent_) params.style |= SS_OWNERDRAW;
  if (autoSize_ && !wordWrap_) {
    // Created at its fitted size, so AdjustSize finds nothing to change.
    const SIZE size = FittedSize(*this, 0);
    params.width = size.cx;
    params.height = size.cy;
  }
}

bool TLabel::ReflectDrawItem(DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  const RECT client = item->rcItem;
  const TWinControl* parent = Parent();
  FillRect(dc, &client, parent ? parent->BackgroundBrush() : BackgroundBrush());
  SetBkMode(dc, TRANSPARENT);
  RECT mine{};
  GetWindowRect(Handle(), &mine);
  // The labels under this one, then its own text over them.
  if (parent) {
    for (const TWinControl* sibling : parent->Controls()) {
      const auto* label = dynamic_cast<const TLabel*>(sibling);
      if (!label || label == this || !label->HandleAllocated() || !label->Visible()) continue;
      RECT theirs{};
      RECT overlap{};
      GetWindowRect(label->Handle(), &theirs);
      if (!IntersectRect(&overlap, &mine, &theirs)) continue;
      OffsetRect(&theirs, -mine.left, -mine.top);
      DrawCaption(dc, *label, theirs);
    }
  }
  DrawCaption(dc, *this, client);
  return true;
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
  RECT r{};
  GetWindowRect(Handle(), &r);
  const SIZE size = FittedSize(*this, r.right - r.left);
  if (wordWrap_) {
    // The height in 96-dpi units, rounded up, so that the parent can lay out
    // around it; the window gets at least the pixels the text needs.
    const int dpi = Dpi();
    SetBounds(Left(), Top(), Width(), (size.cy * 96 + dpi - 1) / dpi);
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < size.cy)
      SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (r.right - r.left == size.cx && r.bottom - r.top == size.cy) return;
  SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tallivo::ui
