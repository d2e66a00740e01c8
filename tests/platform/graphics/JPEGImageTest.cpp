#include "platform/graphics/JPEGImage.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGCompressor.h"
#include "platform/graphics/JPEGErrors.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <new>
#include <utility>
#include <vector>

namespace {

// The test picture as a JPEG file made by ImageMagick with the options, or by cjpeg, which alone
// writes arithmetic-coded files, for options that start with its name.
std::string MakeJpeg(const TemporaryFolder& folder, const std::string& name, const std::string& options)
{
    const std::string source = folder.File("source.ppm");
    WriteWholeFile(source, PpmOf(StripedImage(67, 41, 150)));
    const std::string path = folder.File(name);
    int status = 0;
    RunCommand(options.starts_with("cjpeg") ? "/usr/bin/" + options + " " + source + " > " + path
                                            : "/usr/bin/convert " + source + " " + options + " " + path,
               &status);
    EXPECT_EQ(status, 0) << options;
    return path;
}

RgbImage DecodeWithDjpeg(const std::string& path) { return DecodedBy("/usr/bin/djpeg '" + path + "'"); }

// What djpeg says on decoding the file: its warnings, empty for a file it finds whole.
std::string DjpegWarnings(const std::string& path)
{
    return RunCommand("/usr/bin/djpeg '" + path + "' 2>&1 >/dev/null");
}

// The bytes with the frame marker's height and width replaced.
std::string WithFrameSize(std::string bytes, int width, int height)
{
    std::size_t frame = std::string::npos;
    for (const char* marker : {"\xFF\xC0", "\xFF\xC2", "\xFF\xC9", "\xFF\xCA"})
        frame = std::min(frame, bytes.find(marker));
    EXPECT_NE(frame, std::string::npos);
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height & 0xFF);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width & 0xFF);
    return bytes;
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
                 {"subsampled.jpg", "-sampling-factor 2x2", pf24bit},
                 {"arithmetic.jpg", "cjpeg -arithmetic", pf24bit},
                 {"arithmetic-progressive.jpg", "cjpeg -arithmetic -progressive -grayscale", pf8bit}};
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
        // Asked for at least 20 x 8, it is decoded at three eighths, 26 x 16, as djpeg scales it.
        TJPEGImage scaled;
        scaled.SetLeastSize({20, 8});
        scaled.LoadFromFile(path);
        EXPECT_EQ(scaled.WholeSize(), (TSize{67, 41}));
        EXPECT_TRUE(RgbOf(scaled.Bitmap()) == DecodedBy("/usr/bin/djpeg -scale 3/8 '" + path + "'")) << c.name;
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

// Memory that runs short once the first 4 KB of output are written ends the save as memory running
// short does anywhere (the sanitizer build sees every block freed exactly once).
TEST(JPEGImage, MemoryRunningShortPastTheFirstBlockEndsTheSaveCleanly)
{
    TemporaryFolder folder;
    TBitmap noise;
    noise.SetSize(200, 200);
    for (int i = 0; i < 200 * 200; ++i)
        noise.SetPixel(i % 200, i / 200, static_cast<TColor>(i * 2654435761u & 0xFFFFFF));
    TJPEGImage image;
    image.Assign(noise);
    SetJPEGBlockAllocator([](std::size_t bytes) { return bytes > 4096 ? nullptr : std::malloc(bytes); });
    EXPECT_THROW(image.SaveToFile(folder.File("noise.jpg")), std::bad_alloc);
    SetJPEGBlockAllocator(nullptr);
    image.SaveToFile(folder.File("noise.jpg"));
    EXPECT_EQ(DecodeWithDjpeg(folder.File("noise.jpg")).width, 200);
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
            // Judged by the whole picture's size, whatever the scale it would be decoded at.
            image.SetLeastSize({8, 8});
            image.LoadFromFile(folder.File("big.jpg")); // the picture as made, which a failed load keeps
            TMemoryStream stream;
            stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            stream.SetPosition(0);
            EXPECT_EQ(RaisedMessage<EJPEG>([&] { image.LoadFromStream(stream); }), JpegError(size.error)) << options;
            EXPECT_EQ(image.WholeSize(), (TSize{67, 41})) << options;
        }
    }
}

// djpeg judges what is whole. Every file it decodes without a warning loads as djpeg decodes it, and
// so does one with stray bytes before a marker, which djpeg warns about but decodes whole. A picture
// djpeg finds cut short is refused, at the first sign, with the number of djpeg's warning.
TEST(JPEGImage, RefusesWhatDjpegFindsCutShortAndLoadsTheRest)
{
    TemporaryFolder folder;
    std::vector<std::string> whole;
    for (const auto& [name, options] :
         {std::pair{"colour.jpg", "-quality 85"}, std::pair{"grey.jpg", "-colorspace Gray"},
          std::pair{"progressive.jpg", "-interlace JPEG"}, std::pair{"cmyk.jpg", "-colorspace CMYK"},
          std::pair{"subsampled.jpg", "-sampling-factor 2x2"}, std::pair{"small.jpg", "-resize 32x32! -quality 85"},
          std::pair{"small-progressive.jpg", "-resize 32x32! -interlace JPEG"}})
        whole.push_back(MakeJpeg(folder, name, options));
    for (const char* name : {"cmyk.jpg", "colour.jpg", "grey.jpg", "progressive.jpg"})
        whole.push_back(std::string(KESTRAME_TEST_DATA) + "/fuzz/fuzz_jpeg/" + name);
    for (const bool progressive : {false, true}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(40, 24);
        bitmap.SetPixel(5, 7, clRed);
        TJPEGImage saved;
        saved.Assign(bitmap);
        saved.SetProgressiveEncoding(progressive);
        whole.push_back(folder.File(progressive ? "ours-progressive.jpg" : "ours.jpg"));
        saved.SaveToFile(whole.back());
    }
    for (const std::string& path : whole) {
        EXPECT_EQ(DjpegWarnings(path), "") << path;
        TJPEGImage image;
        EXPECT_NO_THROW(image.LoadFromFile(path)) << path;
        EXPECT_TRUE(RgbOf(image.Bitmap()) == DecodeWithDjpeg(path)) << path;
    }

    // djpeg ends with status 2 after a warning, so the picture with stray bytes is compared with the
    // file without them.
    const std::string colour = ReadWholeFile(folder.File("colour.jpg"));
    std::string stray = colour;
    stray.insert(stray.find("\xFF\xDB"), "\x01\x02\x03");
    WriteWholeFile(folder.File("stray.jpg"), stray);
    EXPECT_NE(DjpegWarnings(folder.File("stray.jpg")).find("3 extraneous bytes before marker 0xdb"), std::string::npos);
    TJPEGImage strayImage;
    EXPECT_NO_THROW(strayImage.LoadFromFile(folder.File("stray.jpg")));
    EXPECT_TRUE(RgbOf(strayImage.Bitmap()) == DecodeWithDjpeg(folder.File("colour.jpg")));

    const struct {
        std::string name;
        std::string bytes;
        std::string djpegSays;
        int code;
    } cut[] = {
        {"tall.jpg", WithFrameSize(ReadWholeFile(folder.File("small.jpg")), 32, 64), "premature end of data segment",
         JWRN_HIT_MARKER},
        {"tall-progressive.jpg", WithFrameSize(ReadWholeFile(folder.File("small-progressive.jpg")), 32, 64),
         "premature end of data segment", JWRN_HIT_MARKER},
        {"half.jpg", colour.substr(0, colour.size() / 2), "Premature end of JPEG file", JWRN_JPEG_EOF},
    };
    for (const auto& c : cut) {
        WriteWholeFile(folder.File(c.name), c.bytes);
        EXPECT_NE(DjpegWarnings(folder.File(c.name)).find(c.djpegSays), std::string::npos) << c.name;
        ExpectLoadError(c.bytes, JpegError(c.code));
    }
}

// Where each scan of the picture begins and ends: from its marker to the next marker that is no
// restart marker.
std::vector<std::pair<std::size_t, std::size_t>> ScansOf(const std::string& bytes)
{
    std::vector<std::pair<std::size_t, std::size_t>> scans;
    for (std::size_t start = bytes.find("\xFF\xDA"); start != std::string::npos;
         start = bytes.find("\xFF\xDA", scans.back().second)) {
        std::size_t end =
            start + 2 +
            (static_cast<std::uint8_t>(bytes[start + 2]) << 8 | static_cast<std::uint8_t>(bytes[start + 3]));
        while (end + 1 < bytes.size()) {
            const auto next = static_cast<std::uint8_t>(bytes[end + 1]);
            if (bytes[end] == '\xFF' && next != 0 && (next < 0xD0 || next > 0xD7))
                break;
            ++end;
        }
        scans.emplace_back(start, end);
    }
    return scans;
}

std::string WithScanRepeated(const std::string& bytes, std::size_t scan, int times)
{
    const auto [start, end] = ScansOf(bytes).at(scan);
    std::string repeated = bytes;
    for (int i = 0; i < times; ++i)
        repeated.insert(end, bytes.substr(start, end - start));
    return repeated;
}

// A cjpeg scan script: the DC scan, then the component's coefficients `first` to `last` one by one,
// at full precision or first at half and then refined.
std::string OneCoefficientScans(int component, int first, int last, bool refined)
{
    std::string script = "0,1,2: 0-0, 0, 0 ;\n";
    for (int k = first; k <= last; ++k) {
        const std::string band = std::to_string(component) + ": " + std::to_string(k) + "-" + std::to_string(k);
        script += refined ? band + ", 0, 1 ;\n" + band + ", 1, 0 ;\n" : band + ", 0, 0 ;\n";
    }
    return script;
}

// The first picture with the scans after the DC scan of the others appended, each with the tables
// written before it: cjpeg takes at most 100 scans a script, all pictures share their frame and
// quantisation, and the scans together form one sound progression.
std::string JoinedScans(const std::vector<std::string>& pictures)
{
    std::string joined = pictures[0].substr(0, ScansOf(pictures[0]).back().second);
    for (std::size_t i = 1; i < pictures.size(); ++i)
        joined += pictures[i].substr(ScansOf(pictures[i])[0].second,
                                     ScansOf(pictures[i]).back().second - ScansOf(pictures[i])[0].second);
    return joined + "\xFF\xD9";
}

// A progressive picture is damaged when a scan refines what an earlier one already finished (djpeg
// warns of an inconsistent progression), when it begins coefficients an earlier scan began (which
// djpeg lets pass), or when it has more than 256 scans (djpeg -maxscans 256 refuses it). Such a
// picture is refused with that warning's number, before a file repeating one scan can keep the
// library busy for a pass over the picture per repeat.
TEST(JPEGImage, ProgressionsThatRepeatScansAreRefused)
{
    TemporaryFolder folder;
    const std::string progressive = ReadWholeFile(MakeJpeg(folder, "progressive.jpg", "-interlace JPEG"));
    const auto scripted = [&](const std::string& name, const std::string& script) {
        WriteWholeFile(folder.File(name + ".txt"), script);
        return RunTool("/usr/bin/cjpeg -scans " + folder.File(name + ".txt") + " " + folder.File("source.ppm"));
    };
    const std::string fullScans =
        scripted("full", "0,1,2: 0-0, 0, 0 ;\n0: 1-63, 0, 0 ;\n1: 1-63, 0, 0 ;\n2: 1-63, 0, 0 ;\n");
    ASSERT_EQ(ScansOf(fullScans).size(), 4u);
    std::vector<std::string> eachOnce, refinedEach;
    for (int component = 0; component < 3; ++component) {
        const std::string name = std::to_string(component);
        eachOnce.push_back(scripted("once" + name, OneCoefficientScans(component, 1, 63, false)));
        refinedEach.push_back(scripted("low" + name, OneCoefficientScans(component, 1, 49, true)));
        refinedEach.push_back(scripted("high" + name, OneCoefficientScans(component, 50, 63, true)));
    }
    const struct {
        std::string name;
        std::string bytes;
        std::string djpegOptions;
        std::string djpegSays;
        bool refused;
    } cases[] = {
        {"refinement.jpg", WithScanRepeated(progressive, ScansOf(progressive).size() - 1, 1), "",
         "Inconsistent progression sequence", true},
        {"first-scan.jpg", WithScanRepeated(progressive, 0, 1), "", "Inconsistent progression sequence", true},
        {"full-scan.jpg", WithScanRepeated(fullScans, 1, 1), "", "", true},
        {"379-scans.jpg", JoinedScans(refinedEach), "-maxscans 256", "exceeds maximum scans", true},
        {"190-scans.jpg", JoinedScans(eachOnce), "-maxscans 256", "", false},
    };
    for (const auto& c : cases) {
        const std::string path = folder.File(c.name);
        WriteWholeFile(path, c.bytes);
        const std::string djpegSays =
            RunCommand("/usr/bin/djpeg " + c.djpegOptions + " '" + path + "' 2>&1 >/dev/null");
        EXPECT_NE(djpegSays.find(c.djpegSays), std::string::npos) << c.name << ": " << djpegSays;
        if (c.refused) {
            ExpectLoadError(c.bytes, JpegError(JWRN_BOGUS_PROGRESSION));
            continue;
        }
        TJPEGImage image;
        EXPECT_NO_THROW(image.LoadFromFile(path)) << c.name;
        EXPECT_TRUE(RgbOf(image.Bitmap()) == DecodeWithDjpeg(path)) << c.name;
    }
}

// A few hundred bytes whose frame claims 8000 x 8000 pixels: a bitmap of that size may be made, but
// the bytes cannot hold a bit for each block of the first scan, so the picture is refused before its
// bitmap or the library's buffers (for a progressive picture every coefficient) exist, with the
// warning the library would give on reaching the end.
TEST(JPEGImage, APictureItsBytesCannotHoldIsRefusedBeforeDecoding)
{
    TemporaryFolder folder;
    for (const char* options : {"-quality 80", "-interlace JPEG", "-interlace JPEG -colorspace CMYK"}) {
        const std::string bytes = WithFrameSize(ReadWholeFile(MakeJpeg(folder, "huge.jpg", options)), 8000, 8000);
        ExpectLoadError(bytes, JpegError(JWRN_HIT_MARKER));
        ExpectLoadError(bytes.substr(0, bytes.size() - 2), JpegError(JWRN_JPEG_EOF));
    }

    // Arithmetic-coded pictures made large: past the most pixels; with coefficients beyond the
    // library's memory limit. Each is refused holding next to nothing.
    const auto cjpeg = [&](const std::string& options) {
        return ReadWholeFile(MakeJpeg(folder, "a.jpg", "cjpeg -arithmetic " + options));
    };
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {WithFrameSize(cjpeg("-progressive -grayscale"), 23000, 23000), JpegError(JERR_IMAGE_TOO_BIG)},
        {WithFrameSize(cjpeg("-progressive -sample 1x1"), 13000, 13000), std::string(SJPEGTooLarge)},
    };
    for (const auto& c : cases) {
        const MeasuredWork load = MeasureWork([&] {
            TJPEGImage image;
            return RaisedMessage<EJPEG>([&] { LoadFromBytes(image, c.bytes); });
        });
        EXPECT_EQ(load.answer, c.message);
        EXPECT_LT(load.peakBytes, RefusalBytes) << c.message;
    }
}

// A whole progressive colour picture without subsampling keeps six bytes of coefficients a pixel:
// at 10240 x 10240 that passes the library's memory limit, though the pixels are within the most a
// reader accepts. djpeg held to the same limit refuses it too; the refusal says why in plain words.
TEST(JPEGImage, AProgressivePictureBeyondTheLibrarysMemoryIsTooLargeToRead)
{
    TemporaryFolder folder;
    constexpr int side = 10240;
    ASSERT_TRUE(TBitmap::IsSoundImageSize(side, side, 24));
    const std::string path = folder.File("large.jpg");
    const std::string header = "P6\\n" + IntToStr(side) + " " + IntToStr(side) + "\\n255\\n";
    RunTool("(printf '" + header + "'; head -c " + IntToStr(std::int64_t{3} * side * side) +
            " /dev/zero) | /usr/bin/cjpeg -progressive -sample 1x1 > " + path);
    EXPECT_NE(
        RunCommand("/usr/bin/djpeg -maxmemory " + IntToStr(MaxJPEGMemory >> 20) + "M '" + path + "' 2>&1 >/dev/null")
            .find("Backing store not supported"),
        std::string::npos);
    const MeasuredWork load = MeasureWork([&] {
        TJPEGImage image;
        return RaisedMessage<EJPEG>([&] { image.LoadFromFile(path); });
    });
    EXPECT_EQ(load.answer, "The picture is too large to read.");
    EXPECT_LT(load.peakBytes, RefusalBytes);
}

// The arithmetic coder leaves out the zero bytes a scan would end with, so cjpeg codes a flat picture
// of any size to a few bytes (here five of scan data for 1.3 million blocks): such a picture loads as
// flat as it was made, as djpeg reads it without a warning.
TEST(JPEGImage, AFlatArithmeticCodedPictureOfAFewBytesLoads)
{
    TemporaryFolder folder;
    constexpr int side = 9216;
    WriteWholeFile(folder.File("flat.pgm"), "P5\n9216 9216\n255\n" + std::string(std::size_t{side} * side, '\x80'));
    const std::string path = folder.File("flat.jpg");
    RunTool("/usr/bin/cjpeg -arithmetic -grayscale " + folder.File("flat.pgm") + " > " + path);
    ASSERT_LT(ReadWholeFile(path).size(), 200u);
    EXPECT_EQ(DjpegWarnings(path), "");
    TJPEGImage image;
    ASSERT_NO_THROW(image.LoadFromFile(path));
    const std::string flat(side, '\x80');
    for (int y = 0; y < side; ++y)
        ASSERT_EQ(std::memcmp(image.Bitmap().ScanLine(y), flat.data(), side), 0) << y;
}
