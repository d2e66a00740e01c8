// Loading 4000 x 3000 RGB TIFF files (uncompressed, PackBits, Deflate with the predictor, JPEG) and an
// A4 Group 3 fax page (1728 x 2292) with TTIFFGraphic, libtiff's TIFFReadRGBAImageOriented and Qt's
// TIFF plugin, the same files in the same process. And a flat 4000 x 4000 CIE L*a*b* file, Deflate
// packed to a few kilobytes, so that its load is the colour conversion, with TTIFFGraphic and with
// ImageMagick's convert (/usr/bin/convert, run once an iteration, writing the pixels nowhere).
// libtiff is for this benchmark only:
//     apt-get install libtiff-dev
#include "imageformats/TIFFGraphic.h"

#include "BenchSupport.h"

#include <QImage>

#include <tiffio.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;
constexpr int PageWidth = 1728;
constexpr int PageHeight = 2292;

// A photographed shelf: smooth gradients for the fixtures, with a little sensor noise everywhere.
Bytes ShelfPhoto()
{
    Bytes pixels(std::size_t{PictureWidth} * PictureHeight * 3);
    std::mt19937 random(5);
    std::size_t at = 0;
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x) {
            const int noise = static_cast<int>(random() % 5);
            pixels[at++] = static_cast<std::uint8_t>((x / 16 + noise) & 0xFF);
            pixels[at++] = static_cast<std::uint8_t>((y / 12 + noise) & 0xFF);
            pixels[at++] = static_cast<std::uint8_t>(((x + y) / 28 + noise) & 0xFF);
        }
    return pixels;
}

// A page of typed text: lines of words as black bars of random widths, one bit a pixel.
Bytes TextPage()
{
    constexpr std::size_t rowBytes = PageWidth / 8;
    Bytes page(rowBytes * PageHeight);
    std::mt19937 random(3);
    for (int top = 120; top + 14 < PageHeight - 120; top += 26)
        for (int left = 100; left < PageWidth - 160;) {
            const int width = 10 + static_cast<int>(random() % 50);
            for (int y = top; y < top + 14; ++y)
                for (int x = left; x < left + width; ++x)
                    page[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) / 8] |=
                        static_cast<std::uint8_t>(0x80u >> (x % 8));
            left += width + 12;
        }
    return page;
}

// Writes the rows with libtiff under the compression given, in strips of `rowsPerStrip`.
void WriteTiff(const std::string& path, const Bytes& rows, int width, int height, int samples, int compression,
               int rowsPerStrip)
{
    TIFF* out = TIFFOpen(path.c_str(), "w");
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, samples == 1 ? 1 : 8);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
    TIFFSetField(out, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(out, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(out, TIFFTAG_GROUP3OPTIONS, 0);
    if (compression == COMPRESSION_JPEG)
        TIFFSetField(out, TIFFTAG_JPEGQUALITY, 90);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    const std::size_t rowBytes = rows.size() / static_cast<std::size_t>(height);
    for (int y = 0; y < height; ++y)
        TIFFWriteScanline(out, const_cast<std::uint8_t*>(&rows[static_cast<std::size_t>(y) * rowBytes]),
                          static_cast<std::uint32_t>(y), 0);
    TIFFClose(out);
}

constexpr int LabSide = 4000;

// The flat L*a*b* picture (L* 60, a* 20, b* -30 as signed bytes), written once.
const std::string& LabFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/lab.tif";
        Bytes pixels(std::size_t{LabSide} * LabSide * 3);
        for (std::size_t at = 0; at < pixels.size(); at += 3) {
            pixels[at] = 153; // 60 of 100
            pixels[at + 1] = 20;
            pixels[at + 2] = static_cast<std::uint8_t>(-30);
        }
        TIFF* out = TIFFOpen(file.c_str(), "w");
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, LabSide);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, LabSide);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CIELAB);
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, 64);
        for (int y = 0; y < LabSide; ++y)
            TIFFWriteScanline(out, &pixels[static_cast<std::size_t>(y) * LabSide * 3], static_cast<std::uint32_t>(y),
                              0);
        TIFFClose(out);
        return file;
    }();
    return path;
}

void BM_TTIFFGraphicLab(benchmark::State& state)
{
    const std::string& path = LabFile();
    for (auto _ : state) {
        TTIFFGraphic tiff;
        tiff.LoadFromFile(path);
        if (tiff.Width() != LabSide || tiff.PixelFormat() != pf24bit)
            state.SkipWithError("the file did not load as expected");
        benchmark::DoNotOptimize(tiff.ScanLine(0));
    }
}

void BM_MagickConvertLab(benchmark::State& state)
{
    const std::string command = "/usr/bin/convert '" + LabFile() + "' -colorspace sRGB ppm:- > /dev/null";
    for (auto _ : state)
        if (!TimeCommand(state, command))
            state.SkipWithError("convert did not read the file");
}

// The benchmark's files, written once: the picture under each compression and the fax page.
const std::string& FileOf(int kind)
{
    static const std::vector<std::string> files = [] {
        const Bytes pixels = ShelfPhoto();
        std::vector<std::string> paths;
        const int compressions[] = {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE,
                                    COMPRESSION_JPEG};
        for (const int compression : compressions) {
            paths.push_back(BenchFolder() + "/picture" + std::to_string(compression) + ".tif");
            WriteTiff(paths.back(), pixels, PictureWidth, PictureHeight, 3, compression, 16);
        }
        paths.push_back(BenchFolder() + "/page.tif");
        WriteTiff(paths.back(), TextPage(), PageWidth, PageHeight, 1, COMPRESSION_CCITTFAX3, PageHeight);
        return paths;
    }();
    return files.at(static_cast<std::size_t>(kind));
}

void BM_TTIFFGraphic(benchmark::State& state)
{
    const std::string& path = FileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TTIFFGraphic tiff;
        tiff.LoadFromFile(path);
        benchmark::DoNotOptimize(tiff.ScanLine(0));
    }
}

void BM_LibtiffRGBA(benchmark::State& state)
{
    const std::string& path = FileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TIFF* in = TIFFOpen(path.c_str(), "r");
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(in, TIFFTAG_IMAGELENGTH, &height);
        std::vector<std::uint32_t> raster(std::size_t{width} * height);
        if (!TIFFReadRGBAImageOriented(in, width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
            state.SkipWithError("libtiff did not read the file");
        benchmark::DoNotOptimize(raster.data());
        TIFFClose(in);
    }
}

void BM_QImage(benchmark::State& state)
{
    const QString path = QString::fromStdString(FileOf(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        QImage image(path, "TIFF");
        if (image.isNull())
            state.SkipWithError("Qt's TIFF plugin did not read the file");
        benchmark::DoNotOptimize(image.constBits());
    }
}

// 0 uncompressed, 1 PackBits, 2 Deflate with the predictor, 3 JPEG, 4 the fax page.
void Kinds(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgName("file")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_TTIFFGraphic)->Apply(Kinds);
BENCHMARK(BM_LibtiffRGBA)->Apply(Kinds);
BENCHMARK(BM_QImage)->Apply(Kinds);
BENCHMARK(BM_TTIFFGraphicLab)->Unit(benchmark::kMillisecond);
// Wall-clock time of the child process, which does the work.
BENCHMARK(BM_MagickConvertLab)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
