#include "imageformats/CUTGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "RunLengthFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fixtures;

namespace {

const std::string InvalidCut = "Cannot load image. Invalid or unexpected CUT image format.";

// 300 x 7 indexes: runs longer than a packet holds, then a different index at every pixel.
std::vector<Bytes> TestIndexes()
{
    std::vector<Bytes> rows(7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 300; ++x)
            rows[y].push_back(static_cast<std::uint8_t>(x < 200 ? 40 * y + x / 150 : x * 3 + y));
    return rows;
}

std::vector<Rgb> TestColors(int count)
{
    std::vector<Rgb> colors;
    for (int i = 0; i < count; ++i)
        colors.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)});
    return colors;
}

void ExpectIndexes(const TCUTGraphic& cut, const std::vector<Bytes>& rows)
{
    ASSERT_EQ(cut.Width(), static_cast<int>(rows[0].size()));
    ASSERT_EQ(cut.Height(), static_cast<int>(rows.size()));
    for (int y = 0; y < cut.Height(); ++y)
        for (int x = 0; x < cut.Width(); ++x)
            ASSERT_EQ(cut.PixelValue(x, y), rows[y][x]) << x << "," << y;
}

// The colours the picture shows when each index takes the palette's colour, black past its end.
RgbImage Colored(const std::vector<Bytes>& rows, const std::vector<Rgb>& colors)
{
    RgbImage image{static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
    for (const Bytes& row : rows)
        for (const std::uint8_t index : row)
            image.pixels.push_back(index < colors.size() ? colors[index] : Rgb{});
    return image;
}

RgbImage Greys(const std::vector<Bytes>& rows)
{
    std::vector<Rgb> greys;
    for (int i = 0; i < 256; ++i)
        greys.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)});
    return Colored(rows, greys);
}

} // namespace

// Without a palette file ImageMagick shows the indexes as greys, and so do we.
TEST(CUTGraphic, DecodesAsImageMagickDoesWithoutAPalette)
{
    TemporaryFolder folder;
    const std::vector<Bytes> rows = TestIndexes();
    WriteWholeFile(folder.File("shelf.cut"), CutFile(rows));
    TCUTGraphic cut;
    cut.LoadFromFile(folder.File("shelf.cut"));
    ExpectIndexes(cut, rows);
    EXPECT_EQ(cut.PixelFormat(), pf8bit);
    ExpectSameImage(RgbOf(cut), Greys(rows), "no palette");
    ExpectSameImage(RgbOf(cut), DecodedBy("/usr/bin/convert " + folder.File("shelf.cut") + " ppm:-"), "ImageMagick");
    const TImageProperties& properties = cut.ImageProperties();
    EXPECT_EQ(properties.ColorScheme, csIndexed);
    EXPECT_EQ(properties.BitsPerPixel, 8);
    EXPECT_EQ(properties.Compression, ctRLE);
}

// Entries continue at the start of the next block when fewer than six bytes are left in one; at
// most 256 are taken, and those a short file lacks stay black.
TEST(CUTGraphic, TakesItsColoursFromThePaletteFileBesideIt)
{
    TemporaryFolder folder;
    const std::vector<Bytes> rows = TestIndexes();
    WriteWholeFile(folder.File("a.cut"), CutFile(rows));
    const auto loaded = [&](const std::string& palette) {
        WriteWholeFile(folder.File("a.pal"), palette);
        TCUTGraphic cut;
        cut.LoadFromFile(folder.File("a.cut"));
        return RgbOf(cut);
    };
    // 78 entries fill the first block, so entry 78 starts the second.
    const std::vector<Rgb> hundred = TestColors(100);
    ASSERT_EQ(CutPalette(hundred).substr(512, 2), "\x4e\xab");
    ExpectSameImage(loaded(CutPalette(hundred)), Colored(rows, hundred), "100 entries");
    const std::vector<Rgb> many = TestColors(300);
    ExpectSameImage(loaded(CutPalette(many)), Colored(rows, TestColors(256)), "300 entries");
    const std::string shortFile = CutPalette(hundred).substr(0, 40 + 6 * 10 + 3);
    ExpectSameImage(loaded(shortFile), Colored(rows, TestColors(10)), "cut after 10 entries");
    ExpectSameImage(loaded("AH"), Colored(rows, {}), "no header");
}

// Files copied from Windows keep their capitals; a stream has no palette file beside it, and a
// file's palette is not kept for a later stream.
TEST(CUTGraphic, FindsThePaletteInAnyCaseAndShowsStreamsInGrey)
{
    TemporaryFolder folder;
    const std::vector<Bytes> rows = TestIndexes();
    const std::vector<Rgb> colors = TestColors(256);
    WriteWholeFile(folder.File("x.cut"), CutFile(rows));
    WriteWholeFile(folder.File("X.PAL"), CutPalette(colors));
    TCUTGraphic cut;
    cut.LoadFromFile(folder.File("x.cut"));
    ExpectSameImage(RgbOf(cut), Colored(rows, colors), "X.PAL");
    LoadFromBytes(cut, CutFile(rows));
    ExpectSameImage(RgbOf(cut), Greys(rows), "stream");
    EXPECT_THROW(cut.LoadFromFile(folder.File("missing.cut")), EFOpenError);
    LoadFromBytes(cut, CutFile(rows));
    ExpectSameImage(RgbOf(cut), Greys(rows), "stream after a failed open");
    TMemoryStream stream;
    stream.Write(CutFile(rows).data(), 10);
    stream.SetPosition(0);
    EXPECT_FALSE(cut.CanLoad(stream));
}

// Rows the data do not reach stay at index 0; a short header is refused and leaves the picture.
TEST(CUTGraphic, DamagedFilesLoadWhatTheyHoldOrRaiseReaderErrors)
{
    const std::vector<Bytes> rows = TestIndexes();
    const std::string file = CutFile(rows);
    TCUTGraphic cut;
    LoadFromBytes(cut, file.substr(0, 6 + CutRow(rows[0]).size() + CutRow(rows[1]).size()));
    for (int x = 0; x < 300; ++x) {
        ASSERT_EQ(cut.PixelValue(x, 1), rows[1][x]) << x;
        ASSERT_EQ(cut.PixelValue(x, 2), 0u) << x;
    }
    const RgbImage before = RgbOf(cut);
    std::vector<std::string> events;
    TCUTGraphic watched;
    RecordProgress(watched, events);
    LoadFromBytes(watched, file);
    EXPECT_EQ(events.front(), "0 0 0 0,0,300,1 Transfering...") << "one stage";
    EXPECT_EQ(LoadError(cut, file.substr(0, 5)), InvalidCut);
    EXPECT_EQ(LoadError(cut, std::string("\0\0\x05\0\0\0", 6)), InvalidCut);
    // 65535 x 8000 pixels that 6 bytes could never fill, at 128 bytes each at most.
    EXPECT_EQ(LoadError(cut, std::string("\xFF\xFF\x40\x1F\0\0", 6)), InvalidCut);
    EXPECT_TRUE(RgbOf(cut) == before);
    for (const std::size_t length : CutLengths(file.size()))
        EXPECT_EQ(LoadError(cut, file.substr(0, length)),
                  length < 6 || 128 * length < 300 * 7 ? InvalidCut : "(loaded)")
            << length;
    ForEachBitFlip(file, 600, 6, [&](const std::string& bytes) { LoadError(cut, bytes); });
}
