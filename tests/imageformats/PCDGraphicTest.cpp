#include "imageformats/PCDGraphic.h"
#include "imageformats/Resampling.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int Width = 768;
constexpr int Height = 512;
constexpr std::size_t Sector = 2048;
constexpr std::string_view InvalidPCD = "Cannot load image. Invalid or unexpected PCD image format.";

// A base image as a pack holds it: full-size luminance and the chroma planes at half size.
struct BaseImage {
    std::vector<std::uint8_t> luminance = std::vector<std::uint8_t>(Width * Height);
    std::vector<std::uint8_t> chroma1 = std::vector<std::uint8_t>(Width / 2 * Height / 2);
    std::vector<std::uint8_t> chroma2 = std::vector<std::uint8_t>(Width / 2 * Height / 2);
};

// Luminance and chroma that vary over the picture; the chroma is neutral in its top left corner.
BaseImage TestImage()
{
    BaseImage image;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.luminance[static_cast<std::size_t>(y * Width + x)] = static_cast<std::uint8_t>(x * 3 + y * 5 + 60);
    for (int y = 0; y < Height / 2; ++y)
        for (int x = 0; x < Width / 2; ++x) {
            const bool neutral = x < 8 && y < 8;
            const std::size_t at = static_cast<std::size_t>(y * Width / 2 + x);
            image.chroma1[at] = static_cast<std::uint8_t>(neutral ? 156 : 136 + (x * 3 + y) % 40);
            image.chroma2[at] = static_cast<std::uint8_t>(neutral ? 137 : 122 + (x + 5 * y) % 30);
        }
    return image;
}

std::string PackOf(const BaseImage& image, int rotation = 0, bool overview = false)
{
    std::string bytes(overview ? 5 * Sector : 96 * Sector, '\0');
    if (overview)
        bytes.replace(0, 7, "PCD_OPA");
    else
        bytes.replace(Sector, 7, "PCD_IPI");
    bytes[3586] = static_cast<char>(rotation);
    const auto append = [&bytes](const std::vector<std::uint8_t>& plane, std::size_t at, std::size_t count) {
        bytes.append(reinterpret_cast<const char*>(plane.data() + at), count);
    };
    for (std::size_t pair = 0; pair < Height / 2; ++pair) {
        append(image.luminance, 2 * pair * Width, 2 * Width);
        append(image.chroma1, pair * Width / 2, Width / 2);
        append(image.chroma2, pair * Width / 2, Width / 2);
    }
    return bytes;
}

// What the colour conversion makes of the image once its chroma is doubled, row by row in BGR.
std::vector<std::uint8_t> ConvertedImage(const BaseImage& image)
{
    std::vector<std::uint8_t> chroma1(Width * Height), chroma2(Width * Height);
    for (int y = 0; y < Height / 2; ++y) {
        std::copy_n(image.chroma1.begin() + y * Width / 2, Width / 2, chroma1.begin() + y * Width);
        std::copy_n(image.chroma2.begin() + y * Width / 2, Width / 2, chroma2.begin() + y * Width);
    }
    DoublePlane(Width / 2, Height / 2, Width, chroma1.data());
    DoublePlane(Width / 2, Height / 2, Width, chroma2.data());
    TColorManager manager;
    manager.SetSourceColorScheme(csPhotoYCC);
    manager.SetTargetColorScheme(csBGR);
    const float weights[] = {0.2125f, 0.7154f, 0.0721f};
    manager.SetYCbCrParameters(weights, 2, 2);
    std::vector<std::uint8_t> converted(3 * Width * Height);
    for (std::size_t y = 0; y < Height; ++y) {
        const std::array<const std::uint8_t*, 3> rows = {&image.luminance[y * Width], &chroma1[y * Width],
                                                         &chroma2[y * Width]};
        manager.ConvertRow(TSourceRow(rows), &converted[3 * y * Width], Width, 0xFF);
    }
    return converted;
}

std::vector<std::uint8_t> PixelsOf(const TBitmap& bitmap)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        pixels.insert(pixels.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + 3 * bitmap.Width());
    return pixels;
}

TEST(PCDGraphic, ImageAndOverviewPacksGiveTheConvertedBaseImage)
{
    const BaseImage image = TestImage();
    const std::vector<std::uint8_t> expected = ConvertedImage(image);
    for (const bool overview : {false, true}) {
        TPCDGraphic pcd;
        LoadFromBytes(pcd, PackOf(image, 0, overview));
        ASSERT_EQ(pcd.Width(), Width);
        ASSERT_EQ(pcd.Height(), Height);
        EXPECT_EQ(pcd.PixelFormat(), pf24bit);
        EXPECT_EQ(pcd.ImageProperties().Overview, overview);
        EXPECT_EQ(PixelsOf(pcd), expected) << "overview " << overview;
        // Neutral chroma leaves the luminance as the grey level.
        EXPECT_EQ(pcd.Pixel(3, 2), static_cast<TColor>(RGB(79, 79, 79)));
    }
}

// Rotation 1 turns a quarter to the left, 3 to the right; 2 is not applied.
TEST(PCDGraphic, RotationsTurnThePicture)
{
    const BaseImage image = TestImage();
    TPCDGraphic upright;
    LoadFromBytes(upright, PackOf(image));
    for (const int rotation : {1, 2, 3}) {
        TPCDGraphic pcd;
        const std::string pack = PackOf(image, rotation);
        ASSERT_TRUE(CanLoadBytes(pcd, pack));
        LoadFromBytes(pcd, pack);
        EXPECT_EQ(pcd.ImageProperties().Rotate, rotation);
        const bool turned = rotation != 2;
        ASSERT_EQ(pcd.Width(), turned ? Height : Width) << rotation;
        ASSERT_EQ(pcd.Height(), turned ? Width : Height) << rotation;
        EXPECT_EQ(pcd.ImageProperties().Width, static_cast<std::uint32_t>(pcd.Width()));
        for (int r = 0; r < Height; r += 7)
            for (int c = 0; c < Width; c += 5) {
                const TColor at = rotation == 1   ? pcd.Pixel(r, Width - 1 - c)
                                  : rotation == 3 ? pcd.Pixel(Height - 1 - r, c)
                                                  : pcd.Pixel(c, r);
                ASSERT_EQ(at, upright.Pixel(c, r)) << rotation << ": row " << r << " column " << c;
            }
    }
}

// ImageMagick's decoding converts PhotoYCC with its own formulas (it scales the luminance up by
// 1.3584 where the colour manager takes it as it stands), so ours stays near it rather than equal:
// within 20 levels on average and 40 at most.
TEST(PCDGraphic, ImageMagicksPackLoadsCloseToItsDecoding)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("source.ppm"), PpmOf(StripedImage(Width, Height, 9)));
    RunTool("/usr/bin/convert " + folder.File("source.ppm") + " " + folder.File("written.pcd"));
    TPCDGraphic pcd;
    pcd.LoadFromFile(folder.File("written.pcd"));
    const RgbImage ours = RgbOf(pcd);
    const RgbImage theirs = DecodedBy("/usr/bin/convert " + folder.File("written.pcd") + " ppm:-");
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    long total = 0;
    int largest = 0;
    for (std::size_t i = 0; i < ours.pixels.size(); ++i)
        for (const auto sample : {&Rgb::r, &Rgb::g, &Rgb::b}) {
            const int difference = std::abs(ours.pixels[i].*sample - theirs.pixels[i].*sample);
            total += difference;
            largest = std::max(largest, difference);
        }
    const double mean = static_cast<double>(total) / (3.0 * static_cast<double>(ours.pixels.size()));
    // Measured: a mean of 15 levels and at most 33.
    EXPECT_LT(mean, 20);
    EXPECT_LE(largest, 40);
}

TEST(PCDGraphic, RefusesShortAndUnsignedFilesAndCutBaseImages)
{
    const std::string pack = PackOf(TestImage());
    TPCDGraphic pcd;
    EXPECT_EQ(LoadError(pcd, std::string(pack.size(), 'x')), InvalidPCD);
    EXPECT_FALSE(CanLoadBytes(pcd, std::string(pack.size(), 'x')));
    EXPECT_FALSE(CanLoadBytes(pcd, pack.substr(0, 6144)));
    TMemoryStream shortStream;
    shortStream.Write(pack.data(), 6000);
    shortStream.SetPosition(0);
    EXPECT_FALSE(pcd.ReadImageProperties(shortStream, 2));

    TPCDGraphic kept;
    LoadFromBytes(kept, pack);
    for (const std::size_t length : CutLengths(pack.size())) {
        const std::string expected = length < 6144 ? std::string(InvalidPCD) : "Stream read error in PCD file.";
        ASSERT_EQ(LoadError(kept, pack.substr(0, length)), expected) << length;
    }
    EXPECT_EQ(kept.Width(), Width) << "a failed load leaves the picture";
    ForEachBitFlip(pack, 40, 0, [](const std::string& bytes) {
        TPCDGraphic flipped;
        LoadError(flipped, bytes);
    });
}

} // namespace
