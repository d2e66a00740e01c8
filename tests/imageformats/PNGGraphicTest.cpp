#include "imageformats/PNGGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string SuiteFolder = std::string(KESTRAME_TEST_DATA) + "/imageformats/png";

struct Chunk {
    std::string type;
    std::string data;
};

std::uint32_t Big32(const std::string& bytes, std::size_t at)
{
    return std::uint32_t{static_cast<std::uint8_t>(bytes[at])} << 24 |
           std::uint32_t{static_cast<std::uint8_t>(bytes[at + 1])} << 16 |
           std::uint32_t{static_cast<std::uint8_t>(bytes[at + 2])} << 8 | static_cast<std::uint8_t>(bytes[at + 3]);
}

std::string Big32Bytes(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::vector<Chunk> ChunksOf(const std::string& png)
{
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = Big32(png, at);
        chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

std::string ChunkBytes(const Chunk& chunk)
{
    const std::string typed = chunk.type + chunk.data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    return Big32Bytes(static_cast<std::uint32_t>(chunk.data.size())) + typed +
           Big32Bytes(static_cast<std::uint32_t>(crc));
}

// The chunks as a file, every CRC made afresh.
std::string PngOf(const std::vector<Chunk>& chunks)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    for (const Chunk& chunk : chunks)
        png += ChunkBytes(chunk);
    return png;
}

std::vector<Chunk> Without(std::vector<Chunk> chunks, const std::string& type)
{
    std::erase_if(chunks, [&](const Chunk& chunk) { return chunk.type == type; });
    return chunks;
}

// The image data in IDAT chunks of at most `size` bytes each.
std::vector<Chunk> SplitIDAT(const std::vector<Chunk>& chunks, std::size_t size)
{
    std::string data;
    for (const Chunk& chunk : chunks)
        if (chunk.type == "IDAT")
            data += chunk.data;
    std::vector<Chunk> split;
    for (const Chunk& chunk : chunks) {
        if (chunk.type == "IEND")
            for (std::size_t at = 0; at < data.size(); at += size)
                split.push_back({"IDAT", data.substr(at, size)});
        if (chunk.type != "IDAT")
            split.push_back(chunk);
    }
    return split;
}

// The file without its image data past the first `count` IDAT chunks.
std::vector<Chunk> FirstIDAT(std::vector<Chunk> chunks, int count)
{
    std::erase_if(chunks, [&](const Chunk& chunk) { return chunk.type == "IDAT" && count-- <= 0; });
    return chunks;
}

std::size_t IndexOf(const std::vector<Chunk>& chunks, const std::string& type)
{
    for (std::size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == type)
            return i;
    ADD_FAILURE() << "no " << type << " chunk";
    return chunks.size();
}

int ColorType(const std::string& png) { return static_cast<std::uint8_t>(png[25]); }
int BitDepth(const std::string& png) { return static_cast<std::uint8_t>(png[24]); }

double FileGamma(const std::string& png)
{
    for (const Chunk& chunk : ChunksOf(png)) {
        if (chunk.type == "IDAT")
            break;
        if (chunk.type == "gAMA")
            return Big32(chunk.data, 0) / 100000.0;
    }
    return 0;
}

// What the display shows of each colour sample of a file of the gamma.
RgbImage WithGamma(RgbImage image, double fileGamma)
{
    if (fileGamma == 0)
        return image;
    const auto corrected = [&](std::uint8_t v) {
        return static_cast<std::uint8_t>(std::lround(255 * std::pow(v / 255.0, 1 / (2.2 * fileGamma))));
    };
    for (Rgb& pixel : image.pixels)
        pixel = {corrected(pixel.r), corrected(pixel.g), corrected(pixel.b)};
    return image;
}

// The outside tool's colours of the file, without gamma or alpha; its black and white pictures
// as PPM, which the test support reads.
RgbImage Oracle(const std::string& file) { return DecodedBy("/usr/bin/pngtopam " + file + " | /usr/bin/ppmtoppm"); }

std::unique_ptr<TPNGGraphic> Loaded(const std::string& bytes)
{
    auto png = std::make_unique<TPNGGraphic>();
    LoadFromBytes(*png, bytes);
    return png;
}

std::string LoadError(const std::string& bytes)
{
    TPNGGraphic png;
    return LoadError(png, bytes);
}

// The alpha of a 32-bit bitmap as greys.
RgbImage AlphaImageOf(const TBitmap& bitmap)
{
    RgbImage image{bitmap.Width(), bitmap.Height(), {}};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const std::uint8_t alpha = bitmap.ScanLine(y)[4 * x + 3];
            image.pixels.push_back({alpha, alpha, alpha});
        }
    return image;
}

std::vector<std::string> SuiteFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(SuiteFolder))
        if (entry.path().extension() == ".png")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(PNGGraphic, SuiteGivesTheOutsideToolsPixelsThroughTheGammaTable)
{
    TemporaryFolder folder;
    const std::vector<std::string> files = SuiteFiles();
    ASSERT_GE(files.size(), 30u);
    int withoutGamma = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string bytes = ReadWholeFile(file);
        const RgbImage plain = Oracle(file);
        const double gamma = FileGamma(bytes);
        withoutGamma += gamma == 0;
        const auto png = Loaded(bytes);
        // 16-bit samples take the gamma before they are reduced, as libpng does at that depth.
        if (gamma != 0 && BitDepth(bytes) == 16)
            ExpectSameImage(RgbOf(*png), DecodedBy("/usr/bin/pngtopam -gamma 2.2 " + file + " | /usr/bin/pamdepth 255"),
                            file, 8, 1);
        else
            ExpectSameImage(RgbOf(*png), WithGamma(plain, gamma), file);
        EXPECT_EQ(png->ImageProperties().Options.Contains(ioUseGamma), gamma != 0);

        const std::string noGamma = folder.File("nogamma.png");
        WriteWholeFile(noGamma, PngOf(Without(ChunksOf(bytes), "gAMA")));
        ExpectSameImage(RgbOf(*Loaded(ReadWholeFile(noGamma))), Oracle(noGamma), file + " without gAMA");
        if (ColorType(bytes) == 6) {
            ASSERT_EQ(png->PixelFormat(), pf32bit);
            ExpectSameImage(AlphaImageOf(*png), DecodedBy("/usr/bin/pngtopam -alpha " + file), file + " alpha");
        }
    }
    EXPECT_EQ(withoutGamma, 2);
}

TEST(PNGGraphic, ReadsTheHeaderIntoItsProperties)
{
    const std::string bytes = ReadWholeFile(SuiteFolder + "/basn6a16.png");
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    TPNGGraphic png;
    EXPECT_TRUE(png.CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    ASSERT_TRUE(png.ReadImageProperties(stream, 0));
    const TImageProperties& properties = png.ImageProperties();
    EXPECT_EQ(properties.Width, 32u);
    EXPECT_EQ(properties.Height, 32u);
    EXPECT_EQ(properties.ColorScheme, csRGBA);
    EXPECT_EQ(properties.BitsPerSample, 16);
    EXPECT_EQ(properties.SamplesPerPixel, 4);
    EXPECT_EQ(properties.BitsPerPixel, 64);
    EXPECT_EQ(properties.Compression, ctLZ77);
    EXPECT_TRUE(properties.HasAlpha);
    EXPECT_TRUE(properties.Options.Contains(ioBigEndian));
    EXPECT_FLOAT_EQ(properties.FileGamma, 1.0f);

    TMemoryStream eight;
    eight.Write(bytes.data(), 8);
    eight.SetPosition(0);
    EXPECT_FALSE(png.CanLoad(eight));
}

// Pictures written by the outside tools in every colour type and depth, plain and interlaced.
class PNGWritten : public ::testing::Test {
protected:
    // A PGM of the greys 0..maximum, or a PPM of as many colours; two bytes a sample above 255.
    std::string Pnm(int width, int height, int maximum, bool grey, int seed = 0)
    {
        std::string pnm = std::string(grey ? "P5\n" : "P6\n") + std::to_string(width) + " " + std::to_string(height) +
                          "\n" + std::to_string(maximum) + "\n";
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int sample = 0; sample < (grey ? 1 : 3); ++sample) {
                    const int value =
                        (x * 7 + y * 13 + sample * 101 + x * y * (sample + 1) + seed * x * x) % (maximum + 1);
                    if (maximum > 255)
                        pnm += static_cast<char>(value >> 8);
                    pnm += static_cast<char>(value);
                }
        return pnm;
    }

    std::string Write(const std::string& name, const std::string& pnm, const std::string& options)
    {
        WriteWholeFile(folder_.File(name + ".pnm"), pnm);
        RunTool("/usr/bin/pnmtopng " + options + " " + folder_.File(name + ".pnm") + " > " + folder_.File(name));
        return ReadWholeFile(folder_.File(name));
    }

    TemporaryFolder folder_;
};

struct Layout {
    int colorType;
    int depth;
    int maximum;
    bool grey;
    int colors; // 0: as many as the picture has
    bool alpha;
};

const Layout Layouts[] = {
    {0, 1, 1, true, 0, false},       {0, 2, 3, true, 0, false},      {0, 4, 15, true, 0, false},
    {0, 8, 255, true, 0, false},     {0, 16, 65535, true, 0, false}, {2, 8, 255, false, 0, false},
    {2, 16, 65535, false, 0, false}, {3, 1, 255, false, 2, false},   {3, 2, 255, false, 4, false},
    {3, 4, 255, false, 16, false},   {3, 8, 255, false, 200, false}, {4, 8, 255, true, 0, true},
    {4, 16, 65535, true, 0, true},   {6, 8, 255, false, 0, true},    {6, 16, 65535, false, 0, true},
};

TEST_F(PNGWritten, InterlacedPicturesGiveThePixelsOfPlainOnes)
{
    for (const Layout& layout : Layouts) {
        for (const auto& [width, height] : {std::pair{23, 19}, std::pair{1, 1}, std::pair{2, 3}, std::pair{5, 4},
                                            std::pair{9, 9}, std::pair{8, 1}, std::pair{1, 7}}) {
            const std::string label = "type " + std::to_string(layout.colorType) + " depth " +
                                      std::to_string(layout.depth) + " " + std::to_string(width) + "x" +
                                      std::to_string(height);
            SCOPED_TRACE(label);
            std::string pnm = Pnm(width, height, layout.maximum, layout.grey);
            if (layout.colors > 0) {
                const RgbImage striped = StripedImage(width, height, layout.colors);
                pnm = PpmOf(striped);
                // The writer picks the palette's depth from the colours the picture uses; a picture
                // of one or two pixels uses too few for the larger depths.
                if (width * height < layout.colors)
                    continue;
            }
            std::string options = layout.alpha ? "-alpha=" + folder_.File("alpha.pgm") : "";
            if (layout.alpha)
                WriteWholeFile(folder_.File("alpha.pgm"), Pnm(width, height, layout.maximum, true, 5));
            const std::string plain = Write("plain.png", pnm, options);
            const std::string interlaced = Write("interlaced.png", pnm, options + " -interlace");
            if (width == 23) {
                ASSERT_EQ(ColorType(plain), layout.colorType);
                ASSERT_EQ(BitDepth(plain), layout.depth);
            }
            const auto loadedPlain = Loaded(plain);
            const auto loadedInterlaced = Loaded(interlaced);
            const TPNGGraphic& ours = *loadedPlain;
            const TPNGGraphic& fromInterlaced = *loadedInterlaced;
            EXPECT_TRUE(fromInterlaced.ImageProperties().Interlaced);
            ExpectSameImage(RgbOf(ours), Oracle(folder_.File("plain.png")), label);
            ExpectSameImage(RgbOf(fromInterlaced), RgbOf(ours), label + " interlaced");
            if (ours.PixelFormat() == pf32bit)
                ExpectSameImage(AlphaImageOf(fromInterlaced), AlphaImageOf(ours), label + " alpha");
        }
    }
}

TEST_F(PNGWritten, GammaBeforeTheImageDataAppliesItsTableAfterOnlySetsTheFileGamma)
{
    const std::string before = Write("gamma.png", Pnm(17, 5, 255, false), "-gamma=0.5");
    const RgbImage plain = Oracle(folder_.File("gamma.png"));
    ExpectSameImage(RgbOf(*Loaded(before)), WithGamma(plain, 0.5), "gAMA before IDAT");

    std::vector<Chunk> chunks = ChunksOf(before);
    const Chunk gamma = chunks[IndexOf(chunks, "gAMA")];
    chunks = Without(chunks, "gAMA");
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(IndexOf(chunks, "IEND")), gamma);
    const auto after = Loaded(PngOf(chunks));
    ExpectSameImage(RgbOf(*after), plain, "gAMA after IDAT");
    EXPECT_FLOAT_EQ(after->ImageProperties().FileGamma, 0.5f);
    EXPECT_FALSE(after->ImageProperties().Options.Contains(ioUseGamma));
}

TEST_F(PNGWritten, TransparentAndBackgroundColoursOfRgbAndGreyPictures)
{
    struct Case {
        int maximum;
        bool grey;
        std::string transparent;
        std::string background;
        TColor color; // of both
    };
    const Case cases[] = {
        {1, true, "rgb:ff/ff/ff", "rgb:ff/ff/ff", 0xFFFFFF},
        {3, true, "rgb:55/55/55", "rgb:55/55/55", 0x555555},
        {15, true, "rgb:33/33/33", "rgb:33/33/33", 0x333333},
        {255, true, "rgb:4d/4d/4d", "rgb:4d/4d/4d", 0x4D4D4D},
        {65535, true, "rgb:0101/0101/0101", "rgb:0101/0101/0101", 0x010101},
        {255, false, "rgb:10/20/30", "rgb:10/20/30", 0x302010},
        {65535, false, "rgb:ffff/0000/8080", "rgb:ffff/0000/8080", 0x8000FF},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.transparent);
        const std::string file = Write("colors.png", Pnm(300, 3, test.maximum, test.grey),
                                       "-transparent=" + test.transparent + " -background=" + test.background);
        ASSERT_EQ(ColorType(file), test.grey ? 0 : 2);
        const auto png = Loaded(file);
        EXPECT_TRUE(png->Transparent());
        EXPECT_EQ(png->TransparentColor() & 0xFFFFFF, test.color);
        // The rows the image data do not reach show the background.
        const auto cut = Loaded(PngOf(FirstIDAT(SplitIDAT(ChunksOf(file), 8), 2)));
        EXPECT_EQ(cut->Pixel(299, 2), test.color);
    }
}

// With gAMA the rows are gamma-corrected; the key colour must be too, or another pixel turns
// transparent than the one the file marks.
TEST_F(PNGWritten, TransparencyWithGammaMarksThePixelsTheFileMarks)
{
    for (const bool grey : {false, true}) {
        SCOPED_TRACE(grey);
        // The colour of pixel (2, 0), dark enough that no other colour shares its corrected one.
        const std::string key = grey ? "rgb:0e/0e/0e" : "rgb:0e/73/d8";
        const std::string bytes =
            Write("gamma-key.png", Pnm(300, 3, 255, grey), "-gamma=1.0 -transparent=" + key + " -background=" + key);
        const auto png = Loaded(bytes);
        ASSERT_TRUE(png->Transparent());
        RgbImage alpha{png->Width(), png->Height(), {}};
        for (int y = 0; y < png->Height(); ++y)
            for (int x = 0; x < png->Width(); ++x) {
                const std::uint8_t level = png->Pixel(x, y) == (png->TransparentColor() & 0xFFFFFF) ? 0 : 255;
                alpha.pixels.push_back({level, level, level});
            }
        // pngtopam (Netpbm 11.1) leaves colour pictures opaque whatever tRNS says: ImageMagick judges.
        const std::string file = folder_.File("gamma-key.png");
        ExpectSameImage(alpha,
                        DecodedBy(grey ? "/usr/bin/pngtopam -alpha " + file
                                       : "/usr/bin/convert " + file + " -alpha extract -depth 8 pgm:-"),
                        key);
        EXPECT_EQ(alpha.At(2, 0).r, 0);
        // The rows the image data do not reach show the background as corrected pixels show it.
        const auto cut = Loaded(PngOf(FirstIDAT(SplitIDAT(ChunksOf(bytes), 8), 2)));
        EXPECT_EQ(cut->Pixel(299, 2), png->Pixel(2, 0));
    }
}

TEST_F(PNGWritten, PaletteBackgroundIsItsEntrysColour)
{
    const std::string file = Write("palette.png", PpmOf(StripedImage(40, 9, 7)), "");
    ASSERT_EQ(ColorType(file), 3);
    std::vector<Chunk> chunks = FirstIDAT(SplitIDAT(ChunksOf(file), 4), 2);
    const std::string palette = chunks[IndexOf(chunks, "PLTE")].data;
    const auto entry = [&](int i) { return static_cast<std::uint8_t>(palette[3 * 5 + i]); };
    chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(IndexOf(chunks, "IDAT")), Chunk{"bKGD", "\x05"});
    EXPECT_EQ(Loaded(PngOf(chunks))->Pixel(39, 8), static_cast<TColor>(RGB(entry(0), entry(1), entry(2))));
}

TEST_F(PNGWritten, ChunkTypesMatchInAnyCaseAndEmptyImageDataChunksAreSkipped)
{
    const std::string file = Write("case.png", PpmOf(StripedImage(31, 7, 9)), "-gamma=0.7");
    const RgbImage expected = RgbOf(*Loaded(file));
    std::vector<Chunk> chunks = SplitIDAT(ChunksOf(file), 16);
    for (Chunk& chunk : chunks)
        for (char& letter : chunk.type)
            letter = static_cast<char>(letter ^ 0x20);
    ExpectSameImage(RgbOf(*Loaded(PngOf(chunks))), expected, "letters in the other case");

    chunks = SplitIDAT(ChunksOf(file), 16);
    for (const std::size_t at : {IndexOf(chunks, "IEND"), IndexOf(chunks, "IDAT") + 1, IndexOf(chunks, "IDAT")})
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(at), Chunk{"IDAT", ""});
    const std::string withEmpty = PngOf(chunks);
    WriteWholeFile(folder_.File("empty.png"), withEmpty);
    ExpectSameImage(Oracle(folder_.File("empty.png")), Oracle(folder_.File("case.png")), "the outside tool");
    ExpectSameImage(RgbOf(*Loaded(withEmpty)), expected, "empty IDAT chunks");
}

TEST_F(PNGWritten, RefusalsHaveTheirTextsAndLeaveThePictureAsItWas)
{
    const std::string rgb = Write("rgb.png", Pnm(23, 19, 255, false), "");
    ASSERT_EQ(ColorType(rgb), 2);
    const std::string indexed = Write("indexed.png", PpmOf(StripedImage(12, 6, 5)), "");
    ASSERT_EQ(ColorType(indexed), 3);
    const auto patchedHeader = [&](std::size_t at, char value) {
        std::vector<Chunk> chunks = ChunksOf(rgb);
        chunks[0].data[at] = value;
        return PngOf(chunks);
    };
    const auto withChunk = [&](const std::string& source, Chunk chunk) {
        std::vector<Chunk> chunks = ChunksOf(source);
        chunks.insert(chunks.begin() + 1, chunk);
        return PngOf(chunks);
    };
    std::string badCrc = rgb;
    badCrc[33 + 8 + 3] ^= 1; // a byte of the first chunk after IHDR
    std::vector<Chunk> shortHeader = ChunksOf(rgb);
    shortHeader[0].data.pop_back();
    std::string pastTheEnd = rgb;
    const std::size_t idat = pastTheEnd.find("IDAT") - 4;
    pastTheEnd.replace(idat, 4, Big32Bytes(Big32(rgb, idat) + 1000));
    const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
    const std::pair<std::string, std::string> cases[] = {
        {badCrc, "Cannot load image. CRC error found in PNG file."},
        {withChunk(rgb, {"QUUX", "data"}), "Cannot load PNG image. Unexpected but critical chunk detected."},
        {withChunk(rgb, {"PLTE", std::string(10, '\0')}), "Cannot load image. Palette in PNG file is invalid."},
        {patchedHeader(3, 0), invalid},
        {patchedHeader(1, 1), invalid},
        {patchedHeader(10, 1), "Cannot load image. The compression scheme is not supported for PNG files."},
        {PngOf(shortHeader), invalid},
        {PngOf(Without(ChunksOf(indexed), "PLTE")), "Cannot load image. Palette in PNG file is invalid."},
        {pastTheEnd, "Stream read error in PNG file."},
        {rgb.substr(0, rgb.size() - 6), "Stream read error in PNG file."},
        {patchedHeader(8, 4), "Invalid color format in PNG file."},
        {patchedHeader(9, 5), "Invalid color format in PNG file."},
        {PngOf(Without(ChunksOf(rgb), "IDAT")), invalid},
        {"not a PNG file at all", invalid},
        {withChunk(rgb, {"prVt", "skipped"}), "(loaded)"},
    };
    for (const auto& [bytes, message] : cases) {
        const auto png = Loaded(indexed);
        const RgbImage before = RgbOf(*png);
        EXPECT_EQ(LoadError(*png, bytes), message);
        if (message != "(loaded)") {
            EXPECT_EQ(RgbOf(*png), before) << message;
        }
    }
    TMemoryStream stream;
    stream.Write(pastTheEnd.data(), static_cast<std::int64_t>(pastTheEnd.size()));
    stream.SetPosition(0);
    TPNGGraphic png;
    EXPECT_FALSE(png.ReadImageProperties(stream, 0));
}

// A picture's image data, which may be split over several chunks, must be able to fill it at
// Deflate's largest expansion: a file of some 70 bytes that declares 16000 x 11000 RGB pixels
// (528 MB) is refused before the picture is made, while 4 MB of zero rows packed 1000 to 1 load.
TEST(PNGGraphic, ImageDataTooShortForTheirPictureAreRefusedBeforeItIsMade)
{
    const auto declaring = [](std::uint32_t width, std::uint32_t height, char colorType, const std::string& rows,
                              std::size_t chunkSize) {
        std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
        uLongf packedSize = static_cast<uLongf>(packed.size());
        EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                            reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()), 9),
                  Z_OK);
        packed.resize(packedSize);
        std::vector<Chunk> chunks = {
            {"IHDR", Big32Bytes(width) + Big32Bytes(height) + std::string{8, colorType} + std::string(3, '\0')}};
        for (std::size_t at = 0; at < packed.size(); at += chunkSize)
            chunks.push_back({"IDAT", packed.substr(at, chunkSize)});
        chunks.push_back({"IEND", ""});
        return PngOf(chunks);
    };
    const std::string zeroRows(2000 * 2001, '\0');
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"one small chunk", declaring(16000, 11000, 2, std::string(16, '\0'), 64),
         "Cannot load image. Invalid or unexpected PNG image format."},
        {"small chunks", declaring(16000, 11000, 2, std::string(600, '\0'), 4),
         "Cannot load image. Invalid or unexpected PNG image format."},
        {"zero rows in chunks of 64 bytes", declaring(2000, 2000, 0, zeroRows, 64), "(loaded)"},
        // Enough data for a 2-bit picture of 169 million pixels, but not Deflate data: refused
        // before the picture is made.
        {"2-bit junk",
         PngOf({{"IHDR", Big32Bytes(13000) + Big32Bytes(13000) + std::string{2, 0} + std::string(3, '\0')},
                {"IDAT", std::string(49152, 'Z')},
                {"IEND", ""}}),
         "Cannot load image. Compression error found in PNG file."},
    };
    ASSERT_LT(declaring(16000, 11000, 2, std::string(16, '\0'), 64).size(), 80u);
    for (const auto& c : cases) {
        TPNGGraphic png;
        const MeasuredWork load = MeasuredLoad(png, c.bytes);
        EXPECT_EQ(load.answer, c.message) << c.name;
        EXPECT_LT(load.peakBytes, RefusalBytes) << c.name;
    }
}

TEST(PNGGraphic, DebianTestPicturesLoadOrFailCleanly)
{
    const std::string sdl = "/usr/libexec/installed-tests/SDL2_image/";
    TBitmap bmp;
    bmp.LoadFromFile(sdl + "sample.bmp");
    TPNGGraphic png;
    png.LoadFromFile(sdl + "sample.png");
    ExpectSameImage(RgbOf(png), RgbOf(bmp), "sample.png");

    // Image data that end early load, with the rows not reached in the background; the broken
    // files are refused with the readers' own errors; randomly changed ones may go either way.
    const std::string pixbuf = "/usr/libexec/installed-tests/gdk-pixbuf/";
    EXPECT_EQ(LoadError(ReadWholeFile(pixbuf + "premature-end.png")), "(loaded)");
    int refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(pixbuf + "test-images/fail"))
        if (entry.path().extension() == ".png") {
            EXPECT_NE(LoadError(ReadWholeFile(entry.path().string())), "(loaded)") << entry.path();
            ++refused;
        }
    EXPECT_GE(refused, 5);
    for (const auto& entry : std::filesystem::directory_iterator(pixbuf + "test-images/randomly-modified"))
        if (entry.path().extension() == ".png")
            LoadError(ReadWholeFile(entry.path().string()));
}

// Cut and bit-flipped copies load or are refused with a reader's error; flips with the CRCs made
// afresh reach the image data.
TEST(PNGGraphic, DamagedFilesLoadOrAreRefused)
{
    for (const std::string& file : SuiteFiles()) {
        const std::string bytes = ReadWholeFile(file);
        for (const std::size_t length : CutLengths(bytes.size()))
            LoadError(bytes.substr(0, length));
        ForEachBitFlip(bytes, 40, 33, [](const std::string& flipped) { LoadError(flipped); });
        ForEachBitFlip(bytes, 60, 33, [](const std::string& flipped) {
            std::vector<Chunk> chunks = ChunksOf(flipped);
            if (!chunks.empty())
                LoadError(flipped.substr(0, 8) + PngOf(chunks).substr(8));
        });
    }
}

} // namespace
