#include "platform/core/Variant.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TDecimal DecimalOf(std::string_view text)
{
    TDecimal value;
    EXPECT_TRUE(TDecimal::Parse(text, value)) << text;
    return value;
}

void ExpectLocaleFreeTexts()
{
    const struct {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant(), ""},
        {Variant::Null(), ""},
        {Variant::Integer(-42), "-42"},
        {Variant::Integer(9007199254740993, varInt64), "9007199254740993"},
        {Variant::UInt64(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615"},
        {Variant::Double(12.5), "12.5"},
        {Variant::Double(3), "3"},
        {Variant::Double(1e20), "1E20"},
        {Variant::Single(1.1f), "1.1"},
        {Variant::Currency(125000), "12.5"},
        {Variant::Currency(30000), "3"},
        {Variant::Currency(-1), "-0.0001"},
        {Variant::Decimal(DecimalOf("1.25")), "1.25"},
        {Variant::Decimal(DecimalOf("-0.50")), "-0.50"},
        {Variant::Boolean(true), "True"},
        {Variant::Boolean(false), "False"},
        {Variant::Date(EncodeOleDate({2024, 2, 29})), "2024-02-29"},
        {Variant::Date(EncodeOleDate({2024, 2, 29, 13, 45, 10})), "2024-02-29 13:45:10"},
        {Variant::Date(-1.25), "1899-12-29 06:00:00"},
        {Variant::Text(u"Gr\u00f6\u00dfe \u20ac\u4e2d"), "Gr\xf6\xdf"
                                                         "e \x80?"},
        {Variant::FromString("Gr\xf6\xdf"
                             "e \x80"),
         "Gr\xf6\xdf"
         "e \x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value.AsString(), c.text) << Variant::TypeName(c.value.VarType());
    EXPECT_DOUBLE_EQ(Variant::FromString("12.5").AsDouble(), 12.5);
    EXPECT_EQ(Variant::Decimal(DecimalOf("3,5")).AsString(), "3.5");
}

} // namespace

TEST(Variant, TextsAreTheSameUnderCAndCommaLocale)
{
    ExpectLocaleFreeTexts();
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "the de_DE.UTF-8 locale is missing (package locales-all)";
    ExpectLocaleFreeTexts();
}

TEST(Variant, ConversionsAndTheirFailures)
{
    EXPECT_EQ(Variant::Double(2.5).AsInt64(), 2); // halves to even, as OLE rounds
    EXPECT_EQ(Variant::Double(3.5).AsInt64(), 4);
    EXPECT_EQ(Variant::Currency(125000).AsInt64(), 12);
    EXPECT_EQ(Variant::Boolean(true).AsInt64(), -1);
    EXPECT_DOUBLE_EQ(Variant::Decimal(DecimalOf("-1.25")).AsDouble(), -1.25);
    EXPECT_TRUE(Variant::FromString("TRUE").AsBoolean());
    EXPECT_FALSE(Variant::FromString("0").AsBoolean());
    EXPECT_EQ(Variant::Integer(7, varByte).VarType(), varByte);

    EXPECT_EQ(RaisedMessage<EVariantError>([] { Variant::Null().AsDouble(); }),
              "Could not convert variant of type (Null) into type (Double)");
    EXPECT_EQ(RaisedMessage<EVariantError>([] { Variant::FromString("12,5").AsDouble(); }),
              "Could not convert variant of type (OleStr) into type (Double)");
    EXPECT_EQ(RaisedMessage<EVariantError>([] {
                  Variant::Bytes({1, 2}).AsString();
              }),
              "Could not convert variant of type (Array of Byte) into type (OleStr)");
    EXPECT_EQ(RaisedMessage<EVariantError>([] { Variant::Integer(300, varByte); }),
              "Could not convert variant of type (Int64) into type (Byte)");
    EXPECT_EQ(RaisedMessage<EVariantError>([] { Variant::Double(1e300).AsInt64(); }),
              "Could not convert variant of type (Double) into type (Int64)");
    EXPECT_EQ(RaisedMessage<EVariantError>([] { Variant::Date(1e12).AsString(); }), "Invalid date value");
}

TEST(Variant, CopiesOwnTheirValues)
{
    Variant array = Variant::Array({Variant::Text(u"a\u4e2d"), Variant::Bytes({1, 2, 3}), Variant::Text(u"")});
    Variant copy = array;
    array = copy;
    array = Variant::Null();
    ASSERT_EQ(copy.ArrayValue().size(), 3u);
    EXPECT_EQ(copy.ArrayValue()[0].TextValue(), u"a\u4e2d");
    EXPECT_EQ(copy.ArrayValue()[1].BytesValue(), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(copy.ArrayValue()[2].AsString(), "");
    EXPECT_TRUE(array.IsNull());
}

TEST(Variant, OleDatesAgreeWithTheCalendar)
{
    const struct {
        TDateParts parts;
        double date;
    } cases[] = {
        {{1899, 12, 30}, 0},
        {{1900, 1, 1}, 2},
        {{2024, 2, 29}, 45351},
        {{2000, 3, 1, 18}, 36586.75},
        {{1899, 12, 29, 6}, -1.25},
        {{1800, 1, 1}, -36522},
        {{9999, 12, 31, 23, 59, 59}, 2958465 + 86399.0 / 86400},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(EncodeOleDate(c.parts), c.date) << c.parts.year;
        const TDateParts back = DecodeOleDate(c.date);
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(c.parts.year, c.parts.month, c.parts.day, c.parts.hour, c.parts.minute, c.parts.second));
    }
    // A time that rounds up to midnight belongs to the next day.
    const TDateParts next = DecodeOleDate(45351 + 0.9999999999);
    EXPECT_EQ(std::tie(next.month, next.day, next.hour), std::make_tuple(3, 1, 0));
}

TEST(Variant, DecimalsHoldTwentyEightDigits)
{
    EXPECT_EQ(DecimalOf("12345678901234567890123456789").ToString(), "12345678901234567890123456789");
    EXPECT_EQ(DecimalOf("0.0000000000000000000000000001").ToString(), "0.0000000000000000000000000001");
    EXPECT_EQ(DecimalOf("+007").ToString(), "7");
    EXPECT_EQ(DecimalOf("-0").ToString(), "0");
    TDecimal value;
    for (const char* refused : {"", "-", ".", "1.2.3", "1e5", "12 ", "NaN", "99999999999999999999999999999",
                                "0.00000000000000000000000000001"})
        EXPECT_FALSE(TDecimal::Parse(refused, value)) << refused;
}

TEST(Variant, Utf16RoundTripsEveryCharacter)
{
    const std::string utf8 = "a\xc3\xb6\xe2\x82\xac\xe4\xb8\xad\xf0\x9f\x98\x80"; // a ö € 中 😀
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, u"a\u00f6\u20ac\u4e2d\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf16ToWin1252(utf16), "a\xf6\x80??");
    EXPECT_EQ(Utf8ToUtf16("\xff"
                          "b"),
              u"?b");
    EXPECT_EQ(Utf16ToUtf8(u"\xd800x"), "?x"); // a lone surrogate
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(Utf16ToWin1252(Win1252ToUtf16(one)), one) << byte;
    }
}
