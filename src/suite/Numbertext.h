#pragma once
// The "%.<digits>g" text of doubles, as printf and std::to_chars(general, digits) write it,
// without their cost: the CSV writers print millions of values.
#include <cstddef>

namespace driftline {

// Room GeneralDigits needs at its output: the longest text is 24 characters (sign, 17 digits,
// point, "e-308"), and the digits are moved in fixed-size blocks that may run past the end of
// the text (never past this room).
constexpr std::size_t MaxGeneralChars = 40;

// Writes v at `out` exactly as std::to_chars(out, out + MaxGeneralChars, v,
// std::chars_format::general, digits) does and returns the end of the text:
// the exact binary value rounded half-to-even to `digits` significant digits, trailing zeros
// dropped, exponent form ("1.5e-07", "2e+17") when the decimal exponent is below -4 or at least
// `digits`. digits 1 to 17 (clamped). The room at `out` must be MaxGeneralChars bytes.
// At 17 digits every value from 1e-11 to 1e38 (every time, angle and voltage of a log) takes the
// fast path, at 12 digits those from 1e-16 to 1e12; the rest (zero, subnormals, other magnitudes,
// inf, NaN) go to std::to_chars itself.
char* GeneralDigits(char* out, double v, int digits);

}  // namespace driftline
