// The Excel import through a real LibreOffice Calc, judged by python3-xlrd reading the same workbook.
#include "catalog/ExcellClass.h"
#include "platform/core/Exceptions.h"
#include "platform/services/CalcAutomation.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "OfficeSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

constexpr int Rows = 5;    // one beyond the sheet's last row
constexpr int Columns = 9; // one beyond its last column

// The fixture's workbook as ".xls", converted by the office on a private profile.
std::string ConvertToXls(const TemporaryFolder& folder)
{
    return ConvertWithOffice(folder, KESTRAME_TEST_DATA "/spreadsheet/Products.fods", "xls", "Products.xls");
}

// A conversion leaves the first sheet active; the workbook a user saves may have any other. The
// workbook window's record names the active sheet, each sheet window's record says whether it is
// selected and shown.
void MakeSecondSheetActive(const std::string& path)
{
    std::string bytes = ReadWholeFile(path);
    const std::string workbookWindow("\x3D\x00\x12\x00", 4);
    const size_t window = bytes.find(workbookWindow);
    ASSERT_NE(window, std::string::npos);
    bytes[window + 14] = 1;
    const std::string sheetWindow("\x3E\x02\x12\x00", 4);
    size_t at = 0;
    for (int sheet = 0; sheet < 2; ++sheet) {
        at = bytes.find(sheetWindow, at + 1);
        ASSERT_NE(at, std::string::npos);
        const char selectedAndShown = 0x06; // in the options' second byte
        bytes[at + 5] = static_cast<char>(sheet == 1 ? bytes[at + 5] | selectedAndShown : bytes[at + 5] & ~selectedAndShown);
    }
    WriteWholeFile(path, bytes);
}

// The office drops a tab of an OpenDocument cell: the rich cell "Tab bold" gets its TAB in the
// workbook, where its characters are UTF-16 for the Cyrillic of its second line.
void PutTabIntoRichCell(const std::string& path)
{
    std::string bytes = ReadWholeFile(path);
    const std::string spaced("T\0a\0b\0 \0b\0o\0l\0d\0", 16);
    const size_t at = bytes.find(spaced);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 6] = '\t';
    WriteWholeFile(path, bytes);
}

// What xlrd reads from the active sheet, under the import's text rule: Windows-1252 with "?" for what
// it lacks, numbers as the shortest text, "True"/"False", dates "YYYY-MM-DD[ HH:MM:SS]", errors as
// shown. Keyed by (row, column), 1-based.
std::map<std::pair<int, int>, std::string> XlrdCells(const TemporaryFolder& folder, const std::string& path)
{
    WriteWholeFile(folder.File("oracle.py"), R"(import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = [s for s in book.sheets() if s.sheet_visible][0]
def text(cell):
    if cell.ctype == xlrd.XL_CELL_TEXT: return cell.value
    if cell.ctype == xlrd.XL_CELL_NUMBER: return '%.15g' % cell.value
    if cell.ctype == xlrd.XL_CELL_BOOLEAN: return 'True' if cell.value else 'False'
    if cell.ctype == xlrd.XL_CELL_ERROR: return xlrd.error_text_from_code[cell.value]
    if cell.ctype == xlrd.XL_CELL_DATE:
        y, m, d, hh, mm, ss = xlrd.xldate_as_tuple(cell.value, book.datemode)
        return '%04d-%02d-%02d' % (y, m, d) + (' %02d:%02d:%02d' % (hh, mm, ss) if hh or mm or ss else '')
    return ''
print(sheet.name)
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        print(r + 1, c + 1, text(sheet.cell(r, c)).encode('cp1252', 'replace').hex())
)");
    std::istringstream lines(RunCommand("/usr/bin/python3 " + folder.File("oracle.py") + " " + path));
    std::string sheetName;
    std::getline(lines, sheetName);
    EXPECT_EQ(sheetName, "Products");
    std::map<std::pair<int, int>, std::string> cells;
    int row, col;
    std::string hex;
    while (lines >> row >> col) {
        std::getline(lines, hex);
        cells[{row, col}] = QByteArray::fromHex(QByteArray::fromStdString(hex)).toStdString();
    }
    return cells;
}

} // namespace

TEST(SpreadsheetImport, ImportsTheActiveSheetAsXlrdReadsItAndLeavesNoOfficeBehind)
{
    if (OfficeProgram().empty() || !PythonHasUno())
        GTEST_SKIP() << "LibreOffice Calc or python3-uno is not installed (scripts/setup.sh installs both)";
    TemporaryFolder folder;
    const std::string xls = ConvertToXls(folder);
    ASSERT_FALSE(xls.empty()) << "the office did not convert the workbook";
    MakeSecondSheetActive(xls);
    PutTabIntoRichCell(xls);
    const std::map<std::pair<int, int>, std::string> expected = XlrdCells(folder, xls);
    ASSERT_EQ(expected.size(), 32u);
    EXPECT_EQ(expected.at({3, 2}), "?");
    EXPECT_EQ(expected.at({2, 2}), "Cr\xE8me");
    // A TAB in a cell of two lines, two weights and two scripts; comparisons computed by formulas.
    EXPECT_EQ(expected.at({4, 5}), "Tab\tbold\n???");
    EXPECT_EQ(expected.at({4, 6}), "True");
    EXPECT_EQ(expected.at({4, 7}), "False");

    // The office's private folders go into a temporary folder of this test's own.
    const std::string temporary = folder.File("tmp");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(temporary)));
    const ScopedVariable tmpdir("TMPDIR", temporary);
    const ScopedVariable bridge("KESTRAME_CALC_BRIDGE", KESTRAME_CALC_BRIDGE_SOURCE);
    ScriptedUi ui;
    TStringGrid grid(3, 3);
    grid.SetCells(0, 0, "Record Nr.");
    Progress progress;
    ASSERT_TRUE(ExcelSheetReader().ReadIntoGrid(grid, progress, xls, Rows, Columns));
    ASSERT_EQ(grid.RowCount(), Rows);
    ASSERT_EQ(grid.ColCount(), Columns + 1);
    EXPECT_EQ(grid.Cells(0, 0), "Record Nr.");
    for (int row = 1; row <= Rows; ++row) {
        if (row > 1) {
            EXPECT_EQ(grid.Cells(0, row - 1), std::to_string(row - 1));
        }
        for (int col = 1; col <= Columns; ++col) {
            const auto cell = expected.find({row, col});
            EXPECT_EQ(grid.Cells(col, row - 1), cell == expected.end() ? "" : cell->second) << row << "," << col;
        }
    }
    EXPECT_EQ(EntriesIn(temporary), 0);
    EXPECT_EQ(ProcessesMentioning(temporary), std::vector<std::string>{});

    const ScopedVariable noOffice("KESTRAME_SOFFICE", "/nonexistent");
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(ExcelSheetReader().ReadIntoGrid(grid, progress, xls, Rows, Columns));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not locate LibreOffice Calc. LibreOffice Calc must be "
                                                          "installed on your computer to import."});
    EXPECT_EQ(EntriesIn(temporary), 0);
}

// An office killed for missing a deadline leaves neither its temporary files nor the sockets of its
// pipes behind.
TEST(SpreadsheetImport, AKilledOfficeLeavesNoFilesOrPipesBehind)
{
    if (OfficeProgram().empty() || !PythonHasUno())
        GTEST_SKIP() << "LibreOffice Calc or python3-uno is not installed (scripts/setup.sh installs both)";
    TemporaryFolder folder;
    const std::string temporary = folder.File("tmp");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(temporary)));
    const ScopedVariable tmpdir("TMPDIR", temporary);
    const ScopedVariable bridge("KESTRAME_CALC_BRIDGE", KESTRAME_CALC_BRIDGE_SOURCE);
    // Every call after the start misses its deadline.
    CalcAutomation automation(CalcDeadlines{std::chrono::milliseconds(60000), std::chrono::milliseconds(0)});
    std::shared_ptr<SpreadsheetApplication> office = automation.CreateApplication("excel.application");
    const QStringList bridges = QDir(QString::fromStdString(temporary)).entryList({"kestrame-calc-*"}, QDir::Dirs);
    ASSERT_EQ(bridges.size(), 1);
    const QStringList sockets =
        QString::fromStdString(ReadWholeFile(temporary + "/" + bridges[0].toStdString() + "/office.sockets"))
            .split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(sockets.isEmpty());
    for (const QString& socket : sockets)
        EXPECT_TRUE(QFileInfo(socket).fileName().startsWith("OSL_PIPE_") && QFileInfo::exists(socket))
            << socket.toStdString();

    EXPECT_THROW(office->SetVisible(false), EOleException);
    EXPECT_EQ(ProcessesMentioning(temporary), std::vector<std::string>{});
    for (const QString& socket : sockets)
        EXPECT_FALSE(QFileInfo::exists(socket)) << socket.toStdString();
    office.reset();
    EXPECT_EQ(EntriesIn(temporary), 0);
}
