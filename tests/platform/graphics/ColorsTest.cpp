#include "platform/graphics/Colors.h"

#include <QColor>

#include <gtest/gtest.h>

TEST(Colors, RgbPacksRedInTheLowByte)
{
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(GetRValue(0x00563412u), 0x12);
    EXPECT_EQ(GetGValue(0x00563412u), 0x34);
    EXPECT_EQ(GetBValue(0x00563412u), 0x56);
    EXPECT_EQ(clRed, 0x0000FF);
    EXPECT_EQ(clBlue, 0xFF0000);
}

TEST(Colors, ColorToRgbResolvesSystemColorsOnly)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clWindowText), 0x000000);
    EXPECT_EQ(ColorToRGB(clHighlight), static_cast<TColor>(RGB(0, 120, 215)));
    EXPECT_EQ(ColorToRGB(clInfoBk), static_cast<TColor>(RGB(255, 255, 225)));
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
}

TEST(Colors, ColorToStringNamesKnownColorsAndWritesHexOtherwise)
{
    EXPECT_EQ(ColorToString(clBlack), "clBlack");
    EXPECT_EQ(ColorToString(clSilver), "clSilver"); // shares its value with clLtGray
    EXPECT_EQ(ColorToString(clMoneyGreen), "clMoneyGreen");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(cl3DDkShadow), "cl3DDkShadow");
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(clDefault), "clDefault");
    EXPECT_EQ(ColorToString(0x00ABCDEF), "$00ABCDEF");
    EXPECT_EQ(ColorToString(SystemColor(99)), "$80000063");
}

TEST(Colors, QtConversionsKeepChannelsAndTransparency)
{
    const QColor orange = ColorToQColor(static_cast<TColor>(RGB(255, 128, 1)));
    EXPECT_EQ(orange, QColor(255, 128, 1));
    EXPECT_EQ(QColorToColor(orange), static_cast<TColor>(RGB(255, 128, 1)));
    EXPECT_EQ(ColorToQColor(clBtnFace), QColor(240, 240, 240));
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
    EXPECT_EQ(QColorToColor(QColor(Qt::transparent)), clNone);
    EXPECT_EQ(QColorToColor(QColor::fromHsv(0, 255, 255)), clRed);
}
