#pragma once
// Fixed-point text of a finite double, correctly rounded to `decimals`
// places with '.', whatever the locale; a value that rounds to zero has no
// sign. Most numbers take an exact integer path; the few that lie too near
// a rounding half go through the library's conversion.

#include <cstddef>

namespace lumora {

// Room enough for any finite double with up to 9 decimals.
constexpr std::size_t kFixedTextMax = 420;

// Writes the text at `out` and returns its end. `decimals` is 0 to 9.
char* WriteFixed(char* out, double v, int decimals);

}  // namespace lumora
