#include "reports/DisplayRender.h"

#include "planogram/PegHoles.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr TColor Wall = 0xE0E0E0;

class DisplayRender : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    std::unique_ptr<TBitmap> target = std::make_unique<TBitmap>();

    bool Render()
    {
        target->SetSize(document.backBitmap.Width() * 2, document.backBitmap.Height() * 2);
        return RenderDisplayBitmap(mainWindow, &document, target.get());
    }
    int Count(const TRect& area, TColor color) const
    {
        int count = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                count += target->Pixel(x, y) == color;
        return count;
    }
};

TEST_F(DisplayRender, StampsTheFileName)
{
    MakeWall(200, 150, 0x123456);
    std::tm time{};
    time.tm_year = 124, time.tm_mon = 2, time.tm_mday = 5, time.tm_hour = 9, time.tm_min = 7;
    EXPECT_EQ(ExportStampText("shop.kqf", time), "Document shop.kqf Date 5 3 2024. Time 9:7");
    EXPECT_EQ(StampDocumentName(document), "No name");
    document.untitled = false;
    document.fileName = "C:\\Displays\\shop.kqf";
    EXPECT_EQ(StampDocumentName(document), "shop.kqf");
    const std::string longName(300, 'n');
    document.fileName = "/home/ann/displays/" + longName;
    EXPECT_EQ(StampDocumentName(document), longName);
    // The canvas writes Windows-1252: what it cannot hold is a "?".
    document.fileName = "/home/ann/Caf\xC3\xA9 \xD0\x94.kqf";
    EXPECT_EQ(StampDocumentName(document), "Caf\xE9 ?.kqf");
}

// Margins that are not multiples of the pitch: every hole the screen shows is in the picture at
// twice its place and size, and the stamp is written over the pegboard, not on a bar.
TEST_F(DisplayRender, HolesSitWhereTheScreenShowsThemAndTheStampIsReadable)
{
    MakeWall(120, 90, Wall);
    document.pegFirstX = 7;
    document.pegFirstY = 13;
    document.pegLastX = 111;
    document.pegPitchH = 9;
    document.pegPitchV = 11;
    document.pegHolesShown = true;
    document.showDateTimeStamp = true;
    document.BuildPegHoleList();
    document.renderer.RedrawAll();
    ASSERT_TRUE(Render());
    const PegHoleList& holes = document.pegHoles;
    const int stampTop = target->Height() - 40;
    int above = 0;
    for (int i = 0; i < holes.Count(); ++i) {
        const TPoint hole = holes.At(i);
        ASSERT_EQ(document.backBitmap.Pixel(hole.X, hole.Y), clBlack);
        if (hole.Y * 2 + 4 > stampTop)
            continue;
        ++above;
        EXPECT_EQ(Count(Rect(hole.X * 2, hole.Y * 2, hole.X * 2 + 4, hole.Y * 2 + 4), clBlack), 16) << i;
        EXPECT_EQ(target->Pixel(hole.X * 2 - 1, hole.Y * 2), Wall) << i;
        EXPECT_EQ(target->Pixel(hole.X * 2, hole.Y * 2 - 1), Wall) << i;
    }
    ASSERT_GT(above, 50);
    EXPECT_EQ(Count(Rect(1, 1, 239, stampTop), clBlack), above * 16);

    // The stamp's box holds both its ink and the wall between the letters.
    const TRect stamp = Rect(10, target->Height() - 40, 200, target->Height() - 20);
    EXPECT_GT(Count(stamp, Wall), stamp.Width() * stamp.Height() / 3);
    EXPECT_GT(Count(stamp, clBlack), 50);
}

TEST_F(DisplayRender, AnEmptyWallGivesColourHolesImageStampAndFrame)
{
    MakeWall(100, 80, Wall);
    document.showDateTimeStamp = false;
    document.pegHolesShown = true;
    ASSERT_TRUE(Render());
    EXPECT_EQ(target->PixelFormat(), pf24bit);
    EXPECT_EQ(target->Width(), 200);
    // Within the pegboard's own edge, wall and holes down to the bottom margin.
    const int holes = Count(Rect(2, 2, 198, 158), clBlack);
    EXPECT_GT(holes, 0);
    EXPECT_EQ(holes + Count(Rect(2, 2, 198, 158), Wall), 196 * 156);
    EXPECT_GT(Count(Rect(2, 140, 198, 158), clBlack), 0);
    const int frame = 2 * 200 + 2 * 158;
    EXPECT_EQ(Count(Rect(0, 0, 200, 1), clBlack) + Count(Rect(0, 159, 200, 160), clBlack) +
                  Count(Rect(0, 1, 1, 159), clBlack) + Count(Rect(199, 1, 200, 159), clBlack),
              frame);

    // A background image covers the holes; the stamp is written over it.
    document.backgroundMode = true;
    document.backgroundPath = SolidPicture(folder.File("back.bmp"), clBlue);
    ASSERT_TRUE(Render());
    EXPECT_EQ(Count(Rect(1, 1, 199, 159), clBlue), 198 * 158);
    document.showDateTimeStamp = true;
    ASSERT_TRUE(Render());
    EXPECT_GT(189 * 30 - Count(Rect(10, 120, 199, 150), clBlue), 100);
    EXPECT_EQ(Count(Rect(1, 1, 199, 115), clBlue), 198 * 114);
    EXPECT_EQ(mainWindow.bar.Position(), 0);

    document.backgroundPath = folder.File("gone.bmp");
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(Render());
    EXPECT_GT(Count(Rect(2, 2, 198, 100), clBlack), 0);
    const ScriptedUi::Call box = ui.Calls().at(0);
    EXPECT_EQ(box.text, "The background image for this display could not be found and will not be printed.");
    EXPECT_EQ(box.caption, "Kestrame");
    EXPECT_EQ(box.icon, MsgIcon::Warning);

    EXPECT_FALSE(RenderDisplayBitmap(mainWindow, &document, nullptr));
    EXPECT_FALSE(RenderDisplayBitmap(mainWindow, nullptr, target.get()));
}

TEST_F(DisplayRender, PrefersHighResolutionPicturesAndStopsOnACancel)
{
    MakeWall(100, 60, Wall);
    document.showDateTimeStamp = false;
    const std::string shelf = SolidPicture(folder.File("shelf.bmp"), clRed);
    for (int left : {10, 40, 70})
        AddTestItem(document, "a", Rect(left, 10, left + 20, 30), clRed, shelf);
    ASSERT_TRUE(Render());
    EXPECT_EQ(target->Pixel(40, 40), clRed);
    SolidPicture(folder.File("Hshelf.bmp"), clLime);
    ASSERT_TRUE(Render());
    EXPECT_EQ(target->Pixel(160, 40), clLime);

    mainWindow.cancelled = true; // left from an earlier print: cleared as the render starts
    mainWindow.bar.steps = 0;
    mainWindow.bar.cancelAtStep = 3;
    EXPECT_FALSE(Render());
    EXPECT_EQ(target->Pixel(100, 40), clLime);
    EXPECT_EQ(target->Pixel(160, 40), Wall);
    EXPECT_EQ(mainWindow.bar.Position(), 0);
}

} // namespace
