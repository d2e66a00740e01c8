// Decoding the one strip of an A4 Group 3 fax page (1728 x 2292) with TCCITTFax3Decoder against
// libtiff's TIFFReadEncodedStrip on the same file, and a 4000 x 3000 24-bit Deflate strip with
// TLZ77Decoder against zlib's uncompress, all in this process. libtiff is for this benchmark only:
//     apt-get install libtiff-dev
#include "imageformats/CCITTDecoder.h"
#include "imageformats/LZ77Decoder.h"

#include "BenchSupport.h"

#include <tiffio.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int PageWidth = 1728;
constexpr int PageHeight = 2292;
constexpr std::size_t PageRowBytes = PageWidth / 8;

// A page of text: lines of glyphs of 5 x 7 dots, two pixels a dot, inside margins.
Bytes TextPage()
{
    Bytes page(PageRowBytes * PageHeight);
    std::mt19937 random(3);
    for (int top = 120; top + 14 < PageHeight - 120; top += 24)
        for (int left = 100; left + 10 < PageWidth - 100; left += 12) {
            if (random() % 7 == 0)
                continue; // a space
            const unsigned glyph = static_cast<unsigned>(random());
            for (int dotY = 0; dotY < 7; ++dotY)
                for (int dotX = 0; dotX < 5; ++dotX) {
                    if (((glyph >> ((dotY * 5 + dotX) % 32)) & 1u) == 0)
                        continue;
                    for (int y = top + 2 * dotY; y < top + 2 * dotY + 2; ++y)
                        for (int x = left + 2 * dotX; x < left + 2 * dotX + 2; ++x)
                            page[static_cast<std::size_t>(y) * PageRowBytes + static_cast<std::size_t>(x) / 8] |=
                                static_cast<std::uint8_t>(0x80u >> (x % 8));
                }
        }
    return page;
}

// The page as a one-strip Group 3 TIFF file written by libtiff.
struct TFaxFile {
    std::string path = BenchFolder() + "/page.tif";
    Bytes page = TextPage();
    Bytes strip;

    TFaxFile()
    {
        TIFF* out = TIFFOpen(path.c_str(), "w");
        TIFFSetField(out, TIFFTAG_IMAGEWIDTH, PageWidth);
        TIFFSetField(out, TIFFTAG_IMAGELENGTH, PageHeight);
        TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(out, TIFFTAG_GROUP3OPTIONS, 0);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, PageHeight);
        TIFFWriteEncodedStrip(out, 0, page.data(), static_cast<tmsize_t>(page.size()));
        TIFFClose(out);
        TIFF* in = TIFFOpen(path.c_str(), "r");
        strip.resize(static_cast<std::size_t>(TIFFRawStripSize(in, 0)));
        TIFFReadRawStrip(in, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
        TIFFClose(in);
    }
};

const TFaxFile& Fax()
{
    static const TFaxFile file;
    return file;
}

void BM_TCCITTFax3Decoder(benchmark::State& state)
{
    const TFaxFile& fax = Fax();
    Bytes target(fax.page.size());
    TCCITTFax3Decoder decoder(0, false, false, PageWidth);
    for (auto _ : state) {
        const std::uint8_t* source = fax.strip.data();
        std::uint8_t* out = target.data();
        decoder.Decode(source, out, static_cast<std::int32_t>(fax.strip.size()),
                       static_cast<std::int32_t>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    if (target != fax.page)
        state.SkipWithError("the page decoded differently");
    state.counters["packed bytes"] = static_cast<double>(fax.strip.size());
}

void BM_LibtiffFax3(benchmark::State& state)
{
    const TFaxFile& fax = Fax();
    Bytes target(fax.page.size());
    TIFF* in = TIFFOpen(fax.path.c_str(), "r");
    for (auto _ : state) {
        TIFFReadEncodedStrip(in, 0, target.data(), static_cast<tmsize_t>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    TIFFClose(in);
    if (target != fax.page)
        state.SkipWithError("libtiff decoded the page differently");
}

constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;

// A rendered planogram's pixels: flat shelves and backgrounds, and product pictures of fine detail.
struct TDeflated {
    Bytes pixels;
    Bytes packed;

    TDeflated() : pixels(std::size_t{PictureWidth} * PictureHeight * 3)
    {
        std::size_t at = 0;
        for (int y = 0; y < PictureHeight; ++y)
            for (int x = 0; x < PictureWidth; ++x) {
                const bool product = (x / 250) % 2 == 0 && (y % 500) < 420;
                pixels[at++] = static_cast<std::uint8_t>(product ? (x * 7 + y * 3) & 0xFF : 200);
                pixels[at++] = static_cast<std::uint8_t>(product ? (x ^ y) & 0xFF : 180);
                pixels[at++] = static_cast<std::uint8_t>(product ? y & 0xFF : (y % 500 < 420 ? 160 : 90));
            }
        uLongf size = compressBound(static_cast<uLong>(pixels.size()));
        packed.resize(size);
        compress2(packed.data(), &size, pixels.data(), static_cast<uLong>(pixels.size()), Z_DEFAULT_COMPRESSION);
        packed.resize(size);
    }
};

const TDeflated& Deflated()
{
    static const TDeflated data;
    return data;
}

void BM_TLZ77Decoder(benchmark::State& state)
{
    const TDeflated& data = Deflated();
    Bytes target(data.pixels.size());
    // As the TIFF reader sets it up.
    TLZ77Decoder decoder(Z_PARTIAL_FLUSH, true);
    decoder.DecodeInit();
    for (auto _ : state) {
        const std::uint8_t* source = data.packed.data();
        std::uint8_t* out = target.data();
        decoder.Decode(source, out, static_cast<std::int32_t>(data.packed.size()),
                       static_cast<std::int32_t>(target.size()));
        benchmark::DoNotOptimize(target.data());
    }
    decoder.DecodeEnd();
    if (target != data.pixels)
        state.SkipWithError("the strip inflated differently");
}

void BM_ZlibUncompress(benchmark::State& state)
{
    const TDeflated& data = Deflated();
    Bytes target(data.pixels.size());
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(target.size());
        uncompress(target.data(), &size, data.packed.data(), static_cast<uLong>(data.packed.size()));
        benchmark::DoNotOptimize(target.data());
    }
    if (target != data.pixels)
        state.SkipWithError("zlib inflated differently");
}

} // namespace

BENCHMARK(BM_TCCITTFax3Decoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffFax3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TLZ77Decoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
