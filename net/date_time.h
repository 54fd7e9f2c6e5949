// The framework's date-times: a double counting days from 30 December 1899,
// the fraction being the time of day.
#pragma once

#include <optional>

namespace tallivo {

// The date-time of midnight at the start of that day (years 1 to 9999);
// nullopt for an impossible date.
std::optional<double> EncodeDate(int year, int month, int day);

// The fraction of a day for that time of day; nullopt unless 0 <= hour < 24,
// minute and second below 60 and millisecond below 1000.
std::optional<double> EncodeTime(int hour, int minute, int second, int millisecond);

}  // namespace tallivo
