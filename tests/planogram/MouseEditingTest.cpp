// Selecting, moving, grouping and drawing fixtures with the mouse, headless. After every edit the back
// bitmap must be what a full redraw gives.
#include "planogram/Makefixture.h"
#include "planogram/PlanogramDocument.h"
#include "platform/ui/Application.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

class MouseEditing : public testing::Test, protected DocumentWithFakes {
protected:
    ScopedSettingsFolder settings;
    TemporaryFolder folder;
    ScriptedUi ui;

    void Wall(int width, int height, const std::vector<ProductRow>& products = {})
    {
        ASSERT_TRUE(document.NewDocument(width, height));
        const std::string path = folder.File("shop.ctf");
        WriteWholeFile(path, ProductCatalogText(products));
        ASSERT_TRUE(OpenTextCatalog(path));
    }

    ListOB& Item(const std::string& index, const TRect& box, const std::string& picture = "none.bmp")
    {
        ListOB& item = Add(index, box, 0x3366CC, picture);
        document.items->current = nullptr;
        return item;
    }

    void Drag(int fromX, int fromY, int toX, int toY, bool withMoves = true)
    {
        document.MouseDownAt(fromX, fromY, MouseButton::Left);
        if (withMoves)
            document.TrackMouseEdit(toX, toY);
        document.FinishMouseEdit(toX, toY);
    }

    // Every item of every group is reached exactly once from exactly one head.
    void ExpectSoundChains()
    {
        std::set<const ListOB*> reached;
        for (const ListOB* item = document.items->head; item; item = item->next) {
            if (item->groupItem)
                continue;
            for (const ListOB* member = item; member; member = member->childItem) {
                EXPECT_TRUE(reached.insert(member).second) << member->index;
                if (member != item) {
                    EXPECT_EQ(member->groupItem, item) << member->index;
                }
            }
        }
        EXPECT_EQ(static_cast<int>(reached.size()), document.items->Count());
    }

    FixtureMakerInputs Inputs()
    {
        FixtureMakerInputs inputs;
        inputs.color = 0x00FF00;
        inputs.vPegSpace = inputs.hPegSpace = inputs.pegTop = inputs.pegLeft = inputs.pegBottom = inputs.pegRight = "4";
        inputs.pegSize = "1";
        return inputs;
    }
};

TEST_F(MouseEditing, AClickSelectsMovesNothingAndKeepsTheLastEditsUndo)
{
    Wall(400, 300);
    ListOB& a = Item("A", Rect(10, 10, 50, 50));
    ListOB& b = Item("B", Rect(100, 10, 140, 50));
    document.renderer.RedrawAll();
    document.undo.Take(&b, 1);
    Drag(20, 20, 20, 20, false);
    EXPECT_EQ(document.items->current, &a);
    EXPECT_EQ(document.selectedBox, &a);
    EXPECT_EQ(document.selectionRect, Rect(10, 10, 50, 50));
    EXPECT_EQ(a.PlacementBox(), Rect(10, 10, 50, 50));
    EXPECT_EQ(document.undo.Saved().index, "B");
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(selector.found, std::vector<std::string>{"A"});

    // A drag back to its press point moves nothing and leaves no drag frame.
    document.MouseDownAt(20, 20, MouseButton::Left);
    document.TrackMouseEdit(60, 40);
    ASSERT_FALSE(document.focusRect.IsEmpty());
    document.TrackMouseEdit(20, 20);
    document.FinishMouseEdit(20, 20);
    EXPECT_TRUE(document.focusRect.IsEmpty());
    EXPECT_EQ(a.PlacementBox(), Rect(10, 10, 50, 50));

    // A release after no press on the wall does nothing at all.
    document.FinishMouseEdit(200, 200);
    EXPECT_EQ(a.PlacementBox(), Rect(10, 10, 50, 50));

    // A release elsewhere without move events still moves the item and repaints.
    Drag(20, 20, 27, 23, false);
    EXPECT_EQ(a.PlacementBox(), Rect(17, 13, 57, 53));
    EXPECT_EQ(document.undo.Saved().index, "A");
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    EXPECT_TRUE(document.modified);

    // Off every item: nothing is selected and the read-outs are cleared.
    Drag(300, 200, 300, 200, false);
    EXPECT_EQ(document.items->current, nullptr);
    EXPECT_EQ(document.selectedBox, nullptr);
    EXPECT_TRUE(document.selectionRect.IsEmpty());
    EXPECT_EQ(mainWindow.positionX, "");
}

TEST_F(MouseEditing, NextAndPreviousWalkTheListEvenWhereALaterItemCoversTheCorner)
{
    Wall(400, 300);
    ListOB& board = Item("BOARD", Rect(0, 0, 200, 200));
    ListOB& product = Item("P", Rect(0, 0, 20, 20));
    std::vector<ListOB*> framed;
    for (const bool next : {true, true, true, false, false}) {
        document.SelectNeighbour(next);
        if (document.selectionRect == document.items->current->PlacementBox())
            framed.push_back(document.items->current);
    }
    EXPECT_EQ(framed, (std::vector<ListOB*>{&board, &product, &board, &product, &board}));
}

TEST_F(MouseEditing, AGroupDragMovesEveryMemberAlike)
{
    Wall(400, 300);
    ListOB& head = Item("H", Rect(10, 10, 50, 50));
    ListOB& middle = Item("M", Rect(60, 10, 100, 50));
    ListOB& tail = Item("T", Rect(110, 10, 150, 50));
    head.rotation = 30;
    Link(head, {&middle, &tail});
    document.renderer.RedrawAll();
    Drag(70, 20, 95, 120);
    EXPECT_EQ(head.PlacementBox(), Rect(35, 110, 75, 150));
    EXPECT_EQ(middle.PlacementBox(), Rect(85, 110, 125, 150));
    EXPECT_EQ(tail.PlacementBox(), Rect(135, 110, 175, 150));
    // Two unturned members count: the group can be ungrouped.
    EXPECT_TRUE(mainWindow.ungroupEnabled);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    ASSERT_TRUE(document.UndoLastEdit());
    EXPECT_EQ(tail.PlacementBox(), Rect(110, 10, 150, 50));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(MouseEditing, OnlyADiagonalDragOfAnUngroupedFoundProductSnapsToThePegs)
{
    document.pegHolesShown = true;
    document.pegFirstX = document.pegFirstY = 10;
    document.pegLastX = document.pegLastY = 390;
    document.pegPitchH = document.pegPitchV = 20;
    document.alignToPeg = true;
    Wall(400, 400, {{"HOOK", 10, 10, 5, 2, 1}});
    ListOB& hook = Item("HOOK", Rect(100, 100, 140, 140));
    ListOB& shelf = Item("shelf1", Rect(200, 300, 300, 308), "s");
    ListOB& stranger = Item("NOPE", Rect(300, 100, 340, 140));
    document.renderer.RedrawAll();

    Drag(110, 110, 117, 110);
    EXPECT_EQ(hook.PlacementBox(), Rect(107, 100, 147, 140));
    // Hook 8 and 4 units in: from (110, 103) the nearest hole is (110, 110).
    Drag(110, 110, 113, 113);
    EXPECT_EQ(hook.left + 8, 110);
    EXPECT_EQ(hook.top + 4, 110);
    Drag(210, 302, 213, 305);
    EXPECT_EQ(shelf.PlacementBox(), Rect(203, 303, 303, 311));
    // The catalog's current record is still HOOK, but this item's product was not found.
    Drag(310, 110, 313, 113);
    EXPECT_EQ(stranger.PlacementBox(), Rect(303, 103, 343, 143));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(MouseEditing, ARubberBandDissolvesTheGroupsItMeetsAndLinksItsItemsSoundly)
{
    Wall(400, 300);
    ListOB& a = Item("a", Rect(10, 10, 30, 30));
    ListOB& b = Item("b", Rect(40, 10, 60, 30));
    ListOB& c = Item("c", Rect(70, 10, 90, 30));
    ListOB& d = Item("d", Rect(200, 10, 220, 30));
    Link(a, {&b});
    Link(c, {&d});
    document.renderer.RedrawAll();

    // Nothing under the band: no group, nothing selected.
    Drag(300, 100, 350, 150);
    EXPECT_EQ(document.items->current, nullptr);
    EXPECT_FALSE(document.modified);

    document.undo.Take(&a, 1);
    Drag(45, 5, 75, 40);
    EXPECT_EQ(b.childItem, &c);
    EXPECT_EQ(c.groupItem, &b);
    EXPECT_EQ(a.childItem, nullptr);
    EXPECT_EQ(d.groupItem, nullptr);
    ExpectSoundChains();
    EXPECT_EQ(document.items->current, &b);
    EXPECT_FALSE(document.undo.valid);
    EXPECT_TRUE(document.modified);
    EXPECT_TRUE(document.focusRect.IsEmpty());

    // A deletion snapshot, of an item without links, survives a band that changes links.
    ListOB copy = a;
    document.undo.TakeDeleted(&a, copy);
    document.items->current = nullptr;
    document.selectedBox = nullptr;
    Drag(5, 5, 55, 40);
    EXPECT_EQ(a.childItem, &b);
    EXPECT_EQ(c.groupItem, nullptr);
    ExpectSoundChains();
    EXPECT_TRUE(document.undo.valid);
}

TEST_F(MouseEditing, FixturesAreDrawnOverTheDraggedRectangleInEitherUnit)
{
    Wall(400, 300);
    mainWindow.pointerTool = false;
    selector.inputs = Inputs();
    for (const bool inches : {false, true}) {
        mainWindow.inches = inches;
        document.SetZoom(inches ? 2 : 1);
        const int left = inches ? 110 : 10;
        Drag(left, 10, left + 40, 30);
        const ListOB& shelf = *document.items->tail;
        EXPECT_EQ(shelf.PlacementBox(), Rect(left, 10, left + 40, 30)) << inches;
        MakeFixture maker;
        maker.inches = inches;
        maker.unitsMode = true;
        maker.displayScale = mainWindow.scale;
        maker.boxcolor = 0x00FF00;
        maker.VPegSpace = maker.HPegSpace = maker.FirstVPeg = maker.FirstHPeg = maker.LastVPeg = maker.LastHPeg = 4;
        maker.PegSize = 1;
        maker.font.Color = 0x00FF00;
        ASSERT_TRUE(maker.Make(inches ? "80" : "40", inches ? "40" : "20", MakeFixture::kShelf, "5"));
        EXPECT_EQ(shelf.picture, maker.description);
        EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    }
    mainWindow.drawingKind = MakeFixture::kPegboard;
    Drag(100, 100, 200, 200);
    EXPECT_NE(document.items->tail->picture.find("<bgcolor=" + std::to_string(0x00FF00) + ">"), std::string::npos);

    // A drag under one unit adds nothing; a peg text that is no number says so and adds nothing.
    const int count = document.items->Count();
    Drag(300, 250, 300, 280);
    EXPECT_EQ(document.items->Count(), count);
    selector.inputs->vPegSpace = "abc";
    ui.AnswerMessage(MsgAnswer::OK);
    ShowingExceptions([&] {
        Drag(300, 200, 350, 250);
        return true;
    });
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"'abc' is not a valid floating point value."});
    EXPECT_EQ(document.items->Count(), count);
    EXPECT_TRUE(document.focusRect.IsEmpty());
    EXPECT_FALSE(document.mouseDown);
}

TEST_F(MouseEditing, ATextBoxIsTypedInPlaceAndStoredWithBlanksForItsLineBreaks)
{
    Wall(400, 400);
    mainWindow.pointerTool = false;
    mainWindow.drawingKind = MakeFixture::kText;
    selector.inputs = Inputs();
    selector.inputs->textMode = 1;
    document.SetZoom(2);
    Drag(10, 20, 60, 40);
    ASSERT_TRUE(view.editor);
    EXPECT_EQ(view.editor->box, Rect(20, 40, 120, 80));
    EXPECT_TRUE(view.editor->wordWrap);
    EXPECT_EQ(document.items->Count(), 0);
    view.typed.text = "two\r\nlines";
    document.MouseDownAt(300, 300, MouseButton::Left);
    document.FinishMouseEdit(300, 300);
    EXPECT_FALSE(view.editor);
    ASSERT_EQ(document.items->Count(), 1);
    EXPECT_EQ(document.items->tail->PlacementBox(), Rect(10, 20, 60, 40));
    EXPECT_NE(document.items->tail->picture.find("two  lines"), std::string::npos);

    // The read-out in inches: 100 units below the top of a 400-unit wall.
    mainWindow.inches = true;
    document.unitsInches = true;
    Item("R", Rect(200, 100, 220, 120));
    ASSERT_TRUE(document.SelectAt(205, 105));
    EXPECT_EQ(mainWindow.positionY, "29.55");
}

} // namespace
