// The document commands on a document with a real text catalog. After every edit the back bitmap must
// be what a full redraw gives.
#include "planogram/Placing.h"
#include "planogram/PlanogramDocument.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Commands : public testing::Test, protected DocumentWithFakes {
protected:
    ScopedSettingsFolder settings;
    TemporaryFolder folder;
    ScriptedUi ui;

    void Wall(const std::vector<ProductRow>& products, bool inventoryColumns = true)
    {
        ASSERT_TRUE(document.NewDocument(400, 300));
        std::string text = ProductCatalogText(products);
        if (!inventoryColumns)
            text = text.substr(0, text.find("catheader.inventoryColNr")) + text.substr(text.find("r1="));
        const std::string path = folder.File("shop.ctf");
        WriteWholeFile(path, text);
        ASSERT_TRUE(OpenTextCatalog(path));
    }

    ListOB& Item(const std::string& index, const TRect& box)
    {
        ListOB& item = Add(index, box);
        item.group = item.itemNo;
        return item;
    }

    void ExpectOneWarning(const std::string& text, const std::string& caption)
    {
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].text, text);
        EXPECT_EQ(ui.Calls()[0].caption, caption);
        EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
        ui.ClearCalls();
    }
};

TEST_F(Commands, AFlipTakesTheViewsCatalogSizesUnturnedAndRefusesWhatItCannotSize)
{
    Wall({{"P", 10, 20, 5}, {"FLAT", 10, 20, 0}});
    ListOB& item = Item("P", Rect(100, 100, 140, 180));
    item.rotation = 30;
    document.renderer.RedrawAll();
    ASSERT_TRUE(document.FlipView(1, item));
    EXPECT_EQ(item.PlacementBox(), Rect(100, 100, 120, 180));
    EXPECT_DOUBLE_EQ(item.depth, 40);
    EXPECT_DOUBLE_EQ(item.rotation, 0);
    EXPECT_TRUE(item.rotatedBox.IsEmpty());
    EXPECT_EQ(item.face, 1);
    EXPECT_TRUE(document.modified);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    ui.AnswerMessage(MsgAnswer::OK);
    ListOB& stranger = Item("NOPE", Rect(0, 0, 10, 10));
    EXPECT_FALSE(document.FlipView(2, stranger));
    ExpectOneWarning("Could not flip item because it could not be found in your catalog", "Kestrame");
    ui.AnswerMessage(MsgAnswer::OK);
    ListOB& flat = Item("FLAT", Rect(0, 0, 10, 10));
    EXPECT_FALSE(document.FlipView(2, flat));
    ExpectOneWarning("The width, height, depth or part number for this item is not defined so it can not be flipped",
                     "Kestrame");
    EXPECT_EQ(flat.PlacementBox(), Rect(0, 0, 10, 10));
}

TEST_F(Commands, GroupsAlignSpaceNudgeAndTakeTypedPositionsWithTheirTurnedBounds)
{
    Wall({});
    ListOB& head = Item("H", Rect(10, 50, 50, 90));
    ListOB& middle = Item("M", Rect(70, 40, 110, 100));
    ListOB& tail = Item("T", Rect(150, 60, 190, 80));
    Link(head, {&middle, &tail});
    tail.rotation = 30;
    document.renderer.RedrawAll();
    ASSERT_FALSE(tail.rotatedBox.IsEmpty());

    document.AlignGroup(head, 1);
    EXPECT_EQ((std::vector<int>{head.top, middle.top, tail.top}), (std::vector<int>{40, 40, 40}));
    document.AlignGroup(head, 0);
    EXPECT_EQ((std::vector<int>{head.bottom, middle.bottom, tail.bottom}), (std::vector<int>{100, 100, 100}));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    // One inch is 2.56 x 4 = 10.24 units, truncated.
    document.unitsInches = true;
    document.SpaceGroup(head, 1);
    EXPECT_EQ(middle.left, head.right + 10);
    EXPECT_EQ(tail.left, middle.right + 10);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    document.items->current = &middle;
    const TRect turned = tail.rotatedBox;
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(document.KeyDown(40));
    EXPECT_EQ(tail.rotatedBox, Rect(turned.Left, turned.Top + 30, turned.Right, turned.Bottom + 30));
    ASSERT_TRUE(document.items->HitTest(Point(tail.rotatedBox.Left + 1, tail.rotatedBox.Bottom - 1)));
    EXPECT_EQ(document.items->current, &tail);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    document.SetCurrentX(200);
    document.SetCurrentY(10);
    EXPECT_EQ(head.left, 200);
    EXPECT_EQ(std::min({head.top, middle.top, tail.top}), 10);
    EXPECT_EQ(middle.left, head.right + 10);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    // A negative fractional space truncates the new edge: -0.625 cm is -2.5 units.
    document.unitsInches = false;
    document.SpaceGroup(head, -0.625);
    EXPECT_EQ(middle.left, head.right - 3);
    EXPECT_EQ(tail.left, middle.right - 3);

    // An item wholly below the 300-unit wall lands where it is typed.
    ListOB& below = Item("B", Rect(10, 350, 30, 370));
    document.items->current = &below;
    document.SetCurrentY(100);
    document.SetCurrentX(20);
    EXPECT_EQ(below.PlacementBox(), Rect(20, 100, 40, 120));

    document.items->current = nullptr;
    EXPECT_FALSE(document.KeyDown(37));
}

TEST_F(Commands, ColoursKeepManualOnesAndTheCatalogsCurrentRecord)
{
    Wall({{"P1", 5, 5, 5, 0, 0, "Drinks", "Fizz"}, {"P2", 5, 5, 5, 0, 0, "Snacks", "Crunch"}});
    ListOB& automatic = Item("P1", Rect(0, 0, 20, 20));
    ListOB& manual = Item("P2", Rect(30, 0, 50, 20));
    manual.color = 0x123456;
    manual.manualcolor = true;
    ASSERT_TRUE(document.catalog->FindByKey("P2"));
    document.ApplyColorMode(1);
    EXPECT_EQ(automatic.color, TextHash("Drinks"));
    EXPECT_EQ(manual.color, 0x123456);
    EXPECT_EQ(document.catalog->partNumber, "P2");
    EXPECT_EQ(document.colorMode, 1);
    document.ClearManualColors();
    EXPECT_EQ(manual.color, TextHash("Snacks"));
    EXPECT_EQ(document.catalog->partNumber, "P2");
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Commands, TheReorderAlarmFlagsLowProductsAndNeedsItsColumns)
{
    Wall({{"LOW", 5, 5, 5, 0, 0, "", "", 2, 3}, {"FULL", 5, 5, 5, 0, 0, "", "", 9, 3}});
    ListOB& low = Item("LOW", Rect(0, 0, 20, 20));
    ListOB& full = Item("FULL", Rect(30, 0, 50, 20));
    ListOB& unknown = Item("NOPE", Rect(60, 0, 80, 20));
    unknown.reorder = true;
    document.InventoryAlarmOn();
    EXPECT_TRUE(document.inventoryAlarm);
    EXPECT_TRUE(low.reorder);
    EXPECT_FALSE(full.reorder);
    EXPECT_TRUE(unknown.reorder);
    document.InventoryAlarmOff();
    EXPECT_FALSE(low.reorder || unknown.reorder || document.inventoryAlarm);

    Commands::Wall({{"LOW", 5, 5}}, false);
    ui.AnswerMessage(MsgAnswer::OK);
    document.InventoryAlarmOn();
    ExpectOneWarning("Inventory and minimum inventory columns have not been defined in your catalog so reordering "
                     "alarms will be disabled.",
                     "Inventory Check");
    EXPECT_FALSE(document.inventoryAlarm);
}

TEST_F(Commands, ThePopupsRemovalAndUngroupingLeaveNoDanglingLinksAndKeepDeletionSnapshots)
{
    Wall({});
    ListOB& head = Item("H", Rect(0, 0, 20, 20));
    ListOB& member = Item("M", Rect(30, 0, 50, 20));
    ListOB& loner = Item("L", Rect(60, 0, 80, 20));
    Link(head, {&member});
    document.renderer.RedrawAll();
    document.items->current = &member;
    const int counter = document.itemCounter;
    ASSERT_TRUE(document.RemoveCurrent());
    EXPECT_EQ(head.childItem, nullptr);
    EXPECT_EQ(document.itemCounter, counter);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    // A cancelled tag text is the old one: nothing changes.
    document.modified = false;
    document.items->current = &loner;
    ui.AnswerInput(ScriptedUi::Cancel());
    ASSERT_TRUE(document.SetCustomTag(Ui().InputBox("Kestrame", "Tag Text", loner.customTag)));
    EXPECT_FALSE(document.modified);

    Link(head, {&loner});
    document.undo.Take(&loner, 1);
    document.UngroupAll();
    EXPECT_FALSE(document.undo.valid);
    EXPECT_EQ(loner.groupItem, nullptr);
    EXPECT_TRUE(document.modified);
    Link(head, {&loner});
    document.undo.TakeDeleted(&loner, ListOB{});
    document.UngroupAll();
    EXPECT_TRUE(document.undo.valid);
}

} // namespace
