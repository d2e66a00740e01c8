#include "MainFormFixture.h"

#include "reports/qReportsCode.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <string>
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

    std::vector<std::string> lines;
    QTimer::singleShot(0, &window, [&] {
        EXPECT_TRUE(window.isVisible());
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
}
