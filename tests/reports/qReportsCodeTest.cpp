#include "reports/qReportsCode.h"

#include "reports/ReportFakes.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const Lines StartLines = {"Kestrame Quick Reports", "",
                          "To make a report select a report type and the click on the Make Report button."};

class QuickReportsWindowTest : public testing::Test {
protected:
    QuickReportsWindowTest()
    {
        wall.catalog->records["C1"] = {"Caf\xE9 cr\xE8me", 10, 20, 5, 40, 80, 20, 1, 2, 4};
        wall.Place("C1", 0, 0, 0);
        ListOB& shelf = wall.Place("Shelf", 0, 120, 30, 0, "<shelf>bgcolor=0</shelf>");
        shelf.top = 100, shelf.right = 400, shelf.bottom = 112;
    }

    ReportDocument wall;
    PlanogramDocument* active = &wall.document;
    TqReports window{[this] { return active; }};
    ScriptedUi ui;
    TemporaryFolder folder;
};

// Where each column of a shown line starts, in the window's pixels.
std::vector<int> ColumnStarts(const TqReports& window, int line)
{
    const QTextBlock block = window.RichEdit1->document()->findBlockByNumber(line);
    const QString text = block.text();
    std::vector<int> starts;
    for (int i = 0; i <= text.size(); ++i)
        if (i == 0 || text[i - 1] == '\t')
            starts.push_back(qRound(block.layout()->lineForTextPosition(i).cursorToX(i)));
    return starts;
}

// The columns stand at the report's stops, given in points, in the window's proportional font.
TEST_F(QuickReportsWindowTest, ColumnsStandAtTheReportsTabStops)
{
    window.show();
    window.cbReportType->setCurrentIndex(0);
    window.Button3->click();
    ASSERT_EQ(window.Lines().at(3), "1\tC1\tCaf\xE9 cr\xE8me\tfront\t10 x 20 x 5\t\t0\t0");
    std::vector<int> stops;
    for (int stop = 0; stop < 8; ++stop)
        stops.push_back(qRound(stop * 85 * window.RichEdit1->logicalDpiX() / 72.0));
    EXPECT_EQ(ColumnStarts(window, 3), stops);
    EXPECT_EQ(ColumnStarts(window, 2), stops);
}

TEST_F(QuickReportsWindowTest, ShowingAgainResetsTheListAndKeepsTheText)
{
    EXPECT_EQ(window.Lines(), StartLines);
    window.show();
    window.cbReportType->setCurrentIndex(3);
    window.Button3->click();
    const Lines listing = window.Lines();
    EXPECT_EQ(listing,
              (Lines{"", "Kestrame Report - Fixture Listing", "Key#\t\tItem\t\tDescription\tWidth x Height x Depth",
                     "2\t\tShelf\t\tFixture \t100 x 3 x 30\t\t"}));
    window.hide();
    window.show();
    EXPECT_EQ(window.cbReportType->currentIndex(), 0);
    EXPECT_EQ(window.Lines(), listing);

    // A word typed into the list chooses no report; no planogram leaves the text too.
    window.cbReportType->setEditText("Investment");
    window.Button3->click();
    EXPECT_EQ(window.Lines(), listing);
    active = nullptr;
    window.cbReportType->setCurrentIndex(0);
    window.Button3->click();
    EXPECT_EQ(window.Lines(), listing);
}

TEST_F(QuickReportsWindowTest, SaveWritesTheShownLinesAsWindowsText)
{
    window.cbFitDescription->setChecked(false);
    window.cbReportType->setCurrentIndex(4);
    window.Button3->click();
    const std::string path = folder.File("report.txt");
    ui.AnswerFile(FileDialogResult{path, 1});
    window.Button1->click();
    EXPECT_EQ(ui.Calls().back().fileOptions.filter, "Text File (*.txt)|*.txt");
    EXPECT_EQ(ui.Calls().back().fileOptions.defaultExt, "txt");
    EXPECT_EQ(ReadWholeFile(path),
              "\r\nKestrame Report - Sales Ranking 0\r\n"
              "Rank\tItem No\tDescription\tUnit Cost\tUnit Price\tUnit Profit\tUnits Sold\tTotal Profit\r\n"
              "1\tC1\tCaf\xE9 cr\xE8me\t$1\t$2\t$1\t4\t$4\t\r\n");

    // The user's edits are saved with the report.
    window.RichEdit1->setPlainText("edited\tline");
    const std::string edited = folder.File("edited.txt");
    ui.AnswerFile(FileDialogResult{edited, 1});
    window.Button1->click();
    EXPECT_EQ(ReadWholeFile(edited), "edited\tline\r\n");

    ui.AnswerFile(std::nullopt);
    window.Button1->click();
    EXPECT_EQ(RunCommand("ls '" + folder.Path() + "'"), "edited.txt\nreport.txt\n");
}

TEST_F(QuickReportsWindowTest, FailedSaveKeepsTheOldFileAndReportsTheError)
{
    window.Button3->click();
    const std::string path = folder.File("report.txt");
    WriteWholeFile(path, "old");
    ui.AnswerFile(FileDialogResult{path, 1});
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(64);
        window.Button1->click();
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    ASSERT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_NE(ui.MessageTexts()[0].find("report.txt"), std::string::npos) << ui.MessageTexts()[0];
}

TEST_F(QuickReportsWindowTest, CancelledPrintPrintsNothing)
{
    ui.AnswerPrint(std::nullopt);
    window.Button2->click();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::PrintDialog).size(), 1u);
}

} // namespace
