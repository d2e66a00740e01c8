#include "imageformats/ColorManager.h"
#include "imageformats/ColorConversions.h"

#include "ColorLayouts.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void ExpectConversionError(const std::function<void()>& action, const std::string& message)
{
    try {
        action();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const EColorConversionError& error) {
        EXPECT_EQ(error.Message(), message);
    }
}

const std::string IndexedMessage = "Conversion between indexed and non-indexed pixel formats is not supported.";
const std::string NoMethodMessage = "Color conversion failed. Could not find a proper method.";

TPaletteEntry Grey(std::uint8_t level) { return {level, level, level, 0}; }

} // namespace

TEST(ColorManager, ANewManagerConvertsRgbRowsToBgr)
{
    TColorManager manager;
    EXPECT_EQ(manager.SourceBitsPerSample(), 8);
    EXPECT_EQ(manager.TargetSamplesPerPixel(), 3);
    EXPECT_EQ(manager.SourceColorScheme(), csRGB);
    EXPECT_EQ(manager.TargetColorScheme(), csBGR);
    EXPECT_EQ(manager.MainGamma(), 1.0f);
    EXPECT_EQ(manager.DisplayGamma(), 2.2f);
    EXPECT_EQ(manager.HorizontalSubsampling(), 1);
    EXPECT_TRUE(manager.ChromaTables().CrToRed.empty());
    const Bytes source{10, 20, 30, 1, 2, 3};
    Bytes target(6, 0xEE);
    manager.ConvertRow(source.data(), target.data(), 2, 0xFF);
    EXPECT_EQ(target, (Bytes{30, 20, 10, 3, 2, 1}));
}

TEST(ColorManager, SettersRefuseOutOfRangeValuesAndKeepTheOldOne)
{
    TColorManager manager;
    const std::string depth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
    ExpectConversionError([&] { manager.SetSourceBitsPerSample(0); }, depth);
    ExpectConversionError([&] { manager.SetTargetBitsPerSample(17); }, depth);
    EXPECT_EQ(manager.SourceBitsPerSample(), 8);
    manager.SetSourceBitsPerSample(12);
    EXPECT_EQ(manager.SourceBitsPerSample(), 12);

    const std::string samples = "Sample count per pixel does not correspond to the given color scheme.";
    ExpectConversionError([&] { manager.SetSourceSamplesPerPixel(0); }, samples);
    ExpectConversionError([&] { manager.SetTargetSamplesPerPixel(5); }, samples);
    EXPECT_EQ(manager.TargetSamplesPerPixel(), 3);
}

TEST(ColorManager, OnlyAChangedSettingChoosesTheConverterAgain)
{
    // The chroma tables are built when a converter is chosen, so they show when that happened.
    TColorManager manager;
    manager.SetSourceColorScheme(csYCbCr);
    const Bytes source{100, 50, 200};
    Bytes target(3);
    manager.ConvertRow(source.data(), target.data(), 1, 0xFF);
    EXPECT_EQ(target, (Bytes{0, 76, 201}));

    const float equalWeights[] = {0.5f, 0.25f, 0.25f};
    manager.SetYCbCrParameters(equalWeights, 1, 1);
    manager.SetSourceColorScheme(csYCbCr);
    manager.SetTargetBitsPerSample(8);
    manager.ConvertRow(source.data(), target.data(), 1, 0xFF);
    EXPECT_EQ(target, (Bytes{0, 76, 201})) << "same values must not choose again";

    manager.SetTargetBitsPerSample(16);
    manager.SetTargetBitsPerSample(8);
    manager.ConvertRow(source.data(), target.data(), 1, 0xFF);
    EXPECT_EQ(manager.ChromaTables().CrToRed[200], 72); // (200 - 128) x 1.0
    EXPECT_EQ(target, (Bytes{0, 73, 172}));
}

TEST(ColorManager, IndexedMismatchIsRaisedAtEveryRowNotWhenSet)
{
    TColorManager manager;
    const Bytes row(8);
    Bytes target(8);
    manager.SetSourceColorScheme(csIndexed);
    manager.SetSourceSamplesPerPixel(1);
    ExpectConversionError([&] { manager.ConvertRow(row.data(), target.data(), 1, 0xFF); }, IndexedMessage);
    ExpectConversionError([&] { manager.ConvertRow(row.data(), target.data(), 1, 0xFF); }, IndexedMessage);

    manager.SetSourceColorScheme(csGray);
    manager.SetTargetColorScheme(csGrayAlpha);
    ExpectConversionError([&] { manager.ConvertRow(row.data(), target.data(), 1, 0xFF); }, IndexedMessage);

    manager.SetSourceColorScheme(csRGB);
    manager.SetTargetColorScheme(csGray);
    ExpectConversionError([&] { manager.ConvertRow(row.data(), target.data(), 1, 0xFF); }, IndexedMessage);

    manager.SetSourceColorScheme(csGray);
    manager.ConvertRow(row.data(), target.data(), 1, 0xFF);
}

TEST(ColorManager, LayoutsWithoutAConverterFailAtEveryRowUntilASettingChanges)
{
    TColorManager manager;
    const Bytes row(16);
    Bytes target(16);
    const auto convert = [&] { manager.ConvertRow(row.data(), target.data(), 2, 0xFF); };
    manager.SetSourceColorScheme(csCMY);
    ExpectConversionError(convert, NoMethodMessage);
    ExpectConversionError(convert, NoMethodMessage);

    SetLayouts(manager, csGray, 16, csGray, 4);
    ExpectConversionError(convert, NoMethodMessage);
    // Depths the converters do not lay out are refused rather than leaving the row blank.
    SetLayouts(manager, csRGB, 12, csBGR, 8);
    ExpectConversionError(convert, NoMethodMessage);
    SetLayouts(manager, csIndexed, 3, csIndexed, 8);
    ExpectConversionError(convert, NoMethodMessage);

    SetLayouts(manager, csGray, 16, csGray, 8);
    EXPECT_NO_THROW(convert());
}

TEST(ColorManager, SelectionSetsTheAlphaOptionsFromTheSchemes)
{
    TColorManager manager;
    manager.SourceOptions = {coAlpha, coSwapBytes};
    manager.TargetOptions = {coApplyGamma};
    SetLayouts(manager, csRGB, 8, csBGRA, 8);
    const Bytes row(3);
    Bytes target(4);
    manager.ConvertRow(row.data(), target.data(), 1, 0xFF);
    EXPECT_EQ(manager.SourceOptions, (TConvertOptions{coSwapBytes}));
    EXPECT_EQ(manager.TargetOptions, (TConvertOptions{coApplyGamma, coAlpha}));
    EXPECT_EQ(manager.TargetOptions.Bits(), 3);
}

TEST(ColorManager, ChoosesTheConverterForEachPairOfLayouts)
{
    const struct {
        TColorScheme source;
        TColorScheme target;
        unsigned sourceBits;
        unsigned targetBits;
        TRowConverter expected;
        bool exchange;
    } cases[] = {
        {csIndexed, csIndexed, 16, 16, ConvertIndexed16, false},
        {csIndexed, csIndexed, 16, 4, ConvertIndexed16ToPacked, false},
        {csIndexed, csIndexed, 2, 16, ConvertIndexedPackedTo16, false},
        {csIndexed, csIndexed, 1, 8, ConvertIndexedPacked, false},
        {csGray, csGray, 4, 8, ConvertIndexedPacked, false},
        {csGray, csGray, 16, 8, ConvertGray, false},
        {csGray, csGray, 8, 16, ConvertGray, false},
        {csGray, csGray, 16, 4, nullptr, false},
        {csGrayAlpha, csGray, 8, 8, ConvertGray, false},
        {csGrayAlpha, csGray, 4, 8, nullptr, false},
        {csRGB, csRGB, 8, 8, ConvertRGB, false},
        {csRGBA, csBGR, 8, 8, ConvertRGB, true},
        {csBGR, csRGBA, 16, 8, ConvertRGB, true},
        {csBGRA, csBGRA, 8, 16, ConvertRGB, false},
        {csCMYK, csRGB, 8, 8, ConvertCMYK, false},
        {csCMYK, csBGRA, 16, 8, ConvertCMYK, true},
        {csCIELab, csBGR, 8, 8, ConvertCIELab, true},
        {csYCbCr, csRGBA, 8, 8, ConvertYCbCr, false},
        {csPhotoYCC, csBGR, 8, 8, ConvertYCbCr, true},
        {csCMY, csBGR, 8, 8, nullptr, false},
        {csUnknown, csBGR, 8, 8, nullptr, false},
        {csCMYK, csGrayAlpha, 8, 8, nullptr, false},
        {csRGB, csBGR, 4, 8, nullptr, false},
        {csRGB, csBGR, 8, 5, nullptr, false},
    };
    for (const auto& c : cases) {
        const TConverterChoice choice = ChooseRowConverter(c.source, c.target, c.sourceBits, c.targetBits);
        EXPECT_EQ(choice.Convert, c.expected) << int(c.source) << " " << int(c.target) << " " << c.sourceBits;
        if (c.expected) {
            EXPECT_EQ(choice.ExchangeRedBlue, c.exchange) << int(c.source) << " " << int(c.target);
        }
    }
    EXPECT_EQ(ChooseRowConverter(csRGBA, csBGR, 8, 8).Planes, 4u);
    EXPECT_EQ(ChooseRowConverter(csCMYK, csBGR, 8, 8).Planes, 4u);
    EXPECT_EQ(ChooseRowConverter(csYCbCr, csBGR, 8, 8).Planes, 3u);
    EXPECT_EQ(ChooseRowConverter(csGray, csGray, 8, 8).Planes, 0u);
}

TEST(ColorManager, CheckConversionRefusesLayoutsTheConvertersCannotRead)
{
    TColorManager manager;
    EXPECT_NO_THROW(manager.CheckConversion("PNG"));
    EXPECT_NO_THROW(manager.CheckConversion("PNG", 3));
    const std::string message = "Invalid color format in TIF/TIFF file.";
    const auto check = [&](unsigned planes) {
        return [&manager, planes] { manager.CheckConversion("TIF/TIFF", planes); };
    };

    ExpectConversionError(check(2), message);
    ExpectConversionError(check(4), message);
    manager.SetSourceColorScheme(csCMYK); // three samples are too few for CMYK
    ExpectConversionError(check(1), message);
    manager.SetSourceSamplesPerPixel(4);
    EXPECT_NO_THROW(check(4)());
    ExpectConversionError(check(3), message);

    SetLayouts(manager, csRGB, 9, csBGR, 8);
    ExpectConversionError(check(1), message);
    SetLayouts(manager, csGray, 5, csIndexed, 8);
    ExpectConversionError(check(1), message);
    SetLayouts(manager, csIndexed, 8, csBGR, 8);
    ExpectConversionError(check(1), message);
    SetLayouts(manager, csIndexed, 4, csIndexed, 8);
    EXPECT_NO_THROW(check(1)());
    ExpectConversionError(check(3), message);
    manager.SetTargetSamplesPerPixel(3);
    ExpectConversionError(check(1), message);
}

TEST(ColorManager, ARowShortOfPlanesIsRefused)
{
    TColorManager manager;
    const Bytes red{1}, green{2};
    const std::uint8_t* twoPlanes[] = {red.data(), green.data()};
    Bytes target(3);
    ExpectConversionError([&] { manager.ConvertRow(twoPlanes, target.data(), 1, 0xFF); }, NoMethodMessage);
    ExpectConversionError([&] { manager.ConvertRow(TSourceRow(), target.data(), 1, 0xFF); }, NoMethodMessage);
    EXPECT_EQ(target, (Bytes{0, 0, 0}));
}

TEST(ColorManager, YCbCrParametersCheckTheSubsamplingAfterStoringTheWeights)
{
    TColorManager manager;
    const float one[] = {0.25f};
    manager.SetYCbCrParameters(one, 2, 2);
    EXPECT_EQ(manager.LuminanceWeights(), (std::array<float, 3>{0.25f, 0.587f, 0.114f}));
    EXPECT_EQ(manager.HorizontalSubsampling(), 2);

    const float three[] = {0.2126f, 0.7152f, 0.0722f};
    ExpectConversionError([&] { manager.SetYCbCrParameters(three, 2, 4); },
                          "Vertical subsampling value must be <= horizontal subsampling value.");
    EXPECT_EQ(manager.LuminanceWeights(), (std::array<float, 3>{0.2126f, 0.7152f, 0.0722f}));
    const std::string invalid = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
    ExpectConversionError([&] { manager.SetYCbCrParameters(three, 3, 1); }, invalid);
    ExpectConversionError([&] { manager.SetYCbCrParameters(three, 4, 0); }, invalid);
    EXPECT_EQ(manager.HorizontalSubsampling(), 2);
    EXPECT_EQ(manager.VerticalSubsampling(), 2);
    ExpectConversionError([&] { manager.SetYCbCrParameters({}, 1, 1); }, "Luminance weights are missing.");
}

TEST(ColorManager, ChromaTablesFollowTheWeightsInSinglePrecision)
{
    const auto factors = ChromaFactors({0.299f, 0.587f, 0.114f});
    EXPECT_EQ(factors[0], 1.402f);
    EXPECT_FLOAT_EQ(factors[1], 0.7141362f);
    EXPECT_EQ(factors[2], 1.772f);
    EXPECT_FLOAT_EQ(factors[3], 0.3441363f);

    TColorManager manager;
    SetLayouts(manager, csYCbCr, 8, csBGR, 8);
    Bytes target(3);
    const Bytes row{0, 0, 0};
    manager.ConvertRow(row.data(), target.data(), 1, 0xFF);
    const TChromaTables& tables = manager.ChromaTables();
    ASSERT_EQ(tables.CbToGreen.size(), 256u);
    EXPECT_EQ(tables.CrToRed[0], -179);
    EXPECT_EQ(tables.CbToBlue[0], -227);
    EXPECT_EQ(tables.CrToGreen[0], 91);
    EXPECT_EQ(tables.CbToGreen[0], 44);
    EXPECT_EQ(tables.CrToRed[127], -1);
    EXPECT_EQ(tables.CbToBlue[127], -2);
    EXPECT_EQ(tables.CrToRed[128], 0);
    EXPECT_EQ(tables.CrToRed[255], 178);
    EXPECT_EQ(tables.CbToGreen[255], -44);

    manager.SetSourceColorScheme(csPhotoYCC);
    manager.ConvertRow(row.data(), target.data(), 1, 0xFF);
    EXPECT_EQ(tables.CrToRed[137], 0);
    EXPECT_EQ(tables.CbToBlue[156], 0);
    EXPECT_EQ(tables.CrToRed[0], -192);
    EXPECT_EQ(tables.CbToBlue[0], -276);
    EXPECT_EQ(tables.CrToGreen[0], 98);
    EXPECT_EQ(tables.CbToGreen[255], -34);
}

TEST(ColorManager, GammaTableFromTheDefaultsAndTheDepths)
{
    TColorManager manager;
    const auto& table = manager.GammaTable();
    // Round(255 x (i/255)^(1/2.2)), the exponent in single precision.
    const std::pair<int, int> expected[] = {{0, 0},     {1, 21},    {2, 28},    {19, 78},  {64, 136},
                                            {128, 186}, {200, 228}, {254, 255}, {255, 255}};
    for (const auto& [index, value] : expected)
        EXPECT_EQ(table[index], value) << index;

    manager.SetGamma(0.0f, -1.0f);
    EXPECT_EQ(manager.MainGamma(), 1.0f);
    EXPECT_EQ(manager.DisplayGamma(), 2.2f);

    manager.SetGamma(1.0f / 2.2f, 2.2f);
    EXPECT_EQ(table[100], 100);

    manager.SetSourceBitsPerSample(4);
    manager.SetGamma(1.0f, 2.2f);
    const int fourBit[] = {0, 74, 102, 123, 140, 155, 168, 180, 192, 202, 212, 221, 230, 239, 247, 255};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(table[i], fourBit[i]) << i;
    EXPECT_EQ(table[16], 16) << "entries above the input range keep their earlier values";

    manager.SetTargetBitsPerSample(1);
    manager.SetGamma(1.0f, 1.0f);
    EXPECT_EQ(table[7], 0);
    EXPECT_EQ(table[8], 1);
}

TEST(ColorManager, PixelFormatsOfTheLayouts)
{
    const struct {
        std::uint8_t samples;
        std::uint8_t bits;
        TPixelFormat format;
    } cases[] = {{1, 1, pf1bit},   {1, 2, pf4bit},   {1, 4, pf4bit},  {1, 5, pfCustom},
                 {1, 7, pfCustom}, {1, 8, pf8bit},   {1, 12, pf8bit}, {1, 16, pf8bit},
                 {2, 8, pfCustom}, {3, 1, pf15bit},  {3, 5, pf15bit}, {3, 6, pf24bit},
                 {3, 16, pf24bit}, {4, 7, pfCustom}, {4, 8, pf32bit}, {4, 16, pf32bit}};
    for (const auto& c : cases) {
        TColorManager manager;
        manager.SetTargetSamplesPerPixel(c.samples);
        manager.SetTargetBitsPerSample(c.bits);
        EXPECT_EQ(manager.GetPixelFormat(1), c.format) << int(c.samples) << " x " << int(c.bits);
        EXPECT_EQ(manager.GetPixelFormat(2), c.format);
        EXPECT_EQ(manager.GetPixelFormat(0), pf24bit);
    }
}

TEST(ColorManager, GrayscalePalettes)
{
    TColorManager manager;
    manager.SetTargetSamplesPerPixel(1);
    manager.SetTargetBitsPerSample(1);
    EXPECT_EQ(manager.CreateGrayscalePalette(true).Entries, (std::vector<TPaletteEntry>{Grey(255), Grey(0)}));
    EXPECT_EQ(manager.CreateGrayscalePalette(false).Entries, (std::vector<TPaletteEntry>{Grey(0), Grey(255)}));

    manager.SetTargetBitsPerSample(2);
    EXPECT_EQ(manager.CreateGrayscalePalette(false).Entries,
              (std::vector<TPaletteEntry>{Grey(0), Grey(85), Grey(170), Grey(255)}));
    manager.SetTargetBitsPerSample(4);
    const TPalette sixteen = manager.CreateGrayscalePalette(true);
    ASSERT_EQ(sixteen.Count(), 16);
    EXPECT_EQ(sixteen.Entries[15], Grey(0));
    EXPECT_EQ(sixteen.Entries[14], Grey(17));

    manager.SetTargetBitsPerSample(16);
    const TPalette wide = manager.CreateGrayscalePalette(false);
    ASSERT_EQ(wide.Count(), 256);
    EXPECT_EQ(wide.Entries[200], Grey(200));

    manager.SetTargetBitsPerSample(8);
    manager.TargetOptions.Include(coApplyGamma);
    const TPalette gamma = manager.CreateGrayscalePalette(false);
    EXPECT_EQ(gamma.Entries[64], Grey(136));
    EXPECT_EQ(gamma.Entries[1], Grey(21));
}

TEST(ColorManager, ColorPalettesFromEveryDataFormat)
{
    TColorManager manager;
    const Bytes triple{10, 20, 30, 40, 50, 60};
    const Bytes quad{10, 20, 30, 99, 40, 50, 60, 99};
    const Bytes red{10, 40}, green{20, 50}, blue{30, 60};
    const Bytes triple16{0x0A, 0x00, 0x14, 0x00, 0x1E, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0x00};
    const Bytes quad16{0x0A, 0x00, 0x14, 0x00, 0x1E, 0x00, 9, 9};
    const Bytes red16{0x0A, 0x00}, green16{0x14, 0x00}, blue16{0x1E, 0x00};
    const std::span<const std::uint8_t> one[] = {triple};
    const std::span<const std::uint8_t> oneQuad[] = {quad};
    const std::span<const std::uint8_t> planes[] = {red, green, blue};
    const std::span<const std::uint8_t> one16[] = {triple16};
    const std::span<const std::uint8_t> oneQuad16[] = {quad16};
    const std::span<const std::uint8_t> planes16[] = {red16, green16, blue16};
    const TPaletteEntry first{10, 20, 30, 0};
    const TPaletteEntry second{40, 50, 60, 0};

    // Without a depth change the palette keeps the colour count.
    EXPECT_EQ(manager.CreateColorPalette(one, pdInterleaved8Triple, 2, false).Entries,
              (std::vector<TPaletteEntry>{first, second}));
    EXPECT_EQ(manager.CreateColorPalette(one, pdInterleaved8Triple, 1, true).Entries,
              (std::vector<TPaletteEntry>{{30, 20, 10, 0}}));
    EXPECT_EQ(manager.CreateColorPalette(oneQuad, pdInterleaved8Quad, 2, false).Entries,
              (std::vector<TPaletteEntry>{first, second}));
    EXPECT_EQ(manager.CreateColorPalette(planes, pdPlanar8Triple, 2, true).Entries,
              (std::vector<TPaletteEntry>{first, second}));
    EXPECT_EQ(manager.CreateColorPalette(planes, pdPlanar8Quad, 2, false).Entries,
              (std::vector<TPaletteEntry>{first, second}));

    // 16-bit values are scaled by 255 / 65535 after the swap the source asks for.
    manager.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(manager.CreateColorPalette(one16, pdInterleaved16Triple, 2, false).Entries,
              (std::vector<TPaletteEntry>{{0x09, 0x13, 0x1D, 0}, {255, 0, 254, 0}}));
    EXPECT_EQ(manager.CreateColorPalette(oneQuad16, pdInterleaved16Quad, 1, true).Entries,
              (std::vector<TPaletteEntry>{{0x1D, 0x13, 0x09, 0}}));
    EXPECT_EQ(manager.CreateColorPalette(planes16, pdPlanar16Triple, 1, false).Entries,
              (std::vector<TPaletteEntry>{{0x09, 0x13, 0x1D, 0}}));
    EXPECT_EQ(manager.CreateColorPalette(planes16, pdPlanar16Quad, 1, false).Entries,
              (std::vector<TPaletteEntry>{{0x09, 0x13, 0x1D, 0}}));
    manager.SourceOptions.Exclude(coSwapBytes);
    EXPECT_EQ(manager.CreateColorPalette(planes16, pdPlanar16Triple, 1, false).Entries,
              (std::vector<TPaletteEntry>{{0, 0, 0, 0}}));
    EXPECT_EQ(manager.CreateColorPalette(one16, pdInterleaved16Triple, 2, false).Entries,
              (std::vector<TPaletteEntry>{{0, 0, 0, 0}, {255, 0, 0, 0}}));

    manager.TargetOptions.Include(coApplyGamma);
    EXPECT_EQ(manager.CreateColorPalette(one, pdInterleaved8Triple, 1, false).Entries[0],
              (TPaletteEntry{manager.GammaTable()[10], manager.GammaTable()[20], manager.GammaTable()[30], 0}));

    // An unknown format and missing data leave black entries.
    EXPECT_EQ(manager.CreateColorPalette(one, static_cast<TPaletteDataFormat>(8), 2, false).Entries,
              (std::vector<TPaletteEntry>(2)));
    manager.TargetOptions = {};
    EXPECT_EQ(manager.CreateColorPalette(one, pdInterleaved8Triple, 3, false).Entries,
              (std::vector<TPaletteEntry>{first, second, {}}));
    EXPECT_EQ(manager.CreateColorPalette(std::span(planes).first(2), pdPlanar8Triple, 1, false).Entries,
              (std::vector<TPaletteEntry>(1)));
}

TEST(ColorManager, ColorPalettesAreCappedAndSpreadOverTheTargetDepth)
{
    TColorManager manager;
    Bytes many(300 * 3);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<std::uint8_t>(i / 3);
    const std::span<const std::uint8_t> data[] = {many};
    const TPalette capped = manager.CreateColorPalette(data, pdInterleaved8Triple, 300, false);
    ASSERT_EQ(capped.Count(), 256);
    EXPECT_EQ(capped.Entries[255], Grey(255));

    // Sixteen entries of a 4-bit source spread over 256: entry i takes entry i x 15 div 255.
    manager.SetSourceBitsPerSample(4);
    const TPalette widened = manager.CreateColorPalette(data, pdInterleaved8Triple, 16, false);
    ASSERT_EQ(widened.Count(), 256);
    EXPECT_EQ(widened.Entries[0], Grey(0));
    EXPECT_EQ(widened.Entries[16], Grey(0));
    EXPECT_EQ(widened.Entries[17], Grey(1));
    EXPECT_EQ(widened.Entries[254], Grey(14));
    EXPECT_EQ(widened.Entries[255], Grey(15));

    // Narrowing an 8-bit palette to 2 bits takes entries 0, 85, 170 and 255.
    manager.SetSourceBitsPerSample(8);
    manager.SetTargetBitsPerSample(2);
    EXPECT_EQ(manager.CreateColorPalette(data, pdInterleaved8Triple, 256, false).Entries,
              (std::vector<TPaletteEntry>{Grey(0), Grey(85), Grey(170), Grey(255)}));

    // A 16-bit source reads only 256 entries; target entries beyond them stay black.
    manager.SetSourceBitsPerSample(16);
    manager.SetTargetBitsPerSample(8);
    const TPalette fromWide = manager.CreateColorPalette(data, pdInterleaved8Triple, 300, false);
    ASSERT_EQ(fromWide.Count(), 256);
    EXPECT_EQ(fromWide.Entries[0], Grey(0));
    EXPECT_EQ(fromWide.Entries[1], Grey(0));
    EXPECT_EQ(fromWide.Entries[255], Grey(0));

    manager.SetTargetBitsPerSample(16);
    EXPECT_EQ(manager.CreateColorPalette(data, pdInterleaved8Triple, 5, false).Count(), 5);
}

TEST(ColorManager, ClampByteAndMulDiv16)
{
    EXPECT_EQ(ClampByte(-1), 0);
    EXPECT_EQ(ClampByte(0), 0);
    EXPECT_EQ(ClampByte(255), 255);
    EXPECT_EQ(ClampByte(256), 255);
    EXPECT_EQ(ClampByte(-2147483647 - 1), 0);
    EXPECT_EQ(MulDiv16(65535, 65535, 65535), 65535);
    EXPECT_EQ(MulDiv16(65280, 255, 65535), 254);
    EXPECT_EQ(MulDiv16(200, 65535, 255), 51400);
    EXPECT_EQ(MulDiv16(7, 1, 2), 3);
}
