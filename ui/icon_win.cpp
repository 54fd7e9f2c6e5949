#include "ui/icon_win.h"

#include <stdexcept>

#include "ui/icon_file.h"

namespace tallivo::ui {

const ClassInfo& TIcon::StaticClass() {
  static const ClassInfo info("TIcon", nullptr, nullptr,
                              {Property<TIcon>("Data", &TIcon::Data, &TIcon::SetData, Bytes())});
  return info;
}

void TIcon::SetData(Bytes v) {
  if (!v.empty()) {
    const auto view = ParseIconFile(v);
    if (!view || view->length != v.size())
      throw std::runtime_error("the icon is not a well-formed icon file");
  }
  data_ = std::move(v);
  Changed();
}

void TIcon::SetImage(std::span<const std::uint8_t> data) {
  data_.assign(data.begin(), data.end());
  Changed();
}

void TIcon::Assign(const TIcon& other) {
  if (&other == this) return;
  data_ = other.data_;
  Changed();
}

void TIcon::SetSize(int v) {
  if (v == size_) return;
  size_ = v;
  Changed();
}

void TIcon::Changed() {
  handle_.Reset();
  made_ = false;
  if (OnChange) OnChange();
}

HICON TIcon::Handle() const {
  if (made_) return handle_.Get();
  made_ = true;
  const auto view = ParseIconFile(data_);
  if (!view) return nullptr;
  const int size = size_ > 0 ? size_ : GetSystemMetrics(SM_CXSMICON);
  const IconEntry& e = view->entries[ChooseIconEntry(view->entries, size)];
  // The call only reads the image, whatever its parameter type says.
  auto* bits = const_cast<BYTE*>(data_.data() + e.offset);
  handle_.Reset(CreateIconFromResourceEx(bits, static_cast<DWORD>(e.size), TRUE, 0x00030000, size, size,
                                         LR_DEFAULTCOLOR));
  return handle_.Get();
}

const ClassInfo& TCustomImageList::StaticClass() {
  static const ClassInfo info(
      "TCustomImageList", &TComponent::StaticClass(), nullptr,
      {
          Property<TCustomImageList>("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, 16),
          Property<TCustomImageList>("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16),
          Property<TCustomImageList>("Data", &TCustomImageList::Data, &TCustomImageList::SetData, Bytes()),
      });
  return info;
}

void TCustomImageList::SetData(Bytes v) {
  auto files = SplitIconFiles(v);
  if (!files) throw std::runtime_error("the images are not icon files one after another");
  // The views point into the buffer, which moving does not relocate.
  data_ = std::move(v);
  images_ = std::move(*files);
}

void TCustomImageList::GetIcon(int index, TIcon& icon) const {
  if (index >= 0 && index < Count()) {
    icon.SetImage(images_[static_cast<std::size_t>(index)]);
  } else {
    icon.SetImage({});
  }
}

const ClassInfo& TImageList::StaticClass() {
  static const ClassInfo info("TImageList", &TCustomImageList::StaticClass(), &Construct<TImageList>, {});
  return info;
}

}  // namespace tallivo::ui
