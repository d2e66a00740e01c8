// The custom spreadsheet report and its template chooser on the recording spreadsheet automation.
#include "reports/CustomReport.h"
#include "reports/KQReporterCode.h"

#include "ReportFakes.h"
#include "TestSupport.h"
#include "platform/services/CalcAutomation.h"
#include "platform/ui/FileListBoxView.h"
#include "testing/RecordingSpreadsheets.h"
#include "testing/ScriptedUi.h"
#include "testing/StandInBridge.h"

#include <QCheckBox>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A template that passes the report's check.
const std::string& Template()
{
    static const TemporaryFolder folder;
    static const std::string path = [] {
        WriteWholeFile(folder.File("shelf.xlt"), std::string(WorkbookSignature));
        return folder.File("shelf.xlt");
    }();
    return path;
}

Log operator+(Log first, const Log& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The writes of one row: "Cells" and "SetValue" of each (column, text).
Log Writes(int row, const std::vector<std::pair<int, std::string>>& cells)
{
    Log log;
    for (const auto& [col, text] : cells) {
        const std::string at = std::to_string(row) + ' ' + std::to_string(col);
        log.push_back("Cells " + at);
        log.push_back("SetValue " + at + ' ' + text);
    }
    return log;
}

// The heading naming the planogram, whose caption comes as the system gives it.
Log Caption(const std::string& caption) { return {"Cells 1 2", "SetSystemText 1 2 Report based on: " + caption}; }

Log Headings(const std::string& width, const std::string& height, const std::string& units)
{
    return Writes(
        1,
        {{3, "Display width:"}, {4, width}, {5, "Display height:"}, {6, height}, {7, "Meassurements in"}, {8, units}});
}

// A product's row: record, part, description, width, height, depth, cost, retail and four empty texts.
Log ItemWrites(int row, std::vector<std::string> values)
{
    values.insert(values.end(), 4, "");
    std::vector<std::pair<int, std::string>> cells;
    for (size_t column = 0; column < values.size(); ++column)
        cells.emplace_back(static_cast<int>(2 * column + 1), values[column]);
    return Writes(row, cells);
}

Log CopiesAndFit(const std::string& last)
{
    Log log;
    for (const char* column : {"b", "d", "f", "h", "j", "l", "n", "p", "r", "t"}) {
        const std::string x(column);
        log.insert(log.end(), {"Range " + x + "3 " + x + "3", "Range " + x + "4 " + x + last,
                               "Copy " + x + "3 " + x + "3 to " + x + "4 " + x + last});
    }
    return log + Log{"Range a1 z" + last, "Columns a1 z" + last, "AutoFit a1 z" + last};
}

using Message = std::tuple<std::string, std::string, MsgIcon>;

Message Shown(const std::string& text, const std::string& caption, MsgIcon icon) { return {text, caption, icon}; }

// The one message box shown.
Message Shown(const ScriptedUi& ui)
{
    if (ui.Calls().size() != 1)
        return {std::to_string(ui.Calls().size()) + " messages", "", MsgIcon::None};
    return {ui.Calls()[0].text, ui.Calls()[0].caption, ui.Calls()[0].icon};
}

Log Opening()
{
    return {"CreateUserApplication excel.application", "Workbooks", "SetVisible true", "Open " + Template(),
            "ActiveSheet"};
}

// A wall of 512 x 256 quarter centimetres holding a product, a shelf and a product.
struct ShelfDocument : ReportDocument {
    explicit ShelfDocument(bool inches, const std::string& catalogUnits)
    {
        document.unitsInches = inches ? 1 : 0;
        catalog->units = catalogUnits;
        catalog->records["COLA-1"] = {"Cola \xE9t\xE9", 3.5, 8.25, 7.9, 40, 83, 38.5, 12.5, 19.99, 0, 17};
        catalog->records["TEA-2"] = {"Tea", 2, 4, 3, 21, 44, 13, 0.1, 1, 0, 18};
        Place("COLA-1", 0, 0, 0);
        Place("s", 0, 0, 0);
        Place("TEA-2", 0, 0, 0);
    }
};

} // namespace

TEST(CustomReport, WritesHeadingsItemRowsAndCopiesTheTemplatesFormulasDown)
{
    const struct {
        bool inches;
        const char* catalogUnits;
        Log headings;
        std::string colaWidth, colaHeight, colaDepth, teaWidth, teaHeight, teaDepth;
    } cases[] = {
        {false, "cm", Headings("128", "64", "cms"), "10", "20", "9", "5", "11", "3"},
        // 0.394 as the reports have always used, not 1 / 2.54; "Inch" is no inch catalog.
        {true, "cm", Headings("50.432", "25.216", "inches"), "3.94", "7.88", "3.546", "1.97", "4.334", "1.182"},
        {true, "Inch", Headings("50.432", "25.216", "inches"), "3.94", "7.88", "3.546", "1.97", "4.334", "1.182"},
        {true, "inch", Headings("50.432", "25.216", "inches"), "3.5", "8.25", "7.9", "2", "4", "3"},
    };
    for (const auto& test : cases) {
        ShelfDocument shelf(test.inches, test.catalogUnits);
        RecordingSpreadsheets spreadsheets;
        ScriptedUi ui;
        SpreadsheetReportObjects objects;
        MakeCustomReport(objects, shelf.document, "Wall \xC3\xA9 \xD0\x9F", Template(), false);
        // The shelf's row 4 stays empty.
        const Log expected = Opening() + Caption("Wall \xC3\xA9 \xD0\x9F") + test.headings +
                             ItemWrites(3, {"17", "COLA-1", "Cola \xE9t\xE9", test.colaWidth, test.colaHeight,
                                            test.colaDepth, "12.500000", "19.990000"}) +
                             ItemWrites(5, {"18", "TEA-2", "Tea", test.teaWidth, test.teaHeight, test.teaDepth,
                                            "0.100000", "1.000000"}) +
                             CopiesAndFit("7");
        EXPECT_EQ(spreadsheets.calls, expected) << test.catalogUnits;
        EXPECT_TRUE(ui.Calls().empty());
        // The office stays with the user: nothing quits it.
        EXPECT_TRUE(objects.application && objects.columns);
    }
}

TEST(CustomReport, AnEmptyPlanogramWritesTheHeadingsAndCopiesRowThreeToRowFour)
{
    ReportDocument empty;
    RecordingSpreadsheets spreadsheets;
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    SpreadsheetReportObjects objects;
    MakeCustomReport(objects, empty.document, "Empty", Template(), true);
    const Log expected = Opening() + Caption("Empty") + Headings("128", "64", "cms") + CopiesAndFit("4");
    EXPECT_EQ(spreadsheets.calls, expected);
    EXPECT_EQ(Shown(ui), Shown("Done with report.", "Info", MsgIcon::None));
}

TEST(CustomReport, EachFailingStepEndsWithItsMessage)
{
    const std::string communicate = "Could not communicate with LibreOffice Calc. Make sure you have an English "
                                    "language version of LibreOffice Calc.";
    const std::string error = "An error occured while making the report";
    // A failed start says why on a second line.
    const std::string started = "Scripted failure of CreateUserApplication excel.application";
    const struct {
        bool templateOnly;
        const char* failAt;
        Message shown;
        size_t calls;
        bool quits; // the application, left without a workbook
    } cases[] = {
        {false, "CreateUserApplication",
         Shown("Could not start LibreOffice Calc. LibreOffice Calc is required to make custom reports.\n" + started,
               "Report Error", MsgIcon::Error),
         1, false},
        {false, "Workbooks", Shown(communicate, "Kestrame", MsgIcon::None), 3, true},
        {false, "SetVisible", Shown(communicate, "Kestrame", MsgIcon::None), 4, true},
        {false, "Open", Shown("EOleException  Scripted failure of Open " + Template(), "Kestrame", MsgIcon::None), 5,
         true},
        // The sheet keeps what was written before the failure.
        {false, "SetSystemText", Shown(error + ".", "Report Error", MsgIcon::Warning), 7, false},
        {false, "SetValue", Shown(error + ".", "Report Error", MsgIcon::Warning), 9, false},
        {false, "Copy", Shown(error + ".", "Report Error", MsgIcon::Warning), 5 + 7 * 2 + 2 * 24 + 3, false},
        {true, "CreateUserApplication",
         Shown("Could not start LibreOffice Calc. LibreOffice Calc is required to make reports\n" + started,
               "Report error", MsgIcon::Error),
         1, false},
        {true, "Open", Shown("EOleException  Scripted failure of Open " + Template(), "Kestrame", MsgIcon::None), 5,
         true},
        {true, "AutoFit", Shown(error, "Report error", MsgIcon::Warning), 5 + 6 * 2 + 10 * 3 + 3, false},
    };
    for (const auto& test : cases) {
        ShelfDocument shelf(false, "cm");
        RecordingSpreadsheets spreadsheets;
        spreadsheets.failAt = test.failAt;
        ScriptedUi ui;
        ui.AnswerMessage(MsgAnswer::OK);
        SpreadsheetReportObjects objects;
        if (test.templateOnly)
            MakeTemplateReport(objects, Template(), true);
        else
            MakeCustomReport(objects, shelf.document, "Wall", Template(), true);
        EXPECT_EQ(spreadsheets.calls.size(), test.calls) << test.failAt;
        EXPECT_EQ(Shown(ui), test.shown) << test.failAt;
        EXPECT_EQ(spreadsheets.calls.back() == "Quit", test.quits) << test.failAt;
    }
}

// A template that cannot be read or is no workbook starts no office, which would show the user its
// own dialogs about it first; the message names the template. What begins as a workbook goes on.
TEST(CustomReport, ATemplateIsReadBeforeAnOfficeStarts)
{
    TemporaryFolder folder;
    const auto file = [&folder](const char* name, std::string_view bytes) {
        WriteWholeFile(folder.File(name), std::string(bytes));
        return folder.File(name);
    };
    const auto cannotOpen = [](const std::string& path, const std::string& reason) {
        return "EFOpenError  Cannot open file \"" + path + "\". " + reason + " | office not asked";
    };
    const std::string started = " | CreateUserApplication excel.application";
    ::chmod(folder.Path().c_str(), 0755);
    const std::string locked = file("locked.xlt", WorkbookSignature);
    ::chmod(locked.c_str(), 0);
    ASSERT_EQ(::mkdir(folder.File("folder.xlt").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.File("pipe.xlt").c_str(), 0666), 0);
    const struct {
        std::string path;
        std::string shown; // the messages, then the office's first call
        bool asOrdinaryUser;
    } cases[] = {
        {folder.File("missing.xlt"), cannotOpen(folder.File("missing.xlt"), "No such file or directory"), false},
        {locked, cannotOpen(locked, "Permission denied"), true},
        {folder.File("folder.xlt"), cannotOpen(folder.File("folder.xlt"), "Is a directory"), false},
        {folder.File("pipe.xlt"), cannotOpen(folder.File("pipe.xlt"), "It is not a workbook"), false},
        {file("empty.xlt", ""), cannotOpen(folder.File("empty.xlt"), "It is not a workbook"), false},
        {file("notes.xlt", "Shelf 1;Cola\r\n"), cannotOpen(folder.File("notes.xlt"), "It is not a workbook"), false},
        {file("cut.xlt", WorkbookSignature.substr(0, 7)), cannotOpen(folder.File("cut.xlt"), "It is not a workbook"),
         false},
        {"", "EFOpenError  No workbook file was named. | office not asked", false},
        {file("shelf.xltx", "PK\x03\x04\x14"), started, false},
        {file("shelf.xml", "\xEF\xBB\xBF\r\n <?xml version=\"1.0\"?>"), started, false},
        {file("shelf4.xlt", std::string("\x09\x04\x06\0\0\0\x40\0", 8)), started, false},
    };
    for (const auto& test : cases)
        for (const bool templateOnly : {false, true}) {
            const auto report = [&] {
                RecordingSpreadsheets spreadsheets;
                ScriptedUi ui{ScriptedUi::Strictness::Lenient};
                SpreadsheetReportObjects objects;
                ReportDocument wall;
                if (templateOnly)
                    MakeTemplateReport(objects, test.path, false);
                else
                    MakeCustomReport(objects, wall.document, "Wall", test.path, false);
                std::string shown;
                for (const std::string& text : ui.MessageTexts())
                    shown += text;
                return shown + " | " + (spreadsheets.calls.empty() ? "office not asked" : spreadsheets.calls.front());
            };
            const std::optional<std::string> answer =
                test.asOrdinaryUser ? AsOrdinaryUser(report) : std::optional<std::string>(report());
            if (answer) {
                EXPECT_EQ(*answer, test.shown) << templateOnly;
            }
        }
}

// An office that does not answer the open in time is ended; the message names the template too.
TEST(CustomReport, AnOfficeThatDoesNotLoadTheTemplateInTimeNamesIt)
{
    TemporaryFolder folder;
    const std::string ok = R"({"ok": true, "result": null})";
    const ScopedBridge bridge(StandInBridge(folder, {ok, ok, "HANG"}));
    // Only the open hangs: the other replies may take what a loaded machine needs.
    CalcAutomation calc(CalcDeadlines{std::chrono::seconds(60), std::chrono::seconds(5)});
    SetSpreadsheets(&calc);
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    ReportDocument wall;
    SpreadsheetReportObjects objects;
    MakeCustomReport(objects, wall.document, "Wall", Template(), false);
    SetSpreadsheets(nullptr);
    EXPECT_EQ(ui.MessageTexts(),
              Log{"EOleException  The office could not load " + Template() + ": The office did not answer in time."});
    EXPECT_FALSE(objects.application);
}

TEST(CustomReport, TheTemplateAloneGetsEmptyHeadingsAndGoesOnWhenItCannotBeShown)
{
    RecordingSpreadsheets spreadsheets;
    spreadsheets.failAt = "SetVisible";
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    SpreadsheetReportObjects objects;
    MakeTemplateReport(objects, Template(), true);
    const Log expected = Log{"CreateUserApplication excel.application", "SetVisible true", "Workbooks",
                             "Open " + Template(), "ActiveSheet"} +
                         Headings("", "", "") + CopiesAndFit("4");
    EXPECT_EQ(spreadsheets.calls, expected);
    EXPECT_EQ(ui.MessageTexts(), (Log{"Could not set visible to true", "Done with report"}));

    // A new report lets go of the last one's objects; without the workbooks its template cannot open.
    spreadsheets.calls.clear();
    spreadsheets.failAt = "Workbooks";
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    MakeTemplateReport(objects, Template(), false);
    EXPECT_EQ(spreadsheets.calls,
              (Log{"CreateUserApplication excel.application", "SetVisible true", "Workbooks", "Quit"}));
    EXPECT_EQ(ui.MessageTexts(),
              (Log{"Could not set visible to true", "EOleException  The application's workbooks are out of reach."}));
    EXPECT_FALSE(objects.sheet);
}

TEST(CustomReport, TheChooserListsTheTemplateFolderAndFindsTemplatesElsewhere)
{
    TemporaryFolder program;
    setenv("KESTRAME_PROGRAM_DIR", program.Path().c_str(), 1);
    ScriptedUi ui;
    {
        TwReporter missing;
        EXPECT_TRUE(missing.TemplateList->Files().Items().empty());
    }
    ASSERT_EQ(std::system(("mkdir -p " + program.File("Template") + " " + program.File("Elsewhere")).c_str()), 0);
    for (const char* name : {"Template/shelf.xlt", "Template/Aisle.xlt", "Template/notes.txt", "Elsewhere/end.xlt"})
        WriteWholeFile(program.File(name), std::string(WorkbookSignature));
    TwReporter chooser;
    EXPECT_EQ(chooser.TemplateList->Files().Items(), (std::vector<std::string>{"Aisle.xlt", "shelf.xlt"}));
    EXPECT_EQ(chooser.TemplateFileName(), "");
    EXPECT_EQ(chooser.windowTitle(), "Kestrame Report");
    EXPECT_EQ(chooser.size(), QSize(348, 285));

    ui.AnswerFile(FileDialogResult{program.File("Elsewhere/end.xlt"), 1});
    chooser.Button3Click();
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog)[0].fileOptions.filter, "Microsoft Excel Templates|*.xlt");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog)[0].fileOptions.defaultExt, "xls");
    EXPECT_EQ(chooser.TemplateFileName(), program.File("Elsewhere/end.xlt"));
    EXPECT_EQ(chooser.TemplateList->currentItem()->text(), "end.xlt");

    // A double-click makes the template-only report and leaves the chooser as it is.
    RecordingSpreadsheets spreadsheets;
    chooser.cbNotify->setChecked(false);
    chooser.TemplateListDblClick();
    ASSERT_GE(spreadsheets.calls.size(), 4u);
    EXPECT_EQ(spreadsheets.calls[3], "Open " + program.File("Elsewhere/end.xlt"));
    unsetenv("KESTRAME_PROGRAM_DIR");
}
