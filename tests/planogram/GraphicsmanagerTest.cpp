#include "planogram/Graphicsmanager.h"
#include "catalog/PictureFinder.h"
#include "planogram/DrawingSettings.h"
#include "planogram/Listmanager.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Olive = 0x00A0A0;

// Finds the files it was told of and hands out one collection picture; records what was asked.
class FakePictures : public PictureFinder {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> asked;
    std::vector<std::string> collectionReads;
    TColor collectionColor = Blue;

    std::string FindPicture(const std::string& path) override
    {
        asked.push_back(path);
        const auto hit = files.find(path);
        return hit == files.end() ? std::string() : hit->second;
    }
    bool ReadCollectionImage(const std::string& collectionPath, const std::string& name, TBitmap& bitmap) override
    {
        collectionReads.push_back(collectionPath + "|" + name);
        if (name != "cola.bmp")
            return false;
        bitmap.SetSize(4, 4);
        bitmap.Canvas().Brush.Color = collectionColor;
        bitmap.Canvas().FillRect(Rect(0, 0, 4, 4));
        return true;
    }
};

class FakeSettings : public DrawingSettings {
public:
    TFont font;
    bool inches = false;
    TFont TagFont() const override { return font; }
    TColor TagColor() const override { return Green; }
    bool UnitsMode() const override { return true; }
    int DisplayScale() const override { return 8; }
    bool UnitsInches() const override { return inches; }
};

class Drawing : public testing::Test {
protected:
    void SetUp() override
    {
        settings.font.Name = "Arial";
        settings.font.SetSize(8);
        target.SetSize(100, 100);
        Paint(target, Red);
    }

    static void Paint(TBitmap& bitmap, TColor color)
    {
        bitmap.Canvas().Brush.Color = color;
        bitmap.Canvas().Brush.Style = bsSolid;
        bitmap.Canvas().FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
    }

    // A bitmap file of the size, drawn by `paint`, under the test folder.
    std::string PictureFile(const std::string& name, int width, int height,
                            const std::function<TColor(int, int)>& paint)
    {
        TBitmap bitmap;
        bitmap.SetSize(width, height);
        bitmap.SetPixelFormat(pf24bit);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.SetPixel(x, y, paint(x, y));
        const std::string path = folder.File(name);
        bitmap.SaveToFile(path);
        return path;
    }

    static ListOB Product(const std::string& picture, TRect box)
    {
        ListOB item;
        item.index = "4711";
        item.picture = picture;
        item.left = box.Left, item.top = box.Top, item.right = box.Right, item.bottom = box.Bottom;
        item.color = Olive;
        return item;
    }

    int CountOf(TColor color, const TRect& area) const
    {
        int count = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                count += target.Pixel(x, y) == color;
        return count;
    }

    TemporaryFolder folder;
    FakePictures pictures;
    FakeSettings settings;
    TBitmap target;
};

TEST_F(Drawing, PictureNameFollowsTheFace)
{
    GraphicsManager graphics(pictures, settings);
    for (int face = 0; face < 3; ++face) {
        ListOB item = Product("C:\\Pics\\cola.bmp", Rect(0, 0, 10, 10));
        item.face = face;
        graphics.DrawItem(item, target, "");
    }
    graphics.pictureFolder = "D:\\Cat\\";
    for (int face = 0; face < 3; ++face) {
        ListOB item = Product("cola.bmp", Rect(0, 0, 10, 10));
        item.face = face;
        graphics.DrawItem(item, target, "C:\\Cat\\pictures");
    }
    const std::vector<std::string> expected = {"C:\\Pics\\cola.bmp",     "C:\\Pics\\side-cola.bmp",
                                               "C:\\Pics\\top-cola.bmp", "D:\\Cat\\cola.bmp",
                                               "D:\\Cat\\side-cola.bmp", "D:\\Cat\\top-cola.bmp"};
    EXPECT_EQ(pictures.asked, expected);
}

TEST_F(Drawing, FoundPictureIsStretchedOntoTheBox)
{
    pictures.files["cola.bmp"] =
        PictureFile("cola.bmp", 2, 2, [](int x, int y) { return x == 0 ? (y == 0 ? Green : Blue) : Olive; });
    GraphicsManager graphics(pictures, settings);
    graphics.transparencySetting = false;
    ListOB item = Product("cola.bmp", Rect(10, 20, 30, 40));
    EXPECT_TRUE(graphics.DrawItem(item, target, ""));
    EXPECT_EQ(CountOf(Green, Rect(10, 20, 20, 30)), 100);
    EXPECT_EQ(CountOf(Blue, Rect(10, 30, 20, 40)), 100);
    EXPECT_EQ(CountOf(Olive, Rect(20, 20, 30, 40)), 200);
    EXPECT_EQ(CountOf(Red, Rect(0, 0, 100, 100)), 10000 - 400);
    EXPECT_TRUE(graphics.isProduct);
}

TEST_F(Drawing, TransparencyKeyIsThePictureColourOneInFromTheCorner)
{
    pictures.files["can.bmp"] =
        PictureFile("can.bmp", 8, 8, [](int x, int y) { return x >= 3 && x < 5 && y >= 3 && y < 5 ? Green : clWhite; });
    GraphicsManager graphics(pictures, settings);
    ListOB item = Product("can.bmp", Rect(0, 0, 8, 8));
    graphics.DrawItem(item, target, "");
    EXPECT_EQ(CountOf(Green, Rect(0, 0, 8, 8)), 4);
    EXPECT_EQ(CountOf(Red, Rect(0, 0, 8, 8)), 60);
}

TEST_F(Drawing, PlaceholderForMissingUnknownUnreadableAndViewMode)
{
    pictures.files["cola.bmp"] = PictureFile("cola.bmp", 4, 4, [](int, int) { return Green; });
    pictures.files["broken.bmp"] = folder.File("broken.bmp");
    WriteWholeFile(folder.File("broken.bmp"), "BM this is no bitmap");
    pictures.files["cola.xyz"] = folder.File("cola.bmp");
    struct Case {
        std::string picture;
        bool viewMode;
    };
    for (const Case& c :
         {Case{"missing.bmp", false}, Case{"cola.xyz", false}, Case{"broken.bmp", false}, Case{"cola.bmp", true}}) {
        SCOPED_TRACE(c.picture);
        Paint(target, Red);
        GraphicsManager graphics(pictures, settings);
        graphics.viewMode = c.viewMode;
        ListOB item = Product(c.picture, Rect(10, 10, 70, 50));
        EXPECT_TRUE(graphics.DrawItem(item, target, ""));
        EXPECT_EQ(target.Pixel(10, 10), clSilver); // the raised edge
        EXPECT_EQ(target.Pixel(69, 49), clBlack);
        EXPECT_EQ(target.Pixel(20, 15), Olive);
        EXPECT_EQ(CountOf(Green, Rect(0, 0, 100, 100)), 0);
        // The part number in white, starting 5 in, at half the height.
        EXPECT_GT(CountOf(clWhite, Rect(15, 30, 60, 50)), 5);
        EXPECT_EQ(CountOf(clWhite, Rect(12, 12, 68, 28)), 0);
    }
}

TEST_F(Drawing, JpegExtensionIsDrawnButNotLoaded)
{
    TBitmap photo;
    photo.SetSize(16, 16);
    photo.SetPixelFormat(pf24bit);
    Paint(photo, Blue);
    TJPEGImage jpeg;
    jpeg.Assign(photo);
    jpeg.SaveToFile(folder.File("photo.jpeg"));
    pictures.files["photo.jpeg"] = folder.File("photo.jpeg");

    GraphicsManager graphics(pictures, settings);
    graphics.transparencySetting = false;
    ListOB item = Product("photo.jpeg", Rect(0, 0, 16, 16));
    graphics.DrawItem(item, target, "");
    const auto centre = static_cast<COLORREF>(target.Pixel(8, 8));
    EXPECT_GT(GetBValue(centre), 200);
    EXPECT_LT(GetRValue(centre), 50);

    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    TBitmap loaded;
    EXPECT_FALSE(graphics.LoadPicture("photo.jpeg", loaded));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not recognize the file extention or file type.");
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::None);
    EXPECT_TRUE(loaded.Empty());
}

TEST_F(Drawing, CollectionPicturesAreReadByFileName)
{
    pictures.files["C:\\Cat\\pics.ZYB"] = "/data/pics.zyb";
    GraphicsManager graphics(pictures, settings);
    graphics.transparencySetting = false;
    ListOB item = Product("Pics\\cola.bmp", Rect(0, 0, 8, 8));
    graphics.DrawItem(item, target, "C:\\Cat\\pics.ZYB");
    EXPECT_EQ(pictures.asked, std::vector<std::string>{"C:\\Cat\\pics.ZYB"});
    EXPECT_EQ(pictures.collectionReads, std::vector<std::string>{"/data/pics.zyb|cola.bmp"});
    EXPECT_EQ(CountOf(Blue, Rect(0, 0, 8, 8)), 64);

    ListOB other = Product("fanta.bmp", Rect(20, 20, 40, 40));
    graphics.DrawItem(other, target, "C:\\Cat\\pics.ZYB");
    EXPECT_EQ(target.Pixel(30, 25), Olive);
}

TEST_F(Drawing, TagTextPiecesInOrder)
{
    GraphicsManager graphics(pictures, settings);
    ListOB item = Product("cola.bmp", Rect(100, 40, 120, 60));
    item.itemNo = 7;
    item.customTag = "promo";
    item.hookdepth = 20;
    item.depth = 4;
    item.inventory = 12;
    item.unitsSold = 3;
    item.Category = "Drinks";
    item.Brand = "Cola Co";
    graphics.displayHeight = 400;
    const std::vector<std::pair<bool GraphicsManager::*, std::string>> pieces = {
        {&GraphicsManager::tagCustom, "promo"},
        {&GraphicsManager::tagItemNr, " nr.=7"},
        {&GraphicsManager::tagPartNr, "  part=4711"},
        {&GraphicsManager::tagStack, " depth=5"},
        {&GraphicsManager::tagInventory, "  inventory=12"},
        {&GraphicsManager::tagUnitsSold, "  units sold=3"},
        {&GraphicsManager::tagCategory, " category=Drinks"},
        {&GraphicsManager::tagBrand, " brand=Cola Co"},
        {&GraphicsManager::tagXY, "  x=25 y=90 "},
    };
    std::string all;
    for (const auto& [flag, piece] : pieces) {
        GraphicsManager single(pictures, settings);
        single.displayHeight = 400;
        single.*flag = true;
        EXPECT_EQ(single.TagText(item), piece);
        graphics.*flag = true;
        all += piece;
    }
    EXPECT_EQ(graphics.TagText(item), all);
}

TEST_F(Drawing, StackCountAndPositionTags)
{
    GraphicsManager graphics(pictures, settings);
    ListOB item = Product("cola.bmp", Rect(103, 41, 120, 60));
    graphics.tagStack = true;
    EXPECT_EQ(graphics.TagText(item), "depth=?");
    item.hookdepth = 10;
    item.depth = 4;
    EXPECT_EQ(graphics.TagText(item), " depth=2.5");

    graphics.tagStack = false;
    graphics.tagXY = true;
    graphics.displayHeight = 400;
    EXPECT_EQ(graphics.TagText(item), "  x=25 y=89 "); // (400 - 41) / 4 truncates to 89
    settings.inches = true;
    EXPECT_EQ(graphics.TagText(item), "  x=9.85 y=35.066 ");
    graphics.doubleSize = true;
    EXPECT_EQ(graphics.TagText(item), "  x=4.925 y=17.533 ");
    graphics.doubleSize = false;
    graphics.unitsMode = false;
    graphics.displayScale = 8;
    EXPECT_EQ(graphics.TagText(item), "  x=12 y=44 ");
    graphics.displayScale = 0;
    EXPECT_EQ(graphics.TagText(item), "  x=103 y=359 ");
}

TEST_F(Drawing, TagBlockIsDrawnForProductsOnly)
{
    GraphicsManager graphics(pictures, settings);
    graphics.tagPartNr = true;
    ListOB product = Product("missing.bmp", Rect(0, 0, 90, 40));
    graphics.DrawItem(product, target, "");
    EXPECT_EQ(target.Pixel(5, 5), Green);
    EXPECT_GT(CountOf(Green, Rect(5, 5, 90, 30)), 100);

    Paint(target, Red);
    ListOB shelf = Product("<shelf><boxcolor=255><fillstyle=0><edgestyle=1>", Rect(0, 0, 90, 40));
    graphics.DrawItem(shelf, target, "");
    EXPECT_EQ(CountOf(Red, Rect(0, 0, 100, 100)), 10000);
    EXPECT_FALSE(graphics.isProduct);
}

TEST_F(Drawing, UprightTagBlockIsTallerThanWide)
{
    GraphicsManager graphics(pictures, settings);
    graphics.tagPartNr = true;
    ListOB product = Product("missing.bmp", Rect(0, 0, 40, 90));
    product.tagRotation = 90;
    product.color = Red;
    graphics.DrawItem(product, target, "");
    int right = 0, bottom = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 40; ++x)
            if (target.Pixel(x, y) == Green)
                right = std::max(right, x), bottom = std::max(bottom, y);
    EXPECT_GT(bottom - 5, 2 * (right - 5));
}

TEST_F(Drawing, ReorderWarningIsRedAtTheBottomLeft)
{
    GraphicsManager graphics(pictures, settings);
    ListOB product = Product("missing.bmp", Rect(0, 0, 90, 60));
    product.index = "";
    product.reorder = true;
    Paint(target, clWhite);
    graphics.DrawItem(product, target, "");
    EXPECT_GT(CountOf(Red, Rect(5, 40, 60, 59)), 50);
    EXPECT_EQ(CountOf(Red, Rect(0, 0, 90, 30)), 0);
}

TEST_F(Drawing, RotationAboveZeroIsDrawnTurned)
{
    pictures.files["bar.bmp"] = PictureFile("bar.bmp", 40, 10, [](int, int) { return Green; });
    GraphicsManager graphics(pictures, settings);
    ListOB turned = Product("bar.bmp", Rect(20, 20, 60, 30));
    turned.rotation = 90;
    graphics.DrawItem(turned, target, "");
    EXPECT_EQ(turned.rotatedBox.Width(), 10);
    EXPECT_EQ(turned.rotatedBox.Height(), 40);
    EXPECT_EQ(CountOf(Green, turned.rotatedBox), 400);
    EXPECT_EQ(CountOf(Green, Rect(0, 0, 100, 100)), 400);

    Paint(target, Red);
    graphics.transparencySetting = false;
    ListOB straight = Product("bar.bmp", Rect(20, 20, 60, 30));
    straight.rotation = -30;
    graphics.DrawItem(straight, target, "");
    EXPECT_EQ(CountOf(Green, Rect(20, 20, 60, 30)), 400);
    EXPECT_EQ(straight.rotatedBox, TRect{});
}

TEST_F(Drawing, EmptyAndHugeBoxesAllocateNothingAbsurd)
{
    GraphicsManager graphics(pictures, settings);
    for (const TRect box : {Rect(10, 10, 10, 50), Rect(50, 50, 10, 10)}) {
        ListOB item = Product("missing.bmp", box);
        EXPECT_TRUE(graphics.DrawItem(item, target, ""));
    }
    EXPECT_EQ(CountOf(Red, Rect(0, 0, 100, 100)), 10000);

    ListOB huge = Product("<shelf><boxcolor=65280>", Rect(-2000000000, 50, 2000000000, 60));
    EXPECT_TRUE(graphics.DrawItem(huge, target, ""));
    EXPECT_EQ(target.Pixel(50, 55), Olive);
    EXPECT_EQ(target.Pixel(50, 50), clSilver);
    EXPECT_EQ(target.Pixel(50, 45), Red);
}

TEST_F(Drawing, FixturesAreDrawnInViewModeAndAtDoubleSize)
{
    GraphicsManager graphics(pictures, settings);
    graphics.viewMode = true;
    graphics.doubleSize = true;
    ListOB board =
        Product("<pegboard><PegSize=2><VPegSpace=10><HPegSpace=10><bgcolor=16777215><edgestyle=1>", Rect(0, 0, 40, 40));
    graphics.DrawItem(board, target, "");
    EXPECT_EQ(target.Pixel(21, 21), clBlack); // holes of 4 every 20
    EXPECT_EQ(target.Pixel(10, 10), clWhite);
    EXPECT_TRUE(pictures.asked.empty());
}

TEST_F(Drawing, LoadPictureByExtensionInAnyCase)
{
    ScriptedUi ui;
    const std::string bmp = PictureFile("shot.Bmp", 3, 2, [](int x, int) { return x == 1 ? Green : Blue; });
    pictures.files["shot.Bmp"] = bmp;
    GraphicsManager graphics(pictures, settings);
    TBitmap loaded;
    ASSERT_TRUE(graphics.LoadPicture("shot.Bmp", loaded));
    EXPECT_EQ(loaded.Width(), 3);
    EXPECT_EQ(loaded.Pixel(1, 1), Green);

    TBitmap saved;
    saved.SetSize(5, 3);
    Paint(saved, Olive);
    graphics.SaveTarga(folder.File("out.TGA"), saved);
    pictures.files["out.tga"] = folder.File("out.TGA");
    TBitmap fromTarga;
    ASSERT_TRUE(graphics.LoadPicture("out.tga", fromTarga));
    EXPECT_EQ(fromTarga.Width(), 5);
    EXPECT_EQ(fromTarga.Pixel(4, 2), Olive);
    EXPECT_TRUE(ui.Calls().empty());

    EXPECT_THROW(graphics.LoadPicture("gone.jpg", loaded), EFOpenError);
}

TEST_F(Drawing, LoadPictureRefusesCollectionsAndUnknownKinds)
{
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    GraphicsManager graphics(pictures, settings);
    TBitmap loaded;
    EXPECT_FALSE(graphics.LoadPicture("C:\\Cat\\pics.zyb", loaded));
    EXPECT_FALSE(graphics.LoadPicture("logo.gif", loaded));
    ASSERT_EQ(ui.Calls().size(), 2u);
    EXPECT_EQ(ui.Calls()[0].text, "You can not edit ZYB files.");
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(ui.Calls()[1].text, "Could not recognize the file extention or file type.");
    EXPECT_EQ(ui.Calls()[1].buttons, MsgButtons::OK);
    EXPECT_TRUE(pictures.asked.empty());
    EXPECT_TRUE(loaded.Empty());
}

TEST_F(Drawing, SavedTargaDecodesWithNetpbm)
{
    TBitmap picture;
    picture.SetSize(7, 3);
    picture.SetPixelFormat(pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            picture.SetPixel(x, y,
                             static_cast<TColor>(RGB(static_cast<std::uint8_t>(x * 30),
                                                     static_cast<std::uint8_t>(y * 80), x < 3 ? 255 : 0)));
    GraphicsManager graphics(pictures, settings);
    const std::string path = folder.File("saved.tga");
    EXPECT_TRUE(graphics.SaveTarga(path, picture));
    int status = -1;
    const std::string ppm = RunCommand("/usr/bin/tgatoppm '" + path + "' 2>/dev/null", &status);
    ASSERT_EQ(status, 0);
    std::string expected = "P6\n7 3\n255\n";
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            const auto color = static_cast<COLORREF>(picture.Pixel(x, y));
            expected += {static_cast<char>(GetRValue(color)), static_cast<char>(GetGValue(color)),
                         static_cast<char>(GetBValue(color))};
        }
    EXPECT_EQ(ppm, expected);
}

} // namespace
