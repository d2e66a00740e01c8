#include "pdf/PdfDevice.h"

#include "ImageTestSupport.h"
#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace {

// One line of "pdfimages -list": size, colour, bits per component and encoding.
struct ListedImage {
    int width = 0;
    int height = 0;
    std::string color;
    int bits = 0;
    std::string encoding;
};

std::vector<ListedImage> ListImages(const TemporaryFolder& folder, const std::string& pdf)
{
    int status = -1;
    std::istringstream lines(SaveAndRun(folder, pdf, "pdfimages -list", &status));
    EXPECT_EQ(status, 0);
    std::vector<ListedImage> images;
    std::string line;
    for (int skip = 0; skip < 2 && std::getline(lines, line); ++skip) {
    }
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string page, number, type, components;
        ListedImage image;
        fields >> page >> number >> type >> image.width >> image.height >> image.color >> components >> image.bits >>
            image.encoding;
        images.push_back(image);
    }
    return images;
}

// The images pdfimages extracts, in the order they are drawn; `options` as "-j" to keep JPEG data.
std::vector<std::string> ExtractImages(const TemporaryFolder& folder, const std::string& pdf,
                                       const std::string& options = {})
{
    WriteWholeFile(folder.File("images.pdf"), pdf);
    RunTool("pdfimages " + options + " '" + folder.File("images.pdf") + "' '" + folder.File("img") + "'");
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        if (entry.path().filename().string().starts_with("img-"))
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

RgbImage ImageFile(const std::string& path) { return DecodedBy("convert '" + path + "' ppm:-"); }

RgbImage OneBitOf(RgbImage image)
{
    for (Rgb& pixel : image.pixels) {
        const bool white = (pixel.r + pixel.g + pixel.b) * 2 > 3 * 255;
        pixel = white ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    }
    return image;
}

// A page of the given images, each drawn in a row, written to memory.
std::string DocumentOf(TPdfDevice& device, const std::function<void()>& draw)
{
    device.BeginDoc(612, 792, 72);
    device.StartPage(612, 792, 72, 72, 0);
    draw();
    device.EndPage();
    device.EndDoc();
    return DeviceOutput(device);
}

void ExpectQpdfPasses(const TemporaryFolder& folder, const std::string& pdf)
{
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
}

std::unique_ptr<TBitmap> SampleBitmap(TPixelFormat format, int width, int height)
{
    static const TColor colors[] = {clBlack, clWhite, clRed, clLime, clBlue, RGB(200, 100, 50), RGB(90, 180, 240)};
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->SetPixel(x, y, colors[(x + y * width) % std::size(colors)]);
    return bitmap;
}

} // namespace

TEST(PdfImages, EveryBitmapFormatComesOutOfPdfimagesWithItsPixels)
{
    const TPixelFormat formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice};
    std::vector<std::unique_ptr<TBitmap>> bitmaps;
    for (TPixelFormat format : formats)
        bitmaps.push_back(SampleBitmap(format, 3, 2));
    // Uncompressed colour samples go straight into the document rather than through the stream.
    for (const TPdfCompressMethod method : {peCompressFlate, peCompressNone}) {
        SCOPED_TRACE(method);
        TPdfDevice device;
        device.CompressionMethod = method;
        const std::string pdf = DocumentOf(device, [&] {
            for (std::size_t i = 0; i < bitmaps.size(); ++i) {
                const int number = device.AddXBitmap(*bitmaps[i]);
                EXPECT_EQ(number, static_cast<int>(i) + 1);
                device.DrawXObject(number, 40.0 * i, 10, 30, 20);
            }
        });
        TemporaryFolder folder;
        ExpectQpdfPasses(folder, pdf);
        const auto listed = ListImages(folder, pdf);
        ASSERT_EQ(listed.size(), bitmaps.size());
        const auto files = ExtractImages(folder, pdf);
        ASSERT_EQ(files.size(), bitmaps.size());
        for (std::size_t i = 0; i < bitmaps.size(); ++i) {
            const bool oneBit = formats[i] == pf1bit;
            EXPECT_EQ(listed[i].width, 3);
            EXPECT_EQ(listed[i].height, 2);
            EXPECT_EQ(listed[i].color, oneBit ? "gray" : "rgb");
            EXPECT_EQ(listed[i].bits, oneBit ? 1 : 8);
            EXPECT_EQ(listed[i].encoding, "image");
            const RgbImage expected = oneBit ? OneBitOf(RgbOf(*bitmaps[i])) : RgbOf(*bitmaps[i]);
            ExpectSameImage(ImageFile(files[i]), expected, "format " + IntToStr(formats[i]));
        }
    }
}

TEST(PdfImages, JpegIsForColourImagesLargerThanEightPixelsAndStaysBaseline)
{
    for (int quality : {10, 25, 50, 75, 100}) {
        TPdfDevice device;
        device.JPEGCompression = true;
        device.JPEGQuality = quality;
        const auto small = SampleBitmap(pf24bit, 8, 8);
        const auto narrow = SampleBitmap(pf24bit, 3, 2);
        const auto oneBit = SampleBitmap(pf1bit, 16, 16);
        TBitmap red;
        red.SetPixelFormat(pf24bit);
        red.SetSize(9, 1);
        for (int x = 0; x < 9; ++x)
            red.SetPixel(x, 0, clRed);
        const std::string pdf = DocumentOf(device, [&] {
            for (TBitmap* bitmap : {small.get(), &red, oneBit.get(), narrow.get()})
                device.DrawXObject(device.AddXBitmap(*bitmap), 0, 0, 90, 90);
            device.DrawXObject(1, 0, 0, 0, 90);
        });
        TemporaryFolder folder;
        ExpectQpdfPasses(folder, pdf);
        // Drawn once each: a width of 0 draws nothing.
        EXPECT_NE(pdf.find("/xob2 Do Q"), std::string::npos);
        EXPECT_EQ(pdf.find("/xob1 Do"), pdf.rfind("/xob1 Do"));
        // The narrow raw image's rows are 9 bytes each, without padding.
        EXPECT_NE(pdf.find("/Name/xob4\n/Width 3\n/Height 2\n/BitsPerComponent 8\n/ColorSpace/DeviceRGB\n/Length 18 "),
                  std::string::npos);
        const auto listed = ListImages(folder, pdf);
        ASSERT_EQ(listed.size(), 4u);
        EXPECT_EQ(listed[0].encoding, "image");
        EXPECT_EQ(listed[1].encoding, "jpeg");
        EXPECT_EQ(listed[2].encoding, "image");
        EXPECT_EQ(listed[2].color, "gray");
        EXPECT_EQ(listed[3].encoding, "image");

        const auto files = ExtractImages(folder, pdf, "-j");
        ASSERT_EQ(files.size(), 4u);
        ASSERT_TRUE(files[1].ends_with(".jpg")) << files[1];
        const std::string jpeg = ReadWholeFile(files[1]);
        EXPECT_EQ(static_cast<std::uint8_t>(jpeg[3]), 0xE0); // a JFIF header, then the frame
        EXPECT_NE(jpeg.find("\xFF\xC0"), std::string::npos) << quality;
        EXPECT_EQ(jpeg.find("\xFF\xC2"), std::string::npos) << quality;
        const RgbImage decoded = DecodedBy("djpeg '" + files[1] + "'");
        ASSERT_EQ(decoded.width, 9);
        for (const Rgb& pixel : decoded.pixels) {
            EXPECT_GT(pixel.r, 200) << quality;
            EXPECT_LT(pixel.g, 60) << quality;
            EXPECT_LT(pixel.b, 60) << quality;
        }
    }
}

// A 32-bit bitmap's own rows go to the compressor, whose file must be the one its 24-bit copy gives.
TEST(PdfImages, ThirtyTwoBitRowsMakeTheJpegOfTheirTwentyFourBitCopy)
{
    TPdfDevice device;
    device.JPEGCompression = true;
    const auto device32 = SampleBitmap(pfDevice, 21, 13);
    TBitmap copy;
    copy.Assign(*device32);
    copy.SetPixelFormat(pf24bit);
    const std::string pdf = DocumentOf(device, [&] {
        device.DrawXObject(device.AddXBitmap(*device32), 0, 0, 90, 90);
        device.DrawXObject(device.AddXBitmap(copy), 0, 0, 90, 90);
    });
    TemporaryFolder folder;
    const auto files = ExtractImages(folder, pdf, "-j");
    ASSERT_EQ(files.size(), 2u);
    ASSERT_TRUE(files[0].ends_with(".jpg")) << files[0];
    EXPECT_EQ(ReadWholeFile(files[0]), ReadWholeFile(files[1]));
}

TEST(PdfImages, ReadyJpegDataAndPicturesThatGiveNoImage)
{
    TMemoryStream jpegFile;
    {
        TJPEGImage jpeg;
        jpeg.Assign(*SampleBitmap(pf24bit, 16, 16));
        jpeg.SaveToStream(jpegFile);
    }
    TPdfDevice device;
    std::vector<std::string> errors;
    device.OnErrorCallback = [&](int code, const std::string& message) {
        errors.push_back(IntToStr(code) + " " + message);
    };
    TMetafile metafile;
    const std::span<const std::uint8_t> data(jpegFile.Memory(), static_cast<std::size_t>(jpegFile.Size()));
    const std::string pdf = DocumentOf(device, [&] {
        EXPECT_EQ(device.AddXBitmapData(data, 16, 16, 2), 1);
        EXPECT_EQ(device.AddXBitmapData(data, 16, 16, 1), -1);
        EXPECT_EQ(device.AddXBitmapData(data, 0, 16, 2), -1);
        EXPECT_EQ(device.AddXObject(metafile), -1);
        EXPECT_EQ(device.AddXBitmap(TBitmap()), -1);
        device.DrawXObject(1, 10, 10, 100, 100);
    });
    EXPECT_EQ(errors, (std::vector<std::string>{"2 Invalid bitmap", "2 Invalid bitmap", "2 Invalid bitmap"}));
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.AddXBitmap(*SampleBitmap(pf24bit, 2, 2)); }), "Device not open");
    TemporaryFolder folder;
    ExpectQpdfPasses(folder, pdf);
    const auto files = ExtractImages(folder, pdf, "-j");
    ASSERT_EQ(files.size(), 1u);
    const std::string copied = ReadWholeFile(files[0]);
    EXPECT_EQ(copied, std::string(reinterpret_cast<const char*>(data.data()), data.size()));
}

namespace {

// A device-independent bitmap as a metafile carries it: the header with `colors` (quads or
// palette indices) after it, and the stored rows padded to four bytes.
struct Dib {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
};

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Dib MakeDib(int width, int height, int bitCount, const std::vector<std::uint8_t>& colors,
            const std::vector<std::vector<std::uint8_t>>& storedRows)
{
    Dib dib;
    dib.info.assign(40, 0);
    PutU32(dib.info, 0, 40);
    PutU32(dib.info, 4, static_cast<std::uint32_t>(width));
    PutU32(dib.info, 8, static_cast<std::uint32_t>(height));
    dib.info[12] = 1;
    dib.info[14] = static_cast<std::uint8_t>(bitCount);
    dib.info.insert(dib.info.end(), colors.begin(), colors.end());
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    for (auto row : storedRows) {
        row.resize(stride, 0);
        dib.bits.insert(dib.bits.end(), row.begin(), row.end());
    }
    return dib;
}

RgbImage Pixels(int width, int height, std::vector<Rgb> pixels) { return {width, height, std::move(pixels)}; }

constexpr Rgb Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255}, Black{0, 0, 0}, White{255, 255, 255};

} // namespace

// Each metafile bitmap depth, with its own colours or the selected palette's, whole and cut to a
// source rectangle; an index past the colour table is black, and bits too short for the rows give
// error 2 and no image.
TEST(PdfImages, MetafileBitmapsComeOutWithTheirPixels)
{
    struct Case {
        Dib dib;
        std::uint32_t usage;
        TRect source;
        RgbImage expected;
    };
    const std::vector<std::uint8_t> redGreenQuads{0, 0, 255, 0, 0, 255, 0, 0};
    std::vector<Case> cases;
    // 24 bits, bottom-up: the stored rows are the bottom row first.
    cases.push_back({MakeDib(2, 2, 24, {}, {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}}),
                     0,
                     {0, 0, 2, 2},
                     Pixels(2, 2, {Red, White, Blue, Green})});
    // 32 bits, top-down.
    cases.push_back(
        {MakeDib(2, -1, 32, {}, {{0, 0, 255, 9, 255, 0, 0, 9}}), 0, {0, 0, 2, 1}, Pixels(2, 1, {Red, Blue})});
    // 16 bits: three 5-bit fields, each times 8.
    cases.push_back({MakeDib(2, 1, 16, {}, {{0x00, 0x7C, 0x1F, 0x00}}),
                     0,
                     {0, 0, 2, 1},
                     Pixels(2, 1, {Rgb{248, 0, 0}, Rgb{0, 0, 248}})});
    // 8 bits with a table of two: index 5 lies outside it.
    cases.push_back({MakeDib(3, 1, 8, redGreenQuads, {{1, 0, 5}}), 0, {0, 0, 3, 1}, Pixels(3, 1, {Green, Red, Black})});
    // 4 bits through the selected palette (red, blue): the table holds palette indices 1 and 0.
    cases.push_back(
        {MakeDib(3, 1, 4, {1, 0, 0, 0}, {{0x01, 0x70}}), 1, {0, 0, 3, 1}, Pixels(3, 1, {Blue, Red, Black})});
    // 1 bit whose table is white, black: a clear bit is white.
    cases.push_back({MakeDib(4, 1, 1, {255, 255, 255, 0, 0, 0, 0, 0}, {{0x50}}),
                     0,
                     {0, 0, 4, 1},
                     Pixels(4, 1, {White, Black, White, Black})});
    // 8 bits, four rows bottom-up, cut to columns 1 and 2 of the two lowest rows.
    cases.push_back({MakeDib(4, 4, 8, redGreenQuads, {{0, 1, 0, 0}, {0, 0, 1, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}}),
                     0,
                     {1, 0, 3, 2},
                     Pixels(2, 2, {Red, Green, Green, Red})});

    TPdfDevice device;
    std::vector<std::string> errors;
    device.OnErrorCallback = [&](int code, const std::string& message) {
        errors.push_back(IntToStr(code) + " " + message);
    };
    const std::string pdf = DocumentOf(device, [&] {
        const std::uint32_t palette[] = {RGB(255, 0, 0), RGB(0, 0, 255)};
        device.SelectObject(device.CreatePalette(palette));
        for (const Case& c : cases)
            EXPECT_GT(device.StretchDIBits(10, 10, 50, 50, c.source.Left, c.source.Top, c.source.Right - c.source.Left,
                                           c.source.Bottom - c.source.Top, c.dib.bits, c.dib.info, c.usage, SRCCOPY),
                      0);
        const Dib shortBits = MakeDib(4, 3, 24, {}, {{1, 2, 3}, {4, 5, 6}});
        EXPECT_EQ(device.StretchDIBits(10, 10, 50, 50, 0, 0, 4, 3, shortBits.bits, shortBits.info, 0, SRCCOPY), 0);
    });
    EXPECT_EQ(errors, std::vector<std::string>{"2 Invalid bitmap"});
    TemporaryFolder folder;
    ExpectQpdfPasses(folder, pdf);
    const auto files = ExtractImages(folder, pdf);
    ASSERT_EQ(files.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        ExpectSameImage(ImageFile(files[i]), cases[i].expected, "case " + IntToStr(static_cast<int>(i)));
}

namespace {

// The pixels of each page's /Thumb image, as qpdf decodes its stream, with its dictionary.
struct Thumb {
    std::string dictionary;
    std::string rgb;
};

std::vector<Thumb> Thumbs(const TemporaryFolder& folder, const std::string& pdf)
{
    std::vector<Thumb> thumbs;
    for (std::size_t at = pdf.find("/Thumb "); at != std::string::npos; at = pdf.find("/Thumb ", at + 1)) {
        const std::string number = pdf.substr(at + 7, pdf.find(' ', at + 7) - at - 7);
        int status = -1;
        Thumb thumb;
        thumb.dictionary = SaveAndRun(folder, pdf, "qpdf --show-object=" + number, &status);
        thumb.rgb = SaveAndRun(folder, pdf, "qpdf --show-object=" + number + " --filtered-stream-data", &status);
        EXPECT_EQ(status, 0);
        thumbs.push_back(thumb);
    }
    return thumbs;
}

Rgb ThumbPixel(const Thumb& thumb, int width, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {static_cast<std::uint8_t>(thumb.rgb[at]), static_cast<std::uint8_t>(thumb.rgb[at + 1]),
            static_cast<std::uint8_t>(thumb.rgb[at + 2])};
}

} // namespace

// Every page gets a thumbnail 66 pixels across its upright width, silver where an image stands,
// never JPEG; a turned page's thumbnail is turned with it.
TEST(PdfImages, PagesCarryThumbnailsWithTheirImages)
{
    TPdfDevice device;
    device.Thumbnails = true;
    device.JPEGCompression = true;
    device.CompressionMethod = peCompressFlate;
    const auto bitmap = SampleBitmap(pf24bit, 16, 16);
    device.BeginDoc(612, 792, 72);
    for (int rotation : {0, 90}) {
        device.StartPage(612, 792, 72, 72, rotation);
        // The upright page's top left quarter.
        device.DrawXObject(device.AddXBitmap(*bitmap), 0, 0, 306, 396);
        device.EndPage();
    }
    device.EndDoc();
    const std::string pdf = DeviceOutput(device);
    TemporaryFolder folder;
    ExpectQpdfPasses(folder, pdf);
    const auto thumbs = Thumbs(folder, pdf);
    ASSERT_EQ(thumbs.size(), 2u);
    const Rgb silver{0xC0, 0xC0, 0xC0}, white{255, 255, 255};

    EXPECT_NE(thumbs[0].dictionary.find("/Width 66 "), std::string::npos) << thumbs[0].dictionary;
    EXPECT_NE(thumbs[0].dictionary.find("/Height 85 "), std::string::npos) << thumbs[0].dictionary;
    EXPECT_EQ(thumbs[0].dictionary.find("/Name"), std::string::npos);
    EXPECT_EQ(thumbs[0].dictionary.find("DCT"), std::string::npos);
    ASSERT_EQ(thumbs[0].rgb.size(), 66u * 85 * 3);
    EXPECT_EQ(ThumbPixel(thumbs[0], 66, 10, 10), silver);
    EXPECT_EQ(ThumbPixel(thumbs[0], 66, 50, 10), white);
    EXPECT_EQ(ThumbPixel(thumbs[0], 66, 10, 70), white);

    EXPECT_NE(thumbs[1].dictionary.find("/Width 85 "), std::string::npos) << thumbs[1].dictionary;
    ASSERT_EQ(thumbs[1].rgb.size(), 85u * 66 * 3);
    EXPECT_EQ(ThumbPixel(thumbs[1], 85, 75, 10), silver);
    EXPECT_EQ(ThumbPixel(thumbs[1], 85, 10, 10), white);
    EXPECT_EQ(ThumbPixel(thumbs[1], 85, 75, 60), white);
}

// A caller's picture becomes the open page's thumbnail as it is, with thumbnails off; without an
// open page it is dropped.
TEST(PdfImages, ACallersPictureBecomesThePagesThumbnail)
{
    TPdfDevice device;
    const auto bitmap = SampleBitmap(pf24bit, 3, 2);
    device.BeginDoc(612, 792, 72);
    device.AddThumb(*bitmap);
    device.StartPage(612, 792, 72, 72, 0);
    device.AddThumbHandle(nullptr);
    device.AddThumbHandle(bitmap.get());
    device.EndPage();
    device.EndDoc();
    const std::string pdf = DeviceOutput(device);
    TemporaryFolder folder;
    ExpectQpdfPasses(folder, pdf);
    const auto thumbs = Thumbs(folder, pdf);
    ASSERT_EQ(thumbs.size(), 1u);
    EXPECT_NE(thumbs[0].dictionary.find("/Width 3 "), std::string::npos) << thumbs[0].dictionary;
    ASSERT_EQ(thumbs[0].rgb.size(), 3u * 2 * 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const TColor color = bitmap->Pixel(x, y);
            EXPECT_EQ(ThumbPixel(thumbs[0], 3, x, y),
                      (Rgb{static_cast<std::uint8_t>(GetRValue(color)), static_cast<std::uint8_t>(GetGValue(color)),
                           static_cast<std::uint8_t>(GetBValue(color))}));
        }
}
