// The updater's 28 languages: which one a Windows language id selects, where
// its texts start in the string table, and how a text's placeholders are
// filled in. Portable; the texts themselves are in res/upgrader_strings.rc.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tallivo {

// Ordinal L (1..28) is the language's block in the string table.
enum class TupUpdaterLanguage {
  wlAuto,
  wlEnglish,
  wlRussian,
  wlGerman,
  wlFrench,
  wlSpanish,
  wlPortuguese,
  wlPortugueseBrazilian,
  wlItalian,
  wlDutch,
  wlDanish,
  wlSwedish,
  wlFinnish,
  wlEstonian,
  wlUkrainian,
  wlPolish,
  wlCzech,
  wlHungarian,
  wlRomanian,
  wlCatalan,
  wlBasque,
  wlAfrikaans,
  wlChineseTraditional,
  wlChineseSimplified,
  wlIndonesian,
  wlMalay,
  wlIcelandic,
  wlTurkish,
  wlNorwegian,
};

inline constexpr int kLanguageCount = 28;
inline constexpr std::uint16_t kFirstLanguageBase = 41000;
inline constexpr std::uint16_t kLanguageBlockSize = 50;
inline constexpr int kLanguageTextCount = 33;  // texts 0..32 of a block

// Fixed texts outside the blocks.
inline constexpr std::uint16_t kAppTitleStandInId = 40997;  // "<AppTitle>"
inline constexpr std::uint16_t kAppTitleMarkerId = 40998;   // a title holding it is shown as 40997
inline constexpr std::uint16_t kUpdaterSignatureId = 40999;

// A Windows LANGID: the primary language (low 10 bits) picks the block;
// the sublanguage only tells Brazilian from European Portuguese and
// Simplified from Traditional Chinese. Unknown languages get English.
TupUpdaterLanguage LanguageForLangId(std::uint16_t langId);

// The first string id of the language's block. wlAuto, which names no block,
// and values outside the enumeration give English's, so a text is always found.
std::uint16_t LanguageBaseOf(TupUpdaterLanguage language);

// One value for a text's placeholder.
class LangArg {
 public:
  LangArg(std::string_view s) : value_(std::string(s)) {}
  LangArg(const char* s) : value_(std::string(s ? s : "")) {}
  LangArg(const std::string& s) : value_(s) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) LangArg(T i)
      : value_(static_cast<std::int64_t>(i)) {}
  template <std::floating_point T>
  LangArg(T d) : value_(static_cast<double>(d)) {}

  const std::variant<std::string, std::int64_t, double>& Value() const { return value_; }

 private:
  std::variant<std::string, std::int64_t, double> value_;
};

// The text with its placeholders filled from `args` in order: %s a string,
// %d an integer, %.1f a number with one decimal ("." whatever the locale),
// %.2d an integer of at least two digits, %% a percent sign. A placeholder
// whose argument is missing or of another kind becomes empty text: the texts
// come from translators, and a slip there must not crash or show garbage.
// Any other "%" is kept as it is; extra arguments are ignored.
std::string FormatLangText(std::string_view format, std::initializer_list<LangArg> args);

}  // namespace tallivo
