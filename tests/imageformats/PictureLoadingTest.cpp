#include "imageformats/PictureLoading.h"
#include "imageformats/DecodedPictureCache.h"
#include "imageformats/FileFormatList.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "RunLengthFixtures.h"
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
        for (const char* sgi : {".BW", ".RGB", ".RGBA", ".SGI"})
            EXPECT_EQ(classOf(sgi, table), "TSGIGraphic") << sgi;
        for (const char* autodesk : {".CEL", ".PIC"})
            EXPECT_EQ(classOf(autodesk, table), "TAutodeskGraphic") << autodesk;
        for (const char* portable : {".PPM", ".PGM", ".PBM"})
            EXPECT_EQ(classOf(portable, table), "TPPMGraphic") << portable;
        for (const char* cut : {".CUT", ".PAL"})
            EXPECT_EQ(classOf(cut, table), "TCUTGraphic") << cut;
        for (const char* rla : {".RLA", ".RPF"})
            EXPECT_EQ(classOf(rla, table), "TRLAGraphic") << rla;
        EXPECT_EQ(classOf(".PSP", table), "TPSPGraphic");
        EXPECT_EQ(classOf(".PNG", table), "TPNGGraphic");
        EXPECT_EQ(classOf(".PCD", table), "TPCDGraphic");
        for (const char* unread : {".ZYB", ".XYZ", "", ".4", ".jpg", ".SCR", ".pcx", ".PNM", ".PAM", ".sgi", ".png",
                                   ".tif", ".ICO", ".WMF", ".EMF"})
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
    InitializeFileFormatList();
    for (const char* extension :
         {".TIF", ".FAX", ".JPG", ".EPS", ".BW",  ".RGB", ".RGBA", ".SGI", ".CEL", ".PIC", ".TGA",
          ".VST", ".ICB", ".VDA", ".WIN", ".PCX", ".PCC", ".PCD",  ".PPM", ".PGM", ".PBM", ".CUT",
          ".RLA", ".RPF", ".PSD", ".PDD", ".PSP", ".PNG", ".BMP",  ".RLE", ".DIB"}) {
        const TGraphicClass registered = TPicture::GraphicClassFromExtension(LowerCase(extension));
        ASSERT_NE(registered, nullptr) << extension;
        EXPECT_EQ(registered()->ClassName(), NewPictureReader(extension, ReaderTable::Loading)->ClassName())
            << extension;
    }
    // Dr. Halo palette files load through the picture's reader but are no pictures to offer.
    EXPECT_EQ(TPicture::GraphicClassFromExtension("pal"), nullptr);
    EXPECT_EQ(TPicture::GraphicFilter().find("*.pal"), std::string::npos);

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
    FinalizeFileFormatList();
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

// Every name of the SGI, Autodesk and portable map readers, in any case, loads the picture the
// outside tools read from the same file (Autodesk files, which no tool writes, are built here).
TEST(PictureLoading, LoadsSgiAutodeskAndPortableMapsUnderEachOfTheirNamesInAnyCase)
{
    TemporaryFolder folder;
    const RgbImage source = StripedImage(9, 4, 5);
    const std::string ppm = folder.File("source.ppm");
    WriteWholeFile(ppm, PpmOf(source));
    std::string cel = std::string("\x19\x91\x09\0\x04\0", 6) + std::string(4, '\0') + '\x08' + std::string(21, '\0');
    RgbImage celPicture{source.width, source.height, {}};
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb color = i < source.pixels.size() ? source.pixels[i] : Rgb{};
        cel += {static_cast<char>(color.r / 4), static_cast<char>(color.g / 4), static_cast<char>(color.b / 4)};
        celPicture.pixels.push_back(
            {std::uint8_t(color.r / 4 * 4), std::uint8_t(color.g / 4 * 4), std::uint8_t(color.b / 4 * 4)});
    }
    celPicture.pixels.resize(source.pixels.size());
    for (std::size_t i = 0; i < source.pixels.size(); ++i)
        cel += static_cast<char>(i);

    const std::string sgi = "/usr/bin/pnmtosgi " + ppm;
    const std::string pgm = "/usr/bin/ppmtopgm " + ppm;
    const struct {
        std::string name;
        std::string writer;
        std::string reader;
    } files[] = {
        {"shelf.Bw", pgm + " | /usr/bin/pnmtosgi", "/usr/bin/sgitopnm"},
        {"shelf.rGb", sgi, "/usr/bin/sgitopnm"},
        {"shelf.RGBA", sgi, "/usr/bin/sgitopnm"},
        {"shelf.sgi", "/usr/bin/pnmtosgi -verbatim " + ppm, "/usr/bin/sgitopnm"},
        {"shelf.PpM", "cat " + ppm, "/usr/bin/ppmtoppm <"},
        {"shelf.pgm", pgm, "/usr/bin/ppmtoppm <"},
        {"shelf.PBM", pgm + " | /usr/bin/pgmtopbm -threshold", "/usr/bin/ppmtoppm <"},
        {"shelf.Cel", "", ""},
        {"shelf.pic", "", ""},
    };
    for (const auto& file : files) {
        const std::string path = folder.File(file.name);
        if (file.writer.empty())
            WriteWholeFile(path, cel);
        else
            RunTool(file.writer + " > " + path);
        std::vector<std::string> asked;
        TBitmap bitmap;
        ASSERT_TRUE(LoadPicture(file.name, bitmap, [&](const std::string& name) {
            asked.push_back(name);
            return folder.File(name);
        }));
        EXPECT_EQ(asked, std::vector<std::string>{file.name});
        ExpectSameImage(RgbOf(bitmap), file.reader.empty() ? celPicture : DecodedBy(file.reader + " " + path),
                        file.name);
    }
}

// Every name in any letter case goes to its reader through the one table; a palette file read as a
// picture loads or is refused with the reader's error.
TEST(PictureLoading, LoadsDrHaloWavefrontAndPaintShopProPicturesUnderEachOfTheirNames)
{
    TemporaryFolder folder;
    const RgbImage source = StripedImage(9, 4, 5);
    fixtures::PspLayout psp;
    psp.width = 9;
    psp.height = 4;
    fixtures::PspLayer layer;
    for (std::uint16_t type = 1; type <= 3; ++type) {
        layer.channels.push_back({type, {}});
        for (const Rgb& pixel : source.pixels)
            layer.channels.back().plane.push_back(type == 1 ? pixel.r : type == 2 ? pixel.g : pixel.b);
    }
    psp.layers = {layer};
    std::vector<fixtures::Bytes> indexes(4, fixtures::Bytes(9));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            indexes[y][x] = static_cast<std::uint8_t>(x * 20 + y);
    RgbImage greys{9, 4, {}};
    for (const fixtures::Bytes& row : indexes)
        for (const std::uint8_t index : row)
            greys.pixels.push_back({index, index, index});

    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.rla", fixtures::RlaFile(source, {})}, {"b.RPF", fixtures::RlaFile(source, {})},
        {"c.Rla", fixtures::RlaFile(source, {})}, {"d.psp", fixtures::PspFile(psp)},
        {"e.PSP", fixtures::PspFile(psp)},        {"f.cut", fixtures::CutFile(indexes)},
        {"g.CUT", fixtures::CutFile(indexes)}};
    for (const auto& [name, bytes] : files) {
        WriteWholeFile(folder.File(name), bytes);
        TBitmap bitmap;
        ASSERT_TRUE(LoadPicture(name, bitmap, [&](const std::string& path) { return folder.File(path); })) << name;
        ExpectSameImage(RgbOf(bitmap), name.front() >= 'f' ? greys : source, name);
    }

    WriteWholeFile(folder.File("f.pal"), fixtures::CutPalette({{1, 2, 3}, {4, 5, 6}}));
    TBitmap bitmap;
    ASSERT_TRUE(LoadPicture("f.cut", bitmap, [&](const std::string& path) { return folder.File(path); }));
    EXPECT_EQ(RgbOf(bitmap).At(0, 1), (Rgb{4, 5, 6}));
    EXPECT_EQ(RgbOf(bitmap).At(1, 1), (Rgb{0, 0, 0}));
    // The palette file's own header read as a picture: 0x4841 by 0 pixels.
    EXPECT_THROW(LoadPicture("f.pal", bitmap, [&](const std::string& path) { return folder.File(path); }),
                 EInvalidGraphic);
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
    TBitmap drawn;
    EXPECT_EQ(DecodeToKeep(*reader, folder.File("cut.tiff"), drawn, false), DecodeResult::UnkeptPicture);
    EXPECT_EQ(drawn.Width(), 40);
    EXPECT_TRUE(ui.Calls().empty());

    // A picture that warned is never kept, so that every load through the cache warns again.
    DecodedPictureCache cache;
    for (int load = 0; load < 2; ++load) {
        ui.AnswerMessage(MsgAnswer::OK);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_EQ(LoadCachedPicture(
                      "cut.tif", [&](const std::string& path) { return folder.File(path); }, cache)
                      ->Width(),
                  40);
    }
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::MessageBox).size(), 4u);
    EXPECT_EQ(cache.KeptCount(), 0u);
}

// The reader's pixels move into the target: a load holds one picture at a time, not two. A picture
// of 18 MB, as a bitmap, a Targa file and a JPEG.
TEST(PictureLoading, ALoadHoldsThePictureOnce)
{
    TemporaryFolder folder;
    TBitmap source;
    source.SetPixelFormat(pf24bit);
    source.SetSizeFilled(3000, 2000, clTeal);
    source.SaveToFile(folder.File("large.bmp"));
    TTargaGraphic targa;
    targa.Assign(source);
    targa.SaveToFile(folder.File("large.tga"));
    RunTool("/usr/bin/convert " + folder.File("large.bmp") + " " + folder.File("large.jpg"));
    const std::int64_t pictureBytes = std::int64_t{3000} * 2000 * 3;
    for (const char* name : {"large.bmp", "large.tga", "large.jpg"}) {
        const MeasuredWork load = MeasureWork([&] {
            TBitmap bitmap;
            LoadPicture(name, bitmap, [&](const std::string& path) { return folder.File(path); });
            return std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
        });
        EXPECT_EQ(load.answer, "3000 x 2000") << name;
        EXPECT_LT(load.peakBytes, pictureBytes * 3 / 2) << name;
    }
}
