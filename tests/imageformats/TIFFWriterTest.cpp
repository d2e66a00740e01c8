#include "imageformats/TIFFWriter.h"
#include "platform/core/FilePaths.h"

#include "FilledBitmaps.h"
#include "ImageTestSupport.h"
#include "TestSupport.h"
#include "testing/ScriptedUi.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string bytes;
    for (unsigned value : values)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

// A little-endian directory entry: tag, type, count 1 (3 for BitsPerSample), value.
std::string Entry(unsigned tag, unsigned type, unsigned value)
{
    return Bytes({tag & 0xFF, tag >> 8, type, 0, tag == 258 ? 3u : 1u, 0, 0, 0, value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF, value >> 24});
}

std::string IntelHead(unsigned width, unsigned height)
{
    const unsigned strip = width * 3 * height, resolutions = 164 + strip + strip % 2;
    return Bytes({'I', 'I', 42, 0, 8, 0, 0, 0, 12, 0}) + Entry(256, 4, width) + Entry(257, 4, height) +
           Entry(258, 3, 158) + Entry(259, 3, 1) + Entry(262, 3, 2) + Entry(273, 4, 164) + Entry(277, 3, 3) +
           Entry(278, 3, height) + Entry(279, 4, strip) + Entry(282, 5, resolutions) + Entry(283, 5, resolutions + 8) +
           Entry(284, 3, 1) + Bytes({0, 0, 0, 0, 8, 0, 8, 0, 8, 0});
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

RgbImage ReadByLibtiff(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (!tiff)
        return {};
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<std::uint32_t> raster(std::size_t{width} * height);
    EXPECT_EQ(TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0), 1);
    TIFFClose(tiff);
    RgbImage image{static_cast<int>(width), static_cast<int>(height), {}};
    for (std::uint32_t pixel : raster)
        image.pixels.push_back({static_cast<std::uint8_t>(TIFFGetR(pixel)), static_cast<std::uint8_t>(TIFFGetG(pixel)),
                                static_cast<std::uint8_t>(TIFFGetB(pixel))});
    return image;
}

TEST(TIFFWriter, WritesTheFixedLayoutByteForByte)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    FillPlain(bitmap, 1, 1, RGB(0x10, 0x20, 0x30));
    // An odd strip: one zero byte before the resolutions.
    EXPECT_EQ(Written(bitmap), IntelHead(1, 1) + Bytes({0x10, 0x20, 0x30, 0}) + Resolutions);
    // Rows of 15 bytes, not the padded 16 of the bitmap.
    Fill(bitmap, 5, 2, [](int x, int y) { return RGB(x * 40, y * 100, 7); });
    std::string strip;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            strip += Bytes({x * 40u, y * 100u, 7});
    EXPECT_EQ(Written(bitmap), IntelHead(5, 2) + strip + Resolutions);
    bitmap.SetSize(640, 480);
    const std::string file = Written(bitmap);
    EXPECT_EQ(file.size(), 164u + 921600u + 16u);
    EXPECT_EQ(file.substr(0, 164), IntelHead(640, 480));
}

TEST(TIFFWriter, LibtiffReadsWhatEveryFormatAndByteOrderGives)
{
    const RgbImage source = StripedImage(13, 9, 7);
    for (TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit})
        for (auto order : {TIFFWriter::ByteOrder::Intel, TIFFWriter::ByteOrder::Motorola}) {
            SCOPED_TRACE(testing::Message() << "format " << format << " order " << static_cast<int>(order));
            TBitmap bitmap;
            bitmap.SetPixelFormat(format);
            Fill(bitmap, 13, 9,
                 [&source](int x, int y) { return RGB(source.At(x, y).r, source.At(x, y).g, source.At(x, y).b); });
            TemporaryFolder folder;
            WriteWholeFile(folder.File("p.tif"), Written(bitmap, order));
            EXPECT_EQ(ReadWholeFile(folder.File("p.tif")).substr(0, 2),
                      order == TIFFWriter::ByteOrder::Intel ? "II" : "MM");
            ExpectSameImage(ReadByLibtiff(folder.File("p.tif")), RgbOf(bitmap), "libtiff");
        }

    // Above 65535 rows the row count is a LONG; tiffdump shows every tag.
    TBitmap tall;
    Fill(tall, 1, 70000, [](int, int y) { return RGB(y & 0xFF, (y >> 8) & 0xFF, 3); });
    TemporaryFolder folder;
    WriteWholeFile(folder.File("tall.tif"), Written(tall));
    const std::string dump = RunTool("tiffdump " + folder.File("tall.tif"));
    for (const char* line : {"ImageWidth (256) LONG (4) 1<1>", "ImageLength (257) LONG (4) 1<70000>",
                             "BitsPerSample (258) SHORT (3) 3<8 8 8>", "Compression (259) SHORT (3) 1<1>",
                             "Photometric (262) SHORT (3) 1<2>", "StripOffsets (273) LONG (4) 1<164>",
                             "SamplesPerPixel (277) SHORT (3) 1<3>", "RowsPerStrip (278) LONG (4) 1<70000>",
                             "StripByteCounts (279) LONG (4) 1<210000>", "XResolution (282) RATIONAL (5) 1<75>",
                             "YResolution (283) RATIONAL (5) 1<75>", "PlanarConfig (284) SHORT (3) 1<1>"})
        EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
    ExpectSameImage(ReadByLibtiff(folder.File("tall.tif")), RgbOf(tall), "libtiff");
}

TEST(TIFFWriter, ReportsEachFailureAndKeepsTheOldFile)
{
    // 164 + strip + pad + 16 must stay within 32-bit offsets.
    EXPECT_EQ(TIFFWriter::FileSize(1431655704, 1), 4294967292u);
    EXPECT_EQ(TIFFWriter::FileSize(1431655705, 1), 4294967296u);

    ScriptedUi ui;
    TemporaryFolder folder;
    TBitmap bitmap;
    FillPlain(bitmap, 300, 300, clBlue);
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("missing/x.tif"), bitmap));
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("empty.tif"), TBitmap()));
    WriteWholeFile(folder.File("old.tif"), "the old picture");
    {
        FileSizeLimit limit(4096);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(TIFFWriter().WriteBitmap(folder.File("old.tif"), bitmap));
    }
    EXPECT_EQ(ReadWholeFile(folder.File("old.tif")), "the old picture");
    EXPECT_EQ(ListFiles(folder.Path()), std::vector<std::string>{"old.tif"});
    std::vector<std::string> boxes;
    for (const ScriptedUi::Call& call : ui.Calls())
        boxes.push_back(call.text + " / " + call.caption + " / " + std::to_string(static_cast<int>(call.icon)));
    const std::string warning = std::to_string(static_cast<int>(MsgIcon::Exclamation));
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"Can not open file / Error / " + warning, "operation failed / rGDIB error / 0",
                                        "Can not write file / Error / " + warning}));
}

} // namespace
