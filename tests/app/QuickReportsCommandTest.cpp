#include "MainFormFixture.h"

#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/ui/FileListBoxView.h"
#include "reports/KQReporterCode.h"
#include "reports/qReportsCode.h"
#include "testing/RecordingSpreadsheets.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <string>
#include <tuple>
#include <vector>

TEST_F(MainFormFixture, QuickReportsReportOnTheExampleWall)
{
    TqReports window([this] { return form->ActiveDocument(); }, form.get());
    qReports = &window;
    form->Reports1Click();
    EXPECT_FALSE(form->QuickReports1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->Reports1Click();
    ASSERT_TRUE(form->QuickReports1->isEnabled());
    EXPECT_EQ(form->QuickReports1->shortcut(), QKeySequence("Ctrl+R"));

    std::vector<std::string> lines, investment, sales;
    QTimer::singleShot(0, &window, [&] {
        EXPECT_TRUE(window.isVisible());
        window.cbReportType->setCurrentIndex(1);
        window.Button3->click();
        investment = window.Lines();
        window.cbReportType->setCurrentIndex(4);
        window.Button3->click();
        sales = window.Lines();
        window.cbReportType->setCurrentIndex(3);
        window.Button3->click();
        lines = window.Lines();
        window.reject();
    });
    form->QuickReports1->trigger();
    qReports = nullptr;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Kestrame Report - Fixture Listing");
    EXPECT_NE(lines[3].find("\t\tFixture \t"), std::string::npos) << lines[3];

    // The example's products carry what placing them gives: 13 cm hooks stack one or two deep.
    ASSERT_FALSE(investment.empty());
    EXPECT_EQ(investment.back(), "TOTALS:\t40\t\t\t\t$76.45\t$110.86\t$34.41");
    // Its catalog has units sold to rank the products by.
    ASSERT_GE(sales.size(), 4u);
    EXPECT_EQ(sales[3].substr(0, 9), "1\tLT-703\t") << sales[3];
    const ListOB stored = Item(6);
    ASSERT_TRUE(Active().catalog->FindByKey(stored.index));
    ASSERT_TRUE(form->AddCurrentProduct(0, 0));
    const ListOB& placed = *Active().items->current;
    EXPECT_EQ(std::tie(placed.index, placed.depth, placed.hookdepth, placed.hookdepthCM, placed.hookdepthIN),
              std::tie(stored.index, stored.depth, stored.hookdepth, stored.hookdepthCM, stored.hookdepthIN));
}

TEST_F(MainFormFixture, CustomReportWriterFillsTheChosenTemplateWithTheActivePlanogram)
{
    WriteWholeFile(program.File("Template/Shelf.xlt"), std::string(WorkbookSignature));
    TwReporter chooser(form.get());
    wReporter = &chooser;
    RecordingSpreadsheets spreadsheets;
    form->Reports1Click();
    EXPECT_FALSE(form->ShowReport1->isEnabled());
    form->ShowReport1Click();
    EXPECT_TRUE(ui.Calls().empty());

    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->Reports1Click();
    form->View1Click();
    ASSERT_TRUE(form->ShowReport1->isEnabled());
    ui.ClearCalls();
    ui.AnswerModal(mrCancel);
    form->ShowReport1->trigger();
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow)[0].text, "wReporter");
    EXPECT_TRUE(spreadsheets.calls.empty());

    ASSERT_EQ(chooser.TemplateList->Files().Items(), std::vector<std::string>{"Shelf.xlt"});
    chooser.TemplateList->Files().SetItemIndex(0);
    ui.AnswerModal(mrOk);
    form->ShowReport1->trigger();
    const std::string caption = form->ActivePlanogram()->Caption().toStdString();
    ASSERT_GE(spreadsheets.calls.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(spreadsheets.calls.begin(), spreadsheets.calls.begin() + 7),
              (std::vector<std::string>{"CreateUserApplication excel.application", "Workbooks", "SetVisible true",
                                        "Open " + program.File("Template/Shelf.xlt"), "ActiveSheet", "Cells 1 2",
                                        "SetSystemText 1 2 Report based on: " + caption}));
    EXPECT_EQ(spreadsheets.calls.back(), "AutoFit a1 z" + std::to_string(Active().items->Count() + 4));
    wReporter = nullptr;
}
