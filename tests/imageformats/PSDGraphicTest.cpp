#include "imageformats/PSDGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

const std::string InvalidPsd = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
const std::string PsdColorFormat = "Invalid color format in PSD or PDD file.";
const std::string PsdReadError = "Stream read error in PSD or PDD file.";
constexpr int Width = 61;
constexpr int Height = 23;

std::string LoadError(const std::string& bytes)
{
    TPSDGraphic psd;
    return LoadError(psd, bytes);
}

std::string Be16(std::size_t value) { return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)}; }
std::string Be32(std::size_t value) { return Be16(value >> 16) + Be16(value & 0xFFFF); }
std::size_t RowBytes(int depth) { return (std::size_t{Width} * depth + 7) / 8; }

// PackBits as a simple writer packs: a repeat for three or more equal bytes, else literals.
std::string PackBits(const std::string& row)
{
    const auto runAt = [&](std::size_t at) {
        std::size_t run = 1;
        while (at + run < row.size() && run < 128 && row[at + run] == row[at])
            ++run;
        return run;
    };
    std::string packed;
    for (std::size_t at = 0; at < row.size();) {
        const std::size_t run = runAt(at);
        if (run >= 3) {
            packed += {static_cast<char>(1 - static_cast<int>(run)), row[at]};
            at += run;
            continue;
        }
        std::size_t literal = 0;
        while (at + literal < row.size() && literal < 128 && runAt(at + literal) < 3)
            ++literal;
        packed += static_cast<char>(literal - 1) + row.substr(at, literal);
        at += literal;
    }
    return packed;
}

// A file the test builds: each channel a whole plane of rows of (width x depth + 7) / 8 bytes.
struct BuiltPsd {
    int mode = 3;
    int depth = 8;
    std::vector<std::string> channels;
    bool packed = false;
    std::string colorData = {};
    std::string signature = "8BPS";
    int version = 1;
};

std::string PsdFile(const BuiltPsd& built)
{
    std::string bytes = built.signature + Be16(built.version) + std::string(6, '\0') + Be16(built.channels.size()) +
                        Be32(Height) + Be32(Width) + Be16(built.depth) + Be16(built.mode);
    const std::string resource = "8BIM" + Be16(1005) + Be16(0) + Be32(4) + "abcd";
    // No layers and no global mask: two empty parts of the layer and mask section.
    bytes += Be32(built.colorData.size()) + built.colorData + Be32(resource.size()) + resource + Be32(8) + Be32(0) +
             Be32(0) + Be16(built.packed ? 1 : 0);
    std::string counts;
    std::string data;
    for (const std::string& channel : built.channels)
        for (int y = 0; y < Height; ++y) {
            const std::string row = channel.substr(y * RowBytes(built.depth), RowBytes(built.depth));
            data += built.packed ? PackBits(row) : row;
            counts += Be16(built.packed ? PackBits(row).size() : 0);
        }
    return bytes + (built.packed ? counts : "") + data;
}

// A plane of samples: blocks of one value, then a stretch where each differs; 16-bit samples have a
// low byte unlike the high one.
std::string Plane(int depth, int seed)
{
    std::string plane;
    for (int y = 0; y < Height; ++y)
        for (std::size_t j = 0; j < RowBytes(depth); ++j) {
            const int x = static_cast<int>(depth == 16 ? j / 2 : j) % Width;
            const int value = x < 40 ? (x / 9 + y / 5) * (37 + seed) : x * 11 + y * (3 + seed) + seed * 50;
            plane += static_cast<char>(depth == 16 && j % 2 ? seed * 41 : value);
        }
    return plane;
}

std::string Filled(int depth, std::uint8_t value) { return std::string(RowBytes(depth) * Height, char(value)); }

class PSDFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        RgbImage source{Width, Height, {}};
        const std::string red = Plane(8, 0), green = Plane(8, 1), blue = Plane(8, 2);
        for (std::size_t i = 0; i < red.size(); ++i)
            source.pixels.push_back({std::uint8_t(red[i]), std::uint8_t(green[i]), std::uint8_t(blue[i])});
        WriteWholeFile(folder_.File("source.ppm"), PpmOf(source));
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        WriteWholeFile(folder_.File(name), bytes);
        return folder_.File(name);
    }

    std::string Magick(const std::string& name, const std::string& options)
    {
        RunTool("/usr/bin/convert " + folder_.File("source.ppm") + " " + options + " " + folder_.File(name));
        return folder_.File(name);
    }

    // ImageMagick's decoding of the merged picture.
    static RgbImage MagickDecoded(const std::string& file, const std::string& options = "")
    {
        return DecodedBy("/usr/bin/convert '" + file + "[0]' " + options + " -depth 8 ppm:-");
    }

    static RgbImage PillowDecoded(const std::string& file)
    {
        return DecodedBy("/usr/bin/python3 -c \"import sys; from PIL import Image; Image.open('" + file +
                         "').convert('RGB').save(sys.stdout.buffer, 'PPM')\"");
    }

    TemporaryFolder folder_;
};

} // namespace

// ImageMagick decodes partly transparent pixels of a merged picture as if blended with white, so
// colours are compared where the picture is opaque, and alpha everywhere.
TEST_F(PSDFiles, ImageMagicksFilesDecodeAsImageMagickDecodesThem)
{
    const std::string alpha = " -alpha set -channel A -fx \"i < 30 ? 1 : (i * 7 + j) % 5 / 4\" +channel";
    const struct {
        std::string name;
        std::string options;
        TPixelFormat format;
        int tolerance;
    } kinds[] = {
        {"rgb", "", pf24bit, 0},
        {"rgba", alpha, pf32bit, 0},
        {"grey", "-colorspace Gray", pf8bit, 0},
        {"greyalpha", "-colorspace Gray" + alpha, pf8bit, 0},
        {"cmyk", "-colorspace CMYK", pf24bit, 2},
    };
    for (const auto& kind : kinds)
        for (const std::string options : {" -depth 8 -compress None", " -depth 8 -compress RLE",
                                          " -depth 16 -compress None", " -depth 16 -compress RLE"}) {
            const std::string label = kind.name + options;
            const std::string file = Magick(kind.name + ".psd", kind.options + options);
            TPSDGraphic psd;
            psd.LoadFromFile(file);
            EXPECT_EQ(psd.PixelFormat(), kind.format) << label;
            EXPECT_EQ(psd.ImageProperties().Compression, options.ends_with("RLE") ? ctPackedBits : ctNone) << label;
            RgbImage ours = RgbOf(psd);
            RgbImage theirs = MagickDecoded(file);
            if (kind.options.find("alpha") != std::string::npos) {
                const RgbImage theirAlpha = MagickDecoded(file, "-alpha extract");
                std::vector<std::uint8_t> expectedAlpha;
                for (std::size_t i = 0; i < theirAlpha.pixels.size(); ++i) {
                    expectedAlpha.push_back(theirAlpha.pixels[i].r);
                    if (expectedAlpha.back() != 255)
                        ours.pixels[i] = theirs.pixels[i] = {};
                }
                if (kind.format == pf32bit) {
                    EXPECT_EQ(AlphaOf(psd), expectedAlpha) << label;
                }
            }
            ExpectSameImage(ours, theirs, label, 8, kind.tolerance);
        }
}

// Pillow judges indexed files, which ImageMagick cannot read; it reads the packed rows of those with
// more than one channel from the wrong place, so it judges them with their first channel alone.
// Extra channels are opaque alpha, which both read as no change.
TEST_F(PSDFiles, BuiltFilesOfEveryModeDecodeAsOutsideReadersDecodeThem)
{
    std::string colors;
    for (int i = 0; i < 768; ++i)
        colors += static_cast<char>(i < 256 ? i : i < 512 ? 511 - i : i * 3);
    const struct {
        std::string name;
        BuiltPsd built;
        TPixelFormat format;
        int tolerance;
        bool pillow;
    } cases[] = {
        {"indexed", {2, 8, {Plane(8, 0), Plane(8, 3)}, false, colors}, pf8bit, 0, true},
        {"bitmap", {0, 1, {Plane(1, 4)}}, pf1bit, 0, false},
        {"grey 16 with a selection", {1, 16, {Plane(16, 2), Filled(16, 255)}}, pf8bit, 1, false},
        {"duotone", {8, 8, {Plane(8, 2)}}, pf8bit, 0, false},
        {"multichannel", {7, 8, {Plane(8, 0), Plane(8, 1), Plane(8, 2)}}, pf24bit, 0, false},
        {"five channels",
         {3, 8, {Plane(8, 0), Plane(8, 1), Plane(8, 2), Filled(8, 255), Plane(8, 4)}},
         pf32bit,
         0,
         false},
        {"five channels 16",
         {3, 16, {Plane(16, 0), Plane(16, 1), Plane(16, 2), Filled(16, 255), Plane(16, 4)}},
         pf32bit,
         1,
         false},
    };
    for (const auto& c : cases)
        for (const bool packed : {false, true}) {
            BuiltPsd built = c.built;
            built.packed = packed;
            const std::string label = c.name + (packed ? " packed" : " raw");
            TPSDGraphic psd;
            psd.LoadFromFile(Write("built.psd", PsdFile(built)));
            EXPECT_EQ(psd.PixelFormat(), c.format) << label;
            if (c.pillow)
                built.channels.resize(1);
            const std::string judged = Write("judged.psd", PsdFile(built));
            ExpectSameImage(RgbOf(psd), c.pillow ? PillowDecoded(judged) : MagickDecoded(judged), label, 8,
                            c.tolerance);
            if (c.format == pf32bit) {
                EXPECT_EQ(AlphaOf(psd), std::vector<std::uint8_t>(Width * Height, 255)) << label;
            }
        }
}

// ImageMagick and Pillow give L*a*b* the sRGB transfer curve, which the colour manager's conversion
// has not: the reader's planes are judged by the manager's conversion of each pixel given whole,
// and the conversion by black and white.
TEST(PSDGraphic, LabPicturesConvertTheirFirstThreeChannels)
{
    for (const int depth : {8, 16}) {
        TColorManager manager;
        manager.SourceOptions = {coSwapBytes, coLabScaledLightness, coLabUnsignedChroma};
        manager.SetSourceColorScheme(csCIELab);
        manager.SetSourceBitsPerSample(static_cast<std::uint8_t>(depth));
        manager.SetTargetColorScheme(csRGB);
        manager.SetTargetBitsPerSample(8);
        const std::vector<std::string> lab = {Plane(depth, 0), Plane(depth, 1), Plane(depth, 2)};
        RgbImage expected{Width, Height, {}};
        const std::size_t bytes = static_cast<std::size_t>(depth) / 8;
        for (std::size_t i = 0; i < lab[0].size(); i += bytes) {
            const std::string pixel = lab[0].substr(i, bytes) + lab[1].substr(i, bytes) + lab[2].substr(i, bytes);
            std::array<std::uint8_t, 3> rgb{};
            manager.ConvertRow(reinterpret_cast<const std::uint8_t*>(pixel.data()), rgb.data(), 1, 0xFF);
            expected.pixels.push_back({rgb[0], rgb[1], rgb[2]});
        }
        for (const bool packed : {false, true})
            for (const bool alpha : {false, true}) {
                std::vector<std::string> channels = lab;
                if (alpha)
                    channels.push_back(Filled(depth, 255));
                TPSDGraphic psd;
                LoadFromBytes(psd, PsdFile({9, depth, channels, packed}));
                EXPECT_EQ(psd.PixelFormat(), pf24bit);
                ExpectSameImage(RgbOf(psd), expected,
                                std::to_string(depth) + (packed ? " packed" : "") + (alpha ? " alpha" : ""));
            }
    }
    TPSDGraphic psd;
    LoadFromBytes(psd, PsdFile({9, 8, {Filled(8, 255), Filled(8, 128), Filled(8, 128)}}));
    EXPECT_EQ(RgbOf(psd).At(0, 0), (Rgb{255, 255, 255}));
    LoadFromBytes(psd, PsdFile({9, 8, {Filled(8, 0), Filled(8, 128), Filled(8, 128)}}));
    EXPECT_EQ(RgbOf(psd).At(0, 0), (Rgb{0, 0, 0}));
}

// Colour data past 768 bytes are passed over without shifting the pixels; 300 bytes are three
// planes of 100 colours, and the other indices black.
// The merged picture stores a pixel of colour c and alpha a blended with white: a c + (1 - a) 255.
// A layer pixel 0, 111, 175 at alpha 16 is stored 239, 245, 249 and reads (s - 239) 255 / 16 back,
// rounded: 0, 96, 159; at 16 bits green is 0.375 of the full scale, which the reduction to 8 bits
// truncates to 95.
TEST(PSDGraphic, PartlyTransparentPixelsLoseTheWhiteTheyWereBlendedWith)
{
    for (const int depth : {8, 16}) {
        TPSDGraphic psd;
        LoadFromBytes(
            psd, PsdFile({3, depth, {Filled(depth, 239), Filled(depth, 245), Filled(depth, 249), Filled(depth, 16)}}));
        ASSERT_EQ(psd.PixelFormat(), pf32bit) << depth;
        EXPECT_EQ(RgbOf(psd).At(5, 7), (Rgb{0, static_cast<std::uint8_t>(depth == 8 ? 96 : 95), 159})) << depth;
        EXPECT_EQ(AlphaOf(psd).at(7 * Width + 5), 16) << depth;
    }
}

TEST(PSDGraphic, IndexedColourDataGiveUpTo256Colours)
{
    std::string colors;
    std::string indices;
    for (int i = 0; i < 768; ++i)
        colors += static_cast<char>(i * 7);
    for (int i = 0; i < Width * Height; ++i)
        indices += static_cast<char>(i % 256);
    for (const std::size_t length : {867u, 300u}) {
        const std::string data = length > 768 ? colors + std::string(99, 'x') : colors.substr(0, length);
        const std::size_t count = std::min<std::size_t>(length, 768) / 3;
        TPSDGraphic psd;
        LoadFromBytes(psd, PsdFile({2, 8, {indices}, true, data}));
        const RgbImage ours = RgbOf(psd);
        for (std::size_t i = 0; i < 256; ++i) {
            const Rgb expected =
                i < count ? Rgb{std::uint8_t(data[i]), std::uint8_t(data[count + i]), std::uint8_t(data[2 * count + i])}
                          : Rgb{};
            ASSERT_EQ(ours.pixels[i], expected) << length << " " << i;
        }
    }
}

TEST(PSDGraphic, RefusesWhatItDoesNotReadWithItsMessages)
{
    const std::vector<std::string> rgb = {Plane(8, 0), Plane(8, 1), Plane(8, 2)};
    BuiltPsd lower{3, 8, rgb};
    lower.signature = "8bps";
    BuiltPsd second{3, 8, rgb};
    second.version = 2;
    const struct {
        std::string bytes;
        bool canLoad;
        std::string message;
    } cases[] = {
        {PsdFile({3, 8, rgb}), true, "(loaded)"},
        {PsdFile(lower), true, InvalidPsd},
        {PsdFile(second), false, InvalidPsd},
        {PsdFile({3, 8, rgb}).substr(0, 26), false, InvalidPsd},
        {PsdFile({3, 8, {Plane(8, 0), Plane(8, 1)}}), true, PsdColorFormat},
        {PsdFile({7, 16, {Plane(16, 0)}}), true, PsdColorFormat},
        {PsdFile({4, 8, rgb}), true, PsdColorFormat},
        {PsdFile({9, 8, {Plane(8, 0), Plane(8, 1)}}), true, PsdColorFormat},
        {PsdFile({5, 8, rgb}), true, PsdColorFormat},
        {PsdFile({2, 16, {Plane(16, 0)}, false, std::string(768, '\0')}), true, PsdColorFormat},
        {PsdFile({1, 4, {Filled(4, 0)}}), true, PsdColorFormat},
        {PsdFile({1, 8, {}}), true, PsdColorFormat},
        {PsdFile({3, 8, rgb}).substr(0, 2000), true, PsdReadError},
    };
    for (const auto& c : cases) {
        TMemoryStream stream;
        stream.Write(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
        stream.SetPosition(0);
        EXPECT_EQ(TPSDGraphic().CanLoad(stream), c.canLoad) << c.message;
        EXPECT_EQ(stream.Position(), 0);
        EXPECT_EQ(LoadError(c.bytes), c.message);
    }
    // Zip-compressed data are not read as raw ones.
    std::string zipped = PsdFile({3, 8, rgb});
    zipped[zipped.size() - 3 * Width * Height - 1] = 2;
    EXPECT_EQ(LoadError(zipped), "Cannot load image. The compression scheme is not supported for PSD or PDD files.");

    // A refused load leaves the picture that was there.
    TPSDGraphic psd;
    LoadFromBytes(psd, PsdFile({3, 8, rgb}));
    const RgbImage before = RgbOf(psd);
    for (const auto& c : cases) {
        if (c.message != "(loaded)") {
            EXPECT_EQ(LoadError(psd, c.bytes), c.message);
        }
    }
    EXPECT_TRUE(RgbOf(psd) == before);
}

// Files of a few dozen kilobytes at most that declare 16000 x 11000 RGB pixels (528 MB) cannot fill
// them: they are refused before the planes or the picture are made.
TEST(PSDGraphic, FilesTooShortForTheirPictureAreRefusedBeforeItIsMade)
{
    const auto declaring = [](bool packed, const std::string& data) {
        return "8BPS" + Be16(1) + std::string(6, '\0') + Be16(3) + Be32(11000) + Be32(16000) + Be16(8) + Be16(3) +
               Be32(0) + Be32(0) + Be32(0) + Be16(packed ? 1 : 0) + data;
    };
    std::string byteEach;
    for (int row = 0; row < 3 * 11000; ++row)
        byteEach += Be16(1);
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"every row count 0", declaring(true, std::string(6 * 11000, '\0')), InvalidPsd},
        {"a byte for each row", declaring(true, byteEach + std::string(3 * 11000, '\x80')), InvalidPsd},
        {"no stored rows", declaring(false, ""), PsdReadError},
        {"a sound packed file", PsdFile({3, 8, {Plane(8, 0), Plane(8, 1), Plane(8, 2)}, true}), "(loaded)"},
    };
    for (const auto& c : cases) {
        TPSDGraphic psd;
        const MeasuredWork load = MeasuredLoad(psd, c.bytes);
        EXPECT_EQ(load.answer, c.message) << c.name;
        EXPECT_LT(load.peakBytes, RefusalBytes) << c.name;
    }
}

// Channels past those a mode takes are not read, so a raw file cut inside them still loads.
TEST(PSDGraphic, CutAndBitFlippedFilesLoadOrRaiseReaderErrors)
{
    const struct {
        BuiltPsd built;
        std::size_t unreadTail;
    } cases[] = {
        {{3, 8, {Plane(8, 0), Plane(8, 1), Plane(8, 2)}, true}, 0},
        {{4, 16, {Plane(16, 0), Plane(16, 1), Plane(16, 2), Plane(16, 3)}, true}, 0},
        {{1, 16, {Plane(16, 0)}}, 0},
        {{0, 1, {Plane(1, 0)}, true}, 0},
        {{2, 8, {Plane(8, 0)}, true, std::string(768, 'c')}, 0},
        {{9, 8, {Plane(8, 0), Plane(8, 1), Plane(8, 2), Plane(8, 3)}}, Plane(8, 3).size()},
    };
    for (const auto& c : cases) {
        const std::string whole = PsdFile(c.built);
        for (const std::size_t length : CutLengths(whole.size())) {
            const std::string message = LoadError(whole.substr(0, length));
            if (length >= whole.size() - c.unreadTail)
                EXPECT_EQ(message, "(loaded)") << c.built.mode << " cut at " << length;
            else
                EXPECT_TRUE(message == InvalidPsd || message == PsdReadError)
                    << c.built.mode << " cut at " << length << ": " << message;
        }
        ForEachBitFlip(whole, 600, 120, [](const std::string& bytes) { LoadError(bytes); });
    }
}
