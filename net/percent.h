// Percentages for progress displays.
#pragma once

#include <cstdint>

namespace tallivo {

// part × 100 / total to the nearest integer (halves to even), reduced to its
// low 8 bits as a byte holds it; 0 when total is 0 or the quotient is not a
// finite number within the 64-bit integer range.
std::uint8_t PercentOf(double total, double part);

}  // namespace tallivo
