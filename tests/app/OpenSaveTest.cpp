#include "app/CommandLine.h"
#include "app/MainFormFixture.h"
#include "app/MainProgressBar.h"
#include "app/OpenFileServer.h"
#include "app/SDIMain.h"

#include "TestSupport.h"
#include "catalog/Didbase.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/settings/SettingsStore.h"
#include "testing/ScriptedUi.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

const std::string MismatchText =
    "The picture link information or product meassurements for one or more products in this planogram does not "
    "match the information in your catalog and may not display, print or show report results as expected. Would you "
    "like to update this planogram with the information in your catalog?";

class OpenSaveTest : public MainFormFixture {};

TEST_F(OpenSaveTest, TheExampleOpensWithItsHeaderAndNoQuestion)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_TRUE(ui.Calls().empty());
    ASSERT_EQ(Windows(), 1);
    EXPECT_EQ(form->ClientArea->subWindowList().front()->windowTitle().toStdString(), "Sample Wall.kqf");
    PlanogramDocument& document = Active();
    EXPECT_EQ(document.items->Count(), 37);
    EXPECT_EQ(document.itemCounter, 37);
    EXPECT_EQ(document.displayWidth, 480);
    EXPECT_EQ(document.displayHeight, 720);
    EXPECT_EQ(document.backgroundColor, TColor(15658734));
    EXPECT_FALSE(document.graphics.transparencySetting);
    EXPECT_EQ(document.graphics.tagFont.Name, "Arial");
    EXPECT_FALSE(document.untitled);
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(document.builderList.size(), 3u);
    EXPECT_EQ(document.builderList[1], (BuilderEntry{"BR-501", "2", "3"}));
    EXPECT_EQ(form->activeDocHeight, 720);
    // A product's picture file sits beside the catalog, which names no picture folder.
    EXPECT_EQ(Item(5).picture, "SK-101.jpg");
    EXPECT_EQ(Item(5).depth, 28);
}

TEST_F(OpenSaveTest, TheMismatchQuestionIsAskedOnceAndAppliesFromTheFirstMismatch)
{
    std::string text = ReadWholeFile(Example());
    text = Replaced(text, "S6.depth=24", "S6.depth=99");
    text = Replaced(text, "S8.depth=32", "S8.depth=77");
    const std::string changed = program.File("Examples/Changed.kqf");
    WriteWholeFile(changed, text);

    ui.AnswerMessage(MsgAnswer::No);
    ASSERT_TRUE(form->OpenPlanogram(changed));
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{MismatchText});
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(Item(6).depth, 99);
    EXPECT_EQ(Item(8).depth, 77);

    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::Yes);
    ASSERT_TRUE(form->OpenPlanogram(changed));
    EXPECT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(Item(6).depth, 24); // SK-102: 6 cm deep
    EXPECT_EQ(Item(8).depth, 32);
    EXPECT_EQ(Item(5).depth, 28);
}

TEST_F(OpenSaveTest, UnopenableFilesAndCollectionsLeaveNoWindow)
{
    WriteWholeFile(program.File("pictures.kqf"), "PMT\x01\x02");
    EXPECT_FALSE(form->OpenPlanogram(program.File("pictures.kqf")));
    EXPECT_TRUE(ui.Calls().empty());

    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(form->OpenPlanogram(program.File("absent.kqf")));
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not open file"});
    EXPECT_EQ(ui.Calls()[0].caption, "Open Error");

    ui.ClearCalls();
    WriteWholeFile(program.File("Catalogs/Broken.ctf"), "not a catalog\r\n");
    WriteWholeFile(program.File("broken.kqf"),
                   Replaced(ReadWholeFile(Example()), "CatalogName=Sample.ctf", "CatalogName=Broken.ctf"));
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(form->OpenPlanogram(program.File("broken.kqf")));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not open catalog file"});
    QCoreApplication::processEvents();
    EXPECT_EQ(Windows(), 0);
}

TEST_F(OpenSaveTest, SaveThenOpenGivesTheSameBytesAndFillsTheRecentList)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::string first = program.File("first.kqf"), second = program.File("second.kqf");
    ui.AnswerFile(FileDialogResult{first, 1});
    ASSERT_TRUE(form->SavePlanogram(true));
    EXPECT_EQ(Active().fileName, first);
    EXPECT_EQ(form->ClientArea->activeSubWindow()->windowTitle().toStdString(), "first.kqf");
    ASSERT_TRUE(form->OpenPlanogram(first));
    ui.AnswerFile(FileDialogResult{second, 1});
    ASSERT_TRUE(form->SavePlanogram(true));
    EXPECT_EQ(ReadWholeFile(first), ReadWholeFile(second));
    EXPECT_EQ(form->recentFiles->CommaText(), second + "," + first);
    EXPECT_EQ(form->prefs->doc1, second);
}

TEST_F(OpenSaveTest, DocumentsKeepTheirTagsBackgroundsWallSizesAndTitles)
{
    // The item-number tag is stored under "tagPartNr": it draws " nr.=" and is written back there.
    const std::string tagged = program.File("tagged.kqf");
    WriteWholeFile(tagged, Replaced(ReadWholeFile(Example()), "Header.tagPartNr=0", "Header.tagPartNr=1"));
    ASSERT_TRUE(form->OpenPlanogram(tagged));
    EXPECT_TRUE(Active().graphics.tagItemNr);
    EXPECT_FALSE(Active().graphics.tagPartNr);
    EXPECT_EQ(Active().graphics.TagText(Item(5)).find(" nr.="), 0u);
    ASSERT_TRUE(form->SavePlanogram(false));
    const std::string saved = ReadWholeFile(tagged);
    EXPECT_NE(saved.find("Header.tagPartNr=1\r\nHeader.tagItemNr=0\r\n"), std::string::npos);

    // A wall picture that exists but cannot be read says why, once, and stays in the file.
    const std::string png = program.File("wall.png");
    WriteWholeFile(png, "\x89PNG but no picture");
    const std::string pictured = program.File("pictured.kqf");
    WriteWholeFile(pictured,
                   Replaced(Replaced(ReadWholeFile(Example()), "Header.bgbitmapmode=0", "Header.bgbitmapmode=2"),
                            "Header.bgBMPpath=", "Header.bgBMPpath=" + png));
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(form->OpenPlanogram(pictured));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Cannot load image. Invalid or unexpected PNG image format."});
    ASSERT_TRUE(form->SavePlanogram(false));
    EXPECT_NE(ReadWholeFile(pictured).find("Header.bgbitmapmode=2\r\nHeader.bgBMPpath=" + png + "\r\n"),
              std::string::npos);

    // With two windows open a template is "My Display 2".
    ASSERT_TRUE(form->OpenPlanogram(program.File("Template/Four Shelves.kqt")));
    EXPECT_EQ(form->ActivePlanogram()->parentWidget()->windowTitle().toStdString(), "My Display 2");

    // A new display is set up after its window first shows, so the set-up's peg depth stands, and
    // its wall sizes the window.
    SettingsStore().WriteString("Options", "cmPegDepth", "20");
    DocumentSetupValues values;
    values.catalogFile = program.File("Catalogs/Sample.ctf");
    values.edPegDepth = "13";
    setup.answer = values;
    ASSERT_TRUE(form->NewPlanogram());
    EXPECT_EQ(Active().pegDepthUnits, 52);
    QMdiSubWindow* frame = form->ClientArea->subWindowList().back();
    EXPECT_EQ(frame->height(), form->ClientArea->viewport()->height() - 70);

    // Over a maximized window the new one is maximized, and fills the area.
    frame->showMaximized();
    ASSERT_TRUE(form->NewPlanogram());
    const QMdiSubWindow* maximized = form->ClientArea->currentSubWindow();
    ASSERT_NE(maximized, frame);
    EXPECT_TRUE(maximized->isMaximized());
    EXPECT_EQ(maximized->geometry(), form->ClientArea->viewport()->rect());
}

TEST_F(OpenSaveTest, ATemplateOpensUntitledAndTheTemplateFilterSavesKqt)
{
    ASSERT_TRUE(form->OpenPlanogram(program.File("Template/Four Shelves.kqt")));
    EXPECT_TRUE(Active().untitled);
    EXPECT_EQ(Active().items->Count(), 4);
    ui.AnswerFile(FileDialogResult{program.File("mine.kqf"), 2});
    ASSERT_TRUE(form->SavePlanogram(false));
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.filter,
              "Kestrame File (*.kqf)|*.kqf|Kestrame Template (*.kqt)|*.kqt");
    EXPECT_TRUE(FileExists(program.File("mine.kqt")));
    EXPECT_FALSE(Active().untitled);
    // Saved once under a name, Save asks no more.
    ASSERT_TRUE(form->SavePlanogram(false));
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
}

TEST_F(OpenSaveTest, AFileTheFilterRenamesToIsReplacedOnlyWhenConfirmed)
{
    ASSERT_TRUE(form->OpenPlanogram(program.File("Template/Four Shelves.kqt")));
    const std::string existing = program.File("mine.kqt");
    WriteWholeFile(existing, "kept bytes");
    ui.AnswerFile(FileDialogResult{program.File("mine.kqf"), 2});
    ui.AnswerMessage(MsgAnswer::No);
    EXPECT_FALSE(form->SavePlanogram(false));
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{"mine.kqt already exists.\nDo you want to replace it?"});
    EXPECT_EQ(ui.Calls().back().caption, "Confirm Save As");
    EXPECT_EQ(ui.Calls().back().buttons, MsgButtons::YesNo);
    EXPECT_EQ(ReadWholeFile(existing), "kept bytes");
    EXPECT_FALSE(FileExists(program.File("mine.kqf")));
    EXPECT_TRUE(Active().untitled);
    EXPECT_EQ(form->recentFiles->Count(), 0);

    ui.AnswerFile(FileDialogResult{program.File("mine.kqf"), 2});
    ui.AnswerMessage(MsgAnswer::Yes);
    ASSERT_TRUE(form->SavePlanogram(false));
    EXPECT_NE(ReadWholeFile(existing), "kept bytes");
    EXPECT_EQ(Active().fileName, existing);

    // A name the filter leaves alone was asked about by the dialog itself.
    ui.ClearCalls();
    ui.AnswerFile(FileDialogResult{existing, 2});
    ASSERT_TRUE(form->SavePlanogram(true));
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(OpenSaveTest, AFailedSaveKeepsTheOldFileAndTheDocumentsName)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    const std::string target = program.File("old.kqf");
    WriteWholeFile(target, "old bytes");
    Active().modified = true;
    ui.AnswerFile(FileDialogResult{target, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(200);
        EXPECT_FALSE(form->SavePlanogram(true));
    }
    EXPECT_EQ(ReadWholeFile(target), "old bytes");
    EXPECT_EQ(Active().fileName, Example());
    EXPECT_TRUE(Active().modified);
    EXPECT_EQ(form->recentFiles->Count(), 0);
}

TEST_F(OpenSaveTest, NewIsDiscardedWhenTheSetupIsCancelled)
{
    EXPECT_FALSE(form->NewPlanogram());
    QCoreApplication::processEvents();
    EXPECT_EQ(Windows(), 0);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(OpenSaveTest, NewWithATemplateOpensItUntitled)
{
    DocumentSetupValues chosen;
    chosen.templatePage = true;
    chosen.templateFile = program.File("Template/Four Shelves.kqt");
    setup.answer = chosen;
    ASSERT_TRUE(form->NewPlanogram());
    EXPECT_FALSE(form->LongOperationRunning());
    EXPECT_TRUE(ui.Calls().empty());
    ASSERT_EQ(Windows(), 1);
    // Titled by the windows open before its own.
    EXPECT_EQ(form->ClientArea->subWindowList().front()->windowTitle().toStdString(), "My Display 0");
    EXPECT_TRUE(Active().untitled);
    EXPECT_FALSE(Active().modified);
    EXPECT_EQ(Active().fileName, chosen.templateFile);
    EXPECT_EQ(Active().items->Count(), 4);
    EXPECT_EQ(Active().displayWidth, 480);

    ASSERT_TRUE(form->NewPlanogram());
    ASSERT_EQ(Windows(), 2);
    EXPECT_EQ(form->ClientArea->subWindowList().back()->windowTitle().toStdString(), "My Display 1");

    ui.AnswerFile(FileDialogResult{program.File("mine.kqf"), 1});
    ASSERT_TRUE(form->SavePlanogram(false));
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.fileName, chosen.templateFile);
    EXPECT_TRUE(FileExists(program.File("mine.kqf")));
    EXPECT_EQ(ReadWholeFile(chosen.templateFile), ReadWholeFile(ExampleFilesFolder + "Template/Four Shelves.kqt"));
}

TEST_F(OpenSaveTest, TheTemplatePageWithoutATemplateOrWithABrokenOneLeavesNoWindow)
{
    DocumentSetupValues chosen;
    chosen.templatePage = true;
    setup.answer = chosen;
    EXPECT_FALSE(form->NewPlanogram());
    EXPECT_TRUE(ui.Calls().empty());

    chosen.templateFile = program.File("Template/absent.kqt");
    setup.answer = chosen;
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(form->NewPlanogram());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not open file"});
    QCoreApplication::processEvents();
    EXPECT_EQ(Windows(), 0);
    EXPECT_FALSE(form->LongOperationRunning());
}

TEST_F(OpenSaveTest, ClosingTheLastPlanogramResetsTheCatalogBarAndReadOuts)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->lbCurX->setText("12");
    form->lbCurY->setText("34");
    form->ClientArea->subWindowList().back()->close();
    // The bar shows the product of the planogram that stays.
    const didBase& catalog = *Active().catalog;
    EXPECT_EQ(form->tbFind->text().toStdString(), catalog.partNumber + "  " + catalog.description);
    EXPECT_EQ(form->lbCurX->text().toStdString(), "12");
    EXPECT_TRUE(form->SaveItem->isEnabled());

    form->ClientArea->subWindowList().front()->close();
    EXPECT_EQ(form->tbFind->text().toStdString(), "Catalog Browser... No Active Catalog");
    EXPECT_TRUE(form->lbCurX->text().isEmpty());
    EXPECT_TRUE(form->lbCurY->text().isEmpty());
    EXPECT_FALSE(form->SaveItem->isEnabled());
}

TEST_F(OpenSaveTest, DropsAndRequestsOpenOnlyPlanograms)
{
    ui.AnswerMessage(MsgAnswer::OK);
    form->DropFiles({program.File("picture.bmp")});
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Not a valid drag and drop file."});
    EXPECT_EQ(ui.Calls()[0].caption, "Error");
    form->SystemExecuteMacro("OpenFile=");
    EXPECT_EQ(ui.Calls().size(), 1u);
    form->DropFiles({Example()});
    EXPECT_EQ(Windows(), 1);
}

TEST_F(OpenSaveTest, OpensAndClosesAreRefusedWhileAnOpenRuns)
{
    LongOperations::Guard busy(form->longOperations);
    EXPECT_FALSE(form->OpenPlanogram(Example()));
    EXPECT_FALSE(form->NewPlanogram());
    EXPECT_EQ(Windows(), 0);
    EXPECT_FALSE(form->FormCloseQuery());
}

TEST_F(OpenSaveTest, ARequestDuringAnOpenWaitsForItToEnd)
{
    {
        LongOperations::Guard busy(form->longOperations);
        form->SystemExecuteMacro("OpenFile=" + Example());
        QCoreApplication::processEvents();
        EXPECT_EQ(Windows(), 0);
    }
    for (int i = 0; i < 200 && Windows() == 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(Windows(), 1);
}

TEST_F(OpenSaveTest, ASecondStartHandsItsPathOver)
{
    ASSERT_TRUE(form->StartOpenFileServer());
    bool handedOver = false;
    std::thread secondStart([&] { handedOver = HandOverToRunningProgram("\"" + Example() + "\"", 5000); });
    for (int i = 0; i < 500 && Windows() == 0; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    secondStart.join();
    EXPECT_TRUE(handedOver);
    EXPECT_EQ(Windows(), 1);
}

TEST_F(OpenSaveTest, StartPathsAndHandOversReachTheFileMeantAndOneProgramOnly)
{
    // A relative path on the command line means the folder the start ran in.
    form.reset();
    const std::string before = GetCurrentDir();
    ASSERT_EQ(::chdir(program.Path().c_str()), 0);
    SetProgramCommandLine({"Examples/Sample Wall.kqf"});
    form = std::make_unique<TMainForm>();
    form->SetDocumentSetupDialog(&setup);
    form->show();
    SetProgramCommandLine({});
    ASSERT_EQ(::chdir(before.c_str()), 0);
    ASSERT_EQ(Windows(), 1);
    EXPECT_EQ(Active().fileName, program.Path() + "/Examples/Sample Wall.kqf");

    // Once the request is written the second start leaves, answered or not; without a program to
    // take it, it opens the file itself.
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(toQString(OpenFileServerName())));
    EXPECT_TRUE(HandOverToRunningProgram(Example(), 200));
    ASSERT_TRUE(silent.waitForNewConnection(1000));
    QLocalSocket* received = silent.nextPendingConnection();
    ASSERT_TRUE(received->waitForReadyRead(1000) || received->bytesAvailable() > 0);
    EXPECT_EQ(received->readLine().toStdString(), "OpenFile=" + Example() + "\n");
    silent.close();
    EXPECT_FALSE(HandOverToRunningProgram(Example(), 200));

    // A folder is no planogram: one box.
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(form->OpenPlanogram(program.File("Examples")));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not open file"});
    EXPECT_EQ(ui.Calls()[0].caption, "Open Error");
}

// Started on a planogram whose settings cannot be written, the program says so once, as File > Open
// would, and goes on without the planogram.
TEST_F(OpenSaveTest, AStartWhoseSettingsCannotBeWrittenSaysSoOnceAndGoesOn)
{
    form.reset();
    const std::string settingsFile = SettingsStore().FileName();
    RunCommand("mkdir '" + settingsFile + "'");
    ui.AnswerMessage(MsgAnswer::OK);
    SetProgramCommandLine({Example()});
    form = std::make_unique<TMainForm>();
    form->SetDocumentSetupDialog(&setup);
    form->show();
    SetProgramCommandLine({});
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Cannot write file \"" + settingsFile + "\". Is a directory."});
    EXPECT_EQ(Windows(), 0);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(OpenSaveTest, TheSocketLivesWhereOnlyItsUserCanReachIt)
{
    const std::string testSocket = OpenFileServerName();
    unsetenv("KESTRAME_OPEN_FILE_SOCKET");
    TemporaryFolder runtime;
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    ::chmod(runtime.Path().c_str(), 0700);
    EXPECT_EQ(OpenFileServerName(), runtime.File("Kestrame-OpenFile"));
    ::chmod(runtime.Path().c_str(), 0755);
    EXPECT_NE(OpenFileServerName().rfind(runtime.Path(), 0), 0u);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("KESTRAME_OPEN_FILE_SOCKET", testSocket.c_str(), 1);

    // Another user's socket under the name neither takes a hand-over nor lets the program listen.
    if (::getuid() == 0) {
        WriteWholeFile(testSocket, "");
        ASSERT_EQ(::chown(testSocket.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(form->StartOpenFileServer());
        EXPECT_FALSE(HandOverToRunningProgram(Example(), 200));
        DeleteFile(testSocket);
    }
}

TEST_F(OpenSaveTest, ExitAsksEachWindowAndTheFirstCancelKeepsThemAll)
{
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(form->OpenPlanogram(Example()));
        Active().modified = true;
    }
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerMessage(MsgAnswer::Cancel);
    form->ExitItemClick();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Windows(), 3);
    EXPECT_EQ(ui.MessageTexts().size(), 2u);

    for (int i = 0; i < 3; ++i)
        ui.AnswerMessage(MsgAnswer::No);
    form->ExitItemClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ui.MessageTexts().size(), 5u);
}

TEST_F(OpenSaveTest, ALongOperationKeepsTheWindowsPainted)
{
    TimePoint now = std::chrono::system_clock::now() + std::chrono::hours(1);
    SetClock([&] { return now; });
    int paints = 0;
    const auto pendingPaint = [&] { QTimer::singleShot(0, form.get(), [&] { ++paints; }); };
    pendingPaint();
    form->ProgressBar1->StepIt();
    EXPECT_EQ(paints, 1);
    pendingPaint();
    now += std::chrono::milliseconds(10);
    form->ProgressBar1->StepIt();
    EXPECT_EQ(paints, 1);
    now += std::chrono::milliseconds(50);
    form->ProgressBar1->StepIt();
    EXPECT_EQ(paints, 2);
    SetClock({});
}

TEST_F(OpenSaveTest, OpeningWithTheReorderAlarmOnChecksTheCatalog)
{
    form->On3->setChecked(true);
    // The example catalog's stock flags the pretzels, below their minimum.
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_TRUE(ui.MessageTexts().empty());
    Active().items->FindIndex("CR-604");
    EXPECT_TRUE(Active().items->current->reorder);

    const std::string catalog = program.File("Catalogs/Sample.ctf");
    WriteWholeFile(catalog, Replaced(ReadWholeFile(catalog), "inventoryColNr=14", "inventoryColNr=-1"));
    ui.AnswerMessage(MsgAnswer::OK);
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Inventory and minimum inventory columns have not been defined in your "
                                       "catalog so reordering alarms will be disabled."});
    EXPECT_EQ(Windows(), 2);
}

} // namespace
