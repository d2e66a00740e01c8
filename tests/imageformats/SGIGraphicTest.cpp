#include "imageformats/SGIGraphic.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string InvalidSgi = "Cannot load image. Invalid or unexpected sgi, bw or rgb(a) image format.";
const std::string SgiColorFormat = "Invalid color format in sgi, bw or rgb(a) file.";
constexpr int Width = 61;
constexpr int Height = 23;

std::string Be16(std::size_t value) { return {static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)}; }
std::string Be32(std::size_t value) { return Be16(value >> 16) + Be16(value & 0xFFFF); }

std::string Patched(std::string bytes, std::size_t at, const std::string& value)
{
    return bytes.replace(at, value.size(), value);
}

// A sample of plane `plane` at (x, y): flat runs on the left for the run-length packets, every
// pixel different on the right.
int SampleAt(int plane, int x, int y)
{
    return x < 30 ? (x / 8 + y / 4) * (40 + 30 * plane) % 256 : (x * 11 + y * (5 + plane) + plane * 70) % 256;
}

// A 16-bit sample whose low byte makes v x 255 / 65535 truncate where rounding would not.
int DeepSampleAt(int plane, int x, int y) { return SampleAt(plane, x, y) << 8 | (x * 37 + y * 3 + plane) % 256; }

std::string Deep(int value) { return Be16(static_cast<std::size_t>(value)); }

// An SGI file the test builds, verbatim: a header of the given fields with pixel range 0 to the
// largest sample, then the planes.
std::string BuiltSgi(int bytesPerChannel, int dimension, int height, int channels, const std::string& planes)
{
    std::string header = Be16(0x01DA) + '\0' + static_cast<char>(bytesPerChannel) + Be16(dimension) + Be16(Width) +
                         Be16(height) + Be16(channels) + Be32(0) + Be32(bytesPerChannel == 2 ? 65535 : 255);
    return header + std::string(512 - header.size(), '\0') + planes;
}

// Channel 0 holds a grey picture, channel 1 an alpha ramp; 16-bit samples when `deep`.
std::string GreyAlphaPlanes(bool deep)
{
    std::string planes;
    for (int plane = 0; plane < 2; ++plane)
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                planes += deep ? Deep(plane == 0 ? DeepSampleAt(0, x, y) : x * 1000)
                               : std::string(1, static_cast<char>(plane == 0 ? SampleAt(0, x, y) : x * 4));
    return planes;
}

class SGIFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string deep = "P6\n" + std::to_string(Width) + " " + std::to_string(Height) + "\n65535\n";
        RgbImage source{Width, Height, {}};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                source.pixels.push_back({static_cast<std::uint8_t>(SampleAt(0, x, y)),
                                         static_cast<std::uint8_t>(SampleAt(1, x, y)),
                                         static_cast<std::uint8_t>(SampleAt(2, x, y))});
                for (int plane = 0; plane < 3; ++plane)
                    deep += Deep(DeepSampleAt(plane, x, y));
            }
        WriteWholeFile(File("source.ppm"), PpmOf(source));
        WriteWholeFile(File("deep.ppm"), deep);
        RunTool("/usr/bin/ppmtopgm " + File("source.ppm") + " > " + File("grey.pgm"));
        RunTool("/usr/bin/pamdepth 65535 " + File("grey.pgm") + " > " + File("deepgrey.pgm"));
    }

    std::string File(const std::string& name) const { return folder_.File(name); }

    std::string Written(const std::string& name, const std::string& command)
    {
        RunTool(command + " > " + File(name));
        return ReadWholeFile(File(name));
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        WriteWholeFile(File(name), bytes);
        return bytes;
    }

    RgbImage Sgitopnm(const std::string& name) { return DecodedBy("/usr/bin/sgitopnm " + File(name)); }

    TemporaryFolder folder_;
};

} // namespace

TEST_F(SGIFiles, DecodeAsSgitopnmDecodesThemPackedOrVerbatimAtEitherDepth)
{
    const struct {
        std::string name;
        std::string command;
        int bytesPerChannel;
        TPixelFormat format;
    } cases[] = {
        {"rgb8-rle.sgi", "/usr/bin/pnmtosgi -rle " + File("source.ppm"), 1, pf24bit},
        {"rgb8.sgi", "/usr/bin/pnmtosgi -verbatim " + File("source.ppm"), 1, pf24bit},
        {"grey8-rle.bw", "/usr/bin/pnmtosgi -rle " + File("grey.pgm"), 1, pf8bit},
        {"grey8.bw", "/usr/bin/pnmtosgi -verbatim " + File("grey.pgm"), 1, pf8bit},
        {"rgb16-rle.sgi", "/usr/bin/pnmtosgi -rle " + File("deep.ppm"), 2, pf24bit},
        {"rgb16.sgi", "/usr/bin/pnmtosgi -verbatim " + File("deep.ppm"), 2, pf24bit},
        {"grey16-rle.bw", "/usr/bin/pnmtosgi -rle " + File("deepgrey.pgm"), 2, pf8bit},
        {"grey16.bw", "/usr/bin/pnmtosgi -verbatim " + File("deepgrey.pgm"), 2, pf8bit},
    };
    for (const auto& c : cases) {
        const std::string file = Written(c.name, c.command);
        ASSERT_EQ(file[3], c.bytesPerChannel) << c.name;
        TSGIGraphic sgi;
        LoadFromBytes(sgi, file);
        EXPECT_EQ(sgi.PixelFormat(), c.format) << c.name;
        EXPECT_EQ(sgi.ImageProperties().Compression, c.name.find("rle") != std::string::npos ? ctRLE : ctNone);
        // Two-byte samples are reduced as v x 255 / 65535, truncated, as the helper reads sgitopnm's
        // 16-bit output.
        ExpectSameImage(RgbOf(sgi), Sgitopnm(c.name), c.name);
    }
    // The test's own picture, stored bottom row first, shows top row first.
    TSGIGraphic sgi;
    LoadFromBytes(sgi, ReadWholeFile(File("rgb8-rle.sgi")));
    ExpectSameImage(RgbOf(sgi), ParsePnm(ReadWholeFile(File("source.ppm"))), "source");
}

// ImageMagick writes four channels for a picture with alpha; the bitmap keeps the alpha.
TEST_F(SGIFiles, FourChannelsKeepTheirAlphaAsImageMagickWritesThem)
{
    std::string pam = "P7\nWIDTH " + std::to_string(Width) + "\nHEIGHT " + std::to_string(Height) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<std::uint8_t> alpha;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            alpha.push_back(static_cast<std::uint8_t>(x * 4 + y));
            for (int plane = 0; plane < 3; ++plane)
                pam += static_cast<char>(SampleAt(plane, x, y));
            pam += static_cast<char>(alpha.back());
        }
    Write("source.pam", pam);
    for (const std::string options : {"", "-compress none"}) {
        const std::string file =
            Written("alpha.sgi", "/usr/bin/convert " + File("source.pam") + " " + options + " sgi:-");
        ASSERT_EQ(file[11], 4) << options;
        TSGIGraphic sgi;
        LoadFromBytes(sgi, file);
        EXPECT_EQ(sgi.PixelFormat(), pf32bit);
        EXPECT_EQ(sgi.ImageProperties().Compression, options.empty() ? ctRLE : ctNone);
        ExpectSameImage(RgbOf(sgi), DecodedBy("/usr/bin/convert " + File("alpha.sgi") + " -alpha off ppm:-"),
                        "ImageMagick " + options);
        EXPECT_EQ(AlphaOf(sgi), alpha) << options;
    }
}

// No tool writes two channels: grey and alpha show as the grey alone, as sgitopnm shows them, at
// either depth; so do files whose dimension says one channel or one row, whatever else they say.
TEST_F(SGIFiles, GreyWithAlphaAndSmallerDimensionsShowAsSgitopnmShowsThem)
{
    const struct {
        std::string name;
        std::string bytes;
        int height;
    } cases[] = {
        {"grey-alpha8.sgi", BuiltSgi(1, 3, Height, 2, GreyAlphaPlanes(false)), Height},
        {"grey-alpha16.sgi", BuiltSgi(2, 3, Height, 2, GreyAlphaPlanes(true)), Height},
        // Dimension 2 is one channel, though three are named.
        {"dimension2.sgi", BuiltSgi(1, 2, Height, 3, GreyAlphaPlanes(false)), Height},
        // Dimension 1 is one row, though 23 are named.
        {"dimension1.sgi", BuiltSgi(1, 1, Height, 1, GreyAlphaPlanes(false)), 1},
    };
    for (const auto& c : cases) {
        Write(c.name, c.bytes);
        TSGIGraphic sgi;
        LoadFromBytes(sgi, c.bytes);
        EXPECT_EQ(sgi.PixelFormat(), pf8bit) << c.name;
        EXPECT_EQ(sgi.Height(), c.height) << c.name;
        ExpectSameImage(RgbOf(sgi), Sgitopnm(c.name), c.name);
    }
    // The first row stored is the bottom one.
    TSGIGraphic sgi;
    LoadFromBytes(sgi, cases[0].bytes);
    for (int x = 0; x < Width; ++x)
        ASSERT_EQ(sgi.PixelValue(x, Height - 1), static_cast<std::uint32_t>(SampleAt(0, x, 0))) << x;
}

TEST_F(SGIFiles, RefusesHostileTablesAndLayoutsItDoesNotRead)
{
    const std::string rle = Written("rgb8-rle.sgi", "/usr/bin/pnmtosgi -rle " + File("source.ppm"));
    const std::string deep = Written("rgb16-rle.sgi", "/usr/bin/pnmtosgi -rle " + File("deep.ppm"));
    const std::size_t entries = 3 * Height;
    const std::size_t lengths = 512 + 4 * entries;
    const std::size_t lastRow = 512 + 4 * (entries - 1);
    const struct {
        std::string label;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"start beyond the file", Patched(rle, 512 + 4 * 5, Be32(rle.size())), InvalidSgi},
        {"start far beyond the file", Patched(rle, 512, Be32(0xFFFFFFF0)), InvalidSgi},
        {"length beyond the file", Patched(rle, lengths + 4 * 7, Be32(rle.size())), InvalidSgi},
        {"huge length", Patched(rle, lengths, Be32(0xFFFFFFFF)), InvalidSgi},
        {"last row one byte long",
         Patched(rle, lengths + 4 * (entries - 1),
                 Be32(rle.size() - (std::uint8_t(rle[lastRow + 2]) << 8 | std::uint8_t(rle[lastRow + 3])) + 1)),
         InvalidSgi},
        {"tables cut", rle.substr(0, lengths + 4 * 10), InvalidSgi},
        {"no tables", rle.substr(0, 513), InvalidSgi},
        // The last row of 16-bit samples ends the file: its length counts bytes, not samples.
        {"16-bit last row", deep, "(loaded)"},
        {"a long first length", Patched(rle, lengths, Be32(rle.size() - 2000)), "(loaded)"},
        {"storage 2", Patched(rle, 2, "\2"),
         "Cannot load image. The compression scheme is not supported for sgi, "
         "bw or rgb(a) files."},
        {"3 bytes a sample", Patched(rle, 3, "\3"), SgiColorFormat},
        {"5 channels", Patched(rle, 10, Be16(5)), SgiColorFormat},
        {"no channels", Patched(rle, 10, Be16(0)), SgiColorFormat},
        {"dimension 4", Patched(rle, 4, Be16(4)), InvalidSgi},
        {"width 0", Patched(rle, 6, Be16(0)), InvalidSgi},
        {"other magic", Patched(rle, 0, Be16(0xDA01)), InvalidSgi},
        {"header cut", rle.substr(0, 511), InvalidSgi},
        {"a verbatim grey picture of 65535 x 8000 its file cannot fill",
         Patched(Patched(Patched(Patched(rle.substr(0, 600), 2, std::string(1, '\0')), 4, Be16(2)), 6, Be16(65535)), 8,
                 Be16(8000)),
         InvalidSgi},
    };
    TSGIGraphic sgi;
    std::vector<std::string> events;
    RecordProgress(sgi, events);
    LoadFromBytes(sgi, rle);
    EXPECT_EQ(events[1] + events.back(), "2 100 1 0,0,61,1 2 100 1 0,23,61,24 ") << "each stage ends at 100 %";
    const RgbImage before = RgbOf(sgi);
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(sgi, c.bytes), c.message) << c.label;
    // The loads that passed read the same picture; none that failed changed it.
    EXPECT_TRUE(RgbOf(sgi) == before);

    EXPECT_TRUE(CanLoadBytes(TSGIGraphic(), rle.substr(0, 513)));
    EXPECT_FALSE(CanLoadBytes(TSGIGraphic(), rle.substr(0, 512)));
    EXPECT_FALSE(CanLoadBytes(TSGIGraphic(), Patched(rle, 3, "\3")));
    EXPECT_FALSE(CanLoadBytes(TSGIGraphic(), Patched(rle, 4, Be16(0))));
    EXPECT_FALSE(CanLoadBytes(TSGIGraphic(), Patched(rle, 1, "\xDB")));
}

// Verbatim files cut short load with the rest black; cut or flipped files load or raise the readers'
// errors.
TEST_F(SGIFiles, DamagedFilesLoadWhatTheyHoldOrRaiseReaderErrors)
{
    const std::string verbatim = Written("grey8.bw", "/usr/bin/pnmtosgi -verbatim " + File("grey.pgm"));
    TSGIGraphic sgi;
    LoadFromBytes(sgi, verbatim.substr(0, 512 + 2 * Width + 7));
    const RgbImage whole = Sgitopnm("grey8.bw");
    const RgbImage cut = RgbOf(sgi);
    for (int x = 0; x < Width; ++x) {
        ASSERT_EQ(cut.At(x, Height - 2), whole.At(x, Height - 2)) << x;
        ASSERT_EQ(sgi.PixelValue(x, Height - 3), x < 7 ? static_cast<std::uint32_t>(whole.At(x, Height - 3).r) : 0u);
        ASSERT_EQ(sgi.PixelValue(x, 0), 0u) << x;
    }
    for (const std::string& file : {verbatim, Written("rgb8-rle.sgi", "/usr/bin/pnmtosgi -rle " + File("source.ppm")),
                                    Written("rgb16.sgi", "/usr/bin/pnmtosgi -verbatim " + File("deep.ppm")),
                                    Written("grey16-rle.bw", "/usr/bin/pnmtosgi -rle " + File("deepgrey.pgm")),
                                    BuiltSgi(2, 3, Height, 2, GreyAlphaPlanes(true))}) {
        for (const std::size_t length : CutLengths(file.size()))
            LoadError(sgi, file.substr(0, length));
        ForEachBitFlip(file, 600, 16, [&](const std::string& bytes) { LoadError(sgi, bytes); });
    }
}
