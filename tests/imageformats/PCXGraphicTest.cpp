#include "imageformats/PCXGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string InvalidPcx = "Cannot load image. Invalid or unexpected PCX image format.";
const std::string PcxColorFormat = "Invalid color format in PCX file.";
constexpr int Height = 37;

std::string LoadError(const std::string& bytes)
{
    TPCXGraphic pcx;
    return LoadError(pcx, bytes);
}

std::string Patched(std::string bytes, std::size_t at, int value)
{
    bytes[at] = static_cast<char>(value);
    return bytes;
}

int Planes(const std::string& pcx) { return static_cast<std::uint8_t>(pcx[65]); }
int Bits(const std::string& pcx) { return static_cast<std::uint8_t>(pcx[3]); }

// 150 x 37 pixels of `colors` colours: runs longer than a PCX run holds, then every pixel differs.
RgbImage TestPicture(int colors)
{
    RgbImage image{150, Height, {}};
    const RgbImage palette = StripedImage(colors, 1, colors);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels.push_back(palette.At((x < 100 ? x / 70 + y / 6 : x * 7 + y * 3) % colors, 0));
    return image;
}

// The same picture with its run-length data unpacked and the encoding byte 0.
std::string Unpacked(const std::string& pcx)
{
    const std::size_t closing = Planes(pcx) * Bits(pcx) == 8 ? 769 : 0;
    const std::size_t size = std::size_t(Planes(pcx)) * (std::uint8_t(pcx[66]) | std::uint8_t(pcx[67]) << 8) * Height;
    std::string pixels;
    for (std::size_t at = 128; at < pcx.size() - closing && pixels.size() < size; ++at) {
        const auto byte = static_cast<std::uint8_t>(pcx[at]);
        pixels.append((byte & 0xC0) == 0xC0 ? byte & 0x3F : 1, (byte & 0xC0) == 0xC0 ? pcx[++at] : pcx[at]);
    }
    return Patched(pcx.substr(0, 128), 2, 0) + pixels + pcx.substr(pcx.size() - closing);
}

class PCXFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        RgbImage mono = TestPicture(2);
        for (Rgb& pixel : mono.pixels)
            pixel = pixel == mono.pixels[0] ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
        WriteWholeFile(Source("mono"), PpmOf(mono));
        for (const int colors : {4, 16, 200})
            WriteWholeFile(Source(std::to_string(colors)), PpmOf(TestPicture(colors)));
        RunTool("/usr/bin/ppmtopgm " + Source("200") + " > " + Source("grey"));
    }

    std::string Source(const std::string& name) const { return folder_.File(name + ".ppm"); }

    std::string Netpbm(const std::string& name, const std::string& options)
    {
        RunTool("/usr/bin/ppmtopcx " + options + " > " + folder_.File(name));
        return ReadWholeFile(folder_.File(name));
    }

    std::string Pillow(const std::string& name, const std::string& mode)
    {
        RunTool("/usr/bin/python3 -c \"from PIL import Image; Image.open('" + Source("200") + "').convert('" + mode +
                "').save('" + folder_.File(name) + "')\"");
        return ReadWholeFile(folder_.File(name));
    }

    RgbImage Pcxtoppm(const std::string& name) { return DecodedBy("/usr/bin/pcxtoppm " + folder_.File(name)); }

    TemporaryFolder folder_;
};

} // namespace

TEST_F(PCXFiles, DecodeAsPcxtoppmDecodesThemPackedOrNot)
{
    const struct {
        std::string name;
        std::string bytes;
        int planes;
        int bits;
        TPixelFormat format;
    } cases[] = {
        {"mono.pcx", Netpbm("mono.pcx", Source("mono")), 1, 1, pf1bit},
        {"planes.pcx", Netpbm("planes.pcx", "-planes=4 " + Source("16")), 4, 1, pf4bit},
        {"nibbles.pcx", Netpbm("nibbles.pcx", "-packed " + Source("16")), 1, 4, pf4bit},
        {"crumbs.pcx", Netpbm("crumbs.pcx", "-packed " + Source("4")), 1, 2, pf4bit},
        {"indexed.pcx", Netpbm("indexed.pcx", "-8bit " + Source("200")), 1, 8, pf8bit},
        {"true.pcx", Netpbm("true.pcx", "-24bit " + Source("200")), 3, 8, pf24bit},
        {"grey.pcx", Netpbm("grey.pcx", Source("grey")), 1, 8, pf8bit},
        {"pil1.pcx", Pillow("pil1.pcx", "1"), 1, 1, pf1bit},
        {"pilL.pcx", Pillow("pilL.pcx", "L"), 1, 8, pf8bit},
        {"pilP.pcx", Pillow("pilP.pcx", "P"), 1, 8, pf8bit},
        {"pilRGB.pcx", Pillow("pilRGB.pcx", "RGB"), 3, 8, pf24bit},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Planes(c.bytes) * 10 + Bits(c.bytes), c.planes * 10 + c.bits) << c.name;
        for (const bool packed : {true, false}) {
            TPCXGraphic pcx;
            LoadFromBytes(pcx, packed ? c.bytes : Unpacked(c.bytes));
            EXPECT_EQ(pcx.PixelFormat(), c.format) << c.name;
            EXPECT_EQ(pcx.ImageProperties().Compression, packed ? ctRLE : ctNone) << c.name;
            ExpectSameImage(RgbOf(pcx), Pcxtoppm(c.name), c.name + (packed ? " packed" : " unpacked"));
        }
    }
}

// pcxtoppm ignores the palette information and the version, so its decode of the unpatched file
// gives each pixel's index into the header's colours.
TEST_F(PCXFiles, GreyPaletteInformationAndVersionThreeChooseTheColours)
{
    const std::function<Rgb(int)> grey = [](int level) {
        return Rgb{std::uint8_t(level), std::uint8_t(level), std::uint8_t(level)};
    };
    const std::function<Rgb(int)> vga = [](int index) {
        const TPaletteEntry entry = TPalette::StandardVGA().Entries.at(static_cast<std::size_t>(index));
        return Rgb{entry.peRed, entry.peGreen, entry.peBlue};
    };
    const struct {
        std::string name;
        std::string options;
        int colors;
        std::size_t at;
        int value;
        std::function<Rgb(int)> color;
        int step;
    } cases[] = {
        {"nibbles.pcx", "-packed " + Source("16"), 16, 68, 2, grey, 17},
        {"planes.pcx", "-planes=4 " + Source("16"), 16, 68, 2, grey, 17},
        {"crumbs.pcx", "-packed " + Source("4"), 4, 68, 2, grey, 85},
        {"nibbles.pcx", "-packed " + Source("16"), 16, 1, 3, vga, 1},
        {"planes.pcx", "-planes=4 " + Source("16"), 16, 1, 3, vga, 1},
        {"crumbs.pcx", "-packed " + Source("4"), 4, 1, 3, vga, 5},
    };
    for (const auto& c : cases) {
        const std::string file = Netpbm(c.name, c.options);
        RgbImage expected = Pcxtoppm(c.name);
        for (Rgb& pixel : expected.pixels) {
            int index = 0;
            while (index < c.colors && Rgb{std::uint8_t(file[16 + 3 * index]), std::uint8_t(file[17 + 3 * index]),
                                           std::uint8_t(file[18 + 3 * index])} != pixel)
                ++index;
            ASSERT_LT(index, c.colors) << c.name << pixel;
            pixel = c.color(index * c.step);
        }
        TPCXGraphic pcx;
        LoadFromBytes(pcx, Patched(file, c.at, c.value));
        ExpectSameImage(RgbOf(pcx), expected, c.name + " at " + std::to_string(c.at));
    }

    // Pillow's grey pictures index their own greys in the closing block. Without the block, greys
    // when the palette information says so and else the bitmap's own colours; the data that were
    // before the block are all pixels.
    const std::string greys = Patched(Pillow("pilL.pcx", "L"), 68, 2);
    const std::string withoutBlock = greys.substr(0, greys.size() - 769);
    const RgbImage decoded = Pcxtoppm("pilL.pcx");
    TPCXGraphic pcx;
    LoadFromBytes(pcx, greys);
    ExpectSameImage(RgbOf(pcx), decoded, "grey with closing block");
    LoadFromBytes(pcx, withoutBlock);
    ExpectSameImage(RgbOf(pcx), decoded, "grey without closing block");
    LoadFromBytes(pcx, Patched(withoutBlock, 68, 1));
    EXPECT_EQ(pcx.Palette(), TPalette::StandardVGA());
}

TEST_F(PCXFiles, RefusesLayoutsItDoesNotLayOutAndHeadersNoReaderTakes)
{
    // Four colours without -packed are two planes of one bit.
    const std::string twoPlanes = Netpbm("two.pcx", Source("4"));
    ASSERT_EQ(Planes(twoPlanes), 2);
    const std::string mono = Netpbm("mono.pcx", Source("mono"));
    const std::string truecolor = Netpbm("true.pcx", "-24bit " + Source("200"));
    const std::string twelve = Patched(mono, 0, 12);
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {twoPlanes, PcxColorFormat},
        {Patched(mono, 65, 3), PcxColorFormat},        // three planes of one bit
        {Patched(truecolor, 65, 4), PcxColorFormat},   // four planes of eight bits
        {Patched(mono, 3, 3), PcxColorFormat},         // three bits
        {Patched(mono, 66, 18), PcxColorFormat},       // 18 bytes hold 144 of 150 pixels
        {Patched(truecolor, 66, 149), PcxColorFormat}, // a byte short
        {Patched(truecolor, 66, 151), "(loaded)"},
        {twelve, InvalidPcx},                // passes the content test all the same
        {Patched(mono, 0, 205), "(loaded)"}, // fails it all the same
        {Patched(mono, 4, 200), InvalidPcx}, // x min beyond x max
        // 65535 x 8001 pixels in rows of 8192 bytes, which the packed file could never fill.
        {std::string(mono).replace(8, 4, "\xFE\xFF\x40\x1F").replace(66, 2, std::string("\0\x20", 2)), InvalidPcx},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(c.bytes), c.message) << int(c.bytes[0]) << " " << int(c.bytes[3]) << " " << Planes(c.bytes);
    const std::vector<std::pair<std::string, bool>> contentTests = {
        {twelve, true}, {Patched(mono, 0, 205), false}, {mono.substr(0, 128), false}};
    for (const auto& [bytes, canLoad] : contentTests) {
        TMemoryStream stream;
        stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        stream.SetPosition(0);
        EXPECT_EQ(TPCXGraphic().CanLoad(stream), canLoad);
        EXPECT_EQ(stream.Position(), 0);
    }

    // A refused load leaves the picture that was there.
    TPCXGraphic pcx;
    LoadFromBytes(pcx, truecolor);
    const RgbImage before = RgbOf(pcx);
    EXPECT_EQ(LoadError(pcx, twoPlanes), PcxColorFormat);
    EXPECT_EQ(LoadError(pcx, twelve), InvalidPcx);
    EXPECT_TRUE(RgbOf(pcx) == before);
}

// Files cut anywhere past the header load with the rest of the picture at index 0; cut or flipped
// files load or raise the readers' errors.
TEST_F(PCXFiles, DamagedFilesLoadWhatTheyHoldOrRaiseReaderErrors)
{
    const std::string indexed = Netpbm("indexed.pcx", "-8bit " + Source("200"));
    const std::string cut = Unpacked(indexed).substr(0, 128 + 5 * 150) + indexed.substr(indexed.size() - 769);
    TPCXGraphic pcx;
    LoadFromBytes(pcx, cut);
    const RgbImage whole = Pcxtoppm("indexed.pcx");
    for (int x = 0; x < 150; ++x) {
        ASSERT_EQ(RgbOf(pcx).At(x, 4), whole.At(x, 4)) << x;
        ASSERT_EQ(pcx.PixelValue(x, 5), 0u) << x;
    }
    for (const std::string& file :
         {Netpbm("mono.pcx", Source("mono")), Netpbm("planes.pcx", "-planes=4 " + Source("16")),
          Netpbm("crumbs.pcx", "-packed " + Source("4")), indexed, Netpbm("true.pcx", "-24bit " + Source("200"))}) {
        for (const std::size_t length : CutLengths(file.size()))
            EXPECT_EQ(LoadError(file.substr(0, length)), length < 128 ? InvalidPcx : "(loaded)") << length;
        ForEachBitFlip(file, 600, 128, [](const std::string& bytes) { LoadError(bytes); });
        ForEachBitFlip(Unpacked(file), 200, 128, [](const std::string& bytes) { LoadError(bytes); });
    }
}

TEST(PCXGraphic, SdlImagesSamplePictureIsItsBitmap)
{
    const std::string folder = "/usr/libexec/installed-tests/SDL2_image/";
    TPCXGraphic pcx;
    pcx.LoadFromFile(folder + "sample.pcx");
    TBitmap bitmap;
    bitmap.LoadFromFile(folder + "sample.bmp");
    ASSERT_EQ(pcx.Width(), 23);
    ExpectSameImage(RgbOf(pcx), RgbOf(bitmap), "SDL2_image sample");
}
