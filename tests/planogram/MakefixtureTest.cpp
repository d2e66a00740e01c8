#include "planogram/Makefixture.h"
#include "planogram/Fixturerender.h"
#include "platform/core/Seams.h"

#include <gtest/gtest.h>

namespace {

// A maker in centimetres with the number sequence started from seed 1.
MakeFixture CentimetreMaker()
{
    MakeFixture maker;
    maker.unitsMode = true;
    maker.inches = false;
    SRand(1);
    return maker;
}

TEST(MakeFixture, ShelfBaseAndDividerTexts)
{
    MakeFixture maker = CentimetreMaker();
    maker.boxcolor = 255;
    maker.fillstyle = 2;
    maker.edgestyle = 0;
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kShelf, ""));
    EXPECT_EQ(maker.description, "<shelf><boxcolor=255><fillstyle=2><edgestyle=0>");
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kBase, ""));
    EXPECT_EQ(maker.description, "<shelf><boxcolor=255><fillstyle=2><edgestyle=0>");
    EXPECT_EQ(maker.name.substr(0, 12), "base120X2X0-");
    maker.edgestyle = 2;
    ASSERT_TRUE(maker.Make("3", "180", MakeFixture::kDivider, "40"));
    EXPECT_EQ(maker.description, "<dv><boxcolor=255><fillstyle=2><edgestyle=2>");
}

TEST(MakeFixture, PegboardAndSlatwallTextsConvertThePegValues)
{
    MakeFixture maker = CentimetreMaker();
    maker.PegSize = 0.6;
    maker.VPegSpace = 2.54;
    maker.HPegSpace = 2.54;
    maker.FirstVPeg = 1;
    maker.FirstHPeg = 1.5;
    maker.LastVPeg = 0.5;
    maker.LastHPeg = 0.25;
    maker.extra1 = 10;
    maker.bgcolor = 12632256;
    maker.edgestyle = 1;
    ASSERT_TRUE(maker.Make("120", "100", MakeFixture::kPegboard, ""));
    EXPECT_EQ(maker.description, "<pegboard><PegSize=2.4><VPegSpace=10.16><HPegSpace=10.16><FirstVPeg=4><FirstHPeg=6>"
                                 "<LastVPeg=2><LastHPeg=1><bgcolor=12632256><edgestyle=1>");
    EXPECT_DOUBLE_EQ(maker.extra1, 40);

    MakeFixture slat = CentimetreMaker();
    slat.PegSize = 1;
    slat.VPegSpace = 5;
    slat.HPegSpace = 7;
    slat.bgcolor = 0;
    ASSERT_TRUE(slat.Make("120", "100", MakeFixture::kSlatwall, ""));
    EXPECT_EQ(slat.description, "<pegboard><PegSize=4><VPegSpace=20><HPegSpace=0><FirstVPeg=0><FirstHPeg=0>"
                                "<LastVPeg=0><LastHPeg=0><bgcolor=0>");
}

TEST(MakeFixture, TextTagRunsTheAlignmentOnIntoTheFillStyle)
{
    MakeFixture maker = CentimetreMaker();
    maker.font.Name = "Arial";
    maker.font.Color = 0x0000FF;
    maker.font.SetSize(12);
    maker.value = "Sale now";
    maker.boxcolor = 16777215;
    maker.textmode = 1;
    maker.textalign = 1;
    maker.fillstyle = 0;
    maker.edgestyle = 1;
    ASSERT_TRUE(maker.Make("50", "10", MakeFixture::kText, ""));
    EXPECT_EQ(maker.description, "<text><font=Arial><value=Sale now><fontcolor=255><fontsize=12><boxcolor=16777215>"
                                 "<textmode=1><textalign=1<fillstyle=0><edgestyle=1>");
}

TEST(MakeFixture, AngleBracketsInValueAndFontNameCannotBreakTheTags)
{
    MakeFixture maker = CentimetreMaker();
    maker.font.Name = "Odd>Font";
    maker.value = "<5 kg> <edgestyle=0>";
    maker.edgestyle = 1;
    ASSERT_TRUE(maker.Make("50", "10", MakeFixture::kText, ""));
    EXPECT_NE(maker.description.find("<font=Odd\x9B"
                                     "Font><value=\x8B"
                                     "5 kg\x9B \x8B"
                                     "edgestyle=0\x9B>"),
              std::string::npos);
    EXPECT_EQ(FixtureRender::GetAttribute(maker.description, "edgestyle"), "1");
    EXPECT_EQ(FixtureRender::GetAttribute(maker.description, "value"), "\x8B"
                                                                       "5 kg\x9B \x8B"
                                                                       "edgestyle=0\x9B");
}

TEST(MakeFixture, SizesInCentimetresInchesAndScaleTruncate)
{
    MakeFixture maker = CentimetreMaker();
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kShelf, ""));
    EXPECT_EQ(maker.width, 480);
    EXPECT_EQ(maker.height, 8);
    EXPECT_EQ(maker.depth, 0);

    maker.inches = true;
    ASSERT_TRUE(maker.Make("12", "1", MakeFixture::kShelf, "2"));
    EXPECT_EQ(maker.width, 121); // 12 / 0.394 x 4 = 121.8
    EXPECT_EQ(maker.height, 10);
    EXPECT_EQ(maker.depth, 20);

    maker.unitsMode = false;
    maker.displayScale = 8;
    ASSERT_TRUE(maker.Make("12.7", "0.9", MakeFixture::kShelf, "1"));
    EXPECT_EQ(maker.width, 101);
    EXPECT_EQ(maker.height, 7);
    EXPECT_EQ(maker.depth, 8);
}

TEST(MakeFixture, NameUsesTheTextsAsTypedAndTheRuntimeNumbers)
{
    MakeFixture maker = CentimetreMaker();
    CRandom expected;
    expected.Seed(1);
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kShelf, ""));
    EXPECT_EQ(maker.name, "shelf120X2X0-" + std::to_string(expected.Next()));
    EXPECT_EQ(maker.name, "shelf120X2X0-346");
    ASSERT_TRUE(maker.Make("12,5", "02", MakeFixture::kPegboard, "3"));
    EXPECT_EQ(maker.name, "pegboard12,5X02X3-" + std::to_string(expected.Next()));
    EXPECT_EQ(maker.width, 50);
}

TEST(MakeFixture, ConstructionSeedsFromTheClock)
{
    const auto moment = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));
    SetClock([moment] { return moment; });
    MakeFixture maker;
    SetClock({});
    CRandom expected;
    expected.Seed(1700000000u);
    ASSERT_TRUE(maker.Make("1", "1", MakeFixture::kText, ""));
    EXPECT_EQ(maker.name, "text1X1X0-" + std::to_string(expected.Next()));
}

TEST(MakeFixture, RefusedSizesLeaveTheOutputsButDrawTheNumber)
{
    MakeFixture maker = CentimetreMaker();
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kShelf, ""));
    const std::string name = maker.name, description = maker.description;
    maker.PegSize = 1;
    for (const auto& [w, h, d] :
         std::initializer_list<std::tuple<const char*, const char*, const char*>>{{"", "2", ""},
                                                                                  {"120", "", ""},
                                                                                  {"12 cm", "2", ""},
                                                                                  {"abc", "2", ""},
                                                                                  {"0", "2", ""},
                                                                                  {"120", "-1", ""},
                                                                                  {"120", "2", "deep"},
                                                                                  {"1e300", "2", ""}}) {
        SCOPED_TRACE(std::string(w) + "/" + h + "/" + d);
        EXPECT_FALSE(maker.Make(w, h, MakeFixture::kPegboard, d));
        EXPECT_EQ(maker.name, name);
        EXPECT_EQ(maker.description, description);
        EXPECT_EQ(maker.width, 480);
        EXPECT_EQ(maker.height, 8);
        EXPECT_DOUBLE_EQ(maker.PegSize, 1);
    }
    CRandom expected;
    expected.Seed(1);
    for (int i = 0; i < 9; ++i)
        expected.Next();
    ASSERT_TRUE(maker.Make("1", "1", MakeFixture::kShelf, ""));
    EXPECT_EQ(maker.name, "shelf1X1X0-" + std::to_string(expected.Next()));
}

TEST(MakeFixture, UnknownKindKeepsTheDescriptionAndNamesWithoutAKindWord)
{
    MakeFixture maker = CentimetreMaker();
    ASSERT_TRUE(maker.Make("120", "2", MakeFixture::kShelf, ""));
    const std::string description = maker.description;
    ASSERT_TRUE(maker.Make("10", "20", 9, ""));
    EXPECT_EQ(maker.description, description);
    EXPECT_EQ(maker.name.substr(0, 8), "10X20X0-");
    EXPECT_EQ(maker.width, 40);
}

} // namespace
