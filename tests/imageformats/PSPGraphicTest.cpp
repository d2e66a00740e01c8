#include "imageformats/PSPGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "RunLengthFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace fixtures;

namespace {

const std::string InvalidPsp = "Cannot load image. Invalid or unexpected PSP image format.";
const std::string PspColorFormat = "Invalid color format in PSP file.";
const std::string PspCompression = "Cannot load image. The compression scheme is not supported for PSP files.";
constexpr int Width = 150;
constexpr int Height = 6;

// Runs longer than a packet holds, then a different value at almost every byte.
Bytes TestPlane(std::size_t rowSize, int seed)
{
    Bytes plane;
    for (int y = 0; y < Height; ++y)
        for (std::size_t x = 0; x < rowSize; ++x)
            plane.push_back(static_cast<std::uint8_t>(x < rowSize * 2 / 3 ? seed + y : x * 5 + y * 3 + seed));
    return plane;
}

PspLayer ColorLayer(int seed, bool alpha = false)
{
    PspLayer layer;
    for (std::uint16_t type = 1; type <= 3; ++type)
        layer.channels.push_back({type, TestPlane(Width, seed + 40 * type)});
    if (alpha)
        layer.channels.push_back({0, TestPlane(Width, seed + 7)});
    return layer;
}

RgbImage ColorsOf(const PspLayer& layer)
{
    RgbImage image{Width, Height, {}};
    for (std::size_t i = 0; i < std::size_t{Width} * Height; ++i)
        image.pixels.push_back({layer.channels[0].plane[i], layer.channels[1].plane[i], layer.channels[2].plane[i]});
    return image;
}

PspLayout ColorLayout(std::uint16_t version, std::uint16_t compression)
{
    PspLayout layout;
    layout.version = version;
    layout.compression = compression;
    layout.width = Width;
    layout.height = Height;
    layout.layers = {ColorLayer(0)};
    return layout;
}

std::vector<Rgb> TestColors(int count)
{
    std::vector<Rgb> colors;
    for (int i = 0; i < count; ++i)
        colors.push_back({static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                          static_cast<std::uint8_t>(i ^ 0x55)});
    return colors;
}

// The index of pixel x in a row of `bits`-bit indexes, first pixel in the high bits.
unsigned IndexAt(const Bytes& plane, std::size_t rowSize, int bits, int x, int y)
{
    const std::uint8_t byte = plane[static_cast<std::size_t>(y) * rowSize + static_cast<std::size_t>(x * bits / 8)];
    const int shift = 8 - bits - (x * bits) % 8;
    return (byte >> shift) & ((1u << bits) - 1);
}

} // namespace

TEST(PSPGraphic, DecodesColourChannelsStoredAndPackedInBothLayouts)
{
    for (const std::uint16_t version : {3, 5})
        for (const std::uint16_t compression : {0, 1, 2}) {
            const PspLayout layout = ColorLayout(version, compression);
            TPSPGraphic psp;
            LoadFromBytes(psp, PspFile(layout));
            const std::string label =
                "version " + std::to_string(version) + " compression " + std::to_string(compression);
            EXPECT_EQ(psp.PixelFormat(), pf24bit) << label;
            ExpectSameImage(RgbOf(psp), ColorsOf(layout.layers[0]), label);
            EXPECT_EQ(psp.ImageProperties().Version, version);
        }
}

// The composite channel of a colour layer is its alpha; the last raster layer is what remains.
TEST(PSPGraphic, TakesAlphaAndTheLastRasterLayer)
{
    PspLayout layout = ColorLayout(5, 1);
    layout.layers = {ColorLayer(0, true)};
    TPSPGraphic psp;
    LoadFromBytes(psp, PspFile(layout));
    ASSERT_EQ(psp.PixelFormat(), pf32bit);
    ExpectSameImage(RgbOf(psp), ColorsOf(layout.layers[0]), "with alpha");
    const Bytes& alpha = layout.layers[0].channels[3].plane;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            ASSERT_EQ(psp.ScanLine(y)[4 * x + 3], alpha[static_cast<std::size_t>(y) * Width + x]) << x << "," << y;

    PspLayer vector = ColorLayer(9);
    vector.type = 2;
    layout.layers = {ColorLayer(0, true), ColorLayer(100), vector};
    LoadFromBytes(psp, PspFile(layout));
    EXPECT_EQ(psp.PixelFormat(), pf24bit);
    ExpectSameImage(RgbOf(psp), ColorsOf(layout.layers[1]), "two raster layers and a vector one");

    // Hidden layers are passed over. Layers are not merged: a shown layer smaller than the picture,
    // or one that lets a layer below show through, is refused rather than shown alone.
    PspLayer hidden = ColorLayer(50);
    hidden.visible = false;
    PspLayer faded = ColorLayer(100);
    faded.opacity = 128;
    layout.layers = {ColorLayer(0), ColorLayer(100), hidden};
    LoadFromBytes(psp, PspFile(layout));
    ExpectSameImage(RgbOf(psp), ColorsOf(layout.layers[1]), "a hidden layer on top");
    PspLayer small = ColorLayer(100);
    small.left = 10;
    small.top = 1;
    small.width = Width - 20;
    small.height = Height - 2;
    PspLayer masked = ColorLayer(100);
    masked.masks = 1;
    const std::string refused =
        "Cannot load image. Layers blended with others or smaller than the picture are not supported for PSP files.";
    for (const auto& layers : {std::vector<PspLayer>{small}, std::vector<PspLayer>{ColorLayer(0), faded},
                               std::vector<PspLayer>{ColorLayer(0), masked}}) {
        layout.layers = layers;
        EXPECT_EQ(LoadError(psp, PspFile(layout)), refused) << layers.size();
    }
}

// 1-, 4- and 8-bit indexes, in both layouts; a channel of a type not read is passed by its length.
TEST(PSPGraphic, DecodesPaletteAndGreyPictures)
{
    for (const std::uint16_t version : {3, 5})
        for (const int bits : {1, 4, 8}) {
            const std::size_t rowSize = bits == 1 ? (Width + 7) / 8 : bits == 4 ? Width / 2 + 1 : Width;
            PspLayout layout = ColorLayout(version, 1);
            layout.depth = static_cast<std::uint16_t>(bits);
            layout.palette = TestColors(1 << bits);
            layout.layers = {{0, {{4, Bytes(33, 0xFF)}, {0, TestPlane(rowSize, 3)}}}};
            TPSPGraphic psp;
            LoadFromBytes(psp, PspFile(layout));
            const std::string label = "version " + std::to_string(version) + ", " + std::to_string(bits) + " bits";
            const Bytes& plane = layout.layers[0].channels[1].plane;
            RgbImage expected{Width, Height, {}};
            for (int y = 0; y < Height; ++y)
                for (int x = 0; x < Width; ++x) {
                    ASSERT_EQ(psp.PixelValue(x, y), IndexAt(plane, rowSize, bits, x, y)) << label << " " << x;
                    expected.pixels.push_back(layout.palette[IndexAt(plane, rowSize, bits, x, y)]);
                }
            ExpectSameImage(RgbOf(psp), expected, label);
        }

    PspLayout grey = ColorLayout(5, 2);
    grey.depth = 8;
    grey.grey = true;
    // The layer's mask, a composite channel too, is not its picture.
    grey.layers = {{0, {{0, TestPlane(Width, 1)}, {0, TestPlane(Width, 9), 1}}}};
    grey.layers[0].masks = 1;
    TPSPGraphic psp;
    LoadFromBytes(psp, PspFile(grey));
    EXPECT_EQ(psp.ImageProperties().ColorScheme, csGray);
    RgbImage greys{Width, Height, {}};
    for (const std::uint8_t value : grey.layers[0].channels[0].plane)
        greys.pixels.push_back({value, value, value});
    ExpectSameImage(RgbOf(psp), greys, "grey");
}

// A count past 256 takes 256 entries and passes the rest; a layer smaller than the picture leaves
// the rest zero, and a colour channel the layer lacks reads as zero.
TEST(PSPGraphic, KeepsWithinThePaletteAndThePicture)
{
    PspLayout layout = ColorLayout(5, 0);
    layout.depth = 8;
    layout.palette = TestColors(300);
    layout.layers = {{0, {{0, TestPlane(Width, 200)}}}};
    TPSPGraphic psp;
    LoadFromBytes(psp, PspFile(layout));
    EXPECT_EQ(psp.Palette().Count(), 256);
    RgbImage expected{Width, Height, {}};
    for (const std::uint8_t index : layout.layers[0].channels[0].plane)
        expected.pixels.push_back(layout.palette[index]);
    ExpectSameImage(RgbOf(psp), expected, "300 entries");

    layout = ColorLayout(5, 1);
    layout.layers[0].channels[0].plane.resize(Width * 2);
    layout.layers[0].channels.erase(layout.layers[0].channels.begin() + 1);
    LoadFromBytes(psp, PspFile(layout));
    const RgbImage image = RgbOf(psp);
    for (int x = 0; x < Width; ++x) {
        EXPECT_EQ(image.At(x, 1).r, layout.layers[0].channels[0].plane[Width + x]) << x;
        EXPECT_EQ(image.At(x, 2).r, 0) << x;
        EXPECT_EQ(image.At(x, 1).g, 0) << x;
        EXPECT_EQ(image.At(x, 4).b, layout.layers[0].channels[1].plane[4 * Width + x]) << x;
    }
}

TEST(PSPGraphic, ReadsTheResolutionAndRefusesWhatItDoesNotRead)
{
    PspLayout layout = ColorLayout(5, 0);
    layout.resolution = 40;
    layout.metric = 2;
    TPSPGraphic psp;
    LoadFromBytes(psp, PspFile(layout));
    EXPECT_FLOAT_EQ(psp.ImageProperties().XResolution, 101.6f);
    EXPECT_FLOAT_EQ(psp.ImageProperties().YResolution, 101.6f);
    const RgbImage before = RgbOf(psp);

    layout.compression = 3;
    EXPECT_EQ(LoadError(psp, PspFile(layout)), PspCompression);
    layout.compression = 7;
    EXPECT_EQ(LoadError(psp, PspFile(layout)), PspCompression);
    // Within the size rule at 24 bits, beyond it at the 32 that alpha takes.
    layout = ColorLayout(5, 0);
    layout.width = 12000;
    layout.height = 12000;
    layout.layers = {{0, {{1, {}}, {2, {}}, {3, {}}, {0, {}}}}};
    EXPECT_EQ(LoadError(psp, PspFile(layout)), InvalidPsp);
    // A picture of 432 MB from a file of some hundred bytes, stored or packed.
    for (const std::uint16_t compression : {0, 1, 2}) {
        layout.compression = compression;
        layout.layers = {};
        EXPECT_EQ(LoadError(psp, PspFile(layout)), InvalidPsp) << compression;
    }
    layout = ColorLayout(5, 0);
    layout.depth = 16;
    EXPECT_EQ(LoadError(psp, PspFile(layout)), PspColorFormat);
    layout = ColorLayout(3, 0);
    std::string version2 = PspFile(layout);
    version2[32] = 2;
    EXPECT_EQ(LoadError(psp, version2), InvalidPsp);
    TMemoryStream stream;
    stream.Write(version2.data(), static_cast<std::int64_t>(version2.size()));
    stream.SetPosition(0);
    EXPECT_FALSE(psp.CanLoad(stream));
    std::string lower = PspFile(layout);
    lower.replace(0, 5, "paint");
    stream.SetSize(0);
    stream.Write(lower.data(), static_cast<std::int64_t>(lower.size()));
    stream.SetPosition(0);
    EXPECT_TRUE(psp.CanLoad(stream));
    EXPECT_EQ(LoadError(psp, "Paint Shop Pro Image File"), InvalidPsp);
    EXPECT_TRUE(RgbOf(psp) == before);
}

TEST(PSPGraphic, DamagedFilesLoadOrRaiseReaderErrors)
{
    PspLayout palette = ColorLayout(3, 1);
    palette.depth = 4;
    palette.palette = TestColors(16);
    palette.layers = {{0, {{0, TestPlane(Width / 2 + 1, 3)}}}};
    PspLayout alpha = ColorLayout(5, 2);
    alpha.layers = {ColorLayer(0, true)};
    for (const std::string& file :
         {PspFile(ColorLayout(5, 0)), PspFile(ColorLayout(5, 1)), PspFile(alpha), PspFile(palette)}) {
        TPSPGraphic psp;
        for (const std::size_t length : CutLengths(file.size())) {
            const std::string error = LoadError(psp, file.substr(0, length));
            if (length < 36) {
                EXPECT_EQ(error, InvalidPsp) << length;
            }
        }
        ForEachBitFlip(file, 600, 120, [&](const std::string& bytes) { LoadError(psp, bytes); });
    }
}

// A picture of 4000 x 4000 of one colour is decoded row by row beside the picture it keeps, not as
// whole planes.
TEST(PSPGraphic, LargePicturesHoldOnlyThePicture)
{
    const std::size_t pixels = 4000 * 4000;
    PspLayout layout = ColorLayout(5, 2);
    layout.width = layout.height = 4000;
    layout.layers = {{0, {{1, Bytes(pixels, 0x10)}, {2, Bytes(pixels, 0x20)}, {3, Bytes(pixels, 0x30)}}}};
    const std::string file = PspFile(layout);
    TPSPGraphic psp;
    const MeasuredWork load = MeasureWork([&] {
        const std::string error = LoadError(psp, file);
        return error + " " + std::to_string(psp.Pixel(3999, 3999));
    });
    EXPECT_EQ(load.answer, "(loaded) " + std::to_string(0x302010));
    EXPECT_LT(load.peakBytes, static_cast<std::int64_t>(pixels) * 3 * 5 / 4 + RefusalBytes);
}
