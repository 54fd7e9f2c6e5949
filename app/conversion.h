// Euro / Cyprus-pound arithmetic: the fixed rate, the cent rounding every
// amount passes through, the two conversions and the change formula.
// Self-contained and portable; results do not depend on the caller's
// floating-point state.
#pragma once

#include <stdexcept>

namespace tallivo {

// Cyprus pounds for one euro. Held as the nearest extended-precision value;
// double arithmetic uses the nearest double.
inline constexpr long double CypPerEur = 0.585274L;

// Raised where a value cannot be converted to a 64-bit integer (magnitude at
// or above 2^63, infinities, NaN).
class EInvalidOp : public std::runtime_error {
 public:
  EInvalidOp() : std::runtime_error("Invalid floating point operation") {}
};

// x rounded to `decimals` places, halves away from zero, after the digits past
// the last kept place are themselves rounded to six further places.
// Throws EInvalidOp when |x| >= 2^63.
double RoundDecimals(int decimals, double x);

// Converted amounts, rounded to cents. Throw EInvalidOp as RoundDecimals does.
double EurToCyp(double eur);
double CypToEur(double cyp);

// Which field's change asked for the computation; it picks the grouping of the
// first two steps of ChangeEur.
enum class ChangeTrigger { AmountPayable, PaidCyp, PaidEur };

// Change in euro for a payable euro amount paid in pounds and euro, rounded to
// cents once at the end: positive is change due, negative is still owed.
double ChangeEur(ChangeTrigger trigger, double payable, double paidCyp, double paidEur);

}  // namespace tallivo
