// The catalog wizard's pages without their window: where each Next and Back leads, and what the
// pages leave in the Catalog Manager's grid and catalog object.
#include "catalog/CatalogManager.h"
#include "catalog/CatalogWizardPages.h"
#include "testing/RecordingSpreadsheets.h"
#include "testing/ScriptedUi.h"

#include "testing/CatalogFakes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Pages = CatalogWizardPages;

class RecordingWindows : public CatalogWizardWindows {
public:
    void ShowCatalogManager() override { calls.emplace_back("ShowCatalogManager"); }
    void CloseCatalogManager() override { calls.emplace_back("CloseCatalogManager"); }
    void HideWizard() override { calls.emplace_back("HideWizard"); }
    void CloseWizard() override { calls.emplace_back("CloseWizard"); }
    void KeepWizardOnTop() override { calls.emplace_back("KeepWizardOnTop"); }
    std::vector<std::string> calls;
};

const std::string NewCatalogQuestion =
    "Would you like to save changes to your current catalog file before starting a new catalog?";

class CatalogWizardPagesTest : public testing::Test {
protected:
    CatalogWizardPagesTest() : manager(host), pages(manager, windows) { pages.FormShow(); }

    int Role(CatalogFieldRole role) const { return manager.catalog->roles[role]; }

    ScriptedUi ui;
    NoSelectorHost host;
    CatalogManager manager;
    RecordingWindows windows;
    Pages pages;
};

struct Press {
    const char* what;
    std::function<void()> before; // the user's choices on the page
    bool back;
    int times;
    int page;
    const char* nextCaption;
    bool backEnabled;
};

TEST_F(CatalogWizardPagesTest, NextAndBackWalkThePagesAsEachPageSays)
{
    TemporaryFolder folder;
    RecordingSpreadsheets spreadsheets;
    const auto text = [](const char* value) { return Variant::FromString(value); };
    spreadsheets.sheet = {{text("Nr"), text("Part")}, {text("1"), text("P-1")}, {text("2"), text("P-2")}};
    const auto excelFile = [&] { ui.AnswerFile(FileDialogResult{folder.File("list.xls"), 1}); };
    const std::vector<Press> presses = {
        {"welcome", {}, false, 1, Pages::DoWhatPage, "&Next>", true},
        {"a new catalog", {}, false, 1, Pages::ImportPage, "&Next>", true},
        {"entered by hand", {}, false, 1, Pages::FieldsPage, "&Next>", true},
        {"an untouched field list skips the assignments", {}, false, 1, Pages::UnitsPage, "&Next>", true},
        {"back by the step taken", {}, true, 1, Pages::FieldsPage, "&Next>", true},
        {"an added field", [&] { pages.AddField("Brand"); }, false, 1, Pages::AssignmentsPage, "&Next>", true},
        {"retail price: None", [&] { pages.combos[7].selected = 0; }, false, 1, Pages::UnitsPage, "&Next>", true},
        {"inches", [&] { pages.centimetres = false; }, false, 1, Pages::AddProductsPage, "&Next>", true},
        {"with the wizard's help", [&] { pages.addProducts = Pages::AddWithWizard; }, false, 1, Pages::CellPage,
         "&Next>", true},
        {"three cells", [&] { pages.cellInfo = "P-1"; }, false, 3, Pages::CellPage, "&Next>", false},
        {"up to the last column", {}, false, 7, Pages::CellPage, "&Next>", false},
        {"the last column", [&] { pages.cellInfo = "Acme"; }, false, 1, Pages::DoNextPage, "&Finish", true},
        // Entered again, the cell page shows its cell, and Next stores it as it stands.
        {"back to the last cell", {}, true, 1, Pages::CellPage, "&Next>", true},
        {"the last column again", {}, false, 1, Pages::DoNextPage, "&Finish", true},
        {"the next product", {}, false, 1, Pages::CellPage, "&Next>", false},
        {"its columns", {}, false, 11, Pages::DoNextPage, "&Finish", true},
        {"done adding", [&] { pages.doNext = Pages::DoneAdding; }, false, 1, Pages::FinishedPage, "&Next>", true},
        {"finish", {}, false, 1, Pages::FinishedPage, "&Next>", true},
        {"a second run", [&] { manager.NewCatalog(); pages.FormShow(); }, false, 2, Pages::ImportPage, "&Next>", true},
        {"an Excel import of 0 rows",
         [&] {
             pages.importKind = Pages::ImportExcel;
             pages.maxRows = "0";
             excelFile();
             ui.AnswerMessage(MsgAnswer::OK);
         },
         false, 1, Pages::ImportPage, "&Next>", true},
        {"an Excel import of 3 rows",
         [&] {
             pages.maxRows = "3";
             pages.maxColumns = "2";
             excelFile();
         },
         false, 1, Pages::AssignmentsPage, "&Next>", true},
        {"back over the skipped field list", {}, true, 1, Pages::ImportPage, "&Next>", true},
    };
    for (const Press& press : presses) {
        if (press.before)
            press.before();
        for (int i = 0; i < press.times; ++i)
            press.back ? pages.BackPage() : pages.AdvancePage();
        EXPECT_EQ(pages.page, press.page) << press.what;
        EXPECT_EQ(pages.NextCaption(), press.nextCaption) << press.what;
        EXPECT_EQ(pages.backEnabled, press.backEnabled) << press.what;
        if (std::string(press.what) == "three cells") {
            EXPECT_EQ(pages.addInfo, "add the Width attribute information for product entry number 1");
        }
        if (std::string(press.what) == "finish") {
            // The page-4 choice and the typed products were in the catalog when it was closed.
            EXPECT_EQ(Role(RoleSalePrice), -1);
            EXPECT_EQ(Role(RoleCostPrice), 7);
            EXPECT_EQ(manager.Grid.ColCount(), 12);
            EXPECT_EQ(manager.Grid.Cells(11, 0), "Brand");
            EXPECT_EQ(manager.Grid.RowCount(), 3);
            EXPECT_EQ(manager.Grid.Cells(1, 1), "P-1");
            EXPECT_EQ(manager.Grid.Cells(11, 1), "Acme");
            EXPECT_FALSE(manager.Centimetres());
            EXPECT_TRUE(manager.modified);
            EXPECT_EQ(windows.calls, (std::vector<std::string>{"ShowCatalogManager", "KeepWizardOnTop", "HideWizard",
                                                                "CloseCatalogManager", "CloseWizard"}));
        }
    }
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Invalid Row Amount"});
    EXPECT_EQ(pages.fields, (std::vector<std::string>{"Record Nr.", "Nr", "Part"}));
    EXPECT_EQ(manager.Grid.Cells(2, 2), "P-2");
    EXPECT_TRUE(manager.modified);
    EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST_F(CatalogWizardPagesTest, TheCombosGiveTheRolesTheirColumnsAndNoneLeavesARoleAbsent)
{
    struct Case {
        std::vector<std::string> fields;
        int retailEntry;
        int retailColumn;
        int pegYColumn;
    };
    const std::vector<Case> cases = {
        {Pages::DefaultFields(), 0, -1, 10},
        {Pages::DefaultFields(), 9, 8, 10},
        {Pages::DefaultFields(), 4, 3, 10},
        // Preselections beyond a short list stay unchosen, and the new catalog's roles stand.
        {{"Nr", "Part", "Text", "Picture", "Width", "Height"}, -1, 8, 10},
    };
    for (const Case& c : cases) {
        manager.NewCatalog();
        pages.fields = c.fields;
        pages.FillFieldCombos();
        if (c.retailEntry >= 0)
            pages.combos[7].selected = c.retailEntry;
        EXPECT_EQ(pages.combos[7].selected, c.retailEntry < 0 ? -1 : c.retailEntry);
        pages.ApplyToCatalogManager();
        EXPECT_EQ(Role(RoleSalePrice), c.retailColumn);
        EXPECT_EQ(Role(RolePegY), c.pegYColumn);
        EXPECT_EQ(Role(RoleHeight), 5);
        EXPECT_EQ(manager.Grid.ColCount(), static_cast<int>(c.fields.size()));
        EXPECT_EQ(manager.Grid.Col(), 1);
    }
    EXPECT_EQ(pages.combos[0].items.front(), "Nr");
    EXPECT_EQ(pages.combos[1].items.front(), "None");
}

TEST_F(CatalogWizardPagesTest, ContinuingAnExistingCatalogOpensItOnItsLastRowAndClosesTheWizard)
{
    const std::string sample = std::string(KESTRAME_TEST_DATA) + "/../../examples/Catalogs/Sample.ctf";
    pages.page = Pages::DoWhatPage;
    pages.doWhat = Pages::ContinueExisting;
    ui.AnswerFile(std::nullopt);
    pages.AdvancePage();
    EXPECT_EQ(pages.page, Pages::DoWhatPage);
    EXPECT_TRUE(windows.calls.empty());

    ui.AnswerFile(FileDialogResult{sample, 1});
    pages.AdvancePage();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog).back().fileOptions.filter,
              "Kestrame Catalog File (*.ctf) (*.did)|*.did;*.ctf|All file types|*.*");
    EXPECT_EQ(manager.fileName, sample);
    EXPECT_GT(manager.Grid.RowCount(), 2);
    EXPECT_EQ(manager.Grid.Row(), manager.Grid.RowCount() - 1);
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"ShowCatalogManager", "CloseWizard"}));
}

TEST_F(CatalogWizardPagesTest, ASecondRunAsksBeforeDiscardingUnsavedEditsAndCancelKeepsThem)
{
    manager.Grid.SetCells(1, 1, "Kept");
    manager.modified = true;
    pages.page = Pages::ImportPage;
    ui.AnswerMessage(MsgAnswer::Cancel);
    pages.AdvancePage();
    EXPECT_EQ(pages.page, Pages::ImportPage);
    EXPECT_EQ(manager.Grid.Cells(1, 1), "Kept");
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, NewCatalogQuestion);
    EXPECT_EQ(ui.Calls()[0].buttons, MsgButtons::YesNoCancel);

    // The same on the page that starts the products.
    pages.page = Pages::AddProductsPage;
    ui.AnswerMessage(MsgAnswer::Cancel);
    pages.AdvancePage();
    EXPECT_EQ(pages.page, Pages::AddProductsPage);
    EXPECT_EQ(manager.Grid.Cells(1, 1), "Kept");
    EXPECT_TRUE(windows.calls.empty());
}

} // namespace
