// Opening a planogram of 20,000 products on a 30 x 20 m wall, as the program opens one, up to the
// first full redraw but without the window: reading the file, setting up the wall, taking the items
// and drawing them (aim: under 1 s). The file is made once per run; the loop reuses the memory the
// previous open freed, so this is the warm figure (the window benchmark measures a first open too).
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramLoading.h"
#include "testing/ScriptedUi.h"

#include "LargePlanogram.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace large_planogram;

void BM_OpenLargePlanogram(benchmark::State& state)
{
    const std::string& path = LargePlanogramFile();
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    for (auto _ : state) {
        BenchDocument target(CatalogPath());
        OpenInto(target, path);
        // The products must be drawn from their pictures, not as placeholders.
        if (target.document.items->Count() != Columns * Rows ||
            target.document.backBitmap.Pixel(CellWidth / 2, CellHeight / 2) == clBlack)
            state.SkipWithError("open failed");
    }
}

} // namespace

BENCHMARK(BM_OpenLargePlanogram)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
