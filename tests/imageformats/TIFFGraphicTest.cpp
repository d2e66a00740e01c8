#include "imageformats/TIFFGraphic.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include "DecoderTesting.h"
#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "RunLengthFixtures.h"
#include "TestSupport.h"
#include "TiffEditing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string InvalidTiff = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
const std::string InvalidEps = "Cannot load image. Invalid or unexpected EPS image format.";
const std::string TiffColorFormat = "Invalid color format in TIF/TIFF file.";
const std::string NoCompression = "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";
const std::string NoTiles = "Cannot load image. Tiled images are not supported for TIF/TIFF files.";
const std::string NoPlanes = "Cannot load image. Separate color planes are not supported for TIF/TIFF files.";

class TIFFFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::make_unique<TemporaryFolder>();
        WriteWholeFile(File("rgb.ppm"), PpmOf(StripedImage(61, 29, 240)));
        for (const int colors : {2, 4, 16, 200})
            WriteWholeFile(File(std::to_string(colors) + ".ppm"), PpmOf(StripedImage(61, 29, colors)));
        RunTool("/usr/bin/ppmtopgm " + File("rgb.ppm") + " > " + File("grey.pgm"));
        RunTool("/usr/bin/pgmtopbm -threshold " + File("grey.pgm") + " > " + File("mono.pbm"));
        for (const char* depth : {"3", "15", "65535"})
            RunTool(std::string("/usr/bin/pamdepth ") + depth + " " + File("grey.pgm") + " > " +
                    File(depth + std::string(".pgm")));
        RunTool("/usr/bin/pamdepth 65535 " + File("rgb.ppm") + " > " + File("rgb16.ppm"));
        Make("rgb.tif", "/usr/bin/pnmtotiff -truecolor " + File("rgb.ppm"));
        Make("rgb16.tif", "/usr/bin/pnmtotiff -truecolor " + File("rgb16.ppm"));
        Make("grey.tif", "/usr/bin/pnmtotiff " + File("grey.pgm"));
        Make("mono.tif", "/usr/bin/pnmtotiff -miniswhite " + File("mono.pbm"));
        Make("grey4.tif", "/usr/bin/pnmtotiff " + File("15.pgm"));
        Make("grey16.tif", "/usr/bin/pnmtotiff " + File("65535.pgm"));
        Pillow("rgba.tif", "RGBA", "");
        Pillow("ycbcr.tif", "YCbCr", "");
        WriteWholeFile(File("thunder.tif"), ThunderscanFile());
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static std::string File(const std::string& name) { return folder_->File(name); }

    // The 4-bit grey picture as one Thunderscan strip appended to the file: each row starts with a
    // pixel code (11 and the pixel), then repeats (00 and a count) of the last pixel or pixel codes.
    // No repeat ends at the row's end, which libtiff would drop.
    static std::string ThunderscanFile()
    {
        const std::string plain = Tiffcp("grey4-one-strip.tif", "-r 29", "grey4.tif");
        const RgbImage picture = Decoded("grey4.tif");
        const auto level = [&](int x, int y) { return picture.At(x, y).r / 17; };
        std::string packed;
        for (int y = 0; y < picture.height; ++y) {
            packed += static_cast<char>(0xC0 | level(0, y));
            for (int x = 1; x < picture.width;) {
                int run = 0;
                while (x + run < picture.width - 1 && run < 63 && level(x + run, y) == level(x - 1, y))
                    ++run;
                packed += static_cast<char>(run > 0 ? run : 0xC0 | level(x, y));
                x += run > 0 ? run : 1;
            }
        }
        const std::string thunder = WithTag(plain, 259, 32809);
        const auto end = static_cast<unsigned>(thunder.size());
        return WithTag(WithTag(thunder, 273, end), 279, static_cast<unsigned>(packed.size())) + packed;
    }
    // Runs a command that writes a TIFF file to standard output, and returns the file's bytes.
    static std::string Make(const std::string& name, const std::string& command)
    {
        RunTool(command + " > " + File(name));
        return ReadWholeFile(File(name));
    }
    static std::string Tiffcp(const std::string& name, const std::string& options, const std::string& from)
    {
        RunTool("/usr/bin/tiffcp " + options + " " + File(from) + " " + File(name));
        return ReadWholeFile(File(name));
    }
    static std::string Pillow(const std::string& name, const std::string& mode, const std::string& options)
    {
        RunTool("/usr/bin/python3 -c \"from PIL import Image; Image.open('" + File("rgb.ppm") + "').convert('" + mode +
                "').save('" + File(name) + "'" + options + ")\"");
        return ReadWholeFile(File(name));
    }
    static std::string Convert(const std::string& name, const std::string& options)
    {
        RunTool("/usr/bin/convert " + File("rgb.ppm") + " " + options + " " + File(name));
        return ReadWholeFile(File(name));
    }
    // What the outside tools decode the file to: tifftopnm, through tiff2rgba for the layouts
    // tifftopnm does not take, or ImageMagick.
    enum class Oracle { Tifftopnm, Tiff2rgba, ImageMagick };
    static RgbImage Decoded(const std::string& name, Oracle oracle = Oracle::Tifftopnm)
    {
        switch (oracle) {
        case Oracle::Tifftopnm:
            // pamdepth turns bilevel pictures into greys and scales 16-bit samples to 8 bits.
            return DecodedBy("/usr/bin/tifftopnm " + File(name) + " | /usr/bin/pamdepth 255");
        case Oracle::Tiff2rgba:
            RunTool("/usr/bin/tiff2rgba " + File(name) + " " + File(name + ".rgba"));
            return DecodedBy("/usr/bin/tifftopnm " + File(name + ".rgba"));
        case Oracle::ImageMagick:
            return DecodedBy("/usr/bin/convert " + File(name) + " -depth 8 ppm:-");
        }
        return {};
    }

    static inline std::unique_ptr<TemporaryFolder> folder_;
};

std::string LoadError(const std::string& bytes)
{
    TTIFFGraphic tiff;
    return LoadError(tiff, bytes);
}

} // namespace

TEST_F(TIFFFiles, LayoutsDecodeAsLibtiffDecodesThem)
{
    const struct {
        std::string name;
        std::string bytes;
        Oracle oracle = Oracle::Tifftopnm;
        int tolerance = 0;
    } cases[] = {
        {"rgb.tif", ReadWholeFile(File("rgb.tif"))},
        {"rgb-be.tif", Tiffcp("rgb-be.tif", "-B", "rgb.tif")},
        {"rgb-le.tif", Tiffcp("rgb-le.tif", "-L", "rgb.tif")},
        {"packbits.tif", Tiffcp("packbits.tif", "-c packbits", "rgb.tif")},
        {"packbits-be.tif", Tiffcp("packbits-be.tif", "-B -c packbits", "rgb.tif")},
        {"zip.tif", Tiffcp("zip.tif", "-c zip", "rgb.tif")},
        {"zip32946.tif", WithTag(Tiffcp("zip32946.tif", "-c zip", "rgb.tif"), 259, 32946)},
        {"zip-predictor.tif", Tiffcp("zip-predictor.tif", "-c zip:2", "rgb.tif")},
        {"rgb16.tif", ReadWholeFile(File("rgb16.tif")), Oracle::Tifftopnm, 1},
        {"rgb16-be.tif", Tiffcp("rgb16-be.tif", "-B", "rgb16.tif"), Oracle::Tifftopnm, 1},
        {"rgb16-predictor.tif", Tiffcp("rgb16-predictor.tif", "-c zip:2", "rgb16.tif"), Oracle::Tifftopnm, 1},
        {"rgb16-predictor-be.tif", Tiffcp("rgb16-predictor-be.tif", "-B -c zip:2", "rgb16.tif"), Oracle::Tifftopnm, 1},
        {"rgba.tif", ReadWholeFile(File("rgba.tif"))},
        {"rgba-predictor.tif", Tiffcp("rgba-predictor.tif", "-c zip:2", "rgba.tif")},
        {"mono.tif", ReadWholeFile(File("mono.tif"))},
        {"mono-black.tif", Make("mono-black.tif", "/usr/bin/pnmtotiff -minisblack " + File("mono.pbm"))},
        {"mono-lsb2msb.tif", Tiffcp("mono-lsb2msb.tif", "-f lsb2msb", "mono.tif")},
        {"mono-packbits-lsb2msb.tif", Tiffcp("mono-packbits-lsb2msb.tif", "-f lsb2msb -c packbits", "mono.tif")},
        {"grey-zip-lsb2msb.tif", Tiffcp("grey-zip-lsb2msb.tif", "-f lsb2msb -c zip", "grey.tif")},
        {"grey2.tif", Make("grey2.tif", "/usr/bin/pnmtotiff " + File("3.pgm"))},
        {"grey4.tif", ReadWholeFile(File("grey4.tif"))},
        {"grey.tif", ReadWholeFile(File("grey.tif"))},
        {"grey-predictor.tif", Tiffcp("grey-predictor.tif", "-c zip:2", "grey.tif")},
        {"grey16.tif", ReadWholeFile(File("grey16.tif")), Oracle::Tifftopnm, 1},
        {"grey16-predictor-be.tif", Tiffcp("grey16-predictor-be.tif", "-B -c zip:2", "grey16.tif"), Oracle::Tifftopnm,
         1},
        {"grey-alpha.tif", Pillow("grey-alpha.tif", "LA", ""), Oracle::Tiff2rgba},
        {"grey-alpha-predictor.tif", Tiffcp("grey-alpha-predictor.tif", "-c zip:2", "grey-alpha.tif"),
         Oracle::Tiff2rgba},
        {"palette1.tif", Make("palette1.tif", "/usr/bin/pnmtotiff -indexbits=1 " + File("2.ppm"))},
        {"palette2.tif", Make("palette2.tif", "/usr/bin/pnmtotiff -indexbits=2 " + File("4.ppm"))},
        {"palette4.tif", Make("palette4.tif", "/usr/bin/pnmtotiff -indexbits=4 " + File("16.ppm"))},
        {"palette8.tif", Make("palette8.tif", "/usr/bin/pnmtotiff " + File("200.ppm"))},
        {"palette8-be.tif", Tiffcp("palette8-be.tif", "-B -c packbits", "palette8.tif")},
        {"cmyk.tif", Convert("cmyk.tif", "-colorspace CMYK"), Oracle::Tiff2rgba, 2},
        {"ycbcr.tif", ReadWholeFile(File("ycbcr.tif")), Oracle::Tiff2rgba, 2},
        {"jpeg.tif", Tiffcp("jpeg.tif", "-c jpeg -r 16", "rgb.tif"), Oracle::Tiff2rgba, 2},
        {"jpeg-rgb.tif", Tiffcp("jpeg-rgb.tif", "-c jpeg:r -r 16", "rgb.tif"), Oracle::Tiff2rgba, 2},
        {"jpeg-grey.tif", Tiffcp("jpeg-grey.tif", "-c jpeg -r 16", "grey.tif"), Oracle::Tiff2rgba, 2},
        {"rows1.tif", Tiffcp("rows1.tif", "-r 1 -c packbits", "rgb.tif")},
        {"rows7.tif", Tiffcp("rows7.tif", "-r 7 -c zip", "rgb.tif")},
        {"rows-all.tif", Tiffcp("rows-all.tif", "-r 29 -c zip", "rgb.tif")},
        {"rows0.tif", WithTag(Tiffcp("rows0.tif", "-r 29", "rgb.tif"), 278, 0)},
        {"rows-max.tif", WithTag(Tiffcp("rows-max.tif", "-r 29 -c zip", "rgb.tif"), 278, 0xFFFFFFFF)},
    };
    for (const auto& c : cases) {
        TTIFFGraphic tiff;
        LoadFromBytes(tiff, c.bytes);
        // The patched files are compared with the decoding of the files as the tools made them.
        ExpectSameImage(RgbOf(tiff), Decoded(c.name, c.oracle), c.name, 8, c.tolerance);
    }
}

// The colour manager turns L*a*b* into linear light where libtiff and ImageMagick give sRGB, so the
// file's samples are converted here by a manager of our own and the reader must give the same rows.
TEST_F(TIFFFiles, LabSamplesReachTheColourManagerAsStored)
{
    TTIFFGraphic tiff;
    LoadFromBytes(tiff, Convert("lab.tif", "-colorspace Lab"));
    const Bytes samples = TiffStrips(File("lab.tif")).at(0);
    ASSERT_EQ(samples.size(), std::size_t{61 * 29 * 3});
    TColorManager manager;
    manager.SourceOptions = {coLabScaledLightness};
    manager.SetSourceColorScheme(csCIELab);
    manager.SetTargetColorScheme(csBGR);
    TBitmap expected;
    expected.SetPixelFormat(pf24bit);
    expected.SetSize(61, 29);
    for (int y = 0; y < 29; ++y)
        manager.ConvertRow(&samples[static_cast<std::size_t>(y) * 61 * 3], expected.ScanLine(y), 61, 0xFF);
    EXPECT_EQ(tiff.PixelFormat(), pf24bit);
    ExpectSameImage(RgbOf(tiff), RgbOf(expected), "lab.tif");
}

TEST_F(TIFFFiles, FaxFilesLoadAsTheBilevelPicture)
{
    const RgbImage picture = DecodedBy("/usr/bin/pamdepth 255 " + File("mono.pbm"));
    RunTool("/usr/bin/python3 -c \"from PIL import Image; Image.open('" + File("mono.pbm") + "').save('" +
            File("pillow-mh.tif") + "', compression='tiff_ccitt')\"");
    const struct {
        std::string name;
        std::string bytes;
    } cases[] = {
        {"g3", Tiffcp("g3.tif", "-c g3:1d", "mono.tif")},
        {"g3 fill", Tiffcp("g3fill.tif", "-c g3:1d:fill", "mono.tif")},
        {"g3 lsb2msb", Tiffcp("g3lsb.tif", "-c g3:1d -f lsb2msb", "mono.tif")},
        {"g3 big-endian", Tiffcp("g3be.tif", "-B -c g3:1d -r 5", "mono.tif")},
        {"Pillow modified Huffman", ReadWholeFile(File("pillow-mh.tif"))},
    };
    for (const auto& c : cases) {
        TTIFFGraphic tiff;
        LoadFromBytes(tiff, c.bytes);
        EXPECT_EQ(tiff.PixelFormat(), pf1bit) << c.name;
        ExpectSameImage(RgbOf(tiff), picture, c.name);
    }

    // Word-aligned rows: Pillow's rows, one strip each, padded to even lengths in one strip.
    RunTool("/usr/bin/python3 -c \"from PIL import Image, TiffImagePlugin\nTiffImagePlugin.STRIP_SIZE = 8\n"
            "Image.open('" +
            File("mono.pbm") + "').save('" + File("rows-mh.tif") + "', compression='tiff_ccitt')\"");
    std::string packed;
    for (const Bytes& row : TiffStrips(File("rows-mh.tif"))) {
        packed.append(row.begin(), row.end());
        packed.append(packed.size() % 2, '\0');
    }
    std::string aligned = ReadWholeFile(File("rows-mh.tif"));
    ASSERT_EQ(FieldAt(aligned, EntryAt(aligned, 273) + 4, 4), 29u);
    aligned = WithTagCount(WithTagCount(WithTag(aligned, 259, 32771), 273, 1), 279, 1);
    aligned = WithTag(WithTag(WithTag(aligned, 278, 29), 273, static_cast<unsigned>(aligned.size())), 279,
                      static_cast<unsigned>(packed.size()));
    TTIFFGraphic tiff;
    LoadFromBytes(tiff, aligned + packed);
    ExpectSameImage(RgbOf(tiff), picture, "word-aligned modified Huffman");
}

TEST_F(TIFFFiles, ThunderscanStripsDecodeAsLibtiffDecodesThem)
{
    TTIFFGraphic tiff;
    LoadFromBytes(tiff, ReadWholeFile(File("thunder.tif")));
    ExpectSameImage(RgbOf(tiff), Decoded("thunder.tif"), "thunderscan");
    ExpectSameImage(RgbOf(tiff), Decoded("grey4.tif"), "thunderscan against the plain file");
}

TEST_F(TIFFFiles, RefusesWhatItCannotReadWithItsOwnMessage)
{
    const std::string mono = ReadWholeFile(File("mono.tif"));
    const std::string grey4 = ReadWholeFile(File("grey4.tif"));
    const std::string ycbcr = ReadWholeFile(File("ycbcr.tif"));
    const std::string palette = Make("palette8.tif", "/usr/bin/pnmtotiff " + File("200.ppm"));
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"LZW", Tiffcp("lzw.tif", "-c lzw", "rgb.tif"), NoCompression},
        {"Group 4", Tiffcp("g4.tif", "-c g4", "mono.tif"), NoCompression},
        {"2-D Group 3", Tiffcp("g3-2d.tif", "-c g3:2d", "mono.tif"), NoCompression},
        {"no compression tag", WithoutTag(mono, 259), NoCompression},
        {"tiled", Tiffcp("tiled.tif", "-t", "rgb.tif"), NoTiles},
        {"separate planes", Tiffcp("planes.tif", "-p separate", "rgb.tif"), NoPlanes},
        {"predictor on 4-bit grey", WithTag(Tiffcp("grey-zip2.tif", "-c zip:2", "grey.tif"), 258, 4), TiffColorFormat},
        {"subsampled YCbCr without JPEG", WithTag(ycbcr, 530, 2), TiffColorFormat},
        {"3 bits per sample", WithTag(grey4, 258, 3), TiffColorFormat},
        {"fax rows of 8-bit grey", WithTag(WithTag(ReadWholeFile(File("grey.tif")), 259, 3), 262, 0), TiffColorFormat},
        {"Thunderscan rows of 1 bit", WithTag(mono, 259, 32809), TiffColorFormat},
        {"a 999-entry colour map", WithTagCount(palette, 320, 999), InvalidTiff},
        {"a colour map not of three planes", WithTagCount(palette, 320, 767), InvalidTiff},
        {"more strips than byte counts", WithTagCount(Tiffcp("zip-rows.tif", "-c zip -r 3", "rgb.tif"), 279, 1),
         InvalidTiff},
        {"rational strip offsets", WithTagType(mono, 273, 5), InvalidTiff},
        {"no width", WithoutTag(mono, 256), InvalidTiff},
        {"version 43", std::string(mono).replace(2, 1, 1, '+'), InvalidTiff},
        {"directory past the end", WithFirstDirectoryAt(mono, static_cast<unsigned>(mono.size())), InvalidTiff},
        {"directory running past the end", mono.substr(0, FieldAt(mono, 4, 4) + 20), InvalidTiff},
        // Pictures of some 400 MB that the file could never fill, stored or packed.
        {"a bilevel picture of 60000 x 60000", WithTag(WithTag(mono, 256, 60000), 257, 60000), InvalidTiff},
        {"a Deflate picture of 12000 x 12000",
         WithTag(WithTag(WithTag(Tiffcp("zip-all.tif", "-c zip -r 29", "rgb.tif"), 256, 12000), 257, 12000), 278,
                 12000),
         InvalidTiff},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(c.bytes), c.message) << c.name;
}

TEST_F(TIFFFiles, AFailedLoadLeavesThePictureAsItWas)
{
    TTIFFGraphic tiff;
    LoadFromBytes(tiff, ReadWholeFile(File("rgb.tif")));
    const RgbImage before = RgbOf(tiff);
    EXPECT_EQ(LoadError(tiff, Tiffcp("tiled.tif", "-t", "rgb.tif")), NoTiles);
    EXPECT_EQ(LoadError(tiff, Tiffcp("lzw.tif", "-c lzw", "rgb.tif")), NoCompression);
    EXPECT_EQ(RgbOf(tiff), before);

    // A load that fails once its progress has begun still ends it; the reader writes no file.
    std::vector<std::string> events;
    RecordProgress(tiff, events);
    const std::string palette = Make("palette8.tif", "/usr/bin/pnmtotiff " + File("200.ppm"));
    EXPECT_EQ(LoadError(tiff, WithTagCount(palette, 320, 767)), InvalidTiff);
    EXPECT_EQ(events, (std::vector<std::string>{"0 0 0 0,0,61,1 Preparing...", "2 0 0 0,0,61,1 "}));
    TMemoryStream saved;
    tiff.SaveToStream(saved);
    EXPECT_EQ(saved.Size(), 0);
}

// Strips that all point at the same bytes, each counted as the rest of the file, are read no more
// than twice the file's length in all, where each strip used to read the whole file again.
TEST_F(TIFFFiles, StripsSharingTheirBytesReadBoundedWork)
{
    std::string tiff = Tiffcp("shared.tif", "-r 1 -c zip", "rgb.tif");
    const std::size_t offsets = FieldAt(tiff, EntryAt(tiff, 273) + 8, 4);
    const std::size_t counts = FieldAt(tiff, EntryAt(tiff, 279) + 8, 4);
    const int countSize = FieldAt(tiff, EntryAt(tiff, 279) + 2, 2) == 3 ? 2 : 4;
    for (std::size_t strip = 0; strip < 29; ++strip) {
        PutFieldAt(tiff, offsets + 4 * strip, 4, FieldAt(tiff, offsets, 4));
        PutFieldAt(tiff, counts + countSize * strip, countSize, countSize == 2 ? 0xFFFF : 0xFFFFFF);
    }
    TTIFFGraphic reader;
    std::string error;
    EXPECT_LE(BytesReadLoading(reader, tiff, error), 3 * static_cast<std::int64_t>(tiff.size()));
    EXPECT_EQ(error, "(loaded)");
}

// Small files of large pictures in one strip: a picture past the most pixels is refused at once,
// also 2-bit junk that would fill it; a sound one, Deflate or JPEG, holds no second picture.
TEST_F(TIFFFiles, SmallFilesOfLargePicturesHoldOnlyTheirPicture)
{
    const auto withStrip = [&](const std::string& from, unsigned side, const std::string& strip) {
        const std::string tiff =
            WithTag(WithTag(WithTag(Tiffcp("zip.tif", "-c zip", from), 256, side), 257, side), 278, side);
        return WithTag(WithTag(tiff, 273, static_cast<unsigned>(tiff.size())), 279,
                       static_cast<unsigned>(strip.size())) +
               strip;
    };
    Make("grey2.tif", "/usr/bin/pnmtotiff " + File("3.pgm"));
    const std::int64_t white = std::int64_t{4000} * 4000 * 3;
    WriteWholeFile(File("flat.ppm"), "P6\n4000 4000\n255\n" + std::string(static_cast<std::size_t>(white), '\x60'));
    Make("flat.tif", "/usr/bin/pnmtotiff -truecolor " + File("flat.ppm"));
    const struct {
        std::string bytes, message;
        std::int64_t peak;
    } cases[] = {{withStrip("grey2.tif", 13400, std::string(65536, 'Z')), InvalidTiff, RefusalBytes},
                 {withStrip("rgb.tif", 4000, fixtures::PspPacked(Bytes(white, 0xFF), 2)), "(loaded)",
                  white * 5 / 4 + RefusalBytes},
                 {Tiffcp("jpeg.tif", "-c jpeg -r 4000", "flat.tif"), "(loaded)", white * 5 / 4 + RefusalBytes}};
    for (const auto& c : cases) {
        TTIFFGraphic tiff;
        const MeasuredWork load = MeasuredLoad(tiff, c.bytes);
        EXPECT_EQ(load.answer, c.message);
        EXPECT_LT(load.peakBytes, c.peak);
    }
}

TEST_F(TIFFFiles, EncapsulatedPostScriptLoadsItsPreview)
{
    const std::string rgb = ReadWholeFile(File("rgb.tif"));
    const std::string eps = EpsAround(rgb);
    TEPSGraphic graphic;
    TMemoryStream stream;
    stream.Write(eps.data(), static_cast<std::int64_t>(eps.size()));
    stream.SetPosition(0);
    EXPECT_TRUE(graphic.CanLoad(stream));
    EXPECT_EQ(stream.Position(), 0);
    graphic.LoadFromStream(stream);
    ExpectSameImage(RgbOf(graphic), Decoded("rgb.tif"), "eps preview");

    std::string noLength = eps;
    PutU32(reinterpret_cast<std::uint8_t*>(noLength.data()) + 24, 0);
    TMemoryStream noLengthStream;
    noLengthStream.Write(noLength.data(), static_cast<std::int64_t>(noLength.size()));
    noLengthStream.SetPosition(0);
    EXPECT_FALSE(graphic.CanLoad(noLengthStream));

    const struct {
        std::string name;
        std::string bytes;
    } refused[] = {
        {"bad magic", EpsAround(rgb, 0, 0xC6D3D0C4)},
        {"TIFF inside the header", EpsAround(rgb, 10)},
        {"TIFF past the end", EpsAround(rgb, static_cast<std::uint32_t>(eps.size()))},
        {"no TIFF length", noLength},
        {"header only", eps.substr(0, 30)},
    };
    for (const auto& c : refused) {
        TEPSGraphic reader;
        EXPECT_EQ(LoadError(reader, c.bytes), InvalidEps) << c.name;
    }
    // A preview that is no TIFF says so in the TIFF's words.
    TEPSGraphic reader;
    EXPECT_EQ(LoadError(reader, EpsAround(std::string(200, 'x'))), InvalidTiff);
}

TEST_F(TIFFFiles, PropertiesComeFromTheDirectoryInEitherByteOrder)
{
    std::string ycbcr = Tiffcp("ycbcr-be.tif", "-B", "ycbcr.tif");
    const std::size_t at = EntryAt(ycbcr, 530);
    PutFieldAt(ycbcr, at + 8, 2, 2);
    PutFieldAt(ycbcr, at + 10, 2, 1);
    TTIFFGraphic tiff;
    TMemoryStream stream;
    stream.Write(ycbcr.data(), static_cast<std::int64_t>(ycbcr.size()));
    stream.SetPosition(0);
    ASSERT_TRUE(tiff.ReadImageProperties(stream, 0));
    EXPECT_EQ(tiff.ImageProperties().YCbCrSubSampling, (TByteArray{2, 1}));
    EXPECT_TRUE(tiff.ImageProperties().Options.Contains(ioBigEndian));
    EXPECT_FALSE(tiff.ReadImageProperties(stream, 1));

    // 100 pixels per centimetre are 254 per inch.
    TTIFFGraphic perCentimetre;
    LoadFromBytes(perCentimetre, Convert("res.tif", "-units PixelsPerCentimeter -density 100"));
    EXPECT_NEAR(perCentimetre.ImageProperties().XResolution, 254.0f, 0.01f);
    EXPECT_NEAR(perCentimetre.ImageProperties().YResolution, 254.0f, 0.01f);
}

TEST(TIFFSuites, DebianTestPicturesLoadOrFailCleanly)
{
    const std::string sdl = "/usr/libexec/installed-tests/SDL2_image/";
    TTIFFGraphic sample;
    sample.LoadFromFile(sdl + "sample.tif");
    TBitmap bitmap;
    bitmap.LoadFromFile(sdl + "sample.bmp");
    ASSERT_GT(sample.Width(), 0);
    ExpectSameImage(RgbOf(sample), RgbOf(bitmap), "SDL2_image sample");

    // Resolutions per centimetre as fractions of large 32-bit numbers: 300 and 600 per inch.
    const std::string pixbuf = "/usr/libexec/installed-tests/gdk-pixbuf/";
    TTIFFGraphic dpi;
    dpi.LoadFromFile(pixbuf + "dpi.tiff");
    EXPECT_NEAR(dpi.ImageProperties().XResolution, 300.0f, 0.01f);
    EXPECT_NEAR(dpi.ImageProperties().YResolution, 600.0f, 0.01f);

    int files = 0;
    for (const char* folder : {"test-images/fail", "test-images/randomly-modified"})
        for (const auto& entry : std::filesystem::directory_iterator(pixbuf + folder)) {
            const std::string path = entry.path().string();
            if (path.find(".tif") == std::string::npos || path.find(".qtif") != std::string::npos)
                continue;
            TTIFFGraphic tiff;
            const std::string message = LoadError(tiff, ReadWholeFile(path));
            EXPECT_FALSE(message.empty()) << path;
            ++files;
        }
    EXPECT_GE(files, 3);
}

// Every damaged copy loads or raises one of the readers' errors; the sanitizer build sees overruns.
TEST_F(TIFFFiles, DamagedFilesLoadOrFailCleanly)
{
    const std::vector<std::string> fixtures = {
        Tiffcp("zip-predictor.tif", "-c zip:2 -r 7", "rgb.tif"),
        Tiffcp("packbits-be.tif", "-B -c packbits -r 5", "rgb.tif"),
        Tiffcp("g3.tif", "-c g3:1d -r 9", "mono.tif"),
        Tiffcp("jpeg.tif", "-c jpeg -r 16", "rgb.tif"),
        Make("palette2.tif", "/usr/bin/pnmtotiff -indexbits=2 " + File("4.ppm")),
        Tiffcp("grey16-predictor-be.tif", "-B -c zip:2", "grey16.tif"),
        ReadWholeFile(File("thunder.tif")),
        EpsAround(ReadWholeFile(File("grey.tif"))),
    };
    int loaded = 0;
    for (const std::string& fixture : fixtures) {
        const auto tryLoad = [&](const std::string& bytes) {
            TEPSGraphic eps;
            TTIFFGraphic tiff;
            loaded +=
                LoadError(bytes[0] == 'I' || bytes[0] == 'M' ? static_cast<TGraphic&>(tiff) : eps, bytes) == "(loaded)";
        };
        for (const std::size_t length : CutLengths(fixture.size()))
            tryLoad(fixture.substr(0, length));
        ForEachBitFlip(fixture, 300, 200, tryLoad);
    }
    EXPECT_GT(loaded, 0);
}
