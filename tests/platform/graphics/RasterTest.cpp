#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <cstdint>

// Whole-bitmap fills of narrow, tall bitmaps run as one long stream whose rows are shorter than a
// cache line: every pixel must still get the colour, and nothing may be read past the pattern.
TEST(Raster, LongFillsOfNarrowRowsColourEveryPixel)
{
    struct Case {
        TPixelFormat format;
        int width, height;
    };
    for (const Case& c : {Case{pf32bit, 15, 200}, Case{pf32bit, 1, 4000}, Case{pf24bit, 4, 1000},
                          Case{pf16bit, 2, 3000}, Case{pf32bit, 17, 300},
                          Case{pf32bit, 15, 600'000}}) {
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

// Solid fills write whole rows (and whole bytes of packed pixels): for every format, runs starting
// and ending at every place within a byte, the result is the one pixel-by-pixel writes give, and
// the pixels beside the run keep their values.
TEST(Raster, RowFillsMatchPixelByPixelWritesInEveryFormat)
{
    constexpr int Width = 37;
    constexpr int Height = 2;
    for (const TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        for (const TColor color : {TColor{clBlack}, TColor{clWhite}, TColor{RGB(0x10, 0x80, 0xF0)}}) {
            for (int left = 0; left < 9; ++left) {
                for (const int right : {left, left + 1, left + 2, left + 7, left + 8, left + 9, left + 17, Width}) {
                    TBitmap filled;
                    filled.SetPixelFormat(format);
                    filled.SetSize(Width, Height);
                    for (int y = 0; y < Height; ++y)
                        for (int x = 0; x < Width; ++x)
                            filled.SetPixelValue(x, y, static_cast<std::uint32_t>(x * 0x2F1B + y * 0x51));
                    TBitmap expected;
                    expected.Assign(filled);
                    const TRect rect = Rect(left, 0, right, 1);
                    const std::uint32_t value = filled.ValueOfColor(color);
                    for (int x = left; x < right; ++x)
                        expected.SetPixelValue(x, 0, value);
                    filled.Canvas().Brush.Color = color;
                    filled.Canvas().FillRect(rect);
                    for (int y = 0; y < Height; ++y)
                        for (int x = 0; x < Width; ++x)
                            ASSERT_EQ(filled.PixelValue(x, y), expected.PixelValue(x, y))
                                << "format " << format << " colour " << color << " run " << left << ".." << right
                                << " at " << x << "," << y;
                }
            }
        }
    }
}
