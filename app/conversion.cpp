#include "app/conversion.h"

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>

#if !defined(__i386__) && !defined(__x86_64__)
#error "the engine's rounding is defined in x87 extended precision"
#endif

namespace tallivo {
namespace {

constexpr double kCypPerEurDouble = 0.585274;
constexpr long double kTwoPow63 = 9223372036854775808.0L;

// Runs the engine's arithmetic in its own floating-point environment: x87 with
// a 64-bit significand, SSE and x87 rounding to nearest-even, every exception
// masked. The caller's control words and sticky flags come back on exit, so an
// unmasked exception of the caller's never fires on our flags.
//
// The restore must leave the x87 register stack alone: the compiler may
// already have loaded the return value into st(0) (the 32-bit ABI returns
// doubles there), and an environment saved on entry would mark that register
// empty again. So the exit takes the environment as it is then and changes
// only the control word and the flags in it.
class EngineFpEnvironment {
 public:
  EngineFpEnvironment() {
    asm volatile("fnstcw %0" : "=m"(control_) : : "memory");
    asm volatile("fnstsw %0" : "=m"(status_) : : "memory");
    mxcsr_ = _mm_getcsr();
    const std::uint16_t control = 0x037F;  // masked, 64-bit significand, nearest
    asm volatile("fldcw %0" : : "m"(control) : "memory");
    _mm_setcsr(0x1F80);  // masked, nearest, no flush-to-zero
  }
  ~EngineFpEnvironment() {
    X87Environment env;
    asm volatile("fnstenv %0" : "=m"(env) : : "memory");
    env.control = control_;
    env.status = static_cast<std::uint16_t>((env.status & kStackTop) | (status_ & ~kStackTop));
    asm volatile("fldenv %0" : : "m"(env) : "memory");
    _mm_setcsr(mxcsr_);
  }
  EngineFpEnvironment(const EngineFpEnvironment&) = delete;
  EngineFpEnvironment& operator=(const EngineFpEnvironment&) = delete;

 private:
  // FNSTENV's 28-byte image in 32-bit operand form, as both targets store it.
  struct X87Environment {
    std::uint16_t control;
    std::uint16_t unused1;
    std::uint16_t status;
    std::uint16_t unused2;
    std::uint16_t tags;
    std::uint16_t rest[9];
  };
  static_assert(sizeof(X87Environment) == 28);
  static constexpr std::uint16_t kStackTop = 0x3800;  // status word bits 11-13

  std::uint16_t control_ = 0;
  std::uint16_t status_ = 0;
  unsigned int mxcsr_ = 0;
};

// Forces a value through memory here, so the compiler cannot move the
// arithmetic that uses it out of the environment set up above.
template <typename T>
T Pin(T value) {
  asm volatile("" : "+m"(value));
  return value;
}

// Nearest integer, ties to even; only inside EngineFpEnvironment.
std::int64_t RoundToInt64(long double v) {
  const long double r = std::nearbyint(v);
  if (!(r >= -kTwoPow63 && r < kTwoPow63)) throw EInvalidOp();
  return static_cast<std::int64_t>(r);
}

std::int64_t TruncToInt64(double v) {
  const double r = std::trunc(v);
  if (!(r >= -static_cast<double>(kTwoPow63) && r < static_cast<double>(kTwoPow63))) throw EInvalidOp();
  return static_cast<std::int64_t>(r);
}

double RoundDecimalsIn(int decimals, double x) {
  const double sign = x < 0 ? -1.0 : 1.0;
  const double m = std::fabs(x);
  // 10^n as a 64-bit integer; wraps like the integer arithmetic it models.
  std::uint64_t scale = 10;
  for (int i = 1; i < decimals; ++i) scale *= 10;
  const auto p = static_cast<std::int64_t>(scale);
  const double fraction = m - std::trunc(m);
  long double t = static_cast<long double>(fraction) * static_cast<long double>(p);
  t = t * 10;
  t = t + 5;
  t = t * 100000;
  const std::int64_t q = RoundToInt64(t);
  const std::int64_t k = q / 1000000;
  const std::int64_t w = TruncToInt64(m);
  if (p == 0) throw EInvalidOp();  // 0/0: only for decimal counts past 63
  const long double r =
      static_cast<long double>(k) / static_cast<long double>(p) + static_cast<long double>(w);
  return static_cast<double>(sign * r);
}

}  // namespace

double RoundDecimals(int decimals, double x) {
  const EngineFpEnvironment env;
  return Pin(RoundDecimalsIn(decimals, Pin(x)));
}

double EurToCyp(double eur) {
  const EngineFpEnvironment env;
  return Pin(RoundDecimalsIn(2, Pin(eur) * kCypPerEurDouble));
}

double CypToEur(double cyp) {
  const EngineFpEnvironment env;
  return Pin(RoundDecimalsIn(2, Pin(cyp) / kCypPerEurDouble));
}

double ChangeEur(ChangeTrigger trigger, double payable, double paidCyp, double paidEur) {
  const EngineFpEnvironment env;
  const double e = Pin(payable);
  const double p = Pin(paidCyp);
  const double d = Pin(paidEur);
  double v = 0;
  switch (trigger) {
    case ChangeTrigger::AmountPayable:
      v = static_cast<double>(static_cast<long double>(p) / CypPerEur) - e;
      break;
    case ChangeTrigger::PaidCyp:
      v = p / kCypPerEurDouble - e;
      break;
    case ChangeTrigger::PaidEur:
      v = static_cast<double>(static_cast<long double>(p) / CypPerEur - static_cast<long double>(e));
      break;
  }
  v = v + d;
  return Pin(RoundDecimalsIn(2, v));
}

}  // namespace tallivo
