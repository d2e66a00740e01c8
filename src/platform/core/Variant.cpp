#include "platform/core/Variant.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr unsigned __int128 DecimalLimit = static_cast<unsigned __int128>(1) << 96;
constexpr int MaxDecimalScale = 28;
constexpr double MillisecondsPerDay = 86400000.0;
// 9999-12-31 and 0100-01-01, the range OLE dates cover.
constexpr double LastOleDate = 2958466.0;
constexpr double FirstOleDate = -657434.0;

bool IsIntegerType(TVarType type)
{
    switch (type) {
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, TDateParts& parts)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    parts.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    parts.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    parts.year = static_cast<int>(yearOfEra + era * 400 + (parts.month <= 2));
}

const std::int64_t OleEpochDays = DaysFromCivil(1899, 12, 30);

// OLE rounds numbers to integers to the nearest, halves to even.
std::int64_t RoundToInt64(double value, TVarType from)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        throw EVariantError("Could not convert variant of type (" + Variant::TypeName(from) + ") into type (Int64)");
    return static_cast<std::int64_t>(rounded);
}

std::string CurrencyText(std::int64_t tenThousandths)
{
    const bool negative = tenThousandths < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(tenThousandths) : static_cast<std::uint64_t>(tenThousandths);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    if (const unsigned fraction = magnitude % 10000) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04u", fraction);
        std::string decimals = digits;
        decimals.erase(decimals.find_last_not_of('0') + 1);
        text += "." + decimals;
    }
    return text;
}

std::string DateText(double date)
{
    const TDateParts parts = DecodeOleDate(date);
    char text[32];
    if (parts.hour == 0 && parts.minute == 0 && parts.second == 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month, parts.day,
                      parts.hour, parts.minute, parts.second);
    return text;
}

// The shortest decimal that reads back as the same single, so that 1.1f reads "1.1".
std::string SingleText(double value)
{
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<float>(value)).ptr;
    return FloatToStr(Atof(std::string_view(digits, static_cast<size_t>(end - digits))));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool TDecimal::Parse(std::string_view text, TDecimal& result)
{
    TDecimal value;
    unsigned __int128 mantissa = 0;
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        value.negative = text[pos++] == '-';
    bool digits = false;
    bool fraction = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if ((c == '.' || c == ',') && !fraction) {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        digits = true;
        mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
        if (mantissa >= DecimalLimit)
            return false;
        if (fraction && ++value.scale > MaxDecimalScale)
            return false;
    }
    if (!digits)
        return false;
    value.SetMantissa(mantissa);
    result = value;
    return true;
}

std::string TDecimal::ToString() const
{
    std::string digits;
    unsigned __int128 rest = Mantissa();
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
        rest /= 10;
    } while (rest != 0);
    if (digits.size() <= scale)
        digits.insert(0, scale + 1 - digits.size(), '0');
    if (scale > 0)
        digits.insert(digits.size() - scale, 1, '.');
    return (negative && Mantissa() != 0 ? "-" : "") + digits;
}

double TDecimal::ToDouble() const { return Atof(ToString()); }

double EncodeOleDate(const TDateParts& parts)
{
    const double days = static_cast<double>(DaysFromCivil(parts.year, parts.month, parts.day) - OleEpochDays);
    const double time =
        (((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.millisecond) / MillisecondsPerDay;
    return days >= 0 ? days + time : days - time;
}

TDateParts DecodeOleDate(double date)
{
    if (!(date >= FirstOleDate && date < LastOleDate))
        throw EVariantError("Invalid date value");
    double wholeDays = std::trunc(date);
    auto milliseconds = static_cast<std::int64_t>(std::llround(std::fabs(date - wholeDays) * MillisecondsPerDay));
    if (milliseconds >= 86400000) {
        milliseconds -= 86400000;
        wholeDays += 1;
    }
    TDateParts parts;
    CivilFromDays(static_cast<std::int64_t>(wholeDays) + OleEpochDays, parts);
    parts.millisecond = static_cast<int>(milliseconds % 1000);
    parts.second = static_cast<int>(milliseconds / 1000 % 60);
    parts.minute = static_cast<int>(milliseconds / 60000 % 60);
    parts.hour = static_cast<int>(milliseconds / 3600000);
    return parts;
}

TWideText::TWideText(std::u16string_view text)
    : chars_(text.empty() ? nullptr : std::make_unique_for_overwrite<char16_t[]>(text.size())), length_(text.size())
{
    std::copy(text.begin(), text.end(), chars_.get());
}

Variant Variant::Null() { return Variant(varNull, std::monostate{}); }

bool Variant::IntegerFits(std::int64_t value, TVarType type)
{
    switch (type) {
    case varShortInt:
        return value >= -128 && value <= 127;
    case varByte:
        return value >= 0 && value <= 255;
    case varSmallint:
        return value >= -32768 && value <= 32767;
    case varWord:
        return value >= 0 && value <= 65535;
    case varInteger:
        return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
    case varLongWord:
        return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max();
    case varInt64:
        return true;
    case varUInt64:
        return value >= 0;
    default:
        return false;
    }
}

Variant Variant::Integer(std::int64_t value, TVarType type)
{
    if (type == varUInt64 && value >= 0)
        return UInt64(static_cast<std::uint64_t>(value));
    if (!IsIntegerType(type) || !IntegerFits(value, type))
        throw EVariantError("Could not convert variant of type (Int64) into type (" + TypeName(type) + ")");
    return Variant(type, value);
}

Variant Variant::UInt64(std::uint64_t value) { return Variant(varUInt64, value); }
Variant Variant::Boolean(bool value) { return Variant(varBoolean, std::int64_t{value ? 1 : 0}); }
Variant Variant::Single(float value) { return Variant(varSingle, static_cast<double>(value)); }
Variant Variant::Double(double value) { return Variant(varDouble, value); }
Variant Variant::Currency(std::int64_t tenThousandths) { return Variant(varCurrency, tenThousandths); }
Variant Variant::Decimal(const TDecimal& value) { return Variant(varDecimal, value); }
Variant Variant::Date(double oleDate) { return Variant(varDate, oleDate); }
Variant Variant::Text(std::u16string_view value) { return Variant(varOleStr, TWideText(value)); }
Variant Variant::FromString(std::string_view text) { return Text(Win1252ToUtf16(text)); }

Variant Variant::Bytes(std::vector<std::uint8_t> bytes)
{
    return Variant(static_cast<TVarType>(varArray | varByte), TBoxed(std::move(bytes)));
}

Variant Variant::Array(std::vector<Variant> items)
{
    return Variant(static_cast<TVarType>(varArray | varVariant), TBoxed(std::move(items)));
}

void Variant::CannotConvert(TVarType target) const
{
    throw EVariantError("Could not convert variant of type (" + TypeName(type_) + ") into type (" + TypeName(target) +
                        ")");
}

std::int64_t Variant::AsInt64() const
{
    switch (type_) {
    case varBoolean:
        return std::get<std::int64_t>(value_) ? -1 : 0;
    case varUInt64: {
        const std::uint64_t value = std::get<std::uint64_t>(value_);
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            CannotConvert(varInt64);
        return static_cast<std::int64_t>(value);
    }
    case varSingle:
    case varDouble:
    case varDate:
        return RoundToInt64(std::get<double>(value_), type_);
    case varCurrency:
        return RoundToInt64(static_cast<double>(std::get<std::int64_t>(value_)) / 10000.0, type_);
    case varDecimal:
    case varOleStr:
        return RoundToInt64(AsDouble(), type_);
    default:
        if (IsIntegerType(type_))
            return std::get<std::int64_t>(value_);
        CannotConvert(varInt64);
    }
}

double Variant::AsDouble() const
{
    switch (type_) {
    case varSingle:
    case varDouble:
    case varDate:
        return std::get<double>(value_);
    case varCurrency:
        return static_cast<double>(std::get<std::int64_t>(value_)) / 10000.0;
    case varDecimal:
        return std::get<TDecimal>(value_).ToDouble();
    case varUInt64:
        return static_cast<double>(std::get<std::uint64_t>(value_));
    case varOleStr:
        try {
            return StrToFloat(AsString());
        } catch (const EConvertError&) {
            CannotConvert(varDouble);
        }
    default:
        if (IsIntegerType(type_) || type_ == varBoolean)
            return static_cast<double>(AsInt64());
        CannotConvert(varDouble);
    }
}

bool Variant::AsBoolean() const
{
    if (type_ == varOleStr) {
        const std::string text = AsString();
        if (EqualsIgnoringCase(text, "True"))
            return true;
        if (EqualsIgnoringCase(text, "False"))
            return false;
    }
    if (type_ == varBoolean)
        return std::get<std::int64_t>(value_) != 0;
    if (type_ == varEmpty || type_ == varNull || IsArray())
        CannotConvert(varBoolean);
    try {
        return AsDouble() != 0;
    } catch (const EVariantError&) {
        CannotConvert(varBoolean);
    }
}

std::string Variant::NumberText() const
{
    switch (type_) {
    case varBoolean:
        return std::get<std::int64_t>(value_) ? "True" : "False";
    case varUInt64:
        return std::to_string(std::get<std::uint64_t>(value_));
    case varSingle:
        return SingleText(std::get<double>(value_));
    case varDouble:
        return FloatToStr(std::get<double>(value_));
    case varCurrency:
        return CurrencyText(std::get<std::int64_t>(value_));
    case varDecimal:
        return std::get<TDecimal>(value_).ToString();
    case varDate:
        return DateText(std::get<double>(value_));
    default:
        if (IsIntegerType(type_))
            return IntToStr(std::get<std::int64_t>(value_));
        CannotConvert(varOleStr);
    }
}

std::string Variant::AsString() const
{
    if (type_ == varEmpty || type_ == varNull)
        return {};
    if (type_ == varOleStr)
        return Utf16ToWin1252(std::get<TWideText>(value_).View());
    return NumberText();
}

std::u16string Variant::AsWideString() const
{
    if (type_ == varOleStr)
        return std::u16string(std::get<TWideText>(value_).View());
    return Win1252ToUtf16(AsString());
}

std::int64_t Variant::CurrencyValue() const
{
    if (type_ != varCurrency)
        CannotConvert(varCurrency);
    return std::get<std::int64_t>(value_);
}

const TDecimal& Variant::DecimalValue() const
{
    if (type_ != varDecimal)
        CannotConvert(varDecimal);
    return std::get<TDecimal>(value_);
}

double Variant::DateValue() const
{
    if (type_ != varDate)
        CannotConvert(varDate);
    return std::get<double>(value_);
}

std::u16string_view Variant::TextValue() const
{
    if (type_ != varOleStr)
        CannotConvert(varOleStr);
    return std::get<TWideText>(value_).View();
}

const std::vector<std::uint8_t>& Variant::BytesValue() const
{
    if (type_ != (varArray | varByte))
        CannotConvert(static_cast<TVarType>(varArray | varByte));
    return std::get<TBoxed<std::vector<std::uint8_t>>>(value_).Get();
}

const std::vector<Variant>& Variant::ArrayValue() const
{
    if (type_ != (varArray | varVariant))
        CannotConvert(static_cast<TVarType>(varArray | varVariant));
    return std::get<TBoxed<std::vector<Variant>>>(value_).Get();
}

std::string Variant::TypeName(TVarType type)
{
    if (type & varArray)
        return "Array of " + TypeName(static_cast<TVarType>(type & ~varArray));
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varSmallint:
        return "Smallint";
    case varInteger:
        return "Integer";
    case varSingle:
        return "Single";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varOleStr:
        return "OleStr";
    case varBoolean:
        return "Boolean";
    case varVariant:
        return "Variant";
    case varDecimal:
        return "Decimal";
    case varShortInt:
        return "ShortInt";
    case varByte:
        return "Byte";
    case varWord:
        return "Word";
    case varLongWord:
        return "LongWord";
    case varInt64:
        return "Int64";
    case varUInt64:
        return "UInt64";
    default:
        return "Unknown";
    }
}
