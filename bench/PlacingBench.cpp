// Placing 2,000 products (40 distinct 200 x 300 JPEG pictures) one after another on a 3000 x 250 cm
// pegboard wall: once as shelf products with a shelf under each row, once hung on the peg holes. The
// time of a placement must not grow with the list (the last 100 against the first 100), and a
// placement should cost little more than drawing its item alone.
#include "catalog/Didascii.h"
#include "planogram/Graphicsmanager.h"
#include "testing/DocumentFakes.h"

#include "BenchSupport.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Pictures = 40;
constexpr int Products = 2000;
constexpr int Sample = 100;

struct PlacingWall : DocumentWithFakes {
    explicit PlacingWall(bool pegged)
    {
        std::vector<ProductRow> rows;
        for (int i = 0; i < Pictures; ++i) {
            ProductRow row{"P" + IntToStr(i), 10, 15, 5};
            row.picture = ProductPictureFile(i);
            if (pegged)
                row.pegX = row.pegY = 2;
            rows.push_back(row);
        }
        mainWindow.scale = 4;
        document.pegHolesShown = true;
        document.pegHoleSize = 4;
        document.pegFirstX = document.pegFirstY = 10;
        document.pegLastX = 11990;
        document.pegLastY = 990;
        document.pegPitchH = document.pegPitchV = 20;
        document.alignToPeg = pegged;
        if (!document.NewDocument(12000, 1000))
            std::abort();
        const std::string path = BenchFolder() + (pegged ? "/pegged.ctf" : "/shelved.ctf");
        WriteFile(path, ProductCatalogText(rows));
        document.catalog = std::make_unique<didASCII>();
        if (!document.catalog->Open(path, nullptr))
            std::abort();
        document.autoAddShelves = !pegged;
        // The selector's layout list grows with every placement, as it does in the program.
        selector.gridL.SetRowCount(2);
    }

    static void WriteFile(const std::string& path, const std::string& text)
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0)
            std::abort();
    }

    // Seconds per placement of the products first..first+count-1.
    double Place(int first, int count)
    {
        const auto start = std::chrono::steady_clock::now();
        for (int n = first; n < first + count; ++n) {
            if (!document.catalog->FindByKey("P" + IntToStr(n % Pictures)) || !document.AddCatalogItem(0, 0))
                std::abort();
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / count;
    }

    // Seconds to draw the current item alone.
    double DrawCurrentAlone()
    {
        constexpr int Repeats = 20;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Repeats; ++i)
            document.graphics.DrawItem(*document.items->current, document.backBitmap, std::string());
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / Repeats;
    }
};

void PlaceAll(benchmark::State& state, bool pegged)
{
    for (auto _ : state) {
        state.PauseTiming();
        PlacingWall wall(pegged);
        state.ResumeTiming();
        const double first = wall.Place(0, Sample);
        wall.Place(Sample, Products - 2 * Sample);
        const double last = wall.Place(Products - Sample, Sample);
        const double alone = wall.DrawCurrentAlone();
        state.counters["first100_us"] = first * 1e6;
        state.counters["last100_us"] = last * 1e6;
        state.counters["last_to_first"] = last / first;
        state.counters["draw_alone_us"] = alone * 1e6;
        state.counters["placing_to_drawing"] = last / alone;
    }
}

void BM_PlaceShelfProducts(benchmark::State& state) { PlaceAll(state, false); }
void BM_PlacePeggedProducts(benchmark::State& state) { PlaceAll(state, true); }

} // namespace

BENCHMARK(BM_PlaceShelfProducts)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PlacePeggedProducts)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
