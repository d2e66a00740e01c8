// Make PDF's work once the wall is drawn: a 2000 x 1500 display page (one pixel one point) and five
// report pages of 50 tabbed lines in 12-point Arial, written to memory by the export component, with
// its streams uncompressed as the program writes them and with Flate, against cairo drawing the same
// picture and text lines into its PDF surface. The counters give the files' sizes. cairo is for this
// benchmark only:
//     apt-get install libcairo2-dev
// Besides, Make PDF as the command runs it on the 20,000-product planogram of the open benchmark
// (a 12000 x 8000 wall, Screen Optimized, no reports, no compression) into a file, with the memory
// it takes beyond what the open planogram holds.
#include "pdf/PDFR2.h"
#include "platform/core/Streams.h"
#include "reports/PdfComposition.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"
#include "LargePlanogram.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WallWidth = 2000;
constexpr int WallHeight = 1500;
constexpr int ReportPages = 5;
constexpr int LinesPerPage = 50;
// The report's stops in points, as the quick reports set them.
const std::vector<int> TabStops{0, 60, 120, 180, 240, 300};
// Letter paper at 300 units per inch.
constexpr TSize Paper{2550, 3300};

const TBitmap& Wall()
{
    static const std::unique_ptr<TBitmap> wall = [] {
        auto bitmap = std::make_unique<TBitmap>();
        Paint24(*bitmap, WallWidth, WallHeight, [](int x, int y) {
            return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x / 8), static_cast<std::uint8_t>(y / 6),
                                               static_cast<std::uint8_t>((x / 40 + y / 40) % 2 ? 200 : 40)};
        });
        return bitmap;
    }();
    return *wall;
}

// A page's worth of a quick report: a title, then rows of six TAB-separated columns.
std::vector<std::string> ReportLines()
{
    std::vector<std::string> lines{"Kestrame Report - Investment and Profit"};
    for (int i = 1; i < LinesPerPage; ++i)
        lines.push_back("SK-" + std::to_string(100 + i) + "\t" + std::to_string(i % 7 + 1) + "\t1.25\t2.49\t" +
                        std::to_string(i * 3) + "%\t" + std::to_string(i * 11) + ".50");
    return lines;
}

std::size_t MakeOurs(TPdfCompressMethod compression, const std::vector<std::string>& lines)
{
    TMemoryStream stream;
    TPdfPrinter pdf;
    pdf.CompressStreamMethod = compression;
    pdf.SetOutputStream(&stream);
    pdf.InMemoryMode = true;
    pdf.BeginDoc();
    pdf.StartPage(WallWidth, WallHeight, 72, 72, 0);
    pdf.DrawTGraphic(0, 0, WallWidth, WallHeight, &Wall());
    pdf.EndPage();
    for (int page = 0; page < ReportPages; ++page)
        AddReportText(pdf, lines, TabStops, Paper);
    pdf.EndDoc();
    return static_cast<std::size_t>(stream.Size());
}

cairo_status_t CountBytes(void* closure, const unsigned char*, unsigned int length)
{
    *static_cast<std::size_t*>(closure) += length;
    return CAIRO_STATUS_SUCCESS;
}

void DrawWallCairo(cairo_t* cr)
{
    const TBitmap& wall = Wall();
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, WallWidth, WallHeight);
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < WallHeight; ++y) {
        const std::uint8_t* row = wall.ScanLine(y);
        auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < WallWidth; ++x)
            out[x] = (std::uint32_t{row[3 * x + 2]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    }
    cairo_surface_mark_dirty(image);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(image);
}

// The same lines in points: 12-point text, piece k at stop k (the lines' pieces fit their columns).
void DrawReportCairo(cairo_t* cr, const std::vector<std::string>& lines)
{
    constexpr double Points = 72.0 / ReportResolution;
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double y = font.ascent;
    for (const std::string& line : lines) {
        std::size_t start = 0;
        for (std::size_t k = 0;; ++k) {
            const std::size_t tab = std::min(line.find('\t', start), line.size());
            const std::string piece = line.substr(start, tab - start);
            cairo_move_to(cr, ReportLeft * Points + TabStops.at(k), y);
            cairo_show_text(cr, piece.c_str());
            if (tab == line.size())
                break;
            start = tab + 1;
        }
        y += font.height;
    }
}

std::size_t MakeCairo(const std::vector<std::string>& lines)
{
    std::size_t bytes = 0;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(CountBytes, &bytes, WallWidth, WallHeight);
    cairo_t* cr = cairo_create(surface);
    DrawWallCairo(cr);
    cairo_show_page(cr);
    cairo_pdf_surface_set_size(surface, Paper.cx * 72.0 / ReportResolution, Paper.cy * 72.0 / ReportResolution);
    for (int page = 0; page < ReportPages; ++page) {
        DrawReportCairo(cr, lines);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return bytes;
}

void Measure(benchmark::State& state, const std::function<std::size_t()>& make)
{
    std::size_t size = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(size = make());
    state.counters["file"] = static_cast<double>(size);
}

void BM_MakePdfUncompressed(benchmark::State& state)
{
    const std::vector<std::string> lines = ReportLines();
    Measure(state, [&] { return MakeOurs(peCompressNone, lines); });
}
void BM_MakePdfFlate(benchmark::State& state)
{
    const std::vector<std::string> lines = ReportLines();
    Measure(state, [&] { return MakeOurs(peCompressFlate, lines); });
}
void BM_CairoPdf(benchmark::State& state)
{
    const std::vector<std::string> lines = ReportLines();
    Measure(state, [&] { return MakeCairo(lines); });
}

void BM_MakePdfLargePlanogram(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    large_planogram::BenchDocument planogram(large_planogram::CatalogPath());
    large_planogram::OpenInto(planogram, large_planogram::LargePlanogramFile());
    const std::string file = BenchFolder() + "/wall.pdf";
    TPdfPrinter pdf;
    SetUpPdfExport(pdf);
    double raise = 0;
    for (auto _ : state) {
        ResetPeakResident();
        const double before = ResidentMegabytes("VmRSS:");
        MakePdf(planogram.mainWindow, planogram.document, pdf, PdfChoices{}, file, Paper, true);
        raise = std::max(raise, ResidentMegabytes("VmHWM:") - before);
    }
    state.counters["peak_raise_MB"] = raise;
}

BENCHMARK(BM_MakePdfUncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakePdfFlate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakePdfLargePlanogram)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
