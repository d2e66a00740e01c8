#include "app/NewDoc.h"
#include "app/SDIMain.h"

#include "TestSupport.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/Rectservices.h"
#include "planogram/plandocCode.h"
#include "testing/ScriptedUi.h"

#include <QAction>
#include <QButtonGroup>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

const std::string ExamplesFolder = std::string(KESTRAME_TEST_DATA) + "/../../examples/";
const std::string ItemsMovedText = "Some items were outside of your new document width or height. These items were "
                                   "moved to the upper left corner of your display area.";

// The main window with the real Document Setup dialog, working in centimetres on the blank page.
class DocumentSetupCommand : public testing::Test {
protected:
    DocumentSetupCommand()
    {
        setenv("KESTRAME_PROGRAM_DIR", (program.Path() + "/").c_str(), 1);
        for (const char* folder : {"Catalogs", "Examples", "Template"})
            RunCommand("mkdir -p '" + program.File(folder) + "'");
        for (const char* file : {"Catalogs/Sample.ctf", "Examples/Sample Wall.kqf"})
            WriteWholeFile(program.File(file), ReadWholeFile(ExamplesFolder + file));
        store.WriteString("Options", "NewDocPage", "1");
        box = std::make_unique<TNewDocBox>([] { return false; }, store);
        form = std::make_unique<TMainForm>();
        form->SetDocumentSetupDialog(box.get());
        form->show();
        form->unitsInches = 0;
    }
    ~DocumentSetupCommand() override
    {
        form.reset();
        box.reset();
        unsetenv("KESTRAME_PROGRAM_DIR");
    }

    void OpenExample() { ASSERT_TRUE(form->OpenPlanogram(program.File("Examples/Sample Wall.kqf"))); }
    PlanogramDocument& Active() { return form->ActivePlanogram()->Document(); }
    std::string CurrentDataFile() const { return store.ReadString("Options", "CurrentDataFile", "<none>"); }

    // Runs the command; `act` works the dialog, which is then closed with OK or Cancel.
    void RunSetup(const std::function<void()>& act, bool ok = true)
    {
        QTimer::singleShot(0, box.get(), [&] {
            hiddenWhileShown = box->hideCatalogs;
            act();
            if (ok)
                box->Button1->click();
            if (box->isVisible())
                box->reject();
        });
        form->DocumentSetup1->trigger();
    }
    void CustomSize(const char* width, const char* height) const
    {
        box->txtWidth->setText(width);
        box->txtHeight->setText(height);
    }
    void WallKind(int kind) const { box->SelectWallBGItems->button(kind)->click(); }

    static std::vector<std::uint32_t> Pixels(const TBitmap& bitmap)
    {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                pixels.push_back(bitmap.PixelValue(x, y));
        return pixels;
    }

    ScopedSettingsFolder settings;
    SettingsStore store;
    TemporaryFolder program;
    ScriptedUi ui;
    bool hiddenWhileShown = false;
    std::unique_ptr<TNewDocBox> box;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(DocumentSetupCommand, EnabledOnlyWhileAPlanogramIsOpen)
{
    EXPECT_FALSE(form->DocumentSetup1->isEnabled());
    OpenExample();
    EXPECT_TRUE(form->DocumentSetup1->isEnabled());
    form->ClientArea->closeAllSubWindows();
    EXPECT_FALSE(form->DocumentSetup1->isEnabled());
}

TEST_F(DocumentSetupCommand, ANewSizeMovesTheItemsOutsideAndSaysSo)
{
    OpenExample();
    // Nothing stored as the current catalog: the open display keeps its own all the same.
    store.WriteString("Options", "CurrentDataFile", "");
    ui.AnswerMessage(MsgAnswer::OK);
    RunSetup([this] { CustomSize("60", "100"); });
    EXPECT_TRUE(hiddenWhileShown);
    EXPECT_FALSE(box->hideCatalogs);
    EXPECT_FALSE(form->LongOperationRunning());
    EXPECT_EQ(CurrentDataFile(), "");
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{ItemsMovedText});
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Exclamation);

    PlanogramDocument& document = Active();
    EXPECT_EQ(document.displayWidth, 240);
    EXPECT_EQ(document.displayHeight, 400);
    EXPECT_EQ(document.backBitmap.Width(), 240);
    EXPECT_EQ(document.backBitmap.Height(), 400);
    EXPECT_EQ(document.xRuler.Width(), 240);
    EXPECT_EQ(document.yRuler.Height(), 400);
    EXPECT_EQ(form->ActivePlanogram()->outWall->size(), QSize(240, 400));
    EXPECT_TRUE(document.modified);
    EXPECT_EQ(document.items->Count(), 37);
    // The third shelf was the first item wholly below the new wall, the fourth the second.
    const ListOB* shelf3 = document.items->head->next->next;
    const ListOB* shelf4 = shelf3->next;
    EXPECT_EQ((TRect{shelf3->left, shelf3->top, shelf3->right, shelf3->bottom}), (TRect{0, 0, 480, 12}));
    EXPECT_EQ((TRect{shelf4->left, shelf4->top, shelf4->right, shelf4->bottom}), (TRect{5, 5, 485, 17}));
    for (const ListOB* item = document.items->head; item; item = item->next)
        EXPECT_TRUE(Intersects(item->PlacementBox(), Rect(0, 0, 240, 400))) << item->itemNo;

    ui.ClearCalls();
    RunSetup([this] { CustomSize("120", "180"); });
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(Active().displayWidth, 480);
}

TEST_F(DocumentSetupCommand, SwitchingTheWallKindRedrawsWithTheNewKind)
{
    OpenExample();
    PlanogramDocument& document = Active();
    EXPECT_FALSE(document.pegHolesShown);
    // Holes 1 cm wide from 4 cm on, every 5 cm.
    RunSetup([this] {
        CustomSize("120", "180");
        WallKind(0);
    });
    EXPECT_TRUE(document.pegHolesShown);
    EXPECT_FALSE(document.backgroundMode);
    EXPECT_EQ(document.pegHoles.Columns().Nearest(30), 36);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clBlack);
    EXPECT_EQ(document.backBitmap.Pixel(36, 36), clBlack);
    EXPECT_EQ(document.backBitmap.Pixel(30, 30), clWhite);

    RunSetup([this] { WallKind(1); });
    EXPECT_FALSE(document.pegHolesShown);
    EXPECT_EQ(document.backBitmap.Pixel(16, 16), clWhite);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(DocumentSetupCommand, CancelChangesNothing)
{
    OpenExample();
    const std::string catalog = CurrentDataFile();
    PlanogramDocument& document = Active();
    const std::vector<std::uint32_t> before = Pixels(document.backBitmap);
    RunSetup([this] { CustomSize("60", "100"); }, false);
    EXPECT_TRUE(hiddenWhileShown);
    EXPECT_FALSE(box->hideCatalogs);
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_EQ(document.displayWidth, 480);
    EXPECT_EQ(document.displayHeight, 720);
    EXPECT_FALSE(document.modified);
    EXPECT_EQ(document.backgroundColor, TColor(15658734));
    EXPECT_EQ(Pixels(document.backBitmap), before);
    EXPECT_EQ(CurrentDataFile(), catalog);

    // An invalid size is refused on the dialog and the display stays as it was.
    ui.AnswerMessage(MsgAnswer::OK);
    RunSetup([this] { CustomSize("29", "100"); });
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Invalid width value. Min Value 30cm, Max value 3000cm"});
    EXPECT_EQ(document.displayWidth, 480);
    EXPECT_FALSE(document.modified);
}
