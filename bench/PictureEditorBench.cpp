// Save Optimized of a 4000 x 3000 picture to a 1600 x 1200 JPEG, against Qt's smooth scaling and
// JPEG writer doing the same in the same run. Aim: within twice Qt's time.
#include "app/PictureEditor.h"
#include "catalog/PictureFinder.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <QImage>

#include <chrono>
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

} // namespace

BENCHMARK(BM_SaveOptimizedAgainstQt)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
