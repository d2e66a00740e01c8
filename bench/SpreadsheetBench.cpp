// The Excel import of a 10,000 x 12 sheet through LibreOffice Calc: the office's start (and end) and
// the reading of every cell into a grid apart, the reading also as a ratio to python3-xlrd reading
// the same file to the same texts in the same run (its own clock, without the interpreter's start).
//
// The workbook is written as flat ODS here and converted to ".xls" by the office on a private profile.
#include "catalog/ExcellClass.h"
#include "platform/services/SpreadsheetAutomation.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"

#include "BenchSupport.h"

#include <QCoreApplication>

#include <cstdio>
#include <fstream>

namespace {

constexpr int Rows = 10000;
constexpr int Columns = 12;

void WriteFlatOds(const std::string& path)
{
    std::ofstream out(path);
    out << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>
<table:table table:name="Products">)";
    for (int row = 1; row <= Rows; ++row) {
        out << "<table:table-row>";
        for (int col = 1; col <= Columns; ++col) {
            if (col % 3 == 1)
                out << "<table:table-cell office:value-type=\"string\"><text:p>Item " << row << "-" << col
                    << "</text:p></table:table-cell>";
            else
                out << "<table:table-cell office:value-type=\"float\" office:value=\"" << row * col << ".25\"/>";
        }
        out << "</table:table-row>\n";
    }
    out << "</table:table></office:spreadsheet></office:body></office:document>\n";
}

const std::string& Workbook()
{
    static const std::string path = [] {
        const std::string source = BenchFolder() + "/products.fods";
        WriteFlatOds(source);
        const std::string command = "timeout -s KILL 300 soffice --headless --norestore "
                                    "-env:UserInstallation=file://" +
                                    BenchFolder() + "/profile --convert-to xls --outdir " + BenchFolder() + " " +
                                    source + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            std::abort();
        return BenchFolder() + "/products.xls";
    }();
    return path;
}

// Seconds xlrd takes to open the workbook and turn every cell into text.
double XlrdSeconds()
{
    static const double seconds = [] {
        const std::string command = "/usr/bin/python3 -c \"import sys, time, xlrd\n"
                                    "start = time.perf_counter()\n"
                                    "sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                    "texts = [str(sheet.cell_value(r, c)) for r in range(sheet.nrows) for c in "
                                    "range(sheet.ncols)]\n"
                                    "print(time.perf_counter() - start)\" " +
                                    Workbook();
        FILE* pipe = popen(command.c_str(), "r");
        double result = 0;
        if (!pipe || std::fscanf(pipe, "%lf", &result) != 1)
            std::abort();
        pclose(pipe);
        return result;
    }();
    return seconds;
}

void BM_CalcStartAndQuit(benchmark::State& state)
{
    for (auto _ : state)
        Spreadsheets().CreateApplication("excel.application")->Quit();
}

void BM_CalcReadSheet(benchmark::State& state)
{
    double reading = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto excel = Spreadsheets().CreateApplication("excel.application");
        excel->Workbooks()->Open(Workbook());
        auto sheet = excel->ActiveSheet();
        TStringGrid grid(Columns + 1, Rows);
        Progress progress;
        progress.SetMax(Rows);
        const auto start = std::chrono::steady_clock::now();
        state.ResumeTiming();
        ExcelSheetReader().ReadRows(*sheet, grid, progress, Rows, Columns);
        state.PauseTiming();
        reading += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        excel->Quit();
        state.ResumeTiming();
    }
    state.counters["per_xlrd"] = reading / static_cast<double>(state.iterations()) / XlrdSeconds();
}

void BM_XlrdReadSheet(benchmark::State& state)
{
    for (auto _ : state)
        state.SetIterationTime(XlrdSeconds());
}

} // namespace

BENCHMARK(BM_CalcStartAndQuit)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CalcReadSheet)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XlrdReadSheet)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

int main(int argc, char** argv)
{
    // The bridge is beside the program, not beside the benchmarks.
    setenv("KESTRAME_CALC_BRIDGE", KESTRAME_CALC_BRIDGE_SOURCE, 0);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
