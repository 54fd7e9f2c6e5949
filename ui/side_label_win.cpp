#include "ui/side_label_win.h"

#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

COLORREF ToColorRef(TColor c) {
  return c.IsSystem() ? GetSysColor(c.SystemIndex()) : static_cast<COLORREF>(c.value & 0xFFFFFF);
}

// Escapement and orientation in tenths of a degree, counter-clockwise.
constexpr LONG kUpwards = 900;

}  // namespace

template <>
const EnumNames& EnumNamesOf<TSideLabelStyle>() {
  static const EnumNames names{{"lsNormal", "lsRaised", "lsLowered"}};
  return names;
}

const ClassInfo& TSideLabel::StaticClass() {
  static const ClassInfo info(
      "TSideLabel", &TWinControl::StaticClass(), &Construct<TSideLabel>,
      {
          Property<TSideLabel>("AutoSize", &TSideLabel::AutoSize, &TSideLabel::SetAutoSize, true),
          Property<TSideLabel>("BorderColor", &TSideLabel::BorderColor, &TSideLabel::SetBorderColor, clNone),
          Property<TSideLabel>("Caption", &TSideLabel::Caption, &TSideLabel::SetCaption, std::string()),
          Property<TSideLabel>("Style", &TSideLabel::Style, &TSideLabel::SetStyle, TSideLabelStyle::lsNormal),
      });
  return info;
}

void TSideLabel::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (!HandleAllocated()) return;
  SetWindowTextW(Handle(), Widen(caption_).c_str());
  AdjustSize();
  Invalidate();
}

void TSideLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  AdjustSize();
}

void TSideLabel::SetStyle(TSideLabelStyle v) {
  style_ = v;
  Invalidate();
}

void TSideLabel::SetBorderColor(TColor v) {
  borderColor_ = v;
  Invalidate();
}

void TSideLabel::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.text = Widen(caption_);
}

void TSideLabel::FontChanged() {
  rotatedFont_.Reset();
  TWinControl::FontChanged();
  AdjustSize();
  Invalidate();
}

void TSideLabel::DpiChanged() {
  rotatedFont_.Reset();
  TWinControl::DpiChanged();
  AdjustSize();
}

HFONT TSideLabel::RotatedFont() const {
  if (!rotatedFont_) {
    LOGFONTW lf{};
    GetObjectW(FontHandle(), sizeof(lf), &lf);
    lf.lfEscapement = kUpwards;
    lf.lfOrientation = kUpwards;
    // Raster fonts cannot turn; ask for an outline font of the same name.
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    rotatedFont_.Reset(CreateFontIndirectW(&lf));
  }
  return rotatedFont_.Get();
}

SIZE TSideLabel::TextExtent(HDC dc) const {
  // Measured unrotated: the rotated font reports the same advance and height.
  SelectObjectScope font(dc, FontHandle());
  const std::wstring text = Widen(caption_);
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void TSideLabel::AdjustSize() {
  if (!autoSize_ || !HandleAllocated()) return;
  WindowDc dc(Handle());
  const SIZE text = TextExtent(dc.Get());
  const int frame = borderColor_ == clNone ? 0 : 2;
  SetWindowPos(Handle(), nullptr, 0, 0, text.cy + 2 + frame, text.cx + 2 + frame,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TSideLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      // Like a static text: clicks go to the window underneath.
      return HTTRANSPARENT;
    default:
      return TWinControl::WndProc(msg, wParam, lParam);
  }
}

void TSideLabel::Paint(HDC dc) const {
  RECT client;
  GetClientRect(Handle(), &client);
  FillRect(dc, &client, BackgroundBrush());
  if (borderColor_ != clNone) {
    UniqueBrush border(CreateSolidBrush(ToColorRef(borderColor_)));
    FrameRect(dc, &client, border.Get());
  }
  if (caption_.empty()) return;
  const SIZE text = TextExtent(dc);
  // Turned 90 degrees counter-clockwise, the text starts at the bottom and
  // runs up; its cell lies to the right of the reference point.
  const int x = (client.right - text.cy) / 2;
  const int y = (client.bottom + text.cx) / 2;
  SelectObjectScope font(dc, RotatedFont());
  SetBkMode(dc, TRANSPARENT);
  const std::wstring caption = Widen(caption_);
  const auto draw = [&](int dx, int dy, COLORREF color) {
    SetTextColor(dc, color);
    ExtTextOutW(dc, x + dx, y + dy, ETO_CLIPPED, &client, caption.c_str(), static_cast<UINT>(caption.size()),
                nullptr);
  };
  if (style_ == TSideLabelStyle::lsLowered) draw(1, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  if (style_ == TSideLabelStyle::lsRaised) draw(1, 1, GetSysColor(COLOR_BTNSHADOW));
  draw(0, 0, ToColorRef(Font()->Color()));
}

}  // namespace tallivo::ui
