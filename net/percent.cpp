#include "net/percent.h"

#include <cmath>

namespace tallivo {

std::uint8_t PercentOf(double total, double part) {
  if (total == 0) return 0;
  const double quotient = part * 100 / total;
  // The range test also turns away infinities and NaN (every comparison with
  // NaN is false), before a conversion that would be undefined for them.
  if (!(quotient >= -9.2233720368547758e18 && quotient < 9.2233720368547758e18)) return 0;
  double rounded = std::floor(quotient);
  const double excess = quotient - rounded;
  if (excess > 0.5 || (excess == 0.5 && std::fmod(rounded, 2.0) != 0)) rounded += 1;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(rounded) & 0xFF);
}

}  // namespace tallivo
