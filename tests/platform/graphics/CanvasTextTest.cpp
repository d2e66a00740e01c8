#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The smallest rectangle holding every pixel that is not white.
TRect InkBox(const TBitmap& bitmap, const TRect& area)
{
    TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (bitmap.Pixel(x, y) != clWhite) {
                box = Rect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                           std::max(box.Bottom, y + 1));
            }
    return box;
}

TRect InkBox(const TBitmap& bitmap) { return InkBox(bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height())); }

TCanvas& Page(TBitmap& bitmap, int width, int height)
{
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clWhite;
    canvas.FillRect(Rect(0, 0, width, height));
    canvas.Font.Name = "Arial";
    canvas.Font.SetSize(12);
    canvas.Font.Color = clBlack;
    canvas.Brush.Style = bsClear;
    return canvas;
}

bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

} // namespace

TEST(CanvasText, SizesFollowTheFontEngine)
{
    TBitmap bitmap;
    TCanvas& canvas = Page(bitmap, 10, 10);
    EXPECT_EQ(canvas.Font.Height(), -16);
    const auto face = canvas.Font.Face();
    int sum = 0;
    for (char c : std::string("Planogram, 4 shelves"))
        sum += face->CharWidth(static_cast<unsigned char>(c), 16);
    EXPECT_EQ(canvas.TextWidth("Planogram, 4 shelves"), sum);
    EXPECT_EQ(canvas.TextHeight("x"), face->Metrics(16).Height);
    EXPECT_EQ(canvas.TextExtent("ab"), (TSize{canvas.TextWidth("ab"), canvas.TextHeight("ab")}));

    canvas.Font.SetPixelsPerInch(300);
    EXPECT_EQ(canvas.Font.Size(), 12);
    EXPECT_EQ(canvas.Font.Height(), -50);
    canvas.Font.SetHeight(20);
    EXPECT_EQ(canvas.TextHeight("x"), 20);
}

TEST(CanvasText, TextOutFillsItsCellOnASolidBrush)
{
    TBitmap bitmap;
    TCanvas& canvas = Page(bitmap, 120, 40);
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clYellow;
    canvas.TextOut(10, 5, "Cola");
    const TSize extent = canvas.TextExtent("Cola");
    EXPECT_EQ(canvas.PenPos(), Point(10 + extent.cx, 5));
    int black = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool inCell = x >= 10 && x < 10 + extent.cx && y >= 5 && y < 5 + extent.cy;
            const TColor pixel = bitmap.Pixel(x, y);
            if (!inCell) {
                EXPECT_EQ(pixel, clWhite) << x << "," << y;
            } else {
                EXPECT_TRUE(pixel == clYellow || pixel == clBlack) << x << "," << y;
            }
            black += pixel == clBlack;
        }
    EXPECT_GT(black, 20);
}

TEST(CanvasText, DrawTextKeepsItsInkInTheRectangle)
{
    TBitmap bitmap;
    TCanvas& canvas = Page(bitmap, 200, 200);
    TRect rect = Rect(20, 30, 120, 90);
    const int height = canvas.DrawText("A planogram shows every shelf of the wall and every product on it", rect,
                                       DT_WORDBREAK | DT_LEFT);
    EXPECT_GT(height, canvas.TextHeight("A"));
    const TRect ink = InkBox(bitmap);
    EXPECT_GE(ink.Left, 20);
    EXPECT_GE(ink.Top, 30);
    EXPECT_LE(ink.Right, 120);
    EXPECT_LE(ink.Bottom, 90);
    EXPECT_GT(ink.Bottom, 30 + canvas.TextHeight("A"));

    TRect measure = Rect(0, 0, 100, 0);
    canvas.DrawText("A planogram shows every shelf of the wall and every product on it", measure,
                    DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(measure.Bottom, height);
    EXPECT_EQ(measure.Right, 100);
    TRect single = Rect(5, 5, 6, 6);
    canvas.DrawText("Cola", single, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(single, Rect(5, 5, 5 + canvas.TextWidth("Cola"), 5 + canvas.TextHeight("Cola")));
}

TEST(CanvasText, AlignmentOrdersTheInk)
{
    int lefts[3] = {};
    const unsigned alignments[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    for (int i = 0; i < 3; ++i) {
        TBitmap bitmap;
        TCanvas& canvas = Page(bitmap, 300, 60);
        TRect rect = Rect(0, 0, 300, 60);
        canvas.DrawText("Shelf", rect, alignments[i] | DT_VCENTER | DT_SINGLELINE);
        const TRect ink = InkBox(bitmap);
        lefts[i] = ink.Left;
        if (alignments[i] == DT_CENTER) {
            EXPECT_NEAR((ink.Left + ink.Right) / 2, 150, 3);
            EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 30, 6);
        }
        if (alignments[i] == DT_RIGHT) {
            EXPECT_GT(ink.Right, 290);
        }
    }
    EXPECT_LT(lefts[0], 5);
    EXPECT_LT(lefts[0], lefts[1]);
    EXPECT_LT(lefts[1], lefts[2]);
}

TEST(CanvasText, EditControlDropsAPartlyVisibleLastLine)
{
    for (const bool editControl : {false, true}) {
        TBitmap bitmap;
        TCanvas& canvas = Page(bitmap, 200, 100);
        const int line = canvas.TextHeight("X");
        TRect rect = Rect(0, 0, 200, line + line * 2 / 3);
        canvas.DrawText("First\r\nSecond", rect, DT_WORDBREAK | (editControl ? DT_EDITCONTROL : 0));
        const TRect secondLine = InkBox(bitmap, Rect(0, line, 200, 100));
        EXPECT_EQ(secondLine.Left == INT_MAX, editControl);
        EXPECT_LE(InkBox(bitmap).Bottom, rect.Bottom);
    }
}

TEST(CanvasText, RotatedTextRunsBottomUp)
{
    TBitmap bitmap;
    TCanvas& canvas = Page(bitmap, 60, 300);
    canvas.Font.Escapement = 900;
    canvas.TextOut(0, 299, "Wall          ");
    const TRect first = InkBox(bitmap);
    EXPECT_GT(first.Height(), first.Width());
    EXPECT_GT(first.Top, 200);
    EXPECT_LE(first.Right, canvas.TextHeight("W"));

    TBitmap later;
    TCanvas& laterCanvas = Page(later, 60, 300);
    laterCanvas.Font.Escapement = 900;
    laterCanvas.TextOut(0, 299, "          Wall");
    const TRect last = InkBox(later);
    EXPECT_LT(last.Bottom, first.Top);
}

TEST(CanvasText, TabbedTextOutMovesToTheNextStop)
{
    TBitmap tabbed;
    TCanvas& canvas = Page(tabbed, 400, 30);
    const int stops[] = {100};
    const TSize size = canvas.TabbedTextOut(10, 2, "ab\tcd\tef", stops, 10);
    EXPECT_EQ(size.cx, 200 + canvas.TextWidth("ef"));

    TBitmap placed;
    TCanvas& direct = Page(placed, 400, 30);
    direct.TextOut(10, 2, "ab");
    direct.TextOut(110, 2, "cd");
    direct.TextOut(210, 2, "ef");
    EXPECT_TRUE(SamePixels(tabbed, placed));
}

TEST(CanvasText, TextRectShowsOnlyWhatFallsInside)
{
    TBitmap bitmap;
    TCanvas& canvas = Page(bitmap, 200, 40);
    canvas.TextRect(Rect(10, 0, 30, 40), 0, 5, "WWWWWWWW");
    const TRect ink = InkBox(bitmap);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 30);
    EXPECT_GT(ink.Width(), 10);
}
