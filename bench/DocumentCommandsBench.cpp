// Colouring placement boxes by category and the reorder alarm on 2,000 items against a catalog of
// 100,000 products, text and binary: the catalog lookups (the command's time less its full redraw)
// against the full redraw that ends the command, which they should stay well under.
#include "catalog/Didascii.h"
#include "catalog/Didctf2.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"

#include "BenchSupport.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int Products = 100000;
constexpr int Items = 2000;

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const std::string& TextCatalog()
{
    static const std::string path = [] {
        std::vector<ProductRow> rows;
        rows.reserve(Products);
        for (int i = 1; i <= Products; ++i)
            rows.push_back(ProductRow{"P" + IntToStr(i), 10, 15, 5, 0, 0, "Category " + IntToStr(i % 97),
                                      "Brand " + IntToStr(i % 31), i % 7, 3});
        const std::string file = BenchFolder() + "/products.ctf";
        const std::string text = ProductCatalogText(rows);
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
            std::abort();
        return file;
    }();
    return path;
}

const std::string& BinaryCatalog()
{
    static const std::string path = [] {
        didASCII text;
        TStringGrid grid;
        if (!text.Open(TextCatalog(), &grid))
            std::abort();
        didCTF2 binary;
        binary.roles = text.roles;
        const std::string file = BenchFolder() + "/products.vdx";
        if (!binary.SaveToFile(file, &grid, "cm", ""))
            std::abort();
        return file;
    }();
    return path;
}

struct Planogram : DocumentWithFakes {
    explicit Planogram(const std::string& catalogPath)
    {
        mainWindow.scale = 4;
        if (!document.NewDocument(12000, 1000))
            std::abort();
        // The fakes stand in for the catalog kinds while they live: the real kind is made here.
        if (catalogPath.ends_with(".vdx"))
            document.catalog = std::make_unique<didCTF2>();
        else
            document.catalog = std::make_unique<didASCII>();
        if (!document.catalog->Open(catalogPath, nullptr))
            std::abort();
        for (int i = 0; i < Items; ++i) {
            const int left = (i % 250) * 48, top = (i / 250) * 120;
            Add("P" + IntToStr(1 + i * (Products / Items)), Rect(left, top, left + 40, top + 100));
        }
    }
};

void Measure(benchmark::State& state, const std::string& catalogPath,
             const std::function<void(PlanogramDocument&)>& run)
{
    Planogram planogram(catalogPath);
    for (auto _ : state) {
        const double command = Seconds([&] { run(planogram.document); });
        const double redraw = Seconds([&] { planogram.document.renderer.RedrawAll(); });
        state.counters["lookups_ms"] = (command - redraw) * 1e3;
        state.counters["redraw_ms"] = redraw * 1e3;
        state.counters["lookups_to_redraw"] = (command - redraw) / redraw;
    }
}

void BM_ColorByCategoryText(benchmark::State& state)
{
    Measure(state, TextCatalog(), [](PlanogramDocument& d) { d.ApplyColorMode(1); });
}
void BM_ColorByCategoryBinary(benchmark::State& state)
{
    Measure(state, BinaryCatalog(), [](PlanogramDocument& d) { d.ApplyColorMode(1); });
}
void BM_ReorderAlarmText(benchmark::State& state)
{
    Measure(state, TextCatalog(), [](PlanogramDocument& d) { d.InventoryAlarmOn(); });
}
void BM_ReorderAlarmBinary(benchmark::State& state)
{
    Measure(state, BinaryCatalog(), [](PlanogramDocument& d) { d.InventoryAlarmOn(); });
}

} // namespace

BENCHMARK(BM_ColorByCategoryText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ColorByCategoryBinary)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReorderAlarmText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReorderAlarmBinary)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
