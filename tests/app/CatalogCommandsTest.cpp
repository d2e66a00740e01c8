// The main window's Catalog menu and the selector's "Open Catalog Manager" on the Catalog Manager,
// offscreen: what the window holds while it is shown modally, a window already shown with edits, a
// new direct data link with the options dialog's help, and the Catalog Manager's scan and catalog
// capture in the real picture editor.
#include "app/MainCatalogHost.h"
#include "app/MainFormFixture.h"
#include "app/picdocCode.h"

#include "catalog/CatOpsCode.h"
#include "catalog/DataMaker.h"
#include "catalog/EnhTwain.h"
#include "planogram/SelectorCode.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGrid.h"
#include "testing/FakeScanner.h"

#include "OdbcTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace {

class CatalogCommands : public MainFormFixture {
protected:
    CatalogCommands() : host(*form), manager(host, form.get())
    {
        form->SetCatalogManager(manager);
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
        user.whileShownModally = [this] {
            shownFile = manager.model.fileName;
            shownRefreshing = manager.model.refreshSelectorOnSave;
            shownPart = Grid().Cells(1, 1);
        };
    }
    ~CatalogCommands() override { selector.reset(); }

    TStringGrid& Grid() { return manager.model.Grid; }
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> names;
        for (const ScriptedUi::Call& call : user.CallsOf(ScriptedUi::Kind::ModalWindow))
            names.push_back(call.text);
        return names;
    }

    ScriptedUi user;
    MainCatalogHost host;
    TDForm manager;
    std::unique_ptr<TSelector> selector;
    // The picture editor the Catalog Manager made, shown as the modal showing would show it.
    Tpicdoc& ShownEditor()
    {
        auto* editor = form->findChild<Tpicdoc*>();
        EXPECT_NE(editor, nullptr);
        editor->show();
        return *editor;
    }

    std::string shownFile = "?";
    bool shownRefreshing = false;
    std::string shownPart = "?";
};

TEST_F(CatalogCommands, CatalogManagerAndNewShowANewCatalogAndOpenTheChosenOne)
{
    for (QAction* command : {form->CatalogManager1, form->New2, form->Open2}) {
        EXPECT_TRUE(command->isEnabled()) << command->objectName().toStdString();
        manager.model.fileName = "left over.ctf";
        Grid().SetCells(1, 1, "left over");
        if (command == form->Open2)
            user.AnswerFile(FileDialogResult{program.File("Catalogs/Sample.ctf"), 1});
        user.AnswerModal(mrCancel);
        command->trigger();
        if (command == form->Open2) {
            EXPECT_EQ(user.CallsOf(ScriptedUi::Kind::OpenDialog).at(0).fileOptions.filter,
                      "Kestrame Catalog (*.vdx) (*.ctf) (*.ddl)|*.vdx;*.did;*.ctf;*.ddl");
            EXPECT_EQ(shownFile, program.File("Catalogs/Sample.ctf"));
            EXPECT_EQ(shownPart, "SK-101");
        } else {
            EXPECT_EQ(shownFile, "");
            EXPECT_EQ(shownPart, "");
            EXPECT_EQ(Grid().Cells(12, 0), "Brand");
        }
        EXPECT_FALSE(shownRefreshing);
    }
    EXPECT_EQ(Shown(), (std::vector<std::string>{"DForm", "DForm", "DForm"}));

    // Without a choice in the open dialog nothing is shown.
    user.AnswerFile(std::nullopt);
    form->Open2->trigger();
    EXPECT_EQ(Shown().size(), 3u);
}

TEST_F(CatalogCommands, EditShowsThePlanogramsCatalogWhoseSavesReachTheSelector)
{
    emit form->mnuCatalog->aboutToShow();
    EXPECT_FALSE(form->Edit2->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    emit form->mnuCatalog->aboutToShow();
    ASSERT_TRUE(form->Edit2->isEnabled());
    const std::string catalogFile = Active().catalog->fileName;

    user.AnswerModal(mrCancel);
    form->Edit2->trigger();
    EXPECT_EQ(shownFile, catalogFile);
    EXPECT_TRUE(shownRefreshing);
    EXPECT_FALSE(manager.model.refreshSelectorOnSave);

    // The selector's button does the same with its catalog; a save while shown reloads its products.
    ASSERT_TRUE(selector->sbOpenDataFile->isEnabled());
    user.whileShownModally = [this] {
        shownRefreshing = manager.model.refreshSelectorOnSave;
        Grid().SetEditText(2, 1, "Oat Crunch");
        EXPECT_TRUE(manager.SaveCatalog());
    };
    user.AnswerModal(mrOk);
    selector->sbOpenDataFile->click();
    EXPECT_TRUE(shownRefreshing);
    EXPECT_EQ(selector->GridP().Cells(2, 1), "Oat Crunch");
    EXPECT_FALSE(manager.model.refreshSelectorOnSave);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"DForm", "DForm"}));
}

TEST_F(CatalogCommands, AWindowShownWithEditsAsksBeforeANewCatalogAndComesToTheFront)
{
    manager.NewCatalog();
    manager.show();
    Grid().SetEditText(1, 1, "unsaved");
    QCoreApplication::processEvents();
    form->activateWindow();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), form.get());

    user.AnswerMessage(MsgAnswer::Cancel);
    form->CatalogManager1->trigger();
    EXPECT_EQ(user.MessageTexts(), std::vector<std::string>{"Would you like to save changes to your current catalog "
                                                            "file before starting a new catalog?"});
    EXPECT_EQ(Grid().Cells(1, 1), "unsaved");
    EXPECT_TRUE(manager.model.modified);
    EXPECT_TRUE(Shown().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &manager);

    user.AnswerMessage(MsgAnswer::No);
    user.AnswerModal(mrCancel);
    form->CatalogManager1->trigger();
    EXPECT_EQ(shownPart, "");
    EXPECT_EQ(Shown(), std::vector<std::string>{"DForm"});
}

// Closing the main window asks the Catalog Manager shown beside it about its edits first: at work
// (disabled) it keeps everything unasked; Cancel keeps the main window, the manager and its edits;
// No closes both without asking again, and the program is told that its main window has closed.
TEST_F(CatalogCommands, ClosingTheMainWindowAsksTheManagerShownBesideItFirst)
{
    manager.NewCatalog();
    manager.show();
    Grid().SetEditText(1, 1, "unsaved");
    int closed = 0;
    QObject::connect(form.get(), &TMainForm::Closed, [&closed] { ++closed; });
    manager.setEnabled(false);
    form->Exit1->trigger();
    EXPECT_TRUE(user.MessageTexts().empty());
    EXPECT_TRUE(form->isVisible());
    manager.setEnabled(true);

    user.AnswerMessage(MsgAnswer::Cancel);
    form->Exit1->trigger();
    EXPECT_EQ(user.MessageTexts(), std::vector<std::string>{"Save changes to catalog?"});
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(manager.isVisible());
    EXPECT_EQ(Grid().Cells(1, 1), "unsaved");
    EXPECT_TRUE(manager.model.modified);
    EXPECT_EQ(closed, 0);

    user.AnswerMessage(MsgAnswer::No);
    form->Exit1->trigger();
    EXPECT_EQ(user.MessageTexts().size(), 2u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(manager.isVisible());
    EXPECT_FALSE(manager.model.modified);
    EXPECT_EQ(closed, 1);
}

TEST_F(CatalogCommands, NewDirectDataLinkShowsTheManagerWithoutWaitingAndItsOptionsHelpIsTheMainWindows)
{
    TestDatabase database{Server::SQLite};
    database.Client("CREATE TABLE Goods(name TEXT, ean INTEGER)");
    TCatOps catOps(manager.model, form.get());
    bool shownWhenPrompted = false;
    manager.model.promptDataSource = [&](std::string_view) {
        shownWhenPrompted = manager.isVisible();
        return std::optional<std::string>(database.ConnectionString());
    };
    const HelpHandler previous = TApplication::OnHelp();
    std::vector<std::uint32_t> contexts;
    TApplication::SetOnHelp([&](std::uint16_t command, std::uint32_t data, bool& callHelp) {
        if (command == HELP_CONTEXT)
            contexts.push_back(data);
        callHelp = false;
        return true;
    });
    const std::string path = database.Folder().File("goods.ddl");
    user.AnswerFile(FileDialogResult{path, 1});
    user.AnswerInput("Goods");
    user.whileShownModally = [&] { catOps.HelpBtn->click(); };
    user.AnswerModal(mrOk);
    // Left owned by another window, as one that showed it modally would leave it.
    QWidget wizard;
    KeepAboveOwner(manager, wizard);
    ASSERT_TRUE(form->NewDirectDataLink1->isEnabled());
    form->NewDirectDataLink1->trigger();
    EXPECT_EQ(manager.windowHandle()->transientParent(), form->windowHandle());
    TApplication::SetOnHelp(previous);

    EXPECT_TRUE(shownWhenPrompted);
    EXPECT_EQ(Shown(), std::vector<std::string>{"CatOps"});
    EXPECT_EQ(contexts, std::vector<std::uint32_t>{1});
    EXPECT_EQ(manager.model.fileName, path);
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(manager.DBGrid1->isHidden());
}

TEST_F(CatalogCommands, ScanImportPictureLinksTheSavedScanToTheCurrentRow)
{
    manager.NewCatalog();
    Grid().SetCells(1, 1, "P-1");
    Grid().SetRow(1);
    // Without SANE, and with SANE but no scanner: said, and no editor.
    const struct {
        bool sane;
        const char* text;
    } unavailable[] = {
        {false, "Scanning is not available: the SANE library (libsane.so.1) is not installed."},
        {true, "Sorry, no scanner found by SANE"},
    };
    for (const auto& scanning : unavailable) {
        FakeScanner scanner(scanning.sane);
        scanner.devices.clear();
        user.ClearCalls();
        user.AnswerMessage(MsgAnswer::OK);
        manager.aScan->trigger();
        EXPECT_EQ(user.MessageTexts(), std::vector<std::string>{scanning.text});
        EXPECT_TRUE(Shown().empty()) << scanning.text;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(form->findChild<Tpicdoc*>(), nullptr);
    }

    FakeScanner scanner;
    scanner.frames.push_back(FakeScanner::GrayFrame(40, 25, 0x33));
    const std::string saved = program.File("scan.bmp");
    user.whileShownModally = [&] {
        Tpicdoc& editor = ShownEditor();
        // The scanner's dialog opens once the modal showing runs.
        QApplication::processEvents();
        TTwain* connection = editor.EnhTwain1->Connection();
        ASSERT_TRUE(connection && connection->Dialog());
        connection->Dialog()->Scan();
        QElapsedTimer waited;
        waited.start();
        while (connection->SourceOpen() && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_TRUE(editor.model.HasPicture());
        user.AnswerFile(FileDialogResult{saved, 2});
        editor.aSave->trigger();
        user.AnswerMessage(MsgAnswer::Yes);
        EXPECT_TRUE(editor.close());
    };
    user.ClearCalls();
    user.AnswerModal(mrCancel);
    manager.aScan->trigger();
    EXPECT_EQ(Shown(), std::vector<std::string>{"picdoc"});
    EXPECT_EQ(user.MessageTexts(), std::vector<std::string>{"Update picture link for catalog item P-1?"});
    EXPECT_EQ(ReadWholeFile(saved).substr(0, 2), "BM");
    EXPECT_EQ(Grid().Cells(3, 1), saved);
}

// The shipped catalog names its pictures bare, with no collection location: they are packed from
// beside the catalog, whatever folder the program runs in.
TEST_F(CatalogCommands, SaveAllPicturesPacksTheShippedCatalogsPictures)
{
    const std::string catalog = program.File("Catalogs/Sample.ctf");
    RunCommand("'" + ExampleFilesFolder + "make_pictures.sh' '" + catalog + "' '" + program.File("Catalogs") + "'");
    ASSERT_TRUE(manager.OpenCatalog(catalog));
    user.AnswerFile(FileDialogResult{program.File("all.zyb"), 1});
    user.AnswerMessage(MsgAnswer::No);
    manager.SaveAllPicturesSingleZYBFile1->trigger();
    EXPECT_TRUE(user.MessageTexts().at(0).starts_with("Done. 30 images were saved to a single file."));
}

TEST_F(CatalogCommands, CatalogCaptureAsksToSaveThenAddsTheCapturedProductsToANewCatalog)
{
    ASSERT_TRUE(manager.OpenCatalog(program.File("Catalogs/Sample.ctf")));
    Grid().SetEditText(2, 1, "changed");
    user.whileShownModally = [&] {
        Tpicdoc& editor = ShownEditor();
        EXPECT_TRUE(editor.InfoBar->isVisible() && editor.CatalogBar->isVisible());
        for (const auto& [edit, text] : {std::pair{editor.edIndex, "CAP-1"}, {editor.edW, "12.5"}}) {
            edit->setText(text);
            emit edit->textEdited(text);
        }
        editor.bAddClick();
        EXPECT_TRUE(editor.close());
    };
    user.AnswerMessage(MsgAnswer::No);
    user.AnswerModal(mrCancel);
    manager.CatalogCapture1->trigger();
    EXPECT_EQ(user.MessageTexts(), std::vector<std::string>{"Would you like to save changes to your current catalog "
                                                            "file before starting a new catalog?"});
    EXPECT_EQ(Shown(), std::vector<std::string>{"picdoc"});
    EXPECT_EQ(Grid().Cells(1, 1) + "|" + Grid().Cells(2, 1) + "|" + Grid().Cells(4, 1), "CAP-1||12.5");
    EXPECT_EQ(Grid().Cells(1, 2), "");
    EXPECT_TRUE(manager.model.modified);
}

} // namespace
