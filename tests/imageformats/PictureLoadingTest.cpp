#include "imageformats/PictureLoading.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(NewPictureReader, GroupsRouteToTheirReaders)
{
    const auto classOf = [](std::string_view extension, ReaderTable table) {
        const std::unique_ptr<TGraphic> reader = NewPictureReader(extension, table);
        return reader ? reader->ClassName() : std::string("none");
    };
    for (const ReaderTable table : {ReaderTable::Loading, ReaderTable::Drawing}) {
        EXPECT_EQ(classOf(".JPG", table), "TJPEGImage");
        for (const char* targa : {".TGA", ".VST", ".ICB", ".VDA", ".WIN"})
            EXPECT_EQ(classOf(targa, table), "TTargaGraphic") << targa;
        for (const char* bitmap : {".BMP", ".RLE", ".DIB"})
            EXPECT_EQ(classOf(bitmap, table), "TBitmap") << bitmap;
        for (const char* pcx : {".PCX", ".PCC"})
            EXPECT_EQ(classOf(pcx, table), "TPCXGraphic") << pcx;
        for (const char* psd : {".PSD", ".PDD"})
            EXPECT_EQ(classOf(psd, table), "TPSDGraphic") << psd;
        EXPECT_EQ(classOf(".PNG", table), "TPNGGraphic");
        for (const char* unread : {".ZYB", ".XYZ", "", ".4", ".jpg", ".SCR", ".pcx", ".png"})
            EXPECT_EQ(classOf(unread, table), "none") << unread;
    }
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Loading), "none");
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Drawing), "TJPEGImage");
    for (const char* numbered : {".1", ".2", ".3", ".5", ".6", ".7"}) {
        EXPECT_EQ(classOf(numbered, ReaderTable::Loading), "none") << numbered;
        EXPECT_EQ(classOf(numbered, ReaderTable::Drawing), "TTargaGraphic") << numbered;
    }
}

TEST(PictureLoading, TheRegistryTakesEveryLoadedExtensionWithTheSameReader)
{
    RegisterPictureFileFormats();
    for (const char* extension : {".JPG", ".TGA", ".VST", ".ICB", ".VDA", ".WIN", ".PCX", ".PCC", ".PSD", ".PDD",
                                  ".PNG", ".BMP", ".RLE", ".DIB"}) {
        const TGraphicClass registered = TPicture::GraphicClassFromExtension(LowerCase(extension));
        ASSERT_NE(registered, nullptr) << extension;
        EXPECT_EQ(registered()->ClassName(), NewPictureReader(extension, ReaderTable::Loading)->ClassName())
            << extension;
    }
    const std::string filter = TPicture::GraphicFilter();
    for (const char* entry : {"Truevision images (*.tga)|*.tga", "ZSoft Paintbrush images (*.pcx)|*.pcx",
                              "ZSoft Paintbrush images (*.pcc)|*.pcc", "Word 5.x screen capture images (*.scr)|*.scr",
                              "Photoshop images (*.psd)|*.psd", "Photoshop images (*.pdd)|*.pdd",
                              "Portable network graphic images (*.png)|*.png"})
        EXPECT_NE(filter.find(entry), std::string::npos) << entry;
    // Word screen captures are PCX files the registry knows and the loader does not take.
    ASSERT_NE(TPicture::GraphicClassFromExtension("scr"), nullptr);
    EXPECT_EQ(TPicture::GraphicClassFromExtension("scr")()->ClassName(), "TPCXGraphic");

    // A Targa picture under one of its other names loads through the registry, pixel for pixel.
    TemporaryFolder folder;
    TBitmap written;
    written.SetSize(2, 1);
    written.SetPixel(0, 0, 0x030201);
    written.SetPixel(1, 0, 0x0A0B0C);
    TTargaGraphic targa;
    targa.Assign(written);
    targa.SaveToFile(folder.File("pic.vst"));
    TBitmap bitmap;
    TPicture::LoadBitmapFromFile(folder.File("pic.vst"), bitmap);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0x030201);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0x0A0B0C);
}

TEST(PictureLoading, LoadsPcxPhotoshopAndPngPicturesUnderEachOfTheirNames)
{
    TemporaryFolder folder;
    const RgbImage source = StripedImage(9, 4, 5);
    WriteWholeFile(folder.File("source.ppm"), PpmOf(source));
    const std::string convert = "/usr/bin/convert " + folder.File("source.ppm") + " ";
    RunTool(convert + "pcx:" + folder.File("shelf.pcx"));
    RunTool(convert + "pcx:" + folder.File("shelf.PCC"));
    RunTool(convert + "psd:" + folder.File("shelf.psd"));
    RunTool(convert + "psd:" + folder.File("shelf.pdd"));
    RunTool("/usr/bin/pnmtopng " + folder.File("source.ppm") + " > " + folder.File("shelf.png"));
    RunTool("/usr/bin/pnmtopng " + folder.File("source.ppm") + " > " + folder.File("shelf.Png"));
    for (const char* name : {"shelf.pcx", "shelf.PCC", "shelf.psd", "shelf.pdd", "shelf.png", "shelf.Png"}) {
        std::vector<std::string> asked;
        TBitmap bitmap;
        ASSERT_TRUE(LoadPicture(name, bitmap, [&](const std::string& path) {
            asked.push_back(path);
            return folder.File(path);
        }));
        EXPECT_EQ(asked, std::vector<std::string>{name});
        ExpectSameImage(RgbOf(bitmap), source, name);
    }
}
