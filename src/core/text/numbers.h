#pragma once
// Number reading and printing with the C runtime's rules. Cells stay text; these
// helpers are the only place where text turns into numbers and back.
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// atof: leading white space skipped, the longest decimal prefix read, 0 when there
// is none. Only plain decimal numbers count ("inf", "nan" and hex read as 0).
double CAtof(std::string_view text);

// Length of the plain decimal number at the start of the text (sign, digits with
// an optional point, an exponent with digits); 0 when there is none. The part of
// the text that CAtof reads after the leading white space.
size_t DecimalNumberLength(std::string_view text);

// atoi: leading white space skipped, optional sign, digits; 0 when there are none.
// Values beyond the int range are clamped.
int CAtoi(std::string_view text);

// The 16-bit view of an integer setting (the value modulo 65536, as a signed short).
short ToShort(int value);

// printf("%.*f") of the value.
std::string FormatFixed(double value, int decimals);
// printf("%.3f") and ("%.4f") of a value written to a file. A value that is not
// finite (a cell like "1e400", a result without meaning) prints as 0, the reading
// of a cell that holds no number: no output ever says "nan" or "inf".
inline std::string Format3(double value) { return FormatFixed(std::isfinite(value) ? value : 0.0, 3); }
inline std::string Format4(double value) { return FormatFixed(std::isfinite(value) ? value : 0.0, 4); }

// The text starts (after white space) with a decimal number that is finite.
bool ReadsAsFiniteNumber(std::string_view text);

// printf("%d").
std::string FormatInt(long long value);
// printf("%d") into the caller's buffer, without allocating.
std::string_view FormatIntTo(long long value, char (&buf)[24]);

}  // namespace corvane
