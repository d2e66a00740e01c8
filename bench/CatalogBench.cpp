// Opening and searching generated text catalogs of 10,000 and 100,000 products: both must grow
// about linearly with the catalog. A catalog of 100,000 products and 40 columns opens into a grid.
// The catalog editor opens a catalog of 50,000 products and imports a tab file of 50,000 lines;
// each reports its time as a ratio to opening the same catalog without a grid (aim: under 2 s), and
// the report sets the editor's open beside the plain open of the same 50,000 products.
#include "catalog/CatalogManager.h"
#include "catalog/Didascii.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/ui/StringGrid.h"

#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <QFont>
#include <QFontMetrics>

#include <chrono>
#include <cstdlib>
#include <map>
#include <utility>

namespace {

// A product of the 13 columns of a new catalog, and `columns` - 13 more with short texts.
std::string ProductLine(int n, int columns)
{
    const std::string number = IntToStr(n);
    std::string line = "r" + number + "=" + number + "\tPN-" + number + "\tProduct number " + number + "\tpic" +
                       number + ".jpg\t10.5\t20\t12.3\t0.99\t1.49\t1\t2\tCategory\tBrand";
    for (int col = 13; col < columns; ++col)
        line += "\tv" + IntToStr(col);
    return line + "\r\n";
}

// The catalog of `products` products and `columns` columns, written once per run into the run's
// folder.
const std::string& CatalogOf(int products, int columns = 13)
{
    static std::map<std::pair<int, int>, std::string> made;
    if (const auto found = made.find({products, columns}); found != made.end())
        return found->second;
    const std::string path = BenchFolder() + "/" + IntToStr(products) + "x" + IntToStr(columns) + ".ctf";
    std::string text = "DIDF1\r\ncatheader.version=2\r\ncatheader.platform=Windows\r\ncatheader.unit=cm\r\n"
                       "catheader.FieldCount=" +
                       IntToStr(columns) + "\r\ncatheader.recordsize=" + IntToStr(products) + "\r\n";
    for (const CatalogRoleInfo& role : CatalogRoles)
        if (!role.key.empty())
            text += "catheader." + std::string(role.key) + "=" + IntToStr(role.defaultColumn) + "\r\n";
    for (int col = 0; col < columns; ++col)
        text += "catheader.ColumNames(" + IntToStr(col) + ")=Column " + IntToStr(col) + "\r\n";
    for (int i = 1; i <= products; ++i)
        text += ProductLine(i, columns);
    FILE* file = OpenFile(path, "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size())
        std::abort();
    std::fclose(file);
    return made.emplace(std::pair{products, columns}, path).first->second;
}

// As the Catalog Manager opens a catalog: every product into a grid.
void BM_OpenCatalogIntoGrid(benchmark::State& state)
{
    const int products = static_cast<int>(state.range(0));
    const int columns = static_cast<int>(state.range(1));
    const std::string& path = CatalogOf(products, columns);
    for (auto _ : state) {
        didASCII catalog;
        TStringGrid grid;
        if (!catalog.Open(path, &grid) || grid.RowCount() != products + 1 || grid.ColCount() != columns)
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(&grid);
    }
}

void BM_OpenTextCatalog(benchmark::State& state)
{
    const std::string& path = CatalogOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        didASCII catalog;
        if (!catalog.Open(path, nullptr))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(catalog.Keys().data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_FindByKey(benchmark::State& state)
{
    const int products = static_cast<int>(state.range(0));
    didASCII catalog;
    if (!catalog.Open(CatalogOf(products), nullptr))
        state.SkipWithError("open failed");
    int n = 0;
    for (auto _ : state) {
        n = n % products + 1;
        if (!catalog.FindByKey("PN-" + IntToStr(n)))
            state.SkipWithError("not found");
    }
    state.SetComplexityN(products);
}

class NoHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 0; }
    unsigned char UnitsMode() const override { return 0; }
    TStringGrid* SelectorGrid() override { return nullptr; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override { return nullptr; }
};

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double OpenWithoutGridSeconds(const std::string& path)
{
    return Seconds([&] {
        didASCII catalog;
        if (!catalog.Open(path, nullptr))
            std::abort();
    });
}

// Runs `work` once per iteration and reports its time as a ratio to opening `path` without a grid.
void RunAgainstPlainOpen(benchmark::State& state, const std::string& path, const std::function<void()>& work)
{
    const double baseline = OpenWithoutGridSeconds(path);
    double total = 0;
    for (auto _ : state)
        total += Seconds(work);
    state.counters["ratio"] = total / static_cast<double>(state.iterations()) / baseline;
}

std::function<int(const std::string&)> MainWindowTextWidth()
{
    return [metrics = QFontMetrics(QFont())](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    };
}

void BM_OpenCatalogIntoEditor(benchmark::State& state)
{
    const std::string& path = CatalogOf(static_cast<int>(state.range(0)));
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    NoHost host;
    RunAgainstPlainOpen(state, path, [&] {
        CatalogManager manager(host);
        manager.textWidth = MainWindowTextWidth();
        manager.NewCatalog();
        if (!manager.OpenCatalog(path))
            std::abort();
    });
}

void BM_ImportTabTextIntoEditor(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::string path = BenchFolder() + "/import.txt";
    std::string text = "Part\tDescription\tPicture\tWidth\tHeight\tDepth\tCost\tPrice\tPegX\tPegY\tCategory\tBrand\r\n";
    for (int n = 1; n <= lines; ++n) {
        const std::string line = ProductLine(n, 13);
        text += line.substr(line.find('\t') + 1);
    }
    FILE* file = OpenFile(path, "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size())
        std::abort();
    std::fclose(file);
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    NoHost host;
    RunAgainstPlainOpen(state, CatalogOf(lines), [&] {
        CatalogManager manager(host);
        manager.textWidth = MainWindowTextWidth();
        ui.AnswerFile(FileDialogResult{path, 1});
        ui.AnswerMessage(MsgAnswer::Yes);
        manager.ImportText();
        if (manager.Grid.RowCount() != lines + 1)
            std::abort();
    });
}

} // namespace

void BM_ReadKeyValueFile(benchmark::State& state)
{
    const std::string& path = CatalogOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        KeyVal store;
        store.Open(path, "rt");
        benchmark::DoNotOptimize(store.Lines().data());
    }
}

BENCHMARK(BM_ReadKeyValueFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTextCatalog)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_FindByKey)->Arg(10000)->Arg(100000)->Complexity();
BENCHMARK(BM_OpenCatalogIntoGrid)->Args({100000, 40})->Unit(benchmark::kMillisecond);

BENCHMARK(BM_OpenCatalogIntoEditor)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTabTextIntoEditor)->Arg(50000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
