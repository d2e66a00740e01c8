#include "imageformats/PSDGraphic.h"
#include "imageformats/GraphicCompression.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string InvalidPsd = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
const std::string PsdColorFormat = "Invalid color format in PSD or PDD file.";

constexpr int Width = 61;
constexpr int Height = 23;

std::string Be16(unsigned value) { return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)}; }
std::string Be32(std::uint32_t value) { return Be16(value >> 16) + Be16(value & 0xFFFF); }

// PackBits as a simple writer packs: a repeat for three or more equal bytes, else literals.
std::string PackBits(const std::string& row)
{
    std::string packed;
    std::size_t at = 0;
    while (at < row.size()) {
        std::size_t run = 1;
        while (at + run < row.size() && run < 128 && row[at + run] == row[at])
            ++run;
        if (run >= 3) {
            packed += static_cast<char>(1 - static_cast<int>(run));
            packed += row[at];
            at += run;
            continue;
        }
        std::size_t literal = 0;
        while (at + literal < row.size() && literal < 128 &&
               !(at + literal + 2 < row.size() && row[at + literal] == row[at + literal + 1] &&
                 row[at + literal] == row[at + literal + 2]))
            ++literal;
        packed += static_cast<char>(literal - 1);
        packed += row.substr(at, literal);
        at += literal;
    }
    return packed;
}

// A Photoshop file as the test builds it: the channels are whole planes of rows of
// (width x depth + 7) / 8 bytes.
struct PsdSpec {
    int mode = 3;
    int depth = 8;
    std::vector<std::string> channels;
    bool packed = false;
    std::string colorData = {};
    std::string signature = "8BPS";
    int version = 1;
};

std::size_t RowBytes(int depth) { return (static_cast<std::size_t>(Width) * depth + 7) / 8; }

std::string PsdFile(const PsdSpec& spec)
{
    std::string bytes = spec.signature + Be16(spec.version) + std::string(6, '\0') + Be16(spec.channels.size()) +
                        Be32(Height) + Be32(Width) + Be16(spec.depth) + Be16(spec.mode);
    bytes += Be32(spec.colorData.size()) + spec.colorData;
    const std::string resource = "8BIM" + Be16(1005) + std::string(2, '\0') + Be32(4) + "abcd";
    // No layers and no global mask: two empty parts of the layer and mask section.
    bytes += Be32(resource.size()) + resource + Be32(8) + Be32(0) + Be32(0);
    bytes += Be16(spec.packed ? 1 : 0);
    const std::size_t rowBytes = RowBytes(spec.depth);
    std::string counts;
    std::string data;
    for (const std::string& channel : spec.channels)
        for (int y = 0; y < Height; ++y) {
            const std::string row = channel.substr(y * rowBytes, rowBytes);
            const std::string packed = spec.packed ? PackBits(row) : row;
            counts += Be16(packed.size());
            data += packed;
        }
    return bytes + (spec.packed ? counts : "") + data;
}

// A plane of 8-bit samples: blocks of one value, then a stretch where each differs.
std::string Plane8(int seed)
{
    std::string plane;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            plane += static_cast<char>(x < 40 ? (x / 9 + y / 5) * (37 + seed) : x * 11 + y * (3 + seed) + seed * 50);
    return plane;
}

// The same plane widened to 16 bits, with a low byte that differs from the high one.
std::string Plane16(int seed)
{
    std::string plane;
    for (const char high : Plane8(seed))
        plane += {high, static_cast<char>(seed * 41)};
    return plane;
}

// A plane of any depth: 8- and 16-bit samples as above, other rows filled from the 8-bit row.
std::string Plane(int depth, int seed)
{
    if (depth == 8 || depth == 16)
        return depth == 8 ? Plane8(seed) : Plane16(seed);
    const std::string samples = Plane8(seed);
    std::string plane;
    for (int y = 0; y < Height; ++y)
        for (std::size_t j = 0; j < RowBytes(depth); ++j)
            plane += static_cast<char>(samples[y * Width + j % Width] ^ (j / Width * 41));
    return plane;
}

std::string Filled(int depth, std::uint8_t value) { return std::string(RowBytes(depth) * Height, char(value)); }

// The message a load raises, "(loaded)" when it raises none; every refusal must be one of the
// readers' own errors.
std::string LoadError(TPSDGraphic& psd, const std::string& bytes)
{
    try {
        LoadFromBytes(psd, bytes);
    } catch (const EInvalidGraphic& error) {
        return error.Message();
    } catch (const EColorConversionError& error) {
        return error.Message();
    } catch (const EGraphicCompression& error) {
        return error.Message();
    }
    return "(loaded)";
}

std::string LoadError(const std::string& bytes)
{
    TPSDGraphic psd;
    return LoadError(psd, bytes);
}

std::vector<std::uint8_t> AlphaOf(const TBitmap& bitmap)
{
    std::vector<std::uint8_t> alpha;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            alpha.push_back(bitmap.ScanLine(y)[4 * x + 3]);
    return alpha;
}

// Pixels that are not opaque made black, in a picture and its alpha as a grey picture.
RgbImage OpaqueOnly(RgbImage image, const RgbImage& alpha)
{
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        if (alpha.pixels.at(i).r != 255)
            image.pixels[i] = {};
    return image;
}

// What the colour manager makes of L*a*b* samples given pixel by pixel, as Photoshop stores them:
// lightness over the whole range and chroma with 128 (32768) added, most significant byte first.
RgbImage LabExpected(const std::vector<std::string>& channels, int depth)
{
    TColorManager manager;
    manager.SourceOptions = {coSwapBytes, coLabScaledLightness, coLabUnsignedChroma};
    manager.SetSourceColorScheme(csCIELab);
    manager.SetSourceBitsPerSample(static_cast<std::uint8_t>(depth));
    manager.SetSourceSamplesPerPixel(3);
    manager.SetTargetColorScheme(csRGB);
    manager.SetTargetBitsPerSample(8);
    manager.SetTargetSamplesPerPixel(3);
    RgbImage image{Width, Height, {}};
    const std::size_t sampleBytes = static_cast<std::size_t>(depth) / 8;
    for (std::size_t i = 0; i < static_cast<std::size_t>(Width) * Height; ++i) {
        std::string pixel;
        for (int k = 0; k < 3; ++k)
            pixel += channels[static_cast<std::size_t>(k)].substr(i * sampleBytes, sampleBytes);
        std::array<std::uint8_t, 3> rgb{};
        manager.ConvertRow(reinterpret_cast<const std::uint8_t*>(pixel.data()), rgb.data(), 1, 0xFF);
        image.pixels.push_back({rgb[0], rgb[1], rgb[2]});
    }
    return image;
}

class PSDFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        RgbImage source{Width, Height, {}};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                source.pixels.push_back({static_cast<std::uint8_t>(Plane8(0)[y * Width + x]),
                                         static_cast<std::uint8_t>(Plane8(1)[y * Width + x]),
                                         static_cast<std::uint8_t>(Plane8(2)[y * Width + x])});
        WriteWholeFile(source_, PpmOf(source));
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        WriteWholeFile(folder_.File(name), bytes);
        return folder_.File(name);
    }

    // ImageMagick's file of the source picture with the given options.
    std::string Magick(const std::string& name, const std::string& options)
    {
        RunTool("/usr/bin/convert " + source_ + " " + options + " " + folder_.File(name));
        return folder_.File(name);
    }

    // ImageMagick's decoding of the merged picture.
    static RgbImage MagickDecoded(const std::string& file, const std::string& options = "")
    {
        return DecodedBy("/usr/bin/convert '" + file + "[0]' " + options + " -depth 8 ppm:-");
    }

    static RgbImage PillowDecoded(const std::string& file)
    {
        return DecodedBy("/usr/bin/python3 -c \"import sys; from PIL import Image; "
                         "Image.open('" +
                         file + "').convert('RGB').save(sys.stdout.buffer, 'PPM')\"");
    }

    TemporaryFolder folder_;
    std::string source_ = folder_.File("source.ppm");
};

} // namespace

// ImageMagick decodes partly transparent pixels of a merged picture as if blended with white, so
// those are compared where they are opaque, and their alpha everywhere.
TEST_F(PSDFiles, ImageMagicksFilesDecodeAsImageMagickDecodesThem)
{
    const std::string alpha = "-alpha set -channel A -fx \"i < 30 ? 1 : (i * 7 + j) % 5 / 4\" +channel";
    const struct {
        std::string name;
        std::string options;
        TPixelFormat format;
        int tolerance;
    } kinds[] = {
        {"rgb", "", pf24bit, 0},
        {"rgba", alpha, pf32bit, 0},
        {"grey", "-colorspace Gray", pf8bit, 0},
        {"greyalpha", "-colorspace Gray " + alpha, pf8bit, 0},
        {"cmyk", "-colorspace CMYK", pf24bit, 2},
    };
    for (const auto& kind : kinds)
        for (const int depth : {8, 16})
            for (const std::string compression : {"None", "RLE"}) {
                const std::string label = kind.name + " " + std::to_string(depth) + " " + compression;
                const std::string file =
                    Magick(kind.name + std::to_string(depth) + compression + ".psd",
                           kind.options + " -depth " + std::to_string(depth) + " -compress " + compression);
                TPSDGraphic psd;
                psd.LoadFromFile(file);
                EXPECT_EQ(psd.PixelFormat(), kind.format) << label;
                EXPECT_EQ(psd.ImageProperties().Compression, compression == "RLE" ? ctPackedBits : ctNone) << label;
                const RgbImage theirs = MagickDecoded(file);
                if (kind.options.find("alpha") == std::string::npos) {
                    ExpectSameImage(RgbOf(psd), theirs, label, 8, kind.tolerance);
                    continue;
                }
                const RgbImage theirAlpha = MagickDecoded(file, "-alpha extract");
                ExpectSameImage(OpaqueOnly(RgbOf(psd), theirAlpha), OpaqueOnly(theirs, theirAlpha), label);
                if (kind.format == pf32bit) {
                    std::vector<std::uint8_t> expected;
                    for (const Rgb& pixel : theirAlpha.pixels)
                        expected.push_back(pixel.r);
                    EXPECT_EQ(AlphaOf(psd), expected) << label;
                }
            }
}

TEST_F(PSDFiles, BuiltFilesOfEveryModeDecodeAsOutsideReadersDecodeThem)
{
    // 256 reds, greens and blues; the picture's indices use them all.
    std::string colors;
    for (int plane = 0; plane < 3; ++plane)
        for (int i = 0; i < 256; ++i)
            colors += static_cast<char>(plane == 0 ? i : plane == 1 ? 255 - i : i * 3);
    const std::string opaque = Filled(8, 255);
    // Pillow reads the packed rows of indexed files with more channels than one from the wrong
    // place, so it judges those files with their first channel alone.
    const struct {
        std::string name;
        PsdSpec spec;
        TPixelFormat format;
        bool pillow; // ImageMagick cannot read indexed files
        int tolerance;
        std::size_t judgedChannels; // 0 for all
    } cases[] = {
        {"indexed", {2, 8, {Plane8(0)}, false, colors}, pf8bit, true, 0, 0},
        {"indexed with alpha", {2, 8, {Plane8(0), Plane8(3)}, true, colors}, pf8bit, true, 0, 1},
        {"bitmap", {0, 1, {Plane(1, 4)}}, pf1bit, false, 0, 0},
        {"grey 16 with a selection", {1, 16, {Plane16(2), Filled(16, 255)}, true}, pf8bit, false, 1, 0},
        {"duotone", {8, 8, {Plane8(2)}, true}, pf8bit, false, 0, 0},
        {"multichannel", {7, 8, {Plane8(0), Plane8(1), Plane8(2)}, true}, pf24bit, false, 0, 0},
        {"five channels", {3, 8, {Plane8(0), Plane8(1), Plane8(2), opaque, Plane8(4)}, true}, pf32bit, false, 0, 0},
        {"five channels 16",
         {3, 16, {Plane16(0), Plane16(1), Plane16(2), Filled(16, 255), Plane16(4)}},
         pf32bit,
         false,
         1,
         0},
    };
    for (const auto& c : cases)
        for (const bool packed : {false, true}) {
            PsdSpec spec = c.spec;
            spec.packed = packed;
            const std::string label = c.name + (packed ? " packed" : " raw");
            TPSDGraphic psd;
            psd.LoadFromFile(Write("built.psd", PsdFile(spec)));
            EXPECT_EQ(psd.PixelFormat(), c.format) << label;
            if (c.judgedChannels > 0)
                spec.channels.resize(c.judgedChannels);
            const std::string judged = Write("judged.psd", PsdFile(spec));
            ExpectSameImage(RgbOf(psd), c.pillow ? PillowDecoded(judged) : MagickDecoded(judged), label, 8,
                            c.tolerance);
            if (c.format == pf32bit) {
                EXPECT_EQ(AlphaOf(psd), std::vector<std::uint8_t>(Width * Height, 255)) << label;
            }
        }
}

// ImageMagick and Pillow turn L*a*b* into sRGB with its transfer curve; the colour manager's
// conversion has none, so the planes are judged by the manager's conversion of each pixel, and the
// conversion by its neutral greys.
TEST_F(PSDFiles, LabPicturesConvertFromTheirFirstThreeChannels)
{
    for (const int depth : {8, 16}) {
        std::string lightness = Plane(depth, 0);
        std::string neutral = Filled(depth, 0);
        for (std::size_t i = 0; i < neutral.size(); i += depth / 8)
            neutral[i] = static_cast<char>(0x80);
        const std::vector<std::string> channels = {lightness, Plane(depth, 1), Plane(depth, 2)};
        for (const bool packed : {false, true})
            for (const bool alpha : {false, true}) {
                const std::string label =
                    std::to_string(depth) + (packed ? " packed" : " raw") + (alpha ? " alpha" : "");
                std::vector<std::string> stored = channels;
                if (alpha)
                    stored.push_back(Filled(depth, 255));
                TPSDGraphic psd;
                LoadFromBytes(psd, PsdFile({9, depth, stored, packed}));
                EXPECT_EQ(psd.PixelFormat(), pf24bit) << label;
                ExpectSameImage(RgbOf(psd), LabExpected(channels, depth), label);
                LoadFromBytes(psd, PsdFile({9, depth, {lightness, neutral, neutral}, packed}));
                const RgbImage greys = RgbOf(psd);
                for (const Rgb& pixel : greys.pixels)
                    ASSERT_TRUE(std::abs(pixel.r - pixel.g) <= 1 && std::abs(pixel.g - pixel.b) <= 1)
                        << label << " " << pixel;
            }
    }
    std::string white = Filled(8, 255);
    std::string noChroma = Filled(8, 128);
    TPSDGraphic psd;
    LoadFromBytes(psd, PsdFile({9, 8, {white, noChroma, noChroma}}));
    EXPECT_EQ(RgbOf(psd).At(0, 0), (Rgb{255, 255, 255}));
    LoadFromBytes(psd, PsdFile({9, 8, {Filled(8, 0), noChroma, noChroma}}));
    EXPECT_EQ(RgbOf(psd).At(0, 0), (Rgb{0, 0, 0}));
}

TEST(PSDGraphic, IndexedColourDataTakeUpTo256Colours)
{
    std::string colors;
    for (int i = 0; i < 768; ++i)
        colors += static_cast<char>(i * 7);
    std::string indices;
    for (int i = 0; i < Width * Height; ++i)
        indices += static_cast<char>(i % 256);
    const auto colorAt = [](const std::string& data, std::size_t count, int index) {
        return Rgb{static_cast<std::uint8_t>(data[index]), static_cast<std::uint8_t>(data[count + index]),
                   static_cast<std::uint8_t>(data[2 * count + index])};
    };
    TPSDGraphic psd;
    // Data past 768 bytes are passed over and do not shift the pixels.
    LoadFromBytes(psd, PsdFile({2, 8, {indices}, true, colors + std::string(99, 'x')}));
    EXPECT_EQ(psd.Palette().Count(), 256);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(RgbOf(psd).pixels[i], colorAt(colors, 256, i % 256)) << i;
    // 300 bytes are 100 colours of three planes of 100; the others are black.
    LoadFromBytes(psd, PsdFile({2, 8, {indices}, false, colors.substr(0, 300)}));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(RgbOf(psd).pixels[i], i < 100 ? colorAt(colors, 100, i) : Rgb{}) << i;
}

TEST(PSDGraphic, RefusesWhatItDoesNotReadWithItsMessages)
{
    const std::vector<std::string> rgb = {Plane8(0), Plane8(1), Plane8(2)};
    const auto canLoad = [](const std::string& bytes) {
        TMemoryStream stream;
        stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        stream.SetPosition(0);
        const bool answer = TPSDGraphic().CanLoad(stream);
        EXPECT_EQ(stream.Position(), 0);
        return answer;
    };
    PsdSpec lower{3, 8, rgb};
    lower.signature = "8bps";
    EXPECT_TRUE(canLoad(PsdFile(lower)));
    EXPECT_EQ(LoadError(PsdFile(lower)), InvalidPsd);
    PsdSpec second{3, 8, rgb};
    second.version = 2;
    EXPECT_FALSE(canLoad(PsdFile(second)));
    EXPECT_EQ(LoadError(PsdFile(second)), InvalidPsd);
    EXPECT_TRUE(canLoad(PsdFile({3, 8, rgb})));
    EXPECT_FALSE(canLoad(PsdFile({3, 8, rgb}).substr(0, 26)));

    const struct {
        PsdSpec spec;
        std::string message;
    } cases[] = {
        {{3, 8, {Plane8(0), Plane8(1)}}, PsdColorFormat},
        {{3, 8, {Plane8(0)}}, PsdColorFormat},
        {{7, 16, {Plane16(0), Plane16(1)}}, PsdColorFormat},
        {{4, 8, rgb}, PsdColorFormat},
        {{9, 8, {Plane8(0), Plane8(1)}}, PsdColorFormat},
        {{5, 8, rgb}, PsdColorFormat},
        {{3, 32, {Plane(32, 0), Plane(32, 1), Plane(32, 2)}}, PsdColorFormat},
        {{2, 16, {Plane16(0)}, false, std::string(768, '\0')}, PsdColorFormat},
        {{1, 4, {Plane(4, 0)}}, PsdColorFormat},
        {{1, 8, {}}, PsdColorFormat},
        {{3, 8, rgb}, "(loaded)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(PsdFile(c.spec)), c.message) << c.spec.mode << " " << c.spec.channels.size();

    // Zip-compressed data are not read as raw ones.
    std::string zipped = PsdFile({3, 8, rgb});
    const std::size_t compression = zipped.size() - 3 * Width * Height - 2;
    zipped[compression + 1] = 2;
    EXPECT_EQ(LoadError(zipped), "Cannot load image. The compression scheme is not supported for PSD or PDD files.");

    // A refused load leaves the picture that was there.
    TPSDGraphic psd;
    LoadFromBytes(psd, PsdFile({3, 8, rgb}));
    const RgbImage before = RgbOf(psd);
    EXPECT_EQ(LoadError(psd, PsdFile({3, 8, {Plane8(0), Plane8(1)}})), PsdColorFormat);
    EXPECT_EQ(LoadError(psd, PsdFile(second)), InvalidPsd);
    EXPECT_EQ(LoadError(psd, PsdFile({3, 8, rgb}).substr(0, 2000)), "Stream read error in PSD or PDD file.");
    EXPECT_EQ(psd.PixelFormat(), pf24bit);
    EXPECT_TRUE(RgbOf(psd) == before);
}

TEST(PSDGraphic, CutAndBitFlippedFilesLoadOrRaiseReaderErrors)
{
    std::string colors(768, '\0');
    for (int i = 0; i < 768; ++i)
        colors[i] = static_cast<char>(i);
    // Channels past those a mode takes are not read, so a raw file cut inside them still loads.
    const struct {
        PsdSpec spec;
        std::size_t unreadTail;
    } cases[] = {
        {{3, 8, {Plane8(0), Plane8(1), Plane8(2)}, true}, 0},
        {{4, 16, {Plane16(0), Plane16(1), Plane16(2), Plane16(3)}, true}, 0},
        {{1, 16, {Plane16(0)}}, 0},
        {{0, 1, {Plane(1, 0)}, true}, 0},
        {{2, 8, {Plane8(0)}, true, colors}, 0},
        {{9, 8, {Plane8(0), Plane8(1), Plane8(2), Plane8(3)}}, Plane8(3).size()},
    };
    for (const auto& c : cases) {
        const std::string whole = PsdFile(c.spec);
        for (const std::size_t length : CutLengths(whole.size())) {
            const std::string message = LoadError(whole.substr(0, length));
            if (length >= whole.size() - c.unreadTail)
                EXPECT_EQ(message, "(loaded)") << c.spec.mode << " cut at " << length;
            else
                EXPECT_TRUE(message == InvalidPsd || message == "Stream read error in PSD or PDD file.")
                    << c.spec.mode << " cut at " << length << ": " << message;
        }
        ForEachBitFlip(whole, 600, 120, [](const std::string& bytes) { LoadError(bytes); });
    }
}
