// The planogram setup wizard's pages without their window: where Next and Back lead, the values
// each showing starts with, the display geometry and the product list's edges.
#include "app/PlanogramWizardPages.h"
#include "platform/settings/SettingsStore.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

using Pages = PlanogramWizardPages;

class RecordingWindows : public PlanogramWizardWindows {
public:
    bool OpenPlanogram(const std::string& fileName) override { return Record("OpenPlanogram " + fileName); }
    void ShowCatalogWizard() override { Record("ShowCatalogWizard"); }
    void CloseWizard() override { Record("CloseWizard"); }
    bool OpenCatalog(const std::string& fileName) override { return Record("OpenCatalog " + fileName); }
    void LoadLinkedTable() override { Record("LoadLinkedTable"); }
    bool BuildDisplay() override { return Record("BuildDisplay"); }
    bool Record(const std::string& call)
    {
        calls.push_back(call);
        return succeed;
    }
    std::vector<std::string> calls;
    bool succeed = true;
};

class PlanogramWizardPagesTest : public testing::Test {
protected:
    PlanogramWizardPagesTest() : pages(windows)
    {
        store.WriteString("Options", "Units", "cm");
        pages.FormShow(store);
    }
    void Next() { pages.NextClick(store); }
    // Fills the pages up to `page` with a valid 120 x 200 cm pegboard.
    void WalkTo(int page)
    {
        pages.haveCatalog = true;
        if (pages.catalogFile.empty())
            pages.catalogFile = "Sample.ctf";
        pages.edWidth = "120";
        pages.edHeight = "200";
        for (int press = 0; press < Pages::PageCount && pages.currentPage < page; ++press)
            Next();
    }

    ScopedSettingsFolder settings;
    SettingsStore store;
    ScriptedUi ui{ScriptedUi::Strictness::Lenient};
    RecordingWindows windows;
    Pages pages;
};

struct Walk {
    const char* what;
    std::function<void(Pages&)> choose;
    std::vector<char> presses; // 'N' Next, 'B' Back
    int page;
    const char* nextCaption;
    bool backEnabled;
};

TEST_F(PlanogramWizardPagesTest, NextAndBackFollowEachPagesStep)
{
    const auto solid = [](Pages& p) { p.displayType = Pages::SolidColor; };
    const auto automatic = [](Pages& p) {
        p.displayType = Pages::Slatwall;
        p.autoDisplay = true;
    };
    const Walk walks[] = {
        {"first page", [](Pages&) {}, {}, Pages::WelcomePage, "&Next>", false},
        {"pegboard shows the peg page", [](Pages&) {}, {'N', 'N', 'N', 'N', 'N', 'N', 'N'}, Pages::PegPage, "&Next>",
         true},
        {"other backgrounds skip it", solid, {'N', 'N', 'N', 'N', 'N', 'N', 'N'}, Pages::AutoPage, "&Next>", true},
        {"manual jumps to the end", solid, {'N', 'N', 'N', 'N', 'N', 'N', 'N', 'N'}, Pages::FinishedPage, "&Finish",
         true},
        {"only the last step is remembered",
         automatic,
         {'N', 'N', 'N', 'N', 'N', 'N', 'N', 'N', 'B', 'B'},
         Pages::PegPage,
         "&Next>",
         true},
        {"never before the first page", [](Pages&) {}, {'B', 'B'}, Pages::WelcomePage, "&Next>", false},
    };
    for (const Walk& walk : walks) {
        SCOPED_TRACE(walk.what);
        pages.FormShow(store);
        pages.displayType = Pages::Pegboard;
        pages.autoDisplay = false;
        pages.catalogFile = "Sample.ctf";
        pages.edWidth = "120";
        pages.edHeight = "200";
        walk.choose(pages);
        for (char press : walk.presses)
            press == 'N' ? Next() : pages.BackClick();
        EXPECT_EQ(pages.currentPage, walk.page);
        EXPECT_EQ(pages.NextCaption(), walk.nextCaption);
        EXPECT_EQ(pages.BackEnabled(), walk.backEnabled);
    }
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(PlanogramWizardPagesTest, EachShowingStartsWithTheStoredUnitAndPegValues)
{
    store.WriteString("Options", "Units", "INCHES");
    store.WriteString("Options", "InchPegRad", "0.25");
    store.WriteBool("Options", "Welcome", false);
    pages.FormShow(store);
    EXPECT_TRUE(pages.inchUnits);
    EXPECT_FALSE(pages.showAtStart);
    EXPECT_EQ(pages.edBestHeight, "60");
    EXPECT_EQ(pages.pegHeading, "Peghole placement and size in inches");
    EXPECT_EQ(pages.peg, (std::array<std::string, 7>{"1.5", "1.5", "1.5", "1.5", "2", "2", "0.25"}));

    pages.inchUnits = false;
    pages.currentPage = Pages::UnitsPage;
    Next();
    EXPECT_EQ(pages.edBestHeight, "150");
    EXPECT_EQ(pages.unitLabel, "cm");
    EXPECT_EQ(pages.peg, (std::array<std::string, 7>{"4", "4", "4", "4", "4", "4", "1"}));
    pages.edWidth = "100";
    pages.edHeight = "189";
    Next();
    EXPECT_EQ(pages.edBestHeight, "94.5");
    EXPECT_EQ(pages.BestHeight(), 94);
}

struct Geometry {
    const char* what;
    bool inches;
    const char *width, *height, *ySpace, *size;
    int displayType;
    double holeSize;
    // Width, height, vertical and horizontal pitch, first X and Y, last X and Y.
    std::array<int, 8> expected;
};

TEST_F(PlanogramWizardPagesTest, TheDisplayIsMeasuredInQuarterCentimetres)
{
    const Geometry cases[] = {
        {"centimetres", false, "120", "200", "4", "1", Pages::Pegboard, 4, {480, 800, 20, 20, 16, 16, 464, 784}},
        {"inches", true, "39.4", "100", "2", "0.5", Pages::Pegboard, 5.076, {400, 1015, 25, 25, 15, 15, 384, 999}},
        {"slatwall", false, "120", "200", "4", "1", Pages::Slatwall, 4, {480, 800, 20, 0, 16, 16, 464, 784}},
    };
    for (const Geometry& c : cases) {
        SCOPED_TRACE(c.what);
        pages.inchUnits = c.inches;
        pages.ShowUnits(store);
        pages.edWidth = c.width;
        pages.edHeight = c.height;
        pages.peg[4] = pages.peg[5] = c.ySpace;
        pages.peg[6] = c.size;
        pages.displayType = c.displayType;
        const WizardDisplay d = pages.Display();
        EXPECT_NEAR(d.pegHoleSize, c.holeSize, 0.001);
        EXPECT_EQ((std::array<int, 8>{d.displayWidth, d.displayHeight, d.pegPitchV, d.pegPitchH, d.pegFirstX,
                                      d.pegFirstY, d.pegLastX, d.pegLastY}),
                  c.expected);
        EXPECT_TRUE(d.pegHolesShown);
        EXPECT_FALSE(d.backgroundMode);
    }
    pages.displayType = Pages::Image;
    pages.pictureFile = "/pictures/wall.bmp";
    const WizardDisplay image = pages.Display();
    EXPECT_FALSE(image.pegHolesShown);
    EXPECT_TRUE(image.backgroundMode);
    EXPECT_EQ(image.backgroundPath, "/pictures/wall.bmp");
}

struct Refusal {
    const char* what;
    int page;
    std::function<void(Pages&)> change;
    std::vector<std::string> messages;
    int displayType = Pages::Pegboard;
};

TEST_F(PlanogramWizardPagesTest, RefusedValuesKeepTheWizardOnItsPage)
{
    const Refusal refusals[] = {
        {"no catalog", Pages::CatalogPage, [](Pages& p) { p.catalogFile.clear(); }, {"You forgot to select a catalog"}},
        {"empty size",
         Pages::SizePage,
         [](Pages& p) { p.edHeight.clear(); },
         {"You forgot to select your width and/or height"}},
        {"too narrow",
         Pages::SizePage,
         [](Pages& p) { p.edWidth = "29"; },
         {"Invalid width value. Min Value 30cm, Max value 3000cm"}},
        {"peg value",
         Pages::PegPage,
         [](Pages& p) { p.peg[2] = "-1"; },
         {"Invalid peg hole value. Every peg value must be a number of 0 or more."}},
        {"stored peg value at Finish",
         Pages::FinishedPage,
         [](Pages& p) { p.peg[0] = "abc"; },
         {"Invalid peg hole value. Every peg value must be a number of 0 or more."},
         Pages::Slatwall},
        {"most visible height",
         Pages::PlacementPage,
         [](Pages& p) { p.edBestHeight = "tall"; },
         {"Please fill in a value for most visible height"}},
        {"negative most visible height",
         Pages::PlacementPage,
         [](Pages& p) { p.edBestHeight = "-0.5"; },
         {"Invalid most visible height. The most visible height must be a number of 0 or more."}},
        {"image without its picture",
         Pages::BackgroundPage,
         [](Pages& p) { p.displayType = Pages::Image; },
         {"You forgot to select a background image"}},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        pages.FormShow(store);
        pages.displayType = refusal.displayType;
        pages.autoDisplay = true;
        WalkTo(refusal.page);
        ui.ClearCalls();
        windows.calls.clear();
        refusal.change(pages);
        Next();
        EXPECT_EQ(pages.currentPage, refusal.page);
        EXPECT_EQ(ui.MessageTexts(), refusal.messages);
        EXPECT_TRUE(windows.calls.empty());
    }
}

TEST_F(PlanogramWizardPagesTest, TheClosingChoicesReachTheWindows)
{
    pages.currentPage = Pages::HaveCatalogPage;
    pages.haveCatalog = false;
    Next();
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"ShowCatalogWizard", "CloseWizard"}));

    windows.calls.clear();
    pages.FormShow(store);
    pages.haveCatalog = true;
    pages.catalogFile = "Links.DdL";
    pages.autoDisplay = true;
    WalkTo(Pages::FinishedPage);
    Next();
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"OpenCatalog Links.DdL", "LoadLinkedTable", "BuildDisplay",
                                                       "CloseWizard"}));

    windows.calls.clear();
    windows.succeed = false;
    Next();
    EXPECT_EQ(windows.calls, std::vector<std::string>{"BuildDisplay"});
    EXPECT_EQ(pages.currentPage, Pages::FinishedPage);
    // A build that made nothing leaves Back where it led.
    pages.BackClick();
    EXPECT_EQ(pages.currentPage, Pages::PlacementPage);

    windows.calls.clear();
    pages.FormShow(store);
    pages.currentPage = Pages::DoWhatPage;
    pages.doWhat = Pages::OpenTemplate;
    pages.templateFile = "Four Shelves.kqt";
    Next();
    EXPECT_EQ(ui.MessageTexts().back(), "Could not open selected file");
    windows.succeed = true;
    ui.AnswerFile(FileDialogResult{"Wall.kqf", 1});
    pages.doWhat = Pages::OpenDisplay;
    Next();
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"OpenPlanogram Four Shelves.kqt", "OpenPlanogram Wall.kqf",
                                                       "CloseWizard"}));
    EXPECT_EQ(pages.currentPage, Pages::WelcomePage);
}

TEST_F(PlanogramWizardPagesTest, PlusAndMinusKeepTheTitleAndTheEmptyLastRow)
{
    pages.RemoveProduct(1);
    pages.AddProduct("");
    EXPECT_TRUE(pages.BuilderEntries().empty());
    pages.AddProduct("P-1");
    pages.AddProduct("P-2");
    pages.RemoveProduct(0);
    pages.RemoveProduct(3);
    using Rows = std::vector<Pages::Row>;
    EXPECT_EQ(pages.BuilderEntries(), (Rows{{"P-1", "1", "1"}, {"P-2", "2", "1"}}));
    pages.RemoveProduct(1);
    pages.AddProduct("P-3");
    EXPECT_EQ(pages.BuilderEntries(), (Rows{{"P-2", "2", "1"}, {"P-3", "2", "1"}}));
    EXPECT_EQ(pages.gridB.size(), 4u);
}

} // namespace
