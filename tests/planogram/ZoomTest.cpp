#include "planogram/Zoom.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ZoomClass, FactorIsClamped)
{
    ZoomClass zoom;
    zoom.SetFactor(0);
    EXPECT_DOUBLE_EQ(zoom.factor, 0.05);
    zoom.SetFactor(-2);
    EXPECT_DOUBLE_EQ(zoom.factor, 0.05);
    zoom.SetFactor(100);
    EXPECT_DOUBLE_EQ(zoom.factor, 8);
    zoom.SetFactor(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(zoom.factor, 1);
    zoom.SetFactor(2.5);
    EXPECT_DOUBLE_EQ(zoom.factor, 2.5);
}

TEST(ZoomClass, ConversionsAreGuardedAgainstAZeroField)
{
    ZoomClass zoom;
    zoom.factor = 0;
    EXPECT_EQ(zoom.ToDocument(10), 200);
    EXPECT_EQ(zoom.ToScreen(200), 10);
    zoom.factor = 3;
    EXPECT_EQ(zoom.ToDocument(10), 3);
    EXPECT_EQ(zoom.ToDocument(-10), -3);
    EXPECT_EQ(zoom.ToDocument(Point(30, 7)), Point(10, 2));
    EXPECT_EQ(zoom.ToScreen(5), 15);
}

TEST(ZoomClass, WindowRectOfShiftsByRulersAndScrollAndGrowsByThree)
{
    ZoomClass zoom;
    zoom.SetFactor(1.5);
    ViewGeometry view;
    view.rulerWidth = 15;
    view.rulerHeight = 17;
    view.scrollX = 10;
    view.scrollY = 4;
    EXPECT_EQ(zoom.WindowRectOf(Rect(10, 20, 31, 41), view),
              Rect(15 + 12 - 10, 30 + 14 - 4, 46 + 18 - 10, 61 + 20 - 4));
}

TEST(ZoomClass, FitFactorTakesTheSmallerRatio)
{
    EXPECT_DOUBLE_EQ(ZoomClass::FitFactor(800, 400, 400, 400), 1.0);
    EXPECT_DOUBLE_EQ(ZoomClass::FitFactor(200, 600, 400, 400), 0.5);
    EXPECT_DOUBLE_EQ(ZoomClass::FitFactor(600, 600, 300, 300), 2.0);
    EXPECT_DOUBLE_EQ(ZoomClass::FitFactor(10, 10, 10000, 10000), 0.05);
    EXPECT_DOUBLE_EQ(ZoomClass::FitFactor(600, 600, 0, 300), 1.0);
}
