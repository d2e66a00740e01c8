#include "app/SDIMain.h"

#include "TestSupport.h"
#include "app/MainProgressBar.h"
#include "app/Splash.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "testing/ScriptedUi.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

class MainFormTest : public testing::Test {
protected:
    ~MainFormTest() override
    {
        SetCountryCode(std::nullopt);
        SetScreenDepth(std::nullopt);
    }

    TMainForm& ShownForm()
    {
        form_ = std::make_unique<TMainForm>();
        form_->show();
        return *form_;
    }

    static std::string Hint(const QWidget* widget) { return fromQString(widget->toolTip()); }

    static int ToolTipsReaching(QWidget* widget)
    {
        struct Counter : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                count += event->type() == QEvent::ToolTip;
                return true;
            }
        } counter;
        widget->installEventFilter(&counter);
        QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), widget->mapToGlobal(QPoint(1, 1)));
        QCoreApplication::sendEvent(widget, &help);
        widget->removeEventFilter(&counter);
        return counter.count;
    }

    static void Press(QWidget* widget, int key, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(widget, &press);
    }
    static void Type(QWidget* widget, const QString& text)
    {
        for (const QChar c : text)
            Press(widget, c.toUpper().unicode(), QString(c));
    }

    ScopedSettingsFolder settings_;
    SettingsStore store_;
    std::unique_ptr<TMainForm> form_;
};

// Blank-separated.
const char* const MenuItemNames =
    "FileMenu OpenRecent1 Doc1 Doc2 Doc3 Doc4 Doc5 SaveItem SaveAs1 LoadProductList1 DocumentSetup1 Export1 "
    "MakePDF1 Print1 PrintSetup1 Checkforsoftwareupdates1 Exit1 Edit1 Undo1 Cut1 Copy1 Paste1 Duplicate1 Delete2 "
    "CopyAll1 Object1 aAddFixture AddFixture1 SelectNext1 SelectPrevious1 SendtoFront1 SendtoBack1 BringForward1 "
    "BringBackward1 Rotate1 R180 N90CW1 N90CCW1 N01 Arbitrary1 Flip1 Front1 Side1 Top2 Align1 Top3 Bottom2 Space1 "
    "Automatic1 Top1 Bottom1 Automatic2 Up1 Down1 On2 Off2 Ungroup1 UngroupAll1 ProductDetails1 Delete1 mnuCatalog "
    "New2 Open2 Edit2 CatalogManager1 PictureManager1 Reports1 ShowReport1 QuickReports1 View1 Zoom1 N51 N251 N501 "
    "N751 N1001 N1251 N1501 N2001 FittoWindow1 ProductPictures1 PlacementBoxes1 ColorBySize1 ColorByCategory1 "
    "ColorByBrand1 AllWhite1 ManualColor1 ClearManualColor1 On1 Off1 On3 Off3 CatalogSelector1 Windows1 Tags1 "
    "ItemNumber1 PartNumber1 XYLocation1 StackCount1 CurrentInventory1 UnitsSold1 Category1 Brand1 CustomText1 "
    "TagFont1 TagColor1 FlipTag1 EnterCustomText1 Options1 Help2 About1 DrawShelf1 DrawSectionDivider1 "
    "DrawPegboard1 DrawTextBox1 DrawSlatboard1";

const char* const ToolButtonNames =
    "tbPointer tbFixtures sbAutoGroup sbUngroup ToolButton1 ToolButton2 ToolButton10 ToolButton9 ToolButton4 "
    "ToolButton7 ToolButton3";

} // namespace

TEST_F(MainFormTest, EveryNamedMenuItemAndToolButtonExists)
{
    TMainForm form;
    for (const QString& name : QString(MenuItemNames).split(' '))
        EXPECT_NE(form.findChild<QAction*>(name), nullptr) << fromQString(name);
    for (const QString& name : QString(ToolButtonNames).split(' '))
        EXPECT_NE(form.findChild<QToolButton*>(name), nullptr) << fromQString(name);
    EXPECT_NE(form.findChild<QMenu*>("FixtureDrawingTools"), nullptr);
    for (const char* name : {"ControlBar1", "ToolBar1", "ToolBar2"})
        EXPECT_NE(form.findChild<QToolBar*>(name), nullptr) << name;
    for (const char* name : {"pannel1", "Panel4", "panXY"})
        EXPECT_NE(form.findChild<QFrame*>(name), nullptr) << name;
    for (const char* name : {"tbFind", "lbCurX", "lbCurY"})
        EXPECT_NE(form.findChild<QLineEdit*>(name), nullptr) << name;
    EXPECT_EQ(form.findChild<TMainProgressBar*>("ProgressBar1"), form.ProgressBar1);
    EXPECT_EQ(form.FixtureDrawingTools->objectName(), "FixtureDrawingTools");
}

TEST_F(MainFormTest, ComponentsAsTheFormDefinesThem)
{
    TMainForm form;
    EXPECT_EQ(fromQString(form.windowTitle()), "Kestrame");
    EXPECT_TRUE(form.ProductPictures1->isChecked());
    EXPECT_TRUE(form.On1->isChecked());
    EXPECT_FALSE(form.Off1->isChecked());
    EXPECT_FALSE(form.On3->isChecked());
    EXPECT_TRUE(form.Off3->isChecked());
    EXPECT_TRUE(form.tbPointer->isChecked());
    EXPECT_FALSE(form.tbFixtures->isChecked());
    EXPECT_TRUE(form.sbAutoGroup->isCheckable());
    EXPECT_TRUE(form.DrawShelf1->isChecked());
    form.DrawPegboard1->trigger();
    EXPECT_FALSE(form.DrawShelf1->isChecked());
    for (QAction* doc : form.Docs)
        EXPECT_FALSE(doc->isVisible());
    EXPECT_FALSE(form.PegholeAlignment1->menuAction()->isVisible());

    EXPECT_EQ(Hint(form.ToolButton1), "Go to first catalog item");
    EXPECT_EQ(Hint(form.ToolButton2), "Go to previous catalog item");
    EXPECT_EQ(Hint(form.ToolButton9), "Add current product");
    EXPECT_EQ(Hint(form.ToolButton4), "Go to next catalog item");
    EXPECT_EQ(Hint(form.ToolButton7), "Go to last catalog item");
    EXPECT_EQ(Hint(form.ToolButton3), "Find Product");
    EXPECT_EQ(Hint(form.sbAutoGroup), "Autogroup Items");
    EXPECT_EQ(fromQString(form.ToolBar1->windowTitle()), "Browser Controls");
    EXPECT_EQ(fromQString(form.pannel1->windowTitle()), "Catalog Browser");
    EXPECT_EQ(fromQString(form.Panel4->windowTitle()), "Status");
    EXPECT_EQ(fromQString(form.tbFind->text()), "Catalog Browser... no active catalog.");

    EXPECT_EQ(form.Timer1->interval(), 60000);
    EXPECT_EQ(form.Timer2->interval(), 200);
    EXPECT_EQ(form.UpgradeCheckTrigger->interval(), 1000);
    EXPECT_TRUE(form.UpgradeCheckTrigger->isActive());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.Timer2->isActive());

    EXPECT_EQ(form.OCat.title, "Find catalog");
    EXPECT_EQ(form.OCat.filter, "Kestrame Catalog (*.ddl) (*.ctf)|*.ddl;*ctf");
    EXPECT_EQ(form.OCat.defaultExt, "did");
    EXPECT_EQ(form.CDopen.filter, "Kestrame Catalog (*.vdx) (*.ctf) (*.ddl)|*.vdx;*.did;*.ctf;*.ddl");
}

TEST_F(MainFormTest, CommandsWithoutTheirWindowsStayDisabled)
{
    TMainForm form;
    for (QAction* command :
         {form.NewItem, form.SaveItem, form.Print1, form.Undo1, form.Paste1, form.Rotate1->menuAction(),
          form.Zoom1->menuAction(), form.Options1, form.aAddFixture, form.CatalogManager1})
        EXPECT_FALSE(command->isEnabled()) << fromQString(command->objectName());
    for (QToolButton* button : {form.ToolButton1, form.ToolButton3, form.ToolButton10, form.sbUngroup, form.tbFixtures})
        EXPECT_FALSE(button->isEnabled()) << fromQString(button->objectName());
    for (QAction* command :
         {form.OpenItem, form.Exit1, form.About1, form.Help2, form.PrintSetup1, form.ItemNumber1, form.On3})
        EXPECT_TRUE(command->isEnabled()) << fromQString(command->objectName());
}

TEST_F(MainFormTest, FormCreateSetsTheSharedFields)
{
    store_.WriteString("Options", "doc1", "/p/a.kqf");
    store_.WriteString("Options", "doc3", "/p/c.kqf");
    TMainForm form;
    EXPECT_EQ(MainForm, &form);
    EXPECT_EQ(form.displayScale, 8);
    EXPECT_EQ(form.unitsMode, 1);
    ASSERT_NE(form.prefs, nullptr);
    EXPECT_EQ(form.prefs->doc1, "/p/a.kqf");
    ASSERT_EQ(form.recentFiles->Count(), 2);
    EXPECT_EQ((*form.recentFiles)[0], "/p/a.kqf");
    EXPECT_EQ((*form.recentFiles)[1], "/p/c.kqf");
}

TEST_F(MainFormTest, FormShowReadsUnitsFromTheCountryWhenAbsent)
{
    SetCountryCode(1);
    TMainForm& form = ShownForm();
    EXPECT_EQ(form.unitsInches, 1);
    EXPECT_EQ(Hint(form.lbCurX), "Inches from left");
    EXPECT_EQ(Hint(form.lbCurY), "Inches from bottom");
}

TEST_F(MainFormTest, FormShowReadsStoredUnitsAndFlags)
{
    SetCountryCode(1);
    store_.WriteString("Options", "Units", "cm");
    store_.WriteString("Options", "AlignToPeg", "1");
    store_.WriteString("Options", "Tips", "0");
    TMainForm& form = ShownForm();
    EXPECT_EQ(form.unitsInches, 0);
    EXPECT_EQ(Hint(form.lbCurX), "cm(s) from left");
    EXPECT_EQ(Hint(form.lbCurY), "cm(s) from bottom");
    EXPECT_EQ(form.alignToPeg, 1);
    EXPECT_FALSE(form.showHints);
    // With hints off no tool tip reaches any widget.
    EXPECT_EQ(ToolTipsReaching(form.ToolButton1), 0);
    form.showHints = true;
    EXPECT_EQ(ToolTipsReaching(form.ToolButton1), 1);
}

TEST_F(MainFormTest, EightBitScreenLocksTransparencyOff)
{
    SetScreenDepth(8);
    TMainForm& form = ShownForm();
    EXPECT_FALSE(form.On1->isChecked());
    EXPECT_TRUE(form.Off1->isChecked());
    EXPECT_FALSE(form.On1->isEnabled());
    EXPECT_FALSE(form.Off1->isEnabled());
}

TEST_F(MainFormTest, NineBitScreenLeavesTransparencyFree)
{
    SetScreenDepth(9);
    TMainForm& form = ShownForm();
    EXPECT_TRUE(form.On1->isChecked());
    EXPECT_TRUE(form.On1->isEnabled());
    EXPECT_TRUE(form.Off1->isEnabled());
}

TEST_F(MainFormTest, ProgressBarIsTheMainProgressWhileTheFormLives)
{
    {
        TMainForm& form = ShownForm();
        Progress& progress = MainProgress();
        EXPECT_EQ(&progress, form.ProgressBar1);
        EXPECT_EQ(progress.Max(), 100);
        EXPECT_EQ(progress.Step(), 1);
        EXPECT_TRUE(form.ProgressBar1->isHidden());
        EXPECT_FALSE(form.panXY->isHidden());
        progress.SetMax(40);
        progress.SetVisible(true);
        progress.StepIt();
        progress.StepIt();
        EXPECT_EQ(form.ProgressBar1->maximum(), 40);
        EXPECT_EQ(form.ProgressBar1->value(), 2);
        EXPECT_FALSE(form.ProgressBar1->isHidden());
        EXPECT_TRUE(form.panXY->isHidden());
        progress.SetVisible(false);
        EXPECT_TRUE(form.ProgressBar1->isHidden());
        EXPECT_FALSE(form.panXY->isHidden());
        form_.reset();
    }
    EXPECT_EQ(MainForm, nullptr);
    MainProgress().SetPosition(3); // the keeping bar again, not the freed window's
    EXPECT_EQ(MainProgress().Position(), 3);
}

TEST_F(MainFormTest, CloseIsRefusedWhileAnOperationRuns)
{
    TMainForm& form = ShownForm();
    {
        const LongOperations::Guard opening(form.longOperations);
        EXPECT_FALSE(form.FormCloseQuery());
        form.ExitItemClick();
        EXPECT_TRUE(form.isVisible());
    }
    EXPECT_TRUE(form.FormCloseQuery());
    form.ExitItemClick();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, AChildThatKeepsItselfOpenKeepsTheFrameOpen)
{
    TMainForm& form = ShownForm();
    auto* child = form.ClientArea->addSubWindow(new QWidget);
    child->show();
    struct KeepOpen : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::Close)
                return false;
            event->ignore();
            return true;
        }
    } keepOpen;
    child->installEventFilter(&keepOpen);
    form.ExitItemClick();
    EXPECT_TRUE(form.isVisible());
    child->removeEventFilter(&keepOpen);
    form.ExitItemClick();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, CatalogBarTakesTwelveTypedCharacters)
{
    TMainForm& form = ShownForm();
    QLineEdit* find = form.tbFind;
    find->clear();
    Type(find, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(fromQString(find->text()), "ABCDEFGHIJKL");
    // A longer text the program shows stays whole; typing may shorten it but not lengthen it.
    find->setText("4711   Cola 0.33 l can");
    find->setCursorPosition(4);
    Type(find, "X");
    EXPECT_EQ(fromQString(find->text()), "4711   Cola 0.33 l can");
    Press(find, Qt::Key_Backspace);
    EXPECT_EQ(fromQString(find->text()), "471   Cola 0.33 l can");
}

TEST_F(MainFormTest, TagItemsToggleAndAllTagsSetThemAll)
{
    TMainForm form;
    form.PartNumber1->trigger();
    EXPECT_TRUE(form.PartNumber1->isChecked());
    form.AllTagsOn1->trigger();
    for (QAction* tag : {form.ItemNumber1, form.PartNumber1, form.XYLocation1, form.StackCount1, form.CurrentInventory1,
                         form.UnitsSold1, form.Category1, form.Brand1, form.CustomText1})
        EXPECT_TRUE(tag->isChecked());
    form.AllTagsOff1->trigger();
    for (QAction* tag : {form.ItemNumber1, form.PartNumber1, form.XYLocation1, form.StackCount1, form.CurrentInventory1,
                         form.UnitsSold1, form.Category1, form.Brand1, form.CustomText1})
        EXPECT_FALSE(tag->isChecked());
}

TEST_F(MainFormTest, AboutOpensANewAboutWindow)
{
    TMainForm form;
    form.About1->trigger();
    ASSERT_NE(Splash, nullptr);
    EXPECT_TRUE(Splash->isVisible());
    EXPECT_TRUE(Splash->tmAbout->isActive());
    EXPECT_FALSE(Splash->tmStartUp->isActive());
    delete Splash;
    EXPECT_EQ(Splash, nullptr);
}

TEST_F(MainFormTest, PrintSetupShowsThePrinterSetupDialog)
{
    ScriptedUi ui;
    ui.AnswerPrinterSetup(true);
    TMainForm form;
    form.PrintSetup1->trigger();
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::PrinterSetup).size(), 1u);
    EXPECT_TRUE(ui.AllAnswersUsed());
}

// SIGTERM and SIGINT end the real program through its normal end: it removes its hand-over socket,
// which a program killed outright leaves behind.
TEST(ProgramEnd, TerminationSignalsEndThroughTheNormalQuit)
{
    for (const char* signal : {"TERM", "INT"}) {
        TemporaryFolder folder;
        const std::string socket = folder.File("open-file");
        const std::string started = "QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=detect_leaks=0 KESTRAME_CONFIG_DIR='" +
                                    folder.Path() + "' KESTRAME_OPEN_FILE_SOCKET='" + socket + "' " KESTRAME_PROGRAM;
        const std::string answer =
            RunCommand(started + " >/dev/null 2>&1 & p=$!; for i in $(seq 600); do [ -S '" + socket +
                       "' ] && break; sleep 0.05; done; kill -" + signal + " $p; wait $p; echo $?");
        EXPECT_EQ(answer, "0\n") << signal;
        EXPECT_FALSE(FileExists(socket)) << signal;
    }
}

// Started on a planogram while its settings cannot be written (the settings file a folder, or a link
// to a file in a folder no one may write in), the real program shows why the planogram did not open
// and runs on until it is asked to end, as it then ends: with status 0.
TEST(ProgramEnd, AStartOnAPlanogramWhoseSettingsCannotBeWrittenRunsOn)
{
    const std::string examples = std::string(KESTRAME_TEST_DATA) + "/../../examples/";
    for (const char* unwritable : {"mkdir Kestrame.ini", "ln -s /proc/version Kestrame.ini"}) {
        TemporaryFolder folder;
        const std::string socket = folder.File("open-file");
        RunCommand("cd '" + folder.Path() + "' && mkdir -p settings program/Catalogs program/Examples && cp '" +
                   examples + "Catalogs/Sample.ctf' program/Catalogs && cp '" + examples +
                   "Examples/Sample Wall.kqf' program/Examples && cd settings && " + unwritable);
        const std::string started = "QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=detect_leaks=0 KESTRAME_CONFIG_DIR='" +
                                    folder.File("settings") + "' KESTRAME_PROGRAM_DIR='" + folder.File("program/") +
                                    "' KESTRAME_OPEN_FILE_SOCKET='" + socket + "' " KESTRAME_PROGRAM " '" +
                                    folder.File("program/Examples/Sample Wall.kqf") + "'";
        const std::string answer =
            RunCommand(started + " >/dev/null 2>&1 & p=$!; for i in $(seq 600); do [ -S '" + socket +
                       "' ] && break; sleep 0.05; done; kill -TERM $p; for i in $(seq 600); do kill -0 $p 2>/dev/null "
                       "|| break; sleep 0.05; done; kill -KILL $p 2>/dev/null; wait $p; echo $?");
        EXPECT_EQ(answer, "0\n") << unwritable;
    }
}
