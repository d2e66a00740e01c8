#include "platform/core/Numbers.h"
#include "platform/core/TryNumbers.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal expansion: value = 0.digits x 10^exponent, digits without leading zeros.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Reads to_chars' scientific form: "d.ddde+XX", or "de+XX" for a single digit.
void ReadScientific(std::string_view text, DecimalDigits& result)
{
    const size_t e = text.find('e');
    result.digits = text.substr(0, 1);
    if (e > 2)
        result.digits += text.substr(2, e - 2);
    int exponent = 0;
    std::from_chars(text.data() + e + 2, text.data() + text.size(), exponent);
    result.exponent = (text[e + 1] == '-' ? -exponent : exponent) + 1;
}

// The value as m / 10^k with m below 10^15 and k up to 8, where the double nearest that is the
// value: what most prices and sizes are.
bool ReadShortDecimal(double magnitude, DecimalDigits& result)
{
    double scale = 1;
    for (int decimals = 0; decimals <= 8; ++decimals, scale *= 10) {
        const double scaled = std::nearbyint(magnitude * scale);
        if (scaled >= 1e15)
            return false;
        if (scaled >= 1 && scaled / scale == magnitude) {
            char buffer[16];
            const auto written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(scaled));
            result.digits.assign(buffer, written.ptr);
            result.exponent = static_cast<int>(written.ptr - buffer) - decimals;
            return true;
        }
    }
    return false;
}

// The expansion rounded to the significant digits; trailing zeros may be left out.
DecimalDigits ToDecimalDigits(double value, int significantDigits)
{
    DecimalDigits result;
    result.negative = std::signbit(value);
    if (value == 0)
        return result;
    char buffer[64];
    const double magnitude = std::fabs(value);
    // Where a form of no more digits reads back as the value, it is the rounded expansion, and much
    // quicker to make: numbers of up to 15 digits lie further apart than twice a normal double's
    // precision, so the value is nearer that form than any other of as many.
    if (significantDigits <= 15 && magnitude >= DBL_MIN) {
        if (ReadShortDecimal(magnitude, result))
            return result;
        const auto shortest = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
        ReadScientific(std::string_view(buffer, static_cast<size_t>(shortest.ptr - buffer)), result);
        if (result.digits.size() <= static_cast<size_t>(significantDigits))
            return result;
    }
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific,
                                       significantDigits - 1);
    ReadScientific(std::string_view(buffer, static_cast<size_t>(written.ptr - buffer)), result);
    return result;
}

void StripTrailingZeros(std::string& digits)
{
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
}

// Rounds the expansion to `decimals` places after the point, halves away from zero.
void RoundToDecimals(DecimalDigits& number, int decimals)
{
    const long keep = static_cast<long>(number.exponent) + decimals;
    if (keep < 0 || number.digits.empty()) {
        number.digits.clear();
        return;
    }
    if (keep >= static_cast<long>(number.digits.size()))
        return;
    const bool roundUp = number.digits[static_cast<size_t>(keep)] >= '5';
    number.digits.resize(static_cast<size_t>(keep));
    if (roundUp) {
        size_t i = number.digits.size();
        while (i > 0 && number.digits[i - 1] == '9')
            number.digits[--i] = '0';
        if (i == 0) {
            number.digits.insert(number.digits.begin(), '1');
            ++number.exponent;
        } else {
            ++number.digits[i - 1];
        }
    }
    StripTrailingZeros(number.digits);
}

std::string SpecialValueText(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string GroupThousands(const std::string& integerDigits)
{
    std::string grouped;
    const size_t count = integerDigits.size();
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0)
            grouped += ',';
        grouped += integerDigits[i];
    }
    return grouped;
}

struct DigitPattern {
    std::string prefix, suffix;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;
};

DigitPattern ParseDigitPattern(std::string_view pattern)
{
    DigitPattern result;
    const size_t first = pattern.find_first_of("0#.,");
    if (first == std::string_view::npos) {
        result.prefix = std::string(pattern);
        return result;
    }
    const size_t last = pattern.find_last_of("0#.,");
    result.prefix = std::string(pattern.substr(0, first));
    result.suffix = std::string(pattern.substr(last + 1));
    bool afterPoint = false;
    for (char c : pattern.substr(first, last - first + 1)) {
        if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            result.thousands = true;
        } else if (c == '0' || c == '#') {
            if (!afterPoint) {
                result.minIntegerDigits += (c == '0');
            } else {
                ++result.maxDecimals;
                if (c == '0')
                    result.minDecimals = result.maxDecimals;
            }
        }
    }
    return result;
}

// A C locale for strtod, made once: the process locale may use a decimal comma.
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Length of the longest prefix of `text` (after `start`) that is a decimal floating-point number:
// digits, an optional point with digits, an optional exponent with at least one digit.
size_t DecimalNumberEnd(std::string_view text, size_t start, bool& hasDigits)
{
    size_t pos = start;
    hasDigits = false;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos, hasDigits = true;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos]))
            ++pos, hasDigits = true;
    }
    if (!hasDigits)
        return start;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        size_t exponentPos = pos + 1;
        if (exponentPos < text.size() && (text[exponentPos] == '+' || text[exponentPos] == '-'))
            ++exponentPos;
        if (exponentPos < text.size() && IsDigit(text[exponentPos])) {
            pos = exponentPos;
            while (pos < text.size() && IsDigit(text[pos]))
                ++pos;
        }
    }
    return pos;
}

size_t SkipSign(std::string_view text, size_t pos, bool& negative)
{
    negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    return pos;
}

double ParseDecimal(std::string_view number)
{
    const std::string copy(number);
    const double value = strtod_l(copy.c_str(), nullptr, CLocale());
    if (std::isinf(value))
        return value < 0 ? -DBL_MAX : DBL_MAX;
    return value;
}

[[noreturn]] void RaiseNotValid(std::string_view text, const char* what)
{
    throw EConvertError("'" + Win1252ToUtf8(text) + "' is not a valid " + what + " value");
}

size_t SkipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return pos;
}

} // namespace

std::string IntToStr(std::int64_t value)
{
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

std::string FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan") : (value < 0 ? "-inf" : "inf");
    // The largest double in fixed notation has 309 digits before the point.
    std::string buffer(330 + static_cast<size_t>(decimals < 0 ? 0 : decimals), '\0');
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed,
                                       decimals < 0 ? 0 : decimals);
    buffer.resize(static_cast<size_t>(written.ptr - buffer.data()));
    return buffer;
}

std::string FloatToStr(double value)
{
    if (!std::isfinite(value))
        return SpecialValueText(value);
    DecimalDigits number = ToDecimalDigits(value, 15);
    StripTrailingZeros(number.digits);
    if (number.digits.empty())
        return "0";
    // At most a sign, 15 digits, a point, three zeros after it, or "E-324": made in place.
    char text[32];
    char* out = text;
    if (number.negative)
        *out++ = '-';
    const int exponent = number.exponent;
    const std::string& digits = number.digits;
    const auto put = [&out](std::string_view part) { out = std::copy(part.begin(), part.end(), out); };
    if (exponent > 15 || exponent < -3) {
        *out++ = digits[0];
        if (digits.size() > 1) {
            *out++ = '.';
            put(std::string_view(digits).substr(1));
        }
        *out++ = 'E';
        out = std::to_chars(out, text + sizeof text, exponent - 1).ptr;
    } else if (exponent <= 0) {
        put("0.");
        out = std::fill_n(out, -exponent, '0');
        put(digits);
    } else {
        const auto integerLength = static_cast<size_t>(exponent);
        if (digits.size() <= integerLength) {
            put(digits);
            out = std::fill_n(out, integerLength - digits.size(), '0');
        } else {
            put(std::string_view(digits).substr(0, integerLength));
            *out++ = '.';
            put(std::string_view(digits).substr(integerLength));
        }
    }
    return std::string(text, out);
}

std::string FormatFloat(std::string_view pattern, double value)
{
    if (!std::isfinite(value))
        return SpecialValueText(value);
    const DigitPattern format = ParseDigitPattern(pattern);
    // Eighteen digits, as the class library's extended-precision expansion has.
    DecimalDigits number = ToDecimalDigits(value, 18);
    RoundToDecimals(number, format.maxDecimals);

    std::string integerDigits, decimalDigits;
    const int exponent = number.exponent;
    for (int i = 0; i < static_cast<int>(number.digits.size()); ++i)
        (i < exponent ? integerDigits : decimalDigits) += number.digits[static_cast<size_t>(i)];
    if (exponent > static_cast<int>(number.digits.size()))
        integerDigits.append(static_cast<size_t>(exponent) - number.digits.size(), '0');
    if (exponent < 0 && !decimalDigits.empty())
        decimalDigits.insert(0, static_cast<size_t>(-exponent), '0');
    if (static_cast<int>(integerDigits.size()) < format.minIntegerDigits)
        integerDigits.insert(0, static_cast<size_t>(format.minIntegerDigits) - integerDigits.size(), '0');
    if (static_cast<int>(decimalDigits.size()) < format.minDecimals)
        decimalDigits.append(static_cast<size_t>(format.minDecimals) - decimalDigits.size(), '0');

    std::string text = format.prefix;
    const bool isZero = number.digits.empty();
    if (number.negative && !isZero)
        text += '-';
    text += format.thousands ? GroupThousands(integerDigits) : integerDigits;
    if (!decimalDigits.empty())
        text += "." + decimalDigits;
    return text + format.suffix;
}

std::string GcvtString(double value, int digits)
{
    if (!std::isfinite(value))
        return FormatFixed(value);
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits < 1 ? 1 : digits);
    return std::string(buffer, written.ptr);
}

int Atoi(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos]))
        ++pos;
    bool negative;
    pos = SkipSign(text, pos, negative);
    std::int64_t magnitude = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

double Atof(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos]))
        ++pos;
    const size_t start = pos;
    bool negative;
    pos = SkipSign(text, pos, negative);
    bool hasDigits;
    const size_t end = DecimalNumberEnd(text, pos, hasDigits);
    if (!hasDigits)
        return 0;
    return ParseDecimal(text.substr(start, end - start));
}

std::optional<int> TryStrToInt(std::string_view text)
{
    size_t pos = SkipBlanks(text, 0);
    bool negative;
    pos = SkipSign(text, pos, negative);
    if (pos == text.size() || !IsDigit(text[pos]))
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > -static_cast<std::int64_t>(INT_MIN))
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (pos != text.size() || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

int StrToInt(std::string_view text)
{
    const std::optional<int> value = TryStrToInt(text);
    if (!value)
        RaiseNotValid(text, "integer");
    return *value;
}

std::optional<double> TryStrToFloat(std::string_view text)
{
    const size_t start = SkipBlanks(text, 0);
    bool negative;
    const size_t digitsStart = SkipSign(text, start, negative);
    bool hasDigits;
    const size_t end = DecimalNumberEnd(text, digitsStart, hasDigits);
    if (!hasDigits || SkipBlanks(text, end) != text.size())
        return std::nullopt;
    const double value = ParseDecimal(text.substr(start, end - start));
    if (std::fabs(value) == DBL_MAX)
        return std::nullopt;
    return value;
}

double StrToFloat(std::string_view text)
{
    const std::optional<double> value = TryStrToFloat(text);
    if (!value)
        RaiseNotValid(text, "floating point");
    return *value;
}

double StrToFloatWithin(std::string_view text, double low, double high)
{
    const double value = StrToFloat(text);
    if (value < low || value > high)
        RaiseNotValid(text, "floating point");
    return value;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude = product < 0 ? 0 - static_cast<std::uint64_t>(product) : product;
    const std::uint64_t divisor = c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c)) : c;
    const std::uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > static_cast<std::uint64_t>(INT_MAX) + (negative ? 1 : 0))
        return -1;
    return static_cast<int>(negative ? -static_cast<std::int64_t>(quotient) : static_cast<std::int64_t>(quotient));
}
