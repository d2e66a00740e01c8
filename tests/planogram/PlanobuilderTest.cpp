// The automatic display builder and the filter on a document with a real text catalog: ranking and
// sorting the builder grid, placing it on the wall, the whole build with its checks, and the filter
// over a text and a binary catalog of the same products.
#include "planogram/Planobuilder.h"

#include "catalog/Didctf2.h"
#include "planogram/FilterCode.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/SelectorModel.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Builder : public testing::Test, protected DocumentWithFakes {
protected:
    ScopedSettingsFolder settings;
    TemporaryFolder folder;
    ScriptedUi ui;
    std::unique_ptr<DocumentBuilderHost> host;

    // The catalog's cost and retail prices are columns 7 and 8.
    void Wall(int width, int height, const std::vector<ProductRow>& products)
    {
        ASSERT_TRUE(document.NewDocument(width, height));
        std::string text = ProductCatalogText(products);
        const std::string pegs = "catheader.pegXColNr=";
        text.insert(text.find(pegs), "catheader.costpriceColNr=7\r\ncatheader.salepriceColNr=8\r\n");
        WriteWholeFile(folder.File("shop.ctf"), text);
        ASSERT_TRUE(OpenTextCatalog(folder.File("shop.ctf")));
        host = std::make_unique<DocumentBuilderHost>(document, selector.gridP);
    }
    void List(const std::vector<BuilderEntry>& entries)
    {
        document.SetBuilderList(entries);
        document.FillBuilderGrid();
    }
    std::vector<std::string> Column(int col) const
    {
        std::vector<std::string> cells;
        for (int row = 1; row < selector.gridB.RowCount() - 1; ++row)
            cells.push_back(selector.gridB.Cells(col, row));
        return cells;
    }
    std::vector<TRect> Boxes() const
    {
        std::vector<TRect> boxes;
        for (const ListOB* item = document.items->head; item; item = item->next)
            boxes.push_back(item->PlacementBox());
        return boxes;
    }
};

// C and A tie on space and profit only when the profit is cut to a whole number; A and B have equal
// areas; ZZ is not in the catalog and keeps its rank 7.
const std::vector<ProductRow> Ranked = {
    {.part = "C", .width = 10, .height = 19.7, .cost = 2.1, .retail = 3},
    {.part = "A", .width = 10, .height = 20, .cost = 2.5, .retail = 5.99},
    {.part = "B", .width = 5, .height = 40, .cost = 1, .retail = 10},
    {.part = "D", .width = 30, .height = 30, .cost = 1, .retail = 4},
};

TEST_F(Builder, EveryRankModeSortsTheListAndNumbersItsRanks)
{
    Wall(2000, 2000, Ranked);
    const std::vector<std::vector<std::string>> orders = {
        {"C", "A", "B", "ZZ", "D"}, {"ZZ", "B", "A", "C", "D"}, {"D", "C", "A", "B", "ZZ"},
        {"B", "ZZ", "A", "D", "C"}, {"C", "D", "A", "ZZ", "B"}, {"D", "B", "A", "C", "ZZ"},
        {"ZZ", "C", "A", "B", "D"}, {"D", "A", "C", "ZZ", "B"}, {"B", "ZZ", "C", "A", "D"},
        {"B", "D", "A", "C", "ZZ"}, {"ZZ", "C", "A", "D", "B"},
    };
    for (int mode = 0; mode <= 10; ++mode) {
        List({{"C", "", "1"}, {"A", "", "1"}, {"B", "", "1"}, {"ZZ", "7", "1"}, {"D", "", "1"}});
        Planobuilder(*host).RankBy(selector.gridB, mode);
        EXPECT_EQ(Column(0), orders[static_cast<size_t>(mode)]) << "mode " << mode;
        if (mode > 0) {
            EXPECT_EQ(Column(1), (std::vector<std::string>{"1", "2", "3", "4", "5"})) << "mode " << mode;
        }
        EXPECT_EQ(selector.gridB.RowCount(), 7);
    }
}

TEST_F(Builder, PlaceListHangsTheFirstProductAtTheMostVisibleHeightAndTheRestBesideIt)
{
    struct Case {
        int height;
        bool inches;
        std::string facings;
        std::vector<TRect> boxes;
    };
    // A 10 x 20 cm product is 40 x 80 units; the wall is 600 units high.
    const std::vector<Case> cases = {
        {75, false, "3", {Rect(1, 300, 41, 380), Rect(41, 300, 81, 380), Rect(81, 300, 121, 380)}},
        {0, false, "1", {Rect(1, 596, 41, 676)}},
        {200, false, "1", {Rect(1, 1, 41, 81)}},
        // trunc(30 x 2.5380710659898478 x 4) = 304
        {30, true, "1", {Rect(1, 296, 41, 376)}},
        {75, false, "0", {}},
        {75, false, "", {}},
        {75, false, "abc", {}},
    };
    Wall(1000, 600, {{"P1", 10, 20}});
    for (const Case& c : cases) {
        document.ClearAll();
        List({{"P1", "1", c.facings}, {"ZZ", "2", "5"}});
        EXPECT_TRUE(Planobuilder(*host).PlaceList(selector.gridB, c.height, c.inches));
        EXPECT_EQ(Boxes(), c.boxes) << c.height << " " << c.facings;
    }
    EXPECT_EQ(host->refreshes, 7);
}

TEST_F(Builder, BuildDisplayChecksItsInputFirstThenFillsTheWallAndDropsWhatDoesNotFit)
{
    Wall(200, 400, {{"P1", 10, 20}, {"P2", 30, 50}});
    mainWindow.autoGroup = true;
    List({{"P1", "1", "1"}});
    SelectorModel& model = host->model;
    model.BuildDisplay(document, selector.gridB, *host, 0, "75", false);
    ASSERT_EQ(document.items->Count(), 1);
    document.modified = false;

    // Nothing changes for a height that is no whole number or without a rank mode.
    try {
        model.BuildDisplay(document, selector.gridB, *host, 0, "7x", false);
        ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'7x' is not a valid integer value");
    }
    model.BuildDisplay(document, selector.gridB, *host, -1, "75", false);
    EXPECT_EQ(document.items->Count(), 1);
    EXPECT_FALSE(document.modified);

    // Twenty products of 40 units and two of 120 units wide cannot all fit on a 200 x 400 wall.
    List({{"P1", "1", "20"}, {"P2", "2", "2"}});
    ui.AnswerMessage(MsgAnswer::OK);
    model.BuildDisplay(document, selector.gridB, *host, 6, "75", false);
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{
                                     "There was not enough room in your display to place all the items in your "
                                     "builder list correctly. These items will be deleted."}));
    EXPECT_EQ(ui.Calls().back().caption, "Kestrame");
    EXPECT_EQ(ui.Calls().back().icon, MsgIcon::Warning);
    EXPECT_FALSE(model.building);
    for (const ListOB* item = document.items->head; item; item = item->next) {
        EXPECT_TRUE(item->right > 0 && item->left < 200 && item->bottom > 0 && item->top < 400);
        // A link to a deleted item would be read after its release here.
        for (const ListOB* link : {item->groupItem, item->childItem})
            EXPECT_TRUE(!link || !link->index.empty());
    }
    EXPECT_EQ(document.builderList, BuilderEntries(selector.gridB));
    EXPECT_EQ(document.builderList, (std::vector<BuilderEntry>{{"P1", "1", "20"}, {"P2", "2", "2"}}));
    EXPECT_TRUE(document.modified);
}

TEST(FilterMatches, TextsCompareExactlyNumbersByTheirLeadingNumber)
{
    struct Case {
        int op;
        const char* value;
        const char* key;
        bool matches;
    };
    const Case cases[] = {
        {0, "Cola", "Cola", true}, {0, "cola", "Cola", false}, {0, "", "", true},      {1, "Cola", "cola", true},
        {1, "x", "x", false},      {2, "5", "abc", true},      {2, "-1", "abc", false}, {2, "abc", "abc", false},
        {3, "2.5x", "3", true},    {4, "3", "3.0", true},      {5, "3.01", "3", false}, {5, "", "0", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterMatches(c.op, c.value, c.key), c.matches) << c.op << " '" << c.value << "' '" << c.key << "'";
}

TEST_F(Builder, TheFilterGivesTheSameRowsForATextAndABinaryCatalogOpenedOrJustSaved)
{
    Wall(1000, 600,
         {{.part = "P1", .category = "", .inventory = 5},
          {.part = "P2", .category = "Soft", .inventory = -2},
          {.part = "", .category = "", .inventory = 9},
          {.part = "P4", .category = "", .inventory = 3}});
    didBase& text = *document.catalog;
    const std::vector<BuilderEntry> empty = {{"P1", "", "1"}, {"P4", "", "1"}};
    const std::vector<BuilderEntry> positive = {{"P1", "5", "1"}, {"P4", "3", "1"}};
    EXPECT_EQ(FilterCatalog(text, 11, 0, ""), empty);
    EXPECT_EQ(FilterCatalog(text, 13, 2, "abc"), positive);

    TStringGrid grid;
    text.LoadIntoGrid(grid);
    didCTF2 binary;
    binary.roles = text.roles;
    ASSERT_TRUE(binary.SaveToFile(folder.File("shop.vdx"), &grid, "cm", ""));
    didCTF2 opened;
    ASSERT_TRUE(opened.Open(folder.File("shop.vdx"), nullptr));
    for (didBase* catalog : {static_cast<didBase*>(&binary), static_cast<didBase*>(&opened)}) {
        EXPECT_EQ(catalog->ProductRecordCount(), 4);
        EXPECT_EQ(catalog->columnNames, text.columnNames);
        EXPECT_EQ(FilterCatalog(*catalog, 11, 0, ""), empty);
        EXPECT_EQ(FilterCatalog(*catalog, 13, 2, "abc"), positive);
    }
}

} // namespace
