#include "planogram/DocumentRenderer.h"

#include "planogram/Rectservices.h"
#include "platform/graphics/Picture.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr TColor Wall = 0xE0E0E0;
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Yellow = 0x00FFFF;

class Renderer : public testing::Test, protected DocumentWithFakes {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;

    std::string PictureFile(const std::string& name, int width, int height,
                            const std::function<TColor(int, int)>& paint)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.SetPixel(x, y, paint(x, y));
        const std::string path = folder.File(name);
        bitmap.SaveToFile(path);
        pictures.files[name] = path;
        return path;
    }

    // A pegboard wall with overlapping items of every kind the drawing knows: placeholders, a
    // transparent picture, a fixture and a turned item.
    void BusyWall()
    {
        document.backgroundColor = Wall;
        document.pegHolesShown = true;
        document.pegHoleSize = 3;
        document.pegFirstX = document.pegFirstY = 5;
        document.pegLastX = 195;
        document.pegLastY = 145;
        document.pegPitchH = document.pegPitchV = 9;
        ASSERT_TRUE(document.NewDocument(200, 150));
        // White all round (the transparency key) with a red disc-like square in the middle.
        PictureFile("can.bmp", 20, 30, [](int x, int y) { return x > 4 && x < 15 && y > 4 && y < 25 ? Red : clWhite; });
        Add("under", Rect(10, 10, 70, 60), Blue);
        Add("can", Rect(40, 20, 80, 80), Green, "can.bmp");
        Add("shelf", Rect(0, 90, 200, 98), Yellow, "s");
        Add("over", Rect(60, 40, 120, 100), Green);
        ListOB& turned = Add("turned", Rect(130, 20, 170, 60), Red);
        turned.rotation = 30;
        Add("top", Rect(100, 50, 160, 120), Yellow);
        document.renderer.RedrawAll();
    }

    ListOB& Item(const std::string& index)
    {
        EXPECT_TRUE(document.items->FindIndex(index));
        return *document.items->current;
    }

    // Selects the item as editing does: its drawn frame becomes the selection.
    void Select(ListOB& item)
    {
        document.items->current = &item;
        document.selectionRect = item.rotation > 0 ? item.rotatedBox : item.PlacementBox();
    }

    static void MoveBy(ListOB& item, int dx, int dy)
    {
        item.left += dx, item.right += dx, item.top += dy, item.bottom += dy;
    }
};

} // namespace

TEST_F(Renderer, FullRedrawDrawsWallHolesAndItemsInOrder)
{
    BusyWall();
    const TBitmap& back = document.backBitmap;
    EXPECT_EQ(back.Pixel(1, 1), Wall);
    EXPECT_EQ(back.Pixel(5, 5), clBlack);
    EXPECT_EQ(back.Pixel(7, 7), clBlack);
    EXPECT_EQ(back.Pixel(8, 8), Wall);
    EXPECT_EQ(back.Pixel(14, 5), clBlack);
    // "over" lies on "under"; the picture's white is transparent, so "under" shows through.
    EXPECT_EQ(back.Pixel(65, 45), Green);
    EXPECT_EQ(back.Pixel(42, 22), Blue);
    EXPECT_EQ(back.Pixel(50, 50), Red);
    EXPECT_EQ(mainWindow.progress.Max(), 6);
    EXPECT_EQ(mainWindow.progress.Position(), 0);
}

TEST_F(Renderer, PartialRedrawAfterMovingEqualsFullRedraw)
{
    BusyWall();
    Select(Item("under"));
    MoveBy(Item("under"), 50, 30);
    document.renderer.RedrawRect();
    EXPECT_EQ(document.selectionRect, Item("under").PlacementBox());
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    // The transparent picture slid under two later items.
    Select(Item("can"));
    MoveBy(Item("can"), 45, 15);
    document.renderer.RedrawRect();
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Renderer, PartialRedrawOfATurnedItemEqualsFullRedraw)
{
    BusyWall();
    ListOB& turned = Item("turned");
    ASSERT_FALSE(turned.rotatedBox.IsEmpty());
    Select(turned);
    MoveBy(turned, -60, 40);
    document.renderer.RedrawRect();
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Renderer, PartialRedrawAfterResizingOrDeletingEqualsFullRedraw)
{
    BusyWall();
    ListOB& over = Item("over");
    Select(over);
    over.right -= 30;
    over.bottom -= 25;
    document.renderer.RedrawRect();
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    Select(Item("can"));
    document.RemoveItem(document.items->current);
    document.renderer.RedrawRect();
    EXPECT_TRUE(document.selectionRect.IsEmpty());
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Renderer, PartialRedrawOfAGroupCoversEveryMember)
{
    BusyWall();
    ListOB& under = Item("under");
    ListOB& top = Item("top");
    under.childItem = &top;
    top.groupItem = &under;
    document.items->current = &top;
    document.selectionRect = UnionOf(under.PlacementBox(), top.PlacementBox());
    MoveBy(under, 0, 40);
    MoveBy(top, -20, 20);
    selector.layout.SetSize(50, 50);
    document.renderer.RedrawRect();
    EXPECT_EQ(document.selectionRect, UnionOf(under.PlacementBox(), top.PlacementBox()));
    EXPECT_EQ(selector.layoutChanges, 1);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Renderer, DrawBackgroundAtDoubleScale)
{
    document.pegHoleSize = 2.5;
    document.pegFirstX = 4;
    document.pegFirstY = 6;
    document.pegLastX = 20;
    document.pegLastY = 12;
    document.pegPitchH = document.pegPitchV = 10;
    ASSERT_TRUE(document.NewDocument(30, 20));
    TBitmap print;
    print.SetSize(60, 40);
    document.renderer.DrawBackground(print, 0, 0, 60, 40);
    // Holes at (8, 12) and (28, 12), five pixels square.
    EXPECT_EQ(print.Pixel(8, 12), clBlack);
    EXPECT_EQ(print.Pixel(12, 16), clBlack);
    EXPECT_EQ(print.Pixel(13, 12), clWhite);
    EXPECT_EQ(print.Pixel(28, 12), clBlack);
    EXPECT_EQ(print.Pixel(48, 12), clWhite);
    EXPECT_EQ(print.Pixel(8, 32), clWhite);
    // Only holes whose corner lies in the rectangle.
    TBitmap clipped;
    clipped.SetSize(60, 40);
    document.renderer.DrawBackground(clipped, 9, 0, 60, 40);
    EXPECT_EQ(clipped.Pixel(8, 12), clWhite);
    EXPECT_EQ(clipped.Pixel(28, 12), clBlack);
}

TEST_F(Renderer, NegativePitchTerminates)
{
    document.pegHolesShown = true;
    document.pegHoleSize = 1;
    document.pegFirstX = document.pegFirstY = 0;
    document.pegLastX = document.pegLastY = 10;
    document.pegPitchH = -3;
    document.pegPitchV = 0;
    ASSERT_TRUE(document.NewDocument(20, 20));
    EXPECT_EQ(document.backBitmap.Pixel(9, 9), clBlack);
    EXPECT_EQ(document.backBitmap.Pixel(10, 9), clWhite);
    EXPECT_EQ(document.pegHoles.Count(), 100);
}

TEST_F(Renderer, BackgroundPictureIsStretchedToTheWall)
{
    PictureFile("wall.bmp", 2, 2,
                [](int x, int y) { return x == 0 ? (y == 0 ? Red : Green) : (y == 0 ? Blue : Yellow); });
    document.backgroundMode = true;
    document.backgroundPath = "wall.bmp";
    ASSERT_TRUE(document.NewDocument(40, 20));
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(setup.pictureCleared, 1);
    EXPECT_EQ(document.backgroundPath, folder.File("wall.bmp"));
    ASSERT_NE(document.backgroundPicture, nullptr);
    EXPECT_EQ(document.backgroundPicture->Width(), 40);
    const TBitmap& back = document.backBitmap;
    EXPECT_EQ(back.Pixel(0, 0), Red);
    EXPECT_EQ(back.Pixel(19, 9), Red);
    EXPECT_EQ(back.Pixel(20, 9), Blue);
    EXPECT_EQ(back.Pixel(19, 10), Green);
    EXPECT_EQ(back.Pixel(39, 19), Yellow);
}

TEST_F(Renderer, MissingBackgroundWarnsAndOffersToFindIt)
{
    document.backgroundMode = true;
    document.backgroundPath = "C:\\Pics\\gone.jpg";
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerFile(std::nullopt);
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(document.NewDocument(40, 20));
    const auto calls = ui.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].text, "The background picture for this display could not be found.");
    EXPECT_EQ(calls[0].caption, "Kestrame");
    EXPECT_EQ(calls[0].icon, MsgIcon::Warning);
    EXPECT_EQ(calls[1].kind, ScriptedUi::Kind::OpenDialog);
    EXPECT_EQ(calls[1].caption, "Find Missing Background Picture");
    EXPECT_EQ(calls[1].fileOptions.filter, TPicture::GraphicFilter());
    EXPECT_EQ(calls[2].text, "The background image for this display could not be found and will not be displayed.");
    EXPECT_EQ(calls[2].caption, "Kestrame");
    EXPECT_EQ(calls[2].icon, MsgIcon::Warning);
    // Only the showing is left out: the next save keeps the picture.
    EXPECT_TRUE(document.backgroundMode);
    EXPECT_EQ(document.backgroundPath, "C:\\Pics\\gone.jpg");
    EXPECT_EQ(document.backgroundPicture, nullptr);
}

TEST_F(Renderer, MissingBackgroundFoundByTheUser)
{
    const std::string path = PictureFile("found.bmp", 1, 1, [](int, int) { return Blue; });
    document.backgroundMode = true;
    document.backgroundPath = "lost.bmp";
    ui.AnswerFile(FileDialogResult{path, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(document.NewDocument(10, 10));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"The background picture for this display could not be found."});
    EXPECT_TRUE(document.backgroundMode);
    EXPECT_EQ(document.backgroundPath, path);
    EXPECT_EQ(document.backBitmap.Pixel(9, 9), Blue);
}

TEST_F(Renderer, UnreadableBackgroundSaysWhyAndIsKept)
{
    WriteWholeFile(folder.File("broken.bmp"), "BM not a bitmap");
    pictures.files["broken.bmp"] = folder.File("broken.bmp");
    document.backgroundMode = true;
    document.backgroundPath = "broken.bmp";
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(document.NewDocument(10, 10));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Bitmap image is not valid"});
    EXPECT_TRUE(document.backgroundMode);
    EXPECT_EQ(document.backgroundPath, folder.File("broken.bmp"));
    EXPECT_EQ(document.backgroundPicture, nullptr);
}

TEST_F(Renderer, RulersFollowTheZoomedWall)
{
    ASSERT_TRUE(document.NewDocument(100, 60));
    const TBitmap& x = document.xRuler;
    ASSERT_EQ(x.Width(), 100);
    ASSERT_EQ(x.Height(), 15);
    EXPECT_EQ(x.Pixel(1, 14), clBlack);  // the start line
    EXPECT_EQ(x.Pixel(24, 12), clBlack); // small tick, a third high
    EXPECT_EQ(x.Pixel(24, 5), clWhite);
    EXPECT_EQ(x.Pixel(20, 10), clBlack); // medium tick, half high
    EXPECT_EQ(x.Pixel(20, 3), clWhite);
    EXPECT_EQ(x.Pixel(40, 0), clBlack); // large tick, full height
    EXPECT_EQ(x.Pixel(99, 0), clBlack); // the end line
    const TBitmap& y = document.yRuler;
    ASSERT_EQ(y.Width(), 15);
    ASSERT_EQ(y.Height(), 60);
    EXPECT_EQ(y.Pixel(0, 59), clBlack);
    EXPECT_EQ(y.Pixel(14, 1), clBlack);
    EXPECT_EQ(y.Pixel(14, 20), clBlack); // 40 from the bottom: a large tick
    document.SetZoom(2);
    EXPECT_EQ(x.Width(), 200);
    EXPECT_EQ(y.Height(), 120);
}
