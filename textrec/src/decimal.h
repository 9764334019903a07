// Exact decimal rounding of binary doubles, shared by the Fortran writers and
// the display masks.
#pragma once

#include <string>

namespace textrec::detail {

// value = 0.d1d2...dn x 10^exponent (d1 != 0 unless the value is zero).
struct Decimal {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

// The value rounded to `significant` digits, exact ties away from zero.
// significant >= 1. Zero gives `significant` zeros and exponent 0.
Decimal roundSignificant(double value, int significant);

// The value rounded to `decimals` digits after the point, exact ties away from
// zero. Returns the digits of the integer part (at least "0") and of the
// fraction. `isZero` tells whether every digit is zero.
struct Fixed {
    std::string integerDigits;
    std::string fractionDigits;
    bool negative = false;
    bool isZero = true;
};
Fixed roundFixed(double value, int decimals);

// Ew.d built from roundSignificant: the reference for the fast path of
// formatE, which hands it every value it cannot decide on its own.
std::string formatEExact(double value, int width, int decimals);

} // namespace textrec::detail
