// Conversions between the text of a screen's fields and numbers.
//
// A field holds a number when its text, blanks around it ignored, is an optional sign, digits with
// at most one decimal point ("." or ","; no thousands separators), and an optional exponent
// ("e" or "E", an optional sign, digits). Anything else, the empty text included, is the
// type-mismatch error. A count or index is rounded to the nearest integer, halves to even, and
// must lie in -32768..32767 (else the overflow error); a length must fit a double (else the
// overflow error, in words about the number's size).
#pragma once

#include <string>
#include <string_view>

#include "checked.hpp"

namespace nurlo {

double lengthFromText(std::string_view text);
Int16 countFromText(std::string_view text);

// An estimate as a field shows it: at most 15 significant digits, no trailing zeros, "." as the
// decimal point whatever the locale, "0" for a zero.
std::string estimateText(double value);

}  // namespace nurlo
