// Dates of HTTP headers (Date, Last-Modified, Expires) as local date-times.
// Server text: any bytes are accepted, nothing throws.
#pragma once

#include <string_view>

namespace tallivo {

// 1 to 7 for "SUN" to "SAT" (ASCII case-insensitive, whole text), else 0.
int DayIndex(std::string_view text);

// 1 to 12 for "JAN" to "DEC" (ASCII case-insensitive, whole text), else 0.
int MonthIndex(std::string_view text);

// The offset in days of a numeric zone "+hhmm" or "-hhmm" at the start of the
// trimmed text (negative for "-"); 0 for a zone name, a malformed or an
// impossible offset.
double ParseZoneOffset(std::string_view text);

// Local date-time of an RFC 1123, RFC 850 or asctime date, with an optional
// numeric zone after it (none or a zone name means UTC). localTimeBias is UTC
// minus local time, in days. Blank text gives exactly 0; a date that cannot
// be read counts as 0, still corrected for zone and bias.
double ParseHTTPDate(std::string_view text, double localTimeBias);

}  // namespace tallivo
