#include "ui/calculator.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tallivo::ui {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

// Presses the keys of a sequence such as "12.5 + 3 =": numbers digit by digit,
// and the tokens ± √ 1/x % C CE BS.
void Press(Calculator& calculator, const std::string& keys) {
  static const std::map<std::string, CalculatorKey> kTokens = {
      {"+", CalculatorKey::Add},    {"-", CalculatorKey::Subtract},    {"*", CalculatorKey::Multiply},
      {"/", CalculatorKey::Divide}, {"=", CalculatorKey::Equals},      {"%", CalculatorKey::Percent},
      {"±", CalculatorKey::Sign},   {"√", CalculatorKey::SquareRoot},  {"1/x", CalculatorKey::Reciprocal},
      {"C", CalculatorKey::Clear},  {"CE", CalculatorKey::ClearEntry}, {"BS", CalculatorKey::Backspace},
  };
  std::istringstream tokens(keys);
  for (std::string token; tokens >> token;) {
    if (const auto it = kTokens.find(token); it != kTokens.end()) {
      calculator.Press(it->second);
      continue;
    }
    for (char c : token) {
      ASSERT_TRUE((c >= '0' && c <= '9') || c == '.') << "bad token " << token;
      calculator.Press(c == '.' ? CalculatorKey::Point : DigitKey(c - '0'));
    }
  }
}

// Unmasks the invalid-operation, zero-divide and overflow exceptions of SSE
// and the x87 unit, as the program's floating-point environment does, and
// restores the caller's on exit.
class TrappingFloatingPoint {
 public:
  TrappingFloatingPoint() {
    mxcsr_ = _mm_getcsr();
    asm volatile("fnstcw %0" : "=m"(x87_));
    const std::uint16_t x87 = x87_ & ~std::uint16_t{0x0D};  // IM, ZM, OM
    asm volatile("fnclex\n\tfldcw %0" : : "m"(x87));
    _mm_setcsr(mxcsr_ & ~0x06BFu);  // clear IM, ZM, OM and the sticky flags
  }
  ~TrappingFloatingPoint() {
    _mm_setcsr(mxcsr_);
    asm volatile("fnclex\n\tfldcw %0" : : "m"(x87_));
  }
  TrappingFloatingPoint(const TrappingFloatingPoint&) = delete;
  TrappingFloatingPoint& operator=(const TrappingFloatingPoint&) = delete;

 private:
  unsigned int mxcsr_;
  std::uint16_t x87_;
};

struct Case {
  std::optional<double> initial;
  std::string keys;
  std::string display;
  std::optional<double> value;
};

enum class Traps { Masked, Unmasked };

void Check(const std::vector<Case>& cases, const NumberSeparators& separators = {},
           Traps traps = Traps::Masked) {
  struct Outcome {
    std::string display;
    std::optional<double> value;
    bool error;
  };
  std::vector<Outcome> outcomes;
  {
    std::optional<TrappingFloatingPoint> trapping;
    if (traps == Traps::Unmasked) trapping.emplace();
    for (const Case& c : cases) {
      Calculator calculator(c.initial, 10, separators);
      Press(calculator, c.keys);
      outcomes.push_back({calculator.DisplayText(), calculator.Value(), calculator.InError()});
    }
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "initial " << (c.initial ? std::to_string(*c.initial) : "none")
                                    << ", keys \"" << c.keys << "\"");
    EXPECT_EQ(outcomes[i].display, c.display);
    EXPECT_EQ(outcomes[i].value, c.value);
    EXPECT_EQ(outcomes[i].error, !c.value.has_value());
  }
}

TEST(Calculator, Arithmetic) {
  Check({
      {std::nullopt, "", "0", 0},
      {std::nullopt, "2 + 3 * 4 =", "20", 20},  // left to right
      {std::nullopt, "2 + 3 *", "5", 5},        // the running result shows
      {std::nullopt, "2 + * 3 =", "6", 6},      // a second operator replaces the first
      {std::nullopt, "10 - 4 / 4 =", "1.5", 1.5},
      {std::nullopt, "0.1 + 0.2 =", "0.3", 0.3},
      {std::nullopt, "1 / 3 =", "0.3333333333", 0.3333333333},
      {std::nullopt, "2 / 3 =", "0.6666666667", 0.6666666667},
      {std::nullopt, "1 / 3 * 3 =", "0.9999999999", 0.9999999999},  // only the digits shown carry on
      {std::nullopt, "9999999999 * 9999999999 =", "9.999999998E+19", 9.999999998e19},
      {std::nullopt, "1 / 1000000 =", "1E-6", 1e-6},
      // Repeated '=' repeats the last operation with its right operand.
      {std::nullopt, "2 + 3 = =", "8", 8},
      {std::nullopt, "2 * 3 = =", "18", 18},
      {std::nullopt, "10 - 4 = = =", "-2", -2},
      {std::nullopt, "2 + =", "4", 4},
      {std::nullopt, "2 + 3 = 7 =", "10", 10},
      {std::nullopt, "2 + 3 = * 4 =", "20", 20},
      // Percent as on pocket calculators.
      {std::nullopt, "200 + 5 %", "210", 210},
      {std::nullopt, "200 + 5 % =", "210", 210},
      {std::nullopt, "200 - 5 %", "190", 190},
      {std::nullopt, "200 * 5 %", "10", 10},
      {std::nullopt, "50 / 200 %", "25", 25},
      {std::nullopt, "5 %", "0.05", 0.05},
      // Sign, root, reciprocal.
      {std::nullopt, "1.5 ±", "-1.5", -1.5},
      {std::nullopt, "2 + 3 = ±", "-5", -5},
      {std::nullopt, "5 + ± =", "0", 0},
      {std::nullopt, "9 √", "3", 3},
      {std::nullopt, "2 √", "1.414213562", 1.414213562},
      {std::nullopt, "9 + √ =", "12", 12},
      {std::nullopt, "9 + 16 √ =", "13", 13},
      {std::nullopt, "4 1/x", "0.25", 0.25},
  });
}

TEST(Calculator, Entry) {
  Check({
      {std::nullopt, "000", "0", 0},
      {std::nullopt, "0.0", "0.0", 0},
      {std::nullopt, ".5", "0.5", 0.5},
      {std::nullopt, "1.2.3", "1.23", 1.23},
      {std::nullopt, "12345678901", "1234567890", 1234567890},  // ten significant digits at most
      {std::nullopt, "0.000123456789012", "0.0001234567890", 0.000123456789},
      {std::nullopt, "123 BS", "12", 12},
      {std::nullopt, "1 BS", "0", 0},
      {std::nullopt, "1.5 BS BS", "1", 1},
      {std::nullopt, "5 ± BS", "0", 0},
      {std::nullopt, "2 + 3 = BS", "5", 5},  // a result is not an entry
      {std::nullopt, "2 + 3 CE 4 =", "6", 6},
      {std::nullopt, "2 + 3 CE =", "2", 2},
      {std::nullopt, "2 + 3 C", "0", 0},
      {std::nullopt, "2 + 3 C 4 =", "4", 4},
  });
}

TEST(Calculator, InitialValue) {
  Check({
      {1234.5, "", "1234.5", 1234.5},
      {-58.53, "", "-58.53", -58.53},
      // An untouched value goes back unchanged, even past the digits shown.
      {12345678901.23, "", "1.23456789E+10", 12345678901.23},
      {1234.5, "+ 1 =", "1235.5", 1235.5},
      {1234.5, "7", "7", 7},  // typing replaces it
      {1234.5, "C", "0", 0},
      {1e300, "", "1E+300", 1e300},
  });
}

// Run with the floating-point exceptions unmasked, as in the program: a trap
// would end the test process, the errors must show as "Error".
TEST(Calculator, ErrorsLockUntilClear) {
  Check(
      {
          {std::nullopt, "1 / 0 =", "Error", std::nullopt},
          {std::nullopt, "0 / 0 =", "Error", std::nullopt},
          {std::nullopt, "1 / 0 + 2 =", "Error", std::nullopt},
          {std::nullopt, "0 1/x", "Error", std::nullopt},
          {std::nullopt, "4 ± √", "Error", std::nullopt},
          {std::nullopt, "50 / 0 %", "Error", std::nullopt},
          {std::nullopt, "1 / 0 = 5 CE BS ± √ =", "Error", std::nullopt},
          {std::nullopt, "1 / 0 = C", "0", 0},
          {std::nullopt, "1 / 0 = C 2 + 3 =", "5", 5},
          {1e308, "* 10 =", "Error", std::nullopt},
          {1e200, "* =", "Error", std::nullopt},
          {kMax, "+ =", "Error", std::nullopt},
          {-kMax, "* 2 =", "Error", std::nullopt},
          {1e-310, "1/x", "Error", std::nullopt},
          {kMax, "=", "Error", std::nullopt},  // ten digits of the largest double pass it
          {1e308, "+ =", "Error", std::nullopt},
          {kMax, "+ 5 %", "Error", std::nullopt},
          {kMax, "- =", "0", 0},
          {1e-200, "* =", "0", 0},  // underflow is no error
      },
      {}, Traps::Unmasked);
}

TEST(Calculator, DecimalSeparator) {
  const NumberSeparators german{".", ","};
  Check(
      {
          {std::nullopt, "1.5", "1,5", 1.5},
          {std::nullopt, "1 / 4 =", "0,25", 0.25},
          {2.5e-7, "", "2,5E-7", 2.5e-7},
      },
      german);
}

TEST(Calculator, KeyForChar) {
  const NumberSeparators arabic{"\u066C", "\u066B"};
  struct KeyCase {
    char32_t ch;
    std::optional<CalculatorKey> key;
  };
  const std::vector<KeyCase> cases = {
      {U'0', CalculatorKey::Digit0},
      {U'7', CalculatorKey::Digit7},
      {U'.', CalculatorKey::Point},
      {U',', CalculatorKey::Point},
      {U'\u066B', CalculatorKey::Point},
      {U'+', CalculatorKey::Add},
      {U'-', CalculatorKey::Subtract},
      {U'*', CalculatorKey::Multiply},
      {U'/', CalculatorKey::Divide},
      {U'=', CalculatorKey::Equals},
      {U'%', CalculatorKey::Percent},
      {U'e', std::nullopt},
      {U'x', std::nullopt},
      {U'\u066C', std::nullopt},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(c.ch));
    EXPECT_EQ(CalculatorKeyForChar(c.ch, arabic), c.key);
  }
}

}  // namespace
}  // namespace tallivo::ui
