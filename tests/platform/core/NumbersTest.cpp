#include "platform/core/Numbers.h"
#include "platform/core/Exceptions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>

namespace {

// Every formatting and reading case, checked once under "C" and once under a comma locale.
void ExpectLocaleFreeNumbers()
{
    EXPECT_EQ(FormatFixed(1.0), "1.000000");
    EXPECT_EQ(FormatFixed(-0.5), "-0.500000");
    EXPECT_EQ(FormatFixed(2.5, 3), "2.500");
    EXPECT_EQ(FloatToStr(12.5), "12.5");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FormatFloat("0.##", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("0.##", 2), "2");
    EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
    EXPECT_EQ(GcvtString(12.5), "12.5");
    EXPECT_DOUBLE_EQ(Atof("12,5"), 12.0);
    EXPECT_DOUBLE_EQ(Atof("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(StrToFloat("2.25"), 2.25);
    EXPECT_THROW(StrToFloat("2,25"), EConvertError);
    EXPECT_EQ(IntToStr(-42), "-42");
}

} // namespace

TEST(Numbers, SameBytesUnderCAndCommaLocale)
{
    ExpectLocaleFreeNumbers();
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "the de_DE.UTF-8 locale is missing (package locales-all)";
    char probe[16];
    snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the comma locale did not take effect";
    ExpectLocaleFreeNumbers();
}

TEST(Numbers, FloatToStrGeneralForm)
{
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(-3), "-3");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(FloatToStr(0.394 * 20), "7.88");
    EXPECT_EQ(FloatToStr(1e100), "1E100");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3"); // its shortest form has 17 digits
    EXPECT_EQ(FloatToStr(1.5e-9), "1.5E-9");
    EXPECT_EQ(FloatToStr(5e-324), "4.94065645841247E-324"); // a denormal's digits are not its shortest form's
}

TEST(Numbers, FormatFloatPatterns)
{
    EXPECT_EQ(FormatFloat("0.00", 0), "0.00");
    EXPECT_EQ(FormatFloat("0.00", -1.234), "-1.23");
    EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13"); // halves away from zero
    EXPECT_EQ(FormatFloat("0.00", -0.125), "-0.13");
    EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00"); // 1.005 is stored a little below
    EXPECT_EQ(FormatFloat("0.00", 9.999), "10.00");
    EXPECT_EQ(FormatFloat("0.##", 0.05), "0.05");
    EXPECT_EQ(FormatFloat("0.##", 0.004), "0");
    EXPECT_EQ(FormatFloat("0", 2.5), "3");
    EXPECT_EQ(FormatFloat("#,##0.00", 0.5), "0.50");
    EXPECT_EQ(FormatFloat("#,##0.00", -1000), "-1,000.00");
    EXPECT_EQ(FormatFloat("#,##0.00", 999.999), "1,000.00");
    EXPECT_EQ(FormatFloat("0.00 cm", 2), "2.00 cm");
}

TEST(Numbers, CRuntimeForms)
{
    EXPECT_EQ(FormatFixed(0.0000005), "0.000000");
    EXPECT_EQ(FormatFixed(1e20), "100000000000000000000.000000");
    EXPECT_EQ(FormatFixed(-1.0 / 3), "-0.333333");
    EXPECT_EQ(GcvtString(123456), "1.2346e+05");
    EXPECT_EQ(GcvtString(0.0001), "0.0001");
    EXPECT_EQ(GcvtString(7.88), "7.88");
    EXPECT_EQ(GcvtString(20), "20");
}

TEST(Numbers, AtoiStopsAtFirstMisfit)
{
    EXPECT_EQ(Atoi("800\n"), 800);
    EXPECT_EQ(Atoi("  -12abc"), -12);
    EXPECT_EQ(Atoi("+7"), 7);
    EXPECT_EQ(Atoi(""), 0);
    EXPECT_EQ(Atoi("abc"), 0);
    EXPECT_EQ(Atoi("0x10"), 0);
    EXPECT_EQ(Atoi("12.9"), 12);
    EXPECT_EQ(Atoi("99999999999999999999"), INT_MAX);
    EXPECT_EQ(Atoi("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(Atoi("-2147483648"), INT_MIN);
}

TEST(Numbers, AtofDecimalOnly)
{
    EXPECT_DOUBLE_EQ(Atof("0x10"), 0);
    EXPECT_DOUBLE_EQ(Atof("inf"), 0);
    EXPECT_DOUBLE_EQ(Atof("nan"), 0);
    EXPECT_DOUBLE_EQ(Atof(" \t-1.5e2xyz"), -150);
    EXPECT_DOUBLE_EQ(Atof(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Atof("5."), 5);
    EXPECT_DOUBLE_EQ(Atof("1e"), 1);
    EXPECT_DOUBLE_EQ(Atof("1e+"), 1);
    EXPECT_DOUBLE_EQ(Atof("-"), 0);
    EXPECT_DOUBLE_EQ(Atof("."), 0);
    EXPECT_DOUBLE_EQ(Atof("1.000000\r\n"), 1);
    EXPECT_DOUBLE_EQ(Atof("1e999"), DBL_MAX);
    EXPECT_DOUBLE_EQ(Atof("-1e999"), -DBL_MAX);
    EXPECT_DOUBLE_EQ(Atof("1e-999"), 0);
}

TEST(Numbers, StrictConversionsRaise)
{
    EXPECT_EQ(StrToInt("30"), 30);
    EXPECT_EQ(StrToInt(" -5"), -5);
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    for (const char* bad : {"30abc", "", "abc", "2147483648", "1 2", "1.5", "-"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'abc' is not a valid integer value");
    }
    try {
        StrToFloat("x1");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'x1' is not a valid floating point value");
    }
    EXPECT_DOUBLE_EQ(StrToFloat(" 1e3 "), 1000);
    EXPECT_THROW(StrToFloat("1e999"), EConvertError);
    EXPECT_THROW(StrToFloat("inf"), EConvertError);
}

TEST(Numbers, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 50, 100), 1);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, -1, -2), -2);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(7, 0, 3), 0);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 2), INT_MAX);
    EXPECT_EQ(MulDiv(65536, 65536, 65536), 65536);
}
