#include "app/fp_environment.h"

#include <xmmintrin.h>

#include <cstdint>

namespace tallivo {

void SetProcessFpEnvironment() {
  const std::uint16_t control = 0x037F;
  asm volatile("fldcw %0" : : "m"(control));
  _mm_setcsr(0x1F80);
}

}  // namespace tallivo
