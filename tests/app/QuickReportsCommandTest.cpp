#include "MainFormFixture.h"

#include "reports/qReportsCode.h"

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
