#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers in files and texts, formatted and read without the process locale: Qt switches the C
// locale at start-up, and a comma locale must never change a file.

// The C runtime's "%d".
std::string IntToStr(std::int64_t value);
// The C runtime's "%.<decimals>f"; "%f" is six decimals ("1.000000").
std::string FormatFixed(double value, int decimals = 6);
// The class library's FloatToStr: up to 15 significant digits, shortest form, "." as separator,
// exponent form for large and small values ("1E20", "1.5E-7").
std::string FloatToStr(double value);
// The class library's FormatFloat for digit patterns such as "0.00", "0.##" and "#,##0.00": '0' is a
// required digit, '#' an optional one, ',' in the integer part groups thousands; text before the
// first and after the last placeholder is kept. Halves round away from zero.
std::string FormatFloat(std::string_view pattern, double value);
// The C library's gcvt with `digits` significant digits ("%.<digits>g").
std::string GcvtString(double value, int digits = 5);

// The C library's atoi: leading white space, a sign, digits; stops at the first misfit; no number
// gives 0; an overflow is clamped to the int range.
int Atoi(std::string_view text);
// The C library's atof for decimal numbers only (no hex, no inf or nan): stops at the first misfit;
// no number gives 0; an overflow is clamped to the largest double.
double Atof(std::string_view text);

// The class library's strict conversions; they raise EConvertError
// ("'abc' is not a valid integer value", "'abc' is not a valid floating point value").
int StrToInt(std::string_view text);
double StrToFloat(std::string_view text);
// StrToFloat for a value that goes where only low ... high fits: a number outside is refused with
// the same EConvertError as a text that is no number.
double StrToFloatWithin(std::string_view text, double low, double high);

// Windows' MulDiv: a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or
// the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);
