#pragma once
// Numbers as text, the same whatever the locale: '.' before the decimals
// and, where grouped, ',' between thousands. A value that is not finite is
// "nan", "inf" or "-inf" in fixed text and "n/a" in grouped text; the file
// writers' WriteFixed takes finite values only.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumora {

// Fixed notation with `decimals` (0..100) places, correctly rounded; a
// negative value keeps its sign when it rounds to zero ("-0.00").
std::string FixedText(double v, int decimals);

// Fixed notation with ',' between thousands: "-98,765.4".
std::string GroupedNumber(double v, int decimals);
// A count: "1,234,567".
std::string GroupedNumber(int64_t n);

// Room enough for any finite double with up to 9 decimals.
constexpr std::size_t kFixedTextMax = 420;

// Fixed notation of a finite double with `decimals` (0 to 9) places for the
// file writers, written at `out`; returns its end. Correctly rounded, and a
// value that rounds to zero has no sign. Most numbers take an exact integer
// path; the few that lie too near a rounding half go through the library's
// conversion.
char* WriteFixed(char* out, double v, int decimals);

}  // namespace lumora
