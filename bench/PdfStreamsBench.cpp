// A page's content: 100,000 lines, rectangles and ellipses in alternating pens and brushes, and
// 10,000 text runs, drawn through the content-stream device (with the Flate compression its page
// stream then applies) against cairo drawing the same into its PDF surface. The counters give the
// sizes: our content as written and packed, cairo's whole file. cairo is for this benchmark only:
//     apt-get install libcairo2-dev
#include "pdf/PdfGenericPSDevice.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Streams.h"

#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Shapes = 100000;
constexpr int TextRuns = 10000;
constexpr int PageWidth = 595;
constexpr int PageHeight = 842;
constexpr int FlateLevel = 6;

enum class TKind { Line, Rectangle, Ellipse };

struct TShape {
    TKind kind;
    int x, y, width, height;
};

std::vector<TShape> ShapeList()
{
    std::mt19937 random(23);
    std::uniform_int_distribution<int> x(0, PageWidth - 60), y(0, PageHeight - 60), size(4, 60);
    std::vector<TShape> shapes;
    shapes.reserve(Shapes);
    for (int i = 0; i < Shapes; ++i)
        shapes.push_back({static_cast<TKind>(i % 3), x(random), y(random), size(random), size(random)});
    return shapes;
}

struct TRun {
    int x, y;
    std::string text;
};

std::vector<TRun> RunList()
{
    std::vector<TRun> runs;
    runs.reserve(TextRuns);
    for (int i = 0; i < TextRuns; ++i)
        runs.push_back({20 + (i % 5) * 110, 20 + (i / 5) % 80 * 10, "Cola 0.33 l, item " + std::to_string(i)});
    return runs;
}

// Alternating pens (thin red, dashed blue) and brushes (yellow, silver), as a planogram's fixtures
// and boxes alternate.
struct TPaint {
    double stroke[3];
    double width;
    bool dashed;
    double fill[3];
};
TPaint PaintOf(int i)
{
    const bool second = i % 2 == 1, secondBrush = i / 2 % 2 == 1;
    return TPaint{{second ? 0.0 : 1.0, 0, second ? 1.0 : 0.0},
                  second ? 3.0 : 1.0,
                  second,
                  {secondBrush ? 0.75 : 1.0, secondBrush ? 0.75 : 1.0, secondBrush ? 0.75 : 0.0}};
}

struct TOurPage {
    TOurPage()
    {
        device.DCStack().SetPage(0, PageHeight);
        device.PSStartOutput(&stream);
    }
    // Ends the content and packs it as the page's stream does; returns both sizes.
    std::pair<std::size_t, std::size_t> Finish()
    {
        device.PSEndOutput();
        const auto size = static_cast<std::size_t>(stream.Size());
        return {size, ZCompress(stream.Memory(), size, FlateLevel).size()};
    }
    TPdfGenericPSDevice device;
    TMemoryStream stream;
};

std::pair<std::size_t, std::size_t> DrawShapesOurs(const std::vector<TShape>& shapes)
{
    TOurPage page;
    TPdfGenericPSDevice& device = page.device;
    const std::int32_t pens[2] = {device.CreatePen(0, 1, clRed), device.CreatePen(1, 3, clBlue)};
    const std::int32_t brushes[2] = {device.CreateBrushIndirect(pebs_Solid, clYellow, 0),
                                     device.CreateBrushIndirect(pebs_Solid, clSilver, 0)};
    for (int i = 0; i < Shapes; ++i) {
        const TShape& s = shapes[static_cast<std::size_t>(i)];
        device.SelectObject(pens[i % 2]);
        device.SelectObject(brushes[i / 2 % 2]);
        switch (s.kind) {
        case TKind::Line:
            device.MoveToEx(s.x, s.y, nullptr);
            device.LineTo(s.x + s.width, s.y + s.height);
            break;
        case TKind::Rectangle:
            device.Rectangle(s.x, s.y, s.x + s.width, s.y + s.height);
            break;
        case TKind::Ellipse:
            device.Ellipse(s.x, s.y, s.x + s.width, s.y + s.height);
            break;
        }
    }
    return page.Finish();
}

cairo_status_t CountBytes(void* closure, const unsigned char*, unsigned int length)
{
    *static_cast<std::size_t*>(closure) += length;
    return CAIRO_STATUS_SUCCESS;
}

struct TCairoPage {
    TCairoPage()
        : surface(cairo_pdf_surface_create_for_stream(CountBytes, &bytes, PageWidth, PageHeight)),
          cr(cairo_create(surface))
    {
    }
    std::size_t Finish()
    {
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
        return bytes;
    }
    std::size_t bytes = 0;
    cairo_surface_t* surface;
    cairo_t* cr;
};

void StrokeAndFill(cairo_t* cr, const TPaint& paint, bool fill)
{
    if (fill) {
        cairo_set_source_rgb(cr, paint.fill[0], paint.fill[1], paint.fill[2]);
        cairo_fill_preserve(cr);
    }
    const double dash[] = {8, 8};
    cairo_set_dash(cr, dash, paint.dashed ? 2 : 0, 0);
    cairo_set_line_width(cr, paint.width);
    cairo_set_source_rgb(cr, paint.stroke[0], paint.stroke[1], paint.stroke[2]);
    cairo_stroke(cr);
}

std::size_t DrawShapesCairo(const std::vector<TShape>& shapes)
{
    TCairoPage page;
    cairo_t* cr = page.cr;
    for (int i = 0; i < Shapes; ++i) {
        const TShape& s = shapes[static_cast<std::size_t>(i)];
        const TPaint paint = PaintOf(i);
        switch (s.kind) {
        case TKind::Line:
            cairo_move_to(cr, s.x, s.y);
            cairo_line_to(cr, s.x + s.width, s.y + s.height);
            StrokeAndFill(cr, paint, false);
            break;
        case TKind::Rectangle:
            cairo_rectangle(cr, s.x, s.y, s.width, s.height);
            StrokeAndFill(cr, paint, true);
            break;
        case TKind::Ellipse:
            cairo_save(cr);
            cairo_translate(cr, s.x + s.width / 2.0, s.y + s.height / 2.0);
            cairo_scale(cr, s.width / 2.0, s.height / 2.0);
            cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
            cairo_restore(cr);
            StrokeAndFill(cr, paint, true);
            break;
        }
    }
    return page.Finish();
}

std::pair<std::size_t, std::size_t> DrawTextOurs(const std::vector<TRun>& runs)
{
    TOurPage page;
    for (const TRun& run : runs)
        page.device.TextOut(run.x, run.y, run.text);
    return page.Finish();
}

std::size_t DrawTextCairo(const std::vector<TRun>& runs)
{
    TCairoPage page;
    cairo_select_font_face(page.cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(page.cr, 10);
    for (const TRun& run : runs) {
        cairo_move_to(page.cr, run.x, run.y);
        cairo_show_text(page.cr, run.text.c_str());
    }
    return page.Finish();
}

template <typename Draw, typename Items> void MeasureOurs(benchmark::State& state, Draw draw, const Items& items)
{
    std::pair<std::size_t, std::size_t> sizes;
    for (auto _ : state)
        benchmark::DoNotOptimize(sizes = draw(items));
    state.counters["content"] = static_cast<double>(sizes.first);
    state.counters["packed"] = static_cast<double>(sizes.second);
}

template <typename Draw, typename Items> void MeasureCairo(benchmark::State& state, Draw draw, const Items& items)
{
    std::size_t size = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(size = draw(items));
    state.counters["file"] = static_cast<double>(size);
}

void BM_DeviceShapes(benchmark::State& state) { MeasureOurs(state, DrawShapesOurs, ShapeList()); }
void BM_CairoShapes(benchmark::State& state) { MeasureCairo(state, DrawShapesCairo, ShapeList()); }
void BM_DeviceText(benchmark::State& state) { MeasureOurs(state, DrawTextOurs, RunList()); }
void BM_CairoText(benchmark::State& state) { MeasureCairo(state, DrawTextCairo, RunList()); }

BENCHMARK(BM_DeviceShapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoShapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
