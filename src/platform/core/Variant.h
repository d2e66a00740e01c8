#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The value types of OLE variants, with their numbers.
enum TVarType : std::uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varBoolean = 11,
    varVariant = 12,
    varDecimal = 14,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varUInt64 = 21,
    varArray = 0x2000,
};

// A fixed-point number of up to 28 digits, as OLE's DECIMAL: the value is mantissa / 10^scale.
struct TDecimal {
    // The 96-bit mantissa in two parts, which keeps the value (and so every Variant) 8-byte aligned.
    std::uint64_t low = 0;
    std::uint32_t high = 0;
    std::uint8_t scale = 0; // 0 to 28
    bool negative = false;

    unsigned __int128 Mantissa() const { return (static_cast<unsigned __int128>(high) << 64) | low; }
    void SetMantissa(unsigned __int128 mantissa)
    {
        low = static_cast<std::uint64_t>(mantissa);
        high = static_cast<std::uint32_t>(mantissa >> 64);
    }

    // Reads "-12.50" or "3,5" (a data source may write its locale's separator); false when the text
    // is no decimal number or does not fit 28 digits.
    static bool Parse(std::string_view text, TDecimal& result);
    std::string ToString() const; // "-12.5"; trailing zeros of the fraction are kept
    double ToDouble() const;
};

// An OLE date: days since 1899-12-30, the fraction the time of day (also for days before, where
// -1.25 is 1899-12-29 06:00).
struct TDateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
double EncodeOleDate(const TDateParts& parts);
TDateParts DecodeOleDate(double date);

// A value kept in a block of its own, copied whole: the large kinds of value stay out of the
// Variant, which so takes 24 bytes.
template <typename T> class TBoxed {
public:
    explicit TBoxed(T value) : value_(std::make_unique<T>(std::move(value))) {}
    TBoxed(const TBoxed& other) : value_(std::make_unique<T>(*other.value_)) {}
    TBoxed& operator=(const TBoxed& other)
    {
        value_ = std::make_unique<T>(*other.value_);
        return *this;
    }
    TBoxed(TBoxed&&) noexcept = default;
    TBoxed& operator=(TBoxed&&) noexcept = default;
    const T& Get() const { return *value_; }

private:
    std::unique_ptr<T> value_;
};

// UTF-16 text in one allocation (a string would take a second one, or 32 bytes in the Variant).
class TWideText {
public:
    explicit TWideText(std::u16string_view text);
    TWideText(const TWideText& other) : TWideText(other.View()) {}
    TWideText& operator=(const TWideText& other)
    {
        if (this != &other)
            *this = TWideText(other.View());
        return *this;
    }
    TWideText(TWideText&&) noexcept = default;
    TWideText& operator=(TWideText&&) noexcept = default;
    std::u16string_view View() const { return {chars_.get(), length_}; }

private:
    std::unique_ptr<char16_t[]> chars_;
    size_t length_ = 0;
};

// A value of one of the OLE variant types: what a data source hands over for a field and takes as a
// parameter, and what the spreadsheet automation passes. Its text never follows the process locale.
class Variant {
public:
    Variant() = default; // empty
    static Variant Null();
    // An integer of one of the integer types (varShortInt ... varUInt64); the value must fit it.
    static Variant Integer(std::int64_t value, TVarType type = varInteger);
    static bool IntegerFits(std::int64_t value, TVarType type);
    static Variant UInt64(std::uint64_t value);
    static Variant Boolean(bool value);
    static Variant Single(float value);
    static Variant Double(double value);
    // Currency in ten-thousandths: 12.5 is 125000.
    static Variant Currency(std::int64_t tenThousandths);
    static Variant Decimal(const TDecimal& value);
    static Variant Date(double oleDate);
    static Variant Text(std::u16string_view value);
    // Model text, in Windows-1252.
    static Variant FromString(std::string_view text);
    static Variant Bytes(std::vector<std::uint8_t> bytes);
    static Variant Array(std::vector<Variant> items);

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty; }
    bool IsNull() const { return type_ == varNull; }
    bool IsArray() const { return (type_ & varArray) != 0; }

    // Conversions as OLE's: numbers, booleans, dates and numeric texts convert among each other;
    // anything else raises EVariantError ("Could not convert variant of type (Null) into type
    // (Double)").
    std::int64_t AsInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    // Empty and null give "". Integers in decimal; reals as FloatToStr; currency with up to four
    // decimals; "True"/"False"; dates "YYYY-MM-DD", plus " HH:MM:SS" when the time is not midnight.
    std::string AsString() const;        // Windows-1252; '?' for what it lacks
    std::u16string AsWideString() const; // the same text in UTF-16

    // The stored value of its type, without conversion (EVariantError for another type).
    std::int64_t CurrencyValue() const;
    const TDecimal& DecimalValue() const;
    double DateValue() const;
    std::u16string_view TextValue() const;
    const std::vector<std::uint8_t>& BytesValue() const;
    const std::vector<Variant>& ArrayValue() const;

    // The class library's name of a variant type: "Integer", "OleStr", "Array of Byte" ...
    static std::string TypeName(TVarType type);

private:
    using Storage = std::variant<std::monostate, std::int64_t, std::uint64_t, double, TDecimal, TWideText,
                                 TBoxed<std::vector<std::uint8_t>>, TBoxed<std::vector<Variant>>>;
    Variant(TVarType type, Storage value) : type_(type), value_(std::move(value)) {}
    [[noreturn]] void CannotConvert(TVarType target) const;
    std::string NumberText() const;

    TVarType type_ = varEmpty;
    Storage value_;
};
