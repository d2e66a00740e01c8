// The Options window over the settings store and the main window, and the Tools menu's commands that
// show it and the catalog wizard, offscreen.
#include "app/MainFormFixture.h"
#include "app/Options.h"

#include "catalog/CatWizardCode.h"
#include "catalog/DataMaker.h"
#include "app/MainCatalogHost.h"
#include "planogram/SelectorCode.h"
#include "platform/core/Seams.h"
#include "platform/settings/SettingsStore.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

class OptionsTest : public MainFormFixture {
protected:
    OptionsTest() : options(*form, form.get())
    {
        selector = std::make_unique<TSelector>(*form, form.get());
        form->SetSelector(*selector);
        form->SetOptionsWindow(options);
    }
    ~OptionsTest() override
    {
        selector.reset();
        SetCountryCode(std::nullopt);
    }

    static std::string Stored(const char* name) { return SettingsStore().ReadString("Options", name, "absent"); }

    TOptions options;
    std::unique_ptr<TSelector> selector;
};

TEST_F(OptionsTest, ShowingReadsTheStoredUnitAndHintsAndTheMainWindowsPegAlignment)
{
    struct Case {
        const char* units; // nullptr: absent
        int country;
        const char* shown;
    };
    const Case cases[] = {{nullptr, 1, "Inches"},       {nullptr, 49, "Centemeters"}, {"INCHES", 49, "Inches"},
                          {"Inches", 49, "Inches"},     {"cm", 1, "Centemeters"},     {"none", 1, "Inches"}};
    for (const Case& c : cases) {
        SettingsStore().DeleteValue("Options", "Units");
        if (c.units)
            SettingsStore().WriteString("Options", "Units", c.units);
        SetCountryCode(c.country);
        options.FormShow();
        EXPECT_EQ(options.ComboBox1->currentText().toStdString(), c.shown) << (c.units ? c.units : "absent");
    }
    SettingsStore().WriteBool("Options", "Tips", false);
    SettingsStore().WriteBool("Options", "AlignToPeg", true);
    options.FormShow();
    EXPECT_FALSE(options.Tips->isChecked());
    EXPECT_FALSE(form->showHints);
    EXPECT_TRUE(options.AlignToPeg->isChecked());
    EXPECT_EQ(form->alignToPeg, 1);

    // Hints switched off stay off at the next showing, and the box says so.
    SettingsStore().DeleteValue("Options", "Tips");
    options.FormShow();
    options.Tips->setChecked(false);
    options.comOKClick();
    options.FormShow();
    EXPECT_FALSE(form->showHints);
    EXPECT_FALSE(options.Tips->isChecked());
}

TEST_F(OptionsTest, OkStoresEveryValueAndGivesTheUnitToTheMainWindowTheSelectorAndEveryPlanogram)
{
    const std::string copy = program.File("Examples/Copy Wall.kqf");
    WriteWholeFile(copy, ReadWholeFile(Example()));
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    ASSERT_TRUE(form->OpenPlanogram(copy));
    ASSERT_EQ(Windows(), 2);
    SetCountryCode(49);
    options.FormShow();
    options.Welcome->setChecked(false);
    options.AlignToPeg->setChecked(true);
    options.DateTime->setChecked(false);
    options.ShowLoading->setChecked(false);
    options.ComboBox1->setCurrentIndex(1);
    options.comOKClick();

    const std::pair<const char*, const char*> stored[] = {
        {"Welcome", "0"},  {"AlignToPeg", "1"}, {"ShowDateTimeStamp", "0"}, {"ShowDataLoadingDialog", "0"},
        {"Units", "inches"}, {"Tips", "1"}};
    for (const auto& [name, value] : stored)
        EXPECT_EQ(Stored(name), value) << name;
    EXPECT_EQ(form->unitsInches, 1);
    EXPECT_EQ(form->alignToPeg, 1);
    EXPECT_EQ(form->lbCurX->toolTip().toStdString(), "Inches from left");
    EXPECT_EQ(form->lbCurY->toolTip().toStdString(), "Inches from bottom");
    EXPECT_EQ(selector->lbUnits->text().toStdString(), "inches");
    for (QMdiSubWindow* frame : form->ClientArea->subWindowList()) {
        const PlanogramDocument& document = qobject_cast<Tplandoc*>(frame->widget())->Document();
        EXPECT_TRUE(document.unitsInches);
        EXPECT_FALSE(document.showDateTimeStamp);
        EXPECT_FALSE(document.showDataLoadingDialog);
    }

    // A unit left unchosen is stored as centimetres, never as "none".
    options.ComboBox1->setCurrentIndex(-1);
    options.comOKClick();
    EXPECT_EQ(Stored("Units"), "cm");
    EXPECT_EQ(options.ComboBox1->currentText().toStdString(), "Centemeters");
    EXPECT_EQ(form->lbCurX->toolTip().toStdString(), "cm(s) from left");
    EXPECT_EQ(selector->lbUnits->text().toStdString(), "cm");
    EXPECT_FALSE(Active().unitsInches);
}

TEST_F(OptionsTest, CancelKeepsOnlyWhatTheShowingDid)
{
    SettingsStore().WriteBool("Options", "AlignToPeg", true);
    form->alignToPeg = 0;
    options.FormShow();
    options.AlignToPeg->setChecked(false);
    options.Welcome->setChecked(false);
    options.ComboBox1->setCurrentIndex(1);
    options.comCancelClick();
    EXPECT_EQ(form->alignToPeg, 1);
    EXPECT_EQ(Stored("Welcome"), "absent");
    EXPECT_EQ(Stored("Units"), "absent");
    EXPECT_EQ(form->unitsInches, 0);
}

TEST_F(OptionsTest, ToolsMenuShowsTheOptionsAndTheCatalogWizard)
{
    MainCatalogHost host(*form);
    TDForm manager(host, form.get());
    TCatalogWizard wizard(manager, form.get());
    EXPECT_FALSE(form->CatalogWizard1->isEnabled());
    form->SetCatalogWizard(wizard);
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->unitsInches = 1;
    form->alignToPeg = 1;
    for (QAction* command : {form->Options1, form->CatalogWizard1}) {
        EXPECT_TRUE(command->isEnabled());
        ui.AnswerModal(mrOk);
        command->trigger();
    }
    std::vector<std::string> shown;
    for (const ScriptedUi::Call& call : ui.CallsOf(ScriptedUi::Kind::ModalWindow))
        shown.push_back(call.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"Options", "CatalogWizard"}));
    // The active planogram takes the main window's unit and peg alignment.
    EXPECT_TRUE(Active().unitsInches);
    EXPECT_TRUE(Active().alignToPeg);
}

} // namespace
