// Decoding 4000x3000 raw portable pixmaps (P6) and graymaps (P5) into TPPMGraphic against netpbm's
// library and Qt's PPM reader, and a 4000x3000 run-length SGI file into TSGIGraphic against
// ImageMagick's library, all in this process and on one thread. The outside libraries are for this
// benchmark only:
//     apt-get install libnetpbm-dev libmagick++-6.q16-dev
#include "imageformats/PPMGraphic.h"
#include "imageformats/SGIGraphic.h"

#include "BenchSupport.h"
#include "MagickBenchSupport.h"
#include "PictureBenchSupport.h"

#include <Magick++.h>
#include <QImage>
#include <netpbm/pnm.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Width = ShelfPictureWidth;
constexpr int Height = ShelfPictureHeight;

std::string WrittenMap(const std::string& name, bool grey)
{
    const std::string file = BenchFolder() + "/" + name;
    const std::vector<std::uint8_t> rgb = ShelfPictureRgb();
    std::ofstream out(file, std::ios::binary);
    out << (grey ? "P5\n" : "P6\n") << Width << " " << Height << "\n255\n";
    for (std::size_t i = 0; i < rgb.size(); i += grey ? 3 : 1)
        out.put(static_cast<char>(rgb[i]));
    return file;
}

const std::string& PixmapFile()
{
    static const std::string file = WrittenMap("picture.ppm", false);
    return file;
}

const std::string& GraymapFile()
{
    static const std::string file = WrittenMap("picture.pgm", true);
    return file;
}

const std::string& SgiFile()
{
    static const std::string file = [] {
        const std::string path = BenchFolder() + "/packed.sgi";
        const std::vector<std::uint8_t> rgb = ShelfPictureRgb();
        Magick::Image image(Width, Height, "RGB", Magick::CharPixel, rgb.data());
        image.compressType(Magick::RLECompression);
        image.write(path);
        return path;
    }();
    return file;
}

// netpbm's own reading: every row into the picture array its programs work on.
void DecodeWithNetpbm(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        FILE* input = std::fopen(file.c_str(), "rb");
        int columns = 0;
        int rows = 0;
        xelval maximum = 0;
        int format = 0;
        pnm_readpnminit(input, &columns, &rows, &maximum, &format);
        xel** picture = pnm_allocarray(columns, rows);
        for (int y = 0; y < rows; ++y)
            pnm_readpnmrow(input, picture[y], columns, maximum, format);
        std::fclose(input);
        benchmark::DoNotOptimize(picture[0]);
        pnm_freearray(picture, rows);
    }
}

void DecodeWithQt(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        QImage image;
        if (!image.load(QString::fromStdString(file), "PPM") || image.width() != Width)
            state.SkipWithError("Qt did not read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_TPPMGraphicPixmap(benchmark::State& state) { DecodeWithOurs<TPPMGraphic>(state, PixmapFile(), pf24bit); }
void BM_NetpbmPixmap(benchmark::State& state) { DecodeWithNetpbm(state, PixmapFile()); }
void BM_QtPixmap(benchmark::State& state) { DecodeWithQt(state, PixmapFile()); }
void BM_TPPMGraphicGraymap(benchmark::State& state) { DecodeWithOurs<TPPMGraphic>(state, GraymapFile(), pf8bit); }
void BM_NetpbmGraymap(benchmark::State& state) { DecodeWithNetpbm(state, GraymapFile()); }
void BM_QtGraymap(benchmark::State& state) { DecodeWithQt(state, GraymapFile()); }
void BM_TSGIGraphicPacked(benchmark::State& state) { DecodeWithOurs<TSGIGraphic>(state, SgiFile(), pf24bit); }
void BM_MagickSgiPacked(benchmark::State& state) { DecodeWithMagick(state, SgiFile()); }

} // namespace

BENCHMARK(BM_TPPMGraphicPixmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NetpbmPixmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtPixmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TPPMGraphicGraymap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NetpbmGraymap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtGraymap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TSGIGraphicPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickSgiPacked)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("MAGICK_THREAD_LIMIT", "1", 1);
    Magick::InitializeMagick(*argv);
    pm_init(argv[0], 0);
    return RunGuiBenchmarks(argc, argv);
}
