#include "platform/graphics/PixelRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

TEST(PixelRows, ExchangeRedBlueSwapsTheOuterBytesOfEveryPixelOfRowsOfAnyLength)
{
    for (std::size_t pixels = 0; pixels <= 70; ++pixels) {
        std::vector<std::uint8_t> from(3 * pixels);
        for (std::size_t i = 0; i < from.size(); ++i)
            from[i] = static_cast<std::uint8_t>(i * 37 + 11);
        std::vector<std::uint8_t> expected(from.size());
        for (std::size_t p = 0; p < pixels; ++p) {
            expected[3 * p] = from[3 * p + 2];
            expected[3 * p + 1] = from[3 * p + 1];
            expected[3 * p + 2] = from[3 * p];
        }
        // A byte past the row shows that nothing is written beyond it.
        std::vector<std::uint8_t> to(from.size() + 1, 0xEE);
        ExchangeRedBlue(from.data(), to.data(), pixels);
        EXPECT_EQ(std::vector<std::uint8_t>(to.begin(), to.end() - 1), expected) << pixels << " pixels";
        EXPECT_EQ(to.back(), 0xEE) << pixels << " pixels";
    }
}
