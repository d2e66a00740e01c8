#include "platform/graphics/Canvas.h"

#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace {

TBitmap& Blank(TBitmap& bitmap, int width, int height, TColor color = clWhite, TPixelFormat format = pf24bit)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    TBrush& brush = bitmap.Canvas().Brush;
    const TBrush kept = brush;
    brush = TBrush{color, bsSolid};
    bitmap.Canvas().FillRect(Rect(0, 0, width, height));
    brush = kept;
    return bitmap;
}

// The bitmap as rows of characters: '.' for `background`, '#' for anything else.
std::string Picture(const TBitmap& bitmap, TColor background = clWhite)
{
    std::string rows;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x)
            rows += bitmap.Pixel(x, y) == background ? '.' : '#';
        rows += '\n';
    }
    return rows;
}

} // namespace

TEST(Canvas, FiguresLeaveOutTheirRightAndBottomEdges)
{
    TBitmap bitmap;
    Blank(bitmap, 8, 6);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = clRed;
    canvas.FillRect(Rect(1, 1, 4, 3));
    EXPECT_EQ(Picture(bitmap), "........\n"
                               ".###....\n"
                               ".###....\n"
                               "........\n"
                               "........\n"
                               "........\n");

    Blank(bitmap, 8, 6);
    canvas.Pen.Color = clBlack;
    canvas.Brush.Color = clLime;
    canvas.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(Picture(bitmap), "........\n"
                               ".#####..\n"
                               ".#####..\n"
                               ".#####..\n"
                               ".#####..\n"
                               "........\n");
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlack);
    EXPECT_EQ(bitmap.Pixel(5, 4), clBlack);
    EXPECT_EQ(bitmap.Pixel(2, 2), clLime);
    EXPECT_EQ(bitmap.Pixel(4, 3), clLime);

    Blank(bitmap, 12, 12);
    canvas.Ellipse(0, 0, 10, 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(bitmap.Pixel(10, i), clWhite);
        EXPECT_EQ(bitmap.Pixel(i, 10), clWhite);
    }
    EXPECT_EQ(bitmap.Pixel(9, 4), clBlack);
    EXPECT_EQ(bitmap.Pixel(4, 9), clBlack);
    EXPECT_EQ(bitmap.Pixel(0, 5), clBlack);
    EXPECT_EQ(bitmap.Pixel(5, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(5, 5), clLime);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(9, 9), clWhite);
}

TEST(Canvas, FrameRectStaysInsideItsRectangle)
{
    TBitmap bitmap;
    Blank(bitmap, 7, 6);
    bitmap.Canvas().Brush.Color = clBlue;
    bitmap.Canvas().FrameRect(Rect(1, 1, 6, 5));
    EXPECT_EQ(Picture(bitmap), ".......\n"
                               ".#####.\n"
                               ".#...#.\n"
                               ".#...#.\n"
                               ".#####.\n"
                               ".......\n");
}

TEST(Canvas, RaisedAndSunkenEdgesUseTheClassicColours)
{
    TBitmap bitmap;
    Blank(bitmap, 10, 8, clRed);
    bitmap.Canvas().DrawEdge(Rect(0, 0, 10, 8), EDGE_RAISED, BF_RECT);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0xC0C0C0);
    EXPECT_EQ(bitmap.Pixel(1, 1), clWhite);
    EXPECT_EQ(bitmap.Pixel(5, 0), 0xC0C0C0);
    EXPECT_EQ(bitmap.Pixel(0, 4), 0xC0C0C0);
    EXPECT_EQ(bitmap.Pixel(9, 7), clBlack);
    EXPECT_EQ(bitmap.Pixel(9, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(8, 6), 0x808080);
    EXPECT_EQ(bitmap.Pixel(4, 6), 0x808080);
    EXPECT_EQ(bitmap.Pixel(2, 2), clRed);

    Blank(bitmap, 10, 8, clRed);
    bitmap.Canvas().DrawEdge(Rect(0, 0, 10, 8), EDGE_SUNKEN, BF_RECT);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0x808080);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlack);
    EXPECT_EQ(bitmap.Pixel(9, 7), clWhite);
    EXPECT_EQ(bitmap.Pixel(8, 6), 0xC0C0C0);
    EXPECT_EQ(bitmap.Pixel(2, 2), clRed);
}

TEST(Canvas, HatchesDrawTheBrushColourOverTheBackground)
{
    const struct {
        TBrushStyle style;
        std::string rows;
    } cases[] = {
        {bsHorizontal, "########\n........\n........\n........\n........\n........\n........\n........\n"},
        {bsVertical, "#.......\n#.......\n#.......\n#.......\n#.......\n#.......\n#.......\n#.......\n"},
        {bsFDiagonal, "#.......\n.#......\n..#.....\n...#....\n....#...\n.....#..\n......#.\n.......#\n"},
        {bsBDiagonal, "#.......\n.......#\n......#.\n.....#..\n....#...\n...#....\n..#.....\n.#......\n"},
        {bsCross, "########\n#.......\n#.......\n#.......\n#.......\n#.......\n#.......\n#.......\n"},
        {bsDiagCross, "#.......\n.#.....#\n..#...#.\n...#.#..\n....#...\n...#.#..\n..#...#.\n.#.....#\n"},
    };
    for (const auto& c : cases) {
        TBitmap bitmap;
        Blank(bitmap, 8, 8, clYellow);
        bitmap.Canvas().Brush.Color = clNavy;
        bitmap.Canvas().Brush.Style = c.style;
        bitmap.Canvas().FillRect(Rect(0, 0, 8, 8));
        EXPECT_EQ(Picture(bitmap, clYellow), c.rows) << c.style;
        EXPECT_EQ(bitmap.Pixel(0, 0), clNavy);
    }
    TBitmap cleared;
    Blank(cleared, 4, 4, clYellow);
    cleared.Canvas().Brush.Style = bsClear;
    cleared.Canvas().FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(Picture(cleared, clYellow), "....\n....\n....\n....\n");
}

TEST(Canvas, StretchDrawRepeatsPixelsWithoutBlending)
{
    TBitmap source;
    Blank(source, 2, 2);
    source.SetPixel(0, 0, clRed);
    source.SetPixel(1, 0, clLime);
    source.SetPixel(0, 1, clBlue);
    source.SetPixel(1, 1, 0x123456);
    for (TPixelFormat format : {pf24bit, pf32bit, pf16bit, pf8bit}) {
        TBitmap target;
        Blank(target, 5, 5, clBlack, format);
        target.Canvas().StretchDraw(Rect(0, 0, 4, 4), source);
        TBitmap expected;
        expected.SetPixelFormat(format);
        expected.SetSize(1, 1);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                expected.SetPixel(0, 0, source.Pixel(x / 2, y / 2));
                EXPECT_EQ(target.Pixel(x, y), expected.Pixel(0, 0)) << format << " " << x << "," << y;
            }
        EXPECT_EQ(target.Pixel(4, 4), clBlack);
    }
}

// A 32-bit picture, its fourth bytes set, stretched smaller and larger, keyed and not, onto a 32-bit
// target: the colours are those the same picture at 24 bits gives, and the target's fourth bytes
// stay as they were.
TEST(Canvas, StretchesBetween32BitBitmapsMatchThoseFrom24Bits)
{
    const auto setFourthBytes = [](TBitmap& bitmap, std::uint8_t value) {
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                bitmap.ScanLine(y)[x * 4 + 3] = value;
    };
    TBitmap source;
    Blank(source, 9, 7, clWhite, pf32bit);
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 8; ++x)
            if ((x + y) % 4 != 0)
                source.SetPixel(x, y, static_cast<TColor>(x * 0x1F0000 + y * 0x2400 + 0x10));
    TBitmap narrow;
    narrow.Assign(source);
    narrow.SetPixelFormat(pf24bit);
    setFourthBytes(source, 0x5A);
    for (const TRect& place : {Rect(2, 1, 6, 5), Rect(0, 0, 20, 15), Rect(-3, 2, 5, 30)})
        for (const bool keyed : {false, true}) {
            TBitmap target, expected;
            Blank(target, 16, 12, clBlue, pf32bit);
            Blank(expected, 16, 12, clBlue, pf32bit);
            setFourthBytes(target, 0xA5);
            if (keyed) {
                target.Canvas().StretchDrawKeyed(place, source, clWhite);
                expected.Canvas().StretchDrawKeyed(place, narrow, clWhite);
            } else {
                target.Canvas().StretchDraw(place, source);
                expected.Canvas().StretchDraw(place, narrow);
            }
            for (int y = 0; y < target.Height(); ++y)
                for (int x = 0; x < target.Width(); ++x) {
                    ASSERT_EQ(target.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y << " keyed " << keyed;
                    ASSERT_EQ(target.ScanLine(y)[x * 4 + 3], 0xA5) << x << "," << y;
                }
        }
}

// Stretches between the 24 and 32-bit layouts, keyed and not, smaller and larger, of odd widths and
// cut off at each edge of the target, give the pixels the nearest source pixel gives one by one.
TEST(Canvas, StretchesBetweenLayoutsMatchThePixelByPixelCopy)
{
    const TColor key = 0x20C0E0;
    const auto colourAt = [&](int x, int y) {
        return (x + 2 * y) % 5 == 0 || (y == 3 && x > 4) ? key : static_cast<TColor>(x * 0x130000 + y * 0x1700 + 7);
    };
    for (const TPixelFormat from : {pf24bit, pf32bit})
        for (const TPixelFormat to : {pf24bit, pf32bit})
            for (const TRect& place : {Rect(1, 1, 12, 8), Rect(-5, 2, 30, 21), Rect(3, -4, 10, 5), Rect(17, 3, 40, 9)})
                for (const bool keyed : {false, true}) {
                    TBitmap source;
                    Blank(source, 13, 9, clWhite, from);
                    for (int y = 0; y < source.Height(); ++y)
                        for (int x = 0; x < source.Width(); ++x)
                            source.SetPixel(x, y, colourAt(x, y));
                    TBitmap target;
                    Blank(target, 24, 16, clNavy, to);
                    if (keyed)
                        target.Canvas().StretchDrawKeyed(place, source, key);
                    else
                        target.Canvas().StretchDraw(place, source);
                    for (int y = 0; y < target.Height(); ++y)
                        for (int x = 0; x < target.Width(); ++x) {
                            TColor expected = clNavy;
                            if (PtInRect(place, Point(x, y))) {
                                const TColor colour = colourAt((x - place.Left) * 13 / place.Width(),
                                                               (y - place.Top) * 9 / place.Height());
                                if (!keyed || colour != key)
                                    expected = colour;
                            }
                            ASSERT_EQ(target.Pixel(x, y), expected)
                                << from << " to " << to << " keyed " << keyed << " into " << place.Left << ","
                                << place.Top << " at " << x << "," << y;
                        }
                }
}

// A picture drawn from a copy of it stretched to the rect's size, in its layout or the target's, gives
// the bytes the picture stretched directly does, fourth bytes included, between the 24 and 32-bit
// layouts, keyed and not, cut off at the target's edges and by its clip rectangle.
TEST(Canvas, StretchDrawFromAStretchedCopyMatchesTheDirectStretch)
{
    const TColor key = 0x20C0E0;
    for (const TPixelFormat from : {pf24bit, pf32bit})
        for (const TPixelFormat to : {pf24bit, pf32bit})
            for (const TRect& place : {Rect(1, 1, 12, 8), Rect(-5, 2, 30, 21), Rect(3, -4, 10, 5), Rect(17, 3, 40, 9)})
                for (const TPixelFormat stretchedFormat : {from, to})
                    for (const bool keyed : {false, true}) {
                        TBitmap source;
                        Blank(source, 13, 9, clWhite, from);
                        for (int y = 0; y < source.Height(); ++y)
                            for (int x = 0; x < source.BytesPerScanLine(); ++x)
                                source.ScanLine(y)[x] =
                                    static_cast<std::uint8_t>((x * 5 + y * 3) % 7 == 0 ? 0 : x * 11 + y);
                        source.SetPixel(4, 4, key);
                        TBitmap stretched;
                        Blank(stretched, place.Width(), place.Height(), clBlack, stretchedFormat);
                        stretched.Canvas().StretchDraw(Rect(0, 0, place.Width(), place.Height()), source);
                        TBitmap direct, copied;
                        for (TBitmap* target : {&direct, &copied}) {
                            Blank(*target, 24, 16, clNavy, to);
                            for (int y = 0; y < target->Height(); ++y)
                                for (int x = 0; x < target->BytesPerScanLine(); ++x)
                                    target->ScanLine(y)[x] = static_cast<std::uint8_t>(x * 13 + y * 5);
                            target->Canvas().SetClipRect(Rect(0, 1, 22, 16));
                        }
                        if (keyed)
                            direct.Canvas().StretchDrawKeyed(place, source, key);
                        else
                            direct.Canvas().StretchDraw(place, source);
                        copied.Canvas().StretchDrawFrom(place, source, stretched,
                                                        keyed ? std::optional<TColor>(key) : std::nullopt);
                        for (int y = 0; y < direct.Height(); ++y)
                            ASSERT_EQ(std::memcmp(direct.ScanLine(y), copied.ScanLine(y), direct.BytesPerScanLine()), 0)
                                << from << " to " << to << " through " << stretchedFormat << " keyed " << keyed
                                << " into " << place.Left << "," << place.Top << " row " << y;
                    }
}

TEST(Canvas, TransparentDrawLeavesOutTheKeyColour)
{
    TBitmap picture;
    Blank(picture, 3, 2);
    picture.SetPixel(1, 0, clRed);
    picture.SetPixel(2, 1, 0xFEFFFF);
    picture.SetTransparent(true);
    picture.SetTransparentColor(clWhite);
    for (TPixelFormat format : {pf24bit, pf32bit, pf8bit}) {
        TBitmap target;
        Blank(target, 5, 4, clBlue, format);
        target.Canvas().Draw(1, 1, picture);
        EXPECT_EQ(Picture(target, clBlue), ".....\n"
                                           "..#..\n"
                                           "...#.\n"
                                           ".....\n")
            << format;
        EXPECT_EQ(target.Pixel(2, 1), clRed);
    }
    picture.SetTransparent(false);
    TBitmap opaque;
    Blank(opaque, 5, 4, clBlue);
    opaque.Canvas().Draw(1, 1, picture);
    EXPECT_EQ(Picture(opaque, clBlue), ".....\n.###.\n.###.\n.....\n");
}

TEST(Canvas, FocusRectanglesDrawnTwiceRestoreThePixels)
{
    TBitmap bitmap;
    Blank(bitmap, 9, 7, 0x3366CC);
    bitmap.SetPixel(4, 0, clGreen);
    TBitmap before;
    before.Assign(bitmap);
    bitmap.Canvas().DrawFocusRect(Rect(0, 0, 9, 7));
    EXPECT_EQ(bitmap.Pixel(0, 0), 0xCC9933);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0x3366CC);
    EXPECT_EQ(bitmap.Pixel(4, 4), 0x3366CC);
    bitmap.Canvas().DrawFocusRect(Rect(0, 0, 9, 7));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(bitmap.Pixel(x, y), before.Pixel(x, y));

    bitmap.Canvas().InvertRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(bitmap.Pixel(1, 1), 0xCC9933);
    EXPECT_EQ(bitmap.Pixel(3, 3), 0x3366CC);
}

TEST(Canvas, PenModesNotAndXor)
{
    TBitmap bitmap;
    Blank(bitmap, 6, 3, 0x102030);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen.Mode = pmNot;
    canvas.MoveTo(0, 1);
    canvas.LineTo(4, 1);
    EXPECT_EQ(bitmap.Pixel(0, 1), 0xEFDFCF);
    EXPECT_EQ(bitmap.Pixel(3, 1), 0xEFDFCF);
    EXPECT_EQ(bitmap.Pixel(4, 1), 0x102030);
    EXPECT_EQ(canvas.PenPos(), Point(4, 1));

    canvas.Pen.Mode = pmXor;
    canvas.Pen.Color = 0x0F0F0F;
    canvas.MoveTo(0, 0);
    canvas.LineTo(3, 0);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0x1F2F3F);
    canvas.MoveTo(0, 0);
    canvas.LineTo(3, 0);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0x102030);

    TBitmap indexed;
    Blank(indexed, 2, 1, clBlack, pf1bit);
    indexed.Canvas().Pen.Mode = pmNot;
    indexed.Canvas().MoveTo(0, 0);
    indexed.Canvas().LineTo(2, 0);
    EXPECT_EQ(indexed.Pixel(0, 0), clWhite);
}

TEST(Canvas, DashedPensLeaveGaps)
{
    TBitmap bitmap;
    Blank(bitmap, 30, 1);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Style = bsClear;
    canvas.Pen.Style = psDot;
    canvas.MoveTo(0, 0);
    canvas.LineTo(12, 0);
    EXPECT_EQ(Picture(bitmap).substr(0, 13), "###...###....");
    canvas.Pen.Style = psClear;
    canvas.MoveTo(0, 0);
    canvas.LineTo(29, 0);
    EXPECT_EQ(Picture(bitmap).substr(12, 10), "..........");
}

TEST(Canvas, PolygonsArcsAndPiesStayInTheirBoxes)
{
    TBitmap bitmap;
    Blank(bitmap, 8, 8);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Color = clRed;
    const TPoint triangle[] = {Point(0, 0), Point(6, 0), Point(0, 6)};
    canvas.Pen.Style = psClear;
    canvas.Polygon(triangle);
    EXPECT_EQ(Picture(bitmap), "#####...\n"
                               "####....\n"
                               "###.....\n"
                               "##......\n"
                               "#.......\n"
                               "........\n"
                               "........\n"
                               "........\n");

    Blank(bitmap, 12, 12);
    canvas.Pen.Style = psSolid;
    canvas.Pie(0, 0, 10, 10, 10, 5, 5, 0);
    // The upper right quarter only.
    EXPECT_EQ(bitmap.Pixel(7, 2), clRed);
    EXPECT_EQ(bitmap.Pixel(2, 2), clWhite);
    EXPECT_EQ(bitmap.Pixel(2, 7), clWhite);
    EXPECT_EQ(bitmap.Pixel(7, 7), clWhite);
    EXPECT_EQ(bitmap.Pixel(9, 4), clBlack);

    Blank(bitmap, 12, 12);
    canvas.Arc(0, 0, 10, 10, 0, 5, 10, 5);
    // Counter-clockwise from the left to the right: the lower half.
    EXPECT_EQ(bitmap.Pixel(5, 9), clBlack);
    EXPECT_EQ(bitmap.Pixel(5, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(5, 5), clWhite);

    Blank(bitmap, 12, 12);
    canvas.RoundRect(0, 0, 10, 8, 4, 4);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(5, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(9, 4), clBlack);
    EXPECT_EQ(bitmap.Pixel(10, 4), clWhite);
    EXPECT_EQ(bitmap.Pixel(5, 8), clWhite);
}

TEST(Canvas, BlitsAndCopies)
{
    TBitmap source;
    Blank(source, 4, 4, clRed);
    source.SetPixel(1, 1, clLime);
    TBitmap target;
    Blank(target, 6, 6, clBlue);
    TCanvas& canvas = target.Canvas();
    EXPECT_TRUE(canvas.BitBlt(2, 2, 2, 2, &source.Canvas(), 1, 1, SRCCOPY));
    EXPECT_EQ(target.Pixel(2, 2), clLime);
    EXPECT_EQ(target.Pixel(3, 3), clRed);
    EXPECT_EQ(target.Pixel(4, 4), clBlue);
    EXPECT_TRUE(canvas.BitBlt(2, 2, 1, 1, &source.Canvas(), 1, 1, SRCINVERT));
    EXPECT_EQ(target.Pixel(2, 2), clBlack);
    EXPECT_TRUE(canvas.BitBlt(0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_TRUE(canvas.BitBlt(1, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
    canvas.Brush.Color = clYellow;
    EXPECT_TRUE(canvas.BitBlt(0, 1, 1, 1, nullptr, 0, 0, PATCOPY));
    EXPECT_EQ(target.Pixel(0, 0), clWhite);
    EXPECT_EQ(target.Pixel(1, 0), clBlack);
    EXPECT_EQ(target.Pixel(0, 1), clYellow);
    EXPECT_FALSE(canvas.BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(canvas.BitBlt(0, 0, 1, 1, &source.Canvas(), 0, 0, 0x00EE0086));

    // Copying within one canvas reads the pixels as they were.
    TBitmap strip;
    Blank(strip, 4, 1);
    strip.SetPixel(0, 0, clRed);
    strip.SetPixel(1, 0, clLime);
    strip.Canvas().CopyRect(Rect(1, 0, 3, 1), strip.Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(strip.Pixel(1, 0), clRed);
    EXPECT_EQ(strip.Pixel(2, 0), clLime);
}

TEST(Canvas, PixelsAndTheClipRectangle)
{
    TBitmap bitmap;
    Blank(bitmap, 4, 4);
    TCanvas& canvas = bitmap.Canvas();
    EXPECT_EQ(canvas.Pixel(4, 0), CLR_INVALID);
    EXPECT_EQ(canvas.Pixel(-1, 0), CLR_INVALID);
    canvas.SetPixel(5, 5, clRed);
    canvas.SetPixel(3, 3, clRed);
    EXPECT_EQ(canvas.Pixel(3, 3), clRed);

    canvas.SetClipRect(Rect(1, 1, 3, 3));
    EXPECT_EQ(canvas.ClipRect(), Rect(1, 1, 3, 3));
    canvas.Brush.Color = clBlack;
    canvas.FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(canvas.Pixel(0, 0), CLR_INVALID);
    EXPECT_EQ(Picture(bitmap), "....\n.##.\n.##.\n...#\n");
}

TEST(Canvas, WidePensGrowOutwardsUnlessInsideFrame)
{
    TBitmap bitmap;
    Blank(bitmap, 10, 10);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Style = bsClear;
    canvas.Pen.Width = 3;
    canvas.Rectangle(2, 2, 8, 8);
    EXPECT_EQ(bitmap.Pixel(1, 1), clBlack);
    EXPECT_EQ(bitmap.Pixel(8, 8), clBlack);
    EXPECT_EQ(bitmap.Pixel(4, 4), clWhite);

    Blank(bitmap, 10, 10);
    canvas.Pen.Style = psInsideFrame;
    canvas.Pen.Width = 2;
    canvas.Rectangle(2, 2, 8, 8);
    EXPECT_EQ(bitmap.Pixel(1, 1), clWhite);
    EXPECT_EQ(bitmap.Pixel(3, 3), clBlack);
    EXPECT_EQ(bitmap.Pixel(7, 7), clBlack);
    EXPECT_EQ(bitmap.Pixel(4, 4), clWhite);
    EXPECT_EQ(bitmap.Pixel(8, 8), clWhite);
}

TEST(Canvas, LargeFillsCoverExactlyTheirRectangle)
{
    // Rows with and without padding, part and whole rows.
    for (const int width : {4000, 4001}) {
        for (const TRect& rect : {Rect(0, 1, width, 3), Rect(3, 1, width - 2, 3)}) {
            TBitmap bitmap;
            Blank(bitmap, width, 4, clBlack);
            bitmap.Canvas().Brush.Color = 0x123456;
            bitmap.Canvas().FillRect(rect);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(bitmap.Pixel(x, y), PtInRect(rect, Point(x, y)) ? 0x123456 : clBlack)
                        << width << " " << x << "," << y;
        }
    }
}
