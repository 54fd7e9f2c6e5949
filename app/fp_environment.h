// The floating-point environment the calculator runs in.
#pragma once

namespace tallivo {

// x87 with a 64-bit significand and rounding to nearest-even, SSE rounding
// to nearest-even without flush-to-zero. Exceptions stay masked: system code
// called on this thread does not expect unmasked ones, and the engine raises
// its own error where an operation is invalid.
void SetProcessFpEnvironment();

}  // namespace tallivo
