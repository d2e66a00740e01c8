// Save Optimized of a 4000 x 3000 picture to a 1600 x 1200 JPEG, against Qt's smooth scaling and
// JPEG writer doing the same in the same run; Remove Background with a 200-dot curve on the same
// picture, against QPainter filling that path on a plain image. Aim: within twice Qt's time.
#include "app/PictureEditor.h"
#include "app/PictureOutline.h"
#include "catalog/PictureFinder.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

class NoPictures : public PictureFinder {
public:
    std::string FindPicture(const std::string& path) override { return path; }
    bool ReadCollectionImage(const std::string&, const std::string&, TBitmap&) override { return false; }
};

std::array<std::uint8_t, 3> PhotoLike(int x, int y)
{
    return {static_cast<std::uint8_t>(x * 255 / Width), static_cast<std::uint8_t>(y * 255 / Height),
            static_cast<std::uint8_t>((x * y) % 251)};
}

template <typename Work> double Seconds(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SaveOptimizedAgainstQt(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    NoPictures finder;
    FakeMainWindow settings;
    PictureEditor editor(finder, settings);
    editor.ResetPicture();
    Paint24(*editor.picture, Width, Height, PhotoLike);
    // A product of 200 x 150 cm: 1600 x 1200 pixels at 8 a centimetre.
    editor.product.width = 200;
    editor.product.height = 150;
    editor.product.widthQuarterCm = 800;
    editor.product.heightQuarterCm = 600;
    QImage image(Width, Height, QImage::Format_RGB888);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const std::array<std::uint8_t, 3> bgr = PhotoLike(x, y);
            image.setPixel(x, y, qRgb(bgr[2], bgr[1], bgr[0]));
        }
    const std::string ours = BenchFolder() + "/ours.jpg";
    const QString theirs = QString::fromStdString(BenchFolder() + "/qt.jpg");
    for (auto _ : state) {
        ui.AnswerFile(FileDialogResult{ours, 1});
        const double optimized = Seconds([&] {
            if (!editor.SaveOptimized())
                std::abort();
        });
        const double qt = Seconds([&] {
            if (!image.scaled(1600, 1200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(theirs, "JPG", 90))
                std::abort();
        });
        state.counters["ours_ms"] = optimized * 1e3;
        state.counters["qt_ms"] = qt * 1e3;
        state.counters["ours_to_qt"] = optimized / qt;
    }
}

// 200 dots on an ellipse filling most of the picture.
void PlaceEllipse(PictureEditor& editor)
{
    constexpr int Dots = 200;
    editor.dotsX.clear();
    editor.dotsY.clear();
    for (int i = 0; i < Dots; ++i) {
        const double angle = 2 * M_PI * i / Dots;
        editor.dotsX.push_back(static_cast<float>(Width / 2 + 1800 * std::cos(angle)));
        editor.dotsY.push_back(static_cast<float>(Height / 2 + 1300 * std::sin(angle)));
    }
    editor.lastDotIndex = Dots - 1;
    editor.addingDots = false;
    editor.curveMode = true;
}

void BM_RemoveBackgroundAgainstQt(benchmark::State& state)
{
    NoPictures finder;
    FakeMainWindow settings;
    PictureEditor editor(finder, settings);
    editor.ResetPicture();
    Paint24(*editor.picture, Width, Height, PhotoLike);
    editor.undoSnapshot->Assign(*editor.picture);
    QImage image(Width, Height, QImage::Format_RGB888);
    image.fill(Qt::gray);
    for (auto _ : state) {
        PlaceEllipse(editor);
        const QPainterPath path = OutlinePath({editor.dotsX, editor.dotsY}, true, {Width, Height}, true);
        const double removed = Seconds([&] { editor.RemoveBackground(); });
        const double qt = Seconds([&] {
            QPainter painter(&image);
            painter.fillPath(path, Qt::white);
        });
        if (editor.picture->Pixel(5, 5) != clWhite)
            std::abort();
        state.counters["ours_ms"] = removed * 1e3;
        state.counters["qt_ms"] = qt * 1e3;
        state.counters["ours_to_qt"] = removed / qt;
    }
}

} // namespace

BENCHMARK(BM_SaveOptimizedAgainstQt)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RemoveBackgroundAgainstQt)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
