#include "imageformats/ImageGraphic.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/Streams.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A reader that shows the base's protected services.
class TProbeGraphic : public TImageGraphic {
public:
    using TImageGraphic::CheckImageSize;
    using TImageGraphic::RaiseImageError;
    using TImageGraphic::RaiseImageErrorFmt;
    using TImageGraphic::Warning;

    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override
    {
        TImageGraphic::ReadImageProperties(stream, imageIndex);
        FImageProperties.Width = 640;
        FImageProperties.Height = 480;
        FImageProperties.BitsPerPixel = 24;
        FImageProperties.Compression = ctRLE;
        FImageProperties.RowsPerStrip = {16, 16, 8};
        FImageProperties.JPEGTables = {0xFF, 0xD8};
        return true;
    }
    void SetImageSize(std::uint32_t width, std::uint32_t height, std::uint8_t bitsPerPixel)
    {
        FImageProperties.Width = width;
        FImageProperties.Height = height;
        FImageProperties.BitsPerPixel = bitsPerPixel;
    }
};

} // namespace

TEST(ImageGraphic, TheBaseReadsNoPropertiesAndClearsThem)
{
    TProbeGraphic probe;
    TMemoryStream stream;
    probe.ReadImageProperties(stream, 0);
    TImageGraphic& base = probe;
    EXPECT_FALSE(base.TImageGraphic::ReadImageProperties(stream, 0));
    const TImageProperties& properties = probe.ImageProperties();
    EXPECT_EQ(properties.FileGamma, 1.0f);
    EXPECT_EQ(properties.Width, 0u);
    EXPECT_EQ(properties.Compression, ctUnknown);
    EXPECT_EQ(properties.Options.Bits(), 0);
    EXPECT_TRUE(properties.RowsPerStrip.empty());
    EXPECT_TRUE(properties.JPEGTables.empty());
    EXPECT_FALSE(base.CanLoad(stream));
}

TEST(ImageGraphic, AssignFromAReaderCopiesItsPropertiesAndFromABitmapKeepsThem)
{
    TProbeGraphic source;
    TMemoryStream stream;
    source.ReadImageProperties(stream, 0);
    source.SetPixelFormat(pf24bit);
    source.SetSize(3, 2);
    TProbeGraphic target;
    target.Assign(source);
    EXPECT_EQ(target.ImageProperties().Width, 640u);
    EXPECT_EQ(target.ImageProperties().Compression, ctRLE);
    EXPECT_EQ(target.ImageProperties().RowsPerStrip, (TCardinalArray{16, 16, 8}));
    EXPECT_EQ(target.ImageProperties().JPEGTables, (TByteArray{0xFF, 0xD8}));
    EXPECT_EQ(target.Width(), 3);

    TBitmap plain;
    plain.SetPixelFormat(pf8bit);
    plain.SetSize(5, 1);
    target.Assign(plain);
    EXPECT_EQ(target.ImageProperties().Width, 640u);
    EXPECT_EQ(target.Width(), 5);
    EXPECT_EQ(target.PixelFormat(), pf8bit);
}

TEST(ImageGraphic, ErrorsAreInvalidGraphicsWithTheFormattedText)
{
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([] { TProbeGraphic::RaiseImageError(SLZ77Error); }),
              "LZ77 decompression error.");
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([] { TProbeGraphic::RaiseImageErrorFmt(SInvalidImage, {"TIF/TIFF"}); }),
              "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([] {
                  TProbeGraphic::RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, "PCX"});
              }),
              "Cannot load image. The compression scheme is not supported for PCX files.");
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([] { TProbeGraphic::RaiseImageErrorFmt(SStreamReadError, {}); }),
              "Stream read error in %s file.");
}

TEST(ImageGraphic, TheSizeCheckRefusesEmptyHugeAndOverlongImages)
{
    EXPECT_TRUE(TImageGraphic::IsSoundImageSize(1, 1, 1));
    EXPECT_TRUE(TImageGraphic::IsSoundImageSize(65535, 2048, 32));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(0, 10, 8));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(10, 0, 8));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(65536, 1, 8));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(10, 10, 0));
    // 512 MiB passes and one row more does not; nor does a row beyond the most pixels, even at 1 bit.
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(65535, 2049, 32));
    EXPECT_TRUE(TImageGraphic::IsSoundImageSize(65535, 2730, 1));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(65535, 2731, 1));
    EXPECT_FALSE(TImageGraphic::IsSoundImageSize(65535, 65535, 32));

    TProbeGraphic probe;
    probe.SetImageSize(65535, 65535, 32);
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] { probe.CheckImageSize("PNG"); }),
              "Cannot load image. Invalid or unexpected PNG image format.");
    probe.SetImageSize(100, 100, 24);
    EXPECT_NO_THROW(probe.CheckImageSize("PNG"));
}

TEST(ImageGraphic, WarningsGoToTheSinkAndWithoutOneNowhere)
{
    TProbeGraphic probe;
    EXPECT_NO_THROW(probe.Warning("dropped"));
    std::vector<std::string> seen;
    probe.OnWarning = [&](TGraphic& sender, const std::string& message) {
        EXPECT_EQ(&sender, &probe);
        seen.push_back(message);
    };
    probe.Warning("Corrupt JPEG data");
    EXPECT_EQ(seen, std::vector<std::string>{"Corrupt JPEG data"});
}

TEST(ImageGraphic, CanLoadAFileAnswersForShortFilesAndRaisesForMissingOnes)
{
    TemporaryFolder folder;
    const TTargaGraphic targa;
    WriteWholeFile(folder.File("short.tga"), std::string("\0\0\2\0\0\0\0\0", 8));
    EXPECT_FALSE(targa.CanLoad(folder.File("short.tga")));
    EXPECT_THROW(targa.CanLoad(folder.File("missing.tga")), EFOpenError);
}

TEST(ByteOrder, SwapsWordsAndLongsInPlace)
{
    std::uint16_t words[] = {0x1234, 0xABCD};
    SwapWords(words, 2);
    EXPECT_EQ(words[0], 0x3412);
    EXPECT_EQ(words[1], 0xCDAB);
    std::uint32_t longs[] = {0x11223344, 0xA0B0C0D0};
    SwapLongs(longs, 1);
    EXPECT_EQ(longs[0], 0x44332211u);
    EXPECT_EQ(longs[1], 0xA0B0C0D0u);
    EXPECT_EQ(SwapLong(0x01020304), 0x04030201u);
}
