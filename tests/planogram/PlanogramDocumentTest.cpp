#include "planogram/PlanogramDocument.h"

#include "ado/Adocomps.h"
#include "platform/settings/SettingsStore.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "OdbcTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

class Document : public testing::Test, protected DocumentWithFakes {
protected:
    ScriptedUi ui;

    void ExpectOneMessage(const std::string& text, const std::string& caption, MsgIcon icon)
    {
        const auto boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, caption);
        EXPECT_EQ(boxes[0].icon, icon);
    }

    // A wall of the size with peg holes every 20 units from 20 on.
    void PegWall(int width, int height)
    {
        document.pegHolesShown = true;
        document.pegHoleSize = 4;
        document.pegFirstX = document.pegFirstY = 20;
        document.pegLastX = width - 10;
        document.pegLastY = height - 10;
        document.pegPitchH = document.pegPitchV = 20;
        ASSERT_TRUE(document.NewDocument(width, height));
    }
};

constexpr const char* UnknownKind = "Could not determine catalog file type. Check to make sure your catalog file has a "
                                    "valid file extension of DID, CTF or DDL";

} // namespace

TEST_F(Document, CancelledSetupEndsQuietly)
{
    EXPECT_FALSE(document.NewDocument(0, 0));
    EXPECT_FALSE(setup.hideCatalogs);
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_TRUE(catalogs.asked.empty());
    EXPECT_EQ(document.catalog, nullptr);
}

TEST_F(Document, SetupAppliesValuesAndStoresTheCatalog)
{
    DocumentSetupValues values;
    values.catalogFile = "/elsewhere/shop.VDX";
    values.SelectWallBG = 2;
    setup.answer = values;
    ASSERT_TRUE(document.NewDocument(0, 0));
    EXPECT_EQ(finder.written, std::vector<std::string>{"/elsewhere/shop.VDX"});
    EXPECT_EQ(catalogs.asked, std::vector<std::string>{".vdx"});
    EXPECT_EQ(Catalog().fileName, "/elsewhere/shop.VDX");
    EXPECT_EQ(document.displayWidth, 400);
    EXPECT_EQ(document.displayHeight, 756);
    EXPECT_TRUE(document.pegHolesShown);
    EXPECT_EQ(document.backBitmap.Width(), 400);
    EXPECT_EQ(document.backBitmap.Height(), 756);
}

TEST_F(Document, SetupErrorsAreShownAndNothingIsMade)
{
    DocumentSetupValues values;
    values.RadioGroupW = 3;
    values.txtWidth = "30abc";
    values.catalogFile = "/c/a.ctf";
    setup.answer = values;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_EQ(document.ValidateDisplaySize(), 0);
    ExpectOneMessage("Invalid width value. Min Value 30cm, Max value 3000cm", "Alert", MsgIcon::Warning);
    ui.ClearCalls();
    values.RadioGroupW = 0;
    values.catalogFile.clear();
    setup.answer = values;
    // Without a catalog nothing is applied, so no document is made either.
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(document.NewDocument(0, 0));
    ExpectOneMessage("No catalog was selected.", "Catalog", MsgIcon::Stop);
    EXPECT_TRUE(finder.written.empty());
    EXPECT_EQ(document.displayWidth, 0);
}

TEST_F(Document, InchesFollowTheMainWindow)
{
    mainWindow.inches = true;
    DocumentSetupValues values;
    values.RadioGroupW = values.RadioGroupH = 3;
    values.txtWidth = "100";
    values.txtHeight = "39.4";
    values.catalogFile = "/c/a.ctf";
    setup.answer = values;
    ASSERT_TRUE(document.NewDocument(0, 0));
    EXPECT_EQ(document.displayWidth, 1015);
    EXPECT_EQ(document.displayHeight, 399);
    EXPECT_EQ(mainWindow.scale, 8);
    EXPECT_EQ(Catalog().displayScale, 8);
}

TEST_F(Document, CatalogKindByExtension)
{
    const std::pair<const char*, const char*> kinds[] = {
        {"/c/a.vdx", ".vdx"}, {"/c/a.VDX", ".vdx"}, {"/c/b.ctf", ".ctf"}};
    for (const auto& [path, kind] : kinds) {
        finder.current = path;
        catalogs.asked.clear();
        ASSERT_TRUE(document.NewDocument(100, 100)) << path;
        EXPECT_EQ(catalogs.asked, std::vector<std::string>{kind});
        EXPECT_EQ(Catalog().fileName, path);
    }
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(Document, UnknownOrEmptyCatalogKindIsRefused)
{
    for (const char* path : {"/c/a.did", "/catalogs/", ""}) {
        ui.ClearCalls();
        finder.current = path;
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(document.NewDocument(100, 100));
        ExpectOneMessage(UnknownKind, "New Document", MsgIcon::Stop);
        EXPECT_EQ(document.catalog, nullptr);
    }
    EXPECT_TRUE(catalogs.asked.empty());
}

TEST_F(Document, DataLinkCatalogOpensThroughTheDocumentsComponents)
{
    ScopedSettingsFolder settings;
    TestDatabase database(Server::SQLite);
    const std::string written = database.Folder().File("written");
    database.Client("CREATE TABLE Goods(code TEXT, name TEXT, width REAL, height REAL);"
                    "INSERT INTO Goods VALUES('G1', 'Box', 10, 5); INSERT INTO Goods VALUES('G2', 'Tin', 4, 4);");
    didADOData link;
    link.roles[RolePartNumber] = 0;
    link.roles[RoleDescription] = 1;
    link.roles[RoleWidth] = 2;
    link.roles[RoleHeight] = 3;
    link.connectionString =
        "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"" + database.ConnectionString() + "\"";
    link.tableName = "Goods";
    finder.current = database.Folder().File("goods.DDL");
    ASSERT_TRUE(link.SaveToFile(finder.current, nullptr, "cm", ""));

    ASSERT_TRUE(document.NewDocument(100, 100));
    EXPECT_TRUE(catalogs.asked.empty());
    EXPECT_EQ(document.dADOConnection1->Mode(), ad_ModeRead);
    EXPECT_EQ(document.dADODataset1->CommandText(), "SELECT * FROM Goods");
    EXPECT_EQ(document.catalog->recordCount, 2);
    ASSERT_TRUE(document.catalog->FindByKey("G1"));
    EXPECT_EQ(mainWindow.catalogBarUpdates, 1);
    ASSERT_TRUE(document.AddCatalogItem(0, 0));
    EXPECT_EQ(document.items->current->right - document.items->current->left, 40);

    // Another kind of catalog disconnects the document's database.
    finder.current = "/c/a.ctf";
    ASSERT_TRUE(document.NewDocument(100, 100));
    EXPECT_FALSE(document.dADODataset1->Active());
    EXPECT_FALSE(document.dADOConnection1->Connected());
    EXPECT_TRUE(ui.Calls().empty());

    // A database with a view that has the SQLite driver write a file opens nothing and writes nothing.
    database.Client("CREATE VIEW Exporting AS SELECT * FROM Goods WHERE blob_export(x'41', '" + written + "') > -1");
    link.tableName = "Exporting";
    finder.current = database.Folder().File("exporting.DDL");
    ASSERT_TRUE(link.SaveToFile(finder.current, nullptr, "cm", ""));
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(document.NewDocument(100, 100));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"Could not connect to your database.\nThis database's own definitions call the "
                                        "functions that write and read other files (blob_export, blob_import), so the "
                                        "database is not opened.",
                                        "Could not open catalog file"}));
    EXPECT_FALSE(FileExists(written));
}

TEST_F(Document, CatalogThatWillNotOpen)
{
    catalogs.opens = false;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(document.NewDocument(100, 100));
    ExpectOneMessage("Could not open catalog file", "Catalog Manager", MsgIcon::None);
    EXPECT_EQ(document.catalog, nullptr);
    EXPECT_EQ(document.items, nullptr);
}

TEST_F(Document, StoredSizesAreChecked)
{
    const std::pair<int, int> bad[] = {{0, 100}, {100, 0}, {-4, 100}, {12184, 100}, {100, 12184}};
    for (const auto& [width, height] : bad) {
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(document.NewDocument(width, height));
        ExpectOneMessage("The display size of this planogram is not valid. Width and height must be above 0 and at "
                         "most 1200 inches.",
                         "New Document", MsgIcon::Stop);
    }
    EXPECT_TRUE(catalogs.asked.empty());
    ui.ClearCalls();
    ASSERT_TRUE(document.NewDocument(12183, 8));
    EXPECT_EQ(document.backBitmap.Width(), 12183);
}

TEST_F(Document, NewDocumentSetsTheWallUp)
{
    mainWindow.checks.itemNumber = true;
    mainWindow.checks.placementBoxes = true;
    mainWindow.checks.transparency = false;
    PlanogramDocument fresh(document.services);
    EXPECT_TRUE(fresh.graphics.tagItemNr);
    EXPECT_FALSE(fresh.graphics.tagPartNr);
    EXPECT_TRUE(fresh.graphics.viewMode);
    EXPECT_FALSE(fresh.graphics.transparencySetting);

    document.addAlign = 2;
    document.wrapDirection = 1;
    document.zoom.SetFactor(3);
    ASSERT_TRUE(document.NewDocument(300, 200));
    EXPECT_EQ(selector.hides, 1);
    EXPECT_TRUE(selector.visible);
    EXPECT_EQ(selector.imagesShown, 1);
    EXPECT_EQ(mainWindow.activations, 1);
    EXPECT_EQ(mainWindow.loadingClosed, 1);
    EXPECT_EQ(mainWindow.scale, 4);
    EXPECT_EQ(Catalog().unitsMode, 1);
    EXPECT_EQ(Catalog().displayScale, 4);
    EXPECT_EQ(Catalog().firsts, 1);
    EXPECT_DOUBLE_EQ(document.zoom.factor, 1);
    EXPECT_TRUE(view.shown);
    ASSERT_NE(document.items, nullptr);
    EXPECT_EQ(document.items->Count(), 0);
    EXPECT_EQ(document.graphics.displayHeight, 200);
    EXPECT_EQ(document.xRuler.Width(), 300);
    EXPECT_EQ(document.yRuler.Height(), 200);
    // Placement settings the opener copied from the file stay.
    EXPECT_EQ(document.addAlign, 2);
    EXPECT_EQ(document.wrapDirection, 1);
}

TEST_F(Document, FitItemsToDisplayMovesOutsideItemsDiagonally)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    Add("out1", Rect(200, 10, 230, 40));
    Add("inside", Rect(90, 90, 120, 120));
    Add("out2", Rect(-50, -50, -40, -20));
    Add("out3", Rect(0, 100, 7, 109));
    EXPECT_TRUE(document.FitItemsToDisplay(1));
    const ListOB* item = document.items->head;
    EXPECT_EQ(item->PlacementBox(), Rect(0, 0, 30, 30));
    item = item->next;
    EXPECT_EQ(item->PlacementBox(), Rect(90, 90, 120, 120));
    item = item->next;
    EXPECT_EQ(item->PlacementBox(), Rect(5, 5, 15, 35));
    item = item->next;
    EXPECT_EQ(item->PlacementBox(), Rect(10, 10, 17, 19));
    EXPECT_FALSE(document.FitItemsToDisplay(1));
}

TEST_F(Document, FitItemsToDisplayDeletesOutsideItems)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    Add("out-head", Rect(200, 0, 210, 10));
    Add("out-next", Rect(300, 0, 310, 10));
    Add("inside", Rect(10, 10, 20, 20));
    Add("out-tail", Rect(0, -30, 10, -10));
    EXPECT_TRUE(document.FitItemsToDisplay(2));
    ASSERT_EQ(document.items->Count(), 1);
    EXPECT_EQ(document.items->head->index, "inside");
    // Lowered by the removed items, but never below a number still in use.
    EXPECT_EQ(document.itemCounter, 3);
    EXPECT_EQ(document.items->current, nullptr);
}

TEST_F(Document, RemovalDissolvesTheGroupAndDropsTheUndo)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    ListOB& head = Add("head", Rect(0, 0, 10, 10));
    ListOB& first = Add("first", Rect(10, 0, 20, 10));
    ListOB& second = Add("second", Rect(20, 0, 30, 10));
    ListOB& loner = Add("loner", Rect(40, 0, 50, 10));
    head.childItem = &first;
    first.groupItem = &head;
    first.childItem = &second;
    second.groupItem = &head;
    document.undo.Take(&second, 1);
    document.selectedBox = &first;
    document.copyItem = head;
    document.items->current = &loner;

    document.RemoveItem(&first);
    EXPECT_FALSE(document.undo.valid);
    EXPECT_EQ(document.items->Count(), 3);
    for (const ListOB* item = document.items->head; item; item = item->next) {
        EXPECT_EQ(item->groupItem, nullptr) << item->index;
        EXPECT_EQ(item->childItem, nullptr) << item->index;
    }
    EXPECT_EQ(document.selectedBox, nullptr);
    EXPECT_EQ(document.copyItem->childItem, nullptr);
    EXPECT_EQ(document.items->current, &loner);

    // An undo of an ungrouped item survives the removal of another.
    document.undo.Take(&loner, 1);
    document.RemoveItem(&second);
    EXPECT_TRUE(document.undo.valid);
}

TEST_F(Document, ClearAllEmptiesListCounterAndWall)
{
    document.backgroundColor = 0x00FF00;
    ASSERT_TRUE(document.NewDocument(60, 40));
    Add("a", Rect(0, 0, 30, 30));
    Add("b", Rect(10, 10, 50, 30));
    document.renderer.RedrawAll();
    document.undo.Take(document.items->head, 1);
    document.selectionRect = Rect(0, 0, 30, 30);
    document.focusRect = Rect(1, 1, 2, 2);
    document.placeDirection = 0;
    document.ClearAll();
    EXPECT_EQ(document.items->Count(), 0);
    EXPECT_EQ(document.itemCounter, 0);
    EXPECT_FALSE(document.undo.valid);
    EXPECT_TRUE(document.selectionRect.IsEmpty());
    EXPECT_TRUE(document.focusRect.IsEmpty());
    EXPECT_EQ(document.placeDirection, 1);
    for (int y = 0; y < 40; y += 3)
        for (int x = 0; x < 60; x += 3)
            ASSERT_EQ(document.backBitmap.Pixel(x, y), 0x00FF00u) << x << "," << y;
}

TEST_F(Document, BuilderGridHasTitlesEntriesAndOneEmptyRow)
{
    selector.gridB.SetRowCount(6);
    selector.gridB.SetCells(0, 5, "stale");
    selector.gridB.SetCells(2, 1, "stale");
    document.builderList = {{"4711", "1", "3"}, {"0815", "2", "1"}};
    document.FillBuilderGrid();
    const TStringGrid& grid = selector.gridB;
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 1), "4711");
    EXPECT_EQ(grid.Cells(1, 1), "1");
    EXPECT_EQ(grid.Cells(2, 1), "3");
    EXPECT_EQ(grid.Cells(0, 2), "0815");
    EXPECT_EQ(grid.Cells(2, 2), "1");
    EXPECT_EQ(grid.Cells(0, 3), "");
    document.builderList.clear();
    document.FillBuilderGrid();
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(0, 1), "");
}

TEST_F(Document, LayoutGridListsItemsInDrawOrder)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    selector.gridL.SetRowCount(9);
    selector.gridL.SetCells(1, 8, "stale");
    Add("cola", Rect(0, 0, 5, 5)).itemNo = 7;
    Add("<shelf>", Rect(0, 0, 5, 5)).itemNo = 12;
    document.FillLayoutGrid();
    const TStringGrid& grid = selector.gridL;
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 1), "7");
    EXPECT_EQ(grid.Cells(1, 1), "cola");
    EXPECT_EQ(grid.Cells(0, 2), "12");
    EXPECT_EQ(grid.Cells(1, 2), "<shelf>");
    EXPECT_EQ(grid.Cells(1, 3), "");
}

TEST_F(Document, PegHoleListMatchesTheWall)
{
    PegWall(100, 70);
    // Columns 20, 40, 60, 80 (before 90); rows 20, 40 (before 60).
    ASSERT_EQ(document.pegHoles.Count(), 8);
    EXPECT_EQ(document.pegHoles.At(0), Point(20, 20));
    EXPECT_EQ(document.pegHoles.At(3), Point(80, 20));
    EXPECT_EQ(document.pegHoles.At(4), Point(20, 40));
    document.pegPitchH = -7;
    document.BuildPegHoleList();
    EXPECT_EQ(document.pegHoles.Columns().count, 70);
}

TEST_F(Document, SnapMovesTheHookToTheNearestColumnAndRow)
{
    PegWall(100, 100);
    Catalog().pegXQ = 11;
    Catalog().pegYQ = 6;
    ListOB& item = Add("peg", Rect(20, 35, 40, 65));
    // Hook at (31, 41): column 40 is nearer than 20 (9 < 11), row 40.
    document.SnapToPegHole();
    EXPECT_EQ(item.PlacementBox(), Rect(29, 34, 49, 64));
    EXPECT_EQ(document.focusRect, item.PlacementBox());
    // Hook at (30, 50): both ties keep the earlier hole, 20 and 40.
    item.left = 19, item.right = 39, item.top = 44, item.bottom = 74;
    document.SnapToPegHole();
    EXPECT_EQ(item.PlacementBox(), Rect(9, 34, 29, 64));
}

TEST_F(Document, SnapLeavesTheItemWithoutHolesOrPegOffsets)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    Catalog().pegXQ = 3;
    Catalog().pegYQ = 3;
    ListOB& item = Add("peg", Rect(20, 35, 40, 65));
    document.SnapToPegHole();
    EXPECT_EQ(item.PlacementBox(), Rect(20, 35, 40, 65));

    document.pegHoleSize = 2;
    document.pegFirstX = document.pegFirstY = 1;
    document.pegLastX = document.pegLastY = 90;
    document.pegPitchH = document.pegPitchV = 10;
    document.BuildPegHoleList();
    Catalog().pegYQ = 0;
    document.SnapToPegHole();
    EXPECT_EQ(item.PlacementBox(), Rect(20, 35, 40, 65));
    Catalog().pegYQ = 3;
    // Hook at (23, 38): column 21, row 41.
    document.SnapToPegHole();
    EXPECT_EQ(item.PlacementBox(), Rect(18, 38, 38, 68));
}

TEST_F(Document, ZoomAndFitToWindow)
{
    ASSERT_TRUE(document.NewDocument(400, 200));
    document.SetZoom(0);
    EXPECT_DOUBLE_EQ(document.zoom.factor, 0.05);
    EXPECT_EQ(document.xRuler.Width(), 20);
    EXPECT_EQ(document.yRuler.Height(), 10);
    view.geometry.clientWidth = 800;
    view.geometry.clientHeight = 200;
    document.FitToWindow();
    EXPECT_DOUBLE_EQ(document.zoom.factor, 1);
    view.geometry.clientHeight = 1000;
    document.FitToWindow();
    EXPECT_DOUBLE_EQ(document.zoom.factor, 2);
    EXPECT_EQ(document.xRuler.Width(), 800);
    EXPECT_EQ(document.yRuler.Height(), 400);
    view.geometry.scrollX = 5;
    EXPECT_EQ(document.WindowRectOf(Rect(1, 2, 3, 4)), Rect(2 + 12 - 5, 4 + 12, 6 + 18 - 5, 8 + 18));
}

TEST_F(Document, SelectionFrameInvalidatesOldAndNewAreas)
{
    ASSERT_TRUE(document.NewDocument(100, 100));
    view.invalidated.clear();
    document.DrawSelection(Rect(10, 10, 20, 20));
    document.DrawSelection(Rect(50, 50, 60, 60));
    document.DrawSelection(TRect{});
    const std::vector<TRect> expected = {
        document.WindowRectOf(Rect(10, 10, 20, 20)), document.WindowRectOf(Rect(10, 10, 20, 20)),
        document.WindowRectOf(Rect(50, 50, 60, 60)), document.WindowRectOf(Rect(50, 50, 60, 60))};
    EXPECT_EQ(view.invalidated, expected);
    EXPECT_TRUE(document.selectionRect.IsEmpty());
}

TEST_F(Document, ChangesMarkTheDocumentModifiedButViewingDoesNot)
{
    DocumentSetupValues values;
    values.catalogFile = "/c/a.ctf";
    setup.answer = values;
    ASSERT_TRUE(document.NewDocument(0, 0));
    EXPECT_FALSE(document.modified);
    ListOB& inside = Add("in", Rect(10, 10, 30, 30));
    document.SetZoom(2);
    document.FitToWindow();
    document.DrawSelection(inside.PlacementBox());
    document.renderer.RedrawAll();
    EXPECT_FALSE(document.modified);
    EXPECT_FALSE(document.FitItemsToDisplay(1));
    EXPECT_FALSE(document.modified);
    document.SetBuilderList({});
    document.SetPlacementSettings(0, 0);
    EXPECT_FALSE(document.modified);

    const auto marks = [this](const std::function<void()>& change) {
        document.modified = false;
        change();
        return document.modified;
    };
    EXPECT_TRUE(marks([&] { document.SetBuilderList({{"4711", "1", "2"}}); }));
    EXPECT_FALSE(marks([&] { document.SetBuilderList({{"4711", "1", "2"}}); }));
    EXPECT_TRUE(marks([&] { document.SetPlacementSettings(0, 2); }));
    EXPECT_FALSE(marks([&] { document.SetPlacementSettings(0, 2); }));
    EXPECT_TRUE(marks([&] {
        Add("out", Rect(500, 500, 520, 520));
        document.FitItemsToDisplay(1);
    }));
    EXPECT_TRUE(marks([&] { document.RemoveItem(&inside); }));
    EXPECT_TRUE(marks([&] { document.ClearAll(); }));
    EXPECT_FALSE(marks([&] { document.ClearAll(); }));
    EXPECT_TRUE(marks([&] { EXPECT_EQ(document.ValidateDisplaySize(), 1); }));
    setup.answer.reset();
    EXPECT_FALSE(marks([&] { EXPECT_EQ(document.ValidateDisplaySize(), 0); }));
}

TEST_F(Document, SnappingMarksModifiedOnlyWhenTheItemMoves)
{
    PegWall(100, 100);
    Catalog().pegXQ = 10;
    Catalog().pegYQ = 10;
    ListOB& item = Add("peg", Rect(10, 10, 30, 30));
    // Hook at (20, 20) already sits on a hole.
    document.SnapToPegHole();
    EXPECT_FALSE(document.modified);
    item.left = 13, item.right = 33;
    document.SnapToPegHole();
    EXPECT_EQ(item.left, 10);
    EXPECT_TRUE(document.modified);
}

TEST_F(Document, ShowSettingsComeFromTheStoreAndTheMainWindow)
{
    ScopedSettingsFolder folder;
    const SettingsStore store;
    mainWindow.font.Name = "Courier New";
    document.addAlign = 2;
    document.wrapDirection = 1;
    document.TakeShowSettings(store);
    EXPECT_EQ(document.graphics.tagFont.Name, "Courier New");
    EXPECT_EQ(document.graphics.tagColor, clWhite);
    EXPECT_EQ(document.addAlign, 0);
    EXPECT_EQ(document.wrapDirection, 0);
    EXPECT_TRUE(document.showDateTimeStamp);
    EXPECT_TRUE(document.showDataLoadingDialog);
    EXPECT_FALSE(document.alignToPeg);
    EXPECT_DOUBLE_EQ(document.pegDepth, 13);
    EXPECT_EQ(document.pegDepthUnits, 52);

    store.WriteString("Options", "ShowDateTimeStamp", "0");
    store.WriteString("Options", "AlignToPeg", "1");
    store.WriteString("Options", "cmPegDepth", "2.5");
    store.WriteString("Options", "InchPegDepth", "10");
    document.TakeShowSettings(store);
    EXPECT_FALSE(document.showDateTimeStamp);
    EXPECT_TRUE(document.alignToPeg);
    EXPECT_EQ(document.pegDepthUnits, 10);
    // Inches take the document's factor 1/0.394: 10 x 2.538 x 4 = 101.5, truncated.
    document.unitsInches = true;
    document.TakeShowSettings(store);
    EXPECT_DOUBLE_EQ(document.pegDepth, 10);
    EXPECT_EQ(document.pegDepthUnits, 101);
    store.DeleteValue("Options", "InchPegDepth");
    document.TakeShowSettings(store);
    EXPECT_DOUBLE_EQ(document.pegDepth, 5.122);
    EXPECT_EQ(document.pegDepthUnits, 52);
    // A number no hook can have stays within the integers.
    store.WriteString("Options", "InchPegDepth", "1e300");
    document.TakeShowSettings(store);
    EXPECT_EQ(document.pegDepthUnits, INT_MAX);
}
