#include "platform/graphics/Picture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class TTestGraphic : public TBitmap {
public:
    std::string ClassName() const override { return "TTestGraphic"; }
};

// The registry starts empty; these tests register the formats they load.
class Pictures : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* extension : {"bmp", "dib", "rle"})
            TPicture::RegisterFileFormat(extension, "Bitmaps", GraphicClassOf<TBitmap>());
        for (const char* extension : {"jpg", "jpeg"})
            TPicture::RegisterFileFormat(extension, "JPEG Image File", GraphicClassOf<TJPEGImage>());
    }
    void TearDown() override
    {
        TPicture::UnregisterGraphicClass(GraphicClassOf<TBitmap>());
        TPicture::UnregisterGraphicClass(GraphicClassOf<TJPEGImage>());
        EXPECT_EQ(TPicture::GraphicFilter(), "All ()|");
    }
};

} // namespace

TEST_F(Pictures, FindsClassesByExtensionWithoutRegardToCase)
{
    EXPECT_EQ(TPicture::GraphicClassFromExtension("bmp"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension(".DIB"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension("Rle"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension(".JPG"), GraphicClassOf<TJPEGImage>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension("jpeg"), GraphicClassOf<TJPEGImage>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension("tif"), nullptr);
    EXPECT_EQ(TPicture::GraphicClassFromExtension(""), nullptr);
}

TEST_F(Pictures, BuildsFiltersInBothSyntaxes)
{
    EXPECT_EQ(TPicture::GraphicFilter(),
              "All (*.bmp;*.dib;*.rle;*.jpg;*.jpeg)|*.bmp;*.dib;*.rle;*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|"
              "Bitmaps (*.dib)|*.dib|Bitmaps (*.rle)|*.rle|JPEG Image File (*.jpg)|*.jpg|"
              "JPEG Image File (*.jpeg)|*.jpeg");
    EXPECT_EQ(TPicture::QtGraphicFilter(), "All (*.bmp *.dib *.rle *.jpg *.jpeg);;Bitmaps (*.bmp);;Bitmaps (*.dib);;"
                                           "Bitmaps (*.rle);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg)");
}

TEST_F(Pictures, RegistersReplacesAndUnregisters)
{
    TPicture::RegisterFileFormat(".TST", "Test pictures", GraphicClassOf<TTestGraphic>());
    TPicture::RegisterFileFormat("tst", "Test images", GraphicClassOf<TTestGraphic>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension("tst"), GraphicClassOf<TTestGraphic>());
    EXPECT_NE(TPicture::GraphicFilter().find("*.jpeg|Test images (*.TST)|*.TST"), std::string::npos);
    EXPECT_EQ(TPicture::GraphicFilter().find("Test pictures"), std::string::npos);
    TPicture::UnregisterGraphicClass(GraphicClassOf<TTestGraphic>());
    EXPECT_EQ(TPicture::GraphicClassFromExtension("tst"), nullptr);
    EXPECT_EQ(TPicture::GraphicFilter().find("TST"), std::string::npos);
}

TEST_F(Pictures, LoadsBmpAndJpegByExtension)
{
    TemporaryFolder folder;
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSize(8, 5);
    source.SetPixel(2, 3, clBlue);
    source.SaveToFile(folder.File("pic.BMP"));

    TBitmap bitmap;
    TPicture::LoadBitmapFromFile(folder.File("pic.BMP"), bitmap);
    EXPECT_TRUE(RgbOf(bitmap) == RgbOf(source));

    TJPEGImage jpeg;
    jpeg.Assign(source);
    jpeg.SaveToFile(folder.File("pic.Jpeg"));
    TPicture picture;
    picture.LoadFromFile(folder.File("pic.Jpeg"));
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    TPicture::LoadBitmapFromFile(folder.File("pic.Jpeg"), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 8);
    EXPECT_EQ(picture.Height(), 5);

    try {
        picture.LoadFromFile(folder.File("pic.XYZ"));
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(picture.LoadFromFile(folder.File("missing.bmp")), EFOpenError);
    WriteWholeFile(folder.File("fake.bmp"), "not a bitmap");
    EXPECT_THROW(TPicture::LoadBitmapFromFile(folder.File("fake.bmp"), bitmap), EInvalidGraphic);
}

TEST_F(Pictures, LoadsIntoABitmapThatHeldAnotherPicture)
{
    TemporaryFolder folder;
    TBitmap grey;
    grey.SetPixelFormat(pf8bit);
    grey.SetPalette(TPalette::Grayscale());
    grey.SetSize(7, 3);
    grey.SetPixel(6, 0, clBlack);
    grey.SaveToFile(folder.File("grey.bmp"));
    TBitmap colour;
    colour.SetPixelFormat(pf24bit);
    colour.SetSize(30, 20);
    colour.SetPixel(29, 19, clRed);
    TJPEGImage jpeg;
    jpeg.Assign(colour);
    jpeg.SaveToFile(folder.File("colour.jpg"));

    TBitmap bitmap;
    TPicture::LoadBitmapFromFile(folder.File("colour.jpg"), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Width(), 30);
    TPicture::LoadBitmapFromFile(folder.File("grey.bmp"), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf8bit);
    EXPECT_EQ(bitmap.BytesPerScanLine(), 8);
    EXPECT_TRUE(RgbOf(bitmap) == RgbOf(grey));
    TPicture::LoadBitmapFromFile(folder.File("colour.jpg"), bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Height(), 20);
    EXPECT_EQ(bitmap.Palette().Count(), 0);

    WriteWholeFile(folder.File("broken.jpg"), ReadWholeFile(folder.File("colour.jpg")).substr(0, 300));
    EXPECT_THROW(TPicture::LoadBitmapFromFile(folder.File("broken.jpg"), bitmap), EJPEG);
    EXPECT_EQ(bitmap.Width(), 30);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
}
