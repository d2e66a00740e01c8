// Opening and searching generated text catalogs of 10,000 and 100,000 products: both must grow
// about linearly with the catalog. A catalog of 100,000 products and 40 columns opens into a grid.
#include "catalog/Didascii.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/ui/StringGrid.h"

#include "BenchSupport.h"

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
BENCHMARK(BM_OpenTextCatalog)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_FindByKey)->Arg(10000)->Arg(100000)->Complexity();
BENCHMARK(BM_OpenCatalogIntoGrid)->Args({100000, 40})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
