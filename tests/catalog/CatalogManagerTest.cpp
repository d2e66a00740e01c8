// The catalog editor's model: which kind opens a file, what Save writes and refuses, and that no
// failure loses the catalog being edited.
#include "catalog/CatalogManager.h"
#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "catalog/Zyb.h"
#include "imageformats/FileFormatList.h"
#include "platform/core/FilePaths.h"
#include "platform/core/StringList.h"
#include "platform/graphics/Picture.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What the Catalog Manager did with the picture editors it made.
struct EditorLog {
    std::string opened;
    bool openSucceeds = true;
    CatalogManager* linkCatalog = nullptr;
    int linkColumn = -1;
    std::string linkPartNumber;
    EditorProduct product;
    bool capture = false;
    int shown = 0;
    int destroyed = 0;
};

class FakeEditor : public CatalogPictureEditor {
public:
    explicit FakeEditor(EditorLog& log) : log_(log) {}
    ~FakeEditor() override { ++log_.destroyed; }
    bool OpenPicture(const std::string& path) override
    {
        log_.opened = path;
        return log_.openSucceeds;
    }
    bool ScanPicture() override { return false; }
    void SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber) override
    {
        log_.linkCatalog = &catalog;
        log_.linkColumn = column;
        log_.linkPartNumber = partNumber;
    }
    void SetProduct(const EditorProduct& product) override { log_.product = product; }
    void SetCatalogCapture(bool capture) override { log_.capture = capture; }
    void ShowModal() override { ++log_.shown; }

private:
    EditorLog& log_;
};

class FakeHost : public CatalogManagerHost {
public:
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override
    {
        ++editorsMade;
        return std::make_unique<FakeEditor>(editor);
    }
    EditorLog editor;
    int editorsMade = 0;

    int DisplayScale() const override { return 3; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return &selector; }
    bool SelectorVisible() const override { return visible; }
    void HideSelector() override { shown.push_back(false); }
    void ShowSelector() override { shown.push_back(true); }

    TStringGrid selector;
    bool visible = false;
    std::vector<bool> shown;
};

// Gives the real kinds and records which were asked for.
// Answers the options dialog as the test scripts it.
class ScriptedOptions : public CatalogOptionsDialog {
public:
    std::optional<RoleEntries> Show(bool firstPage) override
    {
        pages.push_back(firstPage);
        return answer;
    }
    std::optional<RoleEntries> answer;
    std::vector<bool> pages;
};

struct RecordingMaker {
    std::vector<std::string>* asked;
    std::unique_ptr<didBase> operator()(std::string_view extension) const
    {
        asked->emplace_back(extension);
        return NewCatalogOfKind(extension);
    }
};

std::vector<std::string> Row(const TStringGrid& grid, int row)
{
    std::vector<std::string> cells;
    for (int col = 0; col < grid.ColCount(); ++col)
        cells.push_back(grid.Cells(col, row));
    return cells;
}

class CatalogManagerTest : public testing::Test {
protected:
    CatalogManagerTest() : manager(host, RecordingMaker{&asked}) { manager.NewCatalog(); }

    void FillProducts()
    {
        manager.Grid.SetRowCount(3);
        manager.Grid.SetCells(1, 1, "P-1");
        manager.Grid.SetCells(2, 1, "Soap");
        manager.Grid.SetCells(4, 1, "100");
        manager.Grid.SetCells(5, 1, "20");
        manager.Grid.SetCells(6, 1, "10");
        manager.Grid.SetCells(1, 2, "P-2");
        manager.Grid.SetCells(2, 2, " abc ");
        manager.Grid.SetCells(3, 2, "ABC");
    }

    // Save through the dialog, with the user's choice of name and entry.
    bool SaveAs(const std::string& name, int entry = CatalogManager::TextEntry)
    {
        ui.AnswerFile(FileDialogResult{folder.File(name), entry});
        return manager.SaveAs();
    }

    ScriptedUi ui;
    TemporaryFolder folder;
    FakeHost host;
    std::vector<std::string> asked;
    CatalogManager manager;
};

TEST_F(CatalogManagerTest, OpensByTheKindOfTheExtensionAndFallsBackToTheDataLink)
{
    FillProducts();
    ASSERT_TRUE(SaveAs("shop.Ctf"));
    manager.NewCatalog();
    asked.clear();
    ASSERT_TRUE(manager.OpenCatalog(folder.File("shop.Ctf")));
    EXPECT_EQ(asked, std::vector<std::string>{".ctf"});
    EXPECT_EQ(manager.Grid.Cells(2, 1), "Soap");
    EXPECT_EQ(manager.catalog->displayScale, 3);
    EXPECT_FALSE(manager.modified);

    // A text catalog named as binary: tried as binary, then as data link, and the catalog open
    // before stays as it was.
    WriteWholeFile(folder.File("text.vdx"), ReadWholeFile(folder.File("shop.Ctf")));
    WriteWholeFile(folder.File("list.txt"), "x\r\n");
    didBase* before = manager.catalog.get();
    for (const auto& [name, kinds] :
         {std::pair<std::string, std::vector<std::string>>{"text.vdx", {".vdx", ".ddl"}}, {"list.txt", {".ddl"}}}) {
        SCOPED_TRACE(name);
        asked.clear();
        if (name == "text.vdx")
            ui.AnswerMessage(MsgAnswer::OK); // the binary kind's own refusal
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_FALSE(manager.OpenCatalog(folder.File(name)));
        EXPECT_EQ(asked, kinds);
        EXPECT_EQ(ui.MessageTexts().back(), "Could not open catalog file");
        EXPECT_EQ(ui.Calls().back().caption, "Catalog Manager");
        EXPECT_EQ(manager.catalog.get(), before);
        EXPECT_EQ(manager.fileName, folder.File("shop.Ctf"));
        EXPECT_EQ(manager.Grid.Cells(1, 1), "P-1");
    }
}

TEST_F(CatalogManagerTest, SaveWritesTheObjectsOwnBytesAndTheBinaryEntryForBinaryCatalogs)
{
    FillProducts();
    ASSERT_TRUE(SaveAs("shop.ctf"));
    EXPECT_EQ(manager.fileName, folder.File("shop.ctf"));
    EXPECT_FALSE(manager.modified);
    didASCII oracle;
    ASSERT_TRUE(oracle.SaveToFile(folder.File("oracle.ctf"), &manager.Grid, "cm", ""));
    EXPECT_EQ(ReadWholeFile(folder.File("shop.ctf")), ReadWholeFile(folder.File("oracle.ctf")));

    // A binary catalog saves through entry 1, and the file opens back to the same grid.
    didCTF2 binary;
    ASSERT_TRUE(binary.SaveToFile(folder.File("shop.vdx"), &manager.Grid, "cm", ""));
    manager.NewCatalog();
    ASSERT_TRUE(manager.OpenCatalog(folder.File("shop.vdx")));
    ASSERT_TRUE(SaveAs("copy", 1));
    EXPECT_EQ(manager.fileName, folder.File("copy.vdx"));
    TStringGrid reread;
    didCTF2 reader;
    ASSERT_TRUE(reader.Open(folder.File("copy.vdx"), &reread));
    for (int row = 0; row < manager.Grid.RowCount(); ++row)
        EXPECT_EQ(Row(reread, row), Row(manager.Grid, row));
}

TEST_F(CatalogManagerTest, RefusedSavesWriteNothingAndKeepNameAndEntry)
{
    FillProducts();
    manager.modified = true;
    const char* const version4 =
        "This format is still under development and will be avaiable in version 4. Please select another "
        "file format. ";
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(SaveAs("shop.vdx", 1));
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(SaveAs("shop.vdx", 2));
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(manager.SaveCatalog());
    ASSERT_EQ(ui.MessageTexts().size(), 2u);
    EXPECT_EQ(ui.MessageTexts()[0], version4);
    EXPECT_EQ(ui.Calls()[1].caption, "Kestrame");
    EXPECT_EQ(ui.MessageTexts()[1], "This catalog can only be saved as a .ctf file. Please select that file format.");
    EXPECT_EQ(ui.Calls()[3].caption, "Kestrame Catalog Manager");
    EXPECT_EQ(ui.Calls()[3].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(FileExists(folder.File("shop.vdx")));
    EXPECT_TRUE(manager.fileName.empty());
    EXPECT_EQ(manager.saveEntry, CatalogManager::TextEntry);
    EXPECT_TRUE(manager.modified);

    // The next Save asks again, and a name without extension takes the entry's.
    ui.AnswerFile(FileDialogResult{folder.File("shop"), 2});
    EXPECT_TRUE(manager.SaveCatalog());
    EXPECT_TRUE(FileExists(folder.File("shop.ctf")));
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).back().fileOptions.filterIndex, 2);
}

TEST_F(CatalogManagerTest, AFailedWriteKeepsTheEditsTheOldFileAndTheWindow)
{
    FillProducts();
    didCTF2 binary;
    ASSERT_TRUE(binary.SaveToFile(folder.File("shop.vdx"), &manager.Grid, "cm", ""));
    for (const std::string name : {"shop.ctf", "shop.vdx"}) {
        SCOPED_TRACE(name);
        if (name == "shop.ctf") {
            ASSERT_TRUE(SaveAs(name));
        }
        manager.NewCatalog();
        ASSERT_TRUE(manager.OpenCatalog(folder.File(name)));
        const std::string saved = ReadWholeFile(folder.File(name));
        manager.Grid.SetEditText(2, 1, std::string(4000, 'x'));
        {
            FileSizeLimit limit(saved.size() / 2);
            ui.AnswerMessage(MsgAnswer::OK); // the write failure
            EXPECT_FALSE(manager.SaveCatalog());
            // Closing and starting anew both ask to save first; their Yes fails the same way.
            ui.AnswerMessage(MsgAnswer::Yes);
            ui.AnswerMessage(MsgAnswer::OK);
            EXPECT_FALSE(manager.FormCloseQuery());
            ui.AnswerMessage(MsgAnswer::Yes);
            ui.AnswerMessage(MsgAnswer::OK);
            manager.NewCatalog1Click();
        }
        EXPECT_TRUE(manager.modified);
        EXPECT_EQ(ReadWholeFile(folder.File(name)), saved);
        EXPECT_EQ(manager.Grid.Cells(2, 1), std::string(4000, 'x'));
        EXPECT_EQ(manager.fileName, folder.File(name));
    }

    // A cancelled dialog and a refusal keep the window open too.
    manager.fileName.clear();
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(manager.FormCloseQuery());
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerFile(FileDialogResult{folder.File("other.ctf"), 2});
    ui.AnswerMessage(MsgAnswer::OK);
    manager.NewCatalog1Click();
    EXPECT_EQ(manager.Grid.Cells(2, 1), std::string(4000, 'x'));
    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_TRUE(manager.FormCloseQuery());
}

TEST_F(CatalogManagerTest, SaveAsRefreshesTheSelectorFromTheFileJustWritten)
{
    FillProducts();
    ASSERT_TRUE(SaveAs("old.ctf"));
    manager.NewCatalog();
    ASSERT_TRUE(manager.OpenCatalog(folder.File("old.ctf")));
    manager.Grid.SetEditText(1, 1, "NEW");
    manager.refreshSelectorOnSave = true;
    ASSERT_TRUE(SaveAs("new.ctf"));
    EXPECT_EQ(host.selector.Cells(1, 1), "NEW");
    EXPECT_FALSE(manager.refreshSelectorOnSave);
}

TEST_F(CatalogManagerTest, EnterAndTabMoveOnAndAddRowsAtTheEnd)
{
    FillProducts(); // rows 1 and 2
    manager.Grid.FocusCell(3, 1);
    manager.GridKeyDown('x');
    EXPECT_EQ(manager.cellContent, "x");
    manager.FormKeyUp(13); // Enter in a middle row: no new row
    EXPECT_EQ(manager.Grid.Cells(3, 1), "x");
    EXPECT_EQ(manager.Grid.RowCount(), 3);
    EXPECT_EQ(manager.Grid.Row(), 2);
    EXPECT_EQ(manager.cellSelection, "Product 2   Picture Name");
    manager.FormKeyUp(13); // Enter in the last row adds one
    EXPECT_EQ(manager.Grid.RowCount(), 4);
    EXPECT_EQ(manager.Grid.Row(), 3);
    manager.FormKeyUp(9); // Tab in a middle column moves right
    EXPECT_EQ(manager.Grid.Col(), 4);
    EXPECT_EQ(manager.Grid.RowCount(), 4);
    manager.Grid.FocusCell(12, 1);
    manager.FormKeyUp(9); // Tab in the last column adds a row at the end and goes to column 1
    EXPECT_EQ(manager.Grid.RowCount(), 5);
    EXPECT_EQ(manager.Grid.Row(), 2);
    EXPECT_EQ(manager.Grid.Col(), 1);
}

TEST_F(CatalogManagerTest, OnlyTheUsersChangesMarkTheCatalogModified)
{
    FillProducts();
    ASSERT_TRUE(SaveAs("shop.ctf"));
    manager.NewCatalog();
    manager.OpenCatalog(folder.File("shop.ctf"));
    manager.Grid.FocusCell(2, 2);
    manager.EditLocation("");
    EXPECT_FALSE(manager.modified);
    EXPECT_EQ(manager.cellContent, "abc");
    manager.Grid.SetEditText(2, 2, "abd");
    EXPECT_TRUE(manager.modified);

    manager.modified = false;
    manager.EditCellContent("abd!");
    EXPECT_TRUE(manager.modified);
    manager.modified = false;
    manager.EditLocation("/pictures");
    EXPECT_TRUE(manager.modified);
}

TEST_F(CatalogManagerTest, DeletingTheLastProductRowEmptiesIt)
{
    FillProducts();
    manager.Grid.FocusCell(1, 2);
    manager.DeleteRow();
    EXPECT_EQ(manager.Grid.RowCount(), 2);
    manager.DeleteRow();
    EXPECT_EQ(manager.Grid.RowCount(), 2);
    EXPECT_EQ(Row(manager.Grid, 1), std::vector<std::string>(13));
    EXPECT_EQ(manager.Grid.Row(), 1);
    EXPECT_EQ(manager.Grid.Cells(1, 0), "Product Part Nr.");
}

TEST_F(CatalogManagerTest, AMovedColumnTakesItsCellsWidthAndRoleAndSavesInItsNewPlace)
{
    FillProducts();
    manager.Grid.SetColWidths(4, 99);
    manager.MoveColumn(4, 1); // width before the part number
    EXPECT_EQ(Row(manager.Grid, 0)[1], "Width");
    EXPECT_EQ(Row(manager.Grid, 1)[1], "100");
    EXPECT_EQ(Row(manager.Grid, 1)[2], "P-1");
    EXPECT_EQ(manager.Grid.ColWidths(1), 99);
    EXPECT_EQ(manager.catalog->roles[RoleWidth], 1);
    EXPECT_EQ(manager.catalog->roles[RolePartNumber], 2);
    EXPECT_EQ(manager.catalog->roles[RoleHeight], 5);
    EXPECT_TRUE(manager.modified);

    ASSERT_TRUE(SaveAs("moved.ctf"));
    manager.NewCatalog();
    ASSERT_TRUE(manager.OpenCatalog(folder.File("moved.ctf")));
    EXPECT_EQ(Row(manager.Grid, 0)[1], "Width");
    EXPECT_EQ(manager.Grid.Cells(1, 1), "100");
    EXPECT_EQ(manager.catalog->roles[RoleWidth], 1);
}

TEST_F(CatalogManagerTest, FindMatchesTrimmedTextExactlyAndFindNextGoesOn)
{
    FillProducts();
    manager.Grid.SetCells(7, 2, "abc");
    ui.AnswerInput(" abc ");
    manager.FindFirst();
    EXPECT_EQ(ui.Calls().back().caption, "Find What?");
    EXPECT_EQ(manager.Grid.Col(), 2); // " abc ", not "ABC" in column 3
    EXPECT_EQ(manager.Grid.Row(), 2);
    manager.FindNext();
    EXPECT_EQ(manager.Grid.Col(), 7);
    ui.AnswerMessage(MsgAnswer::OK);
    manager.FindNext();
    EXPECT_EQ(ui.MessageTexts().back(), "Could Not Find");
    EXPECT_EQ(ui.Calls().back().caption, " abc ");
    EXPECT_EQ(manager.findText, "");
    EXPECT_EQ(manager.Grid.Col(), 7);
}

TEST_F(CatalogManagerTest, ConvertingUnitsThereAndBackRestoresSizesDepthIncluded)
{
    FillProducts();
    const char* const toInches =
        "This will convert your width and height values from centemeters to inches. Do you wish to continue?";
    ui.AnswerMessage(MsgAnswer::Yes);
    manager.ConvertUnits();
    EXPECT_EQ(ui.MessageTexts().back(), toInches);
    EXPECT_EQ(manager.Grid.Cells(4, 1), "39.4");
    EXPECT_EQ(manager.Grid.Cells(6, 1), "3.94");
    EXPECT_EQ(manager.Grid.Cells(4, 2), "0"); // empty reads as 0
    EXPECT_EQ(manager.Grid.Cells(4, 0), "Width");
    EXPECT_FALSE(manager.Centimetres());
    EXPECT_TRUE(manager.modified);
    ui.AnswerMessage(MsgAnswer::Yes);
    manager.ConvertUnits();
    EXPECT_EQ(manager.Grid.Cells(4, 1), "100");
    EXPECT_EQ(manager.Grid.Cells(6, 1), "10");
    EXPECT_TRUE(manager.Centimetres());

    ui.AnswerMessage(MsgAnswer::No);
    manager.ConvertUnits();
    EXPECT_EQ(manager.Grid.Cells(4, 1), "100");

    manager.catalog->roles[RoleHeight] = -1;
    ui.AnswerMessage(MsgAnswer::OK);
    manager.ConvertUnits();
    EXPECT_EQ(ui.MessageTexts().back(), "The Width or Height column for this catalog is not defined");
    EXPECT_EQ(ui.Calls().back().caption, "Kestrame");
}

TEST_F(CatalogManagerTest, AnExportReadsBackAsTheGridInPythonAndImportsWithItsOwnColumns)
{
    manager.Grid.SetColCount(3);
    manager.Grid.SetRowCount(3);
    manager.Grid.SetCells(1, 1, "tab\there");
    manager.Grid.SetCells(2, 1, "line\r\nbreak");
    manager.Grid.SetCells(1, 2, "caf\xE9");
    ui.AnswerFile(FileDialogResult{folder.File("out.txt"), 1});
    manager.ExportText();
    // Written over unasked, as the export always did.
    EXPECT_FALSE(ui.CallsOf(ScriptedUi::Kind::SaveDialog).at(0).fileOptions.confirmOverwrite);
    const std::string python =
        RunCommand("python3 -c \"import csv,sys\nfor r in csv.reader(open(sys.argv[1], newline='', encoding='cp1252'), "
                   "delimiter='\\t', quoting=csv.QUOTE_NONE): print(len(r), '|'.join(r))\" " +
                   folder.File("out.txt"));
    EXPECT_EQ(python, "14 Record Nr.|Product Part Nr.|Description|||||||||||\n"
                      "14 |tab here|line  break|||||||||||\n"
                      "14 |caf\xC3\xA9||||||||||||\n");

    ScriptedOptions options;
    options.answer = RoleEntries{{RoleWidth, 2}, {RoleDescription, 0}};
    manager.catalogOptions = &options;
    ui.AnswerFile(FileDialogResult{folder.File("out.txt"), 1});
    ui.AnswerMessage(MsgAnswer::Yes);
    manager.ImportText();
    // The three exported fields come back as three columns after the import's own record numbers;
    // the eleven empty padding fields are gone.
    EXPECT_EQ(manager.Grid.ColCount(), 4);
    EXPECT_EQ(manager.Grid.RowCount(), 3);
    EXPECT_EQ(Row(manager.Grid, 0),
              (std::vector<std::string>{"Record Nr.", "Record Nr.", "Product Part Nr.", "Description"}));
    EXPECT_EQ(Row(manager.Grid, 1), (std::vector<std::string>{"1", "", "tab here", "line  break"}));
    EXPECT_EQ(options.pages, (std::vector<bool>{true, false}));
    EXPECT_EQ(manager.catalog->roles[RoleWidth], 2);
    EXPECT_EQ(manager.catalog->roles[RoleDescription], -1);
    EXPECT_TRUE(manager.modified);

    WriteWholeFile(folder.File("blank.txt"), " \t \r\nx\r\n");
    ui.AnswerFile(FileDialogResult{folder.File("blank.txt"), 1});
    ui.AnswerMessage(MsgAnswer::OK);
    manager.ImportText();
    EXPECT_EQ(ui.MessageTexts().back(), "No fields found on first line of text");
    EXPECT_EQ(ui.Calls().back().caption, "Import Error");
}

TEST_F(CatalogManagerTest, OpenAsksBeforeReplacingEditsAndCloseLeavesNoCatalog)
{
    FillProducts();
    manager.Grid.SetEditText(1, 1, "edited");
    ui.AnswerMessage(MsgAnswer::Cancel);
    manager.OpenClick();
    EXPECT_EQ(ui.MessageTexts().back(),
              "Would you like to save changes to your current catalog file before starting a new catalog?");
    EXPECT_EQ(manager.Grid.Cells(1, 1), "edited");
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerFile(std::nullopt);
    manager.OpenClick();
    const FileDialogOptions options = ui.CallsOf(ScriptedUi::Kind::OpenDialog).back().fileOptions;
    EXPECT_EQ(options.filter, "Kestrame Catalog Manager Files VDX, DDL, CTF|*.vdx;*.ddl;*.ctf");
    EXPECT_EQ(options.title, "Open");
    // The edits given up, the catalog opened is as its file holds it.
    ASSERT_TRUE(SaveAs("kept.ctf"));
    manager.Grid.SetEditText(1, 1, "edited again");
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerFile(FileDialogResult{folder.File("kept.ctf"), 1});
    manager.OpenClick();
    EXPECT_EQ(manager.Grid.Cells(1, 1), "edited");
    EXPECT_FALSE(manager.modified);

    host.visible = true;
    manager.FormClose();
    EXPECT_EQ(host.shown, (std::vector<bool>{false, true}));
    EXPECT_EQ(manager.catalog, nullptr);
    EXPECT_FALSE(manager.modified);
    EXPECT_EQ(manager.Grid.ColCount(), 9);
    EXPECT_EQ(manager.Grid.RowCount(), 2);
    EXPECT_EQ(manager.Grid.Cells(1, 1), "");
    EXPECT_EQ(manager.Grid.ColWidths(1), TStringGrid::DefaultColWidth);
    EXPECT_FALSE(manager.SaveCatalog());
}

TEST_F(CatalogManagerTest, AutoFitWidensToTheWidestTextAndNeverNarrows)
{
    std::map<std::string, int> measured;
    manager.textWidth = [&](const std::string& text) {
        ++measured[text];
        return static_cast<int>(text.size()) * 7;
    };
    manager.Grid.SetCells(2, 1, std::string(20, 'm'));
    manager.Grid.SetColWidths(3, 500);
    // Each text widens the column only past its width so far, from the top down: 14 characters make
    // it 108, and 15 further down leave it so.
    manager.Grid.SetRowCount(6);
    for (const auto& [row, text] : {std::pair{1, "Fourteen chars"}, {2, "Fourteen chars"}, {3, "Fifteen chars.."},
                                    {4, "Fourteen chars"}, {5, "Fifteen chars.."}})
        manager.Grid.SetCells(4, row, text);
    manager.AutoFitColumns();
    EXPECT_EQ(manager.Grid.ColWidths(2), 150);
    EXPECT_EQ(manager.Grid.ColWidths(1), 16 * 7 + 10); // "Product Part Nr."
    EXPECT_EQ(manager.Grid.ColWidths(3), 500);
    EXPECT_EQ(manager.Grid.ColWidths(0), 10 * 7 + 10); // "Record Nr."
    EXPECT_EQ(manager.Grid.ColWidths(4), 14 * 7 + 10);
    EXPECT_EQ(measured["Fourteen chars"], 1);
    EXPECT_EQ(measured["Fifteen chars.."], 1);
}

TEST_F(CatalogManagerTest, UnusableFilesAndColumnsGiveTheirMessagesAndChangeNothing)
{
    FillProducts();
    ui.AnswerFile(FileDialogResult{folder.File("missing.txt"), 1});
    ui.AnswerMessage(MsgAnswer::OK);
    manager.ImportText();
    ui.AnswerFile(FileDialogResult{folder.File("no-folder/out.txt"), 1});
    ui.AnswerMessage(MsgAnswer::OK);
    manager.ExportText();
    manager.Grid.SetColCount(1);
    ui.AnswerMessage(MsgAnswer::OK);
    manager.DeleteLastColumn();
    const std::vector<ScriptedUi::Call> boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text + "|" + boxes[0].caption, "Could not open text file|Error");
    EXPECT_EQ(boxes[1].text + "|" + boxes[1].caption, "Could not open file|Data Text Error");
    EXPECT_EQ(boxes[2].text + "|" + boxes[2].caption, "Can not delete anymore colums|");
    EXPECT_EQ(manager.Grid.ColCount(), 1);
    EXPECT_EQ(manager.Grid.Cells(0, 0), "Record Nr.");

    ui.AnswerInput(ScriptedUi::Cancel());
    manager.AddColumn();
    EXPECT_EQ(manager.Grid.ColCount(), 2);
    EXPECT_EQ(manager.Grid.Cells(1, 0), "");
    manager.Grid.FocusCell(1, 1);
    ui.AnswerInput("Size");
    manager.RenameColumn();
    EXPECT_EQ(manager.Grid.Cells(1, 0), "Size");
}

TEST(CatalogRoleEntries, NoneAndTheRecordNumberLeaveOptionalRolesUnassigned)
{
    EXPECT_EQ(RoleColumnForComboEntry(RoleDescription, 0), -1); // "None"
    EXPECT_EQ(RoleColumnForComboEntry(RoleDescription, 1), -1); // column 0
    EXPECT_EQ(RoleColumnForComboEntry(RoleDescription, 3), 2);
    EXPECT_EQ(RoleColumnForComboEntry(RoleWidth, 0), 0);
    EXPECT_EQ(RoleColumnForComboEntry(RoleWidth, 4), 4);
    // A table's fields count from 0: only "None" leaves a role unassigned there.
    EXPECT_EQ(RoleColumnForComboEntry(RoleDescription, 0, true), -1);
    EXPECT_EQ(RoleColumnForComboEntry(RoleDescription, 1, true), 0);
    EXPECT_EQ(RoleColumnForComboEntry(RoleBrand, 3, true), 2);
    EXPECT_EQ(RoleColumnForComboEntry(RolePartNumber, 0, true), 0);
    EXPECT_EQ(ComboEntryForRoleColumn(RoleBrand, -1), 0);
    EXPECT_EQ(ComboEntryForRoleColumn(RoleDescription, 2), 3);
    EXPECT_EQ(ComboEntryForRoleColumn(RolePartNumber, 1), 1);
}

} // namespace

TEST_F(CatalogManagerTest, ChangeDriveAndStripRewriteThePictureCellsThatHaveThatPart)
{
    const std::vector<std::string> cells = {"C:\\pics\\a.jpg", "D:\\b.jpg", "\\\\srv\\share\\p\\a.jpg", "pics\\c.jpg",
                                            "/home/u/d.jpg",   "",          "\\\\srv"};
    const auto fill = [&] {
        manager.Grid.SetRowCount(static_cast<int>(cells.size()) + 1);
        for (size_t i = 0; i < cells.size(); ++i)
            manager.Grid.SetCells(3, static_cast<int>(i) + 1, cells[i]);
        manager.modified = false;
    };
    const auto pictureCells = [&] {
        std::vector<std::string> shown;
        for (int row = 1; row < manager.Grid.RowCount(); ++row)
            shown.push_back(manager.Grid.Cells(3, row));
        return shown;
    };
    const std::vector<std::pair<std::string, std::vector<std::string>>> drives = {
        {"E:", {"E:\\pics\\a.jpg", "E:\\b.jpg", "E:\\p\\a.jpg", "pics\\c.jpg", "/home/u/d.jpg", "", "\\\\srv"}},
        {"F:\\", {"F:\\pics\\a.jpg", "F:\\b.jpg", "F:\\p\\a.jpg", "pics\\c.jpg", "/home/u/d.jpg", "", "\\\\srv"}},
        {"\\\\nas\\pics", {"\\\\nas\\pics\\pics\\a.jpg", "\\\\nas\\pics\\b.jpg", "\\\\nas\\pics\\p\\a.jpg",
                           "pics\\c.jpg", "/home/u/d.jpg", "", "\\\\srv"}},
        {"E", cells},
        {"/mnt", cells},
    };
    for (const auto& [answer, expected] : drives) {
        SCOPED_TRACE(answer);
        fill();
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::Yes);
        ui.AnswerInput(answer);
        const bool refused = expected == cells;
        if (refused)
            ui.AnswerMessage(MsgAnswer::OK);
        manager.ChangeDriveLetter();
        EXPECT_EQ(pictureCells(), expected);
        EXPECT_EQ(manager.modified, !refused);
        const std::vector<ScriptedUi::Call> inputs = ui.CallsOf(ScriptedUi::Kind::InputBox);
        ASSERT_EQ(inputs.size(), 1u);
        EXPECT_EQ(inputs[0].caption, "What is the new drive letter?");
        EXPECT_EQ(inputs[0].text, "SEGACD");
        if (refused) {
            EXPECT_EQ(ui.MessageTexts().back(), "Invalid drive specification or missing after drive letter");
        }
    }
    // No asks nothing more and changes nothing.
    fill();
    ui.AnswerMessage(MsgAnswer::No);
    manager.ChangeDriveLetter();
    EXPECT_EQ(pictureCells(), cells);

    // Strip with no location shows the bar and asks for one; cancelling it still strips.
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerFile(std::nullopt);
    manager.StripPicturePath();
    EXPECT_EQ(pictureCells(), (std::vector<std::string>{"a.jpg", "b.jpg", "a.jpg", "c.jpg", "d.jpg", "", "srv"}));
    EXPECT_TRUE(manager.locationBarShown);
    EXPECT_TRUE(manager.modified);
    EXPECT_EQ(ui.MessageTexts().back(), "Please set the Photo Collection Location this is the folder where all your "
                                        "pictures for this catalog will be stored");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0).fileOptions.filter,
              "Select any file in your photo collection directory|*.*");
}

TEST_F(CatalogManagerTest, TheLocationIsTheChosenFilesFolderOrTheCollectionFileItself)
{
    for (const auto& [chosen, location] : {std::pair<std::string, std::string>{"/pics/cola.jpg", "/pics/"},
                                           {"/pics/Shop.ZYB", "/pics/Shop.ZYB"},
                                           {"/pics/shop.zyb.jpg", "/pics/"}}) {
        manager.modified = false;
        ui.AnswerFile(FileDialogResult{chosen, 1});
        manager.SetPhotoCollectionLocation();
        EXPECT_EQ(manager.location, location);
        EXPECT_TRUE(manager.modified);
        EXPECT_TRUE(manager.locationBarShown);
        EXPECT_EQ(manager.BrowsedCollection(), location.ends_with("ZYB") ? location : "");
    }
}

TEST_F(CatalogManagerTest, LinkPictureNeedsAPictureColumnAndStoresThePathAsFilesDo)
{
    FillProducts();
    manager.catalog->roles[RolePictureName] = -1;
    ui.AnswerMessage(MsgAnswer::OK);
    manager.LinkPicture();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Can not link picture. A Picture column has not been defined."});
    EXPECT_TRUE(ui.CallsOf(ScriptedUi::Kind::OpenDialog).empty());

    manager.catalog->roles[RolePictureName] = 3;
    manager.Grid.SetRow(2);
    manager.modified = false;
    ui.AnswerFile(FileDialogResult{"/pics/caf\xC3\xA9.jpg", 1});
    manager.LinkPicture();
    EXPECT_EQ(manager.Grid.Cells(3, 2), "/pics/caf\xE9.jpg");
    EXPECT_TRUE(manager.modified);
    const ScriptedUi::Call dialog = ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0);
    EXPECT_EQ(dialog.caption, "Link Picture to Catalog Item");
    EXPECT_EQ(dialog.fileOptions.filter, TPicture::GraphicFilter());
}

TEST_F(CatalogManagerTest, EditPictureOpensTheResolvedPathWithTheRowsProduct)
{
    FillProducts();
    struct Case {
        std::string cell;
        std::string location;
        std::optional<std::string> chosen; // the open dialog's answer, when it is asked
        std::string message;               // shown before opening, or instead of it
        std::string opened;                // empty when no editor opens
    };
    const std::string warning = "In an ZYB file can not be edited the picture editor will attemp to open the "
                                "original image you will need to create a new ZYB file to see any changes you make "
                                "to this image when building a planogram display";
    const Case cases[] = {
        {"a.jpg", "/pics/", {}, "", "/pics/a.jpg"},
        {"a.jpg", "/pics/shop.ZYB", {}, "Images in an ZYB file can not be edited.", ""},
        {"/x/a.jpg", "/pics/shop.zyb", {}, warning, "/x/a.jpg"},
        {"", "/pics/", "/y/b.png", "", "/y/b.png"},
        {"", "", "/y/c.png", "", "/y/c.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell + " in " + c.location);
        manager.Grid.SetCells(3, 1, c.cell);
        manager.location = c.location;
        manager.Grid.SetRow(1);
        host.editor = EditorLog();
        ui.ClearCalls();
        if (!c.message.empty())
            ui.AnswerMessage(MsgAnswer::OK);
        if (c.chosen)
            ui.AnswerFile(FileDialogResult{*c.chosen, 1});
        manager.EditPicture();
        EXPECT_EQ(ui.MessageTexts(), c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        if (!c.message.empty()) {
            EXPECT_EQ(ui.Calls().front().caption, "Kestrame");
        }
        EXPECT_EQ(host.editor.opened, c.opened);
        EXPECT_EQ(host.editor.shown, c.opened.empty() ? 0 : 1);
        if (c.opened.empty())
            continue;
        EXPECT_EQ(host.editor.linkCatalog, &manager);
        EXPECT_EQ(host.editor.linkColumn, 3);
        EXPECT_EQ(host.editor.linkPartNumber, "P-1");
    }

    // The product values, in quarter centimetres rounded to nearest; an inch counts 2.564... cm.
    manager.Grid.SetCells(3, 1, "a.jpg");
    manager.Grid.SetCells(4, 1, "12.5");
    manager.Grid.SetCells(5, 1, "30");
    manager.location = "/pics/";
    for (const auto& [units, width, height] :
         {std::tuple<std::string, int, int>{"Inch", 128, 308}, {"cm", 50, 120}, {"", 50, 120}}) {
        manager.catalog->units = units;
        manager.EditPicture();
        const EditorProduct& product = host.editor.product;
        EXPECT_EQ(product.widthQuarterCm, width) << units;
        EXPECT_EQ(product.heightQuarterCm, height) << units;
        EXPECT_EQ(product.partNumber, "P-1");
        EXPECT_EQ(product.description, "Soap");
        EXPECT_EQ(product.pictureCell, "a.jpg");
        EXPECT_EQ(product.depth, 10);
    }

    // An editor that cannot take the picture is destroyed unshown.
    host.editor = EditorLog();
    host.editor.openSucceeds = false;
    manager.EditPicture();
    EXPECT_EQ(host.editor.shown, 0);
    EXPECT_EQ(host.editor.destroyed, 1);
    EXPECT_EQ(host.editor.linkCatalog, nullptr);

    manager.catalog->roles[RolePictureName] = -1;
    const int made = host.editorsMade;
    manager.EditPicture();
    EXPECT_EQ(host.editorsMade, made);
}

TEST_F(CatalogManagerTest, CatalogCaptureStartsOnlyOnANewCatalog)
{
    FillProducts();
    ASSERT_TRUE(SaveAs("shop.ctf"));
    const std::string saved = ReadWholeFile(folder.File("shop.ctf"));
    manager.Grid.SetEditText(2, 1, std::string(4000, 'x'));
    ui.AnswerMessage(MsgAnswer::Cancel);
    manager.CatalogCapture();
    {
        FileSizeLimit limit(saved.size() / 2);
        ui.AnswerMessage(MsgAnswer::Yes);
        ui.AnswerMessage(MsgAnswer::OK); // the write failure
        manager.CatalogCapture();
    }
    EXPECT_EQ(host.editorsMade, 0);
    EXPECT_EQ(manager.Grid.Cells(1, 1), "P-1");
    EXPECT_EQ(manager.fileName, folder.File("shop.ctf"));

    ui.AnswerMessage(MsgAnswer::No);
    manager.CatalogCapture();
    EXPECT_EQ(manager.Grid.Cells(1, 1), "");
    EXPECT_TRUE(manager.fileName.empty());
    EXPECT_TRUE(host.editor.capture);
    EXPECT_EQ(host.editor.linkCatalog, &manager);
    EXPECT_EQ(host.editor.linkColumn, 0);
    EXPECT_EQ(host.editor.linkPartNumber, "0");
    EXPECT_EQ(host.editor.shown, 1);
}

class RecordingExportProgress : public CollectionExportProgress {
public:
    void Start(int records) override { started.push_back(records); }
    void Processed(const std::string& pictureName) override { processed.push_back(pictureName); }
    void Finish() override { ++finished; }

    std::vector<int> started;
    std::vector<std::string> processed;
    int finished = 0;
};

// The pixels of each entry of a collection file, in file order.
std::vector<std::string> CollectionPixels(const std::string& bytes)
{
    constexpr size_t HeaderSize = 16;
    constexpr size_t EntrySize = 76;
    std::vector<std::string> pixels;
    for (size_t at = HeaderSize; at + EntrySize <= bytes.size();) {
        std::uint32_t size = 0;
        for (int i = 3; i >= 0; --i)
            size = size << 8 | static_cast<unsigned char>(bytes[at + EntrySize - 4 + i]);
        pixels.push_back(bytes.substr(at + EntrySize, size));
        at += EntrySize + size;
    }
    return pixels;
}

class CollectionExport : public CatalogManagerTest {
protected:
    CollectionExport()
    {
        InitializeFileFormatList();
        // Three products with pictures, one of them with its "H" twin; a fourth whose picture is
        // missing while its twin is there.
        const std::pair<const char*, RgbImage> pictures[] = {{"a.ppm", StripedImage(5, 3, 3)},
                                                             {"Ha.ppm", StripedImage(9, 6, 4)},
                                                             {"b.ppm", StripedImage(3, 7, 2)},
                                                             {"c.ppm", StripedImage(6, 2, 5)},
                                                             {"Hmissing.ppm", StripedImage(2, 2, 2)}};
        for (const auto& [name, image] : pictures)
            WriteWholeFile(folder.File(name), PpmOf(image));
        const char* const cells[] = {"a.ppm", "missing.ppm", "b.ppm", "c.ppm"};
        manager.Grid.SetRowCount(5);
        for (int row = 1; row <= 4; ++row) {
            manager.Grid.SetCells(1, row, "P-" + std::to_string(row));
            manager.Grid.SetCells(3, row, cells[row - 1]);
        }
        // A full path for the last one: its own folder, not the collection's.
        manager.Grid.SetCells(3, 4, folder.File("c.ppm"));
        manager.location = folder.Path() + "/";
        ui.AnswerFile(FileDialogResult{folder.File("shop.ctf"), CatalogManager::TextEntry});
        manager.SaveCatalog();
        target = folder.File("all.zyb");
        ui.ClearCalls();
    }
    ~CollectionExport() override { FinalizeFileFormatList(); }

    std::vector<std::string> Entries()
    {
        TStringList list;
        ZybFile().ListImages(target, list);
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i)
            names.push_back(list[i]);
        return names;
    }

    std::string DoneMessage(int images) const
    {
        return "Done. " + std::to_string(images) + " images were saved to a single file. File located at " + target +
               ". Would you like to update your catalog so it uses this new file?";
    }

    RecordingExportProgress progress;
    std::string target;
};

TEST_F(CollectionExport, PacksEveryProductsPictureAndItsTwinAsBitmapRows)
{
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::No);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts(), std::vector{DoneMessage(4)});
    EXPECT_EQ(ui.Calls().back().caption, "Alert");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).at(0).caption, "Save All Pictures To Single File");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a.ppm", "Ha.ppm", "b.ppm", "c.ppm"}));
    EXPECT_EQ(progress.started, std::vector{4});
    EXPECT_EQ(progress.processed, (std::vector<std::string>{"a.ppm", "missing.ppm", "b.ppm", "c.ppm"}));
    EXPECT_EQ(progress.finished, 1);
    EXPECT_FALSE(manager.modified);

    const std::vector<std::string> pixels = CollectionPixels(ReadWholeFile(target));
    const char* const sources[] = {"a.ppm", "Ha.ppm", "b.ppm", "c.ppm"};
    ASSERT_EQ(pixels.size(), 4u);
    for (size_t i = 0; i < pixels.size(); ++i)
        EXPECT_EQ(pixels[i], RunTool("ppmtobmp -bpp 24 " + folder.File(sources[i])).substr(54)) << sources[i];

    // No appends, Yes starts anew; the answer Yes to the last question takes the file as location.
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerMessage(MsgAnswer::No);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(Entries().size(), 8u);
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::Yes);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(Entries().size(), 4u);
    EXPECT_EQ(manager.location, target);
    EXPECT_TRUE(manager.modified);
    EXPECT_TRUE(manager.locationBarShown);
}

// When no picture is found, nothing is written, named or offered as the location.
TEST_F(CollectionExport, NothingFoundIsSaidWithoutAFile)
{
    RunCommand("rm '" + folder.File("a.ppm") + "' '" + folder.File("b.ppm") + "' '" + folder.File("c.ppm") + "'");
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"No images were saved: none of the pictures of this "
                                                          "catalog could be found or read."});
    EXPECT_TRUE(!FileExists(target) && manager.location == folder.Path() + "/");
}

// A picture wider than a collection can hold is refused with its message and not counted.
TEST_F(CollectionExport, PicturesTooWideForACollectionAreNotCounted)
{
    WriteWholeFile(folder.File("b.ppm"), PpmOf(StripedImage(32768, 1, 2)));
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::No);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"The picture b.ppm cannot be added to the Multi Image File: "
                                                           "its width and height must be from 1 to 32767 pixels.",
                                                           DoneMessage(3)}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a.ppm", "Ha.ppm", "c.ppm"}));
}

TEST_F(CollectionExport, RefusesWithoutTouchingTheChosenFile)
{
    // The catalog's own collection file, chosen and answered Yes, stays byte for byte.
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::No);
    manager.SavePicturesToZybFile(progress);
    const std::string collection = ReadWholeFile(target);
    manager.EditLocation(target);
    ui.AnswerMessage(MsgAnswer::Yes); // save first
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::Yes); // replace
    ui.AnswerMessage(MsgAnswer::OK);
    ui.ClearCalls();
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts().back(),
              "The photos in this catalog are already saved in a single file if you would like to update the ZYB "
              "file you need to delete it first or save the ZYB file with a different name and then clear or "
              "restore the original Photo Collection Location information.");
    EXPECT_EQ(ReadWholeFile(target), collection);

    // A file that is no collection is refused once, before any picture.
    manager.EditLocation(folder.Path() + "/");
    ASSERT_TRUE(manager.SaveCatalog());
    WriteWholeFile(folder.File("notes.zyb"), "not a collection");
    ui.AnswerFile(FileDialogResult{folder.File("notes.zyb"), 1});
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerMessage(MsgAnswer::OK);
    ui.ClearCalls();
    progress.started.clear();
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts().size(), 2u);
    EXPECT_TRUE(progress.started.empty());
    EXPECT_EQ(ReadWholeFile(folder.File("notes.zyb")), "not a collection");

    // Cancel at the save question, and a Yes whose save fails, export nothing.
    ui.ClearCalls();
    manager.Grid.SetEditText(2, 1, "edited");
    ui.AnswerMessage(MsgAnswer::Cancel);
    manager.SavePicturesToZybFile(progress);
    manager.fileName = folder.File("gone/shop.ctf");
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::OK); // the write failure, in two boxes
    ui.AnswerMessage(MsgAnswer::OK);
    manager.SavePicturesToZybFile(progress);
    EXPECT_TRUE(progress.started.empty());
    EXPECT_TRUE(ui.CallsOf(ScriptedUi::Kind::SaveDialog).empty());

    // A binary catalog cannot be read as text.
    didCTF2 binary;
    ASSERT_TRUE(binary.SaveToFile(folder.File("shop.vdx"), &manager.Grid, "cm", ""));
    manager.NewCatalog();
    ASSERT_TRUE(manager.OpenCatalog(folder.File("shop.vdx")));
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    manager.SavePicturesToZybFile(progress);
    EXPECT_EQ(ui.MessageTexts().back(), "Could not open catalog file");
    EXPECT_EQ(ui.Calls().back().caption, "ZYB Exporter");
}
