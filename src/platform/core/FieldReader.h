#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zel {

// scanf-style reading of one fixed-width field of a line, as the *.wfn
// format is column-based. The field is [column, column + width) clipped at
// the end of the line; nothing outside it is read. Leading white space is
// skipped, then the longest prefix forming a number is converted; anything
// after it inside the field is ignored.
//
// On failure (nothing convertible, out of range) the functions return
// false and leave `value` untouched. Both are locale-independent.

// Optional sign and decimal digits.
bool ReadIntField(std::string_view line, std::size_t column, std::size_t width, int& value);

// Optional sign, digits with an optional decimal point, optional exponent
// introduced by e, E, d or D (Fortran writes D). Only decimal numbers are
// accepted: "inf", "nan" and hex floats are not. Overflow fails; underflow
// reads as a signed zero, like strtod.
bool ReadRealField(std::string_view line, std::size_t column, std::size_t width, double& value);

// Strips leading and trailing space, tab, CR, LF, VT and FF.
std::string Trim(std::string_view text);

} // namespace zel
