#include "planogram/Picturehelpers.h"
#include "planogram/Listmanager.h"
#include "planogram/Rectservices.h"
#include "platform/graphics/Bitmap.h"

#include "imageformats/FilledBitmaps.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;

TEST(FixtureKind, MarkersAndTagsAreFixtures)
{
    for (const char* text :
         {"s", "p", "dv", "<dv><boxcolor=0>", "<pegboard><PegSize=2>", "<text><font=Arial>", "x<shelf>"})
        EXPECT_TRUE(FixtureKind(text)) << text;
    for (const char* text : {"", "S", "DV", "P", "<SHELF>", "C:\\Pics\\cola.bmp", "shelf", "dv.bmp"})
        EXPECT_FALSE(FixtureKind(text)) << text;
}

// Six different colours in a 3 x 2 picture, so that every turn shows.
TColor Asymmetric(int x, int y)
{
    return static_cast<TColor>(RGB(static_cast<std::uint8_t>(40 * x + 1), static_cast<std::uint8_t>(90 * y + 1), 7));
}

struct QuarterTurn {
    double angle;
    TRect box;
    std::function<TPoint(int, int)> sourceOf; // target point -> source point
};

TEST(RotateBitmap, QuarterTurnsMapEveryPixelExactly)
{
    TBitmap source;
    Fill(source, 3, 2, Asymmetric);
    // The item stands at (5, 5), 3 x 2: it turns about (6, 9).
    const QuarterTurn turns[] = {
        {90, Rect(5, 8, 7, 11), [](int x, int y) { return Point(10 - y, x - 5); }},
        {180, Rect(5, 9, 8, 11), [](int x, int y) { return Point(7 - x, 10 - y); }},
        {270, Rect(6, 8, 8, 11), [](int x, int y) { return Point(y - 8, 7 - x); }},
    };
    for (const QuarterTurn& turn : turns) {
        for (const bool transparent : {false, true}) {
            SCOPED_TRACE(std::to_string(turn.angle) + (transparent ? " transparent" : " opaque"));
            TBitmap target;
            FillPlain(target, 20, 20, clBlack);
            ListOB item;
            item.left = 5, item.top = 5, item.right = 8, item.bottom = 7;
            RotateBitmap(item, source, turn.angle, 5, 5, 2, 3, target, transparent);
            EXPECT_EQ(item.rotatedBox, turn.box);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x) {
                    if (!PtInRect(turn.box, Point(x, y))) {
                        ASSERT_EQ(target.Pixel(x, y), clBlack) << x << "," << y;
                        continue;
                    }
                    const TPoint from = turn.sourceOf(x, y);
                    ASSERT_EQ(target.Pixel(x, y), Asymmetric(from.X, from.Y)) << x << "," << y;
                }
        }
    }
}

TEST(RotateBitmap, DiagonalTurnKeepsTheCornersAndPaintsOnlyThePicture)
{
    TBitmap source;
    FillPlain(source, 20, 20, Green);
    TBitmap target;
    FillPlain(target, 60, 60, Red);
    ListOB item;
    item.left = 20, item.top = 20, item.right = 40, item.bottom = 40;
    RotateBitmap(item, source, 45, 20, 20, 20, 20, target, false);
    // About (30, 32): the square's corners reach 14 pixels out along the axes.
    EXPECT_EQ(target.Pixel(30, 32), Green);
    EXPECT_EQ(target.Pixel(30 + 13, 32), Green);
    EXPECT_EQ(target.Pixel(30 - 13, 32), Green);
    EXPECT_EQ(target.Pixel(30, 32 + 13), Green);
    EXPECT_EQ(target.Pixel(30 + 9, 32 + 9), Red);
    EXPECT_EQ(target.Pixel(30 - 9, 32 - 9), Red);
    EXPECT_LE(item.rotatedBox.Left, 30 - 13);
    EXPECT_GE(item.rotatedBox.Right, 30 + 14);
    EXPECT_LE(item.rotatedBox.Width(), 31);
}

TEST(RotateBitmap, TransparentTurnLeavesOutWhite)
{
    TBitmap source;
    Fill(source, 4, 4, [](int x, int) { return x < 2 ? clWhite : Green; });
    TBitmap target;
    FillPlain(target, 20, 20, Red);
    ListOB item;
    item.left = 5, item.top = 5, item.right = 9, item.bottom = 9;
    RotateBitmap(item, source, 180, 5, 5, 4, 4, target, true);
    int green = 0, white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            green += target.Pixel(x, y) == Green;
            white += target.Pixel(x, y) == clWhite;
        }
    EXPECT_EQ(green, 8);
    EXPECT_EQ(white, 0);
}

TEST(RotateBitmap, FullTurnWidensTheBoxToThePlacement)
{
    TBitmap source;
    FillPlain(source, 10, 4, Green);
    TBitmap target;
    FillPlain(target, 40, 40, Red);
    ListOB item;
    item.left = 5, item.top = 5, item.right = 15, item.bottom = 9;
    RotateBitmap(item, source, 360, 5, 5, 4, 10, target, false);
    // Drawn about (10, 12): rows 10 to 13, widened up to the placement box.
    EXPECT_EQ(item.rotatedBox, Rect(5, 5, 15, 14));
}

TEST(RectServices, InflateByMovesEveryEdge)
{
    TRect rect = Rect(10, 20, 30, 40);
    InflateBy(rect, 3);
    EXPECT_EQ(rect, Rect(7, 17, 33, 43));
    InflateBy(rect, -5);
    EXPECT_EQ(rect, Rect(12, 22, 28, 38));
}

TEST(RectServices, IntersectsWhenAPixelIsShared)
{
    const TRect a = Rect(0, 0, 10, 10);
    EXPECT_TRUE(Intersects(a, Rect(9, 9, 20, 20)));
    EXPECT_TRUE(Intersects(a, Rect(2, 2, 3, 3)));
    EXPECT_TRUE(Intersects(a, Rect(-5, -5, 50, 50)));
    EXPECT_FALSE(Intersects(a, Rect(10, 0, 20, 10)));
    EXPECT_FALSE(Intersects(a, Rect(0, 10, 10, 20)));
    EXPECT_FALSE(Intersects(a, Rect(5, 5, 5, 8)));
    EXPECT_FALSE(Intersects(Rect(0, 0, 0, 0), a));
}

} // namespace
