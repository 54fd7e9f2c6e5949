// A push button that shows a small picture (the glyph) left of its caption.
// The glyph is a BMP file stored in the form; its bottom-left pixel's colour
// is transparent.
#pragma once

#include <optional>

#include "ui/bitmap_file.h"
#include "ui/button_win.h"

namespace tallivo::ui {

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* owner) : TButton(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // The BMP file's bytes; empty for none. Throws std::runtime_error for data
  // that is not an uncompressed BMP.
  const Bytes& Glyph() const { return glyph_; }
  void SetGlyph(Bytes v);
  // Pixels (at 96 dpi) between the glyph and the caption.
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);

  // The glyph as a bitmap at its own size; null without a glyph.
  HBITMAP GlyphBitmap() const;
  // The glyph's transparent colour; CLR_INVALID without a glyph.
  COLORREF TransparentColor() const {
    GlyphBitmap();
    return transparent_;
  }

 protected:
  void FillCreateParams(CreateParams& params) override;
  bool ReflectDrawItem(DRAWITEMSTRUCT* item) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void DrawGlyph(HDC dc, int x, int y, bool enabled) const;

  Bytes glyph_;
  std::optional<BitmapFileView> view_;
  int spacing_ = 4;
  mutable UniqueBitmap bitmap_;
  mutable COLORREF transparent_ = CLR_INVALID;
  bool hot_ = false;
};

}  // namespace tallivo::ui
