#include "imageformats/PictureLoading.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"
#include "TiffEditing.h"

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
        for (const char* tiff : {".TIF", ".FAX"})
            EXPECT_EQ(classOf(tiff, table), "TTIFFGraphic") << tiff;
        EXPECT_EQ(classOf(".EPS", table), "TEPSGraphic");
        for (const char* unread : {".ZYB", ".XYZ", "", ".4", ".jpg", ".SCR", ".pcx", ".tif"})
            EXPECT_EQ(classOf(unread, table), "none") << unread;
    }
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Loading), "none");
    EXPECT_EQ(classOf(".TIFF", ReaderTable::Loading), "none");
    EXPECT_EQ(classOf(".TIFF", ReaderTable::Drawing), "TTIFFGraphic");
    EXPECT_EQ(classOf(".JPEG", ReaderTable::Drawing), "TJPEGImage");
    for (const char* numbered : {".1", ".2", ".3", ".5", ".6", ".7"}) {
        EXPECT_EQ(classOf(numbered, ReaderTable::Loading), "none") << numbered;
        EXPECT_EQ(classOf(numbered, ReaderTable::Drawing), "TTargaGraphic") << numbered;
    }
}

TEST(PictureLoading, TheRegistryTakesEveryLoadedExtensionWithTheSameReader)
{
    RegisterPictureFileFormats();
    for (const char* extension : {".TIF", ".FAX", ".JPG", ".EPS", ".TGA", ".VST", ".ICB", ".VDA", ".WIN", ".PCX",
                                  ".PCC", ".PSD", ".PDD", ".BMP", ".RLE", ".DIB"}) {
        const TGraphicClass registered = TPicture::GraphicClassFromExtension(LowerCase(extension));
        ASSERT_NE(registered, nullptr) << extension;
        EXPECT_EQ(registered()->ClassName(), NewPictureReader(extension, ReaderTable::Loading)->ClassName())
            << extension;
    }
    const std::string filter = TPicture::GraphicFilter();
    for (const char* entry : {"Truevision images (*.tga)|*.tga", "ZSoft Paintbrush images (*.pcx)|*.pcx",
                              "ZSoft Paintbrush images (*.pcc)|*.pcc", "Word 5.x screen capture images (*.scr)|*.scr",
                              "Photoshop images (*.psd)|*.psd", "Photoshop images (*.pdd)|*.pdd",
                              "PC TIF images (*.tif)|*.tif", "GFI fax images (*.fax)|*.fax",
                              "Macintosh TIFF images (*.tiff)|*.tiff", "Encapsulated Postscript images (*.eps)|*.eps"})
        EXPECT_NE(filter.find(entry), std::string::npos) << entry;
    // Word screen captures are PCX files the registry knows and the loader does not take; so is the
    // drawing's ".tiff".
    ASSERT_NE(TPicture::GraphicClassFromExtension("scr"), nullptr);
    EXPECT_EQ(TPicture::GraphicClassFromExtension("scr")()->ClassName(), "TPCXGraphic");
    ASSERT_NE(TPicture::GraphicClassFromExtension("tiff"), nullptr);
    EXPECT_EQ(TPicture::GraphicClassFromExtension("tiff")()->ClassName(), "TTIFFGraphic");

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

TEST(PictureLoading, LoadsPcxAndPhotoshopPicturesUnderEachOfTheirNames)
{
    TemporaryFolder folder;
    const RgbImage source = StripedImage(9, 4, 5);
    WriteWholeFile(folder.File("source.ppm"), PpmOf(source));
    const std::string convert = "/usr/bin/convert " + folder.File("source.ppm") + " ";
    RunTool(convert + "pcx:" + folder.File("shelf.pcx"));
    RunTool(convert + "pcx:" + folder.File("shelf.PCC"));
    RunTool(convert + "psd:" + folder.File("shelf.psd"));
    RunTool(convert + "psd:" + folder.File("shelf.pdd"));
    for (const char* name : {"shelf.pcx", "shelf.PCC", "shelf.psd", "shelf.pdd"}) {
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

// A TIFF whose JPEG strip ends early still loads; the loader shows the warning in a box, and the
// drawing's reader, which nobody gave a warning event, loads it without one.
TEST(PictureLoading, ShowsAReadersWarningsWhereTheDrawingsReaderShowsNone)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("source.ppm"), PpmOf(StripedImage(40, 16, 50)));
    RunTool("/usr/bin/pnmtotiff -truecolor " + folder.File("source.ppm") + " > " + folder.File("plain.tif"));
    RunTool("/usr/bin/tiffcp -c jpeg -r 16 " + folder.File("plain.tif") + " " + folder.File("jpeg.tif"));
    const std::string cut = WithTag(ReadWholeFile(folder.File("jpeg.tif")), 279, 300);
    WriteWholeFile(folder.File("cut.tif"), cut);
    WriteWholeFile(folder.File("cut.fax"), cut);
    WriteWholeFile(folder.File("cut.tiff"), cut);
    WriteWholeFile(folder.File("cut.eps"), EpsAround(cut));

    // The strip's end is warned of by the decoder that completes it and by the JPEG library.
    ScriptedUi ui;
    for (const char* name : {"cut.tif", "cut.TIF", "cut.fax", "cut.eps"}) {
        ui.AnswerMessage(MsgAnswer::OK);
        ui.AnswerMessage(MsgAnswer::OK);
        TBitmap bitmap;
        ASSERT_TRUE(LoadPicture(name, bitmap, [&](const std::string& path) { return folder.File(LowerCase(path)); }));
        EXPECT_EQ(bitmap.Width(), 40) << name;
    }
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::MessageBox).size(), 8u);
    for (const ScriptedUi::Call& call : ui.CallsOf(ScriptedUi::Kind::MessageBox)) {
        EXPECT_EQ(call.caption, "Warning");
        EXPECT_EQ(call.icon, MsgIcon::Warning);
    }
    const std::vector<std::string> texts = ui.MessageTexts();
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 2),
              (std::vector<std::string>{"JPEG decompression error. Unexpected end of input.",
                                        "Corrupt JPEG data: premature end of data segment"}));

    ui.ClearCalls();
    const std::unique_ptr<TGraphic> reader = NewPictureReader(".TIFF", ReaderTable::Drawing);
    reader->LoadFromFile(folder.File("cut.tiff"));
    EXPECT_EQ(reader->Width(), 40);
    EXPECT_TRUE(ui.Calls().empty());
}
