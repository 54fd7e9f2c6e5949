#include "app/conversion.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

namespace tallivo {
namespace {

// ---------------------------------------------------------------------------
// Exact model. The rounding rules redone in rational arithmetic, each rounding
// to extended (64-bit significand) or double (53-bit) spelled out, so that the
// engine can be checked bit for bit without trusting any floating-point unit.
// Integers are built here from 32-bit limbs: 32-bit MinGW has no __int128.

// Unsigned integer, least significant 32-bit limb first, no leading zero
// limbs. The limbs live inline (no allocation in the hot loops); the capacity
// holds any sum or product the model forms from doubles, with room to spare.
class Natural {
 public:
  Natural() = default;
  explicit Natural(std::uint64_t v) {
    for (; v != 0; v >>= 32) limbs_[size_++] = static_cast<std::uint32_t>(v);
  }

  bool IsZero() const { return size_ == 0; }
  bool IsOne() const { return size_ == 1 && limbs_[0] == 1; }
  int BitLength() const {
    return size_ == 0 ? 0 : 32 * static_cast<int>(size_) - std::countl_zero(limbs_[size_ - 1]);
  }
  bool Bit(int i) const { return ((Limb(static_cast<std::size_t>(i / 32)) >> (i % 32)) & 1U) != 0; }
  int TrailingZeros() const {  // of a nonzero value
    std::size_t i = 0;
    while (limbs_[i] == 0) ++i;
    return 32 * static_cast<int>(i) + std::countr_zero(limbs_[i]);
  }
  std::uint64_t Low64() const { return (std::uint64_t{limbs_[1]} << 32) | limbs_[0]; }

  friend int Compare(const Natural& a, const Natural& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (std::size_t i = a.size_; i-- > 0;) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }
  friend Natural operator+(const Natural& a, const Natural& b) {
    Natural r;
    r.Resize(std::max(a.size_, b.size_) + 1);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < r.size_; ++i) {
      carry += std::uint64_t{a.limbs_[i]} + b.limbs_[i];
      r.limbs_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    r.Trim();
    return r;
  }
  friend Natural operator-(Natural a, const Natural& b) {  // a >= b
    a.Subtract(b);
    return a;
  }
  friend Natural operator*(const Natural& a, const Natural& b) {
    Natural r;
    if (a.IsZero() || b.IsZero()) return r;
    r.Resize(a.size_ + b.size_);
    for (std::size_t i = 0; i < a.size_; ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < b.size_; ++j) {
        carry += std::uint64_t{a.limbs_[i]} * b.limbs_[j] + r.limbs_[i + j];
        r.limbs_[i + j] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
      }
      r.limbs_[i + b.size_] = static_cast<std::uint32_t>(carry);
    }
    r.Trim();
    return r;
  }
  friend Natural operator<<(const Natural& a, int shift) {
    if (a.IsZero()) return a;
    const auto whole = static_cast<std::size_t>(shift / 32);
    const int bits = shift % 32;
    Natural r;
    r.Resize(a.size_ + whole + 1);
    for (std::size_t i = 0; i < a.size_; ++i) {
      const std::uint64_t v = std::uint64_t{a.limbs_[i]} << bits;
      r.limbs_[i + whole] |= static_cast<std::uint32_t>(v);
      r.limbs_[i + whole + 1] = static_cast<std::uint32_t>(v >> 32);
    }
    r.Trim();
    return r;
  }
  friend Natural operator>>(const Natural& a, int shift) {
    const auto whole = static_cast<std::size_t>(shift / 32);
    const int bits = shift % 32;
    Natural r;
    if (whole >= a.size_) return r;
    r.Resize(a.size_ - whole);
    for (std::size_t i = 0; i < r.size_; ++i) {
      const std::uint64_t v = (std::uint64_t{a.Limb(i + whole + 1)} << 32) | a.limbs_[i + whole];
      r.limbs_[i] = static_cast<std::uint32_t>(v >> bits);
    }
    r.Trim();
    return r;
  }
  // Shift-and-subtract; every quotient the model asks for is short.
  friend void DivMod(const Natural& a, const Natural& b, Natural& quotient, Natural& remainder) {
    quotient = Natural();
    remainder = a;
    const int shift = a.BitLength() - b.BitLength();
    if (shift < 0) return;
    Natural d = b << shift;
    quotient.Resize(static_cast<std::size_t>(shift / 32 + 1));
    for (int i = shift; i >= 0; --i) {
      if (Compare(remainder, d) >= 0) {
        remainder.Subtract(d);
        quotient.limbs_[i / 32] |= 1U << (i % 32);
      }
      d.Halve();
    }
    quotient.Trim();
  }

 private:
  static constexpr std::size_t kCapacity = 80;

  std::uint32_t Limb(std::size_t i) const { return i < size_ ? limbs_[i] : 0; }
  // Limbs past size_ are always zero, so growing needs no clearing.
  void Resize(std::size_t n) {
    if (n > kCapacity) throw std::length_error("model integer out of capacity");
    size_ = n;
  }
  void Trim() {
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
  }
  void Halve() {
    for (std::size_t i = 0; i < size_; ++i) limbs_[i] = (limbs_[i] >> 1) | (Limb(i + 1) << 31);
    Trim();
  }
  void Subtract(const Natural& b) {
    std::uint32_t borrow = 0;
    for (std::size_t i = 0; i < size_; ++i) {
      const std::uint64_t sub = std::uint64_t{b.limbs_[i]} + borrow;
      borrow = limbs_[i] < sub ? 1 : 0;
      limbs_[i] = static_cast<std::uint32_t>(limbs_[i] - sub);
    }
    Trim();
  }

  std::uint32_t limbs_[kCapacity] = {};
  std::size_t size_ = 0;
};

// (-1)^negative × num / den × 2^exp, kept with den odd and num odd or zero.
struct Exact {
  bool negative = false;
  Natural num;
  Natural den{1};
  int exp = 0;
};

Exact Normalized(Exact v) {
  if (v.num.IsZero()) return Exact{};
  const int num_twos = v.num.TrailingZeros();
  const int den_twos = v.den.TrailingZeros();
  v.num = v.num >> num_twos;
  v.den = v.den >> den_twos;
  v.exp += num_twos - den_twos;
  return v;
}

Exact FromNatural(const Natural& n, bool negative = false, int exp = 0) {
  return Normalized({negative, n, Natural(1), exp});
}
Exact FromInteger(std::uint64_t v) {
  return FromNatural(Natural(v));
}
Exact FromRatio(std::uint64_t num, std::uint64_t den) {
  return Normalized({false, Natural(num), Natural(den), 0});
}

Exact FromDouble(double x) {  // finite x
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased != 0) significand |= std::uint64_t{1} << 52;
  return FromNatural(Natural(significand), (bits >> 63) != 0, std::max(biased, 1) - 1075);
}

Exact FromLongDouble(long double x) {  // finite x; 64-bit significand
  int e = 0;
  const long double fraction = std::frexp(std::fabs(x), &e);
  const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  return FromNatural(Natural(significand), x < 0, e - 64);
}

Exact Negated(Exact v) {
  if (!v.num.IsZero()) v.negative = !v.negative;
  return v;
}
Exact Multiply(const Exact& a, const Exact& b) {
  return Normalized({a.negative != b.negative, a.num * b.num, a.den * b.den, a.exp + b.exp});
}
Exact Divide(const Exact& a, const Exact& b) {
  return Normalized({a.negative != b.negative, a.num * b.den, a.den * b.num, a.exp - b.exp});
}
Exact Add(const Exact& a, const Exact& b) {
  if (a.num.IsZero()) return b;
  if (b.num.IsZero()) return a;
  const int e = std::min(a.exp, b.exp);
  const Natural x = (a.num * b.den) << (a.exp - e);
  const Natural y = (b.num * a.den) << (b.exp - e);
  Exact r{a.negative, {}, a.den * b.den, e};
  if (a.negative == b.negative) {
    r.num = x + y;
  } else if (Compare(x, y) >= 0) {
    r.num = x - y;
  } else {
    r.num = y - x;
    r.negative = b.negative;
  }
  return Normalized(r);
}
Exact Subtract(const Exact& a, const Exact& b) {
  return Add(a, Negated(b));
}
bool SameValue(const Exact& a, const Exact& b) {
  return Subtract(a, b).num.IsZero();
}

// floor(log2 |v|) of a nonzero v.
int LeadingExponent(const Exact& v) {
  if (v.den.IsOne()) return v.num.BitLength() - 1 + v.exp;
  const int e = v.num.BitLength() - v.den.BitLength();  // |v| / 2^exp lies in (2^(e-1), 2^(e+1))
  const bool at_least = e >= 0 ? Compare(v.num, v.den << e) >= 0 : Compare(v.num << -e, v.den) >= 0;
  return (at_least ? e : e - 1) + v.exp;
}

// The multiple of 2^ulp nearest to v, ties to the even multiple.
Exact RoundToUlp(const Exact& v, int ulp) {
  const int shift = v.exp - ulp;
  if (shift >= 0 && v.den.IsOne()) return v;
  if (v.den.IsOne() && !v.num.IsZero()) {
    // num is odd, so below the half bit something is set unless the half bit is bit 0.
    const int dropped = -shift;
    const Natural q = v.num >> dropped;
    const bool up = v.num.Bit(dropped - 1) && (dropped > 1 || q.Bit(0));
    return FromNatural(up ? q + Natural(1) : q, v.negative, ulp);
  }
  Natural q;
  Natural r;
  const Natural d = shift < 0 ? v.den << -shift : v.den;
  DivMod(shift > 0 ? v.num << shift : v.num, d, q, r);
  const int half = Compare(r << 1, d);
  if (half > 0 || (half == 0 && q.Bit(0))) q = q + Natural(1);
  return FromNatural(q, v.negative, ulp);
}

Exact RoundToBits(const Exact& v, int bits, int min_ulp) {
  if (v.num.IsZero()) return v;
  return RoundToUlp(v, std::max(LeadingExponent(v) - bits + 1, min_ulp));
}
Exact Extended(const Exact& v) {
  return RoundToBits(v, 64, -16445);
}
Exact DoubleValue(const Exact& v) {
  return RoundToBits(v, 53, -1074);
}

// The double nearest to v; infinite past the largest finite double.
double ToDouble(const Exact& v) {
  const Exact r = DoubleValue(v);
  if (r.num.IsZero()) return 0.0;
  const double magnitude = r.num.BitLength() + r.exp > 1024
                               ? std::numeric_limits<double>::infinity()
                               : std::ldexp(static_cast<double>(r.num.Low64()), r.exp);
  return r.negative ? -magnitude : magnitude;
}

Exact Truncated(const Exact& v) {
  if (v.exp >= 0 && v.den.IsOne()) return v;
  if (v.den.IsOne()) return FromNatural(v.num >> -v.exp, v.negative);
  Natural q;
  Natural r;
  DivMod(v.exp > 0 ? v.num << v.exp : v.num, v.exp < 0 ? v.den << -v.exp : v.den, q, r);
  return FromNatural(q, v.negative);
}

bool FitsInt64(const Exact& integer) {
  return integer.num.IsZero() || LeadingExponent(integer) < 63;
}

const Exact& RateExtended() {
  static const Exact rate = Extended(FromRatio(585274, 1000000));
  return rate;
}
const Exact& RateDouble() {
  static const Exact rate = DoubleValue(FromRatio(585274, 1000000));
  return rate;
}

using Result = std::optional<double>;  // empty: the invalid floating-point operation

// The rounding function step by step, decimals 1 to 18.
Result ModelRoundDecimals(int decimals, double x) {
  if (!std::isfinite(x)) return std::nullopt;  // the fraction of an infinity is NaN
  const bool negative = x < 0;
  Exact m = FromDouble(x);
  m.negative = false;
  std::uint64_t scale = 10;
  for (int i = 1; i < decimals; ++i) scale *= 10;
  const Exact p = FromInteger(scale);
  const Exact whole = Truncated(m);
  const Exact fraction = Subtract(m, whole);
  Exact t = Extended(Multiply(fraction, p));
  t = Extended(Multiply(t, FromInteger(10)));
  t = Extended(Add(t, FromInteger(5)));
  t = Extended(Multiply(t, FromInteger(100000)));
  const Exact q = RoundToUlp(t, 0);
  if (!FitsInt64(q) || !FitsInt64(whole)) return std::nullopt;
  Natural k;
  Natural rest;
  DivMod(q.num << q.exp, Natural(1000000), k, rest);
  const Exact r = Extended(Add(Extended(Divide(FromNatural(k), p)), whole));
  const double magnitude = ToDouble(r);
  return negative ? -magnitude : magnitude;
}

Result ModelEurToCyp(double eur) {
  if (!std::isfinite(eur)) return std::nullopt;
  return ModelRoundDecimals(2, ToDouble(Multiply(FromDouble(eur), RateDouble())));
}

Result ModelCypToEur(double cyp) {
  if (!std::isfinite(cyp)) return std::nullopt;
  return ModelRoundDecimals(2, ToDouble(Divide(FromDouble(cyp), RateDouble())));
}

Result ModelChangeEur(ChangeTrigger trigger, double payable, double paid_cyp, double paid_eur) {
  if (!std::isfinite(payable) || !std::isfinite(paid_cyp) || !std::isfinite(paid_eur)) return std::nullopt;
  const Exact e = FromDouble(payable);
  const Exact p = FromDouble(paid_cyp);
  double v = 0;
  switch (trigger) {
    case ChangeTrigger::AmountPayable:
      v = ToDouble(Subtract(DoubleValue(Extended(Divide(p, RateExtended()))), e));
      break;
    case ChangeTrigger::PaidCyp:
      v = ToDouble(Subtract(DoubleValue(Divide(p, RateDouble())), e));
      break;
    case ChangeTrigger::PaidEur:
      v = ToDouble(Extended(Subtract(Extended(Divide(p, RateExtended())), e)));
      break;
  }
  if (!std::isfinite(v)) return std::nullopt;
  v = ToDouble(Add(FromDouble(v), FromDouble(paid_eur)));
  return std::isfinite(v) ? ModelRoundDecimals(2, v) : std::nullopt;
}

// ---------------------------------------------------------------------------
// Helpers shared by the tests.

constexpr ChangeTrigger kTriggers[] = {ChangeTrigger::AmountPayable, ChangeTrigger::PaidCyp,
                                       ChangeTrigger::PaidEur};
constexpr const char* kTriggerNames[] = {"AmountPayable", "PaidCyp", "PaidEur"};
constexpr double kTwoPow63 = 9223372036854775808.0;
constexpr double kBelowTwoPow63 = 9223372036854774784.0;  // 2^63 - 1024, the double just below

Result Engine(const std::function<double()>& call) {
  try {
    return call();
  } catch (const EInvalidOp&) {
    return std::nullopt;
  }
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
bool SameResult(const Result& a, const Result& b) {
  return a.has_value() == b.has_value() && (!a || SameBits(*a, *b));
}

std::string Show(double x) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g (%a)", x, x);
  return text;
}
std::string Show(const Result& r) {
  return r ? Show(*r) : "invalid operation";
}

// Compares engine and model and reports the first few disagreements in full.
class CrossCheck {
 public:
  // `call` names the call; only asked for on a mismatch, to keep the loops fast.
  template <typename Describe>
  void Compare(const Describe& call, const Result& engine, const Result& model) {
    ++compared_;
    if (SameResult(engine, model)) return;
    if (++mismatches_ <= 10)
      ADD_FAILURE() << call() << ": engine " << Show(engine) << ", model " << Show(model);
  }
  ~CrossCheck() { EXPECT_EQ(mismatches_, 0) << "of " << compared_ << " compared"; }
  CrossCheck() = default;
  CrossCheck(const CrossCheck&) = delete;
  CrossCheck& operator=(const CrossCheck&) = delete;

 private:
  int compared_ = 0;
  int mismatches_ = 0;
};

std::string Args(int decimals, double x) {
  return "RoundDecimals(" + std::to_string(decimals) + ", " + Show(x) + ")";
}
std::string Args(ChangeTrigger trigger, double e, double p, double d) {
  return std::string("ChangeEur(") + kTriggerNames[static_cast<int>(trigger)] + ", " + Show(e) + ", " +
         Show(p) + ", " + Show(d) + ")";
}

std::uint64_t PowerOfTen(int n) {
  std::uint64_t p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// Deterministic inputs: raw words of a fixed-seed mt19937_64 (its sequence is
// fixed by the standard, unlike the distributions').
class Inputs {
 public:
  explicit Inputs(std::uint64_t seed) : rng_(seed) {}

  std::uint64_t Below(std::uint64_t n) { return rng_() % n; }
  bool Coin() { return (rng_() >> 63) != 0; }
  double Signed(double x) { return Coin() ? -x : x; }
  double Nudged(double x) {  // up to four ulps either way
    const int steps = static_cast<int>(Below(9)) - 4;
    for (int i = 0; i < std::abs(steps); ++i) x = std::nextafter(x, steps < 0 ? -HUGE_VAL : HUGE_VAL);
    return x;
  }

  double Cents() { return static_cast<double>(Below(PowerOfTen(9))) / 100; }
  double UpToTrillion() {
    return static_cast<double>(Below(PowerOfTen(18))) / static_cast<double>(PowerOfTen(6));
  }
  double UpToTenPow18() {
    return static_cast<double>(Below(PowerOfTen(18))) /
           static_cast<double>(PowerOfTen(static_cast<int>(Below(4))));
  }
  double AnyDouble() {  // random significand, magnitude from about 1e-12 to 2^64
    const std::uint64_t biased = 1023 - 40 + Below(104);
    const std::uint64_t bits = (biased << 52) | (rng_() >> 12);
    double x = 0;
    std::memcpy(&x, &bits, sizeof x);
    return x;
  }
  double Amount() {
    switch (Below(4)) {
      case 0:
        return Cents();
      case 1:
        return UpToTrillion();
      case 2:
        return UpToTenPow18();
      default:
        return AnyDouble();
    }
  }
  // Near k + 0.5 units of the last kept decimal.
  double NearHalf(int decimals) {
    const std::uint64_t units = Below(PowerOfTen(static_cast<int>(Below(16))));
    return Nudged(static_cast<double>(2 * units + 1) / static_cast<double>(2 * PowerOfTen(decimals)));
  }
  // Near k + 0.4999995 units, where the guard digits start to round up.
  double NearToleranceEdge(int decimals) {
    const std::uint64_t units = Below(PowerOfTen(static_cast<int>(Below(9))));
    return Nudged(static_cast<double>(units * 10'000'000 + 4'999'995) /
                  static_cast<double>(PowerOfTen(decimals + 7)));
  }
  double NearBoundary(int decimals) { return Coin() ? NearHalf(decimals) : NearToleranceEdge(decimals); }
  // Amounts whose converted value lands near a cent boundary.
  double EurNearBoundary() { return Nudged(Signed(NearBoundary(2)) / 0.585274); }
  double CypNearBoundary() { return Nudged(Signed(NearBoundary(2)) * 0.585274); }

  struct Change {
    double payable, paid_cyp, paid_eur;
  };
  Change ChangeInputs() {
    switch (Below(3)) {
      case 0:  // till amounts
        return {Cents(), Coin() ? 0.0 : Cents(), Coin() ? 0.0 : Cents()};
      case 1:  // anything, either sign
        return {Signed(Amount()), Signed(Amount()), Signed(Amount())};
      default: {  // the change lands near a cent boundary
        const double paid_cyp = Coin() ? Cents() : UpToTrillion();
        const double paid_eur = Coin() ? 0.0 : Cents();
        return {Nudged(paid_cyp / 0.585274 + paid_eur - Signed(NearBoundary(2))), paid_cyp, paid_eur};
      }
    }
  }

 private:
  std::mt19937_64 rng_;
};

// ---------------------------------------------------------------------------
// Caller floating-point state.

std::uint16_t X87ControlWord() {
  std::uint16_t cw = 0;
  asm volatile("fnstcw %0" : "=m"(cw) : : "memory");
  return cw;
}
std::uint16_t X87StatusWord() {
  std::uint16_t sw = 0;
  asm volatile("fnstsw %0" : "=m"(sw) : : "memory");
  return sw;
}
void LoadX87ControlWord(std::uint16_t cw) {
  asm volatile("fnclex\n\tfldcw %0" : : "m"(cw) : "memory");
}

struct FpState {
  const char* name;
  std::uint16_t x87_control;
  std::uint32_t mxcsr;  // sticky flags clear
};

// Bit 6 of the x87 control word is reserved and reads back as 1.
constexpr FpState kCallerStates[] = {
    {"53-bit, upward", 0x0A7F, 0x5F80},
    {"53-bit, toward zero, flush-to-zero and denormals-are-zero", 0x0E7F, 0xFFC0},
    {"24-bit, downward, invalid/zero-divide/overflow unmasked", 0x0472, 0x3900},
    {"64-bit, nearest, invalid/zero-divide/overflow unmasked", 0x0372, 0x1900},
};

struct UnderState {
  Result result;
  std::uint16_t x87_control;
  std::uint16_t x87_exceptions;
  std::uint32_t mxcsr;
};

// Runs one engine call with the caller's state set as given, and restores ours.
UnderState CallUnder(const FpState& state, const std::function<double()>& call) {
  const std::uint16_t saved_cw = X87ControlWord();
  const std::uint32_t saved_mxcsr = _mm_getcsr();
  UnderState seen;
  LoadX87ControlWord(state.x87_control);
  _mm_setcsr(state.mxcsr);
  try {
    seen.result = call();
  } catch (const EInvalidOp&) {
    seen.result = std::nullopt;
  }
  seen.mxcsr = _mm_getcsr();
  seen.x87_control = X87ControlWord();
  seen.x87_exceptions = X87StatusWord() & 0x3F;
  _mm_setcsr(saved_mxcsr);
  LoadX87ControlWord(saved_cw);
  return seen;
}

// ---------------------------------------------------------------------------
// Tests.

TEST(ExactModel, RatesAreTheNearestValues) {
  EXPECT_TRUE(SameValue(RateExtended(), FromLongDouble(CypPerEur)));
  EXPECT_TRUE(SameValue(RateDouble(), FromDouble(0.585274)));
  EXPECT_FALSE(SameValue(RateExtended(), RateDouble()));
}

struct RoundCase {
  int decimals;
  double x;
  double expected;
};

TEST(RoundDecimals, Examples) {
  const RoundCase cases[] = {
      // Decimal halves held a hair low still go up; halves go up, not to even.
      {2, 2.675, 2.68},
      {2, 1.005, 1.01},
      {2, 0.125, 0.13},
      {2, 0.135, 0.14},
      {2, 0.145, 0.15},
      {2, 1.004, 1.0},
      {2, 58.5274, 58.53},
      {2, 7.0, 7.0},
      {2, 0.995, 1.0},
      {2, 999999.995, 1000000.0},
      // Negative amounts round symmetrically.
      {2, -2.675, -2.68},
      {2, -0.125, -0.13},
      {2, -1.005, -1.01},
      {2, -1.004, -1.0},
      // Inside and outside the guard tolerance.
      {2, 12.3449999996, 12.35},
      {2, 12.34499999, 12.34},
      {2, -12.3449999996, -12.35},
      {2, -12.34499999, -12.34},
      // The sign of x survives a zero result; zero and negative zero give zero.
      {2, -0.001, -0.0},
      {2, -0.004999, -0.0},
      {2, 0.0, 0.0},
      {2, -0.0, 0.0},
      {2, 5e-324, 0.0},
      // Other decimal counts.
      {1, 0.05, 0.1},
      {1, 2.25, 2.3},
      {1, -0.05, -0.1},
      {1, 0.04, 0.0},
      {1, 0.0499999, 0.0},
      {3, 1.0004999999, 1.001},
      {3, 1.0004999, 1.0},
      {3, 2.0005, 2.001},
      {3, -1.0004999999, -1.001},
      {6, 0.0000005, 0.000001},
      {6, 0.00000049999, 0.0},
      {6, 123.4567895, 123.45679},
      {9, 0.0000000015, 0.000000002},
      {9, 3.1415926535, 3.141592654},
      // Whole numbers beyond the cents' resolution come back unchanged.
      {2, 4503599627370497.0, 4503599627370497.0},
      {2, 1e18, 1e18},
      {2, kBelowTwoPow63, kBelowTwoPow63},
      {2, -kBelowTwoPow63, -kBelowTwoPow63},
  };
  for (const RoundCase& c : cases) {
    SCOPED_TRACE(Args(c.decimals, c.x));
    const Result engine = Engine([&] { return RoundDecimals(c.decimals, c.x); });
    EXPECT_TRUE(SameResult(engine, c.expected)) << Show(engine) << ", expected " << Show(c.expected);
    EXPECT_TRUE(SameResult(ModelRoundDecimals(c.decimals, c.x), c.expected)) << "model disagrees";
  }
  EXPECT_TRUE(std::signbit(RoundDecimals(2, -0.001)));
  EXPECT_EQ(RoundDecimals(2, -0.001), 0.0);
  EXPECT_FALSE(std::signbit(RoundDecimals(2, -0.0)));
}

// Doubles a few ulps either side of k + 0.4999995 units: those at or above it
// round up, those below round down.
TEST(RoundDecimals, ToleranceEdge) {
  struct EdgeCase {
    int decimals;
    std::uint64_t edge_num, edge_den;  // the exact edge
    double below, above;
  };
  const EdgeCase cases[] = {
      {2, 12344999995, 1000000000, 12.34, 12.35},
      {2, 4999995, 1000000000, 0.0, 0.01},
      {2, 1234567894999995, 1000000000, 1234567.89, 1234567.9},
      {1, 4999995, 100000000, 0.0, 0.1},
      {3, 10004999995, 10000000000, 1.0, 1.001},
      {6, 70000004999995, 10000000000000, 7.0, 7.000001},
  };
  for (const EdgeCase& c : cases) {
    const Exact edge = FromRatio(c.edge_num, c.edge_den);
    for (const double sign : {1.0, -1.0}) {
      const double nearest = sign * ToDouble(edge);
      bool seen_below = false;
      bool seen_above = false;
      double x = nearest;
      for (int i = 0; i < 4; ++i) x = std::nextafter(x, 0.0);
      for (int i = 0; i < 9; ++i, x = std::nextafter(x, sign * HUGE_VAL)) {
        SCOPED_TRACE(Args(c.decimals, x));
        const bool up = !Subtract(FromDouble(sign * x), edge).negative;
        (up ? seen_above : seen_below) = true;
        const double expected = sign * (up ? c.above : c.below);
        const Result engine = Engine([&] { return RoundDecimals(c.decimals, x); });
        EXPECT_TRUE(SameResult(engine, expected)) << Show(engine) << ", expected " << Show(expected);
        EXPECT_TRUE(SameResult(ModelRoundDecimals(c.decimals, x), expected)) << "model disagrees";
      }
      EXPECT_TRUE(seen_below && seen_above) << "the doubles tried do not straddle the edge";
    }
  }
}

TEST(Conversions, Examples) {
  struct ConversionCase {
    bool to_cyp;
    double amount, expected;
  };
  const ConversionCase cases[] = {
      {true, 1, 0.59},  {true, 100, 58.53},   {true, 1.71, 1.0},     {true, 0.01, 0.01},
      {true, 0, 0},     {true, -100, -58.53}, {true, -0.0, 0.0},     {true, -0.008, -0.0},
      {false, 1, 1.71}, {false, 100, 170.86}, {false, 0.01, 0.02},   {false, 0.59, 1.01},
      {false, 0, 0},    {false, -1, -1.71},   {false, 58.53, 100.0},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(std::string(c.to_cyp ? "EurToCyp(" : "CypToEur(") + Show(c.amount) + ")");
    const Result engine = Engine([&] { return c.to_cyp ? EurToCyp(c.amount) : CypToEur(c.amount); });
    EXPECT_TRUE(SameResult(engine, c.expected)) << Show(engine) << ", expected " << Show(c.expected);
    const Result model = c.to_cyp ? ModelEurToCyp(c.amount) : ModelCypToEur(c.amount);
    EXPECT_TRUE(SameResult(model, c.expected)) << "model disagrees";
  }
  // A round trip does not in general come back to the start.
  EXPECT_EQ(CypToEur(EurToCyp(0.01)), 0.02);
  EXPECT_EQ(EurToCyp(CypToEur(0.59)), 0.59);
}

TEST(Conversions, RangeLimit) {
  struct LimitCase {
    const char* call;
    std::function<double()> run;
    Result expected;
  };
  const LimitCase cases[] = {
      {"RoundDecimals(2, 2^63 - 1024)", [] { return RoundDecimals(2, kBelowTwoPow63); }, kBelowTwoPow63},
      {"RoundDecimals(2, 2^63)", [] { return RoundDecimals(2, kTwoPow63); }, std::nullopt},
      {"RoundDecimals(2, -2^63)", [] { return RoundDecimals(2, -kTwoPow63); }, std::nullopt},
      {"RoundDecimals(2, 1e300)", [] { return RoundDecimals(2, 1e300); }, std::nullopt},
      {"RoundDecimals(2, inf)", [] { return RoundDecimals(2, HUGE_VAL); }, std::nullopt},
      {"RoundDecimals(2, -inf)", [] { return RoundDecimals(2, -HUGE_VAL); }, std::nullopt},
      {"RoundDecimals(2, NaN)", [] { return RoundDecimals(2, std::nan("")); }, std::nullopt},
      {"EurToCyp(1e19)", [] { return EurToCyp(1e19); }, 1e19 * 0.585274},
      {"EurToCyp(-1e19)", [] { return EurToCyp(-1e19); }, -1e19 * 0.585274},
      {"EurToCyp(2e19)", [] { return EurToCyp(2e19); }, std::nullopt},
      {"CypToEur(1e19)", [] { return CypToEur(1e19); }, std::nullopt},
      {"CypToEur(5e18)", [] { return CypToEur(5e18); }, 5e18 / 0.585274},
      {"ChangeEur(PaidEur, 1e19, 0, 0)", [] { return ChangeEur(ChangeTrigger::PaidEur, 1e19, 0, 0); },
       std::nullopt},
      {"ChangeEur(AmountPayable, 0, 1e19, 0)",
       [] { return ChangeEur(ChangeTrigger::AmountPayable, 0, 1e19, 0); }, std::nullopt},
      {"ChangeEur(PaidCyp, 0, 0, 9e18)", [] { return ChangeEur(ChangeTrigger::PaidCyp, 0, 0, 9e18); }, 9e18},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.call);
    try {
      const double value = c.run();
      EXPECT_TRUE(c.expected && SameBits(value, *c.expected))
          << Show(value) << ", expected " << Show(c.expected);
    } catch (const EInvalidOp& e) {
      EXPECT_FALSE(c.expected) << "raised, expected " << Show(c.expected);
      EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
  }
  EXPECT_NEAR(EurToCyp(1e19), 5.85274e18, 1e4);
}

TEST(ChangeEur, Examples) {
  struct ChangeCase {
    double payable, paid_cyp, paid_eur, expected;
  };
  // (17.09, 10, 0) leaves 0.0040 owed: negative zero, shown as 0.00.
  const ChangeCase cases[] = {
      {10, 10, 0, 7.09}, {20, 5, 10, -1.46},   {17.08, 10, 0, 0.01},   {17.09, 10, 0, -0.0}, {50, 0, 50, 0.0},
      {0, 0, 0, 0.0},    {100, 58.53, 0, 0.0}, {100, 58.52, 0, -0.01}, {5.5, 0, 10, 4.5},    {0, 1, 0, 1.71},
  };
  for (const ChangeCase& c : cases) {
    for (const ChangeTrigger trigger : kTriggers) {
      SCOPED_TRACE(Args(trigger, c.payable, c.paid_cyp, c.paid_eur));
      const Result engine = Engine([&] { return ChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur); });
      EXPECT_TRUE(SameResult(engine, c.expected)) << Show(engine) << ", expected " << Show(c.expected);
      EXPECT_TRUE(SameResult(ModelChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur), c.expected))
          << "model disagrees";
    }
  }
}

// The trigger picks the rate's precision and where the quotient is rounded; at
// large amounts that moves the change by a cent or more.
TEST(ChangeEur, TriggersDiffer) {
  struct TriggerCase {
    double payable, paid_cyp, paid_eur;
    double expected[3];  // AmountPayable, PaidCyp, PaidEur
  };
  const TriggerCase cases[] = {
      // Extended against double rate.
      {16026348986.30, 9379805382.44, 0, {9.96, 9.97, 9.96}},
      {126958093835.21, 74305271412.33, 0, {1.74, 1.75, 1.74}},
      // Subtraction in extended against a quotient rounded to double first.
      {7105802690.62, 4158841566.61, 0, {4.55, 4.55, 4.54}},
      {128749082267.76, 75353490379.79, 60.25, {68.13, 68.13, 68.12}},
      {62982277373.14, 36861889409.28, 0, {3.40, 3.41, 3.41}},
      // All three apart.
      {120871466116106.52, 70742926459638.375, 0, {0.42, 0.44, 0.43}},
      {154448383622530.97, 90394623276293.875, 87.05, {88.21, 88.24, 88.22}},
  };
  for (const TriggerCase& c : cases) {
    ASSERT_FALSE(c.expected[0] == c.expected[1] && c.expected[0] == c.expected[2]);
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(Args(kTriggers[i], c.payable, c.paid_cyp, c.paid_eur));
      const Result engine =
          Engine([&] { return ChangeEur(kTriggers[i], c.payable, c.paid_cyp, c.paid_eur); });
      EXPECT_TRUE(SameResult(engine, c.expected[i])) << Show(engine) << ", expected " << Show(c.expected[i]);
      EXPECT_TRUE(SameResult(ModelChangeEur(kTriggers[i], c.payable, c.paid_cyp, c.paid_eur), c.expected[i]))
          << "model disagrees";
    }
  }
}

TEST(EngineFpEnvironment, CallerStateNeitherChangesResultsNorIsChanged) {
  struct Call {
    const char* name;
    std::function<double()> run;
    Result expected;
  };
  const Call calls[] = {
      {"RoundDecimals(2, 2.675)", [] { return RoundDecimals(2, 2.675); }, 2.68},
      {"RoundDecimals(2, 1.005)", [] { return RoundDecimals(2, 1.005); }, 1.01},
      {"RoundDecimals(2, 2.674)", [] { return RoundDecimals(2, 2.674); }, 2.67},
      {"RoundDecimals(2, -0.125)", [] { return RoundDecimals(2, -0.125); }, -0.13},
      {"RoundDecimals(2, 12.3449999996)", [] { return RoundDecimals(2, 12.3449999996); }, 12.35},
      {"RoundDecimals(2, 12.34499999)", [] { return RoundDecimals(2, 12.34499999); }, 12.34},
      {"RoundDecimals(2, -0.001)", [] { return RoundDecimals(2, -0.001); }, -0.0},
      {"RoundDecimals(2, 5e-324)", [] { return RoundDecimals(2, 5e-324); }, 0.0},
      {"EurToCyp(100)", [] { return EurToCyp(100); }, 58.53},
      {"CypToEur(100)", [] { return CypToEur(100); }, 170.86},
      {"ChangeEur(PaidEur, 20, 5, 10)", [] { return ChangeEur(ChangeTrigger::PaidEur, 20, 5, 10); }, -1.46},
      {"RoundDecimals(2, 2^63)", [] { return RoundDecimals(2, kTwoPow63); }, std::nullopt},
      {"CypToEur(1e19)", [] { return CypToEur(1e19); }, std::nullopt},
      {"RoundDecimals(2, NaN)", [] { return RoundDecimals(2, std::nan("")); }, std::nullopt},
  };
  for (const FpState& state : kCallerStates) {
    SCOPED_TRACE(state.name);
    for (const Call& call : calls) {
      SCOPED_TRACE(call.name);
      const UnderState seen = CallUnder(state, call.run);
      EXPECT_TRUE(SameResult(seen.result, call.expected))
          << Show(seen.result) << ", expected " << Show(call.expected);
      EXPECT_EQ(seen.x87_control, state.x87_control);
      EXPECT_EQ(seen.x87_exceptions, 0) << "x87 exception flags left set";
      EXPECT_EQ(seen.mxcsr, state.mxcsr);
    }
  }
}

// Random inputs near rounding boundaries, where a wrong precision or rounding
// mode shows, under every caller state.
TEST(EngineFpEnvironment, CallerStateRandomInputs) {
  Inputs in(20080101);
  CrossCheck check;
  for (const FpState& state : kCallerStates) {
    SCOPED_TRACE(state.name);
    for (int i = 0; i < 300; ++i) {
      const int decimals = 1 + static_cast<int>(in.Below(6));
      const double x = in.Signed(in.NearBoundary(decimals));
      check.Compare([&] { return Args(decimals, x); },
                    CallUnder(state, [&] { return RoundDecimals(decimals, x); }).result,
                    ModelRoundDecimals(decimals, x));
      const double eur = in.EurNearBoundary();
      check.Compare([&] { return "EurToCyp(" + Show(eur) + ")"; },
                    CallUnder(state, [&] { return EurToCyp(eur); }).result, ModelEurToCyp(eur));
      const double cyp = in.CypNearBoundary();
      check.Compare([&] { return "CypToEur(" + Show(cyp) + ")"; },
                    CallUnder(state, [&] { return CypToEur(cyp); }).result, ModelCypToEur(cyp));
      const Inputs::Change c = in.ChangeInputs();
      const ChangeTrigger trigger = kTriggers[in.Below(3)];
      check.Compare(
          [&] { return Args(trigger, c.payable, c.paid_cyp, c.paid_eur); },
          CallUnder(state, [&] { return ChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur); }).result,
          ModelChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur));
    }
  }
}

constexpr int kRandomRounds = 48000;
constexpr int kRandomConversions = 24000;
constexpr int kRandomChanges = 20000;

TEST(RandomCrossCheck, RoundDecimals) {
  Inputs in(585274);
  CrossCheck check;
  for (int i = 0; i < kRandomRounds; ++i) {
    const int decimals = 1 + i % 6;
    const double x = in.Signed(in.Below(3) == 0 ? in.Amount() : in.NearBoundary(decimals));
    check.Compare([&] { return Args(decimals, x); }, Engine([&] { return RoundDecimals(decimals, x); }),
                  ModelRoundDecimals(decimals, x));
  }
}

TEST(RandomCrossCheck, Conversions) {
  Inputs in(1999);
  CrossCheck check;
  for (int i = 0; i < kRandomConversions; ++i) {
    const bool targeted = in.Coin();
    const double eur = targeted ? in.EurNearBoundary() : in.Signed(in.Amount());
    check.Compare([&] { return "EurToCyp(" + Show(eur) + ")"; }, Engine([&] { return EurToCyp(eur); }),
                  ModelEurToCyp(eur));
    const double cyp = targeted ? in.CypNearBoundary() : in.Signed(in.Amount());
    check.Compare([&] { return "CypToEur(" + Show(cyp) + ")"; }, Engine([&] { return CypToEur(cyp); }),
                  ModelCypToEur(cyp));
  }
}

TEST(RandomCrossCheck, ChangeEur) {
  Inputs in(2008);
  CrossCheck check;
  for (int i = 0; i < kRandomChanges; ++i) {
    const Inputs::Change c = in.ChangeInputs();
    for (const ChangeTrigger trigger : kTriggers) {
      check.Compare([&] { return Args(trigger, c.payable, c.paid_cyp, c.paid_eur); },
                    Engine([&] { return ChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur); }),
                    ModelChangeEur(trigger, c.payable, c.paid_cyp, c.paid_eur));
    }
  }
}

}  // namespace
}  // namespace tallivo
