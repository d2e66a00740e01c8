#include "pdf/PdfDeviceWorkBuffer.h"

#include "TestSupport.h"
#include "platform/core/Streams.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <random>

namespace {

std::string Text(const TPdfDeviceWorkBuffer& buffer) { return std::string(buffer.Buffer(), buffer.Length()); }

std::string Float(double value)
{
    TPdfDeviceWorkBuffer buffer(16);
    buffer.AppendFloat(value);
    return Text(buffer);
}

} // namespace

TEST(PdfDeviceWorkBuffer, WritesNumbersWithOneBlankBehind)
{
    EXPECT_EQ(Float(12), "12.000 ");
    EXPECT_EQ(Float(-0.5), "-0.500 ");
    EXPECT_EQ(Float(0), "0.000 ");
    EXPECT_EQ(Float(595.2756), "595.276 ");

    TPdfDeviceWorkBuffer buffer(2000);
    const double values[] = {0, 0.5, 1};
    buffer.AppendFloats(values, 2);
    buffer.AppendFloats(values, -1);
    buffer.Append("|");
    buffer.AppendInt(-7);
    buffer.AppendInt(INT64_MIN);
    buffer.AppendInt(0);
    const double inverse[] = {35.3356890459, -1e-10, 1, -2.5};
    buffer.AppendFloats(inverse, 3, 9);
    EXPECT_EQ(Text(buffer), "0 0.500 1|-7 -9223372036854775808 0 35.335689046 0.000000000 1 -2.500000000");
}

TEST(PdfDeviceWorkBuffer, RoundsTo15DigitsThenHalvesAwayFromZero)
{
    EXPECT_EQ(Float(1.0005), "1.001 "); // 1.00049999999999998899 is 1.00050000000000 in 15 digits
    EXPECT_EQ(Float(-2.0015), "-2.002 ");
    EXPECT_EQ(Float(2.00049), "2.000 ");
    EXPECT_EQ(Float(0.0005), "0.001 ");
    EXPECT_EQ(Float(-0.0004), "0.000 ");
    EXPECT_EQ(Float(999.9996), "1000.000 ");
    EXPECT_EQ(Float(12345678901.23449), "12345678901.235 "); // 15 digits: ...1.2345
    EXPECT_EQ(Float(123456789012.3454), "123456789012.345 ");
    EXPECT_EQ(Float(-123456789012.3456), "-123456789012.346 ");
    EXPECT_EQ(Float(1234567890123.4567), "1234567890123.460 ");
    EXPECT_EQ(Float(-1e20), "-100000000000000000000.000 ");
    EXPECT_EQ(Float(std::numeric_limits<double>::quiet_NaN()), "0.000 ");
    EXPECT_EQ(Float(-std::numeric_limits<double>::infinity()), "0.000 ");
}

TEST(PdfDeviceWorkBuffer, AgreesWithTheCLibraryAwayFromHalves)
{
    std::mt19937_64 random(17);
    std::uniform_int_distribution<std::int64_t> thousandths(-2'000'000'000, 2'000'000'000);
    std::uniform_real_distribution<double> offset(-0.00049, 0.00049);
    for (int i = 0; i < 20000; ++i) {
        const double value = static_cast<double>(thousandths(random)) / 1000.0 + offset(random);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.3f", value);
        std::string wanted = expected;
        if (wanted == "-0.000")
            wanted = "0.000";
        char out[64];
        ASSERT_EQ(std::string(out, PdfFormatFloat(out, value)), wanted) << value;
    }
}

TEST(PdfDeviceWorkBuffer, IgnoresACommaLocaleAndLeavesItAlone)
{
    CommaLocale locale;
    ASSERT_TRUE(locale.Active()) << "no comma locale to test with";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    TPdfDeviceWorkBuffer buffer(8);
    buffer.AppendFloat(12);
    buffer.AppendFloat(-0.5);
    buffer.AppendColor(RGB(128, 128, 128), "RG ");
    EXPECT_EQ(Text(buffer), "12.000 -0.500 0.502 0.502 0.502 RG ");
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

TEST(PdfDeviceWorkBuffer, WritesColoursAsFractionsOf255)
{
    TPdfDeviceWorkBuffer buffer(16);
    buffer.AppendColor(clRed, "rg ");
    buffer.AppendColor(clWhite, "RG ");
    buffer.AppendColor(clBlack, "g ");
    EXPECT_EQ(Text(buffer), "1 0 0 rg 1 1 1 RG 0 0 0 g ");
}

TEST(PdfDeviceWorkBuffer, AppendCleanEscapesOnlyTheStringSyntax)
{
    std::string high;
    for (int c = 128; c < 256; ++c)
        high += static_cast<char>(c);
    TPdfDeviceWorkBuffer buffer(4);
    buffer.AppendClean(std::string("a(b)c\\d\te\rf\ng\bh\fi\x01") + high);
    EXPECT_EQ(Text(buffer), std::string("a\\(b\\)c\\\\d\\te\\rf\\ng\\bh\fi\x01") + high);
    EXPECT_EQ(PdfCleanString("(x)"), "\\(x\\)");
}

TEST(PdfDeviceWorkBuffer, GrowsByDoublingStepsAndClearKeepsTheBlock)
{
    TPdfDeviceWorkBuffer buffer(10);
    buffer.Append("0123456789");
    EXPECT_EQ(buffer.Capacity(), 256u); // the first step
    buffer.Append(std::string(300, 'x'));
    EXPECT_EQ(buffer.Capacity(), 10u + 512u); // the doubled step
    buffer.Append(std::string(2000, 'y'));
    EXPECT_EQ(buffer.Capacity(), 2310u); // a large need grows by itself
    buffer.Clear();
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.Capacity(), 2310u);
    buffer.Append(std::string(2309, 'z'));
    EXPECT_EQ(buffer.Capacity(), 2310u);
    buffer.Append("ab");
    EXPECT_EQ(Text(buffer), std::string(2309, 'z') + "ab");

    TMemoryStream stream;
    buffer.Write(stream);
    buffer.Write(stream);
    EXPECT_EQ(stream.Size(), 2 * 2311);
    EXPECT_EQ(buffer.Length(), 2311u);
}

TEST(PdfDeviceWorkBuffer, CodePagesAndHexDigits)
{
    EXPECT_EQ(GetCodePage(0), 1252);
    EXPECT_EQ(GetCodePage(128), 932);
    EXPECT_EQ(GetCodePage(161), 1253);
    // Baltic text is converted with the page whose glyph names its encoding writes.
    EXPECT_EQ(GetCodePage(186), 1257);
    EXPECT_EQ(GetCodePage(204), 1251);
    EXPECT_EQ(GetCodePage(238), 1250);
    EXPECT_EQ(GetCodePage(300), 1252);
    EXPECT_EQ(PdfWordToHEX(0xAB0F), "ab0f");
}
