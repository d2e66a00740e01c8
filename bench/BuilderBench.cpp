// The display builder's own costs. "Add by Filter" with every record matching on generated 50,000-
// product text and binary catalogs, against the catalog's own loading into a grid in the same run
// (aim: at most 3 times); and a ranked build of a 500-entry list against building it in its own
// order (aim: ranking adds at most a fifth).
#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "planogram/FilterCode.h"
#include "planogram/Planobuilder.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"

#include "BenchSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int CatalogProducts = 50000;
constexpr int ListEntries = 500;

std::vector<ProductRow> Products(int count)
{
    std::vector<ProductRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(ProductRow{"P" + IntToStr(i), 5.0 + i % 7, 10.0 + i % 11, 5});
    return rows;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0)
        std::abort();
}

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The filter "not =" an empty key on the part-number column, which every record passes.
void FilterAgainstLoading(benchmark::State& state, didBase& catalog)
{
    for (auto _ : state) {
        TStringGrid grid;
        const double loading = Seconds([&] { catalog.LoadIntoGrid(grid); });
        std::size_t matches = 0;
        const double filtering = Seconds([&] { matches = FilterCatalog(catalog, 1, 1, "").size(); });
        if (matches != CatalogProducts)
            std::abort();
        state.counters["load_ms"] = loading * 1e3;
        state.counters["filter_ms"] = filtering * 1e3;
        state.counters["filter_to_load"] = filtering / loading;
    }
}

const std::string& TextCatalogFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/big.ctf";
        WriteFile(file, ProductCatalogText(Products(CatalogProducts)));
        return file;
    }();
    return path;
}

void BM_FilterTextCatalog(benchmark::State& state)
{
    didASCII catalog;
    if (!catalog.Open(TextCatalogFile(), nullptr))
        std::abort();
    FilterAgainstLoading(state, catalog);
}

void BM_FilterBinaryCatalog(benchmark::State& state)
{
    didASCII text;
    TStringGrid grid;
    if (!text.Open(TextCatalogFile(), &grid))
        std::abort();
    didCTF2 catalog;
    catalog.roles = text.roles;
    if (!catalog.SaveToFile(BenchFolder() + "/big.vdx", &grid, "cm", ""))
        std::abort();
    FilterAgainstLoading(state, catalog);
}

// A wall large enough for the whole list, its catalog and the list in the builder grid.
struct BuilderWall : DocumentWithFakes {
    BuilderWall()
    {
        if (!document.NewDocument(12000, 4000))
            std::abort();
        const std::string path = BenchFolder() + "/list.ctf";
        WriteFile(path, ProductCatalogText(Products(ListEntries)));
        if (!OpenTextCatalog(path))
            std::abort();
        host = std::make_unique<DocumentBuilderHost>(document, selector.gridP);
    }

    double Build(int mode)
    {
        std::vector<BuilderEntry> list;
        for (int i = ListEntries - 1; i >= 0; --i)
            list.push_back(BuilderEntry{"P" + IntToStr(i), IntToStr(ListEntries - i), "1"});
        document.SetBuilderList(list);
        document.FillBuilderGrid();
        document.ClearAll();
        return Seconds([&] {
            Planobuilder builder(*host);
            builder.RankBy(selector.gridB, mode);
            builder.PlaceList(selector.gridB, 75, false);
        });
    }

    std::unique_ptr<DocumentBuilderHost> host;
};

void BM_RankedBuild(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        BuilderWall wall;
        state.ResumeTiming();
        const double manual = wall.Build(0);
        const double ranked = wall.Build(6);
        state.counters["manual_ms"] = manual * 1e3;
        state.counters["ranked_ms"] = ranked * 1e3;
        state.counters["ranked_to_manual"] = ranked / manual;
    }
}

} // namespace

BENCHMARK(BM_FilterTextCatalog)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FilterBinaryCatalog)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RankedBuild)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
