// Summary figures of a series of timings, for the benchmark tables.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tallivo::bench {

struct Summary {
  std::size_t count = 0;
  double min = 0;
  double median = 0;
  double p90 = 0;
  double p99 = 0;
  double max = 0;
};

// Summary of `samples`; percentiles by nearest rank, all zero when there are none.
Summary Summarize(std::vector<double> samples);

// `value` with `decimals` digits after the point, right-aligned in `width` columns.
std::string FormatFixed(double value, int decimals, int width);

}  // namespace tallivo::bench
