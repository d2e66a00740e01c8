#include "imageformats/ColorManager.h"

#include "ColorLayouts.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TColorManager Manager(TColorScheme source, std::uint8_t sourceBits, TColorScheme target, std::uint8_t targetBits)
{
    TColorManager manager;
    SetLayouts(manager, source, sourceBits, target, targetBits);
    return manager;
}

// Converts one interleaved row into a target of `targetBytes` bytes that start as 0xEE.
Bytes Convert(TColorManager& manager, const Bytes& source, std::size_t targetBytes, unsigned count,
              std::uint8_t mask = 0xFF)
{
    Bytes target(targetBytes, 0xEE);
    manager.ConvertRow(source.data(), target.data(), count, mask);
    return target;
}

Bytes ConvertPlanes(TColorManager& manager, const std::vector<Bytes>& planes, std::size_t targetBytes, unsigned count)
{
    std::vector<const std::uint8_t*> pointers;
    for (const Bytes& plane : planes)
        pointers.push_back(plane.data());
    Bytes target(targetBytes, 0xEE);
    manager.ConvertRow(pointers, target.data(), count, 0xFF);
    return target;
}

} // namespace

TEST(ColorConversions, CountZeroWritesNothing)
{
    for (TColorScheme source : {csRGB, csCMYK, csCIELab, csYCbCr}) {
        TColorManager manager = Manager(source, 8, csBGR, 8);
        EXPECT_EQ(Convert(manager, Bytes(4), 4, 0), Bytes(4, 0xEE)) << int(source);
    }
    TColorManager indexed = Manager(csIndexed, 4, csIndexed, 4);
    EXPECT_EQ(Convert(indexed, Bytes(4), 4, 0), Bytes(4, 0xEE));
    TColorManager indexed16 = Manager(csIndexed, 16, csIndexed, 16);
    EXPECT_EQ(Convert(indexed16, Bytes(4), 4, 0), Bytes(4, 0xEE));
}

TEST(ColorConversions, MaskSelectsTargetPixelsFromPackedSourcePixels)
{
    // Mask 170 writes target pixels 0, 2, 4, 6 from the first four source pixels.
    TColorManager manager = Manager(csRGB, 8, csRGB, 8);
    const Bytes source{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 9, 9, 9};
    Bytes expected(24, 0xEE);
    for (int pixel = 0; pixel < 4; ++pixel)
        std::fill_n(expected.begin() + 6 * pixel, 3, static_cast<std::uint8_t>(pixel + 1));
    EXPECT_EQ(Convert(manager, source, 24, 8, 170), expected);

    // The mask repeats every eight pixels: 0x01 selects pixels 7 and 15.
    TColorManager grey = Manager(csGray, 8, csGray, 8);
    const Bytes written = Convert(grey, {5, 6}, 16, 16, 0x01);
    EXPECT_EQ(written[7], 5);
    EXPECT_EQ(written[15], 6);
    EXPECT_EQ(written[8], 0xEE);
}

TEST(ColorConversions, AdamPassesFillOnePackedRowTogether)
{
    // Row 0 of an interlaced image gets passes 1 (pixel 0 of 8), 2 (pixel 4), 4 (pixels 2 and 6)
    // and 6 (the odd pixels); a 4-bit target keeps the nibbles earlier passes wrote.
    TColorManager manager = Manager(csIndexed, 8, csIndexed, 4);
    Bytes target(9, 0);
    const auto pass = [&](const Bytes& source, std::uint8_t mask) {
        manager.ConvertRow(source.data(), target.data(), 16, mask);
    };
    // Pixel p holds index 17 x p, which is p at 4 bits.
    const auto indices = [](std::initializer_list<int> pixels) {
        Bytes source;
        for (int pixel : pixels)
            source.push_back(static_cast<std::uint8_t>(17 * pixel));
        return source;
    };
    pass(indices({0, 8}), 0x80);
    pass(indices({4, 12}), 0x08);
    pass(indices({2, 6, 10, 14}), 0x22);
    pass(indices({1, 3, 5, 7, 9, 11, 13, 15}), 0x55);
    EXPECT_EQ(target, (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0}));

    TColorManager full = Manager(csIndexed, 4, csIndexed, 4);
    Bytes row(2, 0x00);
    full.ConvertRow(Bytes{0xAB, 0xCD}.data(), row.data(), 4, 0xAA);
    EXPECT_EQ(row, (Bytes{0xA0, 0xB0})) << "pass 5 writes even pixels only";
    full.ConvertRow(Bytes{0x12}.data(), row.data(), 4, 0x55);
    EXPECT_EQ(row, (Bytes{0xA1, 0xB2}));
}

TEST(ColorConversions, PackedIndicesChangeDepth)
{
    TColorManager oneToFour = Manager(csIndexed, 1, csIndexed, 4);
    EXPECT_EQ(Convert(oneToFour, {128}, 4, 8), (Bytes{240, 0, 0, 0}));

    TColorManager twoToEight = Manager(csIndexed, 2, csIndexed, 8);
    EXPECT_EQ(Convert(twoToEight, {0b00011011}, 4, 4), (Bytes{0, 85, 170, 255}));

    TColorManager eightToOne = Manager(csGray, 8, csGray, 1);
    EXPECT_EQ(Convert(eightToOne, {255, 0, 254, 255, 255, 0, 0, 0, 0}, 2, 9), (Bytes{0x98, 0x6E}))
        << "the ninth pixel clears only the top bit of the second byte";

    TColorManager copy = Manager(csIndexed, 2, csIndexed, 2);
    EXPECT_EQ(Convert(copy, {0x1B, 0xE4, 0x77}, 3, 5), (Bytes{0x1B, 0xE4, 0xEE})) << "whole bytes of 5 pixels";
}

TEST(ColorConversions, SixteenBitIndices)
{
    // A 4-bit target row of 5 pixels fills three bytes, the last only in its upper half.
    TColorManager toFour = Manager(csIndexed, 16, csIndexed, 4);
    const Bytes wide{0xFF, 0xFF, 0x00, 0x00, 0x11, 0x11, 0x00, 0x80, 0xFF, 0xFF};
    EXPECT_EQ(Convert(toFour, wide, 4, 5), (Bytes{0xF0, 0x17, 0xFE, 0xEE}));
    toFour.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(toFour, {0x80, 0x00}, 1, 1), (Bytes{0x7E}));

    TColorManager same = Manager(csIndexed, 16, csIndexed, 16);
    EXPECT_EQ(Convert(same, {1, 2, 3, 4}, 4, 2), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Convert(same, {1, 2, 3, 4}, 4, 2, 0x40), (Bytes{0xEE, 0xEE, 1, 2}));
    same.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(same, {1, 2, 3, 4}, 4, 2), (Bytes{2, 1, 4, 3}));

    TColorManager widen = Manager(csIndexed, 4, csIndexed, 16);
    EXPECT_EQ(Convert(widen, {0xF1}, 4, 2), (Bytes{0xFF, 0xFF, 0x11, 0x11}));
    widen.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(widen, {0x20}, 4, 2), (Bytes{0x22, 0x22, 0x00, 0x00}));
}

TEST(ColorConversions, GreyRows)
{
    TColorManager widen = Manager(csGray, 8, csGray, 16);
    EXPECT_EQ(Convert(widen, {200, 1}, 4, 2), (Bytes{0xC8, 0xC8, 0x01, 0x01}));

    TColorManager narrow = Manager(csGray, 16, csGray, 8);
    EXPECT_EQ(Convert(narrow, {0x00, 0xFF, 0xFF, 0xFF}, 2, 2), (Bytes{254, 255}));
    narrow.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(narrow, {0x00, 0xFF, 0x80, 0x00}, 2, 2), (Bytes{0, 127}));

    TColorManager wide = Manager(csGray, 16, csGray, 16);
    wide.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(wide, {0x12, 0x34}, 2, 1), (Bytes{0x34, 0x12}));

    // The alpha sample is dropped, and no gamma applies to grey.
    TColorManager withAlpha = Manager(csGrayAlpha, 8, csGray, 8);
    withAlpha.TargetOptions.Include(coApplyGamma);
    EXPECT_EQ(Convert(withAlpha, {10, 99, 20, 99, 30, 99}, 3, 3), (Bytes{10, 20, 30}));
    TColorManager wideAlpha = Manager(csGrayAlpha, 16, csGray, 8);
    EXPECT_EQ(Convert(wideAlpha, {0x00, 0x80, 9, 9, 0xFF, 0xFF, 9, 9}, 2, 2), (Bytes{127, 255}));
}

TEST(ColorConversions, RgbOrdersAndAlpha)
{
    TColorManager swap = Manager(csRGB, 8, csBGR, 8);
    EXPECT_EQ(Convert(swap, {10, 20, 30}, 3, 1), (Bytes{30, 20, 10}));
    TColorManager kept = Manager(csBGR, 8, csBGR, 8);
    EXPECT_EQ(Convert(kept, {10, 20, 30}, 3, 1), (Bytes{10, 20, 30}));

    TColorManager dropAlpha = Manager(csRGBA, 8, csBGR, 8);
    EXPECT_EQ(Convert(dropAlpha, {1, 2, 3, 4, 5, 6, 7, 8}, 6, 2), (Bytes{3, 2, 1, 7, 6, 5}));
    TColorManager noSourceAlpha = Manager(csRGB, 8, csBGRA, 8);
    EXPECT_EQ(Convert(noSourceAlpha, {1, 2, 3, 5, 6, 7}, 8, 2), (Bytes{3, 2, 1, 0xEE, 7, 6, 5, 0xEE}));
    TColorManager bothAlpha = Manager(csBGRA, 8, csRGBA, 8);
    bothAlpha.TargetOptions.Include(coApplyGamma);
    // Gamma applies to the colours, not to alpha: 64 becomes 136.
    EXPECT_EQ(Convert(bothAlpha, {0, 64, 255, 64}, 4, 1), (Bytes{255, 136, 0, 64}));
}

TEST(ColorConversions, RgbSampleDepths)
{
    TColorManager narrow = Manager(csRGB, 16, csBGR, 8);
    narrow.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(narrow, {0xFF, 0x00, 0x00, 0x00, 0x80, 0x00}, 3, 1), (Bytes{127, 0, 254}));
    narrow.SourceOptions.Exclude(coSwapBytes);
    EXPECT_EQ(Convert(narrow, {0xFF, 0x00, 0x00, 0x00, 0x80, 0x00}, 3, 1), (Bytes{0, 0, 0}));
    narrow.TargetOptions.Include(coApplyGamma);
    EXPECT_EQ(Convert(narrow, {0x00, 0x40, 0x00, 0x00, 0x00, 0x00}, 3, 1), (Bytes{0, 0, 136}))
        << "16384 is a quarter of the scale, 255 x 0.25^(1 / 2.2) = 135.8 through the gamma at full precision, "
           "where reduced to 63 first it gave 135";

    TColorManager widen = Manager(csRGBA, 8, csRGBA, 16);
    EXPECT_EQ(Convert(widen, {1, 2, 255, 128}, 8, 1), (Bytes{1, 1, 2, 2, 255, 255, 128, 128}));

    TColorManager wide = Manager(csBGRA, 16, csRGBA, 16);
    wide.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(wide, {1, 2, 3, 4, 5, 6, 7, 8}, 8, 1), (Bytes{6, 5, 4, 3, 2, 1, 8, 7}));
}

TEST(ColorConversions, PlanarRgb)
{
    TColorManager manager = Manager(csRGB, 8, csBGR, 8);
    EXPECT_EQ(ConvertPlanes(manager, {{1, 4}, {2, 5}, {3, 6}}, 6, 2), (Bytes{3, 2, 1, 6, 5, 4}));
    TColorManager alpha = Manager(csRGBA, 8, csBGRA, 8);
    EXPECT_EQ(ConvertPlanes(alpha, {{1}, {2}, {3}, {4}}, 4, 1), (Bytes{3, 2, 1, 4}));
    TColorManager wide = Manager(csRGB, 16, csRGB, 8);
    EXPECT_EQ(ConvertPlanes(wide, {{0, 0xFF}, {0xFF, 0xFF}, {0, 0}}, 3, 1), (Bytes{254, 255, 0}));
}

TEST(ColorConversions, CmykColours)
{
    TColorManager manager = Manager(csCMYK, 8, csRGB, 8);
    EXPECT_EQ(Convert(manager, {0, 0, 0, 0}, 3, 1), (Bytes{255, 255, 255}));
    EXPECT_EQ(Convert(manager, {255, 0, 0, 0}, 3, 1), (Bytes{0, 255, 255}));
    EXPECT_EQ(Convert(manager, {17, 200, 90, 255}, 3, 1), (Bytes{0, 0, 0}));
    // 255 - (128 - 128 x 64 div 255 + 64) = 255 - (128 - 32 + 64)
    EXPECT_EQ(Convert(manager, {128, 0, 0, 64}, 3, 1), (Bytes{95, 191, 191}));

    TColorManager blueFirst = Manager(csCMYK, 8, csBGRA, 8);
    EXPECT_EQ(Convert(blueFirst, {255, 0, 0, 0, 0, 0, 255, 0}, 8, 2), (Bytes{255, 255, 0, 0xEE, 0, 255, 255, 0xEE}));
    EXPECT_EQ(ConvertPlanes(blueFirst, {{255}, {0}, {0}, {0}}, 4, 1), (Bytes{255, 255, 0, 0xEE}));

    TColorManager wideTarget = Manager(csCMYK, 8, csRGB, 16);
    EXPECT_EQ(Convert(wideTarget, {255, 0, 128, 0}, 6, 1), (Bytes{0, 0, 0xFF, 0xFF, 0x7F, 0x7F}));
}

TEST(ColorConversions, SixteenBitCmykHonoursTheByteOrder)
{
    TColorManager manager = Manager(csCMYK, 16, csRGB, 8);
    const Bytes littleEndian{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00};
    EXPECT_EQ(Convert(manager, littleEndian, 3, 1), (Bytes{0, 255, 128}));
    // The same colours as a big-endian file stores them.
    manager.SourceOptions.Include(coSwapBytes);
    const Bytes bigEndian{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00};
    EXPECT_EQ(Convert(manager, bigEndian, 3, 1), (Bytes{0, 255, 128}));
    EXPECT_EQ(Convert(manager, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF}, 3, 1), (Bytes{0, 0, 0}));

    TColorManager wide = Manager(csCMYK, 16, csBGR, 16);
    wide.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(wide, {0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}, 6, 1),
              (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFE, 0xFF}));
}

// Expected colours worked out apart from the program, in exact rational arithmetic of the formulas
// rounded half to even: both sides of the linear limit (L* 7.9996), clamping, each option, and
// 16-bit samples (L* over the whole range, a* and b* with eight fraction bits; big-endian with
// coSwapBytes).
TEST(ColorConversions, CieLabColours)
{
    const TConvertOptions none{};
    const TConvertOptions scaledUnsigned{coLabScaledLightness, coLabUnsignedChroma};
    const struct {
        Bytes lab;
        TConvertOptions options;
        Bytes rgb;
        const char* what;
    } cases[] = {
        {{100, 0, 0}, none, {255, 255, 255}, "white"},
        {{0, 0, 0}, none, {0, 0, 0}, "black"},
        {{50, 0, 0}, none, {47, 47, 47}, "grey"},
        {{50, 60, 226}, none, {130, 15, 103}, "b* -30 as a signed byte"},
        {{75, 20, 40}, none, {221, 100, 46}, "warm"},
        {{30, 216, 50}, none, {1, 22, 0}, "a* -40"},
        {{90, 236, 196}, none, {0, 233, 255}, "clamped both ways"},
        {{5, 10, 246}, none, {2, 1, 3}, "below the linear limit"},
        {{7, 20, 236}, none, {4, 1, 6}, "last lightness on the linear segment"},
        {{8, 20, 236}, none, {4, 1, 8}, "first lightness on the cube"},
        {{60, 128, 127}, none, {0, 120, 0}, "clamped"},
        {{100, 128, 127}, none, {0, 255, 0}, "the chroma extremes at full lightness"},
        {{200, 128, 128}, scaledUnsigned, {137, 138, 138}, "scaled grey"},
        {{255, 128, 128}, scaledUnsigned, {255, 255, 255}, "scaled white"},
        {{20, 148, 108}, scaledUnsigned, {4, 1, 6}, "scaled, below the linear limit"},
        {{128, 0, 255}, scaledUnsigned, {0, 82, 0}, "unsigned extremes"},
        {{40, 100, 160}, {coLabScaledLightness}, {14, 0, 121}, "scaled, signed chroma"},
        {{40, 100, 160}, {coLabUnsignedChroma}, {13, 36, 6}, "unscaled, unsigned chroma"},
        {{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}, none, {255, 255, 255}, "16-bit white"},
        {{0x00, 0x80, 0x00, 0x3C, 0x00, 0xE2}, none, {130, 15, 103}, "16-bit, b* -30"},
        {{0x80, 0x00, 0xBC, 0x00, 0x62, 0x00}, {coSwapBytes, coLabUnsignedChroma}, {130, 15, 103}, "16-bit swapped"},
        {{0x7A, 0x14, 0x00, 0x14, 0x00, 0xEC}, none, {4, 1, 6}, "16-bit, below the linear limit"},
        {{0x7B, 0x14, 0x00, 0x14, 0x00, 0xEC}, none, {4, 1, 8}, "16-bit, above the linear limit"},
        {{0xFF, 0xBF, 0x00, 0x80, 0xFF, 0x7F}, none, {0, 197, 0}, "16-bit chroma extremes"},
        {{0x20, 0x4E, 0x80, 0x12, 0x40, 0x1C}, {coLabUnsignedChroma}, {0, 41, 201}, "16-bit unsigned"},
    };
    for (const auto& c : cases) {
        TColorManager manager = Manager(csCIELab, static_cast<std::uint8_t>(8 * c.lab.size() / 3), csRGB, 8);
        manager.SourceOptions = c.options;
        EXPECT_EQ(Convert(manager, c.lab, 3, 1), c.rgb) << c.what;
    }

    TColorManager blueFirst = Manager(csCIELab, 8, csBGRA, 16);
    EXPECT_EQ(Convert(blueFirst, {75, 20, 40}, 8, 1), (Bytes{46, 46, 100, 100, 221, 221, 0xEE, 0xEE}));
    EXPECT_EQ(ConvertPlanes(blueFirst, {{75}, {20}, {40}}, 8, 1), (Bytes{46, 46, 100, 100, 221, 221, 0xEE, 0xEE}));
}

TEST(ColorConversions, YCbCrColours)
{
    TColorManager manager = Manager(csYCbCr, 8, csRGB, 8);
    EXPECT_EQ(Convert(manager, {128, 128, 128}, 3, 1), (Bytes{128, 128, 128}));
    EXPECT_EQ(Convert(manager, {100, 50, 200, 30, 200, 60}, 6, 2), (Bytes{201, 76, 0, 0, 54, 158}));
    EXPECT_EQ(Convert(manager, {255, 255, 255}, 3, 1), (Bytes{255, 120, 255}));

    TColorManager alpha = Manager(csYCbCr, 8, csRGBA, 8);
    EXPECT_EQ(Convert(alpha, {100, 50, 200, 128, 128, 128}, 8, 2), (Bytes{201, 76, 0, 0xEE, 128, 128, 128, 0xEE}));
    EXPECT_EQ(ConvertPlanes(alpha, {{100}, {50}, {200}}, 4, 1), (Bytes{201, 76, 0, 0xEE}));

    TColorManager narrow = Manager(csYCbCr, 16, csBGR, 8);
    EXPECT_EQ(Convert(narrow, {0x00, 0x65, 0x00, 0x33, 0x00, 0xC9}, 3, 1), (Bytes{0, 76, 201}));
    narrow.SourceOptions.Include(coSwapBytes);
    EXPECT_EQ(Convert(narrow, {0x65, 0x00, 0x33, 0x00, 0xC9, 0x00}, 3, 1), (Bytes{0, 76, 201}));

    TColorManager widen = Manager(csYCbCr, 8, csRGB, 16);
    EXPECT_EQ(Convert(widen, {100, 50, 200}, 6, 1), (Bytes{201, 201, 76, 76, 0, 0}));
}

TEST(ColorConversions, PhotoYCCColours)
{
    TColorManager manager = Manager(csPhotoYCC, 8, csBGR, 8);
    // Photo-CD chroma is neutral at C1 156 and C2 137.
    EXPECT_EQ(Convert(manager, {100, 156, 137}, 3, 1), (Bytes{100, 100, 100}));
    EXPECT_EQ(Convert(manager, {100, 255, 255}, 3, 1), (Bytes{255, 0, 255}));

    TColorManager wide = Manager(csPhotoYCC, 16, csRGB, 16);
    EXPECT_EQ(Convert(wide, {0x10, 0x27, 0x9C, 0x9C, 0x89, 0x89}, 6, 1), (Bytes{0x10, 0x35, 0x10, 0x35, 0x10, 0x35}))
        << "Y 10000 with neutral chroma is 1.3584 x 10000 = 13584";
    EXPECT_EQ(Convert(wide, {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}, 6, 1), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x67, 0x00}))
        << "red and green limited to 65535, blue 89022.744 - 88920.047";

    TColorManager wideYCbCr = Manager(csYCbCr, 16, csBGR, 16);
    EXPECT_EQ(Convert(wideYCbCr, {0x30, 0x75, 0x00, 0x80, 0x00, 0x80}, 6, 1),
              (Bytes{0x30, 0x75, 0x30, 0x75, 0x30, 0x75}));
    EXPECT_EQ(Convert(wideYCbCr, {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF}, 6, 1), (Bytes{0, 0, 0, 0, 0x73, 0xB3}));
}
