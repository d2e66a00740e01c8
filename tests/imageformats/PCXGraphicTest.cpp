#include "imageformats/PCXGraphic.h"
#include "imageformats/GraphicCompression.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string InvalidPcx = "Cannot load image. Invalid or unexpected PCX image format.";
const std::string PcxColorFormat = "Invalid color format in PCX file.";

// 150 x 37 pixels of at most `colors` colours: blocks that make runs longer than a PCX run can hold,
// and a stretch where every pixel differs.
RgbImage TestPicture(int colors)
{
    RgbImage image{150, 37, {}};
    const RgbImage palette = StripedImage(colors, 1, colors);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int block = x < 100 ? x / 70 + y / 6 : x * 7 + y * 3;
            image.pixels.push_back(palette.At(block % colors, 0));
        }
    return image;
}

RgbImage BlackAndWhitePicture()
{
    RgbImage image = TestPicture(2);
    for (Rgb& pixel : image.pixels)
        pixel = pixel == image.pixels[0] ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    return image;
}

// The message a load raises, "(loaded)" when it raises none. Every refusal must be one of the
// readers' own errors.
std::string LoadError(TPCXGraphic& pcx, const std::string& bytes)
{
    try {
        LoadFromBytes(pcx, bytes);
    } catch (const EInvalidGraphic& error) {
        return error.Message();
    } catch (const EColorConversionError& error) {
        return error.Message();
    } catch (const EGraphicCompression& error) {
        return error.Message();
    }
    return "(loaded)";
}

std::string LoadError(const std::string& bytes)
{
    TPCXGraphic pcx;
    return LoadError(pcx, bytes);
}

bool CanLoad(const std::string& bytes)
{
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    const bool answer = TPCXGraphic().CanLoad(stream);
    EXPECT_EQ(stream.Position(), 0);
    return answer;
}

std::uint8_t Planes(const std::string& pcx) { return static_cast<std::uint8_t>(pcx[65]); }
std::uint8_t Bits(const std::string& pcx) { return static_cast<std::uint8_t>(pcx[3]); }
int BytesPerLine(const std::string& pcx)
{
    return static_cast<std::uint8_t>(pcx[66]) | static_cast<std::uint8_t>(pcx[67]) << 8;
}

// The same picture with its run-length data unpacked and the encoding byte 0.
std::string Unpacked(const std::string& pcx, int height)
{
    const bool closingBlock = Planes(pcx) * Bits(pcx) == 8;
    const std::string data = pcx.substr(128, pcx.size() - 128 - (closingBlock ? 769 : 0));
    std::string pixels;
    for (std::size_t at = 0; at < data.size() && pixels.size() < std::size_t(Planes(pcx)) * BytesPerLine(pcx) * height;
         ++at) {
        const auto byte = static_cast<std::uint8_t>(data[at]);
        if ((byte & 0xC0) == 0xC0)
            pixels.append(byte & 0x3F, data[++at]);
        else
            pixels += data[at];
    }
    std::string header = pcx.substr(0, 128);
    header[2] = 0;
    return header + pixels + (closingBlock ? pcx.substr(pcx.size() - 769) : "");
}

// The header's colour at each pixel of a picture decoded with the header's colours.
std::vector<int> HeaderIndices(const std::string& pcx, const RgbImage& decoded, int colors)
{
    std::vector<int> indices;
    for (const Rgb& pixel : decoded.pixels) {
        int index = 0;
        while (index < colors &&
               Rgb{static_cast<std::uint8_t>(pcx[16 + 3 * index]), static_cast<std::uint8_t>(pcx[17 + 3 * index]),
                   static_cast<std::uint8_t>(pcx[18 + 3 * index])} != pixel)
            ++index;
        EXPECT_LT(index, colors) << pixel;
        indices.push_back(index);
    }
    return indices;
}

RgbImage Recoloured(const RgbImage& decoded, const std::vector<int>& indices, const std::function<Rgb(int)>& color)
{
    RgbImage image{decoded.width, decoded.height, {}};
    for (const int index : indices)
        image.pixels.push_back(color(index));
    return image;
}

class PCXFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteWholeFile(Source("mono"), PpmOf(BlackAndWhitePicture()));
        for (const int colors : {4, 16, 200})
            WriteWholeFile(Source(std::to_string(colors)), PpmOf(TestPicture(colors)));
        RunTool("/usr/bin/ppmtopgm " + Source("200") + " > " + Source("grey"));
        RgbImage rich{150, 37, {}};
        for (int y = 0; y < rich.height; ++y)
            for (int x = 0; x < rich.width; ++x)
                rich.pixels.push_back(
                    {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y * 7), static_cast<std::uint8_t>(x * y)});
        WriteWholeFile(Source("rich"), PpmOf(rich));
    }

    std::string Source(const std::string& name) const { return folder_.File(name + ".ppm"); }

    // Writes what the command prints to a file and returns the file's bytes.
    std::string Make(const std::string& name, const std::string& command)
    {
        RunTool(command + " > " + folder_.File(name));
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
        {"mono.pcx", Make("mono.pcx", "/usr/bin/ppmtopcx " + Source("mono")), 1, 1, pf1bit},
        {"planes.pcx", Make("planes.pcx", "/usr/bin/ppmtopcx -planes=4 " + Source("16")), 4, 1, pf4bit},
        {"nibbles.pcx", Make("nibbles.pcx", "/usr/bin/ppmtopcx -packed " + Source("16")), 1, 4, pf4bit},
        {"crumbs.pcx", Make("crumbs.pcx", "/usr/bin/ppmtopcx -packed " + Source("4")), 1, 2, pf4bit},
        {"indexed.pcx", Make("indexed.pcx", "/usr/bin/ppmtopcx -8bit " + Source("200")), 1, 8, pf8bit},
        {"true.pcx", Make("true.pcx", "/usr/bin/ppmtopcx -24bit " + Source("200")), 3, 8, pf24bit},
        {"rich.pcx", Make("rich.pcx", "/usr/bin/ppmtopcx " + Source("rich")), 3, 8, pf24bit},
        {"grey.pcx", Make("grey.pcx", "/usr/bin/ppmtopcx " + Source("grey")), 1, 8, pf8bit},
        {"pil1.pcx", Pillow("pil1.pcx", "1"), 1, 1, pf1bit},
        {"pilL.pcx", Pillow("pilL.pcx", "L"), 1, 8, pf8bit},
        {"pilP.pcx", Pillow("pilP.pcx", "P"), 1, 8, pf8bit},
        {"pilRGB.pcx", Pillow("pilRGB.pcx", "RGB"), 3, 8, pf24bit},
    };
    for (const auto& c : cases) {
        ASSERT_GT(c.bytes.size(), 128u) << c.name;
        EXPECT_EQ(Planes(c.bytes), c.planes) << c.name;
        EXPECT_EQ(Bits(c.bytes), c.bits) << c.name;
        const RgbImage expected = Pcxtoppm(c.name);
        for (const bool packed : {true, false}) {
            TPCXGraphic pcx;
            LoadFromBytes(pcx, packed ? c.bytes : Unpacked(c.bytes, expected.height));
            EXPECT_EQ(pcx.PixelFormat(), c.format) << c.name;
            ExpectSameImage(RgbOf(pcx), expected, c.name + (packed ? " packed" : " unpacked"));
            const TImageProperties& properties = pcx.ImageProperties();
            EXPECT_EQ(properties.Compression, packed ? ctRLE : ctNone) << c.name;
            EXPECT_EQ(properties.BitsPerPixel, c.planes * c.bits) << c.name;
            EXPECT_EQ(properties.ColorScheme, c.planes == 3 ? csRGB : csIndexed) << c.name;
        }
    }
}

// netpbm ignores the palette information and the version; the reader takes the header's or the
// closing block's colours where pcxtoppm does, so its decode gives each pixel's index.
TEST_F(PCXFiles, GreyPaletteInformationAndVersionThreeChooseTheColours)
{
    const std::string nibbles = Make("nibbles.pcx", "/usr/bin/ppmtopcx -packed " + Source("16"));
    const std::string planes = Make("planes.pcx", "/usr/bin/ppmtopcx -planes=4 " + Source("16"));
    const std::string crumbs = Make("crumbs.pcx", "/usr/bin/ppmtopcx -packed " + Source("4"));
    const auto patched = [](std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const auto grey = [](int step) {
        return [step](int index) {
            const auto level = static_cast<std::uint8_t>(index * step);
            return Rgb{level, level, level};
        };
    };
    const TPalette vga = TPalette::StandardVGA();
    const auto system = [&](int step) {
        return [&vga, step](int index) {
            const TPaletteEntry& entry = vga.Entries[static_cast<std::size_t>(index * step)];
            return Rgb{entry.peRed, entry.peGreen, entry.peBlue};
        };
    };
    const struct {
        std::string name;
        const std::string& file;
        int colors;
        std::size_t at;
        char value;
        std::function<Rgb(int)> color;
    } cases[] = {
        {"nibbles.pcx", nibbles, 16, 68, 2, grey(17)}, {"planes.pcx", planes, 16, 68, 2, grey(17)},
        {"crumbs.pcx", crumbs, 4, 68, 2, grey(85)},    {"nibbles.pcx", nibbles, 16, 1, 3, system(1)},
        {"planes.pcx", planes, 16, 1, 3, system(1)},   {"crumbs.pcx", crumbs, 4, 1, 3, system(5)},
    };
    for (const auto& c : cases) {
        const RgbImage decoded = Pcxtoppm(c.name);
        const RgbImage expected = Recoloured(decoded, HeaderIndices(c.file, decoded, c.colors), c.color);
        TPCXGraphic pcx;
        LoadFromBytes(pcx, patched(c.file, c.at, c.value));
        ExpectSameImage(RgbOf(pcx), expected, c.name + " at " + std::to_string(c.at));
    }

    // An 8-bit picture with a closing block takes its colours; without one, greys when the palette
    // information is 2. Pillow's grey pictures index their own greys.
    const std::string greys = Pillow("pilL.pcx", "L");
    const RgbImage decoded = Pcxtoppm("pilL.pcx");
    TPCXGraphic pcx;
    LoadFromBytes(pcx, patched(greys, 68, 2));
    ExpectSameImage(RgbOf(pcx), decoded, "grey with closing block");
    LoadFromBytes(pcx, patched(greys, 68, 2).substr(0, greys.size() - 769));
    ExpectSameImage(RgbOf(pcx), decoded, "grey without closing block");
    // Without the block and without grey information the picture keeps the bitmap's own colours.
    LoadFromBytes(pcx, greys.substr(0, greys.size() - 769));
    EXPECT_EQ(pcx.Palette(), TPalette::StandardVGA());
}

TEST_F(PCXFiles, LayoutsTheReaderDoesNotLayOutAreRefused)
{
    // Four colours without -packed are two planes of one bit.
    const std::string twoPlanes = Make("two.pcx", "/usr/bin/ppmtopcx " + Source("4"));
    ASSERT_EQ(Planes(twoPlanes), 2);
    EXPECT_EQ(LoadError(twoPlanes), PcxColorFormat);

    const std::string mono = Make("mono.pcx", "/usr/bin/ppmtopcx " + Source("mono"));
    const std::string truecolor = Make("true.pcx", "/usr/bin/ppmtopcx -24bit " + Source("200"));
    const auto patched = [](std::string bytes, std::size_t at, int value) {
        bytes[at] = static_cast<char>(value);
        return bytes;
    };
    EXPECT_EQ(LoadError(patched(mono, 65, 3)), PcxColorFormat);        // three planes of one bit
    EXPECT_EQ(LoadError(patched(truecolor, 65, 4)), PcxColorFormat);   // four planes of eight bits
    EXPECT_EQ(LoadError(patched(mono, 3, 3)), PcxColorFormat);         // three bits
    EXPECT_EQ(LoadError(patched(mono, 66, 4)), PcxColorFormat);        // 4 bytes hold 32 of 150 pixels
    EXPECT_EQ(LoadError(patched(truecolor, 66, 149)), PcxColorFormat); // one byte short
    EXPECT_EQ(LoadError(patched(truecolor, 66, 151)), "(loaded)");

    // Manufacturer 12 passes the content test, yet no PCX reader takes it.
    const std::string twelve = patched(mono, 0, 12);
    EXPECT_TRUE(CanLoad(mono));
    EXPECT_TRUE(CanLoad(twelve));
    EXPECT_EQ(LoadError(twelve), InvalidPcx);
    // Manufacturer 205 is read, though the content test does not take it.
    const std::string twoHundredFive = patched(mono, 0, 205);
    EXPECT_FALSE(CanLoad(twoHundredFive));
    EXPECT_EQ(LoadError(twoHundredFive), "(loaded)");
    EXPECT_FALSE(CanLoad(mono.substr(0, 128)));
    EXPECT_EQ(LoadError(patched(mono, 4, 200)), InvalidPcx); // x min beyond x max

    // A refused load leaves the picture that was there.
    TPCXGraphic pcx;
    LoadFromBytes(pcx, truecolor);
    const RgbImage before = RgbOf(pcx);
    EXPECT_EQ(LoadError(pcx, twoPlanes), PcxColorFormat);
    EXPECT_EQ(LoadError(pcx, twelve), InvalidPcx);
    EXPECT_EQ(pcx.PixelFormat(), pf24bit);
    EXPECT_TRUE(RgbOf(pcx) == before);
}

// 8-bit pictures too short for a closing block have none; data that end early leave index 0.
TEST_F(PCXFiles, ShortFilesLoadWithWhatTheyHold)
{
    const std::string indexed = Make("indexed.pcx", "/usr/bin/ppmtopcx -8bit " + Source("200"));
    const RgbImage whole = Pcxtoppm("indexed.pcx");
    for (const std::size_t length : {128u, 129u, 200u, 128u + 768u}) {
        TPCXGraphic pcx;
        LoadFromBytes(pcx, indexed.substr(0, length));
        EXPECT_EQ(pcx.Width(), 150) << length;
        EXPECT_EQ(pcx.Palette(), TPalette::StandardVGA()) << length;
    }
    // The rows the data reach keep their indices; the rest is index 0.
    const std::string unpacked = Unpacked(indexed, whole.height);
    const std::size_t rowsHeld = 5;
    std::string cut = unpacked.substr(0, 128 + rowsHeld * BytesPerLine(unpacked));
    cut += unpacked.substr(unpacked.size() - 769);
    TPCXGraphic pcx;
    LoadFromBytes(pcx, cut);
    const RgbImage ours = RgbOf(pcx);
    const TPaletteEntry& first = pcx.Palette().Entries.at(0);
    for (int y = 0; y < whole.height; ++y)
        for (int x = 0; x < whole.width; ++x) {
            const Rgb expected =
                y < static_cast<int>(rowsHeld) ? whole.At(x, y) : Rgb{first.peRed, first.peGreen, first.peBlue};
            ASSERT_EQ(ours.At(x, y), expected) << x << "," << y;
        }
}

TEST_F(PCXFiles, CutAndBitFlippedFilesLoadOrRaiseReaderErrors)
{
    const std::vector<std::string> files = {
        Make("mono.pcx", "/usr/bin/ppmtopcx " + Source("mono")),
        Make("planes.pcx", "/usr/bin/ppmtopcx -planes=4 " + Source("16")),
        Make("crumbs.pcx", "/usr/bin/ppmtopcx -packed " + Source("4")),
        Make("indexed.pcx", "/usr/bin/ppmtopcx -8bit " + Source("200")),
        Make("true.pcx", "/usr/bin/ppmtopcx -24bit " + Source("200")),
    };
    for (const std::string& whole : files) {
        for (const std::size_t length : CutLengths(whole.size())) {
            const std::string message = LoadError(whole.substr(0, length));
            if (length < 128)
                EXPECT_EQ(message, InvalidPcx) << length;
            else
                EXPECT_EQ(message, "(loaded)") << length;
        }
        ForEachBitFlip(whole, 600, 128, [](const std::string& bytes) { LoadError(bytes); });
        ForEachBitFlip(Unpacked(whole, 37), 200, 128, [](const std::string& bytes) { LoadError(bytes); });
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

TEST(PCXGraphic, ReportsProgressPerRow)
{
    // 3 x 2 of one byte each, one run over both rows.
    std::string bytes(128, '\0');
    bytes[0] = 10;
    bytes[1] = 5;
    bytes[2] = 1;
    bytes[3] = 8;
    bytes[8] = 2;
    bytes[10] = 1;
    bytes[65] = 1;
    bytes[66] = 3;
    bytes += {static_cast<char>(0xC6), 7};
    TPCXGraphic pcx;
    std::vector<std::string> events;
    pcx.OnProgress = [&](TGraphic&, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& rect,
                         const std::string& message) {
        events.push_back(std::to_string(stage) + " " + std::to_string(percent) + " " + std::to_string(redraw) + " " +
                         std::to_string(rect.Top) + " " + message);
    };
    LoadFromBytes(pcx, bytes);
    EXPECT_EQ(events, (std::vector<std::string>{"0 0 0 0 Preparing...", "2 0 0 0 ", "0 0 0 0 Transfering...",
                                                "1 0 1 0 ", "1 50 1 1 ", "2 0 0 2 "}));
    EXPECT_EQ(pcx.PixelValue(2, 1), 7u);
}
