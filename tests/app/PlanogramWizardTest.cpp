// The planogram setup wizard's window on the main window, offscreen: walked page by page to displays
// built on the example catalog (text, binary and data link), its refusals, and how it is shown at
// start, from the Tools menu and from the catalog wizard.
#include "app/PlanogramWizard.h"
#include "app/ExampleDataLink.h"
#include "app/MainCatalogHost.h"
#include "app/MainFormFixture.h"
#include "app/Options.h"

#include "catalog/CatWizardCode.h"
#include "catalog/DataMaker.h"
#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "catalog/Didfilefinder.h"
#include "planogram/SelectorCode.h"
#include "platform/graphics/Bitmap.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/FileListBoxView.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/StringGridView.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

using Pages = PlanogramWizardPages;

// Message boxes as scripted, windows shown modally for real.
class RealModalUi : public ScriptedUi {
public:
    int ShowModal(QWidget& window) override { return QtUiServices().ShowModal(window); }
};

// What the walk chooses on the pages.
struct Wall {
    explicit Wall(const char* width_ = "120", const char* height_ = "200", int background_ = Pages::Pegboard,
                  bool inches_ = false)
        : width(width_), height(height_), background(background_), inches(inches_)
    {
    }
    const char* width;
    const char* height;
    int background;
    bool inches;
    std::string catalog = "Catalogs/Sample.ctf";
    // Products added to the builder list, each with its facings; none builds a manual planogram.
    std::vector<std::pair<const char*, const char*>> products;
};

class PlanogramWizardTest : public MainFormFixture {
protected:
    PlanogramWizardTest() { MakeWizard(); }
    ~PlanogramWizardTest() override { DropWizard(); }

    void MakeWizard()
    {
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
        wizard = std::make_unique<TSUWizard>(*form, form.get());
        form->SetPlanogramWizard(*wizard);
    }
    void DropWizard()
    {
        wizard.reset();
        selector.reset();
    }
    // The program starts again, its wizard made before its main window shows.
    void Restart()
    {
        DropWizard();
        form = std::make_unique<TMainForm>();
        form->SetDocumentSetupDialog(&setup);
        MakeWizard();
        form->show();
    }

    void Next() { wizard->bNext->click(); }
    static void Choose(QButtonGroup* group, int id) { group->button(id)->click(); }
    int Page() const { return wizard->PageControl1->currentIndex(); }

    // Shows the wizard and walks it to its page, choosing as the wall says.
    void WalkTo(const Wall& wall, int page)
    {
        if (!wizard->isVisible())
            wizard->show();
        const std::vector<std::function<void()>> steps = {
            [] {},
            [] {},
            [] {},
            [&] { wizard->CatalogList->Files().SetFileName(program.File(wall.catalog)); },
            [&] { Choose(wizard->rbUnits, wall.inches ? 1 : 0); },
            [&] {
                wizard->edWidth->setText(wall.width);
                wizard->edHeight->setText(wall.height);
            },
            [&] { Choose(wizard->rbDisplayType, wall.background); },
            [] {},
            [&] { Choose(wizard->rbAutoDisplay, wall.products.empty() ? 1 : 0); },
            [&] {
                for (const auto& [part, facings] : wall.products)
                    AddProduct(part, facings);
            },
            [] {},
        };
        for (int press = 0; press < Pages::PageCount && Page() < page; ++press) {
            const int before = Page();
            steps[static_cast<size_t>(before)]();
            Next();
            if (Page() == before)
                return;
        }
    }
    // Selects the product's row of the catalog grid, adds it with "+" and types its facings.
    void AddProduct(const std::string& part, const char* facings)
    {
        TStringGrid& products = wizard->GridP();
        for (int row = 1; row < products.RowCount(); ++row)
            if (products.Cells(1, row) == part)
                products.FocusCell(1, row);
        wizard->bAdd->click();
        TStringGrid& list = wizard->GridB();
        list.SetEditText(2, list.RowCount() - 2, facings);
    }
    bool Finish(const Wall& wall)
    {
        WalkTo(wall, Pages::FinishedPage);
        EXPECT_EQ(Page(), Pages::FinishedPage);
        EXPECT_EQ(wizard->bNext->text().toStdString(), "&Finish");
        const int before = Windows();
        Next();
        return Windows() > before;
    }
    std::unique_ptr<TSelector> selector;
    std::unique_ptr<TSUWizard> wizard;
};

struct Built {
    const char* what;
    Wall wall;
    // Width, height, vertical and horizontal pitch.
    std::array<int, 4> geometry;
    bool pegHolesShown;
    bool backgroundMode;
};

TEST_F(PlanogramWizardTest, FinishBuildsTheWallThePagesDescribe)
{
    const std::string picture = program.File("wall.bmp");
    TBitmap bitmap;
    bitmap.SetSize(8, 8);
    bitmap.SaveToFile(picture);
    const Built cases[] = {
        {"centimetres", Wall(), {480, 800, 20, 20}, true, false},
        {"inches, held in single precision",
         Wall("39.4", "100", Pages::Pegboard, true),
         {400, 1015, 25, 25},
         true,
         false},
        {"slatwall", Wall("120", "200", Pages::Slatwall), {480, 800, 20, 0}, true, false},
        {"image", Wall("120", "200", Pages::Image), {480, 800, 20, 20}, false, true},
    };
    int made = 0;
    for (const Built& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.wall.background == Pages::Image)
            ui.AnswerFile(FileDialogResult{picture, 1});
        ASSERT_TRUE(Finish(c.wall));
        ++made;
        EXPECT_FALSE(wizard->isVisible());
        const PlanogramDocument& document = Active();
        EXPECT_EQ(form->ActivePlanogram()->parentWidget()->windowTitle().toStdString(),
                  "My Display " + std::to_string(made));
        EXPECT_EQ(
            (std::array<int, 4>{document.displayWidth, document.displayHeight, document.pegPitchV, document.pegPitchH}),
            c.geometry);
        EXPECT_EQ(document.pegHolesShown, c.pegHolesShown);
        EXPECT_EQ(document.backgroundMode, c.backgroundMode);
        EXPECT_EQ(document.backgroundPath, c.backgroundMode ? picture : "");
        EXPECT_EQ(document.unitsInches, c.wall.inches);
        EXPECT_EQ(form->unitsInches, c.wall.inches ? 1 : 0);
        // The unit is the program's now, as when chosen in the options.
        EXPECT_EQ(form->lbCurY->toolTip().toStdString(), c.wall.inches ? "Inches from bottom" : "cm(s) from bottom");
        EXPECT_EQ(selector->lbUnits->text().toStdString(), c.wall.inches ? "inches" : "cm");
        for (QMdiSubWindow* frame : form->ClientArea->subWindowList())
            EXPECT_EQ(qobject_cast<Tplandoc*>(frame->widget())->Document().unitsInches, c.wall.inches);
        EXPECT_EQ(SettingsStore().ReadString("Options", "Units", ""), c.wall.inches ? "inches" : "cm");
        EXPECT_TRUE(document.builderList.empty());
        EXPECT_TRUE(document.modified);
    }
}

TEST_F(PlanogramWizardTest, AnAutomaticDisplayPlacesTheChosenProductsAtTheWholeMostVisibleHeight)
{
    Wall wall("120", "189");
    wall.products = {{"SK-101", "2"}, {"BR-501", "1"}, {"LT-701", "3"}};
    wizard->show();
    wizard->bAdd->click(); // no catalog yet: no part number to add
    WalkTo(wall, Pages::PlacementPage);
    EXPECT_EQ(wizard->edBestHeight->text().toStdString(), "94.5");
    EXPECT_EQ(wizard->lbUnitHeight->text().toStdString(), "cm");
    // What is typed outlasts going Back to the units page and on again.
    wizard->edBestHeight->setText("94");
    while (Page() > Pages::UnitsPage)
        wizard->bBack->click();
    while (Page() < Pages::PlacementPage)
        Next();
    EXPECT_EQ(wizard->edBestHeight->text().toStdString(), "94");
    wizard->GridB().FocusCell(0, 4);
    wizard->bRemove->click();           // the empty last row stays
    wizard->RankList->setCurrentRow(9); // tall to short
    bool buttonsOff = false, busy = false, closed = true;
    QTimer::singleShot(0, [&] {
        buttonsOff = !wizard->bNext->isEnabled() && !wizard->bBack->isEnabled() && !wizard->CancelBtn->isEnabled();
        busy = form->LongOperationRunning();
        closed = wizard->close();
    });
    ASSERT_TRUE(Finish(wall));
    // The build ran to its end before the wizard could act again.
    EXPECT_TRUE(buttonsOff && busy && !closed);
    EXPECT_FALSE(wizard->isVisible());
    PlanogramDocument& document = Active();
    const std::vector<BuilderEntry> list = {{"SK-101", "1", "2"}, {"BR-501", "2", "1"}, {"LT-701", "3", "3"}};
    EXPECT_EQ(document.builderList, list);
    EXPECT_EQ(document.items->Count(), 6);
    // The row stands 94 cm above the floor.
    EXPECT_EQ(document.items->head->top, 756 - 94 * 4);
    EXPECT_EQ(document.items->head->picture, "BR-501.jpg");
    EXPECT_EQ(document.items->tail->picture, "LT-701.jpg");
    EXPECT_EQ(selector->edBestHeight->text().toStdString(), "94");
    EXPECT_EQ(selector->cbRankBy->currentText().toStdString(), "Tall to Short");
    EXPECT_GT(DrawnPixels(), 1000);
    // The placed products are there to save and print, without a menu opened first.
    for (QAction* command : {form->SaveItem, form->SaveAs1, form->Export1, form->MakePDF1, form->Print1})
        EXPECT_TRUE(command->isEnabled()) << command->text().toStdString();
    selector->Button2->click();
    // The selector's build adds the row's shelf, as its "automatically add shelves" asks.
    EXPECT_EQ(document.items->Count(), 7);
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(PlanogramWizardTest, TheOtherCatalogKindsAreListedAndBuild)
{
    {
        didASCII text;
        TStringGrid grid;
        ASSERT_TRUE(text.Open(program.File("Catalogs/Sample.ctf"), &grid));
        didCTF2 binary;
        binary.roles = text.roles;
        ASSERT_TRUE(binary.SaveToFile(program.File("Catalogs/Sample.vdx"), &grid, "cm", ""));
    }
    Didfilefinder().WriteCurrentDataFile(program.File("Catalogs/Sample.vdx"));
    wizard->show();
    const std::vector<std::string> listed = wizard->CatalogList->Files().Items();
    EXPECT_EQ(listed, (std::vector<std::string>{"Sample.ctf", "Sample.vdx"}));
    EXPECT_EQ(wizard->CatalogList->Files().FileName(), program.File("Catalogs/Sample.vdx"));
    ui.AnswerFile(FileDialogResult{program.File("Catalogs/Sample.ctf"), 1});
    wizard->Button1->click();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog).at(0).fileOptions.filter,
              "Catalog (*.vdx;*.ctf;*.ddl)|*.vdx;*.ctf;*.ddl|All file types|*.*");
    EXPECT_EQ(wizard->CatalogList->Files().FileName(), program.File("Catalogs/Sample.ctf"));
    ui.ClearCalls();
    Wall binary;
    binary.catalog = "Catalogs/Sample.vdx";
    binary.products = {{"HT-301", "4"}};
    ASSERT_TRUE(Finish(binary));
    EXPECT_EQ(Active().catalog->type, "VDX");
    EXPECT_EQ(Active().items->Count(), 4);

    TestDatabase database{Server::SQLite};
    WriteExampleDataLink(database, program.File("Catalogs/Sample.ctf"), program.File("Catalogs/Sample.ddl"));
    Wall linked;
    linked.catalog = "Catalogs/Sample.ddl";
    linked.products = {{"SK-101", "1"}, {"CR-605", "2"}};
    WalkTo(linked, Pages::ProductsPage);
    // The table, loaded on the way to this page, is the catalog grid.
    EXPECT_EQ(wizard->GridP().RowCount(), 31);
    EXPECT_EQ(wizard->GridP().Cells(1, 0), "c1");
    EXPECT_EQ(wizard->GridP().Cells(2, 26), "Salted Peanuts 300 g");
    ASSERT_TRUE(Finish(linked));
    PlanogramDocument& document = Active();
    EXPECT_EQ(document.catalog->type, "DDL");
    const std::vector<BuilderEntry> list = {{"SK-101", "1", "1"}, {"CR-605", "2", "2"}};
    EXPECT_EQ(document.builderList, list);
    EXPECT_EQ(document.items->Count(), 3);
    EXPECT_EQ(document.items->tail->picture, "CR-605.jpg");
    EXPECT_GT(DrawnPixels(), 1000);
    // The linked table bounds the facings as a catalog file does: 8 across and 11 up of CR-605.
    Wall crowded = linked;
    crowded.products = {{"CR-605", "89"}};
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(Finish(crowded));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"The display can hold at most 88 of CR-605. Please lower its "
                                                          "facings and build again."});
    EXPECT_EQ(Page(), Pages::FinishedPage);
    ui.ClearCalls();

    // A planogram opened while the wizard stands open reads its link through its own window.
    wizard->show();
    WriteWholeFile(Example(), Replaced(ReadWholeFile(Example()), "CatalogName=Sample.ctf", "CatalogName=Sample.ddl"));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_EQ(Active().items->Count(), 37);
    EXPECT_TRUE(Active().catalog->FindByKey("SK-101"));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(PlanogramWizardTest, FromTheToolsMenuTheProductsGoIntoTheDisplayMadeWhicheverPlanogramIsActive)
{
    WriteWholeFile(program.File("Catalogs/Other.ctf"),
                   Replaced(ReadWholeFile(program.File("Catalogs/Sample.ctf")), "SK-101", "OT-101"));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PlanogramDocument& example = Active();
    RealModalUi modal;
    Wall cancelled, other;
    cancelled.products = {{"BR-501", "3"}};
    other.catalog = "Catalogs/Other.ctf";
    other.products = {{"OT-101", "2"}};
    QTimer::singleShot(0, [&] {
        WalkTo(cancelled, Pages::PlacementPage);
        wizard->CancelBtn->click();
    });
    form->PlanogramWizard1->trigger();
    QTimer::singleShot(0, [&] { EXPECT_TRUE(Finish(other)); });
    form->PlanogramWizard1->trigger();
    PlanogramDocument& made = Active();
    ASSERT_NE(&made, &example);
    EXPECT_EQ(made.builderList, (std::vector<BuilderEntry>{{"OT-101", "1", "2"}}));
    EXPECT_EQ(made.items->Count(), 2);
    EXPECT_EQ(made.items->head->index, "OT-101");
    EXPECT_FALSE(example.modified);
}

TEST_F(PlanogramWizardTest, ProductsThatDoNotFitAreDeletedWithAMessage)
{
    ui.AnswerMessage(MsgAnswer::OK);
    Wall small("40", "40");
    // Either product alone fits the wall, both together do not.
    small.products = {{"BR-501", "4"}, {"SK-101", "2"}};
    ASSERT_TRUE(Finish(small));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"There was not enough room in your display to place all "
                                                          "the items in your builder list correctly. These items "
                                                          "will be deleted."});
    EXPECT_EQ(ui.Calls().back().caption, "Kestrame");
    EXPECT_EQ(ui.Calls().back().icon, MsgIcon::Exclamation);
}

struct Refused {
    const char* what;
    std::function<void()> before;
    Wall wall;
    int page;
    std::function<void()> onPage;
    std::vector<std::string> messages;
    // Where Back then leads.
    int backTo;
};

TEST_F(PlanogramWizardTest, RefusedValuesMakeNoWindow)
{
    const Refused cases[] = {
        {"a wall too narrow",
         [] {},
         Wall(),
         Pages::SizePage,
         [this] {
             wizard->edWidth->setText("29");
             wizard->edHeight->setText("200");
         },
         {"Invalid width value. Min Value 30cm, Max value 3000cm"},
         Pages::UnitsPage},
        {"more of a product than the wall holds",
         [] {},
         [] {
             Wall wall;
             // 13 across a wall of 480 quarter centimetres and 6 up its 800: 78 of BR-501 fit.
             wall.products = {{"SK-101", "2"}, {"BR-501", "79"}};
             return wall;
         }(),
         Pages::FinishedPage,
         [] {},
         {"The display can hold at most 78 of BR-501. Please lower its facings and build again."},
         Pages::PlacementPage},
        {"facings of a product without a width",
         [] {},
         [] {
             Wall wall;
             wall.products = {{"SK-101", "200"}};
             return wall;
         }(),
         Pages::FinishedPage,
         [this] { wizard->GridP().SetCells(4, 1, "0"); }, // SK-101, the first product
         {"The width, height or Part Number for this item is not defined, so it can not be added."},
         Pages::PlacementPage},
        {"a stored peg value that is no number",
         [] { SettingsStore().WriteString("Options", "cmPegTop", "abc"); },
         Wall("120", "200", Pages::Slatwall),
         Pages::FinishedPage,
         [] {},
         {"Invalid peg hole value. Every peg value must be a number of 0 or more."},
         Pages::AutoPage},
        {"a catalog gone after its page",
         [] { SettingsStore().DeleteValue("Options", "cmPegTop"); },
         Wall(),
         Pages::FinishedPage,
         [this] { RunCommand("rm '" + program.File("Catalogs/Sample.ctf") + "'"); },
         {"Could not open file", "Could not open catalog file"},
         Pages::AutoPage},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        c.before();
        WalkTo(c.wall, c.page);
        ASSERT_EQ(Page(), c.page);
        c.onPage();
        ui.ClearCalls();
        for (size_t i = 0; i < c.messages.size(); ++i)
            ui.AnswerMessage(MsgAnswer::OK);
        Next();
        EXPECT_EQ(ui.MessageTexts(), c.messages);
        EXPECT_EQ(Page(), c.page);
        EXPECT_TRUE(wizard->isVisible());
        EXPECT_EQ(Windows(), 0);
        ASSERT_TRUE(wizard->bBack->isEnabled());
        wizard->bBack->click();
        EXPECT_EQ(Page(), c.backTo);
        wizard->close();
    }
}

TEST_F(PlanogramWizardTest, ItIsShownAtStartBesideTheMainWindowAndModallyFromTheToolsMenu)
{
    // The fixture's window started before a wizard existed.
    EXPECT_FALSE(wizard->isVisible());
    Restart();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_TRUE(wizard->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(wizard->windowTitle().toStdString(), "Planogram Setup Wizard");
    EXPECT_TRUE(form->isEnabled());
    wizard->ckShowAtStart->setChecked(false);
    wizard->CancelBtn->click();
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(SettingsStore().ReadBool("Options", "Welcome", true));
    Restart();
    EXPECT_FALSE(wizard->isVisible());

    RealModalUi modal;
    bool mainWindowBlocked = false;
    QTimer::singleShot(0, [&] {
        mainWindowBlocked = wizard->isVisible() && !form->isEnabled();
        EXPECT_FALSE(wizard->ckShowAtStart->isChecked());
        wizard->ckShowAtStart->setChecked(true);
        wizard->close();
    });
    ASSERT_TRUE(form->PlanogramWizard1->isEnabled());
    form->PlanogramWizard1->trigger();
    EXPECT_TRUE(mainWindowBlocked);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(SettingsStore().ReadBool("Options", "Welcome", false));
}

TEST_F(PlanogramWizardTest, TheStartTurnedOffInTheOptionsStaysOffWhenTheStartUpWizardCloses)
{
    Restart();
    ASSERT_TRUE(wizard->isVisible());
    ASSERT_TRUE(wizard->ckShowAtStart->isChecked());
    TOptions options(*form, form.get());
    form->SetOptionsWindow(options);
    ui.whileShownModally = [&] {
        options.Welcome->setChecked(false);
        options.comOK->click();
    };
    ui.AnswerModal(mrOk);
    form->Options1->trigger();
    ui.whileShownModally = nullptr;
    EXPECT_FALSE(SettingsStore().ReadBool("Options", "Welcome", true));
    Next();
    EXPECT_FALSE(wizard->ckShowAtStart->isChecked());
    wizard->CancelBtn->click();
    EXPECT_FALSE(SettingsStore().ReadBool("Options", "Welcome", true));
}

TEST_F(PlanogramWizardTest, WithoutACatalogTheCatalogWizardTakesOverAndLeadsBack)
{
    MainCatalogHost host(*form);
    TDForm manager(host, form.get());
    TCatalogWizard catalogWizard(manager, form.get());
    wizard->ConnectCatalogWizard(catalogWizard);
    EXPECT_TRUE(catalogWizard.rgFinished->button(CatalogWizardPages::StartPlanogramming)->isEnabled());
    WalkTo(Wall(), Pages::HaveCatalogPage);
    Choose(wizard->rbHaveCat, 1);
    ui.AnswerMessage(MsgAnswer::OK);
    Next();
    EXPECT_EQ(ui.Calls().back().caption, "Planogram Wizard");
    EXPECT_NE(ui.Calls().back().text.find("run this wizard again by clicking TOOLS > PLANOGRAM WIZARD."),
              std::string::npos);
    EXPECT_TRUE(catalogWizard.isVisible());
    EXPECT_FALSE(wizard->isVisible());
    catalogWizard.pages.startPlanogramming();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(Page(), Pages::WelcomePage);

    // A catalog imported through the catalog wizard and saved outside the catalogs folder as its
    // Catalog Manager closes is the one the planogram wizard then offers.
    wizard->close();
    const std::string list = program.File("list.txt");
    WriteWholeFile(list, "Part\tName\r\nNW-1\tNew Soap\r\n");
    RunCommand("mkdir -p '" + program.File("Mine") + "'");
    const std::string saved = program.File("Mine/New.ctf");
    ui.ClearCalls();
    ui.AnswerFile(FileDialogResult{list, 1});
    ui.AnswerMessage(MsgAnswer::Yes); // "Save changes to catalog?"
    ui.AnswerFile(FileDialogResult{saved, CatalogManager::TextEntry});
    catalogWizard.bNext->click();
    catalogWizard.bNext->click();
    Choose(catalogWizard.rgImport, CatalogWizardPages::ImportTextFile);
    for (int press = 0; press < 3; ++press) // imported, the roles as they are, the unit
        catalogWizard.bNext->click();
    ASSERT_EQ(catalogWizard.PageControl1->currentIndex(), CatalogWizardPages::FinishedPage);
    Choose(catalogWizard.rgFinished, CatalogWizardPages::StartPlanogramming);
    catalogWizard.bNext->click();
    EXPECT_TRUE(ui.AllAnswersUsed());
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.initialDir, program.File("Catalogs") + "/");
    EXPECT_FALSE(catalogWizard.isVisible());
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->CatalogList->Files().FileName(), saved);
    Choose(wizard->rbHaveCat, 0);
    for (int press = 0; press < 4; ++press)
        Next();
    EXPECT_EQ(Page(), Pages::UnitsPage);
    EXPECT_EQ(wizard->GridP().Cells(2, 1), "New Soap");
}

} // namespace
