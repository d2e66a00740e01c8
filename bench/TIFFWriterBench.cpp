// Writing a 4000 x 3000 24-bit picture as an uncompressed RGB TIFF file in one strip, with TIFFWriter
// and with libtiff (TIFFWriteEncodedStrip from the same red, green, blue rows), to files in the same
// folder. libtiff is for this benchmark only:
//     apt-get install libtiff-dev
#include "imageformats/TIFFWriter.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <tiffio.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;

const TBitmap& Picture()
{
    static const TBitmap& picture = *[] {
        auto* bitmap = new TBitmap;
        Paint24(*bitmap, PictureWidth, PictureHeight, [](int x, int y) {
            return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x / 16), static_cast<std::uint8_t>(y / 12),
                                               static_cast<std::uint8_t>((x + y) / 28)};
        });
        return bitmap;
    }();
    return picture;
}

void BM_TIFFWriter(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    const TBitmap& picture = Picture();
    const std::string path = BenchFolder() + "/ours.tif";
    TIFFWriter writer;
    for (auto _ : state)
        if (!writer.WriteBitmap(path, picture))
            state.SkipWithError("the writer failed");
}

// libtiff is handed the rows it writes as the file holds them, red first, made from the bitmap's
// rows inside the timed loop as the writer makes its own.
void BM_LibtiffWrite(benchmark::State& state)
{
    const TBitmap& picture = Picture();
    const std::string path = BenchFolder() + "/libtiff.tif";
    const std::size_t rowBytes = std::size_t{PictureWidth} * 3;
    std::vector<std::uint8_t> strip(rowBytes * PictureHeight);
    for (auto _ : state) {
        for (int y = 0; y < PictureHeight; ++y) {
            const std::uint8_t* in = picture.ScanLine(y);
            std::uint8_t* out = strip.data() + rowBytes * y;
            for (std::size_t i = 0; i < rowBytes; i += 3) {
                out[i] = in[i + 2];
                out[i + 1] = in[i + 1];
                out[i + 2] = in[i];
            }
        }
        TIFF* tiff = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, PictureWidth);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, PictureHeight);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, PictureHeight);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 75.0);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 75.0);
        if (TIFFWriteEncodedStrip(tiff, 0, strip.data(), static_cast<tmsize_t>(strip.size())) < 0)
            state.SkipWithError("libtiff failed");
        TIFFClose(tiff);
    }
}

BENCHMARK(BM_TIFFWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffWrite)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
