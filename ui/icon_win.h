// Icon images and image lists kept as icon files in stored form data, turned
// into system icons at the size the screen needs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <span>

#include "ui/handles_win.h"
#include "ui/published.h"

namespace tallivo::ui {

// One icon image: an icon file (several sizes) and the system icon made from
// it at Size. Each change of the image is told through OnChange.
class TIcon : public TPersistent {
 public:
  TIcon() = default;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // The icon file; empty for no image. Anything else must be a well-formed
  // icon file.
  const Bytes& Data() const { return data_; }
  void SetData(Bytes v);
  // Takes the image of `data`, an icon file already checked, or empty.
  void SetImage(std::span<const std::uint8_t> data);
  // Copies other's image (one change).
  using TPersistent::Assign;
  void Assign(const TIcon& other);

  // Pixels the system icon is made at; 0 (the default) is the system's small-icon size.
  int Size() const { return size_; }
  void SetSize(int v);

  bool Empty() const { return data_.empty(); }
  // The system icon, made on first use; nullptr for no image or one the
  // system cannot draw. Owned by this image.
  HICON Handle() const;

  std::function<void()> OnChange;

 private:
  void Changed();

  Bytes data_;
  int size_ = 0;
  mutable UniqueIcon handle_;
  mutable bool made_ = false;
};

// A list of icon images of one size, stored as icon files one after another.
class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner) : TComponent(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // Nominal size of the images at 96 dpi.
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  int Height() const { return height_; }
  void SetHeight(int v) { height_ = v; }

  // The images: icon files one after another.
  const Bytes& Data() const { return data_; }
  void SetData(Bytes v);

  // Number of images (0 without data).
  int Count() const { return static_cast<int>(images_.size()); }
  // Copies image `index` into `icon`; an index that does not exist gives an empty icon.
  void GetIcon(int index, TIcon& icon) const;

 private:
  int width_ = 16;
  int height_ = 16;
  Bytes data_;
  std::vector<std::span<const std::uint8_t>> images_;  // views into data_
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }
};

}  // namespace tallivo::ui
