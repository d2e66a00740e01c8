// Decoding 4000x3000 24-bit run-length PCX and PackBits Photoshop files into TPCXGraphic and
// TPSDGraphic against ImageMagick's library, all in this process and on one thread. ImageMagick
// writes the files. Its library is for this benchmark only:
//     apt-get install libmagick++-6.q16-dev
#include "imageformats/PCXGraphic.h"
#include "imageformats/PSDGraphic.h"

#include "BenchSupport.h"
#include "MagickBenchSupport.h"
#include "PictureBenchSupport.h"

#include <Magick++.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Width = ShelfPictureWidth;
constexpr int Height = ShelfPictureHeight;

std::string WrittenFile(const std::string& name)
{
    const std::string file = BenchFolder() + "/" + name;
    const std::vector<std::uint8_t> rgb = ShelfPictureRgb();
    Magick::Image image(Width, Height, "RGB", Magick::CharPixel, rgb.data());
    image.compressType(Magick::RLECompression);
    image.write(file);
    return file;
}

const std::string& PcxFile()
{
    static const std::string file = WrittenFile("packed.pcx");
    return file;
}

const std::string& PsdFile()
{
    static const std::string file = WrittenFile("packed.psd");
    return file;
}

void BM_TPCXGraphicPacked(benchmark::State& state) { DecodeWithOurs<TPCXGraphic>(state, PcxFile(), pf24bit); }
void BM_MagickPcxPacked(benchmark::State& state) { DecodeWithMagick(state, PcxFile()); }
// "[0]" asks for the merged picture alone, which is what TPSDGraphic reads.
void BM_TPSDGraphicPacked(benchmark::State& state) { DecodeWithOurs<TPSDGraphic>(state, PsdFile(), pf24bit); }
void BM_MagickPsdPacked(benchmark::State& state) { DecodeWithMagick(state, PsdFile() + "[0]"); }

} // namespace

BENCHMARK(BM_TPCXGraphicPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickPcxPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TPSDGraphicPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickPsdPacked)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("MAGICK_THREAD_LIMIT", "1", 1);
    Magick::InitializeMagick(*argv);
    return RunGuiBenchmarks(argc, argv);
}
