#include "upgrader/language.h"

#include <array>
#include <charconv>
#include <system_error>

namespace tallivo {
namespace {

struct LanguageEntry {
  TupUpdaterLanguage language;
  std::uint16_t primary;
};

// Searched in this order, so the first of two languages sharing a primary id wins.
constexpr std::array<LanguageEntry, kLanguageCount> kLanguages{{
    {TupUpdaterLanguage::wlEnglish, 0x09},
    {TupUpdaterLanguage::wlRussian, 0x19},
    {TupUpdaterLanguage::wlGerman, 0x07},
    {TupUpdaterLanguage::wlFrench, 0x0C},
    {TupUpdaterLanguage::wlSpanish, 0x0A},
    {TupUpdaterLanguage::wlPortuguese, 0x16},
    {TupUpdaterLanguage::wlPortugueseBrazilian, 0x16},
    {TupUpdaterLanguage::wlItalian, 0x10},
    {TupUpdaterLanguage::wlDutch, 0x13},
    {TupUpdaterLanguage::wlDanish, 0x06},
    {TupUpdaterLanguage::wlSwedish, 0x1D},
    {TupUpdaterLanguage::wlFinnish, 0x0B},
    {TupUpdaterLanguage::wlEstonian, 0x25},
    {TupUpdaterLanguage::wlUkrainian, 0x22},
    {TupUpdaterLanguage::wlPolish, 0x15},
    {TupUpdaterLanguage::wlCzech, 0x05},
    {TupUpdaterLanguage::wlHungarian, 0x0E},
    {TupUpdaterLanguage::wlRomanian, 0x18},
    {TupUpdaterLanguage::wlCatalan, 0x03},
    {TupUpdaterLanguage::wlBasque, 0x2D},
    {TupUpdaterLanguage::wlAfrikaans, 0x36},
    {TupUpdaterLanguage::wlChineseTraditional, 0x04},
    {TupUpdaterLanguage::wlChineseSimplified, 0x04},
    {TupUpdaterLanguage::wlIndonesian, 0x21},
    {TupUpdaterLanguage::wlMalay, 0x3E},
    {TupUpdaterLanguage::wlIcelandic, 0x0F},
    {TupUpdaterLanguage::wlTurkish, 0x1F},
    {TupUpdaterLanguage::wlNorwegian, 0x14},
}};

void AppendInteger(std::string& out, std::int64_t value, int minDigits) {
  std::array<char, 24> digits{};
  const bool negative = value < 0;
  // Through unsigned, so the most negative value has a magnitude too.
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude);
  const auto length = static_cast<int>(end - digits.data());
  if (negative) out += '-';
  if (length < minDigits) out.append(static_cast<std::size_t>(minDigits - length), '0');
  out.append(digits.data(), end);
}

void AppendFixed(std::string& out, double value) {
  // Wide enough for the largest double written out in full.
  std::array<char, 400> buffer{};
  const auto [end, ec] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 1);
  if (ec == std::errc()) out.append(buffer.data(), end);
}

}  // namespace

TupUpdaterLanguage LanguageForLangId(std::uint16_t langId) {
  const std::uint16_t primary = langId & 0x3FF;
  const std::uint16_t sub = langId >> 10;
  if (primary == 0x16) {
    return sub == 1 ? TupUpdaterLanguage::wlPortugueseBrazilian : TupUpdaterLanguage::wlPortuguese;
  }
  if (primary == 0x04) {
    return sub == 2 ? TupUpdaterLanguage::wlChineseSimplified : TupUpdaterLanguage::wlChineseTraditional;
  }
  for (const LanguageEntry& entry : kLanguages) {
    if (entry.primary == primary) return entry.language;
  }
  return TupUpdaterLanguage::wlEnglish;
}

std::uint16_t LanguageBaseOf(TupUpdaterLanguage language) {
  const int ordinal = static_cast<int>(language);
  const int block = ordinal >= 1 && ordinal <= kLanguageCount ? ordinal : 1;
  return static_cast<std::uint16_t>(kFirstLanguageBase + kLanguageBlockSize * (block - 1));
}

std::string FormatLangText(std::string_view format, std::initializer_list<LangArg> args) {
  std::string out;
  auto next = args.begin();
  const auto take = [&]() -> const LangArg* { return next == args.end() ? nullptr : &*next++; };
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    const std::string_view rest = format.substr(i);
    if (c != '%') {
      out += c;
      ++i;
    } else if (rest.starts_with("%%")) {
      out += '%';
      i += 2;
    } else if (rest.starts_with("%s")) {
      const LangArg* arg = take();
      if (const auto* s = arg ? std::get_if<std::string>(&arg->Value()) : nullptr) out += *s;
      i += 2;
    } else if (rest.starts_with("%d") || rest.starts_with("%.2d")) {
      const int minDigits = rest[1] == 'd' ? 1 : 2;
      const LangArg* arg = take();
      if (const auto* n = arg ? std::get_if<std::int64_t>(&arg->Value()) : nullptr) {
        AppendInteger(out, *n, minDigits);
      }
      i += minDigits == 1 ? 2 : 4;
    } else if (rest.starts_with("%.1f")) {
      const LangArg* arg = take();
      if (const auto* d = arg ? std::get_if<double>(&arg->Value()) : nullptr) AppendFixed(out, *d);
      i += 4;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace tallivo
