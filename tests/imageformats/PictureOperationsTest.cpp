#include "imageformats/PictureOperations.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"

#include "imageformats/FilledBitmaps.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;

TEST(TransparentCopy, LeavesOutTheCornerColourAndStaysInsideTheTarget)
{
    TBitmap source, target;
    Fill(source, 3, 2, [](int x, int y) { return x == 1 && y == 1 ? Red : x == 2 ? Green : clWhite; });
    FillPlain(target, 4, 4, clBlack);
    EXPECT_TRUE(TransparentCopy(source, 3, 2, target, 2, 2));
    EXPECT_EQ(target.Pixel(2, 2), clBlack);
    EXPECT_EQ(target.Pixel(3, 3), Red);
    EXPECT_EQ(target.Pixel(3, 2), clBlack);
    TransparentCopy(source, 3, 2, target, -2, -1);
    EXPECT_EQ(target.Pixel(0, 0), Green);
}

TEST(RotatedBounds, TurnsAboutTheTopLeftCorner)
{
    TRect out;
    RotatedBounds(Rect(10, 20, 110, 70), 90, out);
    EXPECT_EQ(out.Left, 10);
    EXPECT_EQ(out.Top, 20);
    EXPECT_EQ(out.Width(), 50);
    EXPECT_EQ(out.Height(), 100);
    RotatedBounds(Rect(10, 20, 110, 70), 0, out);
    EXPECT_EQ(out, Rect(10, 20, 110, 70));
}

TEST(ResampleBitmap, HalfAndQuarterSizeAsBoxFilters)
{
    TBitmap source;
    const auto color = [](int x, int y) {
        return static_cast<TColor>(RGB(static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 2),
                                       static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF)));
    };
    Fill(source, 100, 100, color);
    TBitmap half;
    FillPlain(half, 50, 50, clBlack);
    ResampleBitmap(source, half, nullptr, Rect(0, 0, 50, 50), Rect(0, 0, 100, 100));
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(half.Pixel(x, y), color(2 * x, 2 * y)) << x << "," << y;

    TBitmap quarter;
    FillPlain(quarter, 25, 25, clBlack);
    Progress progress;
    ResampleBitmap(source, quarter, &progress, Rect(0, 0, 25, 25), Rect(0, 0, 100, 100));
    EXPECT_EQ(progress.Max(), 25);
    EXPECT_EQ(progress.Position(), 0);
    for (int y = 1; y < 25; ++y)
        for (int x = 1; x < 25; ++x) {
            unsigned sums[3] = {0, 0, 0};
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx) {
                    const auto c = static_cast<COLORREF>(color(4 * x + dx, 4 * y + dy));
                    sums[0] += GetRValue(c), sums[1] += GetGValue(c), sums[2] += GetBValue(c);
                }
            const TColor expected = static_cast<TColor>(RGB(static_cast<std::uint8_t>(sums[0] / 3 / 3),
                                                            static_cast<std::uint8_t>(sums[1] / 3 / 3),
                                                            static_cast<std::uint8_t>(sums[2] / 3 / 3)));
            ASSERT_EQ(quarter.Pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(quarter.Pixel(0, 0), color(0, 0));
}

TEST(ResampleBitmap, EnlargingAndOddScalesLeaveNoBlack)
{
    const TColor olive = static_cast<TColor>(RGB(10, 200, 30));
    for (const auto& [from, to] : {std::pair{100, 60}, std::pair{50, 100}, std::pair{3, 7}}) {
        SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(to));
        TBitmap source, target;
        FillPlain(source, from, from, olive);
        FillPlain(target, to, to, clBlack);
        ResampleBitmap(source, target, nullptr, Rect(0, 0, to, to), Rect(0, 0, from, from));
        for (int y = 0; y < to; ++y)
            for (int x = 0; x < to; ++x)
                ASSERT_EQ(target.Pixel(x, y), olive) << x << "," << y;
    }
}

TEST(ResampleBitmap, EmptyRectanglesChangeNothing)
{
    TBitmap source, target;
    FillPlain(source, 10, 10, Green);
    FillPlain(target, 10, 10, clBlack);
    ResampleBitmap(source, target, nullptr, Rect(0, 0, 0, 10), Rect(0, 0, 10, 10));
    ResampleBitmap(source, target, nullptr, Rect(0, 0, 10, 10), Rect(5, 5, 5, 9));
    EXPECT_EQ(target.Pixel(0, 0), clBlack);
    EXPECT_EQ(target.Pixel(5, 5), clBlack);
}

} // namespace
