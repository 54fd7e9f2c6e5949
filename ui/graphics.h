// Colours and fonts as stored settings; the Win32 side turns them into
// COLORREFs and HFONTs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ui/published.h"

namespace tallivo::ui {

// An RGB value (0x00BBGGRR) or, with the high byte 0xFF, a system colour index.
struct TColor {
  std::int32_t value = 0;
  constexpr bool operator==(const TColor&) const = default;
  constexpr bool IsSystem() const { return (static_cast<std::uint32_t>(value) & 0xFF000000u) == 0xFF000000u; }
  constexpr int SystemIndex() const { return value & 0xFF; }
};

inline constexpr TColor clBlack{0x000000};
inline constexpr TColor clRed{0x0000FF};
inline constexpr TColor clBlue{0xFF0000};
inline constexpr TColor clWhite{0xFFFFFF};
inline constexpr TColor clFuchsia{0xFF00FF};
inline constexpr TColor clNone{0x1FFFFFFF};
inline constexpr TColor clActiveCaption{static_cast<std::int32_t>(0xFF000002u)};
inline constexpr TColor clWindow{static_cast<std::int32_t>(0xFF000005u)};
inline constexpr TColor clWindowText{static_cast<std::int32_t>(0xFF000008u)};
inline constexpr TColor clBtnFace{static_cast<std::int32_t>(0xFF00000Fu)};
inline constexpr TColor clBtnShadow{static_cast<std::int32_t>(0xFF000010u)};
inline constexpr TColor clGrayText{static_cast<std::int32_t>(0xFF000011u)};
inline constexpr TColor clBtnText{static_cast<std::int32_t>(0xFF000012u)};
inline constexpr TColor clInfoBk{static_cast<std::int32_t>(0xFF000018u)};

// The colour's name (clRed, clBtnFace, ...) or empty when it has none.
std::string ColorName(TColor c);
// Looks a colour name up; false when unknown.
bool ColorFromName(std::string_view name, TColor& out);

template <>
struct PropTraits<TColor> {
  static constexpr PropKind kKind = PropKind::Enum;
  static PropValue To(TColor c);
  static TColor From(const PropValue& v);
};

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
template <>
const EnumNames& EnumNamesOf<TFontStyle>();

// Font settings; Height is in pixels at 96 dpi (negative: character height).
class TFont : public TPersistent {
 public:
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Name() const { return name_; }
  void SetName(std::string v);
  int Height() const { return height_; }
  void SetHeight(int v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Charset() const { return charset_; }
  void SetCharset(int v);

  // Copies every setting (one change notification).
  using TPersistent::Assign;
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

  // Called after every change.
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
  int charset_ = 1;  // DEFAULT_CHARSET
};

}  // namespace tallivo::ui
