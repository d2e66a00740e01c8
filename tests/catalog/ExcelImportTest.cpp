// The Excel import over the recording automation, and over the real LibreOffice automation talking to
// stand-in bridges that die, hang or answer garbage.
#include "catalog/ExcellClass.h"
#include "platform/services/CalcAutomation.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"
#include "testing/RecordingSpreadsheets.h"
#include "testing/ScriptedUi.h"
#include "testing/StandInBridge.h"

#include "TestSupport.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using Calls = std::vector<std::string>;

constexpr const char* NotResponding = "LibreOffice Calc is not responding. The report writer requires an English "
                                      "language version of LibreOffice Calc";
constexpr const char* CouldNotLocate =
    "Could not locate LibreOffice Calc. LibreOffice Calc must be installed on your computer to import.";
constexpr const char* CouldNotOpen =
    "Could not open Excel file. File may be in use or locked by another application";
constexpr const char* ReadError = "An error occured while reading the Excel file";

// Keeps every position the bar takes.
class RecordingProgress : public Progress {
public:
    std::vector<int> positions;

protected:
    void Changed() override
    {
        if (positions.empty() || positions.back() != Position())
            positions.push_back(Position());
    }
};

struct Message {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    bool operator==(const Message&) const = default;
};

std::vector<Message> Messages(const ScriptedUi& ui)
{
    std::vector<Message> messages;
    for (const ScriptedUi::Call& call : ui.CallsOf(ScriptedUi::Kind::MessageBox))
        messages.push_back({call.text, call.caption, call.icon});
    return messages;
}

class ExcelImport : public testing::Test {
protected:
    // The importer's own bar steps by 1.
    ExcelImport() { progress.SetStep(1); }

    bool Read(int rows, int columns, size_t messages = 0)
    {
        for (size_t i = 0; i < messages; ++i)
            ui.AnswerMessage(MsgAnswer::OK);
        return ExcelSheetReader().ReadIntoGrid(grid, progress, "/data/list.xls", rows, columns);
    }

    ScriptedUi ui;
    RecordingSpreadsheets excel;
    TStringGrid grid{5, 4};
    RecordingProgress progress;
};

} // namespace

TEST_F(ExcelImport, EveryFailingCallSaysSoAndTheApplicationIsQuitAfterIt)
{
    const Calls run = {"CreateApplication excel.application",
                       "Workbooks",
                       "SetVisible false",
                       "Open /data/list.xls",
                       "ActiveSheet",
                       "Values 1 1 3 2",
                       "Quit"};
    const struct {
        const char* failAt;
        size_t callsMade; // of `run`, before a quit after the failure
        Message message;
        bool result;
    } cases[] = {
        {"", 7, {}, true},
        {"CreateApplication", 1, {CouldNotLocate, "Kestrame", MsgIcon::None}, false},
        {"Workbooks", 2, {NotResponding, "Report error", MsgIcon::Exclamation}, false},
        {"SetVisible", 3, {NotResponding, "Report error", MsgIcon::Exclamation}, false},
        {"Open", 4, {CouldNotOpen, "Report error", MsgIcon::Stop}, false},
        {"ActiveSheet", 5, {"There is no active worksheet", "Kestrame", MsgIcon::None}, false},
        {"Values", 6, {ReadError, "Kestrame", MsgIcon::Exclamation}, false},
        // The cells are all read by then.
        {"Quit", 7, {NotResponding, "Report error", MsgIcon::Exclamation}, true},
    };
    for (const auto& c : cases) {
        excel.calls.clear();
        excel.failAt = c.failAt;
        ui.ClearCalls();
        const bool failing = *c.failAt != 0;
        EXPECT_EQ(Read(3, 2, failing), c.result) << c.failAt;
        Calls expected(run.begin(), run.begin() + static_cast<long>(c.callsMade));
        if (c.callsMade > 1 && c.callsMade < run.size())
            expected.push_back("Quit");
        EXPECT_EQ(excel.calls, expected) << c.failAt;
        EXPECT_EQ(Messages(ui), failing ? std::vector<Message>{c.message} : std::vector<Message>{}) << c.failAt;
        EXPECT_EQ(progress.Position(), 0) << c.failAt;
    }
}

TEST_F(ExcelImport, CountsOutsideASheetAreRefusedBeforeAnythingStarts)
{
    const Message rowsMessage{"Invalid Row Amount", "Missing information", MsgIcon::None};
    const Message columnsMessage{"Invalid Column Amount", "Missing information", MsgIcon::None};
    const struct {
        int rows, columns;
        Message message;
    } cases[] = {
        {0, 1, rowsMessage},          {-1, 1, rowsMessage},         {65537, 1, rowsMessage},
        {1, 0, columnsMessage},       {1, 257, columnsMessage},     {0, 0, columnsMessage},
        {65537, -5, columnsMessage},
    };
    for (const auto& c : cases) {
        ui.ClearCalls();
        EXPECT_FALSE(Read(c.rows, c.columns, 1));
        EXPECT_EQ(Messages(ui), std::vector<Message>{c.message}) << c.rows << " x " << c.columns;
    }
    EXPECT_TRUE(excel.calls.empty());
    EXPECT_EQ(grid.RowCount(), 4);
}

TEST_F(ExcelImport, SheetRowOneBecomesTheTitlesAndEachFurtherRowANumberedRow)
{
    excel.sheet = {{Variant::FromString("Code"), Variant::FromString("Price"), Variant::FromString("not read")},
                   {Variant::FromString("Cr\xE8me"), Variant::Double(12.5)},
                   {Variant::Boolean(true), Variant::Date(EncodeOleDate({2024, 3, 5, 14, 30}))},
                   {Variant::FromString("not read")}};
    grid.SetCells(0, 0, "Record Nr.");
    grid.SetCells(3, 2, "old");
    EXPECT_TRUE(Read(3, 2));
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.ColCount(), 3);
    const std::vector<std::vector<std::string>> cells = {{"Record Nr.", "Code", "Price"},
                                                         {"1", "Cr\xE8me", "12.5"},
                                                         {"2", "True", "2024-03-05 14:30:00"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(grid.Cells(c, r), cells[static_cast<size_t>(r)][static_cast<size_t>(c)]) << c << "," << r;
    EXPECT_EQ(progress.Max(), 3);
    EXPECT_EQ(progress.positions, (std::vector<int>{0, 1, 2, 3, 0}));
}

TEST_F(ExcelImport, LongSheetsAreReadInBlocksOfRows)
{
    EXPECT_TRUE(Read(600, 12));
    EXPECT_EQ(excel.calls, (Calls{"CreateApplication excel.application", "Workbooks", "SetVisible false",
                                  "Open /data/list.xls", "ActiveSheet", "Values 1 1 256 12", "Values 257 1 512 12",
                                  "Values 513 1 600 12", "Quit"}));
    EXPECT_EQ(grid.Cells(0, 599), "599");
    EXPECT_EQ(progress.positions.size(), 602u); // from 0 to 600, and 0 again
}

namespace {

class PaintCountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

TEST_F(ExcelImport, ABridgeThatDiesHangsOrAnswersGarbageGivesTheStepsMessage)
{
    const std::string ok = R"({"ok": true, "result": null})";
    const std::string sheet = R"({"ok": true, "result": 0})";
    const struct {
        const char* name;
        std::vector<std::string> replies;
        const char* message;
    } cases[] = {
        {"dies at the start", {"DIE"}, CouldNotLocate},
        {"hangs at the start", {"HANG"}, CouldNotLocate},
        {"reports a failed start", {R"({"ok": false, "error": "no office"})"}, CouldNotLocate},
        {"garbage when made invisible", {ok, "GARBAGE"}, NotResponding},
        {"no reply object", {ok, "[1, 2]"}, NotResponding},
        {"hangs at the open", {ok, ok, "HANG"}, CouldNotOpen},
        {"no sheet number", {ok, ok, ok, ok}, "There is no active worksheet"},
        {"dies while reading", {ok, ok, ok, sheet, "DIE"}, ReadError},
        {"too few rows", {ok, ok, ok, sheet, R"({"ok": true, "result": [[1, 2]]})"}, ReadError},
        {"a value of no kind", {ok, ok, ok, sheet, R"({"ok": true, "result": [[1, 2], [{"x": 1}, 3]]})"},
         ReadError},
    };
    CalcAutomation calc(CalcDeadlines{std::chrono::milliseconds(1500), std::chrono::milliseconds(1500)});
    SetSpreadsheets(&calc);
    for (const auto& c : cases) {
        TemporaryFolder folder;
        ScopedBridge bridge(StandInBridge(folder, c.replies));
        ui.ClearCalls();
        EXPECT_FALSE(Read(2, 2, 1)) << c.name;
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{c.message}) << c.name;
    }
    SetSpreadsheets(&excel);
}

TEST_F(ExcelImport, WindowsPaintUnderTheWaitCursorWhileTheOfficeIsSlowAndTheCursorComesBackAfter)
{
    CalcAutomation calc(CalcDeadlines{std::chrono::milliseconds(1500), std::chrono::milliseconds(1500)});
    SetSpreadsheets(&calc);
    TemporaryFolder folder;
    const std::string ok = R"({"ok": true, "result": null})";
    ScopedBridge bridge(StandInBridge(folder, {ok, ok, "HANG"}));
    PaintCountingWindow window;
    window.show();
    // Each tick asks for a paint and notes the cursor; the last one comes while the open hangs.
    int paintsAtFirstTick = -1;
    Qt::CursorShape lastCursor = Qt::ArrowCursor;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        if (paintsAtFirstTick < 0)
            paintsAtFirstTick = window.paints;
        const QCursor* cursor = QGuiApplication::overrideCursor();
        lastCursor = cursor ? cursor->shape() : Qt::ArrowCursor;
        window.update();
    });
    ticks.start(10);
    EXPECT_FALSE(Read(2, 2, 1));
    ticks.stop();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{CouldNotOpen});
    EXPECT_EQ(lastCursor, Qt::WaitCursor);
    EXPECT_GT(window.paints, paintsAtFirstTick);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    SetSpreadsheets(&excel);
}
