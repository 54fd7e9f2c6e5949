// The arithmetic of the drop-down calculator of the calculator amount fields:
// a pocket calculator that chains operations left to right. Portable; the
// control feeds it keys and shows DisplayText().
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/amount_text.h"

namespace tallivo::ui {

enum class CalculatorKey {
  Digit0,
  Digit1,
  Digit2,
  Digit3,
  Digit4,
  Digit5,
  Digit6,
  Digit7,
  Digit8,
  Digit9,
  Point,
  Add,
  Subtract,
  Multiply,
  Divide,
  Equals,
  Percent,
  Sign,        // ±
  SquareRoot,  // √
  Reciprocal,  // 1/x
  Clear,       // C: everything, including an error
  ClearEntry,  // CE: the number being entered
  Backspace,
};

// Display text of a calculator in error; only Clear leaves that state.
inline constexpr std::string_view kCalculatorErrorText = "Error";

// The key for digit `digit` (0 to 9).
CalculatorKey DigitKey(int digit);

// The key a typed character stands for (digits, '.', ',' or the decimal
// separator, + - * / = %), or nullopt.
std::optional<CalculatorKey> CalculatorKeyForChar(char32_t ch, const NumberSeparators& separators);

class Calculator {
 public:
  // A calculator showing `initial` (0 when null or not finite), working with
  // `precision` significant digits and the decimal separator of `separators`.
  explicit Calculator(std::optional<double> initial = std::nullopt, int precision = 10,
                      NumberSeparators separators = {});

  // Applies one key press; every key but Clear is ignored in error.
  void Press(CalculatorKey key);

  // The number being entered as typed, else the current value with at most
  // `precision` significant digits, or "Error".
  std::string DisplayText() const;

  // The value shown, to hand back to the field; nullopt in error. Results of
  // operations hold only the digits shown; an untouched initial value is
  // returned unchanged.
  std::optional<double> Value() const;

  // Whether an error locks the calculator.
  bool InError() const { return error_; }

 private:
  enum class Operation { Add, Subtract, Multiply, Divide };

  double Current() const;
  void EnterDigit(char digit);
  void EnterPoint();
  void StartEntry();
  void Binary(Operation operation);
  void Equals();
  void Percent();
  void Unary(CalculatorKey key);
  void ShowResult(std::optional<double> result);
  // The result, or nullopt on division by zero or overflow.
  static std::optional<double> Apply(double left, Operation operation, double right);

  int precision_;
  NumberSeparators separators_;
  bool error_ = false;
  double value_ = 0;             // the value shown when no number is being entered
  bool entering_ = false;        // digits go into entry_
  std::string entry_;            // digits with at most one '.', as typed; starts with a digit
  bool entry_negative_ = false;  // ± pressed during entry
  std::optional<Operation> pending_;
  double accumulator_ = 0;                   // the left operand of pending_
  bool operand_ready_ = false;               // a right operand for pending_ was entered or computed
  std::optional<Operation> last_operation_;  // repeated by '='
  double last_operand_ = 0;
};

}  // namespace tallivo::ui
