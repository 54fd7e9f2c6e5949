#include "ui/panel_win.h"

#include <algorithm>

#include "ui/text_win.h"

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TPanelBevel>() {
  static const EnumNames names{{"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
  return names;
}

const ClassInfo& TPanel::StaticClass() {
  static const ClassInfo info(
      "TPanel", &TWinControl::StaticClass(), &Construct<TPanel>,
      {
          Property<TPanel>("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, TAlignment::taCenter),
          Property<TPanel>("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, TPanelBevel::bvNone),
          Property<TPanel>("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, TPanelBevel::bvRaised),
          Property<TPanel>("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1),
          Property<TPanel>("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth, 0),
          Property<TPanel>("Caption", &TPanel::Caption, &TPanel::SetCaption, std::string()),
      });
  return info;
}

void TPanel::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (HandleAllocated()) SetWindowTextW(Handle(), Widen(caption_).c_str());
  Invalidate();
}

void TPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TPanel::SetBevelOuter(TPanelBevel v) {
  bevelOuter_ = v;
  Realign();
  Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel v) {
  bevelInner_ = v;
  Realign();
  Invalidate();
}

void TPanel::SetBevelWidth(int v) {
  bevelWidth_ = v;
  Realign();
  Invalidate();
}

void TPanel::SetBorderWidth(int v) {
  borderWidth_ = v;
  Realign();
  Invalidate();
}

void TPanel::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.text = Widen(caption_);
  params.style |= WS_CLIPCHILDREN;
  // Tab moves into the controls on the panel.
  params.exStyle |= WS_EX_CONTROLPARENT;
}

void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
  const auto line = [dc](int left, int top, int w, int h, COLORREF c) {
    const RECT part{left, top, left + w, top + h};
    SetBkColor(dc, c);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &part, nullptr, 0, nullptr);
  };
  for (int i = 0; i < width && r.right - r.left > 1 && r.bottom - r.top > 1; ++i) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    line(r.left, r.top, w - 1, 1, topLeft);
    line(r.left, r.top, 1, h - 1, topLeft);
    line(r.left, r.bottom - 1, w, 1, bottomRight);
    line(r.right - 1, r.top, 1, h, bottomRight);
    InflateRect(&r, -1, -1);
  }
}

RECT TPanel::AlignArea() const {
  // Inside the bevels and the border, as Paint draws them.
  const auto width = [this](TPanelBevel b) { return b == TPanelBevel::bvNone ? 0 : bevelWidth_; };
  const int inset = width(bevelOuter_) + borderWidth_ + width(bevelInner_);
  return RECT{inset, inset, std::max(Width() - inset, inset), std::max(Height() - inset, inset)};
}

void TPanel::Paint(HDC dc) const {
  RECT r;
  GetClientRect(Handle(), &r);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const int bevel = Scale(bevelWidth_);
  const auto frame = [&](TPanelBevel b) {
    if (b == TPanelBevel::bvLowered) Frame3D(dc, r, shadow, highlight, bevel);
    if (b == TPanelBevel::bvRaised) Frame3D(dc, r, highlight, shadow, bevel);
    if (b == TPanelBevel::bvSpace) InflateRect(&r, -bevel, -bevel);
  };
  frame(bevelOuter_);
  InflateRect(&r, -Scale(borderWidth_), -Scale(borderWidth_));
  frame(bevelInner_);
  if (caption_.empty()) return;
  SelectObjectScope font(dc, FontHandle());
  const TColor fc = Font()->Color();
  SetTextColor(dc,
               fc.IsSystem() ? GetSysColor(fc.SystemIndex()) : static_cast<COLORREF>(fc.value & 0xFFFFFF));
  SetBkMode(dc, TRANSPARENT);
  const std::wstring text = Widen(caption_);
  const UINT align = alignment_ == TAlignment::taLeftJustify    ? DT_LEFT
                     : alignment_ == TAlignment::taRightJustify ? DT_RIGHT
                                                                : DT_CENTER;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, align | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace tallivo::ui
