#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A BMP file with a 40-byte header, built field by field.
std::string BmpFile(int width, int height, int bitCount, std::uint32_t compression, const std::string& palette,
                    const std::string& pixels)
{
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size());
    return "BM" + Le32(offset + static_cast<std::uint32_t>(pixels.size())) + Le32(0) + Le32(offset) + Le32(40) +
           Le32(static_cast<std::uint32_t>(width)) + Le32(static_cast<std::uint32_t>(height)) + Le16(1) +
           Le16(static_cast<unsigned>(bitCount)) + Le32(compression) + Le32(static_cast<std::uint32_t>(pixels.size())) +
           Le32(0) + Le32(0) + Le32(static_cast<std::uint32_t>(palette.size() / 4)) + Le32(0) + palette + pixels;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int v : values)
        bytes.push_back(static_cast<char>(v));
    return bytes;
}

RgbImage DecodeWithBmptopnm(const std::string& path)
{
    return DecodedBy("/usr/bin/bmptopnm '" + path + "' 2>/dev/null | /usr/bin/ppmtoppm");
}

// Loads with our reader and with bmptopnm; both must agree.
RgbImage LoadAndCompare(const std::string& path, TPixelFormat expectedFormat)
{
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    EXPECT_EQ(bitmap.PixelFormat(), expectedFormat) << path;
    const RgbImage ours = RgbOf(bitmap);
    EXPECT_TRUE(ours == DecodeWithBmptopnm(path)) << path;
    return ours;
}

void ExpectInvalid(const std::string& bytes, const std::string& label = "")
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(2, 2);
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    try {
        bitmap.LoadFromStream(stream);
        ADD_FAILURE() << "no exception " << label;
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid") << label;
    }
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
}

} // namespace

TEST(BmpFormat, ReadsNetpbmFilesOfEveryPaletteAndTrueColourDepth)
{
    TemporaryFolder folder;
    const struct {
        int bpp;
        int colors;
        TPixelFormat format;
    } cases[] = {{1, 2, pf1bit}, {4, 16, pf4bit}, {8, 200, pf8bit}, {24, 400, pf24bit}};
    for (const auto& c : cases) {
        const RgbImage source = StripedImage(37, 9, c.colors);
        WriteWholeFile(folder.File("in.ppm"), PpmOf(source));
        const std::string bmp = folder.File("f" + std::to_string(c.bpp) + ".bmp");
        int status = 0;
        RunCommand("/usr/bin/ppmtobmp -bpp " + std::to_string(c.bpp) + " " + folder.File("in.ppm") + " > " + bmp +
                       " 2>/dev/null",
                   &status);
        ASSERT_EQ(status, 0);
        EXPECT_TRUE(LoadAndCompare(bmp, c.format) == source) << c.bpp;
    }
}

TEST(BmpFormat, ReadsImageMagickRunLengthAndBitFieldFiles)
{
    TemporaryFolder folder;
    // ImageMagick encodes a row's padding as a run past its end, which bmptopnm refuses; a width of
    // 44 has none.
    RgbImage runs{44, 6, {}};
    for (int y = 0; y < runs.height; ++y)
        for (int x = 0; x < runs.width; ++x) {
            const int c = x < 20 ? y : (x * 7 + y) % 5; // long runs, then literal stretches
            runs.pixels.push_back({static_cast<std::uint8_t>(c * 40), static_cast<std::uint8_t>(200 - c * 30), 77});
        }
    WriteWholeFile(folder.File("runs.ppm"), PpmOf(runs));
    WriteWholeFile(folder.File("rich.ppm"), PpmOf(StripedImage(13, 7, 90)));
    const struct {
        std::string options;
        std::string input;
        TPixelFormat format;
    } cases[] = {
        {"-type Palette -compress RLE bmp3:", "runs.ppm", pf8bit},
        {"-define bmp:subtype=RGB565 ", "rich.ppm", pf16bit},
        {"-define bmp:subtype=RGB555 ", "rich.ppm", pf15bit},
        {"-alpha set -define bmp:subtype=ARGB8888 ", "rich.ppm", pf32bit},
        {"-alpha set -define bmp:subtype=ARGB4444 ", "rich.ppm", pf32bit},
    };
    for (const auto& c : cases) {
        const std::string bmp = folder.File("out.bmp");
        int status = 0;
        RunCommand("/usr/bin/convert " + folder.File(c.input) + " " + c.options + bmp, &status);
        ASSERT_EQ(status, 0) << c.options;
        const std::string bytes = ReadWholeFile(bmp);
        ASSERT_EQ(bytes[30], c.format == pf8bit ? 1 : 3) << "expected BI_RLE8 or BI_BITFIELDS";
        const RgbImage ours = LoadAndCompare(bmp, c.format);
        if (c.format == pf8bit) {
            EXPECT_TRUE(ours == runs);
        }
    }
}

TEST(BmpFormat, ReadsHandMadeRunLength4AndSixteenBitFiles)
{
    TemporaryFolder folder;
    const std::string palette = Bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});
    // Every row whole, as bmptopnm wants it: encoded pairs, and literals padded to a word.
    const std::string path = folder.File("rle4.bmp");
    WriteWholeFile(
        path, BmpFile(10, 3, 4, 2, palette, Bytes({5, 0x12, 0, 3, 0x31, 0x00, 2,    0x03, 0, 0,    10, 0x33, 0, 0,
                                                   4, 0x22, 0, 5, 0x12, 0x31, 0x20, 0,    1, 0x11, 0,  0,    0, 1})));
    TBitmap bitmap;
    bitmap.LoadFromFile(path);
    EXPECT_EQ(bitmap.PixelFormat(), pf4bit);
    const TColor expectedBottom[] = {clRed, clLime, clRed, clLime, clRed, clBlue, clRed, clBlack, clBlack, clBlue};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(bitmap.Pixel(x, 2), expectedBottom[x]) << x;
    EXPECT_TRUE(RgbOf(bitmap) == DecodeWithBmptopnm(path));

    // Early line ends and a delta (right 2, up 1): the pixels they pass keep index 0.
    TMemoryStream stream;
    const std::string moves = BmpFile(10, 3, 4, 2, palette, Bytes({5, 0x12, 0, 0, 0, 2, 2, 1, 2, 0x22, 0, 1}));
    stream.WriteBuffer(moves.data(), static_cast<std::int64_t>(moves.size()));
    stream.SetPosition(0);
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Pixel(4, 2), clRed);
    EXPECT_EQ(bitmap.Pixel(5, 2), clBlack);
    EXPECT_EQ(bitmap.Pixel(1, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(2, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(3, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(4, 0), clBlack);

    // 16-bit without bit fields is 5-5-5: 0x7C00 red, 0x03E0 green, 0x001F blue, 0x4210 grey.
    const std::string words =
        Le16(0x7C00) + Le16(0x03E0) + Le16(0x001F) + Le16(0) + Le16(0x4210) + Le16(0x7FFF) + Le16(0x0421) + Le16(0);
    const std::string path16 = folder.File("rgb16.bmp");
    WriteWholeFile(path16, BmpFile(3, 2, 16, 0, "", words));
    bitmap.LoadFromFile(path16);
    EXPECT_EQ(bitmap.PixelFormat(), pf15bit);
    EXPECT_EQ(bitmap.Pixel(0, 1), clRed);
    EXPECT_EQ(bitmap.Pixel(2, 1), clBlue);
    EXPECT_EQ(bitmap.Pixel(1, 0), clWhite);
    EXPECT_TRUE(RgbOf(bitmap) == DecodeWithBmptopnm(path16));
}

TEST(BmpFormat, ReadsTopDownRowsAndShortPalettes)
{
    // Height -2: the first row in the file is the top row.
    const std::string pixels = Bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    TMemoryStream stream;
    const std::string file = BmpFile(2, -2, 24, 0, "", pixels);
    stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Pixel(0, 0), clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), clLime);
    EXPECT_EQ(bitmap.Pixel(0, 1), clBlue);
    EXPECT_EQ(bitmap.Pixel(1, 1), clWhite);

    // An 8-bit file whose table holds two colours and no count: the data offset bounds the table.
    TMemoryStream shortTable;
    const std::string file8 = BmpFile(3, 1, 8, 0, Bytes({0, 0, 255, 0, 255, 255, 255, 0}), Bytes({1, 0, 1, 0}));
    std::string patched = file8;
    patched[46] = 0; // colours used: 0
    shortTable.WriteBuffer(patched.data(), static_cast<std::int64_t>(patched.size()));
    shortTable.SetPosition(0);
    bitmap.LoadFromStream(shortTable);
    EXPECT_EQ(bitmap.Palette().Count(), 2);
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    EXPECT_EQ(bitmap.Pixel(1, 0), clRed);
}

TEST(BmpFormat, WritesEveryFormatSoThatBmptopnmReadsTheSamePixels)
{
    TemporaryFolder folder;
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        if (format == pf8bit)
            bitmap.SetPalette(TPalette::Grayscale());
        bitmap.SetSize(19, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 19; ++x)
                bitmap.SetPixel(x, y,
                                static_cast<TColor>(
                                    RGB(static_cast<std::uint8_t>(x * 13), static_cast<std::uint8_t>(y * 60), 200)));
        const std::string path = folder.File("w" + std::to_string(format) + ".bmp");
        bitmap.SaveToFile(path);
        EXPECT_TRUE(RgbOf(bitmap) == DecodeWithBmptopnm(path)) << format;
        TBitmap reread;
        reread.LoadFromFile(path);
        EXPECT_EQ(reread.PixelFormat(), format == pfDevice ? pf32bit : format);
        EXPECT_TRUE(RgbOf(reread) == RgbOf(bitmap)) << format;
    }
}

TEST(BmpFormat, WritesTheExactHeaderFields)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf16bit);
    bitmap.SetSize(3, 2);
    bitmap.SetPixel(0, 0, clRed);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    const std::string expectedHeader = "BM" + Le32(14 + 108 + 16) + Le32(0) + Le32(122) + Le32(108) + Le32(3) +
                                       Le32(2) + Le16(1) + Le16(16) + Le32(3) + Le32(16) + Le32(0) + Le32(0) + Le32(0) +
                                       Le32(0) + Le32(0xF800) + Le32(0x07E0) + Le32(0x001F) + Le32(0) + "BGRs" +
                                       std::string(48, '\0');
    EXPECT_EQ(bytes.substr(0, 122), expectedHeader);
    // Bottom row first: white, white, white, padding; then red at the top-left.
    EXPECT_EQ(bytes.substr(122), Le16(0xFFFF) + Le16(0xFFFF) + Le16(0xFFFF) + Le16(0) + Le16(0xF800) + Le16(0xFFFF) +
                                     Le16(0xFFFF) + Le16(0));
}

TEST(BmpFormat, RejectsMalformedFilesAndKeepsThePicture)
{
    const std::string good = BmpFile(2, 2, 24, 0, "", std::string(16, '\0'));
    ExpectInvalid("");
    ExpectInvalid("XX" + good.substr(2));
    ExpectInvalid(good.substr(0, 20));                                                // header cut short
    ExpectInvalid(good.substr(0, good.size() - 1));                                   // pixels cut short
    ExpectInvalid(BmpFile(2, 2, 7, 0, "", std::string(16, '\0')));                    // no such depth
    ExpectInvalid(BmpFile(2, 2, 24, 1, "", std::string(16, '\0')));                   // RLE8 needs 8 bits
    ExpectInvalid(BmpFile(2, -2, 8, 1, std::string(8, '\0'), std::string(16, '\0'))); // top-down RLE
    ExpectInvalid(BmpFile(0, 2, 24, 0, "", ""));
    ExpectInvalid(BmpFile(100000, 100000, 24, 0, "", std::string(16, '\0'))); // claims 30 GB
    std::string badOffset = good;
    badOffset[10] = static_cast<char>(0xF0);
    ExpectInvalid(badOffset);
    std::string badHeaderSize = good;
    badHeaderSize[14] = 41;
    ExpectInvalid(badHeaderSize);
    // Bit fields whose red mask has a hole.
    std::string holes = BmpFile(1, 1, 32, 3, Le32(0x00FF00F0) + Le32(0xFF00) + Le32(0xFF), std::string(4, '\0'));
    holes[46] = 0;
    ExpectInvalid(holes);
}

TEST(BmpFormat, RunLengthDataThatEndEarlyOrOverrunStaySafe)
{
    const std::string palette = Bytes({0, 0, 0, 0, 255, 255, 255, 0});
    // A run far past the row end, a delta past the top, and a literal cut short.
    for (const std::string& data :
         {Bytes({255, 1, 0, 0, 200, 1}), Bytes({2, 1, 0, 2, 250, 250, 3, 1}), Bytes({1, 1, 0, 9, 1, 1})}) {
        TMemoryStream stream;
        const std::string file = BmpFile(4, 2, 8, 1, palette, data);
        stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
        stream.SetPosition(0);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        EXPECT_EQ(bitmap.Width(), 4);
        EXPECT_EQ(bitmap.Pixel(0, 1), clWhite);
    }
}

// Sizes whose row length wraps a 32-bit int once crashed the reader (a short row buffer written
// whole, or a negative length); they and every side over 65535 are refused as not a bitmap.
TEST(BmpFormat, WidthsThatWrapARowLengthAndSidesOver65535AreRefused)
{
    TemporaryFolder folder;
    const std::string path = folder.File("wide.bmp");
    const std::string wide32 = BmpFile(0x40000001, 1, 32, 0, "", std::string(4, '\x7F'));
    ASSERT_EQ(wide32.size(), 58u);
    WriteWholeFile(path, wide32);
    TBitmap bitmap;
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] { bitmap.LoadFromFile(path); }), "Bitmap image is not valid");
    EXPECT_TRUE(bitmap.Empty());

    ExpectInvalid(BmpFile(0x55555556, 1, 24, 0, "", std::string(4, '\x7F')), "24 bits");
    std::string fields = BmpFile(0x40000001, 1, 16, 3, Le32(0xF00) + Le32(0xF0) + Le32(0xF), std::string(4, '\x7F'));
    fields[46] = 0; // the masks are no colour table
    ASSERT_EQ(fields.size(), 70u);
    ExpectInvalid(fields, "bit fields");
    const std::string twoColours = Bytes({0, 0, 0, 0, 255, 255, 255, 0});
    ExpectInvalid(BmpFile(0x7FFFFFFF, 1, 8, 0, twoColours, std::string(4, '\1')), "8 bits");
    ExpectInvalid(BmpFile(0x7FFFFFFF, 1, 8, 1, twoColours, Bytes({4, 1, 0, 1})), "RLE8");
    ExpectInvalid(BmpFile(0x7FFFFFFF, 1, 32, 0, "", std::string(4, '\x7F')), "32 bits");
    ExpectInvalid(BmpFile(1, 0x7FFFFFFF, 32, 0, "", std::string(4, '\x7F')), "tall");
    ExpectInvalid(BmpFile(1, -0x7FFFFFFF, 32, 0, "", std::string(4, '\x7F')), "tall top-down");

    // A few bytes of run-length data once loaded as a 131168 x 4096 picture of 268 MB.
    std::string runs = BmpFile(131168, 4096, 4, 2, std::string(64, '\0'), Bytes({4, 0x12, 0, 0, 0, 1}));
    std::fill(runs.begin() + 34, runs.begin() + 38, '\0'); // no image size
    ExpectInvalid(runs, "RLE4");
    for (int side : {65536, 0x40000001}) {
        ExpectInvalid(BmpFile(side, 1, 4, 2, std::string(64, '\0'), Bytes({4, 0x12, 0, 1})), "wide RLE4");
        ExpectInvalid(BmpFile(1, side, 8, 1, twoColours, Bytes({1, 1, 0, 1})), "tall RLE8");
    }
    // Within the sides, a picture whose pixels would take more than the readers' 512 MB.
    ExpectInvalid(BmpFile(30000, 30000, 8, 1, twoColours, Bytes({1, 1, 0, 1})), "large RLE8");
}

// Run-length data must be able to fill the picture at their longest runs; moves and the
// end-of-bitmap escape, which pass over pixels, fill nothing. Files of 120 bytes to 1 KB declaring
// pictures of 400 MB and more are refused before the picture is made; packed as tightly as the
// runs allow, a picture loads.
TEST(BmpFormat, RunLengthDataTooShortForTheirPictureAreRefusedBeforeItIsMade)
{
    const std::string twoColours = Bytes({0, 0, 0, 0, 255, 255, 255, 0});
    std::string moves;
    std::string runs;
    for (int i = 0; i < 256; ++i) {
        moves += Bytes({0, 2, 255, 255});
        runs += Bytes({255, 1, 255, 0});
    }
    std::string tightRows;
    for (int row = 0; row < 100; ++row) {
        for (int i = 0; i < 7; ++i)
            tightRows += Bytes({255, 1});
        tightRows += Bytes({215, 1, 0, 0});
    }
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"RLE8 ending at once", BmpFile(22000, 22000, 8, 1, twoColours, Bytes({0, 1})), "Bitmap image is not valid"},
        {"RLE4 of moves", BmpFile(40000, 20000, 4, 2, twoColours, moves), "Bitmap image is not valid"},
        {"RLE8 of longest runs", BmpFile(22000, 22000, 8, 1, twoColours, runs), "Bitmap image is not valid"},
        {"RLE8 rows of longest runs", BmpFile(2000, 100, 8, 1, twoColours, tightRows + Bytes({0, 1})),
         "nothing raised"},
    };
    for (const auto& c : cases) {
        const MeasuredWork load = MeasureWork([&] {
            TMemoryStream stream;
            stream.WriteBuffer(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
            stream.SetPosition(0);
            TBitmap bitmap;
            return RaisedMessage<EInvalidGraphic>([&] { bitmap.LoadFromStream(stream); });
        });
        EXPECT_EQ(load.answer, c.message) << c.name;
        EXPECT_LT(load.peakBytes, RefusalBytes) << c.name;
    }
}

TEST(BmpFormat, A65535PixelWideFileLoadsAndOneOf65536IsRefused)
{
    TemporaryFolder folder;
    RgbImage source{65535, 2, {}};
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            source.pixels.push_back(
                {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8), static_cast<std::uint8_t>(y * 200)});
    WriteWholeFile(folder.File("wide.ppm"), PpmOf(source));
    int status = 0;
    RunCommand("/usr/bin/ppmtobmp -bpp 24 " + folder.File("wide.ppm") + " > " + folder.File("wide.bmp") +
                   " 2>/dev/null",
               &status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(LoadAndCompare(folder.File("wide.bmp"), pf24bit) == source);

    std::string wider = ReadWholeFile(folder.File("wide.bmp"));
    // Width 65536: the rows keep their length (196608 bytes), one pixel more than the rule allows.
    wider.replace(18, 4, Le32(65536));
    ExpectInvalid(wider, "65536");
}
