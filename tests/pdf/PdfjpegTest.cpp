#include "pdf/Pdfjpeg.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Blue, green, red rows, top first, without padding: a red left half and a blue right half.
std::vector<std::uint8_t> RedBlueRows(int width, int height)
{
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t red = x < width / 2 ? 255 : 0;
            rows.insert(rows.end(), {static_cast<std::uint8_t>(255 - red), 0, red});
        }
    return rows;
}

std::string BytesOf(TMemoryStream& stream)
{
    return {reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size())};
}

// Whether the file's first frame header is the baseline one (SOF0).
bool IsBaseline(const std::string& jpeg)
{
    for (std::size_t i = 2; i + 3 < jpeg.size();) {
        const auto marker = static_cast<std::uint8_t>(jpeg[i + 1]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker == 0xC0;
        i += 2 + (static_cast<std::uint8_t>(jpeg[i + 2]) << 8 | static_cast<std::uint8_t>(jpeg[i + 3]));
    }
    return false;
}

RgbImage DecodedByDjpeg(const std::string& jpeg)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("a.jpg"), jpeg);
    return DecodedBy("/usr/bin/djpeg '" + folder.File("a.jpg") + "'");
}

} // namespace

TEST(PdfjpegTest, CompressDIBMakesBaselineJPEGThatDjpegDecodesAtEveryPdfQuality)
{
    const int width = 16, height = 8;
    const auto rows = RedBlueRows(width, height);
    for (int quality : {10, 25, 50, 75, 100}) {
        pdfjpeg::TJPEGImage jpeg;
        jpeg.SetCompressionQuality(quality);
        TMemoryStream out;
        out.WriteBuffer("head", 4);
        ASSERT_TRUE(jpeg.CompressDIB(rows.data(), width * 3, width, height, &out));
        const std::string jpegBytes = BytesOf(out).substr(4);
        EXPECT_TRUE(IsBaseline(jpegBytes)) << quality;
        const RgbImage decoded = DecodedByDjpeg(jpegBytes);
        ASSERT_EQ(decoded.width, width);
        ASSERT_EQ(decoded.height, height);
        const Rgb left = decoded.At(1, 4), right = decoded.At(width - 2, 4);
        EXPECT_GT(left.r, 200) << quality;
        EXPECT_LT(left.b, 60) << quality;
        EXPECT_GT(right.b, 200) << quality;
        EXPECT_LT(right.r, 60) << quality;
    }
}

TEST(PdfjpegTest, NegativeRowStepCompressesBottomUpRowsTopFirst)
{
    const int width = 12, height = 10;
    std::vector<std::uint8_t> topDown(static_cast<std::size_t>(width) * 3 * height);
    for (std::size_t i = 0; i < topDown.size(); ++i)
        topDown[i] = static_cast<std::uint8_t>(i * 7 / (width * 3) * 25); // a gradient from top to bottom
    std::vector<std::uint8_t> bottomUp;
    for (int y = height - 1; y >= 0; --y)
        bottomUp.insert(bottomUp.end(), topDown.begin() + y * width * 3, topDown.begin() + (y + 1) * width * 3);

    pdfjpeg::TJPEGImage jpeg;
    TMemoryStream fromTop, fromBottom;
    ASSERT_TRUE(jpeg.CompressDIB(topDown.data(), width * 3, width, height, &fromTop));
    ASSERT_TRUE(jpeg.CompressDIB(bottomUp.data() + (height - 1) * width * 3, -width * 3, width, height, &fromBottom));
    EXPECT_EQ(BytesOf(fromTop), BytesOf(fromBottom));
}

TEST(PdfjpegTest, CompressDIBRefusesNothingToCompressAndLibraryErrors)
{
    const auto rows = RedBlueRows(4, 4);
    pdfjpeg::TJPEGImage jpeg;
    TMemoryStream out;
    EXPECT_FALSE(jpeg.CompressDIB(rows.data(), 12, 4, 0, &out));
    EXPECT_FALSE(jpeg.CompressDIB(rows.data(), 0, 4, 4, &out));
    EXPECT_FALSE(jpeg.CompressDIB(nullptr, 12, 4, 4, &out));
    // The library refuses a picture of no columns; its error must leave nothing behind.
    EXPECT_FALSE(jpeg.CompressDIB(rows.data(), 12, 0, 4, &out));
    EXPECT_FALSE(jpeg.CompressDIB(rows.data(), 12, 70000, 1, nullptr));
    EXPECT_EQ(out.Size(), 0);
    EXPECT_TRUE(jpeg.Empty());

    ASSERT_TRUE(jpeg.CompressDIB(rows.data(), 12, 4, 4, nullptr));
    EXPECT_EQ(jpeg.Width(), 4);
    TMemoryStream own;
    jpeg.SaveToStream(own);
    EXPECT_TRUE(IsBaseline(BytesOf(own)));
}

TEST(PdfjpegTest, AssignedBitmapIsCompressedOnceAndSavedAlike)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(9, 5);
    bitmap.Canvas().Brush.Color = clRed;
    bitmap.Canvas().FillRect({0, 0, 9, 5});
    pdfjpeg::TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    TMemoryStream first, second;
    jpeg.SaveToStream(first);
    jpeg.SaveToStream(second);
    ASSERT_GT(first.Size(), 0);
    EXPECT_EQ(BytesOf(first), BytesOf(second));
    const RgbImage decoded = DecodedByDjpeg(BytesOf(first));
    EXPECT_EQ(decoded.width, 9);
    EXPECT_GT(decoded.At(4, 2).r, 240);
    EXPECT_LT(decoded.At(4, 2).g, 20);

    TMemoryStream withSize;
    jpeg.WriteData(withSize);
    std::uint32_t size = 0;
    withSize.SetPosition(0);
    withSize.ReadBuffer(&size, 4);
    EXPECT_EQ(size, first.Size());
}

TEST(PdfjpegTest, RefusesWhatOnlyADecoderCouldDo)
{
    pdfjpeg::TJPEGImage jpeg;
    TMemoryStream empty;
    EXPECT_EQ(RaisedMessage<EInvalidGraphicOperation>([&] { jpeg.LoadFromStream(empty); }), "Not supported");
    EXPECT_EQ(RaisedMessage<EInvalidGraphicOperation>([&] { jpeg.SetHeight(5); }),
              "Cannot change the size of a JPEG image");
}
