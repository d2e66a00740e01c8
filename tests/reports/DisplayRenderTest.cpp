#include "reports/DisplayRender.h"

#include "planogram/Fixturerender.h"
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

TEST_F(DisplayRender, DescribesThePegboardAndStampsTheFileName)
{
    MakeWall(200, 150, 0x123456);
    document.pegLastX = 190;
    document.pegPitchH = 11;
    for (const auto& [size, text] : {std::pair{0.5, "0.5"}, std::pair{1.0, "1"}, std::pair{1.25, "1.25"}}) {
        document.pegHoleSize = size;
        ListOB board;
        board.picture = PegboardDescription(document);
        EXPECT_EQ(board.picture, std::string("<pegboard><PegSize=") + text +
                                     "><VPegSpace=10><HPegSpace=11><FirstVPeg=4><FirstHPeg=4><LastVPeg=4>"
                                     "<LastHPeg=10><bgcolor=1193046>");
        FixtureRender render;
        render.ParseAttributes(board);
        EXPECT_EQ(render.PegSize, size);
        EXPECT_EQ(render.LastHPeg, 10);
        EXPECT_EQ(render.bgcolor, 0x123456u);
    }

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
