#include "imageformats/TIFFWriter.h"
#include "platform/core/FilePaths.h"

#include "FilledBitmaps.h"
#include "ImageTestSupport.h"
#include "TestSupport.h"
#include "testing/ScriptedUi.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

// A 12-byte little-endian directory entry.
std::string Entry(int tag, int type, int count, std::uint32_t value)
{
    return Bytes({tag & 0xFF, tag >> 8, type, 0, count, 0, 0, 0, static_cast<int>(value & 0xFF),
                  static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF),
                  static_cast<int>(value >> 24)});
}

// The whole head of an Intel file, as the layout fixes it.
std::string IntelHead(std::uint32_t width, std::uint32_t height)
{
    const std::uint32_t strip = width * 3 * height;
    const std::uint32_t resolutions = 164 + strip + strip % 2;
    return Bytes({'I', 'I', 42, 0, 8, 0, 0, 0, 12, 0}) + Entry(256, 4, 1, width) + Entry(257, 4, 1, height) +
           Entry(258, 3, 3, 158) + Entry(259, 3, 1, 1) + Entry(262, 3, 1, 2) + Entry(273, 4, 1, 164) +
           Entry(277, 3, 1, 3) + Entry(278, 3, 1, height) + Entry(279, 4, 1, strip) + Entry(282, 5, 1, resolutions) +
           Entry(283, 5, 1, resolutions + 8) + Entry(284, 3, 1, 1) + Bytes({0, 0, 0, 0, 8, 0, 8, 0, 8, 0});
}

const std::string Resolutions = Bytes({75, 0, 0, 0, 1, 0, 0, 0, 75, 0, 0, 0, 1, 0, 0, 0});

std::string Written(const TBitmap& bitmap, TIFFWriter::ByteOrder order = TIFFWriter::ByteOrder::Intel)
{
    TemporaryFolder folder;
    TIFFWriter writer;
    writer.byteOrder = order;
    EXPECT_TRUE(writer.WriteBitmap(folder.File("out.tif"), bitmap));
    return ReadWholeFile(folder.File("out.tif"));
}

// What libtiff itself reads from the file.
RgbImage ReadByLibtiff(const std::string& path)
{
    RgbImage image;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff) {
        ADD_FAILURE() << "libtiff cannot open " << path;
        return image;
    }
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
    EXPECT_EQ(TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0), 1);
    TIFFClose(tiff);
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    for (std::uint32_t pixel : raster)
        image.pixels.push_back({static_cast<std::uint8_t>(TIFFGetR(pixel)), static_cast<std::uint8_t>(TIFFGetG(pixel)),
                                static_cast<std::uint8_t>(TIFFGetB(pixel))});
    return image;
}

TEST(TIFFWriter, WritesTheFixedLayoutByteForByte)
{
    TBitmap one;
    one.SetPixelFormat(pf24bit);
    FillPlain(one, 1, 1, RGB(0x10, 0x20, 0x30));
    // An odd strip: one zero byte before the resolutions.
    EXPECT_EQ(Written(one), IntelHead(1, 1) + Bytes({0x10, 0x20, 0x30, 0}) + Resolutions);

    TBitmap five;
    five.SetPixelFormat(pf24bit);
    Fill(five, 5, 2, [](int x, int y) { return RGB(x * 40, y * 100, 7); });
    std::string strip;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            strip += Bytes({x * 40, y * 100, 7});
    EXPECT_EQ(strip.size(), 30u); // rows of 15 bytes, not the 16 of padded rows
    EXPECT_EQ(Written(five), IntelHead(5, 2) + strip + Resolutions);

    TBitmap vga;
    vga.SetPixelFormat(pf24bit);
    vga.SetSize(640, 480);
    const std::string file = Written(vga);
    ASSERT_EQ(file.size(), 164u + 921600u + 16u);
    EXPECT_EQ(file.substr(0, 164), IntelHead(640, 480));
    EXPECT_EQ(file.substr(164, 921600), std::string(921600, '\xFF'));
}

TEST(TIFFWriter, TiffdumpShowsTheTags)
{
    TemporaryFolder folder;
    TBitmap bitmap;
    FillPlain(bitmap, 7, 3, clRed);
    ASSERT_TRUE(TIFFWriter().WriteBitmap(folder.File("dump.tif"), bitmap));
    const std::string dump = RunTool("tiffdump " + folder.File("dump.tif"));
    for (const char* line :
         {"ImageWidth (256) LONG (4) 1<7>", "ImageLength (257) LONG (4) 1<3>", "BitsPerSample (258) SHORT (3) 3<8 8 8>",
          "Compression (259) SHORT (3) 1<1>", "Photometric (262) SHORT (3) 1<2>", "StripOffsets (273) LONG (4) 1<164>",
          "SamplesPerPixel (277) SHORT (3) 1<3>", "RowsPerStrip (278) SHORT (3) 1<3>",
          "StripByteCounts (279) LONG (4) 1<63>", "XResolution (282) RATIONAL (5) 1<75>",
          "YResolution (283) RATIONAL (5) 1<75>", "PlanarConfig (284) SHORT (3) 1<1>"})
        EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
}

TEST(TIFFWriter, LibtiffReadsTheSamePixelsInEveryFormatAndOrder)
{
    const RgbImage source = StripedImage(13, 9, 7);
    const auto colorAt = [&source](int x, int y) {
        const Rgb& pixel = source.At(x, y);
        return RGB(pixel.r, pixel.g, pixel.b);
    };
    for (TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit})
        for (TIFFWriter::ByteOrder order : {TIFFWriter::ByteOrder::Intel, TIFFWriter::ByteOrder::Motorola}) {
            SCOPED_TRACE(testing::Message() << "format " << format << " order " << static_cast<int>(order));
            TBitmap bitmap;
            bitmap.SetPixelFormat(format);
            Fill(bitmap, source.width, source.height, colorAt);
            TemporaryFolder folder;
            TIFFWriter writer;
            writer.byteOrder = order;
            ASSERT_TRUE(writer.WriteBitmap(folder.File("p.tif"), bitmap));
            EXPECT_EQ(ReadWholeFile(folder.File("p.tif")).substr(0, 2),
                      order == TIFFWriter::ByteOrder::Intel ? "II" : "MM");
            ExpectSameImage(ReadByLibtiff(folder.File("p.tif")), RgbOf(bitmap), "libtiff");
        }
}

TEST(TIFFWriter, TallPicturesCountTheirRowsInALong)
{
    TBitmap tall;
    tall.SetPixelFormat(pf24bit);
    Fill(tall, 1, 70000, [](int, int y) { return RGB(y & 0xFF, (y >> 8) & 0xFF, 3); });
    TemporaryFolder folder;
    ASSERT_TRUE(TIFFWriter().WriteBitmap(folder.File("tall.tif"), tall));
    EXPECT_NE(RunTool("tiffdump " + folder.File("tall.tif")).find("RowsPerStrip (278) LONG (4) 1<70000>"),
              std::string::npos);
    ExpectSameImage(ReadByLibtiff(folder.File("tall.tif")), RgbOf(tall), "libtiff");
}

TEST(TIFFWriter, RefusesFilesBeyondThirtyTwoBitOffsets)
{
    // 164 + strip + pad + 16 must stay within 2^32 - 1.
    EXPECT_EQ(TIFFWriter::FileSize(1, 1), 184u);
    EXPECT_EQ(TIFFWriter::FileSize(1431655704, 1), 4294967292u);
    // An odd strip's pad byte counts.
    EXPECT_EQ(TIFFWriter::FileSize(1431655705, 1), 4294967296u);
    EXPECT_GT(TIFFWriter::FileSize(65535, 65535), 4294967295u);
}

TEST(TIFFWriter, ReportsEachFailureAndKeepsTheOldFile)
{
    ScriptedUi ui;
    TemporaryFolder folder;
    TBitmap bitmap;
    FillPlain(bitmap, 300, 300, clBlue);

    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("missing/x.tif"), bitmap));

    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("empty.tif"), TBitmap()));
    EXPECT_FALSE(FileExists(folder.File("empty.tif")));

    WriteWholeFile(folder.File("old.tif"), "the old picture");
    {
        FileSizeLimit limit(4096);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("old.tif"), bitmap));
    }
    EXPECT_EQ(ReadWholeFile(folder.File("old.tif")), "the old picture");
    EXPECT_EQ(ListFiles(folder.Path()), std::vector<std::string>{"old.tif"});

    const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Can not open file");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(boxes[1].text, "operation failed");
    EXPECT_EQ(boxes[1].caption, "rGDIB error");
    EXPECT_EQ(boxes[2].text, "Can not write file");
    EXPECT_EQ(boxes[2].caption, "Error");
    EXPECT_EQ(boxes[2].icon, MsgIcon::Exclamation);
}

} // namespace
