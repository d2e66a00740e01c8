#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <gtest/gtest.h>

// Whole-bitmap fills of narrow, tall bitmaps run as one long stream whose rows are shorter than a
// cache line: every pixel must still get the colour, and nothing may be read past the pattern.
TEST(Raster, LongFillsOfNarrowRowsColourEveryPixel)
{
    struct Case {
        TPixelFormat format;
        int width, height;
    };
    for (const Case& c : {Case{pf32bit, 15, 200}, Case{pf32bit, 1, 4000}, Case{pf24bit, 4, 1000},
                          Case{pf16bit, 2, 3000}, Case{pf32bit, 17, 300}}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.format);
        bitmap.SetSize(c.width, c.height);
        TCanvas& canvas = bitmap.Canvas();
        canvas.Brush.Color = RGB(0x10, 0x80, 0xF0);
        canvas.FillRect(Rect(0, 0, c.width, c.height));
        const TColor expected = canvas.Pixel(0, 0);
        EXPECT_NE(expected, clWhite);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(canvas.Pixel(x, y), expected) << c.width << "x" << c.height << " at " << x << "," << y;
    }
}
