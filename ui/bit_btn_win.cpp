#include "ui/bit_btn_win.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "ui/handles_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {
namespace {

struct ThemeTraits {
  using Handle = HTHEME;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseThemeData(h); }
};
using UniqueTheme = UniqueHandle<ThemeTraits>;

int PushButtonState(UINT itemState, bool hot, bool isDefault) {
  if (itemState & ODS_DISABLED) return PBS_DISABLED;
  if (itemState & ODS_SELECTED) return PBS_PRESSED;
  if (hot) return PBS_HOT;
  if (isDefault || (itemState & ODS_FOCUS)) return PBS_DEFAULTED;
  return PBS_NORMAL;
}

}  // namespace

const ClassInfo& TBitBtn::StaticClass() {
  static const ClassInfo info("TBitBtn", &TButton::StaticClass(), &Construct<TBitBtn>,
                              {
                                  Property<TBitBtn>("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph, Bytes()),
                                  Property<TBitBtn>("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing, 4),
                              });
  return info;
}

void TBitBtn::SetGlyph(Bytes v) {
  std::optional<BitmapFileView> view;
  if (!v.empty()) {
    view = ParseBitmapFile(v);
    if (!view) throw std::runtime_error("the glyph is not an uncompressed BMP file");
  }
  glyph_ = std::move(v);
  view_ = view;
  bitmap_.Reset();
  transparent_ = CLR_INVALID;
  Invalidate();
}

void TBitBtn::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

HBITMAP TBitBtn::GlyphBitmap() const {
  if (bitmap_ || !view_) return bitmap_.Get();
  // The info header and palette, copied so the system reads them aligned.
  std::vector<DWORD> info((view_->bitsOffset - view_->infoOffset + sizeof(DWORD) - 1) / sizeof(DWORD));
  std::memcpy(info.data(), glyph_.data() + view_->infoOffset, view_->bitsOffset - view_->infoOffset);
  const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
  WindowDc screen(nullptr);
  bitmap_.Reset(CreateDIBitmap(screen.Get(), &bmi->bmiHeader, CBM_INIT, glyph_.data() + view_->bitsOffset,
                               bmi, DIB_RGB_COLORS));
  if (bitmap_) {
    MemoryDc memory(screen.Get());
    SelectObjectScope select(memory.Get(), bitmap_.Get());
    // Device bitmaps run top to bottom whatever the file's row order.
    transparent_ = GetPixel(memory.Get(), 0, std::abs(view_->height) - 1);
  }
  return bitmap_.Get();
}

void TBitBtn::FillCreateParams(CreateParams& params) {
  TButton::FillCreateParams(params);
  // Drawn here; a default button is marked through its frame, not its style.
  params.style = (params.style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

LRESULT TBitBtn::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button reports a second quick click as a double click
      // instead of a click; treat it as a press so every click counts.
      return TButton::WndProc(WM_LBUTTONDOWN, wParam, lParam);
    case WM_MOUSEMOVE:
      if (!hot_) {
        hot_ = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&track);
        Invalidate();
      }
      break;
    case WM_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      break;
    default:
      break;
  }
  return TButton::WndProc(msg, wParam, lParam);
}

void TBitBtn::DrawGlyph(HDC dc, int x, int y, bool enabled) const {
  HBITMAP bitmap = GlyphBitmap();
  if (!bitmap) return;
  const int w = view_->width;
  const int h = std::abs(view_->height);
  MemoryDc memory(dc);
  SelectObjectScope select(memory.Get(), bitmap);
  if (enabled) {
    TransparentBlt(dc, x, y, Scale(w), Scale(h), memory.Get(), 0, 0, w, h, transparent_);
    return;
  }
  // Disabled: the glyph's shape embossed in the system's greys. The mask is
  // white where the glyph is transparent, black elsewhere; DrawState selects
  // it into a DC of its own, so it is let go of here first.
  UniqueBitmap mask(CreateBitmap(Scale(w), Scale(h), 1, 1, nullptr));
  {
    MemoryDc maskDc(dc);
    SelectObjectScope selectMask(maskDc.Get(), mask.Get());
    SetBkColor(memory.Get(), transparent_);
    StretchBlt(maskDc.Get(), 0, 0, Scale(w), Scale(h), memory.Get(), 0, 0, w, h, SRCCOPY);
  }
  DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(mask.Get()), 0, x, y, Scale(w), Scale(h),
             DST_BITMAP | DSS_DISABLED);
}

bool TBitBtn::ReflectDrawItem(DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  RECT r = item->rcItem;
  const UINT state = item->itemState;
  const bool enabled = !(state & ODS_DISABLED);
  const bool pressed = (state & ODS_SELECTED) != 0;

  RECT content = r;
  const UniqueTheme theme(IsAppThemed() ? OpenThemeData(Handle(), L"BUTTON") : nullptr);
  if (theme.Get()) {
    const int part = BP_PUSHBUTTON;
    const int themeState = PushButtonState(state, hot_, Default());
    if (IsThemeBackgroundPartiallyTransparent(theme.Get(), part, themeState))
      DrawThemeParentBackground(Handle(), dc, &r);
    DrawThemeBackground(theme.Get(), dc, part, themeState, &r, nullptr);
    GetThemeBackgroundContentRect(theme.Get(), dc, part, themeState, &r, &content);
  } else {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    UINT frame = DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0);
    if (Default()) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, frame);
    InflateRect(&content, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  }

  // The glyph and the caption side by side, centred as one block.
  SelectObjectScope font(dc, FontHandle());
  const std::wstring text = Widen(Caption());
  const UINT prefix = (state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  RECT measure{0, 0, 0, 0};
  if (!text.empty())
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, DT_CALCRECT | DT_SINGLELINE);
  const int glyphWidth = view_ ? Scale(view_->width) : 0;
  const int glyphHeight = view_ ? Scale(std::abs(view_->height)) : 0;
  const int gap = glyphWidth > 0 && !text.empty() ? Scale(spacing_) : 0;
  const int blockWidth = glyphWidth + gap + (measure.right - measure.left);
  const int shift = pressed && !theme.Get() ? 1 : 0;
  int x = content.left + (content.right - content.left - blockWidth) / 2 + shift;
  const int middle = (content.top + content.bottom) / 2 + shift;
  if (glyphWidth > 0) {
    DrawGlyph(dc, x, middle - glyphHeight / 2, enabled);
    x += glyphWidth + gap;
  }
  if (!text.empty()) {
    RECT textRect{x, content.top + shift, x + (measure.right - measure.left), content.bottom + shift};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | prefix);
  }
  if ((state & ODS_FOCUS) && !(state & ODS_NOFOCUSRECT)) {
    RECT focus = content;
    if (theme.Get()) InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }
  return true;
}

}  // namespace tallivo::ui
