#include "imageformats/TIFFJPEGDecoder.h"
#include "imageformats/ImageGraphic.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/JPEGImage.h"

#include "DecoderTesting.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jerror.h>
#include <jpeglib.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 46;
constexpr int Height = 37;
constexpr int RowsPerStrip = 16;

const std::string UnexpectedEnd = "JPEG decompression error. Unexpected end of input.";

std::string JPEGError(int code) { return "JPEG error #" + IntToStr(code); }

// Smooth gradients with hard edges, as a product picture has them.
std::string SourcePpm()
{
    std::string ppm = "P6\n" + IntToStr(Width) + " " + IntToStr(Height) + "\n255\n";
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const bool label = x > 12 && x < 30 && y > 9 && y < 25;
            ppm += static_cast<char>(label ? 230 : x * 5);
            ppm += static_cast<char>(label ? 40 : y * 6);
            ppm += static_cast<char>(label ? 60 : 255 - x * 2 - y * 2);
        }
    return ppm;
}

// A JPEG-compressed TIFF file: its tables, its strips, the properties a TIFF reader gives for it, and
// the pixels libtiff decodes from it (red, green, blue).
struct TJPEGTiff {
    TImageProperties Properties;
    std::vector<Bytes> Strips;
    Bytes Expected;
    int Samples = 0;
};

TJPEGTiff MakeFile(const TemporaryFolder& folder, const std::string& name, const std::string& tiffcp,
                   TColorScheme scheme, int samples)
{
    const std::string plain = folder.File(samples == 3 ? "rgb.tif" : "grey.tif");
    const std::string file = folder.File(name + ".tif");
    RunTool("/usr/bin/tiffcp " + tiffcp + " -r " + IntToStr(RowsPerStrip) + " " + plain + " " + file);
    TJPEGTiff tiff;
    tiff.Samples = samples;
    tiff.Strips = TiffStrips(file);
    TImageProperties& p = tiff.Properties;
    p.Width = Width;
    p.Height = Height;
    p.ColorScheme = scheme;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = static_cast<std::uint8_t>(samples);
    p.PlanarConfig = 1;
    p.RowsPerStrip = {RowsPerStrip};
    p.BytesPerLine = Width * static_cast<std::uint32_t>(samples);
    p.StripCount = static_cast<std::uint32_t>(tiff.Strips.size());
    if (scheme == csYCbCr)
        p.YCbCrSubSampling = {2, 2};
    p.JPEGTables = BytesOf(RunTool("/usr/bin/python3 -c \"import sys; from PIL import Image; "
                                   "sys.stdout.buffer.write(Image.open('" +
                                   file + "').tag_v2[347])\""));
    const std::string rgba = folder.File(name + "-rgba.tif");
    RunTool("/usr/bin/tiff2rgba " + file + " " + rgba);
    const std::string ppm = RunTool("/usr/bin/tifftopnm " + rgba);
    const std::string header = "P6\n" + IntToStr(Width) + " " + IntToStr(Height) + "\n255\n";
    EXPECT_EQ(ppm.substr(0, header.size()), header) << name;
    tiff.Expected = BytesOf(ppm.substr(std::min(header.size(), ppm.size())));
    return tiff;
}

class JPEGTiffs : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::make_unique<TemporaryFolder>();
        const std::string ppm = folder_->File("source.ppm");
        WriteWholeFile(ppm, SourcePpm());
        RunTool("/usr/bin/pnmtotiff -truecolor " + ppm + " > " + folder_->File("rgb.tif"));
        RunTool("/usr/bin/ppmtopgm " + ppm + " | /usr/bin/pnmtotiff > " + folder_->File("grey.tif"));
        rgb_ = MakeFile(*folder_, "jpegrgb", "-c jpeg:r", csRGB, 3);
        ycbcr_ = MakeFile(*folder_, "jpegycbcr", "-c jpeg", csYCbCr, 3);
        grey_ = MakeFile(*folder_, "jpeggrey", "-c jpeg", csGray, 1);
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static inline std::unique_ptr<TemporaryFolder> folder_;
    static inline TJPEGTiff rgb_, ycbcr_, grey_;
};

// Decodes strip `index` of a file into a buffer of RowsPerStrip rows, as the TIFF reader does.
struct TStripDecode {
    explicit TStripDecode(const TImageProperties& properties)
        : Properties(properties),
          Decoder(Properties, [this](const std::string& message) { Warnings.push_back(message); })
    {
    }

    TDecodeResult Strip(const Bytes& packed, std::uint32_t index, std::int32_t size = -1)
    {
        Properties.CurrentStrip = index;
        Properties.CurrentRow = index * RowsPerStrip;
        if (size < 0)
            size = static_cast<std::int32_t>(RowsPerStrip * Properties.BytesPerLine);
        return DecodeGuarded(Decoder, packed, size);
    }

    TImageProperties Properties;
    std::vector<std::string> Warnings;
    TTIFFJPEGDecoder Decoder;
};

// Our blue-green-red or grey rows against libtiff's red-green-blue ones, row by row from `firstRow`.
void ExpectNear(const Bytes& ours, const TJPEGTiff& tiff, int firstRow, int rows, const std::string& label)
{
    int worst = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < 3; ++c) {
                const std::size_t at = static_cast<std::size_t>((y * Width + x) * tiff.Samples) +
                                       static_cast<std::size_t>(tiff.Samples == 3 ? 2 - c : 0);
                const int expected = tiff.Expected[static_cast<std::size_t>(((firstRow + y) * Width + x) * 3 + c)];
                worst = std::max(worst, std::abs(ours[at] - expected));
            }
    EXPECT_LE(worst, 2) << label << " from row " << firstRow;
}

// The message of the failure an action raises; "nothing raised" when it raises none.
std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EGraphicCompression& error) {
        return error.Message();
    } catch (const EJPEG& error) {
        return error.Message();
    }
    return "nothing raised";
}

Bytes Replaced(Bytes bytes, std::size_t at, std::uint8_t value)
{
    bytes.at(at) = value;
    return bytes;
}

// Where the frame header's height lies in a strip; the first component's sampling factors are 6
// bytes further.
std::size_t FrameHeightAt(const Bytes& strip)
{
    for (std::size_t i = 0; i + 1 < strip.size(); ++i)
        if (strip[i] == 0xFF && strip[i + 1] == 0xC0)
            return i + 5;
    ADD_FAILURE() << "no frame header";
    return 0;
}

} // namespace

TEST_F(JPEGTiffs, StripsDecodeAsLibtiffDecodesThem)
{
    for (const auto& [tiff, label] : {std::pair{&rgb_, "RGB"}, {&ycbcr_, "YCbCr 2x2"}, {&grey_, "grey"}}) {
        ASSERT_EQ(tiff->Strips.size(), 3u) << label;
        TStripDecode decode(tiff->Properties);
        decode.Decoder.DecodeInit();
        for (std::uint32_t strip = 0; strip < 3; ++strip) {
            const TDecodeResult result = decode.Strip(tiff->Strips[strip], strip);
            const int rows = std::min(RowsPerStrip, Height - static_cast<int>(strip) * RowsPerStrip);
            ExpectNear(result.Output, *tiff, static_cast<int>(strip) * RowsPerStrip, rows, label);
            // The last strip's buffer has rows the image does not.
            const auto filled = static_cast<std::ptrdiff_t>(rows) * tiff->Properties.BytesPerLine;
            EXPECT_TRUE(std::all_of(result.Output.begin() + filled, result.Output.end(), [](int v) { return v == 0; }));
            EXPECT_EQ(result.SourceMoved, 0);
        }
        decode.Decoder.DecodeEnd();
        EXPECT_EQ(decode.Warnings, std::vector<std::string>{}) << label;
    }
}

TEST_F(JPEGTiffs, EveryCheckRaisesItsOwnMessage)
{
    const Bytes& strip = rgb_.Strips[0];
    const std::size_t heightAt = FrameHeightAt(strip);
    const Bytes greySampled2x2 = Replaced(grey_.Strips[0], FrameHeightAt(grey_.Strips[0]) + 6, 0x22);
    struct TCase {
        const char* name;
        const TJPEGTiff* tiff;
        std::function<void(TImageProperties&)> alter;
        Bytes packed;
        std::int32_t size;
        std::string message;
    };
    const auto same = [](TImageProperties&) {};
    const std::int32_t rows = RowsPerStrip * Width * 3;
    const TCase cases[] = {
        {"width", &rgb_, [](TImageProperties& p) { p.Width = Width + 1; }, strip, rows,
         "Improper JPEG strip/tile size."},
        {"strip height", &rgb_, same, Replaced(strip, heightAt + 1, RowsPerStrip - 1), rows,
         "Improper JPEG strip/tile size."},
        {"rows per strip", &rgb_, [](TImageProperties& p) { p.RowsPerStrip = {RowsPerStrip + 1}; }, strip, rows,
         "Improper JPEG strip/tile size."},
        {"row too short", &rgb_, [](TImageProperties& p) { p.BytesPerLine = Width * 3 - 1; }, strip, rows,
         "Improper JPEG strip/tile size."},
        {"samples", &rgb_, [](TImageProperties& p) { p.SamplesPerPixel = 1; }, strip, rows,
         "Improper JPEG component count."},
        {"separate planes", &rgb_, [](TImageProperties& p) { p.PlanarConfig = 2; }, strip, rows,
         "Improper JPEG component count."},
        {"four samples", &rgb_, [](TImageProperties& p) { p.SamplesPerPixel = 4; }, strip, rows,
         "Improper JPEG component count."},
        {"precision", &rgb_, [](TImageProperties& p) { p.BitsPerSample = 12; }, strip, rows,
         "Improper JPEG data precision."},
        {"subsampling", &ycbcr_,
         [](TImageProperties& p) {
             p.YCbCrSubSampling = {1, 1};
         },
         ycbcr_.Strips[0], rows, "Improper JPEG sampling factors."},
        {"separate planes sampled", &grey_, [](TImageProperties& p) { p.PlanarConfig = 2; }, greySampled2x2,
         RowsPerStrip * Width, "Improper JPEG sampling factors."},
        {"fractional rows", &rgb_, same, strip, rows - Width * 3 / 2, "Fractional JPEG scanline unsupported."},
        {"bogus tables", &rgb_, [&](TImageProperties& p) { p.JPEGTables = strip; }, strip, rows,
         "Bogus JPEG tables field."},
        {"not a JPEG stream", &rgb_, same, Replaced(strip, 1, 0x00), rows, JPEGError(JERR_NO_SOI)},
        {"no colour space", &rgb_, [](TImageProperties& p) { p.ColorScheme = csUnknown; }, strip, rows,
         JPEGError(JERR_CONVERSION_NOTIMPL)},
    };
    for (const TCase& c : cases) {
        TImageProperties properties = c.tiff->Properties;
        c.alter(properties);
        TStripDecode decode(properties);
        EXPECT_EQ(Failure([&] {
                      decode.Decoder.DecodeInit();
                      decode.Strip(c.packed, 0, c.size);
                  }),
                  c.message)
            << c.name;
    }
}

TEST_F(JPEGTiffs, AStripCutShortWarnsAndDecodesTheRowsItHolds)
{
    const Bytes& whole = rgb_.Strips[0];
    TStripDecode decode(rgb_.Properties);
    decode.Decoder.DecodeInit();
    // The first eight rows are the first row of blocks, held in the strip's first half.
    const TDecodeResult result = decode.Strip(Bytes(whole.begin(), whole.begin() + whole.size() * 3 / 4), 0);
    ExpectNear(result.Output, rgb_, 0, 8, "cut strip");
    EXPECT_EQ(decode.Warnings,
              (std::vector<std::string>{UnexpectedEnd, "Corrupt JPEG data: premature end of data segment"}));

    // The next strip is whole again, and warns of nothing.
    decode.Warnings.clear();
    ExpectNear(decode.Strip(rgb_.Strips[1], 1).Output, rgb_, RowsPerStrip, RowsPerStrip, "next strip");
    EXPECT_EQ(decode.Warnings, std::vector<std::string>{});
    // A buffer of fewer rows than the strip gets only those.
    ExpectNear(decode.Strip(rgb_.Strips[1], 1, 5 * Width * 3).Output, rgb_, RowsPerStrip, 5, "short buffer");
}

TEST_F(JPEGTiffs, DamagedStripsAndTablesDecodeOrRaise)
{
    auto decodeOrRaise = [](const TImageProperties& properties, const Bytes& strip) {
        TStripDecode decode(properties);
        Failure([&] {
            decode.Decoder.DecodeInit();
            decode.Strip(strip, 0);
        });
    };
    for (const TJPEGTiff* tiff : {&rgb_, &ycbcr_, &grey_}) {
        ForEachDamaged(tiff->Strips[0], [&](const Bytes& damaged) { decodeOrRaise(tiff->Properties, damaged); });
        ForEachDamaged(tiff->Properties.JPEGTables, [&](const Bytes& damaged) {
            TImageProperties properties = tiff->Properties;
            properties.JPEGTables = damaged;
            decodeOrRaise(properties, tiff->Strips[0]);
        });
    }
}
