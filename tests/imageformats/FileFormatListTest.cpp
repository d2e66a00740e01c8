#include "imageformats/FileFormatList.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/PictureLoading.h"
#include "imageformats/TIFFGraphic.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "RunLengthFixtures.h"
#include "TestSupport.h"
#include "TiffEditing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace {

// The formats as a user sees them in an open dialog, in registration order.
const std::vector<std::pair<std::string, std::string>>& Formats()
{
    static const std::vector<std::pair<std::string, std::string>> formats = {
        {"bmp", "Windows bitmaps"},
        {"ico", "Windows icons"},
        {"wmf", "Windows metafiles"},
        {"emf", "Windows enhanced meta files"},
        {"jfif", "JFIF images"},
        {"jpg", "JPG images"},
        {"jpe", "JPE images"},
        {"jpeg", "JPEG images"},
        {"rle", "Run length encoded Windows bitmaps"},
        {"dib", "Device independant Windows bitmaps"},
        {"win", "Truevision images"},
        {"vst", "Truevision images"},
        {"vda", "Truevision images"},
        {"tga", "Truevision images"},
        {"icb", "Truevision images"},
        {"tiff", "Macintosh TIFF images"},
        {"tif", "PC TIF images"},
        {"fax", "GFI fax images"},
        {"eps", "Encapsulated Postscript images"},
        {"pcx", "ZSoft Paintbrush images"},
        {"pcc", "ZSoft Paintbrush images"},
        {"scr", "Word 5.x screen capture images"},
        {"rpf", "Alias/Wavefront images"},
        {"rla", "Alias/Wavefront images"},
        {"sgi", "SGI true color images"},
        {"rgba", "SGI true color images with alpha"},
        {"rgb", "SGI true color images"},
        {"bw", "SGI black/white images"},
        {"psd", "Photoshop images"},
        {"pdd", "Photoshop images"},
        {"ppm", "Portable pixel map images"},
        {"pgm", "Portable gray map images"},
        {"pbm", "Portable bitmap images"},
        {"cel", "Autodesk images"},
        {"pic", "Autodesk images"},
        {"pcd", "Kodak Photo-CD images"},
        {"cut", "Dr. Halo images"},
        {"psp", "Paintshop Pro images"},
        {"png", "Portable network graphic images"},
    };
    return formats;
}

std::string ClassNameOf(TGraphicClass graphicClass) { return graphicClass ? graphicClass()->ClassName() : "none"; }

class Registry : public testing::Test {
protected:
    ~Registry() override { FinalizeFileFormatList(); }
    static TFileFormatList& Initialized()
    {
        InitializeFileFormatList();
        return *FileFormatList;
    }
    TFileFormatList& list = Initialized();
};

// The plain filter of the given formats, in the order given.
std::string PlainFilter(const std::vector<std::pair<std::string, std::string>>& formats)
{
    std::string filter;
    for (const auto& [extension, description] : formats)
        filter += (filter.empty() ? "" : "|") + description + "|*." + extension;
    return filter;
}

TEST_F(Registry, ListsTheFormatsInOrderAndFindsThemInAnyCase)
{
    TStringList extensions;
    list.GetExtensionList(extensions);
    ASSERT_EQ(extensions.Count(), static_cast<int>(Formats().size()));
    for (std::size_t i = 0; i < Formats().size(); ++i) {
        EXPECT_EQ(extensions[static_cast<int>(i)], Formats()[i].first);
        EXPECT_EQ(list.FindExtension(UpperCase(Formats()[i].first)), static_cast<int>(i));
    }
    EXPECT_EQ(list.GetGraphicFilter({}, fstNone, {}), PlainFilter(Formats()));

    const std::vector<std::string> classes = {
        "TBitmap",          "TIcon",       "TMetafile",   "TJPEGImage",  "TTargaGraphic", "TTIFFGraphic",
        "TEPSGraphic",      "TPCXGraphic", "TRLAGraphic", "TSGIGraphic", "TPSDGraphic",   "TPPMGraphic",
        "TAutodeskGraphic", "TPCDGraphic", "TCUTGraphic", "TPSPGraphic", "TPNGGraphic"};
    std::vector<std::string> inOrder;
    for (const auto& [extension, description] : Formats()) {
        const TGraphicClass graphicClass = list.GraphicFromExtension(extension);
        if (list.FindGraphicClass(graphicClass) == static_cast<int>(inOrder.size()))
            inOrder.push_back(ClassNameOf(graphicClass));
    }
    EXPECT_EQ(inOrder, classes);
    EXPECT_EQ(list.GetDescription(GraphicClassOf<TBitmap>()), "Windows bitmaps");
    EXPECT_EQ(list.GetDescription(GraphicClassOf<TTIFFGraphic>()), "Tagged image file format images");
    EXPECT_EQ(list.GetDescription(nullptr), "");

    for (const char* text : {"tif", ".tif", "x.tif", "a.b.tif", "TIF", "shelf.front.Tif"})
        EXPECT_EQ(ClassNameOf(list.GraphicFromExtension(text)), "TTIFFGraphic") << text;
    for (const char* text : {"", ".", "tif.", "xyz", "a.pal"})
        EXPECT_EQ(list.GraphicFromExtension(text), nullptr) << text;
    EXPECT_EQ(list.FindExtension(""), -1);
}

TEST_F(Registry, PassesEveryFormatOnToThePictureRegistryAndTakesThemBack)
{
    for (const auto& [extension, description] : Formats()) {
        EXPECT_EQ(TPicture::GraphicClassFromExtension(extension), list.GraphicFromExtension(extension)) << extension;
        EXPECT_NE((TPicture::GraphicFilter() + "|").find(description + " (*." + extension + ")|*." + extension + "|"),
                  std::string::npos)
            << extension;
    }
    FinalizeFileFormatList();
    EXPECT_EQ(FileFormatList, nullptr);
    for (const auto& [extension, description] : Formats())
        EXPECT_EQ(TPicture::GraphicClassFromExtension(extension), nullptr) << extension;
    // A scope left by an exception still takes every format back.
    EXPECT_THROW(
        {
            const TFileFormatListScope scope;
            EXPECT_NE(TPicture::GraphicClassFromExtension("psp"), nullptr);
            throw EInvalidGraphic("start-up failed");
        },
        EInvalidGraphic);
    EXPECT_EQ(FileFormatList, nullptr);
    EXPECT_EQ(TPicture::GraphicClassFromExtension("psp"), nullptr);
    InitializeFileFormatList();
    // A program ended by exit() with the list still made, as the window system ends one whose display
    // goes, takes the formats back at exit too.
    EXPECT_EXIT(std::exit(3), testing::ExitedWithCode(3), "");
}

TEST_F(Registry, RegisteringTwiceRaisesUnlessReplacing)
{
    const std::string before = list.GetGraphicFilter({}, fstNone, {foCompact});
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] {
                  list.RegisterFileFormat("tif", "Other", "", {ftVector}, false, GraphicClassOf<TPNGGraphic>());
              }),
              "Attempt to register tif twice.");
    EXPECT_EQ(list.GetGraphicFilter({}, fstNone, {foCompact}), before);

    // Moving the PCD reader's only extension drops the class; a moved extension keeps its own
    // description and kinds.
    list.RegisterFileFormat("pcd", "", "", {ftVector}, true, GraphicClassOf<TPNGGraphic>());
    list.RegisterFileFormat("fax", "Network pictures", "Other", {ftVector}, true, GraphicClassOf<TPNGGraphic>());
    EXPECT_EQ(list.FindGraphicClass(GraphicClassOf<TPCDGraphic>()), -1);
    EXPECT_EQ(list.GraphicFromExtension("pcd"), GraphicClassOf<TPNGGraphic>());
    EXPECT_EQ(list.GetGraphicFilter({ftRaster}, fstNone, {}, GraphicClassOf<TPNGGraphic>()),
              "GFI fax images|*.fax|Network pictures|*.pcd|Network pictures|*.png");
    EXPECT_EQ(list.GetGraphicFilter({ftMultiImage}, fstNone, {foCompact}), "Tagged image file format images|*.tiff; "
                                                                           "*.tif|Network pictures|*.fax");
    EXPECT_EQ(TPicture::GraphicClassFromExtension("fax"), GraphicClassOf<TPNGGraphic>());

    // By extension: the class stays while it has others; by class: all of its extensions go.
    list.UnregisterFileFormat("tif", nullptr);
    list.UnregisterFileFormat("tif", nullptr);
    EXPECT_EQ(list.GetGraphicFilter({}, fstNone, {foCompact}, GraphicClassOf<TTIFFGraphic>()),
              "Tagged image file format images|*.tiff");
    list.UnregisterFileFormat("", GraphicClassOf<TTIFFGraphic>());
    EXPECT_EQ(list.FindGraphicClass(GraphicClassOf<TTIFFGraphic>()), -1);
    EXPECT_EQ(list.FindExtension("tiff"), -1);
    EXPECT_EQ(TPicture::GraphicClassFromExtension("tiff"), nullptr);
    list.UnregisterFileFormat("", GraphicClassOf<TTIFFGraphic>()); // no longer registered: nothing
    list.UnregisterFileFormat("", nullptr);
    list.UnregisterFileFormat("pcd", nullptr);
    list.UnregisterFileFormat("fax", nullptr);
    EXPECT_EQ(list.GetGraphicFilter({}, fstNone, {foCompact}, GraphicClassOf<TPNGGraphic>()), "Network pictures|*.png");
    TStringList extensions;
    list.GetExtensionList(extensions);
    EXPECT_EQ(extensions.Count(), static_cast<int>(Formats().size()) - 4);
    EXPECT_EQ(extensions.IndexOf("eps"), 15);
}

TEST_F(Registry, FiltersCompactSortedAndByKind)
{
    const std::string tiff = "Tagged image file format images (*.tiff; *.tif; *.fax)|*.tiff; *.tif; *.fax";
    const std::string compact = list.GetGraphicFilter({}, fstNone, {foCompact, foIncludeExtension});
    EXPECT_TRUE(compact.starts_with("Windows bitmaps (*.bmp; *.rle; *.dib)|*.bmp; *.rle; *.dib|Windows icons (*.ico)"))
        << compact;
    EXPECT_NE(compact.find("|" + tiff + "|"), std::string::npos) << compact;
    EXPECT_EQ(list.GetGraphicFilter({ftVector}, fstNone, {}),
              "Windows metafiles|*.wmf|Windows enhanced meta files|*.emf|Paintshop Pro images|*.psp");
    EXPECT_EQ(list.GetGraphicFilter({ftLayered}, fstNone, {foIncludeAll, foIncludeExtension}),
              "All images|*.psd; *.pdd|Photoshop images (*.psd)|*.psd|Photoshop images (*.pdd)|*.pdd");

    std::vector<std::string> sortedExtensions;
    for (const auto& format : Formats())
        sortedExtensions.push_back(format.first);
    std::sort(sortedExtensions.begin(), sortedExtensions.end());
    std::string allSorted, allInOrder;
    for (const auto& format : Formats())
        allInOrder += (allInOrder.empty() ? "*." : "; *.") + format.first;
    for (const std::string& extension : sortedExtensions)
        allSorted += (allSorted.empty() ? "*." : "; *.") + extension;
    auto byDescription = Formats();
    std::stable_sort(byDescription.begin(), byDescription.end(),
                     [](const auto& a, const auto& b) { return CompareText(a.second, b.second) < 0; });

    const std::map<TFilterSortType, std::string> expected = {
        {fstNone, "All images|" + allInOrder + "|" + PlainFilter(Formats())},
        {fstExtension, "All images|" + allSorted + "|" + PlainFilter(Formats())},
        {fstDescription, "All images|" + allInOrder + "|" + PlainFilter(byDescription)},
        {fstBoth, "All images|" + allSorted + "|" + PlainFilter(byDescription)},
    };
    for (const auto& [sort, filter] : expected)
        EXPECT_EQ(list.GetGraphicFilter({}, sort, {foIncludeAll}), filter) << int{sort};
    // Equal descriptions all stay, in the order they were registered.
    EXPECT_NE(expected.at(fstDescription)
                  .find("|Truevision images|*.win|Truevision images|*.vst|Truevision images|*.vda|Truevision "
                        "images|*.tga|Truevision images|*.icb|"),
              std::string::npos);
    EXPECT_NE(expected.at(fstBoth).find("SGI true color images|*.sgi|SGI true color images|*.rgb|"), std::string::npos);
}

// A small picture in the format of each extension, written by an outside tool where one writes it.
class Fixtures {
public:
    Fixtures() { WriteWholeFile(folder.File("source.ppm"), PpmOf(StripedImage(9, 4, 5))); }

    // The file's path, named as asked.
    std::string Make(const std::string& name) const
    {
        const std::string path = folder.File(name);
        const std::string extension = LowerCase(name.substr(name.rfind('.') + 1));
        const std::string writer = WriterOf(extension);
        if (writer.empty())
            WriteWholeFile(path, Built(extension));
        else if (extension == "eps")
            WriteWholeFile(path, EpsAround(RunTool("cat " + folder.File("source.ppm") + " | " + writer)));
        else
            RunTool("cat " + folder.File("source.ppm") + " | " + writer + " > " + path);
        return path;
    }

private:
    // The command that turns a PPM on its input into the format; empty for formats built here. Targa
    // files have a colour map: the content test refuses true-colour ones whose map entry size is 0,
    // as ImageMagick writes them.
    static std::string WriterOf(const std::string& extension)
    {
        const std::string tiff = "/usr/bin/pnmtotiff -truecolor", sgi = "/usr/bin/pnmtosgi";
        const std::string grey = "/usr/bin/ppmtopgm", convert = "/usr/bin/convert ppm:- ";
        const std::map<std::string, std::string> writers = {{"tif", tiff},
                                                            {"tiff", tiff},
                                                            {"fax", tiff},
                                                            {"eps", tiff},
                                                            {"sgi", sgi},
                                                            {"rgb", sgi},
                                                            {"rgba", sgi},
                                                            {"bw", grey + " | " + sgi},
                                                            {"ppm", "cat"},
                                                            {"pgm", grey},
                                                            {"pbm", grey + " | /usr/bin/pgmtopbm -threshold"},
                                                            {"png", "/usr/bin/pnmtopng"}};
        if (const auto found = writers.find(extension); found != writers.end())
            return found->second;
        const std::map<std::string, std::string> magickFormats = {
            {"pcx", "pcx"},  {"pcc", "pcx"},  {"scr", "pcx"},  {"psd", "psd"},  {"pdd", "psd"},  {"ico", "ico"},
            {"bmp", "bmp3"}, {"rle", "bmp3"}, {"dib", "bmp3"}, {"tga", "tga"},  {"vst", "tga"},  {"icb", "tga"},
            {"vda", "tga"},  {"win", "tga"},  {"jpg", "jpg"},  {"jpeg", "jpg"}, {"jfif", "jpg"}, {"jpe", "jpg"}};
        const auto format = magickFormats.find(extension);
        if (format == magickFormats.end())
            return {};
        return convert + (format->second == "tga" ? "-type Palette " : "") + format->second + ":-";
    }

    // Autodesk and Photo-CD files, which no tool writes, and the test builders' own formats.
    static std::string Built(const std::string& extension)
    {
        if (extension == "cel" || extension == "pic")
            return std::string("\x19\x91\x02\0\x01\0", 6) + std::string(4, '\0') + '\x08' + std::string(21, '\0') +
                   std::string(3 * 256, '\x10') + "\x01\x02";
        if (extension == "pcd")
            return std::string(2048, '\0') + "PCD_IPI" + std::string(95 * 2048 - 7 + 768 * 512 * 3 / 2, '\0');
        if (extension == "cut")
            return fixtures::CutFile({fixtures::Bytes{1, 2, 3}, fixtures::Bytes{4, 5, 6}});
        if (extension == "rla" || extension == "rpf")
            return fixtures::RlaFile(StripedImage(9, 4, 5), {});
        fixtures::PspLayout psp;
        psp.width = 1;
        psp.height = 1;
        psp.layers = {{0, {{1, {10}}, {2, {20}}, {3, {30}}}}};
        return fixtures::PspFile(psp);
    }

    TemporaryFolder folder;
};

TEST_F(Registry, RecognisesEachReadersFilesByContent)
{
    Fixtures fixtures;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.tga", "TTargaGraphic"}, {"a.tif", "TTIFFGraphic"},     {"a.eps", "TEPSGraphic"}, {"a.pcx", "TPCXGraphic"},
        {"a.rla", "TRLAGraphic"},   {"a.sgi", "TSGIGraphic"},      {"a.psd", "TPSDGraphic"}, {"a.ppm", "TPPMGraphic"},
        {"a.pgm", "TPPMGraphic"},   {"a.cel", "TAutodeskGraphic"}, {"a.pcd", "TPCDGraphic"}, {"a.cut", "none"},
        {"a.psp", "TPSPGraphic"},   {"a.png", "TPNGGraphic"},      {"a.bmp", "none"},        {"a.jpg", "none"},
        {"a.ico", "none"}};
    for (const auto& [name, reader] : files)
        EXPECT_EQ(ClassNameOf(list.GraphicFromContent(fixtures.Make(name))), reader) << name;
    TemporaryFolder folder;
    WriteWholeFile(folder.File("notes.txt"), "Shelf 1: cola, lemonade\r\n");
    EXPECT_EQ(list.GraphicFromContent(folder.File("notes.txt")), nullptr);
    EXPECT_THROW(list.GraphicFromContent(folder.File("missing.tif")), EFOpenError);
}

// Every extension of the loader's table reads a file of its format through the registry's reader,
// and the picture registry loads every registered extension; icons and metafiles the loader
// refuses.
TEST_F(Registry, TheLoaderAndThePictureRegistryReadEveryFormat)
{
    Fixtures fixtures;
    for (const char* extension :
         {".TIF", ".FAX", ".JPG", ".EPS", ".BW",  ".RGB", ".RGBA", ".SGI", ".CEL", ".PIC", ".TGA",
          ".VST", ".ICB", ".VDA", ".WIN", ".PCX", ".PCC", ".PCD",  ".PPM", ".PGM", ".PBM", ".CUT",
          ".RLA", ".RPF", ".PSD", ".PDD", ".PSP", ".PNG", ".BMP",  ".RLE", ".DIB"}) {
        const std::string path = fixtures.Make(std::string("shelf") + extension);
        TBitmap bitmap;
        ASSERT_TRUE(LoadPicture(path, bitmap, [](const std::string& name) { return name; })) << extension;
        EXPECT_FALSE(bitmap.Empty()) << extension;
    }
    for (const auto& [extension, description] : Formats()) {
        if (extension == "wmf" || extension == "emf")
            continue;
        const std::string path = fixtures.Make("picture." + extension);
        TBitmap bitmap;
        TPicture::LoadBitmapFromFile(path, bitmap);
        EXPECT_FALSE(bitmap.Empty()) << extension;
    }
    // Metafiles load as metafiles, in the enhanced format only.
    TemporaryFolder metafiles;
    TMetafile drawn;
    {
        TMetafileCanvas canvas(drawn);
        canvas.Rectangle(10, 10, 200, 100);
    }
    drawn.SaveToFile(metafiles.File("page.emf"));
    TPicture picture;
    picture.LoadFromFile(metafiles.File("page.emf"));
    ASSERT_NE(dynamic_cast<TMetafile*>(picture.Graphic()), nullptr);
    EXPECT_EQ(dynamic_cast<TMetafile*>(picture.Graphic())->Data(), drawn.Data());
    drawn.SaveToFile(metafiles.File("page.wmf"));
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] { picture.LoadFromFile(metafiles.File("page.wmf")); }),
              "Cannot load image. Windows metafiles (.wmf) are not supported.");
    // The picture registry loads from the file, so the Dr. Halo reader finds the palette beside it.
    TemporaryFolder folder;
    WriteWholeFile(folder.File("halo.cut"), fixtures::CutFile({fixtures::Bytes{1, 0}}));
    WriteWholeFile(folder.File("halo.pal"), fixtures::CutPalette({{1, 2, 3}, {4, 5, 6}}));
    TBitmap halo;
    TPicture::LoadBitmapFromFile(folder.File("halo.cut"), halo);
    EXPECT_EQ(RgbOf(halo).At(0, 0), (Rgb{4, 5, 6}));

    ScriptedUi ui;
    for (const char* name : {"shelf.ICO", "shelf.WMF", "shelf.EMF", "shelf.jfif"}) {
        ui.AnswerMessage(MsgAnswer::OK);
        TBitmap bitmap;
        EXPECT_FALSE(LoadPicture(name, bitmap, [](const std::string&) -> std::string { return {}; })) << name;
    }
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(4, "Could not recognize the file extention or file type."));
}

TEST(Icon, ReadsTheLargestImageOfAnIconFile)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("source.ppm"), PpmOf(StripedImage(48, 48, 7)));
    RunTool("/usr/bin/convert " + folder.File("source.ppm") + " -define icon:auto-resize=16,48,32 " +
            folder.File("three.ico"));
    TIcon icon;
    icon.LoadFromFile(folder.File("three.ico"));
    EXPECT_EQ(icon.Width(), 48);
    TBitmap bitmap;
    bitmap.Assign(icon);
    EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
    ExpectSameImage(RgbOf(bitmap), DecodedBy("/usr/bin/convert " + folder.File("three.ico") + "[1] ppm:-"),
                    "largest icon image");

    WriteWholeFile(folder.File("text.ico"), "not an icon");
    EXPECT_EQ(RaisedMessage<EInvalidGraphic>([&] { icon.LoadFromFile(folder.File("text.ico")); }),
              "Icon image is not valid");
    EXPECT_EQ(icon.Width(), 48);
    icon.SaveToFile(folder.File("again.ico"));
    TIcon again;
    again.LoadFromFile(folder.File("again.ico"));
    TBitmap copy;
    copy.Assign(again);
    EXPECT_EQ(RgbOf(copy), RgbOf(bitmap));
}

} // namespace
