#include "net/transfer_math.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallivo {
namespace {

TEST(TransferMath, ReadsContentLengthAndStatusCode) {
  const struct {
    const char* text;
    std::optional<std::uint64_t> length;
    int status;
  } cases[] = {
      {"1000", 1000, 1000},
      {" 42\t", 42, 42},
      {"0", 0, 0},
      {"4611686018427387904", 4611686018427387904ull, 0},
      {"18446744073709551615", std::numeric_limits<std::uint64_t>::max(), 0},
      {"18446744073709551616", std::nullopt, 0},  // one past 64 bits
      {"", std::nullopt, 0},
      {"-1", std::nullopt, 0},
      {"12a", std::nullopt, 0},
      {"1 2", std::nullopt, 0},
      {"+5", std::nullopt, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseContentLength(c.text), c.length);
    EXPECT_EQ(ParseStatusCode(c.text), c.status);
  }
}

TEST(TransferMath, TakesTheRealmOutOfItsQuotes) {
  const struct {
    const char* header;
    const char* realm;
  } cases[] = {
      {"Basic realm=\"Tallivo test\"", "Tallivo test"},
      {"Basic realm=\"x\", charset=\"UTF-8\"", "x"},
      {"Basic realm=\"unterminated", "unterminated"},
      {"Basic realm=\"\"", ""},
      {"Basic", "Basic"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RealmOf(c.header), c.realm) << c.header;
}

TEST(TransferMath, BuildsTheExtraHeaders) {
  const struct {
    std::vector<std::string> lines;
    std::uint32_t start, end;
    const char* text;
  } cases[] = {
      {{}, 0, 0, ""},
      {{"X-A: 1", "X-B: 2"}, 0, 0, "X-A: 1\r\nX-B: 2\r\n"},
      {{}, 100, 199, "RANGE: bytes=100-199\r\n"},
      {{}, 100, 0, "RANGE: bytes=100-\r\n"},
      {{}, 0, 99, "RANGE: bytes=0-99\r\n"},
      {{"X-A: 1"}, 4294967295u, 0, "X-A: 1\r\nRANGE: bytes=4294967295-\r\n"},
      {{"X-A: 1\r\nHost: evil", "X-B: 2"}, 0, 0, "X-B: 2\r\n"},  // no smuggled lines
  };
  for (const auto& c : cases) EXPECT_EQ(ExtraHeaderText(c.lines, c.start, c.end), c.text);
}

TEST(TransferMath, ComputesProgressStatistics) {
  const struct {
    std::uint32_t length, bytes, ms;
    int percent, elapsed, remaining;
    float rate;
  } cases[] = {
      {0, 512, 500, 0, 0, 0, 0.5f},     // within the first second: KB so far
      {0, 4096, 4000, 0, 4, -4, 1.0f},  // no length: minus the elapsed time
      {1000, 250, 2000, 25, 2, 6, 0.1220703125f},
      {1000, 1000, 10999, 100, 10, 0, 0.09765625f},
      {5, 2, 1000, 40, 1, 1, 0.001953125f},                                // 2.5 rounds to even: 2 - 1
      {4294967295u, 1, 3600000, 0, 3600, 2147483647, 1.0f / 1024 / 3600},  // beyond the type: held at its top
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " " + std::to_string(c.bytes) + " " + std::to_string(c.ms));
    const TransferStatistics s = ComputeStatistics(c.length, c.bytes, c.ms);
    EXPECT_EQ(s.percentDone, c.percent);
    EXPECT_EQ(s.elapsedTime, c.elapsed);
    EXPECT_EQ(s.remainingTime, c.remaining);
    EXPECT_FLOAT_EQ(s.transferRate, c.rate);
  }
}

}  // namespace
}  // namespace tallivo
