#include "reports/DisplayRender.h"

#include "planogram/Fixturerender.h"
#include "planogram/Listmanager.h"
#include "platform/core/Numbers.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr TColor Wall = 0xE0E0E0;
constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;

class DisplayRender : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;

    std::unique_ptr<TBitmap> Target() const
    {
        auto target = std::make_unique<TBitmap>();
        target->SetSize(document.backBitmap.Width() * 2, document.backBitmap.Height() * 2);
        return target;
    }

    static int Count(const TBitmap& bitmap, const TRect& area, TColor color)
    {
        int count = 0;
        for (int y = area.Top; y < area.Bottom; ++y)
            for (int x = area.Left; x < area.Right; ++x)
                count += bitmap.Pixel(x, y) == color;
        return count;
    }
};

std::tm At(int year, int month, int day, int hour, int minute)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    return time;
}

TEST_F(DisplayRender, DescribesThePegboardSoThatItParsesBack)
{
    MakeWall(200, 150, 0x123456);
    document.pegFirstX = 6;
    document.pegFirstY = 5;
    document.pegLastX = 190;
    document.pegLastY = 143;
    document.pegPitchV = 12;
    document.pegPitchH = 11;
    for (const auto& [size, text] : {std::pair{0.5, "0.5"}, std::pair{1.0, "1"}, std::pair{1.25, "1.25"}}) {
        document.pegHoleSize = size;
        const std::string description = PegboardDescription(document);
        EXPECT_EQ(description, std::string("<pegboard><PegSize=") + text +
                                   "><VPegSpace=12><HPegSpace=11><FirstVPeg=5><FirstHPeg=6><LastVPeg=7><LastHPeg=10>"
                                   "<bgcolor=1193046>");
        ListOB board;
        board.picture = description;
        FixtureRender render;
        render.ParseAttributes(board);
        EXPECT_EQ(render.PegSize, size);
        EXPECT_EQ(render.VPegSpace, 12);
        EXPECT_EQ(render.HPegSpace, 11);
        EXPECT_EQ(render.FirstVPeg, 5);
        EXPECT_EQ(render.FirstHPeg, 6);
        EXPECT_EQ(render.LastVPeg, 7);
        EXPECT_EQ(render.LastHPeg, 10);
        EXPECT_EQ(render.bgcolor, 0x123456u);
    }
    document.backgroundColor = 0x80000005; // a system colour stays a signed number
    EXPECT_NE(PegboardDescription(document).find("<bgcolor=-2147483643>"), std::string::npos);
}

TEST_F(DisplayRender, StampsTheSavedFileNameAndTheTime)
{
    EXPECT_EQ(ExportStampText("shop.kqf", At(2024, 3, 5, 9, 7)), "Document shop.kqf Date 5 3 2024. Time 9:7");
    EXPECT_EQ(StampDocumentName(document), "No name");
    document.untitled = false;
    document.fileName = "C:\\Displays\\shop.kqf";
    EXPECT_EQ(StampDocumentName(document), "shop.kqf");
    document.fileName = "/home/ann/displays/front wall.kqf";
    EXPECT_EQ(StampDocumentName(document), "front wall.kqf");
    const std::string longName(300, 'n');
    document.fileName = "/home/ann/" + longName;
    EXPECT_EQ(StampDocumentName(document), longName);
    document.untitled = true;
    EXPECT_EQ(StampDocumentName(document), "No name");
}

TEST_F(DisplayRender, AnEmptyWallGivesColourHolesImageAndFrame)
{
    MakeWall(100, 80, Wall);
    document.showDateTimeStamp = false;
    document.pegHolesShown = true;
    document.renderer.RedrawAll();
    const auto target = Target();
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_EQ(target->PixelFormat(), pf24bit);
    EXPECT_EQ(target->Width(), 200);
    EXPECT_EQ(target->Height(), 160);
    // Within the pegboard's own edge, only wall and holes.
    const TRect board = Rect(2, 2, 198, 158);
    const int holes = Count(*target, board, clBlack);
    EXPECT_GT(holes, 0);
    EXPECT_EQ(holes + Count(*target, board, Wall), 196 * 156);
    const TRect inside = Rect(1, 1, 199, 159);
    // Holes over the whole peg area, down to the bottom margin.
    EXPECT_GT(Count(*target, Rect(1, 140, 199, 159), clBlack), 0);
    EXPECT_EQ(Count(*target, Rect(0, 0, 200, 1), clBlack) + Count(*target, Rect(0, 159, 200, 160), clBlack), 400);
    EXPECT_EQ(Count(*target, Rect(0, 0, 1, 160), clBlack) + Count(*target, Rect(199, 0, 200, 160), clBlack), 320);

    // A background image covers the holes.
    document.backgroundMode = true;
    document.backgroundPath = SolidPicture(folder.File("back.bmp"), Blue);
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_EQ(Count(*target, inside, Blue), 198 * 158);
    EXPECT_EQ(mainWindow.bar.Position(), 0);

    // A missing one is reported, and the wall drawn without it.
    document.backgroundPath = folder.File("gone.bmp");
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_GT(Count(*target, inside, clBlack), 0);
    const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The background image for this display could not be found and will not be printed.");
    EXPECT_EQ(boxes[0].caption, "Kestrame");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Warning);

    EXPECT_FALSE(RenderDisplayBitmap(mainWindow, &document, nullptr));
    EXPECT_FALSE(RenderDisplayBitmap(mainWindow, nullptr, target.get()));
}

TEST_F(DisplayRender, TheStampIsWrittenOnlyWhenAsked)
{
    MakeWall(200, 100, Wall);
    const TRect stampArea = Rect(10, 160, 390, 195);
    const auto target = Target();
    document.showDateTimeStamp = false;
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_EQ(Count(*target, stampArea, Wall), 380 * 35);
    document.showDateTimeStamp = true;
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    const int ink = 380 * 35 - Count(*target, stampArea, Wall);
    EXPECT_GT(ink, 200);
    // Nothing above the line it is written on.
    EXPECT_EQ(Count(*target, Rect(1, 1, 399, 150), Wall), 398 * 149);
}

TEST_F(DisplayRender, PrefersHighResolutionPicturesAndStopsOnACancel)
{
    MakeWall(100, 60, Wall);
    document.showDateTimeStamp = false;
    const std::string shelf = SolidPicture(folder.File("shelf.bmp"), Red);
    AddTestItem(document, "a", Rect(10, 10, 30, 30), Red, shelf);
    const auto target = Target();
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_EQ(target->Pixel(40, 40), Red);
    SolidPicture(folder.File("Hshelf.bmp"), Green);
    ASSERT_TRUE(RenderDisplayBitmap(mainWindow, &document, target.get()));
    EXPECT_EQ(target->Pixel(40, 40), Green);

    AddTestItem(document, "b", Rect(40, 10, 60, 30), Red, shelf);
    AddTestItem(document, "c", Rect(70, 10, 90, 30), Red, shelf);
    mainWindow.bar.steps = 0;
    mainWindow.cancelled = true; // left from an earlier print: cleared as the render starts
    mainWindow.bar.cancelAtStep = 3;
    const auto cancelled = Target();
    EXPECT_FALSE(RenderDisplayBitmap(mainWindow, &document, cancelled.get()));
    EXPECT_EQ(cancelled->Pixel(100, 40), Green);
    EXPECT_EQ(cancelled->Pixel(160, 40), Wall);
    EXPECT_EQ(mainWindow.bar.Position(), 0);
}

} // namespace
