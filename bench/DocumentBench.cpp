// A full redraw of a planogram wall of 1,000 products (200x300 JPEG pictures, 40 distinct), the
// partial redraw after moving one product, and the double-scale render printing makes of the same wall
// (four times the pixels; aim: at most five times the full redraw). The full redraw, its pictures
// decoded once and then kept, is measured against the limit of drawing alone: QPainter drawing the
// same placements from the pictures decoded beforehand (aim: at most twice that); and without the
// picture cache, decoding every picture of every item again.
#include "imageformats/DecodedPictureCache.h"
#include "planogram/DoubleScaleRenderer.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "testing/DocumentFakes.h"

#include "BenchSupport.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int Pictures = 40;
constexpr int Columns = 25;
constexpr int Rows = 40;
constexpr int ProductWidth = 40; // 10 cm
constexpr int ProductHeight = 60;

// The document with the fakes of the document tests, on a pegboard wall of products.
struct Wall : DocumentWithFakes {
    Wall()
    {
        std::map<int, std::string> files;
        for (int i = 0; i < Pictures; ++i)
            files[i] = ProductPictureFile(i);
        mainWindow.scale = 4;
        selector.layout.SetSize(150, 200);
        document.pegHolesShown = true;
        document.pegHoleSize = 4;
        document.pegFirstX = document.pegFirstY = 16;
        document.pegLastX = Columns * ProductWidth - 16;
        document.pegLastY = Rows * ProductHeight - 16;
        document.pegPitchH = document.pegPitchV = 20;
        if (!document.NewDocument(Columns * ProductWidth, Rows * ProductHeight))
            std::abort();
        for (int n = 0; n < Columns * Rows; ++n) {
            const int left = (n % Columns) * ProductWidth;
            const int top = (n / Columns) * ProductHeight;
            Add("P" + IntToStr(n), Rect(left, top, left + ProductWidth, top + ProductHeight), 0x3366CC,
                files[n % Pictures]);
        }
        document.renderer.RedrawAll();
        // The products must be drawn from their pictures, not as placeholders.
        if (document.backBitmap.Pixel(ProductWidth / 2, ProductHeight / 2) == clBlack)
            std::abort();
    }
};

Wall& TheWall()
{
    static Wall wall;
    return wall;
}

void BM_RedrawAll(benchmark::State& state)
{
    Wall& wall = TheWall();
    for (auto _ : state)
        wall.document.renderer.RedrawAll();
}

void BM_RedrawAllWithoutThePictureCache(benchmark::State& state)
{
    Wall& wall = TheWall();
    DecodedPictures().SetLimitBytes(0);
    for (auto _ : state)
        wall.document.renderer.RedrawAll();
    DecodedPictures().SetLimitBytes(DecodedPictureCache::DefaultLimitBytes);
}

// The wall's placements drawn by QPainter onto an image of the wall, from the pictures decoded
// beforehand into the image's own pixel format.
void BM_QPainterDrawImageOfDecodedPictures(benchmark::State& state)
{
    Wall& wall = TheWall();
    TBitmap back;
    back.Assign(wall.document.backBitmap);
    QImage target = back.ImageView();
    std::vector<QImage> pictures;
    for (int i = 0; i < Pictures; ++i) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(ProductPictureFile(i));
        TBitmap decoded;
        decoded.Assign(jpeg);
        pictures.push_back(decoded.ImageView().convertToFormat(target.format()));
    }
    for (auto _ : state) {
        QPainter painter(&target);
        int n = 0;
        for (const ListOB* item = wall.document.items->head; item; item = item->next, ++n)
            painter.drawImage(QRect(item->left, item->top, item->right - item->left, item->bottom - item->top),
                              pictures[n % Pictures]);
    }
}

void BM_RedrawRectAfterMovingOneProduct(benchmark::State& state)
{
    Wall& wall = TheWall();
    PlanogramDocument& document = wall.document;
    ListOB* item = document.items->head;
    for (int n = 0; n < Columns * Rows / 2 + Columns / 2; ++n)
        item = item->next;
    document.items->current = item;
    int step = 7;
    for (auto _ : state) {
        document.selectionRect = item->PlacementBox();
        item->left += step, item->right += step;
        step = -step;
        document.renderer.RedrawRect();
    }
}

// Steps and never cancels.
class SilentMonitor : public RenderMonitor {
public:
    void Step(const std::string&) override {}
    bool Cancelled() override { return false; }
    void PumpEvents() override {}
};

void BM_RenderDoubleScale(benchmark::State& state)
{
    Wall& wall = TheWall();
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(wall.document.backBitmap.Width() * 2, wall.document.backBitmap.Height() * 2);
    SilentMonitor monitor;
    for (auto _ : state)
        RenderDoubleScale(wall.document, target, monitor);
}

} // namespace

BENCHMARK(BM_QPainterDrawImageOfDecodedPictures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAllWithoutThePictureCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRectAfterMovingOneProduct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDoubleScale)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
