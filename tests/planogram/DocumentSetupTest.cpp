#include "planogram/DocumentSetup.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

DocumentSetupValues Blank()
{
    DocumentSetupValues values;
    values.catalogFile = "/catalogs/products.ctf";
    return values;
}

DocumentSetupValues CustomSize(const std::string& width, const std::string& height)
{
    DocumentSetupValues values = Blank();
    values.RadioGroupW = values.RadioGroupH = 3;
    values.txtWidth = width;
    values.txtHeight = height;
    return values;
}

void ExpectAlert(const DisplaySetup& setup, const std::string& text)
{
    EXPECT_EQ(setup.result, 0);
    ASSERT_TRUE(setup.message.has_value());
    EXPECT_EQ(setup.message->text, text);
    EXPECT_EQ(setup.message->caption, "Alert");
    EXPECT_EQ(setup.message->icon, MsgIcon::Warning);
}

constexpr const char* CmWidth = "Invalid width value. Min Value 30cm, Max value 3000cm";
constexpr const char* CmHeight = "Invalid height. Min value 30cm. Max value 3000cm";
constexpr const char* InchWidth = "Invalid width value, Min. value 12 inches, max value 1200 inches";
constexpr const char* InchHeight = "Invalid height value. Min value 12 Inches. Max value 1200 inches.";

} // namespace

TEST(ValidateDisplaySize, CentimetreRangeWithItsMessages)
{
    ExpectAlert(ValidateDisplaySize(CustomSize("29", "100"), false), CmWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("3001", "100"), false), CmWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("100", "29.9"), false), CmHeight);
    ExpectAlert(ValidateDisplaySize(CustomSize("100", "3000.5"), false), CmHeight);
    const DisplaySetup low = ValidateDisplaySize(CustomSize("30", "3000"), false);
    EXPECT_EQ(low.result, 1);
    EXPECT_FALSE(low.message.has_value());
    EXPECT_EQ(low.displayWidth, 120);
    EXPECT_EQ(low.displayHeight, 12000);
    EXPECT_FLOAT_EQ(low.typedWidth, 30);
}

TEST(ValidateDisplaySize, InchRangeWithItsMessages)
{
    ExpectAlert(ValidateDisplaySize(CustomSize("11", "100"), true), InchWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("1201", "100"), true), InchWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("100", "11"), true), InchHeight);
    ExpectAlert(ValidateDisplaySize(CustomSize("100", "1201"), true), InchHeight);
    const DisplaySetup ok = ValidateDisplaySize(CustomSize("12", "1200"), true);
    EXPECT_EQ(ok.result, 1);
    // 12 / 0.394 x 4 = 121.8; 1200 / 0.394 x 4 = 12182.7, each truncated.
    EXPECT_EQ(ok.displayWidth, 121);
    EXPECT_EQ(ok.displayHeight, 12182);
}

TEST(ValidateDisplaySize, InchConversionTruncatesTheBinaryQuotient)
{
    EXPECT_EQ(ValidateDisplaySize(CustomSize("100", "39.4"), true).displayWidth, 1015);
    EXPECT_EQ(ValidateDisplaySize(CustomSize("100", "39.4"), true).displayHeight, 399);
}

TEST(ValidateDisplaySize, OnlyWholeNumbersCount)
{
    ExpectAlert(ValidateDisplaySize(CustomSize("30abc", "100"), false), CmWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("", "100"), false), CmWidth);
    ExpectAlert(ValidateDisplaySize(CustomSize("100", "1,5"), false), CmHeight);
    EXPECT_EQ(ValidateDisplaySize(CustomSize(" 45.5 ", "100"), false).displayWidth, 182);
    EXPECT_FALSE(TypedNumber("12 cm").has_value());
    EXPECT_EQ(TypedNumber("-3.25"), -3.25);
}

TEST(ValidateDisplaySize, PresetsAreCheckedLikeCustomSizes)
{
    DocumentSetupValues values = Blank();
    values.RadioGroupW = 1;
    values.edWidth2 = "20";
    ExpectAlert(ValidateDisplaySize(values, false), CmWidth);
    values.edWidth2 = "two hundred";
    ExpectAlert(ValidateDisplaySize(values, false), CmWidth);
    values.edWidth2 = "200";
    values.RadioGroupH = 2;
    values.edHeight3 = "5000";
    ExpectAlert(ValidateDisplaySize(values, false), CmHeight);
    values.edHeight3 = "250";
    // A custom text that is not chosen is not checked.
    values.txtWidth = "junk";
    const DisplaySetup setup = ValidateDisplaySize(values, false);
    EXPECT_EQ(setup.result, 1);
    EXPECT_EQ(setup.displayWidth, 800);
    EXPECT_EQ(setup.displayHeight, 1000);
    EXPECT_FLOAT_EQ(setup.typedWidth, 0);
}

TEST(ValidateDisplaySize, MissingCatalogAfterValidSizes)
{
    DocumentSetupValues values = Blank();
    values.catalogFile.clear();
    const DisplaySetup setup = ValidateDisplaySize(values, false);
    EXPECT_EQ(setup.result, 2);
    ASSERT_TRUE(setup.message.has_value());
    EXPECT_EQ(setup.message->text, "No catalog was selected.");
    EXPECT_EQ(setup.message->caption, "Catalog");
    EXPECT_EQ(setup.message->icon, MsgIcon::Stop);
    // A size error comes first.
    values.RadioGroupW = 3;
    ExpectAlert(ValidateDisplaySize(values, false), CmWidth);
}

TEST(ValidateDisplaySize, PegLayoutInDocumentUnits)
{
    const DisplaySetup cm = ValidateDisplaySize(Blank(), false);
    ASSERT_EQ(cm.result, 1);
    EXPECT_EQ(cm.displayWidth, 400);
    EXPECT_EQ(cm.displayHeight, 756);
    EXPECT_DOUBLE_EQ(cm.pegHoleSize, 4);
    EXPECT_EQ(cm.pegPitchV, 20);
    EXPECT_EQ(cm.pegPitchH, 20);
    EXPECT_EQ(cm.pegFirstX, 16);
    EXPECT_EQ(cm.pegFirstY, 16);
    EXPECT_EQ(cm.pegLastX, 384);
    EXPECT_EQ(cm.pegLastY, 740);
    EXPECT_DOUBLE_EQ(cm.pegDepth, 13);
    EXPECT_EQ(cm.pegDepthUnits, 52);
    EXPECT_TRUE(cm.pegHolesShown);

    DocumentSetupValues values = Blank();
    values.edWidth1 = "48";
    values.edHeight1 = "48";
    values.ed1PegLeft = "1.5";
    values.ed1PegRight = "1.5";
    values.edHPegSpace = "2";
    values.edPegRad = "0.5";
    values.edPegDepth = "5.122";
    const DisplaySetup inch = ValidateDisplaySize(values, true);
    ASSERT_EQ(inch.result, 1);
    EXPECT_EQ(inch.displayWidth, 487); // 48 / 0.394 x 4 = 487.3
    EXPECT_NEAR(inch.pegHoleSize, 5.0761, 1e-4);
    EXPECT_EQ(inch.pegPitchH, 25); // 20.30 + 5.08
    EXPECT_EQ(inch.pegFirstX, 15);
    EXPECT_EQ(inch.pegLastX, 471); // 487 - 15.23
    EXPECT_EQ(inch.pegDepthUnits, 52);
}

TEST(ValidateDisplaySize, PegValuesMustBeNumbersOfZeroOrMore)
{
    for (const char* bad : {"-1", "abc", ""}) {
        DocumentSetupValues values = Blank();
        values.edVPegSpace = bad;
        ExpectAlert(ValidateDisplaySize(values, false),
                    "Invalid peg hole value. Every peg value must be a number of 0 or more.");
    }
    DocumentSetupValues values = Blank();
    values.edVPegSpace = "0";
    EXPECT_EQ(ValidateDisplaySize(values, false).result, 1);
}

TEST(ValidateDisplaySize, WallBackgroundKinds)
{
    DocumentSetupValues values = Blank();
    values.pictureFileName = "/pics/wall.jpg";
    values.panelColor = 0x123456;
    const int kinds[] = {0, 1, 2, 3};
    const bool holes[] = {true, false, true, false};
    for (int kind : kinds) {
        values.SelectWallBG = kind;
        const DisplaySetup setup = ValidateDisplaySize(values, false);
        EXPECT_EQ(setup.pegHolesShown, holes[kind]);
        EXPECT_EQ(setup.backgroundMode, kind == 3);
        EXPECT_EQ(setup.backgroundPath, kind == 3 ? "/pics/wall.jpg" : "");
        EXPECT_EQ(setup.backgroundColor, 0x123456u);
    }
}

TEST(ValidateDisplaySize, TemplatePageAppliesNothing)
{
    DocumentSetupValues values = Blank();
    values.templatePage = true;
    values.RadioGroupW = 3; // invalid, but never looked at
    const DisplaySetup setup = ValidateDisplaySize(values, false);
    EXPECT_EQ(setup.result, 0);
    EXPECT_FALSE(setup.message.has_value());
}

TEST(ValidateDisplaySize, CommaLocaleChangesNothing)
{
    CommaLocale comma;
    EXPECT_EQ(ValidateDisplaySize(CustomSize("45.5", "100"), false).displayWidth, 182);
}
