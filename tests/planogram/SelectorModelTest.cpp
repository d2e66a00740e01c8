// The selector's logic without its window: product rows, finding a part number, the builder list as
// the document's, and the fixture tab.
#include "planogram/SelectorModel.h"

#include "catalog/Didascii.h"
#include "planogram/Fixturerender.h"
#include "planogram/PlanogramDocument.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class Selector : public testing::Test, protected DocumentWithFakes {
protected:
    ScopedSettingsFolder settings;
    TemporaryFolder folder;
    ScriptedUi ui;
    SelectorModel model;
    TStringGrid products{15, 2};

    void Catalog(const std::vector<ProductRow>& rows, const std::string& units = "cm")
    {
        ASSERT_TRUE(document.NewDocument(400, 300));
        std::string text = ProductCatalogText(rows);
        if (units != "cm")
            text.replace(text.find("unit=cm"), 7, "unit=" + units);
        const std::string path = folder.File("shop.ctf");
        WriteWholeFile(path, text);
        didASCII catalog;
        ASSERT_TRUE(catalog.Open(path, &products));
        model.catalog.units = catalog.units;
        for (size_t role = 0; role < model.catalog.roleColumns.size(); ++role)
            model.catalog.roleColumns[role] = catalog.ColumnOf(static_cast<CatalogFieldRole>(role));
    }

    std::vector<std::string> BuilderGridItems()
    {
        std::vector<std::string> items;
        TStringGrid& grid = selector.gridB;
        for (int row = 1; row < grid.RowCount(); ++row)
            items.push_back(grid.Cells(0, row));
        return items;
    }

    std::vector<std::string> ListItems()
    {
        std::vector<std::string> items;
        for (const BuilderEntry& entry : document.builderList)
            items.push_back(entry.item);
        items.push_back(""); // the grid's trailing row
        return items;
    }
};

TEST_F(Selector, ProductRowsReadByRoleWithTheSelectorsInchFactor)
{
    Catalog({{"P1", 10, 20, 5, 1.5, 2}, {"20", 20, 30}}, "inch");
    const SelectorProduct product = model.ReadProduct(products, 1);
    EXPECT_EQ(product.partNumber, "P1");
    EXPECT_EQ(product.widthQ, 102); // 10 / 0.39 x 4 = 102.56
    EXPECT_EQ(product.pegXQ, 15);
    model.catalog.roleColumns[RolePegX] = -1;
    EXPECT_DOUBLE_EQ(model.ReadProduct(products, 1).pegX, 0);

    // "20" is row 2's part number and row 1's height: only the part-number column counts.
    EXPECT_EQ(model.FindProductRow(products, "20"), 2);
    EXPECT_EQ(model.FindProductRow(products, ""), std::nullopt);
    EXPECT_EQ(model.FindProductRow(products, "P9"), std::nullopt);
}

TEST_F(Selector, TheBuilderListIsTheDocumentsAndTheGridShowsIt)
{
    Catalog({{"P1"}, {"P2"}});
    const SelectorProduct first = model.ReadProduct(products, 1);
    model.AddToBuilderList(document, first, 1);
    model.AddToBuilderList(document, first, 1);
    model.AddToBuilderList(document, model.ReadProduct(products, 2), 0);
    EXPECT_EQ(model.Marks(1), 2);
    EXPECT_EQ(model.Marks(2), 0);
    EXPECT_EQ(products.Cells(1, 1), "P1"); // no mark in the catalog's cells
    EXPECT_EQ(BuilderGridItems(), ListItems());
    EXPECT_EQ(document.builderList.size(), 3u);
    EXPECT_TRUE(document.modified);

    // An empty middle row (a product list's missing product) is an entry too.
    std::vector<BuilderEntry> list = document.builderList;
    list.insert(list.begin() + 1, BuilderEntry{});
    document.SetBuilderList(list);
    document.FillBuilderGrid();
    EXPECT_FALSE(model.ClearBuilderItem(document, 0));
    EXPECT_FALSE(model.ClearBuilderItem(document, 5));
    ASSERT_TRUE(model.ClearBuilderItem(document, 2));
    ASSERT_TRUE(model.ClearBuilderItem(document, 3));
    ASSERT_TRUE(model.ClearBuilderItem(document, 1));
    EXPECT_EQ(BuilderGridItems(), ListItems());
    model.BuilderCellEdited(document, 2, 1, "4");
    EXPECT_EQ(document.builderList[0].facings, "4");
    model.ClearBuilderList(document);
    EXPECT_TRUE(document.builderList.empty());
    EXPECT_EQ(selector.gridB.RowCount(), 2);
}

TEST_F(Selector, AShownFixtureTakesExactValuesAndTheStoredDefaults)
{
    ListOB shelf;
    shelf.picture = "s";
    shelf.right = 482;
    shelf.bottom = 9;
    shelf.depth = 161;
    FixtureTab tab = model.ShowFixture(shelf, false, SettingsStore());
    EXPECT_EQ(tab.type, 0);
    EXPECT_EQ(tab.width, "120.5");
    EXPECT_EQ(tab.height, "2.25");
    EXPECT_EQ(tab.depth, "40.25");
    EXPECT_EQ(tab.pegTop, "4");
    EXPECT_EQ(tab.pegSize, "1");

    ListOB board;
    board.picture = "<pegboard><PegSize=4><VPegSpace=20><HPegSpace=20><FirstVPeg=10><FirstHPeg=10><LastVPeg=6>"
                    "<LastHPeg=6><bgcolor=255><edgestyle=1>";
    board.right = 400;
    board.bottom = 400;
    tab = model.ShowFixture(board, false, SettingsStore());
    EXPECT_EQ(tab.type, 2);
    EXPECT_EQ(tab.color, 255);
    EXPECT_EQ(tab.vSpace, "5");
    EXPECT_EQ(tab.pegTop, "2.5");
    EXPECT_EQ(tab.pegSize, "1");
    EXPECT_EQ(tab.edge, 1);

    ListOB bareBoard;
    bareBoard.picture = "<pegboard>";
    tab = model.ShowFixture(bareBoard, true, SettingsStore());
    EXPECT_EQ(tab.pegTop, "1.5");
    EXPECT_EQ(tab.hSpace, "2");
    EXPECT_EQ(tab.pegSize, "0.5");

    ListOB divider;
    divider.picture = "dv";
    EXPECT_EQ(model.ShowFixture(divider, false, SettingsStore()).type, 1);
    ListOB text;
    text.picture = "<text><value=Sale>";
    tab = model.ShowFixture(text, false, SettingsStore());
    EXPECT_EQ(tab.type, 4);
    EXPECT_EQ(tab.memo, "Sale");
}

TEST_F(Selector, AStyleChangeKeepsTheFixturesOwnSizesAndPegsAndLeavesProductsAlone)
{
    ASSERT_TRUE(document.NewDocument(800, 800));
    MakeFixture made;
    made.VPegSpace = made.HPegSpace = made.FirstVPeg = made.FirstHPeg = made.LastVPeg = made.LastHPeg = 2.25;
    made.PegSize = 0.5;
    ASSERT_TRUE(made.Make("90.5", "100.25", MakeFixture::kPegboard, "3"));
    ListOB& board = Add(made.name, Rect(0, 0, made.width, made.height), 0x3366CC, made.description);
    board.depth = made.depth;
    document.renderer.RedrawAll();
    FixtureTab tab = model.ShowFixture(board, false, SettingsStore());
    const std::string pegs = FixtureRender::GetAttribute(board.picture, "VPegSpace");
    tab.color = 0x00FF00;
    ASSERT_TRUE(model.UpdateSelectedFixture(document, tab, MakerUnits{}));
    EXPECT_EQ(board.PlacementBox(), Rect(0, 0, 362, 401));
    EXPECT_EQ(FixtureRender::GetAttribute(board.picture, "VPegSpace"), pegs);
    EXPECT_EQ(FixtureRender::GetAttribute(board.picture, "bgcolor"), std::to_string(0x00FF00));
    EXPECT_EQ(DifferenceFromFullRedraw(), 0);

    model.loading = true;
    tab.color = 0xFF0000;
    EXPECT_FALSE(model.UpdateSelectedFixture(document, tab, MakerUnits{}));
    model.loading = false;

    Add("P1", Rect(500, 0, 540, 40), 0x3366CC, "cola.bmp");
    EXPECT_FALSE(model.UpdateSelectedFixture(document, tab, MakerUnits{}));
    EXPECT_EQ(document.items->current->picture, "cola.bmp");

    document.items->current = &board;
    tab.width.clear();
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(model.UpdateSelectedFixture(document, tab, MakerUnits{}));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"You forgot to fill in the width or height"});
}

} // namespace
