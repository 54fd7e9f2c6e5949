#include "bench/stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tallivo::bench {
namespace {

// Nearest-rank percentile of sorted, non-empty samples: an observed value,
// never an interpolation between two.
double NearestRank(const std::vector<double>& sorted, double fraction) {
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Summary Summarize(std::vector<double> samples) {
  Summary s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  s.count = n;
  s.min = samples.front();
  s.max = samples.back();
  s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  s.p90 = NearestRank(samples, 0.90);
  s.p99 = NearestRank(samples, 0.99);
  return s;
}

std::string FormatFixed(double value, int decimals, int width) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%*.*f", width, decimals, value);
  return buffer;
}

}  // namespace tallivo::bench
