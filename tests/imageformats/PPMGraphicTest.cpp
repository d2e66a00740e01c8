#include "imageformats/PPMGraphic.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string InvalidPnm = "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.";
const std::string PpmReadError = "Stream read error in PPM file.";
constexpr int Width = 61;
constexpr int Height = 23;
const std::string NetpbmHeader = "P6\n61 23\n255\n";

std::string LoadError(const std::string& bytes)
{
    TPPMGraphic ppm;
    return LoadError(ppm, bytes);
}

RgbImage Loaded(const std::string& bytes)
{
    TPPMGraphic ppm;
    LoadFromBytes(ppm, bytes);
    return RgbOf(ppm);
}

Rgb Grey(int level) { return {std::uint8_t(level), std::uint8_t(level), std::uint8_t(level)}; }

// Flat runs on the left, every pixel different on the right, and every level from 0 to 255.
RgbImage TestPicture()
{
    RgbImage image{Width, Height, {}};
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.pixels.push_back(x < 20
                                       ? Rgb{std::uint8_t(x / 5 * 80), std::uint8_t(y * 11), 255}
                                       : Rgb{std::uint8_t(x * 7 + y * 45), std::uint8_t(x * y), std::uint8_t(y * 61)});
    return image;
}

class PortableMaps : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteWholeFile(File("source.ppm"), PpmOf(TestPicture()));
        Netpbm("source.pgm", "/usr/bin/ppmtopgm " + File("source.ppm"));
        Netpbm("source.pbm", "/usr/bin/pgmtopbm -threshold " + File("source.pgm"));
        // Rows longer than the reader's buffer, raw and of two-byte samples.
        WriteWholeFile(File("wide.ppm"), PpmOf(StripedImage(1500, 5, 200)));
        // Rows read more than a megabyte at a time.
        WriteWholeFile(File("tall.ppm"), PpmOf(StripedImage(1024, 400, 200)));
        Netpbm("wide65535.pgm", "/usr/bin/ppmtopgm " + File("wide.ppm") + " | /usr/bin/pamdepth 65535");
        for (const std::string kind : {"ppm", "pgm"})
            for (const std::string maximum : {"15", "1023", "65535"})
                Netpbm("max" + maximum + "." + kind, "/usr/bin/pamdepth " + maximum + " " + File("source." + kind));
    }

    std::string File(const std::string& name) const { return folder_.File(name); }

    std::string Netpbm(const std::string& name, const std::string& command)
    {
        RunTool(command + " > " + File(name));
        return ReadWholeFile(File(name));
    }

    std::string Plain(const std::string& name)
    {
        return Netpbm("plain-" + name, "/usr/bin/pnmtoplainpnm " + File(name));
    }

    // netpbm's reading of any portable map as a PPM; the helper reduces samples of another maximum
    // as v x 255 / maximum, truncated.
    static RgbImage NetpbmDecoded(const std::string& file) { return DecodedBy("/usr/bin/ppmtoppm < " + file); }

    TemporaryFolder folder_;
};

} // namespace

TEST_F(PortableMaps, AllSixKindsAndEveryMaximumDecodeAsNetpbmDecodesThem)
{
    const struct {
        std::string name;
        char kind;
        TPixelFormat format;
    } cases[] = {
        {"source.ppm", '6', pf24bit}, {"source.pgm", '5', pf8bit},    {"source.pbm", '4', pf1bit},
        {"max15.ppm", '6', pf24bit},  {"max1023.ppm", '6', pf24bit},  {"max65535.ppm", '6', pf24bit},
        {"max15.pgm", '5', pf8bit},   {"max1023.pgm", '5', pf8bit},   {"max65535.pgm", '5', pf8bit},
        {"wide.ppm", '6', pf24bit},   {"wide65535.pgm", '5', pf8bit}, {"tall.ppm", '6', pf24bit},
    };
    for (const auto& c : cases) {
        const std::string raw = ReadWholeFile(File(c.name));
        const std::string plain = Plain(c.name);
        ASSERT_EQ(raw[1], c.kind) << c.name;
        ASSERT_EQ(plain[1], c.kind - 3) << c.name;
        const RgbImage expected = NetpbmDecoded(File(c.name));
        for (const std::string& file : {raw, plain}) {
            TPPMGraphic ppm;
            LoadFromBytes(ppm, file);
            EXPECT_EQ(ppm.PixelFormat(), c.format) << c.name;
            ExpectSameImage(RgbOf(ppm), expected, std::string(file == raw ? "raw " : "plain ") + c.name);
        }
    }
    // The maxima scale as v x 255 / maximum: 15 is 255 and 7 is 119 at maximum 15, not near black.
    EXPECT_EQ(Loaded("P2\n3 1\n15\n15 7 0\n").pixels, (std::vector<Rgb>{Grey(255), Grey(119), Grey(0)}));
    // 1000 of 1023 is 249.26, and 65534 of 65535 254.996: both truncate.
    EXPECT_EQ(Loaded("P5 2 1 1023\n\x03\xE8\x03\xFF").pixels, (std::vector<Rgb>{Grey(249), Grey(255)}));
    EXPECT_EQ(Loaded("P5 1 1 65535\n\xFF\xFE").pixels, (std::vector<Rgb>{Grey(254)}));
    // Plain samples above the maximum count as the maximum, however long.
    EXPECT_EQ(Loaded("P3 2 1 15\n20 15 0 99999999999999999999 3 15").pixels,
              (std::vector<Rgb>{{255, 255, 0}, {255, 51, 255}}));
}

TEST_F(PortableMaps, HeadersMayCarryCommentsAndStandOnTheFirstLine)
{
    const std::string source = ReadWholeFile(File("source.ppm"));
    ASSERT_EQ(source.substr(0, NetpbmHeader.size()), NetpbmHeader);
    const std::string raster = source.substr(NetpbmHeader.size());
    const RgbImage picture = TestPicture();
    for (const std::string header : {
             "P6\n# one\n#two 42\n61 # the width\n 23\n# before the maximum\n255\n",
             "P6# right after the magic\n61 23\n255\n",
             "P6 61 23 255\n",
             "P6\t61 23 # the size\n255\n",
             "P6 61\n23 255\n",
             "P6 61 23 255# comment ending the header\n",
             "P6 is not followed by numbers alone, 7\n61 23\n255\n",
         })
        ExpectSameImage(Loaded(header + raster), picture, header);

    // A plain map may hold its samples on the first line too, and needs nothing after the last.
    EXPECT_EQ(Loaded("P3 2 1 255 1 2 3 4 5 6").pixels, (std::vector<Rgb>{{1, 2, 3}, {4, 5, 6}}));
    // Each digit of a plain bitmap is a pixel, with or without anything between them.
    const std::vector<Rgb> bits = {Grey(255), Grey(0),   Grey(255), Grey(0),   Grey(0),
                                   Grey(0),   Grey(255), Grey(0),   Grey(255), Grey(255)};
    EXPECT_EQ(Loaded("P1\n5 2\n01011\n10100\n").pixels, bits);
    EXPECT_EQ(Loaded("P1 5 2 0101110100").pixels, bits);
    EXPECT_EQ(Loaded("P1\n5 2\n0 1 0 1 1 # row\n1 0\t1 0 0\n").pixels, bits);
}

TEST_F(PortableMaps, RefusesOtherKindsBadMaximaAndDataCutShortWithTheirTexts)
{
    const std::string source = ReadWholeFile(File("source.ppm"));
    const std::string pam = Netpbm("source.pam", "/usr/bin/pamtopam < " + File("source.ppm"));
    ASSERT_EQ(pam.substr(0, 3), "P7\n");
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {pam, InvalidPnm},
        {"P0\n1 1\n255\n\x01\x02\x03", InvalidPnm},
        {"Q6\n1 1\n255\n\x01\x02\x03", InvalidPnm},
        {"P\n1 1\n255\n\x01\x02\x03", InvalidPnm},
        {"", InvalidPnm},
        {"P6\n1 1\n0\n\x01\x02\x03", InvalidPnm},
        {"P6\n1 1\n65536\n\x01\x02\x03\x04\x05\x06", InvalidPnm},
        {"P6\n0 1\n255\n", InvalidPnm},
        {"P6\n-1 1\n255\n\x01\x02\x03", InvalidPnm},
        {"P5\n1\n-1\n255\n\x01", InvalidPnm},
        {"P2\n1 1\n-255\n7", InvalidPnm},
        {"P6\n99999999999999999999 1\n255\n\x01\x02\x03", InvalidPnm},
        {"P4\n65536 1\n\x01", InvalidPnm},
        {source.substr(0, source.size() - 1), PpmReadError},
        {source.substr(0, 5), PpmReadError},
        {"P6\n61 23\n255", PpmReadError},
        {"P2\n3 1\n255\n1 2", PpmReadError},
        {"P1\n5 2\n0101110\n", PpmReadError},
        {"P5 1 1 256\n\x01", PpmReadError},
    };
    TPPMGraphic ppm;
    LoadFromBytes(ppm, source);
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(ppm, c.bytes), c.message) << c.bytes.substr(0, 30);
    // None of them changed the picture.
    ExpectSameImage(RgbOf(ppm), TestPicture(), "after refusals");

    const std::vector<std::pair<std::string, bool>> contentTests = {{"P6\n1 1\n255\n\x01", true},
                                                                    {"P6\n1 1\n255", false},
                                                                    {"P7\n1 1\n255\n\x01", false},
                                                                    {"P1\n1 1\n1\n        ", true},
                                                                    {pam, false}};
    for (const auto& [bytes, canLoad] : contentTests)
        EXPECT_EQ(CanLoadBytes(TPPMGraphic(), bytes), canLoad) << bytes;
}

// Raw maps cut anywhere fail with the readers' errors; plain ones cut in their last number may
// load. Flipped bits load or raise the readers' errors.
TEST_F(PortableMaps, DamagedFilesLoadOrRaiseReaderErrors)
{
    for (const std::string name :
         {"source.ppm", "source.pgm", "source.pbm", "max1023.ppm", "max65535.pgm", "wide65535.pgm"}) {
        const std::string raw = ReadWholeFile(File(name));
        const std::string plain = Plain(name);
        for (const std::size_t length : CutLengths(raw.size())) {
            const std::string error = LoadError(raw.substr(0, length));
            EXPECT_TRUE(error == PpmReadError || error == InvalidPnm) << name << " " << length << ": " << error;
        }
        for (const std::size_t length : CutLengths(plain.size()))
            LoadError(plain.substr(0, length));
        ForEachBitFlip(raw, 400, 16, [](const std::string& bytes) { LoadError(bytes); });
        ForEachBitFlip(plain, 400, 16, [](const std::string& bytes) { LoadError(bytes); });
    }
}

TEST(PPMGraphic, SdlImagesSamplePictureIsNetpbmsAndGdkPixbufsDamagedMapsFailCleanly)
{
    const std::string sample = "/usr/libexec/installed-tests/SDL2_image/sample.pnm";
    ExpectSameImage(Loaded(ReadWholeFile(sample)), DecodedBy("/usr/bin/ppmtoppm < " + sample), "SDL2_image sample");

    const std::filesystem::path images = "/usr/libexec/installed-tests/gdk-pixbuf/test-images";
    int files = 0;
    for (const char* folder : {"fail", "randomly-modified"})
        for (const auto& entry : std::filesystem::directory_iterator(images / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".ppm" && extension != ".pnm")
                continue;
            ++files;
            const std::string bytes = ReadWholeFile(entry.path().string());
            const std::string error = LoadError(bytes);
            // The maps named valid are sound and read as netpbm reads them.
            if (entry.path().filename().string().starts_with("valid")) {
                ASSERT_EQ(error, "(loaded)") << entry.path();
                ExpectSameImage(Loaded(bytes), DecodedBy("/usr/bin/ppmtoppm < " + entry.path().string()),
                                entry.path().string());
            }
        }
    EXPECT_GE(files, 12);
    // Among them: a maximum of a million, a maximum of 0, a height past the size rule, a raster cut
    // short.
    EXPECT_EQ(LoadError(ReadWholeFile((images / "fail/invalid.3.ppm").string())), InvalidPnm);
    EXPECT_EQ(LoadError(ReadWholeFile((images / "fail/invalid.8.ppm").string())), InvalidPnm);
    EXPECT_EQ(LoadError(ReadWholeFile((images / "randomly-modified/bug775232.pnm").string())), InvalidPnm);
    EXPECT_EQ(LoadError(ReadWholeFile((images / "fail/invalid.1.ppm").string())), PpmReadError);
}
