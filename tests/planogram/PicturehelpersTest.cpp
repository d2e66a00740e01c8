#include "planogram/Picturehelpers.h"
#include "planogram/Listmanager.h"
#include "planogram/Rectservices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;

void Fill(TBitmap& bitmap, int width, int height, const std::function<TColor(int, int)>& color)
{
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, color(x, y));
}

void FillPlain(TBitmap& bitmap, int width, int height, TColor color)
{
    Fill(bitmap, width, height, [color](int, int) { return color; });
}

TEST(FixtureKind, MarkersAndTagsAreFixtures)
{
    for (const char* text :
         {"s", "p", "dv", "<dv><boxcolor=0>", "<pegboard><PegSize=2>", "<text><font=Arial>", "x<shelf>"})
        EXPECT_TRUE(FixtureKind(text)) << text;
    for (const char* text : {"", "S", "DV", "P", "<SHELF>", "C:\\Pics\\cola.bmp", "shelf", "dv.bmp"})
        EXPECT_FALSE(FixtureKind(text)) << text;
}

TEST(NewPictureReader, GroupsRouteToTheirReaders)
{
    const auto classOf = [](std::string_view extension, ReaderTable table) {
        const std::unique_ptr<TGraphic> reader = NewPictureReader(extension, table);
        return reader ? reader->ClassName() : std::string("none");
    };
    for (const ReaderTable table : {ReaderTable::Loading, ReaderTable::Drawing}) {
        EXPECT_EQ(classOf(".JPG", table), "TJPEGImage");
        for (const char* targa : {".TGA", ".VST", ".ICB", ".VDA", ".WIN"})
            EXPECT_EQ(classOf(targa, table), "TTargaGraphic") << targa;
        for (const char* bitmap : {".BMP", ".RLE", ".DIB"})
            EXPECT_EQ(classOf(bitmap, table), "TBitmap") << bitmap;
        for (const char* unread : {".ZYB", ".XYZ", "", ".4", ".jpg"})
            EXPECT_EQ(classOf(unread, table), "none") << unread;
    }
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Loading), "none");
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Drawing), "TJPEGImage");
    for (const char* numbered : {".1", ".2", ".3", ".5", ".6", ".7"}) {
        EXPECT_EQ(classOf(numbered, ReaderTable::Loading), "none") << numbered;
        EXPECT_EQ(classOf(numbered, ReaderTable::Drawing), "TTargaGraphic") << numbered;
    }
}

TEST(TransparentCopy, LeavesOutTheCornerColourAndStaysInsideTheTarget)
{
    TBitmap source, target;
    Fill(source, 3, 2, [](int x, int y) { return x == 1 && y == 1 ? Red : x == 2 ? Green : clWhite; });
    FillPlain(target, 4, 4, clBlack);
    EXPECT_TRUE(TransparentCopy(source, 3, 2, target, 2, 2));
    EXPECT_EQ(target.Pixel(2, 2), clBlack);
    EXPECT_EQ(target.Pixel(3, 3), Red);
    EXPECT_EQ(target.Pixel(3, 2), clBlack);
    TransparentCopy(source, 3, 2, target, -2, -1);
    EXPECT_EQ(target.Pixel(0, 0), Green);
}

TEST(RotatedBounds, TurnsAboutTheTopLeftCorner)
{
    TRect out;
    RotatedBounds(Rect(10, 20, 110, 70), 90, out);
    EXPECT_EQ(out.Left, 10);
    EXPECT_EQ(out.Top, 20);
    EXPECT_EQ(out.Width(), 50);
    EXPECT_EQ(out.Height(), 100);
    RotatedBounds(Rect(10, 20, 110, 70), 0, out);
    EXPECT_EQ(out, Rect(10, 20, 110, 70));
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

TEST(ResampleBitmap, HalfAndQuarterSizeAsBoxFilters)
{
    TBitmap source;
    const auto color = [](int x, int y) {
        return static_cast<TColor>(RGB(static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 2),
                                       static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF)));
    };
    Fill(source, 100, 100, color);
    TBitmap half;
    FillPlain(half, 50, 50, clBlack);
    ResampleBitmap(source, half, nullptr, Rect(0, 0, 50, 50), Rect(0, 0, 100, 100));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(half.Pixel(x, y), color(2 * x, 2 * y)) << x << "," << y;

    TBitmap quarter;
    FillPlain(quarter, 25, 25, clBlack);
    Progress progress;
    ResampleBitmap(source, quarter, &progress, Rect(0, 0, 25, 25), Rect(0, 0, 100, 100));
    EXPECT_EQ(progress.Max(), 25);
    EXPECT_EQ(progress.Position(), 0);
    for (int y = 1; y < 25; ++y)
        for (int x = 1; x < 25; ++x) {
            unsigned sums[3] = {0, 0, 0};
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx) {
                    const auto c = static_cast<COLORREF>(color(4 * x + dx, 4 * y + dy));
                    sums[0] += GetRValue(c), sums[1] += GetGValue(c), sums[2] += GetBValue(c);
                }
            const TColor expected = static_cast<TColor>(RGB(static_cast<std::uint8_t>(sums[0] / 3 / 3),
                                                            static_cast<std::uint8_t>(sums[1] / 3 / 3),
                                                            static_cast<std::uint8_t>(sums[2] / 3 / 3)));
            ASSERT_EQ(quarter.Pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(quarter.Pixel(0, 0), color(0, 0));
}

TEST(ResampleBitmap, EnlargingAndOddScalesLeaveNoBlack)
{
    const TColor olive = static_cast<TColor>(RGB(10, 200, 30));
    for (const auto& [from, to] : {std::pair{100, 60}, std::pair{50, 100}, std::pair{3, 7}}) {
        SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
        TBitmap source, target;
        FillPlain(source, from, from, olive);
        FillPlain(target, to, to, clBlack);
        ResampleBitmap(source, target, nullptr, Rect(0, 0, to, to), Rect(0, 0, from, from));
        for (int y = 0; y < to; ++y)
            for (int x = 0; x < to; ++x)
                ASSERT_EQ(target.Pixel(x, y), olive) << x << "," << y;
    }
}

TEST(ResampleBitmap, EmptyRectanglesChangeNothing)
{
    TBitmap source, target;
    FillPlain(source, 10, 10, Green);
    FillPlain(target, 10, 10, clBlack);
    ResampleBitmap(source, target, nullptr, Rect(0, 0, 0, 10), Rect(0, 0, 10, 10));
    ResampleBitmap(source, target, nullptr, Rect(0, 0, 10, 10), Rect(5, 5, 5, 9));
    EXPECT_EQ(target.Pixel(0, 0), clBlack);
    EXPECT_EQ(target.Pixel(5, 5), clBlack);
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
