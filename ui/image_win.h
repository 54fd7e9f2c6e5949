// Pictures kept in stored form data (an icon file or an uncompressed BMP
// file) and the control that shows one.
#pragma once

#include <functional>

#include "ui/control_win.h"
#include "ui/icon_win.h"

namespace tallivo::ui {

class TPicture : public TPersistent {
 public:
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // An icon file, a BMP file (1 to 32 bits a pixel, uncompressed) or empty;
  // anything else throws and leaves the picture as it was.
  const Bytes& Data() const { return data_; }
  void SetData(Bytes v);
  using TPersistent::Assign;
  void Assign(const TPicture& other) { SetData(other.data_); }

  bool Empty() const { return data_.empty(); }
  // Pixels of the picture as stored (the first image of an icon).
  SIZE NaturalSize() const;
  // Draws it into `r`, stretched to fill it.
  void Draw(HDC dc, const RECT& r) const;

  std::function<void()> OnChange;

 private:
  Bytes data_;
  bool isIcon_ = false;
  mutable TIcon icon_;
};

class TImage : public TWinControl {
 public:
  explicit TImage(TComponent* owner);
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  TPicture* Picture() const { return picture_.get(); }
  // Stretched to the control's size; otherwise drawn at its own size
  // (scaled with the DPI) in the top left corner.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  // The control takes the picture's size.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);

 protected:
  void Paint(HDC dc) const override;

 private:
  void PictureChanged();

  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool autoSize_ = false;
};

}  // namespace tallivo::ui
