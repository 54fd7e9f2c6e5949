#include "upgrader/language.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tallivo {
namespace {

using L = TupUpdaterLanguage;

TEST(UpdaterLanguage, PicksTheLanguageOfAWindowsLanguageId) {
  const struct {
    std::uint16_t langId;
    L language;
  } cases[] = {
      {0x0416, L::wlPortugueseBrazilian},
      {0x0816, L::wlPortuguese},
      {0x0016, L::wlPortuguese},  // neutral Portuguese
      {0x0804, L::wlChineseSimplified},
      {0x1004, L::wlChineseTraditional},  // Singapore: sublanguage 4, not 2
      {0x0404, L::wlChineseTraditional},
      {0x0C04, L::wlChineseTraditional},  // Hong Kong
      {0x0409, L::wlEnglish},
      {0x0809, L::wlEnglish},
      {0x0408, L::wlEnglish},  // Greek has no block
      {0x0407, L::wlGerman},
      {0x0807, L::wlGerman},
      {0x0419, L::wlRussian},
      {0x0414, L::wlNorwegian},
      {0x0814, L::wlNorwegian},
      {0x040C, L::wlFrench},
      {0x0C0A, L::wlSpanish},
      {0x0410, L::wlItalian},
      {0x0413, L::wlDutch},
      {0x0406, L::wlDanish},
      {0x041D, L::wlSwedish},
      {0x040B, L::wlFinnish},
      {0x0425, L::wlEstonian},
      {0x0422, L::wlUkrainian},
      {0x0415, L::wlPolish},
      {0x0405, L::wlCzech},
      {0x040E, L::wlHungarian},
      {0x0418, L::wlRomanian},
      {0x0403, L::wlCatalan},
      {0x042D, L::wlBasque},
      {0x0436, L::wlAfrikaans},
      {0x0421, L::wlIndonesian},
      {0x043E, L::wlMalay},
      {0x083E, L::wlMalay},
      {0x040F, L::wlIcelandic},
      {0x041F, L::wlTurkish},
      {0x03FF, L::wlEnglish},  // unknown primary language
      {0x0000, L::wlEnglish},
      {0xFFFF, L::wlEnglish},
      {0x0419 | 0x8000, L::wlRussian},  // high sublanguage bits leave the primary alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.langId);
    EXPECT_EQ(LanguageForLangId(c.langId), c.language);
  }
}

TEST(UpdaterLanguage, GivesEachLanguageItsBlock) {
  const struct {
    L language;
    std::uint16_t base;
  } cases[] = {
      {L::wlEnglish, 41000},
      {L::wlRussian, 41050},
      {L::wlGerman, 41100},
      {L::wlPortugueseBrazilian, 41300},
      {L::wlUkrainian, 41650},
      {L::wlChineseTraditional, 42050},
      {L::wlChineseSimplified, 42100},
      {L::wlNorwegian, 42350},
      {L::wlAuto, 41000},           // no block of its own: English
      {static_cast<L>(29), 41000},  // outside the enumeration
      {static_cast<L>(-1), 41000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.language));
    EXPECT_EQ(LanguageBaseOf(c.language), c.base);
  }
}

TEST(UpdaterLanguage, FillsInPlaceholders) {
  const struct {
    const char* format;
    std::initializer_list<LangArg> args;
    const char* text;
  } cases[] = {
      {"no placeholders", {}, "no placeholders"},
      {"File size: %.1f Kb", {12.34}, "File size: 12.3 Kb"},
      {"%.1f", {0.06}, "0.1"},
      {"%.1f", {0.0}, "0.0"},
      {"%.1f", {-2.96}, "-3.0"},
      {"%.1f", {1234567.0f}, "1234567.0"},
      {"Rate %.1f Kb/s", {1.0 / 3}, "Rate 0.3 Kb/s"},
      {"Estimated time left: %d:%.2d:%.2d", {1, 2, 30}, "Estimated time left: 1:02:30"},
      {"%d:%.2d:%.2d", {123, 59, 0}, "123:59:00"},
      {"%.2d", {-5}, "-05"},
      {"%.2d", {100}, "100"},
      {"%d", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
      {"%d", {std::numeric_limits<std::uint32_t>::max()}, "4294967295"},
      {"Downloading %d of %d", {3, 7}, "Downloading 3 of 7"},
      {"A newer version of %s was released.\n%s\n?",
       {"Tallivo", "Fixes"},
       "A newer version of Tallivo was released.\nFixes\n?"},
      {"%s", {std::string("owned")}, "owned"},
      {"%s", {std::string_view("view")}, "view"},
      {"100%% done %d%%", {50}, "100% done 50%"},
      // Missing arguments: the placeholder is empty.
      {"Downloading %d of %d", {3}, "Downloading 3 of "},
      {"Host %s unreachable.", {}, "Host  unreachable."},
      {"%d:%.2d:%.2d", {}, "::"},
      // Wrong kinds: empty, and the argument is still used up.
      {"%d", {"text"}, ""},
      {"%d", {2.5}, ""},
      {"%.1f", {3}, ""},
      {"%s", {42}, ""},
      {"%s|%d", {7, 8}, "|8"},
      {"%.2d/%s", {"x", "y"}, "/y"},
      // Extra arguments are ignored.
      {"%s", {"a", "b", 3}, "a"},
      // Anything else is kept as written.
      {"%x %5d %n %.3f %", {1, 2}, "%x %5d %n %.3f %"},
      {"%.1", {1.0}, "%.1"},
      {"%.2", {1}, "%.2"},
      {"50%", {}, "50%"},
      {"%s%s", {"%d", "%s"}, "%d%s"},  // arguments are not formats
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(FormatLangText(c.format, c.args), c.text);
  }
}

TEST(UpdaterLanguage, WritesOddNumbersWithoutCrashing) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {1e20, "100000000000000000000.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatLangText("%.1f", {c.value}), c.text);
  // The largest double has 309 digits before the point.
  EXPECT_EQ(FormatLangText("%.1f", {std::numeric_limits<double>::max()}).size(), 311u);
}

}  // namespace
}  // namespace tallivo
