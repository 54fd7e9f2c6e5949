#include "ui/image_win.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "ui/bitmap_file.h"
#include "ui/icon_file.h"

namespace tallivo::ui {

const ClassInfo& TPicture::StaticClass() {
  static const ClassInfo info("TPicture", nullptr, nullptr,
                              {Property<TPicture>("Data", &TPicture::Data, &TPicture::SetData, Bytes())});
  return info;
}

void TPicture::SetData(Bytes v) {
  bool isIcon = false;
  if (!v.empty()) {
    const auto iconView = ParseIconFile(v);
    isIcon = iconView && iconView->length == v.size();
    if (!isIcon && !ParseBitmapFile(v))
      throw std::runtime_error("the picture is neither an icon nor a BMP file");
  }
  if (isIcon) icon_.SetImage(v);
  data_ = std::move(v);
  isIcon_ = isIcon;
  if (OnChange) OnChange();
}

SIZE TPicture::NaturalSize() const {
  if (isIcon_) {
    const auto view = ParseIconFile(data_);
    return SIZE{view->entries.front().width, view->entries.front().height};
  }
  if (const auto view = ParseBitmapFile(data_)) return SIZE{view->width, std::abs(view->height)};
  return SIZE{0, 0};
}

void TPicture::Draw(HDC dc, const RECT& r) const {
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (isIcon_) {
    icon_.SetSize(std::min(w, h));
    if (HICON icon = icon_.Handle()) DrawIconEx(dc, r.left, r.top, icon, w, h, 0, nullptr, DI_NORMAL);
    return;
  }
  const auto view = ParseBitmapFile(data_);
  if (!view) return;
  // The info header and palette, copied so the system reads them aligned.
  std::vector<DWORD> info((view->bitsOffset - view->infoOffset + sizeof(DWORD) - 1) / sizeof(DWORD));
  std::memcpy(info.data(), data_.data() + view->infoOffset, view->bitsOffset - view->infoOffset);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, r.left, r.top, w, h, 0, 0, view->width, std::abs(view->height),
                data_.data() + view->bitsOffset, reinterpret_cast<const BITMAPINFO*>(info.data()),
                DIB_RGB_COLORS, SRCCOPY);
}

TImage::TImage(TComponent* owner) : TWinControl(owner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this] { PictureChanged(); };
}

const ClassInfo& TImage::StaticClass() {
  static const ClassInfo info(
      "TImage", &TWinControl::StaticClass(), &Construct<TImage>,
      {
          Property<TImage>("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false),
          ObjectProperty<TImage>("Picture", &TImage::Picture),
          Property<TImage>("Stretch", &TImage::Stretch, &TImage::SetStretch, false),
      });
  return info;
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (autoSize_ && !picture_->Empty()) {
    const SIZE size = picture_->NaturalSize();
    SetBounds(Left(), Top(), size.cx, size.cy);
  }
  Invalidate();
}

void TImage::Paint(HDC dc) const {
  RECT r{};
  GetClientRect(Handle(), &r);
  if (!stretch_) {
    const SIZE size = picture_->NaturalSize();
    r.right = r.left + Scale(size.cx);
    r.bottom = r.top + Scale(size.cy);
  }
  picture_->Draw(dc, r);
}

}  // namespace tallivo::ui
