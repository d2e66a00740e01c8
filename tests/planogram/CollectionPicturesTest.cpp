#include "catalog/CatalogPictureFinder.h"
#include "catalog/Zyb.h"
#include "planogram/DrawingSettings.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "platform/graphics/Bitmap.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor Teal = 0x808000;
constexpr TColor Red = 0x0000FF;

class CentimetreSettings : public DrawingSettings {
public:
    TFont TagFont() const override { return TFont(); }
    TColor TagColor() const override { return clWhite; }
    bool UnitsMode() const override { return true; }
    int DisplayScale() const override { return 8; }
    bool UnitsInches() const override { return false; }
};

TEST(CollectionPictures, AProductIsDrawnFromItsCollection)
{
    ScopedSettingsFolder settingsFolder;
    TemporaryFolder folder;
    TBitmap stored;
    stored.SetSize(5, 2);
    stored.SetPixelFormat(pf24bit);
    stored.Canvas().Brush.Color = Teal;
    stored.Canvas().FillRect(Rect(0, 0, 5, 2));
    const std::string collection = folder.File("pics.zyb");
    ASSERT_TRUE(ZybFile().Append(collection, "Cola.BMP", stored, 1));

    CatalogPictureFinder finder;
    EXPECT_EQ(finder.FindPicture(collection), collection);
    CentimetreSettings settings;
    GraphicsManager graphics(finder, settings);
    graphics.transparencySetting = false;
    TBitmap wall;
    wall.SetSize(30, 30);
    wall.Canvas().Brush.Color = Red;
    wall.Canvas().FillRect(Rect(0, 0, 30, 30));
    ListOB item;
    item.picture = "C:\\Pics\\cola.bmp";
    item.left = 5, item.top = 5, item.right = 25, item.bottom = 15;
    graphics.DrawItem(item, wall, collection);
    EXPECT_EQ(wall.Pixel(5, 5), Teal);
    EXPECT_EQ(wall.Pixel(24, 14), Teal);
    EXPECT_EQ(wall.Pixel(4, 5), Red);
    EXPECT_EQ(wall.Pixel(25, 15), Red);
}

} // namespace
