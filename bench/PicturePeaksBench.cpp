// What small files declaring large pictures cost the readers the drawing uses: each file, made here,
// is loaded once an iteration, and the counter "peak_MB" is how far the load raised the process's
// peak resident memory; the label says whether it loaded. The files are of the kinds and sizes that once cost
// one to two gigabytes: a refused one should cost next to nothing, a loaded one little more than
// its picture.
#include "imageformats/PictureLoading.h"
#include "imageformats/RunLengthFixtures.h"
#include "imageformats/TiffEditing.h"
#include "platform/graphics/Bitmap.h"

#include "platform/core/Exceptions.h"

#include "BenchSupport.h"

#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

namespace {

std::string Big16(unsigned value) { return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)}; }

std::string Big32(unsigned value) { return Big16(value >> 16) + Big16(value & 0xFFFF); }

std::string InFolder(const std::string& name) { return BenchFolder() + "/" + name; }

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs a command of the outside tools; a failure ends the run, which cannot go on without its file.
void Run(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        std::abort();
}

// A flat grey picture by cjpeg with the options, its frame then declaring side x side pixels: the
// arithmetic coder leaves out the zero bytes that a flat picture of any size codes to.
std::string FlatCjpeg(const std::string& options, unsigned side)
{
    WriteBytes(InFolder("flat.pgm"), "P5\n64 64\n255\n" + std::string(4096, '\x80'));
    Run("/usr/bin/cjpeg " + options + " " + InFolder("flat.pgm") + " > " + InFolder("flat.jpg"));
    std::string bytes = ReadBytes(InFolder("flat.jpg"));
    std::size_t frame = std::string::npos;
    for (const char* marker : {"\xFF\xC9", "\xFF\xCA"})
        frame = std::min(frame, bytes.find(marker));
    return bytes.replace(frame + 5, 4, Big16(side) + Big16(side));
}

// A progressive grey picture of one scan, of the DC coefficients, coded at one bit a block.
std::string DcScanJpeg(unsigned side)
{
    const std::size_t blocks = std::size_t{(side + 7) / 8} * ((side + 7) / 8);
    const std::string zero(1, '\0');
    return "\xFF\xD8\xFF\xDB" + Big16(67) + zero + std::string(64, '\1') + "\xFF\xC2" + Big16(11) + "\x08" +
           Big16(side) + Big16(side) + "\x01\x01\x11" + zero + "\xFF\xC4" + Big16(20) + zero + "\x01" +
           std::string(15, '\0') + zero + "\xFF\xDA" + Big16(8) + "\x01\x01" + std::string(4, '\0') +
           std::string((blocks + 7) / 8, '\0') + "\xFF\xD9";
}

// `rows` bytes of one value, deflated a piece at a time.
std::string Deflated(std::size_t rows, char value)
{
    z_stream stream{};
    deflateInit(&stream, 9);
    const std::string piece(1 << 20, value);
    std::string packed(1 << 16, '\0');
    std::string out;
    for (std::size_t left = rows; left > 0 || stream.avail_in > 0;) {
        if (stream.avail_in == 0) {
            const std::size_t count = std::min(left, piece.size());
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
            stream.avail_in = static_cast<uInt>(count);
            left -= count;
        }
        stream.next_out = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_out = static_cast<uInt>(packed.size());
        deflate(&stream, Z_NO_FLUSH);
        out.append(packed.data(), packed.size() - stream.avail_out);
    }
    for (int status = Z_OK; status == Z_OK;) {
        stream.next_out = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_out = static_cast<uInt>(packed.size());
        status = deflate(&stream, Z_FINISH);
        out.append(packed.data(), packed.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    return out;
}

// A Deflate TIFF file of a small netpbm picture by the tools, with pnmtotiff's options, made to
// declare side x side pixels in one strip: the bytes given, appended.
std::string TiffOfSide(const std::string& netpbm, const std::string& options, unsigned side, const std::string& strip)
{
    WriteBytes(InFolder("small.pnm"), netpbm);
    Run("/usr/bin/pnmtotiff " + options + " " + InFolder("small.pnm") + " > " + InFolder("small.tif"));
    Run("/usr/bin/tiffcp -c zip " + InFolder("small.tif") + " " + InFolder("zip.tif"));
    const std::string tiff = WithTag(WithTag(WithTag(ReadBytes(InFolder("zip.tif")), 256, side), 257, side), 278, side);
    return WithTag(WithTag(tiff, 273, static_cast<unsigned>(tiff.size())), 279, static_cast<unsigned>(strip.size())) +
           strip;
}

const std::string Junk(491 * 1024, 'Z');

std::string TwoBitJunkTiff() { return TiffOfSide("P2\n2 2\n3\n0 1 2 3\n", "", 44900, Junk); }

std::string TwoBitJunkPng()
{
    const auto chunk = [](const std::string& type, const std::string& data) {
        const std::string typed = type + data;
        const auto crc = static_cast<unsigned>(
            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
        return Big32(static_cast<unsigned>(data.size())) + typed + Big32(crc);
    };
    return "\x89PNG\r\n\x1A\n" + chunk("IHDR", Big32(45000) + Big32(45000) + "\x02" + std::string(4, '\0')) +
           chunk("IDAT", Junk) + chunk("IEND", "");
}

std::string FlatPsp(std::uint16_t compression)
{
    fixtures::PspLayout layout;
    layout.compression = compression;
    layout.width = layout.height = 13000;
    const std::size_t pixels = std::size_t{13000} * 13000;
    layout.layers = {
        {0,
         {{1, fixtures::Bytes(pixels, 0x10)}, {2, fixtures::Bytes(pixels, 0x20)}, {3, fixtures::Bytes(pixels, 0x30)}}}};
    return fixtures::PspFile(layout);
}

void BM_LoadOnce(benchmark::State& state, const std::string& name, const std::function<std::string()>& make)
{
    const std::string path = InFolder(name);
    WriteBytes(path, make());
    std::string extension = name.substr(name.rfind('.'));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    double peak = 0;
    std::string answer = "loaded";
    for (auto _ : state) {
        // What earlier work freed is given back first, so that the load cannot reuse it unseen.
        malloc_trim(0);
        ResetPeakResident();
        const double before = ResidentMegabytes("VmRSS:");
        try {
            const std::unique_ptr<TGraphic> reader = NewPictureReader(extension, ReaderTable::Drawing);
            TBitmap picture;
            DecodeToKeep(*reader, path, picture, false);
        } catch (const Exception& error) {
            answer = error.Message();
        }
        peak = std::max(peak, ResidentMegabytes("VmHWM:") - before);
    }
    state.counters["peak_MB"] = peak;
    state.counters["file_KB"] = static_cast<double>(ReadBytes(path).size()) / 1024;
    state.SetLabel(answer);
}

void Register(const std::string& name, const std::function<std::string()>& make)
{
    benchmark::RegisterBenchmark(("BM_LoadOnce/" + name).c_str(), BM_LoadOnce, name, make)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    Register("arithmetic_progressive_23000.jpg",
             [] { return FlatCjpeg("-arithmetic -progressive -grayscale", 23000); });
    Register("arithmetic_progressive_13000.jpg",
             [] { return FlatCjpeg("-arithmetic -progressive -grayscale", 13000); });
    Register("arithmetic_baseline_23000.jpg", [] { return FlatCjpeg("-arithmetic -grayscale", 23000); });
    Register("dc_scan_21000.jpg", [] { return DcScanJpeg(21000); });
    Register("two_bit_junk_44900.tif", TwoBitJunkTiff);
    Register("two_bit_junk_44900.eps", [] { return EpsAround(TwoBitJunkTiff()); });
    Register("white_rgb_13000.tif", [] {
        return TiffOfSide("P3\n1 1\n255\n255 254 253\n", "-truecolor", 13000,
                          Deflated(std::size_t{13000} * 13000 * 3, '\xFF'));
    });
    Register("two_bit_junk_45000.png", TwoBitJunkPng);
    Register("flat_deflate_13000.psp", [] { return FlatPsp(2); });
    Register("flat_run_length_13000.psp", [] { return FlatPsp(1); });
    return RunGuiBenchmarks(argc, argv);
}
