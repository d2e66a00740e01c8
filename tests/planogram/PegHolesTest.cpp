#include "planogram/PegHoles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<TPoint> All(const PegHoleList& holes)
{
    std::vector<TPoint> points;
    for (int i = 0; i < holes.Count(); ++i)
        points.push_back(holes.At(i));
    return points;
}

} // namespace

TEST(PegHoleList, RowMajorFromTheFirstHoleWhileBeforeTheLast)
{
    // Columns 4, 24, 44 (64 is not before 60); rows 8, 38 (68 is not before 60).
    const PegHoleList holes(4, 8, 60, 60, 20, 30, 100, 100);
    const std::vector<TPoint> expected = {{4, 8}, {24, 8}, {44, 8}, {4, 38}, {24, 38}, {44, 38}};
    EXPECT_EQ(All(holes), expected);
}

TEST(PegHoleList, OnlyHolesInsideTheBitmap)
{
    // The grid runs to 200 but the bitmap is 50 x 30: x <= 50 and y <= 30 are kept, edges included.
    const PegHoleList holes(-10, 0, 200, 200, 10, 15, 50, 30);
    const std::vector<TPoint> expected = {{0, 0},  {10, 0},  {20, 0},  {30, 0},  {40, 0},  {50, 0},
                                          {0, 15}, {10, 15}, {20, 15}, {30, 15}, {40, 15}, {50, 15},
                                          {0, 30}, {10, 30}, {20, 30}, {30, 30}, {40, 30}, {50, 30}};
    EXPECT_EQ(All(holes), expected);
}

TEST(PegHoleList, PitchesBelowOneCountAsOne)
{
    const PegHoleList zero(0, 0, 3, 2, 0, 0, 10, 10);
    const std::vector<TPoint> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    EXPECT_EQ(All(zero), expected);
    const PegHoleList negative(0, 0, 3, 2, -20, -5, 10, 10);
    EXPECT_EQ(All(negative), expected);
}

TEST(PegHoleList, LargestWallWithPitchOneIsComputedNotStored)
{
    const PegHoleList holes(0, 0, 12183, 12183, 1, 1, 12183, 12183);
    EXPECT_EQ(holes.Count(), 12183 * 12183);
    EXPECT_EQ(holes.At(12183 * 12183 - 1), Point(12182, 12182));
    EXPECT_EQ(holes.At(12184), Point(1, 1));
}

TEST(PegHoleList, EmptyPegAreaListsNone)
{
    EXPECT_EQ(PegHoleList(10, 50, 100, 50, 10, 10, 200, 200).Count(), 0);
    EXPECT_EQ(PegHoleList(10, 60, 100, 50, 10, 10, 200, 200).Count(), 0);
    EXPECT_EQ(PegHoleList(300, 10, 400, 100, 10, 10, 200, 200).Count(), 0);
    EXPECT_EQ(PegHoleList().Count(), 0);
}

TEST(PegHoleList, NearestPositionKeepsTheEarlierOnATie)
{
    const PegHoleList holes(20, 20, 50, 50, 20, 20, 100, 100);
    const PegHoleList::Axis& columns = holes.Columns();
    EXPECT_EQ(columns.Nearest(31), 40);
    EXPECT_EQ(columns.Nearest(30), 20);
    EXPECT_EQ(columns.Nearest(-500), 20);
    EXPECT_EQ(columns.Nearest(5000), 40);
    EXPECT_FALSE(PegHoleList().Columns().Nearest(3).has_value());
}
