#pragma once
// Numeric helpers shared by every subsystem: reading a number out of a text
// the way the student's answers are read, and writing numbers into records.
#include <cstddef>
#include <string>
#include <string_view>

namespace drill {

// Length of the longest leading part of the text of the form
// [sign] digits [. digits] [e [sign] digits], with at least one digit before
// the exponent; 0 when the text does not begin with a number.
std::size_t decimalNumberLength(std::string_view text);

// Value of the longest leading decimal number of the text, blanks ignored;
// 0 when there is none. Throws RuntimeError(6) when it overflows a double.
double val(std::string_view text);

// Shortest decimal text with up to 15 significant digits: "-" for negatives,
// no point for whole numbers, no zero before the point (.5), exponent form
// (1E+15, 1.5E+20) only for large (>= 1E+15) and tiny (< 1E-15) magnitudes.
std::string numberText(double value);

// Number as a file item: a leading blank for values >= 0, and a trailing blank.
std::string numberItem(double value);

// Nearest whole number, an exact half to the even neighbour.
double roundHalfEven(double value);

}  // namespace drill
