#include "imageformats/Resampling.h"
#include "platform/graphics/Bitmap.h"

#include "imageformats/FilledBitmaps.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

TColor Grey(int level)
{
    const auto byte = static_cast<std::uint8_t>(level);
    return static_cast<TColor>(RGB(byte, byte, byte));
}

TEST(ResamplingFilters, ValuesAndDefaultRadii)
{
    struct Row {
        TResamplingFilter filter;
        std::array<double, 5> values; // at 0, 0.5, 1, 1.5 and 2.5
        double radius;
    };
    const std::vector<Row> table = {
        {sfBox, {1, 1, 0, 0, 0}, 0.5},
        {sfTriangle, {1, 0.5, 0, 0, 0}, 1},
        {sfHermite, {1, 0.5, 0, 0, 0}, 1},
        {sfBell, {0.75, 0.5, 0.125, 0, 0}, 1.5},
        {sfSpline, {2.0 / 3, 23.0 / 48, 1.0 / 6, 1.0 / 48, 0}, 2},
        {sfLanczos3, {1, 0.6079271, 0, -0.1350949, 0.0243171}, 3},
        {sfMitchell, {8.0 / 9, 0.5347222, 1.0 / 18, -0.0347222, 0}, 2},
    };
    const std::array<double, 5> at = {0, 0.5, 1, 1.5, 2.5};
    for (const Row& row : table) {
        for (std::size_t i = 0; i < at.size(); ++i) {
            EXPECT_NEAR(FilterValue(row.filter, at[i]), row.values[i], 1e-6) << int{row.filter} << " at " << at[i];
            if (row.filter != sfBox) {
                EXPECT_NEAR(FilterValue(row.filter, -at[i]), row.values[i], 1e-6) << int{row.filter};
            }
        }
        EXPECT_EQ(DefaultRadius(row.filter), row.radius);
    }
    EXPECT_EQ(FilterValue(sfBox, -0.5), 0); // the box is open on its left
}

TEST(Stretch, OnePixelWideSourceFillsEveryColumn)
{
    TBitmap source, target;
    FillPlain(source, 1, 1, Grey(77));
    Stretch(10, 1, sfTriangle, 0, source, target);
    ASSERT_EQ(target.Width(), 10);
    EXPECT_EQ(target.PixelFormat(), pf24bit);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(target.Pixel(x, 0), Grey(77)) << x;
}

// Reducing to one pixel scales by 1 / width: the triangle widens to four pixels each side, weights
// 64, 48, 32, 16 out from the centre, mirrored at the left end: 64, 96, 64, 32.
TEST(Stretch, ReducingToOnePixelWeighsTheWholeRow)
{
    TBitmap source, target;
    Fill(source, 4, 1, [](int x, int) { return Grey(40 * x); });
    Stretch(1, 1, sfTriangle, 0, source, target);
    EXPECT_EQ(target.Pixel(0, 0), Grey((96 * 40 + 64 * 80 + 32 * 120) / 256));

    // Past 512 x each weight in 1/256 would round to nothing: a finer unit still averages.
    for (const TResamplingFilter filter : {sfBox, sfTriangle, sfLanczos3}) {
        Fill(source, 1500, 2, [](int x, int) { return Grey(x % 2 == 0 ? 100 : 140); });
        Stretch(1, 1, filter, 0, source, target);
        const int level = GetRValue(target.Pixel(0, 0));
        EXPECT_TRUE(level >= 115 && level <= 125) << int{filter} << ": " << level;
    }
}

TEST(Stretch, BoxAtScaleTwoCopiesPixels)
{
    TBitmap source;
    Fill(source, 3, 3, [](int x, int y) { return static_cast<TColor>(RGB(x * 100, y * 100, 7 * x + y)); });
    TBitmap original;
    original.Assign(source);
    Stretch(5, 5, sfBox, 0, source);
    ASSERT_EQ(source.Width(), 5);
    ASSERT_EQ(source.Height(), 5);
    const std::array<int, 5> from = {0, 0, 1, 1, 2};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(source.Pixel(x, y), original.Pixel(from[x], from[y])) << x << "," << y;
}

// 4 to 6 pixels scales by 5/3: target i centres on source 0.6 i, and the triangle's weights in
// 1/256 are 102 and 154, 205 and 51, 51 and 205, 154 and 102.
TEST(Stretch, TriangleEnlargementMatchesHandWeights)
{
    TBitmap source, target;
    const std::array<int, 4> levels = {10, 50, 90, 250};
    Fill(source, 4, 1, [&](int x, int) { return Grey(levels[x]); });
    Stretch(6, 1, sfTriangle, 0, source, target);
    const std::array<int, 6> expected = {10,
                                         (102 * 10 + 154 * 50) / 256,
                                         (205 * 50 + 51 * 90) / 256,
                                         (51 * 50 + 205 * 90) / 256,
                                         (154 * 90 + 102 * 250) / 256,
                                         250};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(target.Pixel(x, 0), Grey(expected[x])) << x;
}

// A source narrower than the filter's reach mirrors past its other end: the index must still land
// inside (the sanitizer build checks the reads).
TEST(Stretch, TinySourcesReadNothingOutside)
{
    for (const TResamplingFilter filter : {sfBox, sfTriangle, sfHermite, sfBell, sfSpline, sfLanczos3, sfMitchell}) {
        TBitmap dot, target;
        FillPlain(dot, 1, 1, Grey(200));
        Stretch(5, 4, filter, 0, dot, target);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(target.Pixel(x, y), Grey(200)) << int{filter};

        TBitmap column;
        Fill(column, 1, 3, [](int, int y) { return Grey(30 + 60 * y); });
        Stretch(2, 6, filter, 0, column, target);
        for (int y = 0; y < 6; ++y)
            ASSERT_EQ(target.Pixel(0, y), target.Pixel(1, y)) << int{filter};
        const int top = GetRValue(target.Pixel(0, 0));
        EXPECT_TRUE(top >= 30 && top <= 150) << int{filter} << ": " << top;
    }
}

// A picture with a transparent colour, here 8 x 2 reduced to 4 x 1, is reduced colour and
// transparency apart: each pixel of the reduction is transparent where at least half of its box is,
// else the average of the box's other pixels, moved off the transparent colour should it fall on it.
TEST(ReduceToCover, KeepsATransparentColourApart)
{
    const struct {
        std::array<TColor, 4> box;
        TColor reduced;
    } boxes[] = {
        {{clWhite, clWhite, clWhite, clWhite}, clWhite},
        {{clWhite, 0x102030, clWhite, 0x304050}, clWhite},
        {{clWhite, 0x102030, 0x102030, 0x405060}, 0x203040},
        {{0xFEFFFF, 0xFEFFFF, 0xFFFFFE, 0xFFFFFE}, 0xFEFFFF},
    };
    TBitmap picture;
    Fill(picture, 8, 2, [&](int x, int y) { return boxes[x / 2].box[static_cast<std::size_t>(y * 2 + x % 2)]; });
    picture.SetTransparentColor(clWhite);
    picture.SetTransparent(true);
    ReduceToCover(picture, {4, 1});
    ASSERT_EQ(picture.Width(), 4);
    ASSERT_EQ(picture.Height(), 1);
    EXPECT_TRUE(picture.Transparent());
    EXPECT_EQ(picture.TransparentColor() & 0xFFFFFF, clWhite);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(picture.Pixel(x, 0), boxes[x].reduced) << x;
}

TEST(DoublePlane, TwoByTwoExample)
{
    const int a = 10, b = 21, c = 100, d = 251;
    std::vector<std::uint8_t> plane(4 * 4);
    plane[0] = a, plane[1] = b, plane[4] = c, plane[5] = d;
    DoublePlane(2, 2, 4, plane.data());
    const std::vector<std::uint8_t> expected = {a,
                                                (a + b + 1) / 2,
                                                b,
                                                b, //
                                                (a + c + 1) / 2,
                                                (a + b + c + d + 2) / 4,
                                                (b + d + 1) / 2,
                                                (b + d + 1) / 2, //
                                                c,
                                                (c + d + 1) / 2,
                                                d,
                                                d, //
                                                c,
                                                (c + d + 1) / 2,
                                                d,
                                                d};
    EXPECT_EQ(plane, expected);
}

// The doubling written plainly, from a separate source: even rows spread the source rows, odd rows
// blend the even rows around them, the last row repeats the one above.
std::vector<std::uint8_t> DoubledReference(const std::vector<std::uint8_t>& source, int w, int h)
{
    const int wide = 2 * w;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(wide * 2 * h));
    const auto at = [&](int x, int y) -> std::uint8_t& { return out[static_cast<std::size_t>(y * wide + x)]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int here = source[static_cast<std::size_t>(y * w + x)];
            const int right = x + 1 < w ? source[static_cast<std::size_t>(y * w + x + 1)] : here;
            at(2 * x, 2 * y) = static_cast<std::uint8_t>(here);
            at(2 * x + 1, 2 * y) = static_cast<std::uint8_t>((here + right + 1) / 2);
        }
    for (int y = 1; y < 2 * h - 1; y += 2)
        for (int x = 0; x < w; ++x) {
            const int a0 = at(2 * x, y - 1), b0 = at(2 * x, y + 1);
            at(2 * x, y) = static_cast<std::uint8_t>((a0 + b0 + 1) / 2);
            if (x + 1 < w)
                at(2 * x + 1, y) =
                    static_cast<std::uint8_t>((a0 + at(2 * x + 2, y - 1) + b0 + at(2 * x + 2, y + 1) + 2) / 4);
            else
                at(2 * x + 1, y) = static_cast<std::uint8_t>((at(2 * x + 1, y - 1) + b0 + 1) / 2);
        }
    for (int x = 0; x < wide; ++x)
        at(x, 2 * h - 1) = at(x, 2 * h - 2);
    return out;
}

TEST(DoublePlane, SevenByFiveMatchesPlainReference)
{
    const int w = 7, h = 5, stride = 16;
    std::vector<std::uint8_t> source(w * h);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::uint8_t>(i * 37 % 251);
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(stride * 2 * h), 0xEE);
    for (int y = 0; y < h; ++y)
        std::copy_n(source.begin() + y * w, w, plane.begin() + y * stride);
    DoublePlane(w, h, stride, plane.data());
    const std::vector<std::uint8_t> expected = DoubledReference(source, w, h);
    for (int y = 0; y < 2 * h; ++y) {
        for (int x = 0; x < 2 * w; ++x)
            ASSERT_EQ(plane[static_cast<std::size_t>(y * stride + x)],
                      expected[static_cast<std::size_t>(y * 2 * w + x)])
                << x << "," << y;
        EXPECT_EQ(plane[static_cast<std::size_t>(y * stride + 2 * w)], 0xEE) << "row " << y << " overran";
    }
}

TEST(DoublePlane, PlanesBelowTwoByTwoStayAsTheyAre)
{
    std::vector<std::uint8_t> plane = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<std::uint8_t> before = plane;
    DoublePlane(1, 4, 2, plane.data());
    DoublePlane(4, 1, 4, plane.data());
    DoublePlane(0, 0, 4, plane.data());
    EXPECT_EQ(plane, before);
}

} // namespace
