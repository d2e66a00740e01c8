#include "imageformats/RLAGraphic.h"
#include "platform/core/Streams.h"

#include "ImageTestSupport.h"
#include "ReaderErrors.h"
#include "RunLengthFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace fixtures;

namespace {

const std::string InvalidRla = "Cannot load image. Invalid or unexpected RLA or RPF image format.";
const std::string RlaColorFormat = "Invalid color format in RLA or RPF file.";
const std::string RlaReadError = "Stream read error in RLA or RPF file.";

// 200 x 9 pixels: runs longer than a packet holds on the left, every pixel different on the right.
RgbImage TestPicture()
{
    RgbImage image{200, 9, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels.push_back(x < 140
                                       ? Rgb{static_cast<std::uint8_t>(20 * y), 200, static_cast<std::uint8_t>(x / 70)}
                                       : Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x * y),
                                             static_cast<std::uint8_t>(255 - x)});
    return image;
}

Bytes TestAlpha(const RgbImage& image)
{
    Bytes alpha;
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        alpha.push_back(static_cast<std::uint8_t>(i % 251));
    return alpha;
}

std::string LoadError(const std::string& bytes)
{
    TRLAGraphic rla;
    return LoadError(rla, bytes);
}

// The header's field at `at` set to the big-endian word.
std::string Patched(std::string bytes, std::size_t at, int value)
{
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value);
    return bytes;
}

RgbImage WithGamma(const RgbImage& image, double fileGamma)
{
    RgbImage result = image;
    const auto apply = [&](std::uint8_t& value) {
        value = static_cast<std::uint8_t>(std::lround(255 * std::pow(value / 255.0, 1 / (fileGamma * 2.2))));
    };
    for (Rgb& pixel : result.pixels) {
        apply(pixel.r);
        apply(pixel.g);
        apply(pixel.b);
    }
    return result;
}

} // namespace

TEST(RLAGraphic, DecodesBothRowOrdersAndTheMatteAsAlpha)
{
    const RgbImage picture = TestPicture();
    for (const bool bottomFirst : {true, false}) {
        TRLAGraphic rla;
        RlaLayout layout;
        layout.bottomFirst = bottomFirst;
        LoadFromBytes(rla, RlaFile(picture, {}, layout));
        ExpectSameImage(RgbOf(rla), picture, bottomFirst ? "bottom first" : "top first");
        EXPECT_EQ(rla.PixelFormat(), pf24bit);
        EXPECT_EQ(rla.ImageProperties().RowOrderFlag, bottomFirst);
    }
    RlaLayout matte;
    matte.mattes = 1;
    const Bytes alpha = TestAlpha(picture);
    TRLAGraphic rla;
    std::vector<std::string> events;
    RecordProgress(rla, events);
    LoadFromBytes(rla, RlaFile(picture, alpha, matte));
    EXPECT_EQ(events.front(), "0 0 0 0,0," + std::to_string(picture.width) + ",1 Transfering...") << "one stage";
    ASSERT_EQ(rla.PixelFormat(), pf32bit);
    EXPECT_EQ(rla.ImageProperties().ColorScheme, csRGBA);
    ExpectSameImage(RgbOf(rla), picture, "with matte");
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            ASSERT_EQ(rla.ScanLine(y)[4 * x + 3], alpha[static_cast<std::size_t>(y) * picture.width + x])
                << x << "," << y;
}

// The gamma text is read without regard to the locale; empty text or text that is no number
// applies none.
TEST(RLAGraphic, AppliesTheFilesGammaForTheDisplay)
{
    const RgbImage picture = TestPicture();
    RlaLayout layout;
    layout.gamma = " 2.2 ";
    TRLAGraphic rla;
    {
        CommaLocale comma;
        LoadFromBytes(rla, RlaFile(picture, {}, layout));
    }
    EXPECT_FLOAT_EQ(rla.ImageProperties().FileGamma, 2.2f);
    EXPECT_TRUE(rla.ImageProperties().Options.Contains(ioUseGamma));
    ExpectSameImage(RgbOf(rla), WithGamma(picture, 2.2), "gamma 2.2", 8, 1);
    for (const char* none : {"", "abc", "   "}) {
        layout.gamma = none;
        LoadFromBytes(rla, RlaFile(picture, {}, layout));
        EXPECT_EQ(rla.ImageProperties().FileGamma, 1.0f) << none;
        EXPECT_FALSE(rla.ImageProperties().Options.Contains(ioUseGamma)) << none;
        ExpectSameImage(RgbOf(rla), picture, std::string("gamma '") + none + "'");
    }
}

// Kinds are compared in lower case; "xyz" passes the check of the header but is not read, and
// layouts the rows cannot be laid out from are refused rather than half read.
TEST(RLAGraphic, RefusesKindsAndChannelLayoutsItDoesNotRead)
{
    const RgbImage picture = TestPicture();
    const auto file = [&](auto change) {
        RlaLayout layout;
        change(layout);
        return RlaFile(picture, TestAlpha(picture), layout);
    };
    TRLAGraphic rla;
    LoadFromBytes(rla, file([](RlaLayout& l) { l.kind = "RGB"; }));
    ExpectSameImage(RgbOf(rla), picture, "RGB");
    const RgbImage before = RgbOf(rla);

    const std::string xyz = file([](RlaLayout& l) { l.kind = "xyz"; });
    TMemoryStream stream;
    stream.Write(xyz.data(), static_cast<std::int64_t>(xyz.size()));
    stream.SetPosition(0);
    EXPECT_TRUE(rla.CanLoad(stream));
    EXPECT_EQ(LoadError(rla, xyz), InvalidRla);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) { l.kind = "rgba"; })), InvalidRla);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) { l.mattes = 2; })), RlaColorFormat);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) { l.bits = 16; })), RlaColorFormat);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) { l.colorChannels = 4; })), RlaColorFormat);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) { l.colorChannels = 1; })), RlaColorFormat);
    EXPECT_EQ(LoadError(rla, file([](RlaLayout& l) {
                            l.colorChannels = 2;
                            l.mattes = 1;
                        })),
              RlaColorFormat);
    EXPECT_TRUE(RgbOf(rla) == before);

    const std::string sound = file([](RlaLayout&) {});
    stream.SetSize(0);
    stream.Write(sound.data(), 740);
    stream.SetPosition(0);
    EXPECT_FALSE(rla.CanLoad(stream));
    EXPECT_EQ(LoadError(rla, Patched(sound, 26, 0xFFFF)), "(loaded)"); // the revision is CanLoad's only
    EXPECT_EQ(LoadError(rla, Patched(sound, 10, 0xFFF0)), InvalidRla); // right edge before the left
}

TEST(RLAGraphic, DamagedFilesRaiseReaderErrorsAndLeaveThePicture)
{
    const RgbImage picture = TestPicture();
    RlaLayout matte;
    matte.mattes = 1;
    for (const std::string& file : {RlaFile(picture, {}), RlaFile(picture, TestAlpha(picture), matte)}) {
        TRLAGraphic rla;
        LoadFromBytes(rla, file);
        const RgbImage before = RgbOf(rla);
        for (const std::size_t length : CutLengths(file.size())) {
            const std::string expected = length < 740 ? InvalidRla : length < file.size() ? RlaReadError : "(loaded)";
            ASSERT_EQ(LoadError(rla, file.substr(0, length)), expected) << length;
            ASSERT_TRUE(RgbOf(rla) == before) << length;
        }
        ForEachBitFlip(file, 600, 740, [](const std::string& bytes) { LoadError(bytes); });
        // A row offset past the end of the file.
        EXPECT_EQ(LoadError(Patched(file, 740, 0x7FFF)), RlaReadError);
    }
}

namespace {

// The picture of `row` (one row) made `height` rows tall, every row pointing at its stored data.
std::string RowsSharingOneRow(const RgbImage& row, int height)
{
    const std::string one = RlaFile(row, {});
    std::string offsets;
    for (int y = 0; y < height; ++y)
        PutBE(offsets, 740 + 4 * static_cast<std::size_t>(height), 4);
    return Patched(Patched(one.substr(0, 740), 6, height - 1), 14, height - 1) + offsets + one.substr(744);
}

} // namespace

// Rows that share stored data fill the picture once: 44 KB whose 11000 rows all point at one row of
// 16000 pixels (a picture of 528 MB) are refused before the picture is made, as a file whose rows
// could not all be read.
TEST(RLAGraphic, RowsSharingTheirDataCountItOnce)
{
    RgbImage wide{16000, 1, std::vector<Rgb>(16000, Rgb{10, 20, 30})};
    RgbImage firstRow = TestPicture();
    firstRow.height = 1;
    firstRow.pixels.resize(200);
    const struct {
        std::string name;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"11000 rows of 16000 pixels on one", RowsSharingOneRow(wide, 11000), RlaReadError},
        {"9 rows of 200 pixels on one", RowsSharingOneRow(firstRow, 9), "(loaded)"},
    };
    for (const auto& c : cases) {
        TRLAGraphic rla;
        const MeasuredWork load = MeasuredLoad(rla, c.bytes);
        EXPECT_EQ(load.answer, c.message) << c.name;
        EXPECT_LT(load.peakBytes, RefusalBytes) << c.name;
    }
}
