#include "platform/graphics/JPEGImage.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"

#include "GraphicsTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

namespace {

std::string MakeJpeg(const TemporaryFolder& folder, const std::string& name, const std::string& options)
{
    const std::string source = folder.File("source.ppm");
    WriteWholeFile(source, PpmOf(StripedImage(67, 41, 150)));
    const std::string path = folder.File(name);
    int status = 0;
    RunCommand("/usr/bin/convert " + source + " " + options + " " + path, &status);
    EXPECT_EQ(status, 0) << options;
    return path;
}

RgbImage DecodeWithDjpeg(const std::string& path)
{
    int status = 0;
    const std::string output = RunCommand("/usr/bin/djpeg '" + path + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << path;
    return ParsePnm(output);
}

// Frees blocks of the size written over, so that bytes a decoder leaves unset would show.
void LeaveUsedHeapOfSize(std::size_t size)
{
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) {
        blocks.push_back(std::malloc(size));
        std::memset(blocks.back(), 0xEE, size);
    }
    for (void* block : blocks)
        std::free(block);
}

std::string JpegError(int code) { return "JPEG error #" + IntToStr(code); }

void ExpectLoadError(const std::string& bytes, const std::string& message)
{
    TJPEGImage image;
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    try {
        image.LoadFromStream(stream);
        ADD_FAILURE() << "no exception for " << message;
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), message);
    }
    EXPECT_TRUE(image.Empty());
}

// The first value of the first quantisation table, and the frame marker's type.
int FirstQuantValue(const std::string& bytes) { return static_cast<unsigned char>(bytes[bytes.find("\xFF\xDB") + 5]); }
bool HasMarker(const std::string& bytes, char marker)
{
    return bytes.find(std::string("\xFF") + marker) != std::string::npos;
}

} // namespace

TEST(JPEGImage, DecodesExactlyAsDjpeg)
{
    TemporaryFolder folder;
    const struct {
        std::string name;
        std::string options;
        TPixelFormat format;
    } cases[] = {{"colour.jpg", "-quality 85", pf24bit},
                 {"grey.jpg", "-colorspace Gray", pf8bit},
                 {"progressive.jpg", "-interlace JPEG", pf24bit},
                 {"cmyk.jpg", "-colorspace CMYK", pf24bit},
                 {"subsampled.jpg", "-sampling-factor 2x2", pf24bit}};
    for (const auto& c : cases) {
        const std::string path = MakeJpeg(folder, c.name, c.options);
        TJPEGImage image;
        image.LoadFromFile(path);
        EXPECT_EQ(image.Bitmap().PixelFormat(), c.format) << c.name;
        EXPECT_EQ(image.Width(), 67);
        EXPECT_EQ(image.Height(), 41);
        EXPECT_TRUE(RgbOf(image.Bitmap()) == DecodeWithDjpeg(path)) << c.name;
        TBitmap bitmap;
        bitmap.Assign(image);
        EXPECT_TRUE(RgbOf(bitmap) == RgbOf(image.Bitmap())) << c.name;
    }
}

TEST(JPEGImage, SavesWithQualityAndProgressiveMarkers)
{
    TemporaryFolder folder;
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf15bit); // not 24-bit: converted for the encoder
    bitmap.SetSize(30, 20);
    bitmap.SetPixel(3, 3, clRed);
    TJPEGImage image;
    image.Assign(bitmap);
    EXPECT_EQ(image.CompressionQuality(), 90);
    EXPECT_FALSE(image.ProgressiveEncoding());
    const std::string baseline = folder.File("baseline.jpg");
    image.SaveToFile(baseline);
    std::string bytes = ReadWholeFile(baseline);
    EXPECT_EQ(FirstQuantValue(bytes), 3); // 16 scaled for quality 90
    EXPECT_TRUE(HasMarker(bytes, '\xC0'));
    EXPECT_FALSE(HasMarker(bytes, '\xC2'));
    const RgbImage decoded = DecodeWithDjpeg(baseline);
    EXPECT_EQ(decoded.width, 30);
    EXPECT_EQ(decoded.height, 20);

    image.SetCompressionQuality(50);
    image.SetProgressiveEncoding(true);
    const std::string progressive = folder.File("progressive.jpg");
    image.SaveToFile(progressive);
    bytes = ReadWholeFile(progressive);
    EXPECT_EQ(FirstQuantValue(bytes), 16);
    EXPECT_TRUE(HasMarker(bytes, '\xC2'));
    EXPECT_EQ(DecodeWithDjpeg(progressive).width, 30);

    image.SetCompressionQuality(500);
    EXPECT_EQ(image.CompressionQuality(), 100);

    // A loaded picture saves its own bytes again.
    TJPEGImage loaded;
    loaded.LoadFromFile(progressive);
    TMemoryStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(again.Memory()), static_cast<std::size_t>(again.Size())),
              bytes);
}

TEST(JPEGImage, CorruptTruncatedAndEmptyFilesRaise)
{
    TemporaryFolder folder;
    const std::string whole = ReadWholeFile(MakeJpeg(folder, "c.jpg", "-quality 80"));
    ExpectLoadError("", JpegError(JERR_INPUT_EMPTY));
    ExpectLoadError("GIF89a and more bytes", JpegError(JERR_NO_SOI));
    ExpectLoadError(whole.substr(0, whole.size() / 2), JpegError(JWRN_JPEG_EOF));
    ExpectLoadError(whole.substr(0, 200), JpegError(JWRN_JPEG_EOF));
    std::string badFrame = whole;
    const std::size_t sof = badFrame.find("\xFF\xC0");
    badFrame[sof + 9] = 7; // seven components do not fit the frame marker's length
    ExpectLoadError(badFrame, JpegError(JERR_BAD_LENGTH));

    // A failed load keeps the picture that was there.
    TJPEGImage image;
    image.LoadFromFile(folder.File("c.jpg"));
    TMemoryStream garbage;
    garbage.WriteBuffer("xx", 2);
    garbage.SetPosition(0);
    EXPECT_THROW(image.LoadFromStream(garbage), EInvalidGraphic);
    EXPECT_EQ(image.Width(), 67);
}

TEST(JPEGImage, ReportsProgressAndAssigns)
{
    TemporaryFolder folder;
    TJPEGImage image;
    std::vector<TProgressStage> stages;
    int lastPercent = -1;
    image.OnProgress = [&](TGraphic& sender, TProgressStage stage, std::uint8_t percent, bool, const TRect& rect,
                           const std::string&) {
        EXPECT_EQ(&sender, &image);
        EXPECT_EQ(rect.Right, 67);
        EXPECT_GE(percent, lastPercent);
        lastPercent = percent;
        if (stages.empty() || stages.back() != stage)
            stages.push_back(stage);
    };
    image.LoadFromFile(MakeJpeg(folder, "p.jpg", ""));
    EXPECT_EQ(stages, (std::vector<TProgressStage>{psStarting, psRunning, psEnding}));
    EXPECT_EQ(lastPercent, 100);

    TJPEGImage copy;
    copy.Assign(image);
    EXPECT_TRUE(RgbOf(copy.Bitmap()) == RgbOf(image.Bitmap()));
    const TJPEGImage empty;
    copy.Assign(empty);
    EXPECT_TRUE(copy.Empty());
}

TEST(JPEGImage, LoadsIntoABitmapThatHeldAnotherPictureOfAnotherFormatAndSize)
{
    TemporaryFolder folder;
    for (const std::string options : {"-quality 85", "-colorspace Gray"}) {
        const std::string path = MakeJpeg(folder, "picture.jpg", options);
        const bool grey = options == "-colorspace Gray";
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf4bit);
        bitmap.SetSize(120, 90);
        bitmap.SetTransparentColor(clRed);
        bitmap.SetTransparent(true);
        LeaveUsedHeapOfSize(static_cast<std::size_t>(grey ? 68 : 204) * 41);
        TJPEGImage image;
        image.LoadFromFile(path);
        bitmap.Assign(image);
        EXPECT_EQ(bitmap.PixelFormat(), grey ? pf8bit : pf24bit) << options;
        EXPECT_EQ(bitmap.Palette().Count(), grey ? 256 : 0) << options;
        EXPECT_EQ(bitmap.BytesPerScanLine(), grey ? 68 : 204) << options;
        EXPECT_TRUE(RgbOf(bitmap) == DecodeWithDjpeg(path)) << options;
        EXPECT_FALSE(bitmap.Transparent());
        EXPECT_EQ(bitmap.TransparentColor(), bitmap.Pixel(0, 40) | 0x02000000);
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = grey ? 67 : 201; x < bitmap.BytesPerScanLine(); ++x)
                ASSERT_EQ(bitmap.ScanLine(y)[x], 0) << options << " padding at " << x << "," << y;
    }
}

TEST(JPEGImage, HandsItsPixelsOverAndDecodesThemAgainWhenAsked)
{
    TemporaryFolder folder;
    const std::string path = MakeJpeg(folder, "p.jpg", "-interlace JPEG");
    const RgbImage expected = DecodeWithDjpeg(path);
    TJPEGImage image;
    image.LoadFromFile(path);
    int progressCalls = 0;
    image.OnProgress = [&](TGraphic&, TProgressStage, std::uint8_t, bool, const TRect&, const std::string&) {
        ++progressCalls;
    };
    TBitmap first;
    first.Assign(image);
    first.SetPixel(0, 0, clRed);
    EXPECT_EQ(image.Width(), 67);
    EXPECT_EQ(image.Height(), 41);
    EXPECT_FALSE(image.Empty());

    TJPEGImage copy;
    copy.Assign(image); // of a picture whose pixels were handed over: only the bytes
    EXPECT_EQ(copy.Width(), 67);
    EXPECT_TRUE(RgbOf(image.Bitmap()) == expected);
    TBitmap second;
    second.Assign(image);
    EXPECT_TRUE(RgbOf(second) == expected);
    EXPECT_TRUE(RgbOf(copy.Bitmap()) == expected);
    EXPECT_EQ(progressCalls, 0);
    TMemoryStream saved;
    copy.SaveToStream(saved);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.Memory()), static_cast<std::size_t>(saved.Size())),
              ReadWholeFile(path));

    // Pixels assigned from a bitmap have no bytes to decode again from: they are copied.
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(5, 4);
    source.SetPixel(1, 2, clBlue);
    TJPEGImage fromBitmap;
    fromBitmap.Assign(source);
    TBitmap target;
    target.Assign(fromBitmap);
    EXPECT_TRUE(RgbOf(target) == RgbOf(source));
    EXPECT_TRUE(RgbOf(fromBitmap.Bitmap()) == RgbOf(source));
}

// A few hundred bytes claiming 65500 x 65500 pixels: a progressive picture would have the library
// set up buffers for every coefficient (tens of gigabytes) before a row is decoded. Every kind is
// refused for its size first, before the library allocates: a side of 0 or over 65535, or pixels
// beyond the readers' 512 MB (15000 x 15000 colour pixels take 675 MB, which a bitmap could hold).
TEST(JPEGImage, PicturesBeyondTheReadersSizeRuleRaiseBeforeDecoding)
{
    TemporaryFolder folder;
    const struct {
        std::string height, width;
        int error;
    } sizes[] = {{"\xFF\xDC", "\xFF\xDC", JERR_IMAGE_TOO_BIG},
                 {"\x3A\x98", "\x3A\x98", JERR_IMAGE_TOO_BIG},
                 {std::string("\x00\x01", 2), "\xFF\xFF", JERR_IMAGE_TOO_BIG},
                 {std::string("\x00\x01", 2), std::string("\x00\x00", 2), JERR_EMPTY_IMAGE}};
    for (const auto& [options, frameMarker] :
         {std::pair{"-quality 80", "\xFF\xC0"}, std::pair{"-interlace JPEG", "\xFF\xC2"},
          std::pair{"-interlace JPEG -colorspace CMYK", "\xFF\xC2"}}) {
        const std::string made = ReadWholeFile(MakeJpeg(folder, "big.jpg", options));
        const std::size_t frame = made.find(frameMarker);
        ASSERT_NE(frame, std::string::npos) << options;
        for (const auto& size : sizes) {
            std::string bytes = made;
            bytes.replace(frame + 5, 4, size.height + size.width);
            TJPEGImage image;
            image.LoadFromFile(folder.File("big.jpg")); // the picture as made, which a failed load keeps
            TMemoryStream stream;
            stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            stream.SetPosition(0);
            EXPECT_EQ(RaisedMessage<EJPEG>([&] { image.LoadFromStream(stream); }), JpegError(size.error)) << options;
            EXPECT_EQ(image.Width(), 67) << options;
        }
    }
}
