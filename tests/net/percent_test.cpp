#include "net/percent.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace tallivo {
namespace {

TEST(Percent, NearestIntegerHalvesToEvenInAByte) {
  struct Case {
    double total, part;
    int percent;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {0, 50, 0},     {200, 50, 25}, {3, 1, 33},         {3, 2, 67},    {8, 1, 12},
      {8, 3, 38},     {8, 0.2, 2},   {2, 1, 50},         {1, 3, 44},    {-8, 4, 206},
      {100, -1, 255}, {0, 0, 0},     {1e-300, 1e300, 0}, {nan, 1, 0},   {1, nan, 0},
      {inf, 5, 0},    {1, inf, 0},   {1, 1e17, 0},       {4, 1e300, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.total) + " " + std::to_string(c.part));
    EXPECT_EQ(PercentOf(c.total, c.part), c.percent);
  }
}

}  // namespace
}  // namespace tallivo
