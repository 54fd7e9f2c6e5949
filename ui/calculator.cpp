#include "ui/calculator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tallivo::ui {
namespace {

// Keeps a run of leading zeros after the point ("0.000…") inside the double range.
constexpr std::size_t kMaxEntryLength = 64;
constexpr int kMaxPrecision = 17;

int SignificantDigits(std::string_view entry) {
  int count = 0;
  bool leading = true;
  for (char c : entry) {
    if (c == '.' || (leading && c == '0')) continue;
    leading = false;
    ++count;
  }
  return count;
}

}  // namespace

CalculatorKey DigitKey(int digit) {
  return static_cast<CalculatorKey>(static_cast<int>(CalculatorKey::Digit0) + std::clamp(digit, 0, 9));
}

std::optional<CalculatorKey> CalculatorKeyForChar(char32_t ch, const NumberSeparators& separators) {
  if (ch >= '0' && ch <= '9') return DigitKey(static_cast<int>(ch - '0'));
  switch (ch) {
    case '.':
    case ',':
      return CalculatorKey::Point;
    case '+':
      return CalculatorKey::Add;
    case '-':
      return CalculatorKey::Subtract;
    case '*':
      return CalculatorKey::Multiply;
    case '/':
      return CalculatorKey::Divide;
    case '=':
      return CalculatorKey::Equals;
    case '%':
      return CalculatorKey::Percent;
    default:
      break;
  }
  // A decimal separator other than '.' or ','.
  if (ch != U'e' && ch != U'E' && TypedText(ch, AmountFieldKind::Calculator, separators)) {
    return CalculatorKey::Point;
  }
  return std::nullopt;
}

Calculator::Calculator(std::optional<double> initial, int precision, NumberSeparators separators)
    : precision_(std::clamp(precision, 1, kMaxPrecision)),
      separators_(std::move(separators)),
      value_(initial && std::isfinite(*initial) ? *initial : 0) {}

void Calculator::Press(CalculatorKey key) {
  if (error_ && key != CalculatorKey::Clear) return;
  switch (key) {
    case CalculatorKey::Digit0:
    case CalculatorKey::Digit1:
    case CalculatorKey::Digit2:
    case CalculatorKey::Digit3:
    case CalculatorKey::Digit4:
    case CalculatorKey::Digit5:
    case CalculatorKey::Digit6:
    case CalculatorKey::Digit7:
    case CalculatorKey::Digit8:
    case CalculatorKey::Digit9:
      EnterDigit(static_cast<char>('0' + (static_cast<int>(key) - static_cast<int>(CalculatorKey::Digit0))));
      break;
    case CalculatorKey::Point:
      EnterPoint();
      break;
    case CalculatorKey::Add:
      Binary(Operation::Add);
      break;
    case CalculatorKey::Subtract:
      Binary(Operation::Subtract);
      break;
    case CalculatorKey::Multiply:
      Binary(Operation::Multiply);
      break;
    case CalculatorKey::Divide:
      Binary(Operation::Divide);
      break;
    case CalculatorKey::Equals:
      Equals();
      break;
    case CalculatorKey::Percent:
      Percent();
      break;
    case CalculatorKey::Sign:
    case CalculatorKey::SquareRoot:
    case CalculatorKey::Reciprocal:
      Unary(key);
      break;
    case CalculatorKey::Clear:
      *this = Calculator(std::nullopt, precision_, separators_);
      break;
    case CalculatorKey::ClearEntry:
      StartEntry();
      break;
    case CalculatorKey::Backspace:
      if (entering_) {
        entry_.pop_back();
        if (entry_.empty()) entry_ = "0";
        if (entry_ == "0") entry_negative_ = false;
      }
      break;
  }
}

std::string Calculator::DisplayText() const {
  if (error_) return std::string(kCalculatorErrorText);
  if (!entering_) return FormatGeneral(value_, precision_, Grouping::None, separators_);
  std::string text = entry_negative_ ? "-" : "";
  for (char c : entry_) {
    if (c == '.') {
      text += separators_.decimal.empty() ? "." : separators_.decimal;
    } else {
      text += c;
    }
  }
  return text;
}

std::optional<double> Calculator::Value() const {
  if (error_) return std::nullopt;
  return Current();
}

double Calculator::Current() const {
  if (!entering_) return value_;
  double value = 0;
  std::from_chars(entry_.data(), entry_.data() + entry_.size(), value);
  return entry_negative_ ? -value : value;
}

void Calculator::StartEntry() {
  entering_ = true;
  entry_ = "0";
  entry_negative_ = false;
  operand_ready_ = true;
}

void Calculator::EnterDigit(char digit) {
  if (!entering_) StartEntry();
  if (entry_ == "0") {
    entry_ = digit;
  } else if (SignificantDigits(entry_) < precision_ && entry_.size() < kMaxEntryLength) {
    entry_ += digit;
  }
}

void Calculator::EnterPoint() {
  if (!entering_) StartEntry();
  if (entry_.find('.') == std::string::npos && entry_.size() < kMaxEntryLength) entry_ += '.';
}

void Calculator::Binary(Operation operation) {
  if (pending_ && operand_ready_) {
    ShowResult(Apply(accumulator_, *pending_, Current()));
    if (error_) return;
  } else if (!pending_) {
    value_ = Current();
  }
  // A second operator in a row only replaces the first.
  entering_ = false;
  accumulator_ = value_;
  pending_ = operation;
  operand_ready_ = false;
}

void Calculator::Equals() {
  std::optional<double> result = Current();
  if (pending_) {
    // "2 + =" takes the left operand again, as pocket calculators do.
    const double right = operand_ready_ ? Current() : value_;
    result = Apply(accumulator_, *pending_, right);
    last_operation_ = pending_;
    last_operand_ = right;
    pending_.reset();
  } else if (last_operation_) {
    result = Apply(Current(), *last_operation_, last_operand_);
  }
  operand_ready_ = false;
  ShowResult(result);
}

void Calculator::Percent() {
  // One step after another, stopping at the first failure.
  const auto then = [](std::optional<double> x, Operation operation, double y) {
    return x ? Apply(*x, operation, y) : std::nullopt;
  };
  const double b = Current();
  std::optional<double> result = Apply(b, Operation::Divide, 100);
  if (pending_) {
    const double a = accumulator_;
    switch (*pending_) {
      case Operation::Add:  // a ± a·b/100
      case Operation::Subtract:
        if (const auto share = then(Apply(a, Operation::Multiply, b), Operation::Divide, 100)) {
          result = Apply(a, *pending_, *share);
        } else {
          result.reset();
        }
        break;
      case Operation::Multiply:  // a·b/100
        result = then(Apply(a, Operation::Multiply, b), Operation::Divide, 100);
        break;
      case Operation::Divide:  // a as a percentage of b
        result = then(Apply(a, Operation::Divide, b), Operation::Multiply, 100);
        break;
    }
  }
  // '%' completes the calculation; a following '=' has nothing to repeat.
  pending_.reset();
  last_operation_.reset();
  operand_ready_ = false;
  ShowResult(result);
}

void Calculator::Unary(CalculatorKey key) {
  if (key == CalculatorKey::Sign && entering_) {
    entry_negative_ = !entry_negative_;
    return;
  }
  const double x = Current();
  std::optional<double> result = -x;
  if (key == CalculatorKey::SquareRoot) result = x < 0 ? std::nullopt : std::optional<double>(std::sqrt(x));
  if (key == CalculatorKey::Reciprocal) result = Apply(1, Operation::Divide, x);
  ShowResult(result);
  operand_ready_ = true;
}

void Calculator::ShowResult(std::optional<double> result) {
  entering_ = false;
  if (result) {
    // Only the digits shown carry on, so what the user reads is what is used.
    // Rounding to them can pass the largest double: that is an overflow too.
    const NumberSeparators plain;
    result = ParseAmount(FormatGeneral(*result, precision_, Grouping::None, plain),
                         AmountParseRules{AmountFieldKind::Calculator, "", ""}, plain);
  }
  if (!result) {
    error_ = true;
    return;
  }
  value_ = *result;
}

std::optional<double> Calculator::Apply(double left, Operation operation, double right) {
  // The process may run with the overflow, zero-divide and invalid-operation
  // exceptions unmasked, so no operation here may produce an infinity or NaN:
  // the significands are combined first and the exponent is checked before
  // the result is scaled back. Scaling by powers of two keeps IEEE rounding.
  int left_exponent = 0;
  int right_exponent = 0;
  const double l = std::frexp(left, &left_exponent);
  const double r = std::frexp(right, &right_exponent);
  double significand = 0;
  int exponent = 0;
  switch (operation) {
    case Operation::Add:
    case Operation::Subtract: {
      // Half of each operand is exact above the subnormal range, and below
      // 2^1022 no sum can overflow.
      if (std::max(left_exponent, right_exponent) < 1023) {
        return operation == Operation::Add ? left + right : left - right;
      }
      const double half = operation == Operation::Add ? left / 2 + right / 2 : left / 2 - right / 2;
      significand = std::frexp(half, &exponent);
      exponent += 1;
      break;
    }
    case Operation::Multiply:
      significand = l * r;
      exponent = left_exponent + right_exponent;
      break;
    case Operation::Divide:
      if (right == 0) return std::nullopt;
      significand = l / r;
      exponent = left_exponent - right_exponent;
      break;
  }
  int significand_exponent = 0;
  std::frexp(significand, &significand_exponent);
  if (significand_exponent + exponent > std::numeric_limits<double>::max_exponent) return std::nullopt;
  return std::ldexp(significand, exponent);
}

}  // namespace tallivo::ui
