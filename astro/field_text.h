// Numbers in the date and time fields: the lenient reading every rule uses, the strict reading
// of the stepping buttons and the timer, and the one number-to-text form of every program write.
// Every conversion here reads and writes "." as the decimal point, whatever the locale of the
// process.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace selvane {

// The leading decimal number of the text after blanks, tabs and line breaks are removed:
// optional sign, digits, optional "." and digits, optional exponent. No number gives 0.
// A magnitude too large for a double reads as the largest finite double.
double FieldNumber(std::string_view text);

// The whole text as one number (blanks around it allowed), or nothing.
std::optional<double> StrictNumber(std::string_view text);

// Whole values as plain digits ("12", "-1"); others in the shortest form of at most 15
// significant digits with "." ("0.5"). Writes into out without allocating when it has room.
void FormatFieldNumber(double value, std::string& out);
std::string FormatFieldNumber(double value);

// The forms of printf's "%.<decimals>f" and "%.<precision>g" in the C locale, into buf with a
// closing NUL, cut to size - 1 characters as snprintf cuts; returns the length written.
std::size_t FormatFixed(double value, int decimals, char* buf, std::size_t size);
std::size_t FormatGeneral(double value, int precision, char* buf, std::size_t size);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace selvane
