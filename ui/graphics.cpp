#include "ui/graphics.h"

#include <array>
#include <stdexcept>

namespace tallivo::ui {

namespace {

struct NamedColor {
  std::string_view name;
  std::uint32_t value;
};

constexpr std::array kColors{
    NamedColor{"clBlack", 0x000000},
    NamedColor{"clMaroon", 0x000080},
    NamedColor{"clGreen", 0x008000},
    NamedColor{"clOlive", 0x008080},
    NamedColor{"clNavy", 0x800000},
    NamedColor{"clPurple", 0x800080},
    NamedColor{"clTeal", 0x808000},
    NamedColor{"clGray", 0x808080},
    NamedColor{"clSilver", 0xC0C0C0},
    NamedColor{"clRed", 0x0000FF},
    NamedColor{"clLime", 0x00FF00},
    NamedColor{"clYellow", 0x00FFFF},
    NamedColor{"clBlue", 0xFF0000},
    NamedColor{"clFuchsia", 0xFF00FF},
    NamedColor{"clAqua", 0xFFFF00},
    NamedColor{"clWhite", 0xFFFFFF},
    NamedColor{"clNone", 0x1FFFFFFF},
    NamedColor{"clDefault", 0x20000000},
    NamedColor{"clScrollBar", 0xFF000000},
    NamedColor{"clBackground", 0xFF000001},
    NamedColor{"clActiveCaption", 0xFF000002},
    NamedColor{"clInactiveCaption", 0xFF000003},
    NamedColor{"clMenu", 0xFF000004},
    NamedColor{"clWindow", 0xFF000005},
    NamedColor{"clWindowFrame", 0xFF000006},
    NamedColor{"clMenuText", 0xFF000007},
    NamedColor{"clWindowText", 0xFF000008},
    NamedColor{"clCaptionText", 0xFF000009},
    NamedColor{"clActiveBorder", 0xFF00000A},
    NamedColor{"clInactiveBorder", 0xFF00000B},
    NamedColor{"clAppWorkSpace", 0xFF00000C},
    NamedColor{"clHighlight", 0xFF00000D},
    NamedColor{"clHighlightText", 0xFF00000E},
    NamedColor{"clBtnFace", 0xFF00000F},
    NamedColor{"clBtnShadow", 0xFF000010},
    NamedColor{"clGrayText", 0xFF000011},
    NamedColor{"clBtnText", 0xFF000012},
    NamedColor{"clInactiveCaptionText", 0xFF000013},
    NamedColor{"clBtnHighlight", 0xFF000014},
    NamedColor{"cl3DDkShadow", 0xFF000015},
    NamedColor{"cl3DLight", 0xFF000016},
    NamedColor{"clInfoText", 0xFF000017},
    NamedColor{"clInfoBk", 0xFF000018},
};

}  // namespace

std::string ColorName(TColor c) {
  for (const auto& nc : kColors) {
    if (static_cast<std::int32_t>(nc.value) == c.value) return std::string(nc.name);
  }
  return {};
}

bool ColorFromName(std::string_view name, TColor& out) {
  for (const auto& nc : kColors) {
    if (SameText(nc.name, name)) {
      out = TColor{static_cast<std::int32_t>(nc.value)};
      return true;
    }
  }
  return false;
}

PropValue PropTraits<TColor>::To(TColor c) {
  std::string name = ColorName(c);
  if (!name.empty()) return EnumValue{std::move(name)};
  return static_cast<std::int64_t>(c.value);
}

TColor PropTraits<TColor>::From(const PropValue& v) {
  if (const auto* e = std::get_if<EnumValue>(&v)) {
    TColor c;
    if (!ColorFromName(e->name, c)) throw std::runtime_error("unknown colour " + e->name);
    return c;
  }
  const std::int64_t i = IntegerFrom(v);
  if (i < INT32_MIN || i > static_cast<std::int64_t>(UINT32_MAX)) ThrowOutOfRange(i);
  return TColor{static_cast<std::int32_t>(static_cast<std::uint32_t>(i))};
}

template <>
const EnumNames& EnumNamesOf<TFontStyle>() {
  static const EnumNames names{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
  return names;
}

const ClassInfo& TFont::StaticClass() {
  static const ClassInfo info("TFont", nullptr, nullptr,
                              {
                                  Property<TFont>("Charset", &TFont::Charset, &TFont::SetCharset, 1),
                                  Property<TFont>("Color", &TFont::Color, &TFont::SetColor, clWindowText),
                                  Property<TFont>("Height", &TFont::Height, &TFont::SetHeight, -11),
                                  Property<TFont>("Name", &TFont::Name, &TFont::SetName, "MS Sans Serif"),
                                  Property<TFont>("Style", &TFont::Style, &TFont::SetStyle, TFontStyles{}),
                              });
  return info;
}

void TFont::SetName(std::string v) {
  if (v == name_) return;
  name_ = std::move(v);
  Changed();
}

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetCharset(int v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  name_ = other.name_;
  height_ = other.height_;
  style_ = other.style_;
  color_ = other.color_;
  charset_ = other.charset_;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
         color_ == other.color_ && charset_ == other.charset_;
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

}  // namespace tallivo::ui
