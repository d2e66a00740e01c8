// The picture editor's model: when saving asks for a name, the written formats as outside decoders
// read them, failed writes, the optimising sizes, the close questions and the Picture Editor
// command's choice of file.
#include "app/PictureEditor.h"

#include "catalog/CatalogManager.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Bitmap.h"
#include "testing/CatalogFakes.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

namespace {

// A smooth picture, which JPEG keeps closely.
RgbImage Gradient(int width, int height)
{
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back({static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 255 / height),
                                    static_cast<std::uint8_t>(128 + (x + y) % 7)});
    return image;
}

void WriteBmp(const RgbImage& image, const std::string& path)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Rgb& pixel = image.At(x, y);
            bitmap.SetPixel(x, y, pixel.r | pixel.g << 8 | pixel.b << 16);
        }
    bitmap.SaveToFile(path);
}

double Psnr(const RgbImage& a, const RgbImage& b)
{
    double squares = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (auto sample : {&Rgb::r, &Rgb::g, &Rgb::b}) {
            const double difference = a.pixels[i].*sample - b.pixels[i].*sample;
            squares += difference * difference;
        }
    const double mean = squares / (3.0 * static_cast<double>(a.pixels.size()));
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

class PictureEditorTest : public testing::Test {
protected:
    // Opens a picture of that size, written as a BMP file of that name.
    void Open(const RgbImage& image, const std::string& name = "picture.bmp")
    {
        WriteBmp(image, folder.File(name));
        ASSERT_TRUE(editor.OpenPicture(folder.File(name)));
        ASSERT_TRUE(editor.HasPicture());
    }
    void ExpectPictureSize(int width, int height) const
    {
        EXPECT_EQ(editor.picture->Width(), width);
        EXPECT_EQ(editor.picture->Height(), height);
    }
    RgbImage Image() const { return RgbOf(*editor.picture); }
    // OK for the next message boxes that only tell.
    void ExpectTold(int boxes)
    {
        for (int box = 0; box < boxes; ++box)
            ui.AnswerMessage(MsgAnswer::OK);
    }

    ScriptedUi ui;
    TemporaryFolder folder;
    FakePictureFinder finder;
    FakeMainWindow settings;
    PictureEditor editor{finder, settings};
};

TEST_F(PictureEditorTest, SaveAsksForANameExactlyWhenThePictureCannotGoBackAsItIs)
{
    for (const char* name : {"a.jpg", "b.JPG", "c.tif", "d.Fax", "e.tga", "f.VST", "g.icb", "h.vda", "i.win", "j.bmp",
                             "k.rle", "l.DiB"}) {
        WriteWholeFile(folder.File(name), "x");
        EXPECT_FALSE(NeedsSaveDialog(folder.File(name))) << name;
    }
    for (const char* name : {"a.eps", "a.bw", "a.rgb", "a.rgba", "a.sgi", "a.cel", "a.pic", "a.pcx", "a.pcc", "a.pcd",
                             "a.ppm", "a.pgm", "a.pbm", "a.cut", "a.pal", "a.rla", "a.rpf", "a.psd", "a.pdd", "a.psp",
                             "a.png", "a.jpeg", "noextension", "shoe."}) {
        WriteWholeFile(folder.File(name), "x");
        EXPECT_TRUE(NeedsSaveDialog(folder.File(name))) << name;
    }
    // The extension is what follows the last delimiter.
    for (const char* path : {"C:\\pics.jpg\\shoe", "pics.bmp/shoe", "C:shoe", "C:.tif\\x"})
        EXPECT_TRUE(NeedsSaveAs(path)) << path;
    EXPECT_FALSE(NeedsSaveAs("C:\\pics\\shoe.Tga"));
    EXPECT_TRUE(NeedsSaveDialog(""));
    EXPECT_TRUE(NeedsSaveDialog(folder.File("gone.jpg")));
    // The mode rule holds for root too, which the system would let write.
    WriteWholeFile(folder.File("locked.jpg"), "x");
    chmod(folder.File("locked.jpg").c_str(), 0444);
    EXPECT_TRUE(NeedsSaveDialog(folder.File("locked.jpg")));
    for (const auto& [path, preset] : std::vector<std::pair<std::string, std::string>>{
             {"/p/shoe.jpeg", "shoe."}, {"C:\\p\\shoe.png", "shoe"}, {"a.b", ""}, {"abc", ""}, {"/p/", ""}})
        EXPECT_EQ(SaveNamePreset(path), preset) << path;
}

TEST_F(PictureEditorTest, CancelChangesNothingAndSaveAsKeepsThePath)
{
    Open(Gradient(8, 6));
    WriteWholeFile(folder.File("shoe.jpeg"), "x");
    chmod(folder.File("shoe.jpeg").c_str(), 0444);
    editor.picturePath = folder.File("shoe.jpeg");
    editor.modified = true;
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SavePicture());
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.fileName, "shoe.");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.defaultExt, "jpg");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.filter, PictureSaveFilter);
    EXPECT_EQ(editor.picturePath, folder.File("shoe.jpeg"));
    EXPECT_TRUE(editor.modified);

    // A file deleted since it was opened asks too; Save As always asks and keeps the old path on Cancel.
    Open(Gradient(8, 6), "here.bmp");
    DeleteFile(folder.File("here.bmp"));
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SavePicture());
    WriteBmp(Gradient(8, 6), folder.File("here.bmp"));
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SaveAs());
    EXPECT_EQ(editor.picturePath, folder.File("here.bmp"));
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[2].fileOptions.fileName, "");
    ui.AnswerFile(FileDialogResult{folder.File("there.tga"), 4});
    EXPECT_TRUE(editor.SaveAs());
    EXPECT_EQ(editor.picturePath, folder.File("there.tga"));
    EXPECT_EQ(editor.SaveDialog1.defaultExt, "tga");
    EXPECT_FALSE(editor.modified);
}

TEST_F(PictureEditorTest, EachFormatIsWrittenAsItsDecoderReadsIt)
{
    const RgbImage original = Gradient(37, 23);
    struct Case {
        int filterIndex;
        const char* name;
        const char* alias; // another extension of the group, saved straight back
        const char* decoder;
        double minimumPsnr;
    };
    for (const Case& format : {Case{1, "out.jpg", "again.JPG", "djpeg -pnm", 35}, Case{2, "out.bmp", "again.dib", "bmptopnm", 99},
                               Case{3, "out.tif", "again.fax", "tifftopnm", 99}, Case{4, "out.tga", "again.vst", "tgatoppm", 99}}) {
        Open(original);
        editor.picturePath.clear();
        ui.AnswerFile(FileDialogResult{folder.File(format.name), format.filterIndex});
        ASSERT_TRUE(editor.SavePicture()) << format.name;
        WriteWholeFile(folder.File(format.alias), "old");
        editor.picturePath = folder.File(format.alias);
        ASSERT_TRUE(editor.SavePicture()) << format.alias;
        for (const char* written : {format.name, format.alias}) {
            const RgbImage decoded = DecodedBy(std::string(format.decoder) + " '" + folder.File(written) + "'");
            ASSERT_EQ(decoded.width, original.width) << written;
            ASSERT_EQ(decoded.height, original.height) << written;
            EXPECT_GE(Psnr(decoded, original), format.minimumPsnr) << written;
        }
    }
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 4u);
    EXPECT_TRUE(ui.MessageTexts().empty());
}

TEST_F(PictureEditorTest, AFailedWriteKeepsTheOldFileTheChangesAndTheWindow)
{
    for (const char* name : {"old.jpg", "old.bmp", "old.tif", "old.tga"}) {
        Open(Gradient(64, 64));
        WriteWholeFile(folder.File(name), "the old file");
        editor.picturePath = folder.File(name);
        const std::string before = ReadWholeFile(folder.File(name));
        editor.modified = true;
        {
            FileSizeLimit limit(512);
            ExpectTold(1);
            EXPECT_FALSE(editor.SavePicture()) << name;
            ui.AnswerMessage(MsgAnswer::Yes);
            ExpectTold(1);
            EXPECT_FALSE(editor.CloseQuery()) << name;
        }
        EXPECT_EQ(ReadWholeFile(folder.File(name)), before) << name;
        EXPECT_TRUE(editor.modified) << name;
        const std::vector<ScriptedUi::Call> boxes = ui.CallsOf(ScriptedUi::Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 3u) << name;
        EXPECT_EQ(boxes[1].text, "Save changes to picture");
        EXPECT_EQ(boxes[1].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(boxes[1].icon, MsgIcon::Question);
        EXPECT_EQ(boxes[2].text, boxes[0].text);
        ui.ClearCalls();
    }
}

TEST_F(PictureEditorTest, SaveOptimizedWritesEightPixelsACentimetreOnlyWhenThePictureIsLarger)
{
    editor.product.partNumber = "SK-101";
    editor.product.width = 50;
    editor.product.height = 40;
    editor.product.widthQuarterCm = 200;
    editor.product.heightQuarterCm = 160;
    Open(Gradient(150, 100));
    ExpectTold(4);
    EXPECT_FALSE(editor.SaveOptimized());
    Open(Gradient(300, 200));
    editor.modified = true;
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SaveOptimized());
    EXPECT_EQ(editor.SaveDialog1.fileName, "");
    ui.AnswerFile(FileDialogResult{folder.File("optimized.bmp"), 2});
    ASSERT_TRUE(editor.SaveOptimized());
    const RgbImage written = DecodedBy("bmptopnm '" + folder.File("optimized.bmp") + "'");
    EXPECT_EQ(written.width, 400);
    EXPECT_EQ(written.height, 320);
    ExpectPictureSize(300, 200);
    EXPECT_EQ(editor.picturePath, folder.File("optimized.bmp"));
    EXPECT_FALSE(editor.modified);
    const std::vector<ScriptedUi::Call> dialogs = ui.CallsOf(ScriptedUi::Kind::SaveDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].fileOptions.fileName, folder.File("picture.bmp"));

    editor.product.widthQuarterCm = 40000; // 10,000 cm
    editor.product.heightQuarterCm = 0;
    editor.product.height = 0;
    EXPECT_FALSE(editor.SaveOptimized());
    editor.product.height = 40;
    EXPECT_FALSE(editor.SaveOptimized());
    editor.product.heightQuarterCm = 160;
    EXPECT_FALSE(editor.SaveOptimized());
    const std::vector<std::string> expected = {
        "Image is already optimized", "Can't save optimized. Width or Height information missing for this product.",
        "Can't save optimized. Width or Height information missing for this product.",
        "A picture of 80000 x 320 pixels is too large to make: at most 30000 pixels a side and 512 MB in all."};
    EXPECT_EQ(ui.MessageTexts(), expected);
    for (const ScriptedUi::Call& box : ui.CallsOf(ScriptedUi::Kind::MessageBox)) {
        EXPECT_EQ(box.caption, "Kestrame");
        EXPECT_EQ(box.icon, MsgIcon::Warning);
    }
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 2u);
}

TEST_F(PictureEditorTest, OptimizeSizeResizesToTheChosenSideAndUndoRestores)
{
    struct Case {
        int side, unit;
        const char *width, *height, *depth;
        int newWidth, newHeight; // 0: refused with the message
        const char* message;
    };
    const Case cases[] = {
        {OptimizeSizeChoice::SideView, 1, "", "10", "12", 121, 101, ""},
        {OptimizeSizeChoice::Front, 0, "30", "20", "", 120, 80, ""},
        {OptimizeSizeChoice::Top, 0, "5cm", "", "2.5", 20, 10, ""},
        {OptimizeSizeChoice::Front, 0, "", "20", "1", 0, 0, "The width or height values are missing"},
        {OptimizeSizeChoice::SideView, 0, "1", "1", "0", 0, 0, "The depth or height values are missing"},
        {OptimizeSizeChoice::Top, 1, "1", "1", "-5", 0, 0, "The width or depth values are missing"},
        {OptimizeSizeChoice::Front, 0, "0.1", "20", "", 0, 0, "The width or height values are missing"},
        {OptimizeSizeChoice::Front, 0, "10000", "20", "", 0, 0,
         "A picture of 40000 x 80 pixels is too large to make: at most 30000 pixels a side and 512 MB in all."},
        {OptimizeSizeChoice::Front, 0, "5000", "5000", "", 0, 0,
         "A picture of 20000 x 20000 pixels is too large to make: at most 30000 pixels a side and 512 MB in all."},
    };
    const RgbImage original = Gradient(60, 50);
    for (const Case& size : cases) {
        for (bool bilinear : {true, false}) {
            Open(original);
            editor.modified = false;
            EXPECT_FALSE(editor.UndoAvailable());
            ExpectTold(size.newWidth == 0 ? 1 : 0);
            OptimizeSizeChoice choice{size.side, size.unit, size.width, size.height, size.depth, bilinear};
            EXPECT_EQ(editor.OptimizeSize(choice), size.newWidth != 0) << size.width << size.depth;
            if (size.newWidth == 0) {
                ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{size.message});
                EXPECT_EQ(ui.Calls()[0].caption, size.message[0] == 'T' ? "Error" : "Kestrame");
                EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
                EXPECT_EQ(Image(), original);
                EXPECT_FALSE(editor.modified);
            } else {
                ExpectPictureSize(size.newWidth, size.newHeight);
                EXPECT_TRUE(editor.modified);
                ASSERT_TRUE(editor.UndoAvailable());
                editor.Undo();
                EXPECT_EQ(Image(), original);
            }
            ui.ClearCalls();
        }
    }
}

TEST_F(PictureEditorTest, TheZoomFitsTheWindowWithinItsBounds)
{
    editor.clientWidth = 600;
    editor.clientHeight = 500;
    Open(Gradient(300, 200));
    EXPECT_DOUBLE_EQ(editor.zoom, 2);
    EXPECT_EQ(editor.ViewSize(), (TSize{600, 400}));
    editor.ZoomIn();
    EXPECT_DOUBLE_EQ(editor.zoom, 2.05);
    EXPECT_EQ(editor.ViewSize().cx, 615);
    for (int step = 0; step < 100; ++step)
        editor.ZoomOut();
    EXPECT_DOUBLE_EQ(editor.zoom, PictureEditor::MinZoom);
    Open(Gradient(2, 2));
    EXPECT_DOUBLE_EQ(editor.zoom, PictureEditor::MaxZoom);
    const EditorMenuStates states = editor.MenuStates();
    EXPECT_TRUE(states.save && states.copy && states.pictureCommands);
    EXPECT_FALSE(states.undo || states.saveOptimized);
}

TEST_F(PictureEditorTest, AnUnreadablePictureIsShownAndLeavesTheEditorEmpty)
{
    WriteWholeFile(folder.File("broken.bmp"), "BM this is no bitmap");
    WriteWholeFile(folder.File("pictures.zyb"), "x");
    ExpectTold(3);
    for (const char* name : {"broken.bmp", "pictures.zyb", "notes.txt"}) {
        EXPECT_TRUE(editor.OpenPicture(folder.File(name))) << name;
        EXPECT_FALSE(editor.HasPicture()) << name;
        EXPECT_EQ(editor.picturePath, folder.File(name));
        EXPECT_FALSE(editor.MenuStates().save);
    }
    const std::vector<std::string> texts = ui.MessageTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    EXPECT_EQ(texts[1], "You can not edit ZYB files.");
    EXPECT_EQ(texts[2], "Could not recognize the file extention or file type.");
}

class NoSelectorHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 8; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return nullptr; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
};

class EditorClosing : public PictureEditorTest {
protected:
    EditorClosing()
    {
        catalog.Grid.SetColCount(5);
        catalog.Grid.SetRowCount(4);
        catalog.Grid.SetRow(2);
        editor.SetCatalogLink(catalog, 3, "SK-101");
    }
    NoSelectorHost host;
    CatalogManager catalog{host};
};

TEST_F(EditorClosing, TheLinkTakesTheSavedPathAndMarksTheCatalog)
{
    Open(Gradient(8, 6), "caf\xC3\xA9.bmp");
    editor.modified = true;
    ui.AnswerMessage(MsgAnswer::Cancel);
    EXPECT_FALSE(editor.CloseQuery());
    ui.AnswerMessage(MsgAnswer::No);
    ui.AnswerMessage(MsgAnswer::Cancel);
    EXPECT_FALSE(editor.CloseQuery());
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::Yes);
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_EQ(catalog.Grid.Cells(3, 2), StoredPath(folder.File("caf\xC3\xA9.bmp")));
    EXPECT_TRUE(catalog.modified);
    EXPECT_FALSE(editor.modified);
    const std::vector<std::string> expected = {"Save changes to picture", "Save changes to picture",
                                               "Update picture link for catalog item SK-101?", "Save changes to picture",
                                               "Update picture link for catalog item SK-101?"};
    EXPECT_EQ(ui.MessageTexts(), expected);

    // Neither question without a link column, nor in catalog capture.
    ui.ClearCalls();
    catalog.modified = false;
    editor.modified = true;
    editor.catalogCapture = true;
    EXPECT_TRUE(editor.CloseQuery());
    editor.catalogCapture = false;
    editor.modified = false;
    editor.linkColumn = -1;
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_TRUE(ui.Calls().empty());
    EXPECT_FALSE(catalog.modified);
}

TEST(PictureManagerPicture, FollowsTheDrawingsFrontPictureAndOpensNothingForAFixture)
{
    FakePictureFinder finder;
    finder.files["/pics/SK-101.jpg"] = "/found/SK-101.jpg";
    DocumentWithFakes planogram;
    PlanogramDocument& document = planogram.document;
    document.graphics.pictureFolder = "/pics/";
    EXPECT_EQ(CurrentItemPicture(document, finder), std::nullopt);
    document.items = std::make_unique<ListManager>();
    ListOB& item = planogram.Add("P1", TRect{0, 0, 40, 40});
    document.items->current = nullptr;
    EXPECT_EQ(CurrentItemPicture(document, finder), std::nullopt);
    document.items->current = &item;
    for (const auto& [picture, face, expected] : std::vector<std::tuple<std::string, int, std::optional<std::string>>>{
             {"SK-101.jpg", 1, "/found/SK-101.jpg"},
             {"missing.jpg", 0, "missing.jpg"},
             {"<shelf><boxcolor=8421504>", 0, std::nullopt},
             {"s", 0, std::nullopt}}) {
        item.picture = picture;
        item.face = face;
        EXPECT_EQ(CurrentItemPicture(document, finder), expected) << picture;
    }
}

} // namespace
