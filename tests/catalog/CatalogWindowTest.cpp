// The Catalog Manager's window and its options dialog, offscreen: typed keys, dragged columns, menu
// enabling and closing reach the model as the user would reach them.
#include "catalog/CatOpsCode.h"
#include "catalog/DataMaker.h"
#include "catalog/ExcelImport.h"
#include "catalog/ZYBBrowserCode.h"
#include "imageformats/FileFormatList.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/PrintStatus.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGridView.h"
#include "testing/RecordingSpreadsheets.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class FakeHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 3; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return &selector; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override { return nullptr; }

    TStringGrid selector;
};

class CatalogWindow : public testing::Test {
protected:
    CatalogWindow() : form(host)
    {
        form.NewCatalog();
        form.show();
        form.activateWindow();
    }

    TStringGrid& Grid() { return form.model.Grid; }
    int Role(CatalogFieldRole role) { return form.model.catalog->roles[role]; }
    QLineEdit* CellEditor() { return form.GridView->viewport()->findChild<QLineEdit*>(); }

    // A key pressed and let go on `target`, as the keyboard sends it.
    static void Key(QWidget* target, int key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &release);
    }
    static void Type(QWidget* target, const std::string& text)
    {
        for (const char c : text)
            Key(target, QChar(c).toUpper().unicode(), QString(QChar(c)));
    }
    static void Enter(QWidget* target) { Key(target, Qt::Key_Return, "\r"); }
    static void Tab(QWidget* target) { Key(target, Qt::Key_Tab, "\t"); }

    // One product whose picture `cola.ppm` lies in the folder the location names, and the answers of
    // a collection export to `target`: the catalog saved first as "shop.ctf", then the export's
    // question answered No. Answers `cola.ppm`'s pixels.
    RgbImage ScriptCollectionExport(const TemporaryFolder& folder, const std::string& target)
    {
        InitializeFileFormatList();
        const RgbImage picture = StripedImage(7, 5, 3);
        WriteWholeFile(folder.File("cola.ppm"), PpmOf(picture));
        form.edLocation->setText(toQString(folder.Path() + "/"));
        emit form.edLocation->textEdited(form.edLocation->text());
        Grid().SetCells(1, 1, "P-1");
        Grid().SetCells(3, 1, "cola.ppm");
        ui.AnswerMessage(MsgAnswer::Yes); // save changes first
        ui.AnswerFile(FileDialogResult{folder.File("shop.ctf"), CatalogManager::TextEntry});
        ui.AnswerFile(FileDialogResult{target, 1});
        ui.AnswerMessage(MsgAnswer::No);
        return picture;
    }

    ScriptedUi ui;
    FakeHost host;
    TDForm form;
};

TEST_F(CatalogWindow, TypedCellsEnterAndTabGiveTheModelsMoves)
{
    EXPECT_EQ(form.windowTitle().toStdString(), "Catalog Manager");
    EXPECT_EQ(form.size(), QSize(829, 470));
    Grid().FocusCell(1, 1);
    Type(form.GridView, "P");
    ASSERT_NE(CellEditor(), nullptr);
    Type(CellEditor(), "-1x");
    Key(CellEditor(), Qt::Key_Backspace, "\b");
    // The grid and the inspector hold the text as it is typed.
    EXPECT_EQ(Grid().Cells(1, 1), "P-1");
    EXPECT_EQ(form.edCellContent->text().toStdString(), "P-1");
    EXPECT_TRUE(form.model.modified);

    // Enter in the last row adds a row and moves down, once.
    Enter(CellEditor());
    EXPECT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_EQ(Grid().Col(), 1);
    EXPECT_EQ(Grid().Cells(1, 1), "P-1");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CellEditor(), nullptr);

    // The Enter that closed a dialog comes up in the grid without going down there.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(form.GridView, &release);
    EXPECT_EQ(Grid().Row(), 2);

    // Tab moves one column on; in the last column it adds a row and goes to column 1 of the next.
    Type(form.GridView, "Q");
    Tab(CellEditor());
    EXPECT_EQ(Grid().Cells(1, 2), "Q");
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_EQ(Grid().Row(), 2);
    Grid().FocusCell(12, 2);
    Tab(form.GridView);
    EXPECT_EQ(Grid().RowCount(), 4);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_EQ(Grid().Col(), 1);

    // What is typed into the inspector goes into the current cell with Enter.
    form.edCellContent->setFocus();
    Type(form.edCellContent, "Soap");
    EXPECT_EQ(Grid().Cells(1, 3), "");
    Enter(form.edCellContent);
    EXPECT_EQ(Grid().Cells(1, 3), "Soap");
    EXPECT_EQ(Grid().Row(), 4);
    EXPECT_EQ(Grid().RowCount(), 5);

    form.GridView->setCurrentIndex(form.GridView->model()->index(3, 4));
    EXPECT_EQ(form.cbCellSelection->currentText().toStdString(), "Product 3   Width");
    EXPECT_EQ(form.edCellContent->text().toStdString(), "");
}

TEST_F(CatalogWindow, ClosingAnUntouchedCatalogAsksNothingAndLeavesNoCatalog)
{
    Grid().FocusCell(2, 1);
    form.GridView->setCurrentIndex(form.GridView->model()->index(1, 3));
    EXPECT_FALSE(form.model.modified);
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(form.model.catalog, nullptr);
    EXPECT_EQ(Grid().ColCount(), 9);
}

TEST_F(CatalogWindow, ADraggedColumnMovesTheCellsAndTheRoleOnItAndTheViewShowsTheGridsOrder)
{
    Grid().SetCells(2, 1, "Soap");
    QHeaderView* header = form.GridView->horizontalHeader();
    ASSERT_TRUE(header->isVisible());
    header->moveSection(2, 5); // what a drag of column 2 onto column 5 ends in
    EXPECT_EQ(Grid().Cells(5, 0), "Description");
    EXPECT_EQ(Grid().Cells(5, 1), "Soap");
    EXPECT_EQ(Grid().Cells(2, 0), "Picture Name");
    EXPECT_EQ(Role(RoleDescription), 5);
    EXPECT_EQ(Role(RoleWidth), 3);
    EXPECT_TRUE(form.model.modified);
    for (int col = 0; col < Grid().ColCount(); ++col)
        EXPECT_EQ(header->visualIndex(col), col);
    EXPECT_EQ(form.GridView->model()->index(0, 5).data().toString().toStdString(), "Description");

    // The record numbers stay in column 0.
    header->moveSection(0, 3);
    header->moveSection(4, 0);
    EXPECT_EQ(Grid().Cells(0, 0), "Record Nr.");
    EXPECT_EQ(Grid().Cells(4, 0), "Height");
    EXPECT_EQ(header->visualIndex(0), 0);
}

TEST_F(CatalogWindow, TheFileMenuNeedsACatalogAndFindNextALiveSearch)
{
    emit form.File1->aboutToShow();
    for (QAction* command : {form.aSave, form.SaveAs1, form.Export1})
        EXPECT_TRUE(command->isEnabled()) << command->objectName().toStdString();
    emit form.Edit1->aboutToShow();
    EXPECT_FALSE(form.aFindNext->isEnabled());

    Grid().SetRowCount(3);
    Grid().SetCells(2, 1, "Soap");
    Grid().SetCells(2, 2, "Soap");
    ui.AnswerInput("Soap");
    form.aFindFirst->trigger();
    emit form.Edit1->aboutToShow();
    EXPECT_TRUE(form.aFindNext->isEnabled());
    form.aFindNext->trigger();
    EXPECT_EQ(Grid().Row(), 2);
    ui.AnswerMessage(MsgAnswer::OK);
    form.aFindNext->trigger();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could Not Find"});
    emit form.Edit1->aboutToShow();
    EXPECT_FALSE(form.aFindNext->isEnabled());

    EXPECT_TRUE(form.close());
    emit form.File1->aboutToShow();
    for (QAction* command : {form.aSave, form.SaveAs1, form.Export1})
        EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    EXPECT_TRUE(form.NewCatalog1->isEnabled());
}

TEST_F(CatalogWindow, CloseWithAFailedSaveKeepsTheWindowAndItsEdits)
{
    TemporaryFolder folder;
    const std::string path = folder.File("shop.ctf");
    ui.AnswerFile(FileDialogResult{path, CatalogManager::TextEntry});
    form.SaveAs1->trigger();
    const std::string saved = ReadWholeFile(path);
    Grid().SetEditText(2, 1, std::string(6000, 'x'));
    {
        FileSizeLimit limit(saved.size());
        ui.AnswerMessage(MsgAnswer::Yes); // "Save changes to catalog?"
        ui.AnswerMessage(MsgAnswer::OK);  // the write's failure
        EXPECT_FALSE(form.close());
    }
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.model.modified);
    EXPECT_EQ(Grid().Cells(2, 1), std::string(6000, 'x'));
    EXPECT_EQ(ReadWholeFile(path), saved);
    EXPECT_EQ(ui.MessageTexts().front(), "Save changes to catalog?");

    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.model.modified);
}

// A value of 20 MB paints as its start and an ellipsis, in the grid and the read-only inspector, and
// is saved back whole.
TEST_F(CatalogWindow, ALongValueShowsItsStartAndIsSavedBackWhole)
{
    std::string value = "Leaf tea";
    while (value.size() < 20'000'000)
        value += "; caf\xE9 grade " + std::to_string(value.size());
    TemporaryFolder folder;
    const std::string path = folder.File("long.ctf");
    Grid().SetCells(1, 1, "T-1");
    Grid().SetCells(2, 1, value);
    ui.AnswerFile(FileDialogResult{path, CatalogManager::TextEntry});
    ASSERT_TRUE(form.SaveCatalog());
    const std::string saved = ReadWholeFile(path);
    form.NewCatalog();
    ASSERT_TRUE(form.OpenCatalog(path));

    form.GridView->grab();
    const QString start = toQString(value.substr(0, ShownCharacters)) + QChar(u'\u2026');
    EXPECT_EQ(form.GridView->model()->index(1, 2).data().toString(), start);
    Grid().FocusCell(2, 1);
    EXPECT_EQ(form.edCellContent->text(), start);
    EXPECT_TRUE(form.edCellContent->isReadOnly());
    EXPECT_EQ(form.model.cellContent, value);
    Grid().FocusCell(1, 1);
    EXPECT_FALSE(form.edCellContent->isReadOnly());

    form.model.modified = true;
    ASSERT_TRUE(form.SaveCatalog());
    EXPECT_EQ(ReadWholeFile(path), saved);
}

class CatalogOptions : public CatalogWindow {
protected:
    CatalogOptions() : options(form.model) {}

    std::vector<std::string> Entries(QComboBox* box)
    {
        std::vector<std::string> entries;
        for (int i = 0; i < box->count(); ++i)
            entries.push_back(box->itemText(i).toStdString());
        return entries;
    }

    TCatOps options;
};

TEST_F(CatalogOptions, TheBoxesListTheColumnTitlesAndPreselectEachRolesColumn)
{
    EXPECT_EQ(options.windowTitle().toStdString(), "Catalog Manager Options");
    form.model.catalog->roles[RoleBrand] = -1;
    form.model.catalog->roles[RolePartNumber] = -1;
    options.FormShow();
    // A brand the catalog lacks shows "None"; the description on column 2 is entry 3, after "None";
    // a part number on no column leaves its box without a choice.
    EXPECT_EQ(options.cbBrand->currentText().toStdString(), "None");
    EXPECT_EQ(options.cbDescription->currentIndex(), 3);
    EXPECT_EQ(options.cbDescription->currentText().toStdString(), "Description");
    EXPECT_EQ(options.cbIndex->currentIndex(), -1);

    std::vector<std::string> titles;
    for (int col = 0; col < 13; ++col)
        titles.emplace_back(CatalogManager::DefaultTitles[col]);
    for (QComboBox* box : {options.cbIndex, options.cbWidth, options.cbHeight})
        EXPECT_EQ(Entries(box), titles) << box->objectName().toStdString();
    std::vector<std::string> withNone = titles;
    withNone.insert(withNone.begin(), "None");
    for (QComboBox* box : {options.cbDescription, options.cbDepth, options.cbPicName, options.cbCostPrice,
                           options.cbRetailPrice, options.cbPegX, options.cbPegY, options.cbInventory,
                           options.cbLowInventory, options.cbSalesQ, options.cbCategory, options.cbBrand})
        EXPECT_EQ(Entries(box), withNone) << box->objectName().toStdString();
    EXPECT_EQ(options.lbPegY->text().toStdString(), "Peg hole Y coordinate:");
    EXPECT_EQ(options.txtStatus->text().toStdString(), "Up to date");
}

TEST_F(CatalogOptions, FieldAssignmentTakesTheChoicesAfterOKAndNothingAfterCancel)
{
    const CatalogRoleColumns before = form.model.catalog->roles;
    emit form.Edit1->aboutToShow();
    ui.whileShownModally = [this] { options.cbBrand->setCurrentIndex(4); };
    ui.AnswerModal(mrCancel);
    form.Datafieldassignmentoptions1->trigger();
    EXPECT_EQ(form.model.catalog->roles, before);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow).at(0).text, "CatOps");

    // "Picture Name", entry 4 after "None", is column 3; the record number counts as no column.
    ui.whileShownModally = [this] {
        options.cbBrand->setCurrentIndex(4);
        options.cbCategory->setCurrentIndex(1);
        options.cbWidth->setCurrentIndex(6);
    };
    ui.AnswerModal(mrOk);
    form.Datafieldassignmentoptions1->trigger();
    EXPECT_EQ(Role(RoleBrand), 3);
    EXPECT_EQ(Role(RoleCategory), -1);
    EXPECT_EQ(Role(RoleWidth), 6);
    EXPECT_EQ(Role(RoleDescription), before[RoleDescription]);
}

TEST_F(CatalogOptions, ATextImportAsksForTheRolesOnTheFirstPageAndAgainAfterTheRows)
{
    TemporaryFolder folder;
    const std::string path = folder.File("list.txt");
    WriteWholeFile(path, "Part\tName\tWide\tHigh\r\nA-1\tSoap\t10\t20\r\nA-2\tTea\t5\t6\r\n");
    options.PageControl1->setCurrentIndex(1);
    std::vector<int> pages;
    ui.whileShownModally = [&] {
        pages.push_back(options.PageControl1->currentIndex());
        options.cbWidth->setCurrentIndex(3);
        options.cbHeight->setCurrentIndex(4);
    };
    ui.AnswerFile(FileDialogResult{path, 1});
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerModal(mrOk);
    ui.AnswerModal(mrOk);
    form.ImportText->trigger();
    EXPECT_EQ(pages, (std::vector<int>{0, 0}));
    EXPECT_EQ(Role(RoleWidth), 3);
    EXPECT_EQ(Role(RoleHeight), 4);
    EXPECT_EQ(Grid().Cells(3, 2), "5");
    EXPECT_TRUE(form.model.modified);
}

TEST_F(CatalogOptions, ImportExcelShowsTheImporterThenTheOptionsWhoseCancelKeepsTheRoles)
{
    RecordingSpreadsheets excel;
    excel.sheet = {{Variant::FromString("Part"), Variant::FromString("Wide")},
                   {Variant::FromString("A-1"), Variant::Double(12.5)}};
    TExcelImporter importer(form.model);
    ExcelImporter = &importer;
    const CatalogRoleColumns before = form.model.catalog->roles;
    EXPECT_FALSE(form.aImportExcel->isEnabled()); // no importer when the window was made
    emit form.File1->aboutToShow();
    EXPECT_TRUE(form.aImportExcel->isEnabled());
    int shown = 0;
    ui.whileShownModally = [&] {
        if (shown++ > 0)
            return options.cbWidth->setCurrentIndex(2);
        importer.show();
        importer.edRow->setText("2");
        importer.edCol->setText("2");
        importer.Button1->click();
    };
    ui.AnswerFile(FileDialogResult{"/data/list.xls", 1});
    ui.AnswerModal(mrCancel);
    ui.AnswerModal(mrCancel);
    form.aImportExcel->trigger();
    ExcelImporter = nullptr;

    std::vector<std::string> windows;
    for (const ScriptedUi::Call& call : ui.CallsOf(ScriptedUi::Kind::ModalWindow))
        windows.push_back(call.text);
    EXPECT_EQ(windows, (std::vector<std::string>{"ExcelImporter", "CatOps"}));
    const FileDialogOptions dialog = ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0).fileOptions;
    EXPECT_EQ(dialog.title, "Import Excel");
    EXPECT_EQ(dialog.filter, "Excel (*.xls)|*.xls");
    EXPECT_EQ(dialog.defaultExt, "xls");
    EXPECT_FALSE(importer.isVisible());
    EXPECT_EQ(Grid().Cells(1, 0), "Part");
    EXPECT_EQ(Grid().Cells(2, 1), "12.5");
    EXPECT_TRUE(form.model.modified);
    EXPECT_EQ(form.model.catalog->roles, before);
}

TEST_F(CatalogOptions, TheImporterTakesWholeNumbersAndStaysOpenWhenTheFileChoiceIsCancelled)
{
    RecordingSpreadsheets excel;
    TExcelImporter importer(form.model);
    importer.show();
    ui.AnswerFile(std::nullopt);
    importer.Button1Click();
    EXPECT_TRUE(importer.isVisible());
    importer.edCol->setText("2x");
    ui.AnswerFile(FileDialogResult{"/data/list.xls", 1});
    EXPECT_EQ(RaisedMessage<Exception>([&] { importer.Button1Click(); }), "'2x' is not a valid integer value");
    EXPECT_TRUE(importer.isVisible());
    EXPECT_TRUE(excel.calls.empty());
    EXPECT_FALSE(form.model.modified);
}

} // namespace

TEST_F(CatalogWindow, ThePictureMenuWorksAndTheWindowWaitsDisabledForTheExport)
{
    for (QAction* command : {form.aGetPicture, form.aEditPic, form.aScan, form.SaveAllPicturesSingleZYBFile1,
                             form.aOpenZYB, form.aSetPCollection, form.aChangeDrive, form.aStripPath,
                             form.CatalogCapture1})
        EXPECT_TRUE(command->isEnabled()) << command->objectName().toStdString();
    EXPECT_EQ(form.Picture1->actions().size(), 8);

    // Find sets the location from a chosen file and shows the bar.
    TemporaryFolder folder;
    const std::string target = folder.File("shop.zyb");
    ui.AnswerFile(FileDialogResult{target, 1});
    form.aSetPCollection->trigger();
    EXPECT_TRUE(form.PLocationBar->isVisible());
    EXPECT_EQ(form.edLocation->text().toStdString(), target);
    TZYBBrowser browser;
    form.ZYBBrowser = &browser;
    ui.AnswerModal(0);
    form.aOpenZYB->trigger();
    EXPECT_EQ(browser.CollectionPath(), target);

    // The export, with the window disabled and kept from closing while it runs, read back through the
    // collection reader.
    const RgbImage picture = ScriptCollectionExport(folder, target);
    std::vector<bool> enabledWhileRunning;
    form.show();
    QTimer::singleShot(0, &form, [&] {
        enabledWhileRunning.push_back(form.isEnabled());
        enabledWhileRunning.push_back(form.findChild<TPrintStatus*>()->isVisible());
        form.close();
        enabledWhileRunning.push_back(form.isVisible());
    });
    form.SaveAllPicturesSingleZYBFile1->trigger();
    EXPECT_EQ(enabledWhileRunning, (std::vector<bool>{false, true, true}));
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(form.findChild<TPrintStatus*>(), nullptr);
    TBitmap read;
    ASSERT_TRUE(ZybFile().ReadImage(target, "cola.ppm", read, 1));
    EXPECT_EQ(RgbOf(read), picture);
    FinalizeFileFormatList();
}

// The location field holds a path: typed or found, in any script, it is kept as the catalog stores
// paths and shown as the system names it.
TEST_F(CatalogWindow, TheLocationFieldTakesAndShowsPathsInAnyScript)
{
    TemporaryFolder folder;
    const std::string shelf = "\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xBA\xD0\xB0"; // "Полка"
    const std::string cafe = "caf\xC3\xA9";                               // "café"
    const struct {
        std::string name;
        bool typed; // else found through the bar's Find
        std::string stored;
    } cases[] = {
        {shelf, true, folder.File(shelf) + "/"},
        {cafe, true, folder.File("caf\xE9/")},
        {shelf, false, folder.File(shelf) + "/"},
        {cafe + "/shop.zyb", false, folder.File("caf\xE9/shop.zyb")},
    };
    ui.AnswerFile(std::nullopt);
    form.aSetPCollection->trigger();
    for (const auto& test : cases) {
        const std::string location = folder.File(test.name) + (test.name.ends_with(".zyb") ? "" : "/");
        if (test.typed) {
            form.edLocation->setText(PathToQString(location));
            emit form.edLocation->textEdited(form.edLocation->text());
        } else {
            ui.AnswerFile(FileDialogResult{test.name.ends_with(".zyb") ? location : location + "cola.jpg", 1});
            form.Button1->click();
        }
        EXPECT_EQ(form.model.location, test.stored) << test.name;
        EXPECT_EQ(form.edLocation->text(), QString::fromStdString(location)) << test.name;
    }
    EXPECT_EQ(form.model.BrowsedCollection(), folder.File(cafe + "/shop.zyb"));
}

// A collection in a folder whose name the catalog stores in Windows-1252, exported again through the
// system's save dialog: the file gets only the export's own question, whose No appends to it, and is
// browsed from the file the drawing finds.
TEST_F(CatalogWindow, ACollectionInANonAsciiFolderIsAppendedToThroughTheSaveDialogAndBrowsed)
{
    TemporaryFolder folder;
    const std::string cafe = folder.File("caf\xC3\xA9");
    ASSERT_TRUE(ForceDirectories(cafe));
    const std::string target = cafe + "/shop.zyb";
    ScriptCollectionExport(folder, target);
    form.SaveAllPicturesSingleZYBFile1->trigger();

    // The file dialog is given the collection once; the question gets No, the closing offer Yes.
    QtUiServices dialogs;
    UiServices* const scripted = SetUi(&dialogs);
    std::vector<std::string> boxes;
    int fileDialogs = 0;
    std::optional<EveryModal> answering(std::in_place, [&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (++fileDialogs > 1)
                return dialog->reject();
            // Typed, as the user does: the name field has the focus.
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(target));
            QMetaObject::invokeMethod(dialog, "accept");
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes.push_back(box->text().toStdString());
            box->button(boxes.back().starts_with("Done.") ? QMessageBox::Yes : QMessageBox::No)->click();
        }
    });
    form.SaveAllPicturesSingleZYBFile1->trigger();
    answering.reset();
    SetUi(scripted);
    FinalizeFileFormatList();
    EXPECT_EQ(fileDialogs, 1);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "This file already exists. Select YES to replace the file or select NO to append images to "
                        "the existing file.");
    EXPECT_EQ(boxes[1].rfind("Done. 1 images were saved to a single file.", 0), 0u) << boxes[1];
    EXPECT_EQ(form.model.location, folder.File("caf\xE9/shop.zyb"));
    EXPECT_EQ(form.edLocation->text(), QString::fromStdString(target));

    TZYBBrowser browser;
    form.ZYBBrowser = &browser;
    ui.AnswerModal(0);
    form.aOpenZYB->trigger();
    EXPECT_EQ(browser.CollectionPath(), target);
    ui.ClearCalls();
    browser.FormShow();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{});
    ASSERT_EQ(browser.ImagesList->count(), 2);
    EXPECT_EQ(browser.ImagesList->item(1)->text(), "cola.ppm");
}
