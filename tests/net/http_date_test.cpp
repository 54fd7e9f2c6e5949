#include "net/http_date.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallivo {
namespace {

// Day counts from 30 December 1899, worked out with a calendar.
constexpr double k1994Nov6 = 34644;
constexpr double kTime084937 = (8 * 3600 + 49 * 60 + 37) / 86400.0;
constexpr double kInstant = k1994Nov6 + kTime084937;  // 6 Nov 1994 08:49:37 UTC
constexpr double kHour = 1 / 24.0;
constexpr double kTolerance = 1e-9;  // a tenth of a millisecond, in days

TEST(HttpDate, ReadsTheThreeFormsZonesAndYears) {
  struct Case {
    std::string text;
    double bias;  // UTC minus local time, in days
    double expected;
  };
  const std::vector<Case> cases = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 0, kInstant},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 0, kInstant},
      {"Sun Nov  6 08:49:37 1994", 0, kInstant},
      {"  sun, 06 nov 1994 08:49:37 gmt \r\n", 0, kInstant},
      {"Sun Nov 16 08:49:37 1994", 0, 34654 + kTime084937},
      {"Sun, 06 Nov 1994 08:49:37 GMT", -kHour, kInstant + kHour},  // local UTC+1
      {"Sun, 06 Nov 1994 08:49:37 GMT", 5 * kHour, kInstant - 5 * kHour},
      {"Sun, 06 Nov 1994 08:49:37 +0100", 0, kInstant - kHour},
      {"Sun, 06 Nov 1994 08:49:37 -0130", 0, kInstant + 1.5 * kHour},
      {"Sun, 06 Nov 1994 08:49:37 -0130", -kHour, kInstant + 2.5 * kHour},
      {"Sun, 06 Nov 1994 08:49:37 CEST", 0, kInstant},   // zone names count as UTC
      {"Sun, 06 Nov 1994 08:49:37 +2400", 0, kInstant},  // impossible offset
      {"06 Nov 1994", 0, k1994Nov6},
      {"Sunday, 06-Nov-00 08:49:37 GMT", 0, 36836 + kTime084937},
      {"Sunday, 06-Nov-79 08:49:37 GMT", 0, 65690 + kTime084937},
      {"Sunday, 06-Nov-80 08:49:37 GMT", 0, 29531 + kTime084937},
      {"Sunday, 06-Nov-99 08:49:37 GMT", 0, 36470 + kTime084937},
      // A day that is no number reads as the 1st, however long it is.
      {"99999999999999999999 Nov 1994", 0, 34639},
      // Impossible dates and times give 0, still moved by zone and bias.
      {"Sun, 31 Feb 1994 08:49:37 GMT", kHour, -kHour},
      {"Sun, 06 Nov 1994 24:00:00 +0100", 0, -kHour},
      {"Sun, 06 Nov 1994 08:60:00 GMT", 0, 0},
      {"Sun, 06 Nov 99999 08:49:37 GMT", 0, 0},
      {"hello", 2 * kHour, -2 * kHour},
      {"Mon", 0, 0},
      {"\xff\xfe\x80, 06 Nov 1994", 0, 0},
      {std::string("Sun, 06 Nov 1994\0 08:49:37", 26), 0, 311},  // year read as 1900: 6 Nov 1900
      {"Sun, 06 Nov 1994 08:49:37 " + std::string(1 << 20, 'x'), 0, kInstant},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    EXPECT_NEAR(ParseHTTPDate(c.text, c.bias), c.expected, kTolerance);
  }
}

TEST(HttpDate, BlankTextIsExactlyZeroWhateverTheBias) {
  const std::vector<std::string> blanks = {"", " ", " \t\r\n ", std::string(3, '\0')};
  for (const std::string& text : blanks) {
    SCOPED_TRACE(text.size());
    EXPECT_EQ(ParseHTTPDate(text, 0.25), 0.0);
  }
}

TEST(HttpDate, NamesOfDaysAndMonths) {
  struct Case {
    std::string text;
    int day;
    int month;
  };
  const std::vector<Case> cases = {
      {"SUN", 1, 0},
      {"sat", 7, 0},
      {"Wed", 4, 0},
      {"JAN", 0, 1},
      {"dec", 0, 12},
      {"May", 0, 5},
      {"Sunday", 0, 0},
      {"SU", 0, 0},
      {"", 0, 0},
      {"Sept", 0, 0},
      {std::string("JA\0", 3), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DayIndex(c.text), c.day);
    EXPECT_EQ(MonthIndex(c.text), c.month);
  }
}

TEST(HttpDate, ZoneOffsets) {
  const std::vector<std::pair<std::string, double>> cases = {
      {"+0100", kHour},
      {"-0130", -1.5 * kHour},
      {"  +0530 IST", 5.5 * kHour},
      {"+2359", 1439 / 1440.0},
      {"-0000", 0},
      {"GMT", 0},
      {"+01", 0},
      {"+0160", 0},
      {"-2400", 0},
      {"+0a00", 0},
      {"+-100", 0},
      {"", 0},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_NEAR(ParseZoneOffset(text), expected, kTolerance);
  }
}

}  // namespace
}  // namespace tallivo
