// The custom report filling a real template in a real, headless LibreOffice Calc, read back through
// the same automation.
#include "platform/core/CodePage.h"
#include "reports/CustomReport.h"
#include "reports/KQReporterCode.h"
#include "testing/RecordingSpreadsheets.h"
#include "testing/ScriptedUi.h"

#include "OfficeSupport.h"
#include "TestSupport.h"
#include "reports/ReportFakes.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// The report's offices, headless, run by the bridge in the sources with their profiles and
// temporary files in the test's own folders.
struct PrivateOffices {
    explicit PrivateOffices(const TemporaryFolder& folder)
        : temporary(folder.File("tmp")), offices(folder.File("offices")), tmpdir("TMPDIR", temporary),
          bridge("KESTRAME_CALC_BRIDGE", KESTRAME_CALC_BRIDGE_SOURCE), headless("KESTRAME_CALC_HEADLESS", "1")
    {
        EXPECT_TRUE(QDir().mkpath(QString::fromStdString(temporary)));
        SetUserSpreadsheetFolder(offices);
    }

    const std::string temporary;
    const std::string offices;
    const ScopedVariable tmpdir;
    const ScopedVariable bridge;
    const ScopedVariable headless;
};

// The messages that a custom report of a wall on the template shows, each answered OK.
std::vector<std::string> ReportMessages(SpreadsheetReportObjects& objects, const std::string& templatePath)
{
    ReportDocument wall;
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    MakeCustomReport(objects, wall.document, "Wall", templatePath, false);
    return ui.MessageTexts();
}

} // namespace

TEST(CustomReportIntegration, FillsATemplateWhoseFormulasComputeAndLeavesTheTemplateAsItWas)
{
    if (OfficeProgram().empty() || !PythonHasUno())
        GTEST_SKIP() << "LibreOffice Calc or python3-uno is not installed (scripts/setup.sh installs both)";
    TemporaryFolder folder;
    // B3 doubles the cost in M3, D3 is the retail price in O3 less the cost.
    const std::string xlt = ConvertWithOffice(folder, KESTRAME_TEST_DATA "/spreadsheet/ReportTemplate.fods",
                                              "xlt:MS Excel 97 Vorlage/Template", "ReportTemplate.xlt");
    ASSERT_FALSE(xlt.empty()) << "the office did not convert the template";
    const std::string templateBytes = ReadWholeFile(xlt);

    const PrivateOffices sandbox(folder);
    const std::string& temporary = sandbox.temporary;
    const std::string& offices = sandbox.offices;

    ReportDocument wall;
    wall.catalog->records["COLA-1"] = {"Cola \xE9t\xE9", 0, 0, 7.9, 40, 83, 31.6, 12.5, 19.99, 0, 17};
    wall.catalog->records["TEA-2"] = {"Tea", 0, 0, 3, 21, 44, 12, 0.25, 1, 0, 18};
    wall.Place("COLA-1", 0, 0, 0);
    wall.Place("TEA-2", 0, 0, 0);
    ScriptedUi ui;
    SpreadsheetReportObjects objects;
    const std::string caption = "\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xBA\xD0\xB0 #1 & \xE4\xB8\xAD.kqf"; // "Полка #1 & 中.kqf"
    MakeCustomReport(objects, wall.document, caption, xlt, false);
    EXPECT_TRUE(ui.Calls().empty()) << ui.MessageTexts().front();
    ASSERT_TRUE(objects.sheet);
    const std::vector<std::vector<Variant>> values = objects.sheet->Values(1, 1, 7, 15);
    const auto at = [&values](int row, int col) { return values[row - 1][col - 1]; };
    EXPECT_EQ(Utf16ToUtf8(at(1, 2).AsWideString()), "Report based on: " + caption);
    EXPECT_EQ(at(1, 4).VarType(), varDouble);
    EXPECT_EQ(at(1, 4).AsDouble(), 128);
    EXPECT_EQ(at(3, 5).AsString(), "Cola \xE9t\xE9");
    EXPECT_EQ(at(3, 3).AsString(), "COLA-1");
    const struct {
        int row, col;
        double value;
    } numbers[] = {{3, 1, 17}, {3, 13, 12.5}, {3, 15, 19.99}, {4, 13, 0.25}, {4, 15, 1},           {3, 11, 7},
                   {3, 2, 25}, {4, 2, 0.5},   {5, 2, 0},      {6, 2, 0},     {3, 4, 19.99 - 12.5}, {4, 4, 0.75}};
    for (const auto& number : numbers) {
        EXPECT_EQ(at(number.row, number.col).VarType(), varDouble) << number.row << "," << number.col;
        EXPECT_DOUBLE_EQ(at(number.row, number.col).AsDouble(), number.value) << number.row << "," << number.col;
    }
    // The copies end at row n + 4.
    EXPECT_TRUE(at(7, 2).IsEmpty());

    objects.application->Quit();
    objects = {};
    EXPECT_EQ(ReadWholeFile(xlt), templateBytes);
    EXPECT_EQ(EntriesIn(offices), 0);
    EXPECT_EQ(EntriesIn(temporary), 0);
    EXPECT_EQ(ProcessesMentioning(folder.Path()), std::vector<std::string>{});
    SetUserSpreadsheetFolder({});
}

// The user's office starts without a document: one whose template does not open would be left with
// no window at all. A template that cannot be read or is no workbook starts no office; one that only
// begins as a workbook is refused by the office, which asks the user nothing. The message names the
// template, or that none was chosen in the real chooser.
TEST(CustomReportIntegration, ATemplateThatDoesNotOpenLeavesNoOfficeRunning)
{
    if (OfficeProgram().empty() || !PythonHasUno())
        GTEST_SKIP() << "LibreOffice Calc or python3-uno is not installed (scripts/setup.sh installs both)";
    TemporaryFolder folder;
    const PrivateOffices sandbox(folder);
    const std::string& temporary = sandbox.temporary;
    const std::string& offices = sandbox.offices;
    const TwReporter chooser;
    const std::string missing = folder.File("missing.xlt");
    const std::string notes = folder.File("notes.xlt");
    const std::string broken = folder.File("broken.xlt");
    WriteWholeFile(notes, "Shelf 1;Cola\r\n");
    WriteWholeFile(broken, std::string(WorkbookSignature) + std::string(4096, '\x5A'));
    for (const auto& [path, message] :
         {std::pair{broken, "EOleException  The office could not load " + broken},
          std::pair{missing, "EFOpenError  Cannot open file \"" + missing + "\". No such file or directory"},
          std::pair{notes, "EFOpenError  Cannot open file \"" + notes + "\". It is not a workbook"},
          std::pair{chooser.TemplateFileName(), std::string("EFOpenError  No workbook file was named.")}}) {
        SpreadsheetReportObjects objects;
        EXPECT_EQ(ReportMessages(objects, path), std::vector<std::string>{message});
        EXPECT_EQ(ProcessesMentioning(offices), std::vector<std::string>{});
        EXPECT_EQ(EntriesIn(offices), 0);
        EXPECT_EQ(EntriesIn(temporary), 0);
        EXPECT_FALSE(objects.application);
    }
    SetUserSpreadsheetFolder({});
}

// An office that ends within its first second, as a first start can, is started once more; one that
// ends so again fails the start, which says why on its second line.
TEST(CustomReportIntegration, AnOfficeEndingAtOnceIsStartedOnceMoreAndAFailedStartSaysWhy)
{
    if (OfficeProgram().empty() || !PythonHasUno())
        GTEST_SKIP() << "LibreOffice Calc or python3-uno is not installed (scripts/setup.sh installs both)";
    TemporaryFolder folder;
    const PrivateOffices sandbox(folder);
    const std::string broken = folder.File("broken.xlt");
    WriteWholeFile(broken, std::string(WorkbookSignature) + std::string(4096, '\x5A'));
    const std::string office = folder.File("office");
    WriteWholeFile(office, "#!/bin/sh\n[ -e '" + folder.File("started") + "' ] && exec '" + OfficeProgram() +
                               "' \"$@\"\ntouch '" + folder.File("started") + "'\nexit 3\n");
    RunCommand("chmod +x '" + office + "'");
    const ScopedVariable endingOnce("KESTRAME_SOFFICE", office);
    for (const std::string& message :
         {"EOleException  The office could not load " + broken,
          std::string("Could not start LibreOffice Calc. LibreOffice Calc is required to make custom reports.\n"
                      "The office ended while starting, twice (exit status 3).")}) {
        SpreadsheetReportObjects objects;
        EXPECT_EQ(ReportMessages(objects, broken), std::vector<std::string>{message});
        EXPECT_EQ(ProcessesMentioning(sandbox.offices), std::vector<std::string>{});
        // From now on it always ends at once.
        WriteWholeFile(office, "#!/bin/sh\nexit 3\n");
    }
    SetUserSpreadsheetFolder({});
}
