#include "planogram/Fixturerender.h"
#include "planogram/Listmanager.h"
#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;

ListOB Fixture(const std::string& description)
{
    ListOB item;
    item.picture = description;
    return item;
}

// A white bitmap of the size, drawn as the item's fixture.
std::unique_ptr<TBitmap> Rendered(const std::string& description, int width, int height, bool doubleSize = false)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    EXPECT_TRUE(RenderFixture(Fixture(description), *bitmap, doubleSize));
    return bitmap;
}

int CountOf(const TBitmap& bitmap, TColor color, const TRect& area)
{
    int count = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            count += bitmap.Pixel(x, y) == color;
    return count;
}

// Bounds of the pixels of a colour.
TRect BoundsOf(const TBitmap& bitmap, TColor color)
{
    TRect bounds{bitmap.Width(), bitmap.Height(), -1, -1};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y) == color)
                bounds = Rect(std::min(bounds.Left, x), std::min(bounds.Top, y), std::max(bounds.Right, x + 1),
                              std::max(bounds.Bottom, y + 1));
    return bounds;
}

TEST(FixtureRender, GetAttributeTakesTheFirstTagUpToTheNextBracket)
{
    EXPECT_EQ(FixtureRender::GetAttribute("<a=1><a=2>", "a"), "1");
    EXPECT_EQ(FixtureRender::GetAttribute("<shelf><boxcolor=255", "boxcolor"), "255");
    EXPECT_EQ(FixtureRender::GetAttribute("<shelf><boxcolor=255>", "fillstyle"), "");
    EXPECT_EQ(FixtureRender::GetAttribute("<BoxColor=1>", "boxcolor"), "");
    EXPECT_EQ(FixtureRender::GetAttribute("<textalign=2<fillstyle=5><edgestyle=1>", "textalign"), "2<fillstyle=5");
    EXPECT_EQ(FixtureRender::GetAttribute("<textalign=2<fillstyle=5><edgestyle=1>", "fillstyle"), "5");
}

TEST(FixtureRender, ParseAttributesFillsTheFields)
{
    FixtureRender render;
    render.ParseAttributes(Fixture("<text><font=Arial><value=Hi there><fontcolor=255><fontsize=12><boxcolor=65280>"
                                   "<textmode=1><textalign=2<fillstyle=3><edgestyle=2><PegSize=2.4><VPegSpace=10.16>"
                                   "<HPegSpace=-3><FirstVPeg=4><FirstHPeg=6><LastVPeg=7><LastHPeg=8><bgcolor=9>"));
    EXPECT_EQ(render.value, "Hi there");
    EXPECT_EQ(render.boxcolor, 65280);
    EXPECT_EQ(render.textmode, 1);
    EXPECT_EQ(render.textalign, 2);
    EXPECT_EQ(render.fillstyle, 3);
    EXPECT_EQ(render.edgestyle, 2);
    EXPECT_DOUBLE_EQ(render.PegSize, 2.4);
    EXPECT_EQ(render.VPegSpace, 10);
    EXPECT_EQ(render.HPegSpace, -3);
    EXPECT_EQ(render.FirstVPeg, 4);
    EXPECT_EQ(render.FirstHPeg, 6);
    EXPECT_EQ(render.LastVPeg, 7);
    EXPECT_EQ(render.LastHPeg, 8);
    EXPECT_EQ(render.bgcolor, 9);
}

TEST(FixtureRender, ShelfFillAndEdgeStyles)
{
    const auto plain = Rendered("<shelf><boxcolor=255><fillstyle=0><edgestyle=1>", 20, 8);
    EXPECT_EQ(CountOf(*plain, Red, Rect(0, 0, 20, 8)), 160);

    const auto raised = Rendered("<shelf><boxcolor=255><fillstyle=0>", 20, 8); // no edgestyle: raised
    EXPECT_EQ(raised->Pixel(0, 0), clSilver);
    EXPECT_EQ(raised->Pixel(1, 1), clWhite);
    EXPECT_EQ(raised->Pixel(19, 7), clBlack);
    EXPECT_EQ(raised->Pixel(18, 6), clGray);
    EXPECT_EQ(CountOf(*raised, Red, Rect(2, 2, 18, 6)), 64);

    const auto framed = Rendered("<shelf><boxcolor=255><fillstyle=0><edgestyle=2>", 20, 8);
    EXPECT_EQ(CountOf(*framed, clBlack, Rect(0, 0, 20, 8)), 2 * 20 + 2 * 6);
    EXPECT_EQ(CountOf(*framed, Red, Rect(1, 1, 19, 7)), 18 * 6);

    const auto hatched = Rendered("<shelf><boxcolor=255><fillstyle=2><edgestyle=1>", 20, 16);
    const int red = CountOf(*hatched, Red, Rect(0, 0, 20, 16));
    EXPECT_GT(red, 0);
    EXPECT_EQ(red + CountOf(*hatched, clWhite, Rect(0, 0, 20, 16)), 320);
}

TEST(FixtureRender, DividerHasSlotsEverySixteenUnits)
{
    const auto divider = Rendered("<dv><boxcolor=65280><fillstyle=0><edgestyle=1>", 30, 40);
    for (const int y : {2, 18, 34}) {
        SCOPED_TRACE(y);
        EXPECT_EQ(divider->Pixel(15, y + 5), clBlack);
        EXPECT_EQ(divider->Pixel(2, y + 5), Green);
    }
    EXPECT_EQ(divider->Pixel(15, 0), Green);
    EXPECT_EQ(divider->Pixel(15, 15), Green);
    EXPECT_EQ(BoundsOf(*divider, clBlack).Top, 2);

    const auto white = Rendered("<dv><fillstyle=0><edgestyle=1>", 30, 20);
    EXPECT_EQ(white->Pixel(2, 2), clWhite);
    EXPECT_EQ(Rendered("dv", 30, 20)->Pixel(15, 7), clBlack);
}

TEST(FixtureRender, EarlyShelfMarkerIsGrey)
{
    const auto shelf = Rendered("s", 10, 5);
    EXPECT_EQ(CountOf(*shelf, clSilver, Rect(0, 0, 10, 5)), 50);
    TBitmap none;
    none.SetSize(4, 4);
    EXPECT_FALSE(RenderFixture(Fixture("cola.bmp"), none, false));
}

const std::string Pegboard = "<pegboard><PegSize=2><VPegSpace=10><HPegSpace=10><FirstVPeg=5><FirstHPeg=5>"
                             "<LastVPeg=5><LastHPeg=5><bgcolor=16777215><edgestyle=1>";

TEST(FixtureRender, PegboardHolesLieOnTheGridWithinTheMargins)
{
    const auto board = Rendered(Pegboard, 40, 40);
    for (const int y : {10, 20, 30})
        for (const int x : {10, 20, 30}) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(CountOf(*board, clBlack, Rect(x, y, x + 2, y + 2)), 4);
        }
    EXPECT_EQ(CountOf(*board, clBlack, Rect(0, 0, 40, 40)), 9 * 4);
    EXPECT_EQ(board->Pixel(0, 0), clWhite);
}

TEST(FixtureRender, PegboardAtDoubleSizeDoublesStepsAndMargins)
{
    const std::string board = "<pegboard><PegSize=2><VPegSpace=10><HPegSpace=10><FirstVPeg=5><FirstHPeg=5>"
                              "<LastVPeg=15><LastHPeg=15><bgcolor=16777215><edgestyle=1>";
    // Twice the size of a 40 x 40 board: holes of 4 every 20 from 10; the last clip at 80 - 30.
    const auto doubled = Rendered(board, 80, 80, true);
    for (const int y : {20, 40})
        for (const int x : {20, 40})
            EXPECT_EQ(CountOf(*doubled, clBlack, Rect(x, y, x + 4, y + 4)), 16);
    EXPECT_EQ(CountOf(*doubled, clBlack, Rect(0, 0, 80, 80)), 4 * 16);
    EXPECT_EQ(doubled->Pixel(60, 60), clWhite);
}

TEST(FixtureRender, SlatwallRowsAreContinuous)
{
    const auto slats = Rendered("<pegboard><PegSize=2><VPegSpace=10><HPegSpace=0><FirstVPeg=0><FirstHPeg=0>"
                                "<LastVPeg=0><LastHPeg=0><bgcolor=16777215>",
                                30, 30);
    // A slatwall has no edge style tag, so it gets the raised edge over its outer two pixels.
    EXPECT_EQ(CountOf(*slats, clBlack, Rect(2, 10, 28, 12)), 26 * 2);
    EXPECT_EQ(CountOf(*slats, clBlack, Rect(2, 20, 28, 22)), 26 * 2);
    EXPECT_EQ(CountOf(*slats, clBlack, Rect(2, 2, 28, 10)), 0);
    EXPECT_EQ(CountOf(*slats, clBlack, Rect(2, 12, 28, 20)), 0);
}

TEST(FixtureRender, NegativeStepsEnd)
{
    const auto board = Rendered("<pegboard><PegSize=1><VPegSpace=-5><HPegSpace=-3><bgcolor=255><edgestyle=1>", 12, 9);
    EXPECT_EQ(CountOf(*board, clBlack, Rect(0, 0, 12, 9)), 12 * 9);
}

const std::string TextFixture = "<text><font=Arial><value=IIII><fontcolor=0><fontsize=10><boxcolor=16777215>";

TEST(FixtureRender, TextIsAlignedAsItsTagsSay)
{
    const TRect left =
        BoundsOf(*Rendered(TextFixture + "<textmode=1><textalign=0<fillstyle=0><edgestyle=1>", 200, 40), clBlack);
    const TRect right =
        BoundsOf(*Rendered(TextFixture + "<textmode=1><textalign=2<fillstyle=0><edgestyle=1>", 200, 40), clBlack);
    const TRect centred =
        BoundsOf(*Rendered(TextFixture + "<textmode=0><textalign=2<fillstyle=0><edgestyle=1>", 200, 40), clBlack);
    ASSERT_LT(left.Left, left.Right);
    EXPECT_LT(left.Right, 60);
    EXPECT_LT(left.Top, 15);
    EXPECT_GT(right.Left, 140);
    EXPECT_GT(centred.Left, 60);
    EXPECT_LT(centred.Right, 140);
    EXPECT_GT(centred.Top, 8);
    EXPECT_LT(centred.Bottom, 32);
}

TEST(FixtureRender, TextFontDoublesInDoubleSize)
{
    const std::string text = TextFixture + "<textmode=0><textalign=0<fillstyle=0><edgestyle=1>";
    const TRect normal = BoundsOf(*Rendered(text, 200, 60), clBlack);
    const TRect doubled = BoundsOf(*Rendered(text, 200, 60, true), clBlack);
    EXPECT_NEAR(doubled.Height(), 2 * normal.Height(), 2);
}

} // namespace
