#include "net/date_time.h"

#include <array>

namespace tallivo {

namespace {

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Days from 1 January of year 1 to 30 December 1899, the day-count origin.
constexpr long long kDaysBeforeOrigin = 693594;
constexpr double kMillisecondsPerDay = 86'400'000.0;

}  // namespace

std::optional<double> EncodeDate(int year, int month, int day) {
  static constexpr std::array<int, 12> kDaysInMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
  const bool leap = IsLeapYear(year);
  const int monthLength = kDaysInMonth[static_cast<std::size_t>(month - 1)] + (month == 2 && leap ? 1 : 0);
  if (day > monthLength) return std::nullopt;
  long long days = day;
  for (int m = 1; m < month; ++m) days += kDaysInMonth[static_cast<std::size_t>(m - 1)];
  if (month > 2 && leap) ++days;
  const long long before = year - 1;
  days += before * 365 + before / 4 - before / 100 + before / 400;
  return static_cast<double>(days - kDaysBeforeOrigin);
}

std::optional<double> EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || millisecond < 0 ||
      millisecond >= 1000) {
    return std::nullopt;
  }
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMillisecondsPerDay;
}

}  // namespace tallivo
