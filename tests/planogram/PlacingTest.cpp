// Placing products and fixtures and the edit commands on a document with a real text catalog. After
// every change the back bitmap must be what a full redraw of the list gives.
#include "planogram/Placing.h"

#include "planogram/Graphicsmanager.h"
#include "planogram/PlanogramDocument.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* UndefinedText =
    "The width, height or Part Number for this item is not defined, so it can not be added.";

class Placing : public testing::Test, protected DocumentWithFakes {
protected:
    ScopedSettingsFolder settings;
    TemporaryFolder folder;
    ScriptedUi ui;

    // A wall of the size (document units) whose catalog is a text catalog of these products.
    void Wall(int width, int height, const std::vector<ProductRow>& products)
    {
        ASSERT_TRUE(document.NewDocument(width, height));
        const std::string path = folder.File("shop.ctf");
        WriteWholeFile(path, ProductCatalogText(products));
        ASSERT_TRUE(OpenTextCatalog(path));
    }

    // Makes the product current in the catalog and places it.
    bool Place(const std::string& part, int x = 0, int y = 0)
    {
        EXPECT_TRUE(document.catalog->FindByKey(part)) << part;
        return document.AddCatalogItem(x, y);
    }

    ListOB& Current() { return *document.items->current; }

    static TRect Box(const ListOB& item) { return item.PlacementBox(); }

    std::vector<std::string> Chain(const ListOB& head)
    {
        std::vector<std::string> members;
        for (const ListOB* member = &head; member && members.size() <= 10; member = member->childItem) {
            members.push_back(member->index);
            EXPECT_EQ(member == &head ? nullptr : member->groupItem, member == &head ? nullptr : &head);
        }
        return members;
    }
};

TEST_F(Placing, ProductsFillARowThenWrapUnderTheFirstWithAShelfForEachRow)
{
    Wall(220, 300, {{"P1", 10, 20}});
    document.autoAddShelves = true;
    ASSERT_TRUE(Place("P1", 100, 50));
    EXPECT_EQ(Box(Current()), Rect(100, 50, 140, 130));
    EXPECT_EQ(Current().itemNo, 1);
    EXPECT_EQ(mainWindow.positionX, "25.00");
    EXPECT_EQ(mainWindow.positionY, "62.50");
    ASSERT_EQ(document.items->Count(), 2);
    const ListOB& shelf = *document.items->tail;
    EXPECT_EQ(shelf.index, "shelf1");
    EXPECT_EQ(shelf.picture, "s");
    EXPECT_EQ(Box(shelf), Rect(4, 130, 216, 138));
    EXPECT_EQ(shelf.itemNo, 2);
    EXPECT_EQ(selector.gridL.Cells(0, 1), "1");
    EXPECT_EQ(selector.gridL.Cells(1, 1), "P1");
    EXPECT_TRUE(document.modified);

    ASSERT_TRUE(Place("P1"));
    EXPECT_EQ(Box(Current()), Rect(140, 50, 180, 130));
    // Just fits: the right edge on the wall's edge stays in the row.
    ASSERT_TRUE(Place("P1"));
    EXPECT_EQ(Box(Current()), Rect(180, 50, 220, 130));
    EXPECT_EQ(document.items->Count(), 4);
    // Upward is full: the next row opens under the list's first item, with its shelf.
    ASSERT_TRUE(Place("P1"));
    EXPECT_EQ(Box(Current()), Rect(0, 138, 40, 218));
    EXPECT_EQ(document.placeDirection, 0);
    EXPECT_EQ(Box(*document.items->tail), Rect(4, 218, 216, 226));
    EXPECT_EQ(Current().itemNo, 5);
    EXPECT_EQ(document.itemCounter, 6);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Placing, PeggedProductsHangOnTheNextHoleWithTheirTopsAligned)
{
    document.pegHolesShown = true;
    document.pegFirstX = document.pegFirstY = 10;
    document.pegLastX = document.pegLastY = 290;
    document.pegPitchH = document.pegPitchV = 20;
    document.alignToPeg = true;
    Wall(300, 300, {{"HOOK", 10, 20, 5, 2, 1}, {"BOX", 11.25, 5}});
    ASSERT_TRUE(Place("BOX", 0, 100));
    EXPECT_EQ(Current().right, 45);
    // Holes at 10, 30, 50, 70: the first whose hook, 8 units in, lies past 45 is 70.
    ASSERT_TRUE(Place("HOOK"));
    EXPECT_EQ(Box(Current()), Rect(62, 100, 102, 180));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    // Past the last column the walk ends there; a wall without holes keeps the starting point.
    const PegHoleList holes(10, 10, 290, 290, 20, 20, 300, 300);
    EXPECT_EQ(PegAlignedX(holes, 20, 1000, 8), 270 - 8);
    EXPECT_EQ(PegAlignedX(holes, 60, 45, 8), 60);
    EXPECT_EQ(PegAlignedX(PegHoleList(), 20, 45, 8), 20);
    // Pitch 1 on the largest wall: an axis search, not a walk through 148 million holes.
    const PegHoleList dense(0, 0, 12183, 12183, 1, 1, 12183, 12183);
    EXPECT_EQ(PegAlignedX(dense, 1, 12000, 5), 12000);
}

TEST_F(Placing, AutogroupInsertsAfterThePreviousItemWhereverItStands)
{
    Wall(2000, 300, {{"P", 5, 5}});
    mainWindow.autoGroup = true;
    ASSERT_TRUE(Place("P", 0, 100));
    ListOB& head = Current();
    head.index = "H";
    ASSERT_TRUE(Place("P"));
    Current().index = "A";
    ListOB& middle = Current();
    ASSERT_TRUE(Place("P"));
    Current().index = "B";
    ListOB& tail = Current();
    for (auto [previous, name] : {std::pair{&head, "N1"}, std::pair{&middle, "N2"}, std::pair{&tail, "N3"}}) {
        document.items->current = previous;
        ASSERT_TRUE(Place("P"));
        Current().index = name;
    }
    EXPECT_EQ(Chain(head), (std::vector<std::string>{"H", "N1", "A", "N2", "B", "N3"}));
}

TEST_F(Placing, HookDepthsAndReorderComeFromSettingsAndCatalogInAnyLocale)
{
    CommaLocale comma;
    SettingsStore().WriteString("Options", "InchPegDepth", "10.5");
    Wall(400, 300, {{"LOW", 10, 10, 5, 0, 0, "Drinks", "Fizz", 2, 3}});
    document.pegDepthUnits = 52;
    mainWindow.reorderAlarm = true;
    ASSERT_TRUE(Place("LOW", 10, 10));
    EXPECT_FLOAT_EQ(Current().hookdepthIN, 10.5f);
    EXPECT_FLOAT_EQ(Current().hookdepthCM, 13.0f);
    EXPECT_EQ(Current().hookdepth, 52);
    EXPECT_DOUBLE_EQ(Current().depth, 20);
    EXPECT_EQ(Current().Category, "Drinks");
    EXPECT_EQ(Current().Brand, "Fizz");
    EXPECT_EQ(Current().inventory, 2);
    EXPECT_TRUE(Current().reorder);
}

TEST_F(Placing, ProductsWithoutASizeOrTooLargeAreRefusedAndNothingChanges)
{
    Wall(100, 100, {{"FLAT", 0, 10}, {"NEG", -5, 10}, {"", 5, 5}, {"HUGE", 30, 5}});
    for (const char* part : {"FLAT", "NEG", ""}) {
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(Place(part)) << part;
    }
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(Place("HUGE"));
    ASSERT_EQ(ui.Calls().size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ui.Calls()[i].text, UndefinedText);
        EXPECT_EQ(ui.Calls()[i].caption, "Kestrame");
        EXPECT_EQ(ui.Calls()[i].icon, MsgIcon::Exclamation);
    }
    EXPECT_EQ(ui.Calls()[3].text, "Item is too large to place in the display area.");
    EXPECT_EQ(ui.Calls()[3].caption, "Alert");
    EXPECT_EQ(document.items->Count(), 0);
    EXPECT_EQ(document.itemCounter, 0);
    EXPECT_FALSE(document.modified);
}

TEST(PlacementColours, SizesTextsAndTheirLow24BitsAsDrawn)
{
    ListOB item;
    item.right = 300;
    item.bottom = 510;
    EXPECT_EQ(ColorItem(item, 0, nullptr), 45 + 65536 * 45);
    EXPECT_EQ(ColorItem(item, 3, nullptr), 0xFDFDFD);
    EXPECT_EQ(TextHash("X"), 283);
    EXPECT_EQ(TextHash("Cola"), TextHash("Colt"));
    EXPECT_EQ(TextHash("\xC4pfel"), 255);
    EXPECT_EQ(TextHash("\xC4\xC4\xC4\xC4"), -180);

    item.left = item.top = 0;
    item.right = 40;
    item.bottom = 40;
    item.color = TextHash("\xC4\xC4\xC4\xC4");
    TBitmap bitmap;
    bitmap.SetSize(40, 40);
    DrawPlaceholder(item, bitmap.Canvas(), item.PlacementBox());
    EXPECT_EQ(bitmap.Pixel(20, 5), static_cast<TColor>(0xFFFF4C));
}

TEST_F(Placing, PastesNumberEveryItemAndKeepWhatTheViewNeeds)
{
    Wall(400, 300, {});
    ListOB& side = Add("P1", Rect(10, 10, 30, 50));
    side.face = 1;
    side.depth = 20;
    side.inchWidth = 1.5f;
    side.Category = "Drinks";
    side.Brand = "Fizz";
    side.customTag = "note";
    document.CopyCurrent();
    ASSERT_TRUE(document.Paste());
    ASSERT_TRUE(document.Paste());
    const ListOB& pasted = Current();
    EXPECT_EQ(Box(pasted), Rect(20, 20, 40, 60));
    EXPECT_EQ(pasted.itemNo, 3);
    EXPECT_EQ(pasted.prev->itemNo, 2);
    EXPECT_EQ(pasted.face, 1);
    EXPECT_DOUBLE_EQ(pasted.depth, 20);
    EXPECT_FLOAT_EQ(pasted.inchWidth, 1.5f);
    EXPECT_EQ(pasted.Category, "Drinks");
    EXPECT_EQ(pasted.Brand, "Fizz");
    EXPECT_EQ(pasted.customTag, "");
    EXPECT_TRUE(document.modified);

    // The copy outlives its item, and the next number is still a new one.
    document.items->current = document.items->head;
    EXPECT_EQ(document.DeleteSelected(), 1);
    ASSERT_TRUE(document.Paste());
    EXPECT_EQ(Current().itemNo, 4);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

TEST_F(Placing, DeleteFramesTheNeighbourAndUndoGivesTheItemBackAsItWas)
{
    Wall(400, 300, {});
    Add("A", Rect(10, 10, 30, 50));
    ListOB& turned = Add("B", Rect(60, 10, 90, 50));
    Add("C", Rect(120, 10, 150, 50));
    turned.rotation = 30;
    document.renderer.RedrawAll();
    document.items->current = &turned;
    ASSERT_EQ(document.DeleteSelected(), 1);
    EXPECT_EQ(Current().index, "A");
    EXPECT_EQ(document.selectedBox, document.items->current);
    EXPECT_EQ(document.itemCounter, 3);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    ASSERT_TRUE(document.UndoLastEdit());
    EXPECT_EQ(document.items->tail, document.items->current);
    EXPECT_EQ(Current().index, "B");
    EXPECT_DOUBLE_EQ(Current().rotation, 30);
    EXPECT_EQ(Current().itemNo, 2);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    EXPECT_FALSE(document.undo.valid);

    // The head's neighbour is the next item; the top item's number comes back with it.
    document.items->current = document.items->head;
    ASSERT_EQ(document.DeleteSelected(), 1);
    EXPECT_EQ(Current().index, "C");
    document.items->current = document.items->tail;
    ASSERT_EQ(document.DeleteSelected(), 1);
    EXPECT_EQ(document.itemCounter, 3);
    ASSERT_TRUE(document.UndoLastEdit());
    EXPECT_EQ(document.itemCounter, 3);

    // With one item left, deleting it leaves nothing current or selected.
    while (document.items->Count() > 1) {
        document.items->current = document.items->head;
        document.DeleteSelected();
    }
    ASSERT_EQ(document.DeleteSelected(), 1);
    EXPECT_EQ(document.items->current, nullptr);
    EXPECT_EQ(document.selectedBox, nullptr);
    EXPECT_TRUE(document.selectionRect.IsEmpty());
    EXPECT_EQ(document.DeleteSelected(), 0);
}

TEST_F(Placing, NumbersStayUniqueThroughDeletesPastesUndosAndFits)
{
    Wall(400, 300, {{"P1", 5, 5}});
    for (int i = 0; i < 3; ++i)
        Add("I" + std::to_string(i), Rect(10 * i, 10, 10 * i + 5, 15));
    document.itemCounter = 3;
    document.CopyCurrent();
    ASSERT_EQ(document.DeleteSelected(), 1);
    ASSERT_TRUE(document.Paste());
    ASSERT_TRUE(document.UndoLastEdit());
    ASSERT_TRUE(Place("P1"));
    Add("out", Rect(500, 500, 510, 510)).itemNo = ++document.itemCounter;
    document.FitItemsToDisplay(2);
    ASSERT_TRUE(Place("P1"));
    std::vector<int> numbers;
    for (const ListOB* item = document.items->head; item; item = item->next) {
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), item->itemNo), 0) << item->itemNo;
        numbers.push_back(item->itemNo);
    }
}

TEST_F(Placing, AGroupedDeleteLeavesNoUndoAndNoLinkToIt)
{
    Wall(400, 300, {});
    ListOB& head = Add("H", Rect(0, 0, 10, 10));
    ListOB& member = Add("M", Rect(10, 0, 20, 10));
    head.childItem = &member;
    member.groupItem = &head;
    document.items->current = &member;
    ASSERT_EQ(document.DeleteSelected(), 1);
    EXPECT_FALSE(document.undo.valid);
    EXPECT_EQ(head.childItem, nullptr);
    EXPECT_FALSE(document.UndoLastEdit());
}

TEST_F(Placing, RotationAcceptsWholeDegreesOnlyAndStoresThemFrom0To359)
{
    Wall(400, 300, {});
    ListOB& tall = Add("T", Rect(100, 50, 120, 150));
    document.renderer.RedrawAll();
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(document.RotateCurrent("abc"));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Invalid value."});
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
    EXPECT_DOUBLE_EQ(tall.rotation, 0);
    EXPECT_FALSE(document.modified);

    ASSERT_TRUE(document.RotateCurrent("-30"));
    EXPECT_DOUBLE_EQ(tall.rotation, 330);
    ui.AnswerInput("90");
    ASSERT_TRUE(document.RotateCurrent(""));
    EXPECT_DOUBLE_EQ(tall.rotation, 90);
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    ASSERT_TRUE(document.RotateCurrent("0"));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
    EXPECT_TRUE(document.modified);
    ASSERT_TRUE(document.UndoLastEdit());
    EXPECT_DOUBLE_EQ(tall.rotation, 90);
}

TEST_F(Placing, OnlyACurrentFixtureIsUpdated)
{
    Wall(400, 300, {});
    EXPECT_FALSE(document.UpdateCurrentItem("<shelf>", 10, 10, 0));
    Add("P1", Rect(0, 0, 10, 10), 0x3366CC, "cola.bmp");
    EXPECT_FALSE(document.UpdateCurrentItem("<shelf>", 10, 10, 0));
    EXPECT_EQ(Current().picture, "cola.bmp");
    ListOB& shelf = Add("shelf1", Rect(0, 100, 300, 108), 0x3366CC, "s");
    document.renderer.RedrawAll();
    ASSERT_TRUE(document.UpdateCurrentItem("s", 200, 12, 40));
    EXPECT_EQ(Box(shelf), Rect(0, 100, 200, 112));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);
}

} // namespace
