#include "imageformats/AutodeskGraphic.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int Width = 37;
constexpr int Height = 11;

std::string Le16(int value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)}; }

// No tool writes Autodesk files: the test builds one. Palette entry i holds the 6-bit levels i, 63 - i
// and i * 5 (each modulo 64); the pixel at (x, y) is entry (x * 7 + y * 13) mod 256.
int IndexAt(int x, int y) { return (x * 7 + y * 13) % 256; }
Rgb ColorOf(int index)
{
    return {static_cast<std::uint8_t>(4 * (index % 64)), static_cast<std::uint8_t>(4 * (63 - index % 64)),
            static_cast<std::uint8_t>(4 * (index * 5 % 64))};
}

std::string AutodeskFile(int bits = 8, int compression = 0)
{
    std::string bytes = Le16(0x9119) + Le16(Width) + Le16(Height) + Le16(3) + Le16(4) + static_cast<char>(bits) +
                        static_cast<char>(compression) + Le16(Width * Height) + Le16(0) + std::string(16, '\0');
    for (int i = 0; i < 256; ++i)
        bytes += {static_cast<char>(i % 64), static_cast<char>(63 - i % 64), static_cast<char>(i * 5 % 64)};
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            bytes += static_cast<char>(IndexAt(x, y));
    return bytes;
}

RgbImage Expected()
{
    RgbImage image{Width, Height, {}};
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.pixels.push_back(ColorOf(IndexAt(x, y)));
    return image;
}

} // namespace

TEST(AutodeskGraphic, ReadsTheRowsTopDownInTheColoursOfTheSixBitPalette)
{
    const std::string file = AutodeskFile();
    TAutodeskGraphic cel;
    LoadFromBytes(cel, file);
    EXPECT_EQ(cel.PixelFormat(), pf8bit);
    // Level 63 becomes 252, not 255: each level is multiplied by four.
    EXPECT_EQ(cel.Palette().Entries.at(0).peGreen, 252);
    EXPECT_EQ(cel.Palette().Entries.at(63).peRed, 252);
    ExpectSameImage(RgbOf(cel), Expected(), "built cel");

    // Other depths and compressed files would be misread as bytes, and are refused.
    EXPECT_EQ(LoadError(cel, AutodeskFile(4)), "Invalid color format in Autodesk file.");
    EXPECT_EQ(LoadError(cel, AutodeskFile(8, 1)),
              "Cannot load image. The compression scheme is not supported for Autodesk files.");
    EXPECT_EQ(LoadError(cel, "\x19\x92" + file.substr(2)),
              "Cannot load image. Invalid or unexpected Autodesk image format.");
    EXPECT_EQ(LoadError(cel, file.substr(0, 31)), "Cannot load image. Invalid or unexpected Autodesk image format.");
    EXPECT_EQ(LoadError(cel, file.substr(0, 32 + 767)), "Stream read error in Autodesk file.");
    EXPECT_EQ(LoadError(cel, AutodeskFile().replace(2, 2, Le16(0))),
              "Cannot load image. Invalid or unexpected Autodesk image format.");
    // None of them changed the picture.
    ExpectSameImage(RgbOf(cel), Expected(), "after refusals");

    EXPECT_TRUE(CanLoadBytes(TAutodeskGraphic(), file.substr(0, 33)));
    EXPECT_FALSE(CanLoadBytes(TAutodeskGraphic(), file.substr(0, 32)));
    EXPECT_FALSE(CanLoadBytes(TAutodeskGraphic(), AutodeskFile(4)));
    EXPECT_FALSE(CanLoadBytes(TAutodeskGraphic(), AutodeskFile(8, 1)));
}

// Rows cut short leave the rest of the picture at index 0; cut or flipped files load or raise the
// readers' errors.
TEST(AutodeskGraphic, DamagedFilesLoadWhatTheyHoldOrRaiseReaderErrors)
{
    const std::string file = AutodeskFile();
    const std::size_t rows = 32 + 768;
    TAutodeskGraphic cel;
    LoadFromBytes(cel, file.substr(0, rows + 2 * Width + 5));
    for (int x = 0; x < Width; ++x) {
        ASSERT_EQ(cel.PixelValue(x, 1), static_cast<std::uint32_t>(IndexAt(x, 1))) << x;
        ASSERT_EQ(cel.PixelValue(x, 2), x < 5 ? static_cast<std::uint32_t>(IndexAt(x, 2)) : 0u) << x;
        ASSERT_EQ(cel.PixelValue(x, Height - 1), 0u) << x;
    }
    for (const std::size_t length : CutLengths(file.size())) {
        const std::string expected = length < 32     ? "Cannot load image. Invalid or unexpected Autodesk image format."
                                     : length < rows ? "Stream read error in Autodesk file."
                                                     : "(loaded)";
        EXPECT_EQ(LoadError(cel, file.substr(0, length)), expected) << length;
    }
    // 65535 x 8000 pixels that the header and palette alone could never fill.
    std::string hostile = file.substr(0, rows);
    hostile.replace(2, 4, "\xFF\xFF\x40\x1F");
    EXPECT_EQ(LoadError(cel, hostile), "Cannot load image. Invalid or unexpected Autodesk image format.");
    ForEachBitFlip(file, 800, 32, [](const std::string& bytes) {
        TAutodeskGraphic flipped;
        LoadError(flipped, bytes);
    });
}
