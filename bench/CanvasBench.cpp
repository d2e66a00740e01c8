// Canvas fills and copies on a 4000x3000 pf24bit bitmap, against QPainter doing the same on the same
// QImage (the bitmap's own view of its pixels).
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include "BenchSupport.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;
constexpr TColor Key = clWhite;

TBitmap& Target()
{
    static TBitmap bitmap;
    if (bitmap.Empty()) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(Width, Height);
    }
    return bitmap;
}

// A picture with a quarter of its pixels in the key colour, in blocks as a product photo has them.
TBitmap& Picture(int width, int height)
{
    static TBitmap bitmap;
    if (bitmap.Width() != width || bitmap.Height() != height)
        Paint24(bitmap, width, height, [](int x, int y) {
            const bool key = ((x / 16) + (y / 16)) % 4 == 0;
            return std::array<std::uint8_t, 3>{key ? std::uint8_t{255} : static_cast<std::uint8_t>(x),
                                               key ? std::uint8_t{255} : static_cast<std::uint8_t>(y),
                                               key ? std::uint8_t{255} : static_cast<std::uint8_t>(x ^ y)};
        });
    return bitmap;
}

void BM_CanvasFillRect(benchmark::State& state)
{
    TCanvas& canvas = Target().Canvas();
    canvas.Brush.Color = 0x336699;
    for (auto _ : state)
        canvas.FillRect(Rect(0, 0, Width, Height));
}

void BM_QPainterFillRect(benchmark::State& state)
{
    QImage image = Target().ImageView();
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(QRect(0, 0, Width, Height), QColor(0x99, 0x66, 0x33));
    }
}

void BM_CanvasStretchDraw(benchmark::State& state)
{
    TBitmap& source = Picture(1000, 750);
    source.SetTransparent(false);
    TCanvas& canvas = Target().Canvas();
    for (auto _ : state)
        canvas.StretchDraw(Rect(0, 0, Width, Height), source);
}

void BM_QPainterStretchDraw(benchmark::State& state)
{
    const QImage source = Picture(1000, 750).ImageView();
    QImage image = Target().ImageView();
    for (auto _ : state) {
        QPainter painter(&image);
        painter.drawImage(QRect(0, 0, Width, Height), source);
    }
}

void BM_CanvasTransparentDraw(benchmark::State& state)
{
    TBitmap& source = Picture(Width, Height);
    source.SetTransparent(true);
    source.SetTransparentColor(Key);
    TCanvas& canvas = Target().Canvas();
    for (auto _ : state)
        canvas.Draw(0, 0, source);
}

// QPainter has no colour key: the same picture with the key pixels made fully transparent, prepared
// once outside the measurement.
void BM_QPainterTransparentDraw(benchmark::State& state)
{
    QImage masked = Picture(Width, Height).ImageView().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < Width; ++x)
            if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                row[x] = 0;
    }
    QImage image = Target().ImageView();
    for (auto _ : state) {
        QPainter painter(&image);
        painter.drawImage(0, 0, masked);
    }
}

BENCHMARK(BM_CanvasFillRect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterFillRect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasStretchDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterStretchDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasTransparentDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterTransparentDraw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
