#include "net/http_date.h"

#include <algorithm>
#include <array>
#include <optional>

#include "net/date_time.h"
#include "net/text_util.h"

namespace tallivo {

namespace {

template <std::size_t N>
int IndexIn(const std::array<std::string_view, N>& names, std::string_view text) {
  if (text.size() != 3) return 0;
  const std::string upper = AsciiUpper(text);
  for (std::size_t i = 0; i < N; ++i) {
    if (upper == names[i]) return static_cast<int>(i + 1);
  }
  return 0;
}

// Takes the text up to `separator` off the front of `rest` (all of it when
// there is none) and leaves `rest` after the separator, blanks skipped.
std::string_view CutField(std::string_view& rest, char separator) {
  const std::size_t at = rest.find(separator);
  const std::string_view field = rest.substr(0, at);
  rest = at == std::string_view::npos ? std::string_view() : TrimLeftBlanks(rest.substr(at + 1));
  return field;
}

// Like CutField, without skipping blanks: the parts of "hh:mm:ss".
std::string_view CutPart(std::string_view& rest, char separator) {
  const std::size_t at = rest.find(separator);
  const std::string_view part = rest.substr(0, at);
  rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
  return part;
}

int NumberOr(std::string_view text, int fallback) {
  return ParseDecimal(text).value_or(fallback);
}

// Steps up to the zone: reads date and time off the front of `rest`, which is
// left holding what follows them. nullopt for a date or time that cannot be.
std::optional<double> ParseDateAndTime(std::string_view& rest) {
  if (DayIndex(rest.substr(0, 3)) > 0) {
    const std::size_t space = rest.find(' ');
    if (space != std::string_view::npos) rest = TrimLeftBlanks(rest.substr(space + 1));
  }

  // "06-Nov-94" (RFC 850) against "06 Nov 1994"; a dash without any space
  // after it still separates (a date with no time or zone).
  const std::size_t dash = rest.find('-');
  const std::size_t space = rest.find(' ');
  const char separator = dash != std::string_view::npos && dash > 0 && dash < space ? '-' : ' ';

  int day = 0;
  int month = 0;
  if (MonthIndex(rest.substr(0, rest.find(separator))) > 0) {
    month = MonthIndex(CutField(rest, separator));
    day = NumberOr(CutField(rest, separator), 1);
  } else {
    day = NumberOr(CutField(rest, separator), 1);
    month = MonthIndex(CutField(rest, separator));
  }

  // asctime puts the year last: the field here is the time, the year the rest.
  const std::string_view yearField = CutField(rest, ' ');
  int year = NumberOr(yearField, 1900);
  if (year == 1900) {
    year = NumberOr(rest, 1900);
    rest = yearField;
  }
  if (year < 80) {
    year += 2000;
  } else if (year < 100) {
    year += 1900;
  }

  std::optional<double> date = EncodeDate(year, month, day);
  if (!date) return std::nullopt;

  if (rest.find(':') != std::string_view::npos) {
    std::string_view time = CutField(rest, ' ');
    const int hour = NumberOr(CutPart(time, ':'), 0);
    const int minute = NumberOr(CutPart(time, ':'), 0);
    const int second = NumberOr(time, 0);
    const std::optional<double> fraction = EncodeTime(hour, minute, second, 0);
    if (!fraction) return std::nullopt;
    *date += *fraction;
  }
  rest = TrimLeftBlanks(rest);
  return date;
}

}  // namespace

int DayIndex(std::string_view text) {
  static constexpr std::array<std::string_view, 7> kDays = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
  return IndexIn(kDays, text);
}

int MonthIndex(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  return IndexIn(kMonths, text);
}

double ParseZoneOffset(std::string_view text) {
  const std::string_view zone = TrimBlanks(text).substr(0, 5);
  if (zone.empty() || (zone.front() != '+' && zone.front() != '-')) return 0;
  const std::optional<int> hours = ParseDecimal(zone.substr(1, 2));
  const std::optional<int> minutes = ParseDecimal(zone.substr(std::min<std::size_t>(3, zone.size()), 2));
  if (!hours || !minutes) return 0;
  const std::optional<double> offset = EncodeTime(*hours, *minutes, 0, 0);
  if (!offset) return 0;
  return zone.front() == '-' ? -*offset : *offset;
}

double ParseHTTPDate(std::string_view text, double localTimeBias) {
  std::string_view rest = TrimBlanks(text);
  if (rest.empty()) return 0;
  const double date = ParseDateAndTime(rest).value_or(0.0);
  const double offset = rest.size() >= 5 ? ParseZoneOffset(rest) : 0.0;
  return date - offset - localTimeBias;
}

}  // namespace tallivo
