// Opening a planogram of 20,000 products on a 30 x 20 m wall (12000 x 8000 pixels), 40 distinct
// 200x300 JPEG pictures, as the program opens one, up to the first full redraw but without the
// window: reading the file, setting up the wall, taking the items and drawing them (aim: under 1 s).
// The file is made once per run by the program's own writer from a generated wall.
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramLoading.h"
#include "platform/core/Numbers.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int Pictures = 40;
constexpr int Columns = 160;
constexpr int Rows = 125;
constexpr int WallWidth = 12000; // 30 m at 4 pixels a centimetre
constexpr int WallHeight = 8000;
constexpr int CellWidth = WallWidth / Columns;
constexpr int CellHeight = WallHeight / Rows;

// The fakes of the document tests, set up as a wall in centimetres whose catalog has no products,
// so that every item keeps the picture the file names.
struct BenchDocument : DocumentWithFakes {
    BenchDocument()
    {
        mainWindow.scale = 4;
        finder.current = BenchFolder() + "/products.vdx";
    }
};

const std::string& LargePlanogramFile()
{
    static const std::string path = [] {
        std::map<int, std::string> files;
        for (int i = 0; i < Pictures; ++i)
            files[i] = ProductPictureFile(i);
        BenchDocument wall;
        if (!wall.document.NewDocument(WallWidth, WallHeight))
            std::abort();
        for (int n = 0; n < Columns * Rows; ++n) {
            const int left = (n % Columns) * CellWidth + 2;
            const int top = (n / Columns) * CellHeight + 2;
            wall.Add("P" + IntToStr(n), Rect(left, top, left + CellWidth - 4, top + CellHeight - 4), 0x3366CC,
                     files[n % Pictures]);
        }
        const std::string file = BenchFolder() + "/large.kqf";
        kqfASCII writer(wall.finder);
        FillFileFromDocument(writer, wall.document);
        if (!writer.Write(file))
            std::abort();
        return file;
    }();
    return path;
}

// The steps of the program's open after the file is read, without the window and its selector.
void OpenInto(BenchDocument& target, const std::string& path)
{
    kqfASCII file(target.finder);
    if (!file.Read(path, 0))
        std::abort();
    const std::unique_ptr<ListManager> fileItems = file.TakeItems();
    PlanogramDocument& document = target.document;
    document.fileName = path;
    CopyHeaderIntoDocument(file, document);
    if (!document.NewDocument(file.Width, file.Height))
        std::abort();
    document.builderList = file.builderItems;
    document.FillBuilderGrid();
    std::uint8_t ask = 1;
    std::uint8_t update = 0;
    MismatchQuestion question{ask, update, [] { return false; }};
    LoadFileItems(*fileItems, document, ProductsOf(*document.catalog), question);
    document.SetZoom(file.zoomSetting);
    document.renderer.RedrawAll();
}

void BM_OpenLargePlanogram(benchmark::State& state)
{
    const std::string& path = LargePlanogramFile();
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    for (auto _ : state) {
        BenchDocument target;
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
