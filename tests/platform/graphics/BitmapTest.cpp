#include "platform/graphics/Bitmap.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const TPixelFormat AllFormats[] = {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};

TBitmap& MakeBitmap(TBitmap& bitmap, TPixelFormat format, int width, int height)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    return bitmap;
}

} // namespace

TEST(Bitmap, ScanLinesArePaddedToFourBytes)
{
    const struct {
        TPixelFormat format;
        int width;
        int stride;
    } cases[] = {{pf1bit, 1, 4},   {pf1bit, 32, 4},  {pf1bit, 33, 8},  {pf4bit, 8, 4},  {pf4bit, 9, 8},
                 {pf8bit, 5, 8},   {pf15bit, 2, 4},  {pf15bit, 3, 8},  {pf16bit, 3, 8}, {pf24bit, 1, 4},
                 {pf24bit, 5, 16}, {pf32bit, 3, 12}, {pfDevice, 3, 12}};
    for (const auto& c : cases) {
        TBitmap bitmap;
        MakeBitmap(bitmap, c.format, c.width, 3);
        EXPECT_EQ(bitmap.BytesPerScanLine(), c.stride) << c.format << " " << c.width;
        EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), c.stride);
    }
}

TEST(Bitmap, PixelsArePackedAsInADib)
{
    TBitmap b1;
    MakeBitmap(b1, pf1bit, 10, 1).SetPixel(0, 0, clBlack);
    b1.SetPixel(9, 0, clBlack);
    EXPECT_EQ(b1.ScanLine(0)[0], 0x7F); // leftmost pixel in the high bit
    EXPECT_EQ(b1.ScanLine(0)[1] & 0xC0, 0x80);

    TBitmap b4;
    MakeBitmap(b4, pf4bit, 3, 1).SetPixel(0, 0, clRed);
    b4.SetPixel(1, 0, clBlue);
    EXPECT_EQ(b4.ScanLine(0)[0], 0x9C); // VGA red 9 high, blue 12 low

    TBitmap b15;
    MakeBitmap(b15, pf15bit, 1, 1).SetPixel(0, 0, static_cast<TColor>(RGB(0xFF, 0x08, 0x10)));
    EXPECT_EQ(b15.ScanLine(0)[0] | (b15.ScanLine(0)[1] << 8), (31 << 10) | (1 << 5) | 2);

    TBitmap b16;
    MakeBitmap(b16, pf16bit, 1, 1).SetPixel(0, 0, static_cast<TColor>(RGB(0x08, 0xFF, 0x10)));
    EXPECT_EQ(b16.ScanLine(0)[0] | (b16.ScanLine(0)[1] << 8), (1 << 11) | (63 << 5) | 2);

    TBitmap b24;
    MakeBitmap(b24, pf24bit, 1, 1).SetPixel(0, 0, static_cast<TColor>(RGB(1, 2, 3)));
    EXPECT_EQ(std::vector<int>(b24.ScanLine(0), b24.ScanLine(0) + 3), (std::vector<int>{3, 2, 1}));

    TBitmap b32;
    MakeBitmap(b32, pf32bit, 1, 1).SetPixel(0, 0, static_cast<TColor>(RGB(1, 2, 3)));
    EXPECT_EQ(std::vector<int>(b32.ScanLine(0), b32.ScanLine(0) + 4), (std::vector<int>{3, 2, 1, 0}));
}

TEST(Bitmap, NewAndEnlargedPixelsAreWhite)
{
    for (TPixelFormat format : AllFormats) {
        TBitmap bitmap;
        MakeBitmap(bitmap, format, 5, 3);
        bitmap.SetPixel(1, 1, clBlack);
        bitmap.SetSize(9, 6);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(bitmap.Pixel(x, y), x == 1 && y == 1 ? clBlack : clWhite) << format << " " << x << "," << y;
    }
}

TEST(Bitmap, LargeStorageKeepsThePixelsThroughResizesCopiesAndMoves)
{
    // 40 MB of pixels, taken from the system apart from the ordinary heap.
    TBitmap large;
    MakeBitmap(large, pf32bit, 5000, 2000);
    large.SetPixel(4999, 1999, clRed);
    large.SetSize(5000, 2100);
    EXPECT_EQ(large.Pixel(4999, 1999), clRed);
    EXPECT_EQ(large.Pixel(4999, 2099), clWhite);
    TBitmap copy;
    copy.Assign(large);
    TBitmap moved;
    moved.TakeOver(copy);
    EXPECT_EQ(moved.Pixel(4999, 1999), clRed);
    moved.SetSize(10, 10);
    EXPECT_EQ(moved.Pixel(9, 9), clWhite);
}

TEST(Bitmap, ResizeKeepsFormatPaletteAndTheCommonArea)
{
    TBitmap bitmap;
    TPalette palette = TPalette::Grayscale();
    bitmap.SetPalette(palette); // before format and size
    bitmap.SetPixelFormat(pf8bit);
    bitmap.SetSize(4, 4);
    EXPECT_EQ(bitmap.Palette(), palette);
    bitmap.ScanLine(3)[2] = 77;
    bitmap.SetWidth(3);
    bitmap.SetHeight(10);
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(bitmap.Palette(), palette);
    EXPECT_EQ(bitmap.ScanLine(3)[2], 77);
    EXPECT_EQ(bitmap.ScanLine(9)[0], 255);
    bitmap.SetSize(0, 0);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Palette(), palette);
}

TEST(Bitmap, ConversionsKeepColours)
{
    const TColor colours[] = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clFuchsia, clAqua};
    for (TPixelFormat from : AllFormats)
        for (TPixelFormat to : {pf15bit, pf16bit, pf24bit, pf32bit, pfDevice, pf4bit, pf8bit}) {
            TBitmap bitmap;
            MakeBitmap(bitmap, from, 8, 2);
            for (int x = 0; x < 8; ++x)
                bitmap.SetPixel(x, 0, colours[x]);
            bitmap.SetPixelFormat(to);
            EXPECT_EQ(bitmap.PixelFormat(), to);
            const int kept = from == pf1bit ? 2 : 8; // black and white only in one bit
            for (int x = 0; x < kept; ++x)
                EXPECT_EQ(bitmap.Pixel(x, 0), colours[x]) << from << "->" << to << " " << x;
            EXPECT_EQ(bitmap.Pixel(3, 1), clWhite);
        }
}

TEST(Bitmap, OneAndFourBitsBecomeEightKeepingIndicesAndPalette)
{
    TBitmap bitmap;
    TPalette palette;
    palette.Entries = {{10, 20, 30, 0}, {10, 20, 30, 0}, {200, 0, 0, 0}}; // two equal entries
    bitmap.SetPixelFormat(pf4bit);
    bitmap.SetPalette(palette);
    bitmap.SetSize(3, 1);
    bitmap.ScanLine(0)[0] = 0x12;
    bitmap.SetPixelFormat(pf8bit);
    EXPECT_EQ(bitmap.Palette(), palette);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 1);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 2);
    EXPECT_EQ(bitmap.ScanLine(0)[2], 2); // without white in the palette, new pixels took the nearest
}

TEST(Bitmap, BoundsAndCustomFormatRaise)
{
    TBitmap bitmap;
    MakeBitmap(bitmap, pf24bit, 2, 2);
    try {
        bitmap.ScanLine(2);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);
    try {
        bitmap.SetPixelFormat(pfCustom);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Invalid pixel format");
    }
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_THROW(bitmap.SetSize(40000, 40000), EOutOfResources);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Pixel(5, 0), -1);
}

TEST(Bitmap, ImageViewSharesThePixels)
{
    for (TPixelFormat format : {pf1bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        TBitmap bitmap;
        MakeBitmap(bitmap, format, 6, 4);
        QImage view = bitmap.ImageView();
        EXPECT_EQ(view.constBits(), bitmap.ScanLine(0)) << format;
        EXPECT_EQ(view.pixelColor(2, 1), QColor(Qt::white)) << format;
        bitmap.SetPixel(2, 1, clBlack);
        EXPECT_EQ(view.pixelColor(2, 1), QColor(Qt::black)) << format;
        if (format == pf1bit || format == pf8bit)
            continue;
        QPainter painter(&view);
        painter.fillRect(0, 0, 1, 1, QColor(Qt::red));
        painter.end();
        EXPECT_EQ(bitmap.Pixel(0, 0), clRed) << format;
    }
    TBitmap four;
    MakeBitmap(four, pf4bit, 3, 2).SetPixel(1, 1, clBlue);
    const QImage copy = four.ImageView();
    EXPECT_EQ(copy.pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(copy.pixelColor(0, 0), QColor(Qt::white));
}

TEST(Bitmap, AssignCopiesAndTransparentColourFollowsTheBottomLeftPixel)
{
    TBitmap source;
    MakeBitmap(source, pf24bit, 3, 2).SetPixel(0, 1, clRed);
    source.SetTransparent(true);
    TBitmap copy;
    copy.Assign(source);
    source.SetPixel(0, 1, clBlue);
    EXPECT_EQ(copy.Pixel(0, 1), clRed);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), clRed | 0x02000000);
    copy.SetTransparentColor(clBtnFace);
    EXPECT_EQ(copy.TransparentColor(), 0x02F0F0F0);
    copy.SetTransparentColor(clDefault);
    EXPECT_EQ(copy.TransparentColor(), clRed | 0x02000000);
}

TEST(Bitmap, TakeOverMovesEverythingAssignCopiesAndLeavesAnEmptyBitmap)
{
    TBitmap source;
    TPalette palette;
    palette.Entries = {{10, 20, 30, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}};
    source.SetPalette(palette);
    MakeBitmap(source, pf4bit, 5, 3).SetPixel(4, 2, clBlue);
    source.SetTransparentColor(clLime);
    source.SetTransparent(true);
    TBitmap target;
    MakeBitmap(target, pf32bit, 40, 30);
    target.TakeOver(source);
    EXPECT_EQ(target.PixelFormat(), pf4bit);
    EXPECT_EQ(target.Width(), 5);
    EXPECT_EQ(target.BytesPerScanLine(), 4);
    EXPECT_EQ(target.Palette().Count(), 3);
    EXPECT_EQ(target.Pixel(4, 2), clBlue);
    EXPECT_EQ(target.Pixel(0, 0), clWhite);
    EXPECT_TRUE(target.Transparent());
    EXPECT_EQ(target.TransparentColor(), clLime | 0x02000000);

    EXPECT_TRUE(source.Empty());
    EXPECT_EQ(source.PixelFormat(), pf4bit);
    EXPECT_THROW(source.ScanLine(0), EInvalidGraphicOperation);
    source.SetSize(2, 2); // sized again with the default palette and white pixels
    EXPECT_EQ(source.Palette().Count(), 16);
    EXPECT_EQ(source.Pixel(1, 1), clWhite);

    target.TakeOver(target);
    EXPECT_EQ(target.Pixel(4, 2), clBlue);
}

// Row lengths past the range of an int, which once wrapped to a few bytes or went negative, are
// refused whole, whatever the height; the bitmap stays as it was.
TEST(Bitmap, RowLengthsThatWrapAnIntAreRefused)
{
    EXPECT_EQ(BytesPerScanLine(0x40000001, 32), std::int64_t{0x100000004});
    EXPECT_EQ(BytesPerScanLine(0x7FFFFFFF, 32), std::int64_t{0x1FFFFFFFC});
    const struct {
        TPixelFormat format;
        int width;
    } cases[] = {{pf32bit, 0x40000001}, {pf24bit, 0x55555556}, {pf16bit, 0x40000001},
                 {pf8bit, 0x7FFFFFFF},  {pf32bit, 0x7FFFFFFF}, {pfDevice, 0x40000001}};
    for (const auto& c : cases)
        for (int height : {0, 1}) {
            TBitmap bitmap;
            MakeBitmap(bitmap, c.format, 3, 2);
            EXPECT_THROW(bitmap.SetSize(c.width, height), EOutOfResources) << c.format << " " << c.width;
            EXPECT_EQ(bitmap.Width(), 3);
            EXPECT_EQ(bitmap.BytesPerScanLine(), static_cast<int>(BytesPerScanLine(3, BitsPerPixel(c.format))));
        }
    // A format change that would make the rows too long is refused the same way.
    TBitmap wide;
    MakeBitmap(wide, pf8bit, 0x30000000, 0);
    EXPECT_THROW(wide.SetPixelFormat(pf32bit), EOutOfResources);
    EXPECT_EQ(wide.PixelFormat(), pf8bit);
}
