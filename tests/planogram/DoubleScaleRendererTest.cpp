#include "planogram/DoubleScaleRenderer.h"

#include "catalog/Didfilefinder.h"
#include "planogram/PlanogramPrinting.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr TColor Wall = 0xE0E0E0;
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;

// Records the steps and answers a cancel before the item it is told to.
class RecordingMonitor : public RenderMonitor {
public:
    std::vector<std::string> steps;
    int cancelAt = -1;
    int pumps = 0;

    void Step(const std::string& label) override { steps.push_back(label); }
    bool Cancelled() override { return static_cast<int>(steps.size()) - 1 == cancelAt; }
    void PumpEvents() override { ++pumps; }
};

class DoubleScale : public testing::Test, protected DocumentWithFakes {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    RecordingMonitor monitor;

    std::string SolidPicture(const std::string& path, TColor color)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(8, 6);
        bitmap.Canvas().Brush.Color = color;
        bitmap.Canvas().FillRect(Rect(0, 0, 8, 6));
        bitmap.SaveToFile(path);
        return path;
    }

    // A 200 x 150 wall with whole-unit holes and three one-colour pictures, one of them turned.
    void PlainWall()
    {
        document.backgroundColor = Wall;
        document.pegHolesShown = true;
        document.pegHoleSize = 2;
        document.pegFirstX = document.pegFirstY = 4;
        document.pegLastX = 196;
        document.pegLastY = 146;
        document.pegPitchH = document.pegPitchV = 10;
        ASSERT_TRUE(document.NewDocument(200, 150));
        document.graphics.transparencySetting = false;
        AddTestItem(document, "a", Rect(10, 10, 70, 60), Red, SolidPicture(folder.File("red.bmp"), Red));
        AddTestItem(document, "b", Rect(50, 40, 120, 100), Green, SolidPicture(folder.File("green.bmp"), Green));
        AddTestItem(document, "c", Rect(130, 90, 190, 140), Blue, SolidPicture(folder.File("blue.bmp"), Blue));
        document.renderer.RedrawAll();
    }

    ListOB& Item(const std::string& index)
    {
        ListOB* item = document.items->head;
        while (item && item->index != index)
            item = item->next;
        return *item;
    }

    std::vector<ListOB> Items() const
    {
        std::vector<ListOB> copies;
        for (const ListOB* item = document.items->head; item; item = item->next)
            copies.push_back(*item);
        return copies;
    }

    std::unique_ptr<TBitmap> Render()
    {
        auto target = std::make_unique<TBitmap>();
        target->SetPixelFormat(pf24bit);
        target->SetSize(document.backBitmap.Width() * 2, document.backBitmap.Height() * 2);
        EXPECT_TRUE(RenderDoubleScale(document, *target, monitor));
        return target;
    }

    ListOB OneItem(const std::string& picture, int face)
    {
        ListOB item;
        item.picture = picture;
        item.face = face;
        return item;
    }
};

// The back bitmap doubled (nearest) inside a one-pixel black frame.
int DifferenceFromDoubledBack(const TBitmap& back, const TBitmap& doubled)
{
    int differences = 0;
    const int width = doubled.Width(), height = doubled.Height();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool frame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const TColor expected = frame ? clBlack : back.Pixel(x / 2, y / 2);
            differences += doubled.Pixel(x, y) != expected;
        }
    return differences;
}

} // namespace

TEST(PrintLayout, ScaleAndOffsetsFitAndCentreThePicture)
{
    const PagePlacement filled = PlaceOnPage(800, 600, 4800, 3600);
    EXPECT_DOUBLE_EQ(filled.scale, 6);
    EXPECT_EQ(filled.x, 0);
    EXPECT_EQ(filled.y, 0);
    EXPECT_EQ(filled.width, 4800);
    EXPECT_EQ(filled.height, 3600);

    // A tall wall on a landscape page: height fills, the width is centred.
    const PagePlacement tall = PlaceOnPage(600, 800, 4800, 3600);
    EXPECT_DOUBLE_EQ(tall.scale, 4.5);
    EXPECT_EQ(tall.x, (4800 - 2700) / 2);
    EXPECT_EQ(tall.y, 0);
    EXPECT_EQ(tall.width, 2700);
    EXPECT_EQ(tall.height, 3600);

    // A wide wall that would overflow the page's height at the width's scale.
    const PagePlacement wide = PlaceOnPage(1000, 900, 3000, 2000);
    EXPECT_DOUBLE_EQ(wide.scale, 2000.0 / 900);
    EXPECT_EQ(wide.y, 0);
    EXPECT_EQ(wide.x, static_cast<int>((3000 - 1000 * wide.scale) * 0.5));

    EXPECT_TRUE(PrintsLandscape(400, 300));
    EXPECT_TRUE(PrintsLandscape(300, 300));
    EXPECT_FALSE(PrintsLandscape(300, 400));
}

TEST(PrintLayout, StampHasNoLeadingZeros)
{
    std::tm time{};
    time.tm_mday = 5;
    time.tm_mon = 2;
    time.tm_year = 124;
    time.tm_hour = 9;
    time.tm_min = 7;
    EXPECT_EQ(PrintStampText("Wall A", time), "Document: Wall A. Date: 5 3 2024 Time: 9:7");
}

TEST_F(DoubleScale, HighResolutionNamesKeepTheFolderForEveryFace)
{
    EXPECT_EQ(HighResolutionName("shelf1.jpg"), "Hshelf1.jpg");
    EXPECT_EQ(HighResolutionName("C:\\Pics\\cola.jpg"), "C:\\Pics\\Hcola.jpg");
    EXPECT_EQ(HighResolutionName("/tmp/x/cola.jpg"), "/tmp/x/Hcola.jpg");

    // The twin is taken only when the file drawn for the face exists.
    const std::string pics = folder.Path() + "/";
    const std::string front = pics + "cola.jpg";
    for (const char* name : {"Hcola.jpg", "side-Hcola.jpg"})
        WriteWholeFile(pics + name, "x");
    EXPECT_EQ(HighResolutionPicture(OneItem(front, 0), document.graphics, ""), pics + "Hcola.jpg");
    EXPECT_EQ(HighResolutionPicture(OneItem(front, 1), document.graphics, ""), pics + "Hcola.jpg");
    EXPECT_EQ(HighResolutionPicture(OneItem(front, 2), document.graphics, ""), front);
    EXPECT_EQ(HighResolutionPicture(OneItem("C:\\Pics\\cola.jpg", 0), document.graphics, ""), "C:\\Pics\\cola.jpg");

    // A bare name is looked for in the photo folder too, but not in a collection file.
    document.graphics.pictureFolder = pics + "elsewhere/";
    WriteWholeFile(pics + "top-Hshelf1.jpg", "x");
    EXPECT_EQ(HighResolutionPicture(OneItem("shelf1.jpg", 2), document.graphics, pics), "Hshelf1.jpg");
    EXPECT_EQ(HighResolutionPicture(OneItem("shelf1.jpg", 0), document.graphics, pics), "shelf1.jpg");
    EXPECT_EQ(HighResolutionPicture(OneItem("cola.jpg", 0), document.graphics, pics + "all.zyb"), "cola.jpg");

    const std::string fixture = "<shelf><width=10>";
    EXPECT_EQ(HighResolutionPicture(OneItem(fixture, 0), document.graphics, pics), fixture);
}

TEST_F(DoubleScale, PlainWallIsTheBackBitmapDoubledInAFrame)
{
    PlainWall();
    const std::unique_ptr<TBitmap> target = Render();
    EXPECT_EQ(DifferenceFromDoubledBack(document.backBitmap, *target), 0);
    EXPECT_EQ(monitor.steps, (std::vector<std::string>{"Processing...a", "Processing...b", "Processing...c"}));
    EXPECT_EQ(monitor.pumps, 3);
}

TEST_F(DoubleScale, DocumentIsLeftAsItWas)
{
    PlainWall();
    Item("c").rotation = 30;
    document.renderer.RedrawAll();
    SolidPicture(folder.File("Hred.bmp"), Blue);
    const std::vector<ListOB> before = Items();
    TBitmap back;
    back.Assign(document.backBitmap);
    Render();
    EXPECT_FALSE(document.graphics.doubleSize);
    const std::vector<ListOB> after = Items();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].picture, before[i].picture);
        EXPECT_EQ(after[i].PlacementBox(), before[i].PlacementBox());
        EXPECT_EQ(after[i].rotatedBox, before[i].rotatedBox);
    }
    int changed = 0;
    for (int y = 0; y < back.Height(); ++y)
        for (int x = 0; x < back.Width(); ++x)
            changed += back.Pixel(x, y) != document.backBitmap.Pixel(x, y);
    EXPECT_EQ(changed, 0);
}

TEST_F(DoubleScale, HighResolutionTwinsAreDrawnBesideThePictureOrInThePhotoFolder)
{
    PlainWall();
    SolidPicture(folder.File("Hred.bmp"), Blue);
    const std::unique_ptr<TBitmap> target = Render();
    EXPECT_EQ(target->Pixel(30, 30), Blue);
    EXPECT_EQ(target->Pixel(200, 180), Green);

    // A bare name whose twin lies in the photo folder only, where the finder finds it.
    TemporaryFolder pictureFolder, photos;
    document.graphics.pictureFolder = pictureFolder.Path() + "/";
    document.catalog->photoCollection = photos.Path() + "/";
    SolidPicture(pictureFolder.File("green.bmp"), Green);
    pictures.files[pictureFolder.File("Hgreen.bmp")] = SolidPicture(photos.File("Hgreen.bmp"), Red);
    Item("b").picture = "green.bmp";
    EXPECT_EQ(Render()->Pixel(200, 180), Red);
}

TEST_F(DoubleScale, SideViewPrintsFromItsOwnFaceTwinOnly)
{
    PlainWall();
    ListOB& side = Item("c");
    side.picture = folder.File("cola.bmp");
    side.face = 1;
    SolidPicture(folder.File("Hcola.bmp"), Red);
    SolidPicture(folder.File("side-cola.bmp"), Green);
    EXPECT_EQ(Render()->Pixel(320, 230), Green);
    SolidPicture(folder.File("side-Hcola.bmp"), Blue);
    EXPECT_EQ(Render()->Pixel(320, 230), Blue);
}

TEST_F(DoubleScale, MissingBackgroundWarnsAndTheRestIsDrawn)
{
    PlainWall();
    document.backgroundMode = true;
    document.backgroundPath = folder.File("gone.bmp");
    ui.AnswerMessage(MsgAnswer::OK);
    const std::unique_ptr<TBitmap> target = Render();
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::MessageBox).size(), 1u);
    const ScriptedUi::Call warning = ui.CallsOf(ScriptedUi::Kind::MessageBox)[0];
    EXPECT_EQ(warning.text, "The background image for this display could not be found and will not be printed.");
    EXPECT_EQ(warning.caption, "Kestrame");
    EXPECT_EQ(warning.icon, MsgIcon::Warning);
    EXPECT_EQ(target->Pixel(30, 30), Red);
    EXPECT_EQ(target->Pixel(2, 3), Wall);
}

TEST_F(DoubleScale, BackgroundPictureCoversTheHoles)
{
    PlainWall();
    document.backgroundMode = true;
    document.backgroundPath = SolidPicture(folder.File("back.bmp"), 0x123456);
    const std::unique_ptr<TBitmap> target = Render();
    EXPECT_EQ(target->Pixel(8, 8), TColor{0x123456});
    EXPECT_EQ(target->Pixel(30, 30), Red);
}

TEST_F(DoubleScale, CancelBeforeAnItemStopsTheRender)
{
    PlainWall();
    monitor.cancelAt = 1;
    TBitmap target;
    target.SetSize(400, 300);
    EXPECT_FALSE(RenderDoubleScale(document, target, monitor));
    EXPECT_EQ(monitor.steps.size(), 2u);
    EXPECT_EQ(target.Pixel(30, 30), Red);
    EXPECT_EQ(target.Pixel(200, 180), Wall);
    EXPECT_FALSE(document.graphics.doubleSize);
}
