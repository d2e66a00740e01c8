// Decoding 4000x3000 Alias/Wavefront, Dr. Halo and run-length Paint Shop Pro files into our
// readers, and the Dr. Halo file also with ImageMagick's library, all in this process and on one
// thread. The files are built byte by byte as the tests build them (no tool writes these formats).
// ImageMagick's library is for this benchmark only:
//     apt-get install libmagick++-6.q16-dev
#include "imageformats/CUTGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/RunLengthFixtures.h"

#include "BenchSupport.h"
#include "MagickBenchSupport.h"
#include "PictureBenchSupport.h"

#include <Magick++.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Width = ShelfPictureWidth;
constexpr int Height = ShelfPictureHeight;

Rgb SourcePixel(int x, int y)
{
    const std::array<std::uint8_t, 3> pixel = ShelfPicturePixel(x, y);
    return {pixel[0], pixel[1], pixel[2]};
}

std::string Written(const std::string& name, const std::string& bytes)
{
    const std::string file = BenchFolder() + "/" + name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

const std::string& RlaFile()
{
    static const std::string file = [] {
        RgbImage image{Width, Height, {}};
        image.pixels.reserve(std::size_t{Width} * Height);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                image.pixels.push_back(SourcePixel(x, y));
        return Written("shelves.rla", fixtures::RlaFile(image, {}));
    }();
    return file;
}

const std::string& CutFile()
{
    static const std::string file = [] {
        std::vector<fixtures::Bytes> rows(Height, fixtures::Bytes(Width));
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                rows[y][x] = SourcePixel(x, y).g;
        return Written("shelves.cut", fixtures::CutFile(rows));
    }();
    return file;
}

const std::string& PspFile()
{
    static const std::string file = [] {
        fixtures::PspLayout layout;
        layout.compression = 1;
        layout.width = Width;
        layout.height = Height;
        fixtures::PspLayer layer;
        for (std::uint16_t type = 1; type <= 3; ++type) {
            fixtures::Bytes plane;
            plane.reserve(std::size_t{Width} * Height);
            for (int y = 0; y < Height; ++y)
                for (int x = 0; x < Width; ++x) {
                    const Rgb pixel = SourcePixel(x, y);
                    plane.push_back(type == 1 ? pixel.r : type == 2 ? pixel.g : pixel.b);
                }
            layer.channels.push_back({type, std::move(plane)});
        }
        layout.layers = {layer};
        return Written("shelves.psp", fixtures::PspFile(layout));
    }();
    return file;
}

void BM_TRLAGraphic(benchmark::State& state) { DecodeWithOurs<TRLAGraphic>(state, RlaFile(), pf24bit); }
void BM_TCUTGraphic(benchmark::State& state) { DecodeWithOurs<TCUTGraphic>(state, CutFile(), pf8bit); }
void BM_TPSPGraphicPacked(benchmark::State& state) { DecodeWithOurs<TPSPGraphic>(state, PspFile(), pf24bit); }

void BM_MagickCut(benchmark::State& state) { DecodeWithMagick(state, CutFile()); }

} // namespace

BENCHMARK(BM_TRLAGraphic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TCUTGraphic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickCut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TPSPGraphicPacked)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("MAGICK_THREAD_LIMIT", "1", 1);
    Magick::InitializeMagick(*argv);
    return RunGuiBenchmarks(argc, argv);
}
