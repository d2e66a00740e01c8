// Stretching the 4000 x 3000 shelf picture to 1600 x 1200 with the triangle and Lanczos3 filters
// against ImageMagick's resize with the same filters (and the triangle against Qt's smooth scaling),
// and decoding an ImageMagick-written Photo-CD pack with TPCDGraphic and with ImageMagick's library,
// all on one thread. The outside libraries are for this benchmark only:
//     apt-get install libmagick++-6.q16-dev
#include "imageformats/PCDGraphic.h"
#include "imageformats/Resampling.h"

#include "BenchSupport.h"
#include "PictureBenchSupport.h"

#include <Magick++.h>
#include <QImage>

#include <string>

namespace {

constexpr int TargetWidth = 1600;
constexpr int TargetHeight = 1200;

const TBitmap& ShelfPicture()
{
    static TBitmap picture;
    if (picture.Empty())
        Paint24(picture, ShelfPictureWidth, ShelfPictureHeight, [](int x, int y) {
            const std::array<std::uint8_t, 3> rgb = ShelfPicturePixel(x, y);
            return std::array<std::uint8_t, 3>{rgb[2], rgb[1], rgb[0]};
        });
    return picture;
}

const Magick::Image& MagickShelfPicture()
{
    static const Magick::Image image = [] {
        const std::vector<std::uint8_t> rgb = ShelfPictureRgb();
        return Magick::Image(ShelfPictureWidth, ShelfPictureHeight, "RGB", Magick::CharPixel, rgb.data());
    }();
    return image;
}

void StretchWithOurs(benchmark::State& state, TResamplingFilter filter)
{
    TBitmap source;
    source.Assign(ShelfPicture());
    for (auto _ : state) {
        TBitmap target;
        Stretch(TargetWidth, TargetHeight, filter, 0, source, target);
        benchmark::DoNotOptimize(target.ScanLine(0));
    }
}

void ResizeWithMagick(benchmark::State& state, Magick::FilterTypes filter)
{
    for (auto _ : state) {
        Magick::Image image = MagickShelfPicture();
        image.filterType(filter);
        image.resize(Magick::Geometry(TargetWidth, TargetHeight));
        benchmark::DoNotOptimize(image.getConstPixels(0, 0, TargetWidth, TargetHeight));
    }
}

void BM_StretchTriangle(benchmark::State& state) { StretchWithOurs(state, sfTriangle); }
void BM_MagickTriangle(benchmark::State& state) { ResizeWithMagick(state, Magick::TriangleFilter); }
void BM_StretchLanczos3(benchmark::State& state) { StretchWithOurs(state, sfLanczos3); }
void BM_MagickLanczos3(benchmark::State& state) { ResizeWithMagick(state, Magick::LanczosFilter); }

void BM_QtSmoothScale(benchmark::State& state)
{
    TBitmap source;
    source.Assign(ShelfPicture());
    const QImage image = source.ImageView().copy();
    for (auto _ : state) {
        const QImage scaled = image.scaled(TargetWidth, TargetHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

// A 768 x 512 part of the shelf picture written by ImageMagick as an image pack.
const std::string& PhotoCDFile()
{
    static const std::string file = [] {
        const std::string path = BenchFolder() + "/shelf.pcd";
        Magick::Image image = MagickShelfPicture();
        image.crop(Magick::Geometry(768, 512));
        image.write(path);
        return path;
    }();
    return file;
}

void BM_TPCDGraphic(benchmark::State& state)
{
    for (auto _ : state) {
        TPCDGraphic pcd;
        pcd.LoadFromFile(PhotoCDFile());
        if (pcd.Width() != 768)
            state.SkipWithError("the pack did not load");
        benchmark::DoNotOptimize(pcd.ScanLine(0));
    }
}

void BM_MagickPhotoCD(benchmark::State& state)
{
    for (auto _ : state) {
        Magick::Image image;
        image.read(PhotoCDFile());
        benchmark::DoNotOptimize(image.getConstPixels(0, 0, 768, 512));
    }
}

} // namespace

BENCHMARK(BM_StretchTriangle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickTriangle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtSmoothScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchLanczos3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickLanczos3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TPCDGraphic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickPhotoCD)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // One thread, as the program's own rescale and reader run.
    setenv("MAGICK_THREAD_LIMIT", "1", 1);
    Magick::InitializeMagick(*argv);
    return RunGuiBenchmarks(argc, argv);
}
