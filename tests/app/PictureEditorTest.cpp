// The picture editor's model: when saving asks for a name, the written formats as outside decoders
// read them, failed writes, the optimising sizes, the zoom and the close questions.
#include "app/PictureEditor.h"

#include "catalog/CatalogManager.h"
#include "planogram/Graphicsmanager.h"
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
            image.pixels.push_back({static_cast<std::uint8_t>(x * 255 / width),
                                    static_cast<std::uint8_t>(y * 255 / height), static_cast<std::uint8_t>(128)});
    return image;
}

double Psnr(const RgbImage& a, const RgbImage& b)
{
    double squares = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (auto sample : {&Rgb::r, &Rgb::g, &Rgb::b})
            squares += std::pow(a.pixels[i].*sample - b.pixels[i].*sample, 2);
    const double mean = squares / (3.0 * static_cast<double>(a.pixels.size()));
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

constexpr std::string_view TooLarge = " pixels is too large to make: at most 30000 pixels a side and 512 MB in all.";

class PictureEditorTest : public testing::Test {
protected:
    // Opens the picture from a portable pixmap, which is read but not written; `path` is then the
    // picture's path, an existing file.
    void Open(const RgbImage& image, const std::string& path = "")
    {
        WriteWholeFile(folder.File("picture.ppm"), PpmOf(image));
        ASSERT_TRUE(editor.OpenPicture(folder.File("picture.ppm")));
        ASSERT_TRUE(editor.HasPicture());
        editor.modified = false;
        if (!path.empty()) {
            WriteWholeFile(path, "the old file");
            editor.picturePath = path;
        }
    }
    TSize PictureSize() const { return {editor.picture->Width(), editor.picture->Height()}; }
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
    for (const char* name : {"m.jpg", "b.JPG", "c.tif", "d.Fax", "e.tga", "f.VST", "g.icb", "h.vda", "i.win", "j.bmp",
                             "k.rle", "l.DiB", "a.eps", "a.bw", "a.rgb", "a.rgba", "a.sgi", "a.cel", "a.pic", "a.pcx",
                             "a.pcc", "a.pcd", "a.ppm", "a.pgm", "a.pbm", "a.cut", "a.pal", "a.rla", "a.rpf", "a.psd",
                             "a.pdd", "a.psp", "a.png", "a.jpeg", "noextension", "shoe."}) {
        // The names that must ask start with a, n or s.
        WriteWholeFile(folder.File(name), "x");
        EXPECT_EQ(NeedsSaveDialog(folder.File(name)), name[0] == 'a' || name[0] == 'n' || name[0] == 's') << name;
    }
    // The extension is what follows the last delimiter.
    for (const char* path : {"C:\\pics.jpg\\shoe", "pics.bmp/shoe", "C:shoe", "C:.tif\\x"})
        EXPECT_TRUE(NeedsSaveAs(path)) << path;
    EXPECT_FALSE(NeedsSaveAs("C:\\pics\\shoe.Tga"));
    EXPECT_TRUE(NeedsSaveDialog(""));
    EXPECT_TRUE(NeedsSaveDialog(folder.File("gone.jpg")));
    for (const auto& [path, preset] : std::vector<std::pair<std::string, std::string>>{
             {"/p/shoe.jpeg", "shoe."}, {"C:\\p\\shoe.png", "shoe"}, {"a.b", ""}, {"abc", ""}, {"/p/", ""}})
        EXPECT_EQ(SaveNamePreset(path), preset) << path;
}

TEST_F(PictureEditorTest, AReadOnlyFileAsksCancelChangesNothingAndSaveAsKeepsThePath)
{
    // The mode rule holds for root too, whom the system would let write.
    Open(Gradient(8, 6), folder.File("shoe.jpeg"));
    chmod(folder.File("shoe.jpeg").c_str(), 0444);
    editor.modified = true;
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SavePicture());
    Open(Gradient(8, 6), folder.File("locked.jpg"));
    chmod(folder.File("locked.jpg").c_str(), 0444);
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SaveAs());
    const std::vector<ScriptedUi::Call> dialogs = ui.CallsOf(ScriptedUi::Kind::SaveDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    const FileDialogOptions& first = dialogs[0].fileOptions;
    EXPECT_TRUE(first.fileName == "shoe." && first.defaultExt == "jpg" && first.filter == PictureSaveFilter);
    EXPECT_EQ(dialogs[1].fileOptions.fileName, "");
    EXPECT_EQ(editor.picturePath, folder.File("locked.jpg"));
    EXPECT_EQ(ReadWholeFile(folder.File("locked.jpg")), "the old file");
    ui.AnswerFile(FileDialogResult{folder.File("there.tga"), 4});
    EXPECT_TRUE(editor.SaveAs());
    EXPECT_EQ(editor.picturePath, folder.File("there.tga"));
    EXPECT_EQ(editor.SaveDialog1.defaultExt, "tga");
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
        ui.AnswerFile(FileDialogResult{folder.File(format.name), format.filterIndex});
        ASSERT_TRUE(editor.SavePicture()) << format.name;
        Open(original, folder.File(format.alias));
        ASSERT_TRUE(editor.SavePicture()) << format.alias;
        for (const char* written : {format.name, format.alias})
            EXPECT_GE(Psnr(DecodedBy(std::string(format.decoder) + " '" + folder.File(written) + "'"), original),
                      format.minimumPsnr)
                << written;
    }
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 4u);
}

TEST_F(PictureEditorTest, AFailedWriteKeepsTheOldFileTheChangesAndTheWindow)
{
    for (const char* name : {"old.jpg", "old.bmp", "old.tif", "old.tga"}) {
        Open(Gradient(64, 64), folder.File(name));
        editor.modified = true;
        {
            FileSizeLimit limit(512);
            ExpectTold(1);
            EXPECT_FALSE(editor.SavePicture()) << name;
            ui.AnswerMessage(MsgAnswer::Yes);
            ExpectTold(1);
            EXPECT_FALSE(editor.CloseQuery()) << name;
        }
        EXPECT_EQ(ReadWholeFile(folder.File(name)), "the old file");
        EXPECT_TRUE(editor.modified) << name;
        const std::vector<std::string> texts = ui.MessageTexts();
        EXPECT_EQ(texts, (std::vector<std::string>{texts[0], "Save changes to picture", texts[0]})) << name;
        EXPECT_EQ(ui.Calls()[1].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(ui.Calls()[1].icon, MsgIcon::Question);
        ui.ClearCalls();
    }
}

TEST_F(PictureEditorTest, SaveOptimizedWritesEightPixelsACentimetreOnlyWhenThePictureIsLarger)
{
    editor.product = EditorProduct{"SK-101", "", "", 200, 160, 50, 40, 0}; // 50 x 40 cm
    Open(Gradient(150, 100));
    ExpectTold(4);
    EXPECT_FALSE(editor.SaveOptimized());
    Open(Gradient(300, 200), folder.File("shoe.jpg"));
    editor.modified = true;
    ui.AnswerFile(std::nullopt);
    EXPECT_FALSE(editor.SaveOptimized());
    EXPECT_EQ(editor.SaveDialog1.fileName, "");
    ui.AnswerFile(FileDialogResult{folder.File("optimized.bmp"), 2});
    ASSERT_TRUE(editor.SaveOptimized());
    const RgbImage written = DecodedBy("bmptopnm '" + folder.File("optimized.bmp") + "'");
    EXPECT_EQ((TSize{written.width, written.height}), (TSize{400, 320}));
    EXPECT_EQ(PictureSize(), (TSize{300, 200}));
    EXPECT_EQ(editor.picturePath, folder.File("optimized.bmp"));
    EXPECT_FALSE(editor.modified);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.fileName, folder.File("shoe.jpg"));

    editor.product = EditorProduct{"SK-101", "", "", 40000, 0, 10000, 0, 0};
    EXPECT_FALSE(editor.SaveOptimized());
    editor.product.height = 40;
    EXPECT_FALSE(editor.SaveOptimized());
    editor.product.heightQuarterCm = 160;
    EXPECT_FALSE(editor.SaveOptimized());
    const std::string missing = "Can't save optimized. Width or Height information missing for this product.";
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"Image is already optimized", missing, missing,
                                                            "A picture of 80000 x 320" + std::string(TooLarge)}));
    for (const ScriptedUi::Call& box : ui.CallsOf(ScriptedUi::Kind::MessageBox))
        EXPECT_TRUE(box.caption == "Kestrame" && box.icon == MsgIcon::Warning) << box.text;
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 2u);
}

TEST_F(PictureEditorTest, OptimizeSizeResizesToTheChosenSideAndUndoRestores)
{
    using C = OptimizeSizeChoice;
    struct Case {
        C choice;
        TSize size; // empty: refused with the message
        std::string message;
    };
    const std::string widthHeight = "The width or height values are missing";
    const Case cases[] = {
        {{C::SideView, 1, "", "10", "12"}, {121, 101}, ""},
        {{C::Front, 0, "30", "20", ""}, {120, 80}, ""},
        {{C::Top, 0, "5cm", "", "2.5"}, {20, 10}, ""},
        {{C::Front, 0, "", "20", "1"}, {}, widthHeight},
        {{C::SideView, 0, "1", "1", "0"}, {}, "The depth or height values are missing"},
        {{C::Top, 1, "1", "1", "-5"}, {}, "The width or depth values are missing"},
        {{C::Front, 0, "0.1", "20", ""}, {}, widthHeight},
        {{C::Front, 0, "10000", "20", ""}, {}, "A picture of 40000 x 80" + std::string(TooLarge)},
        {{C::Front, 0, "5000", "5000", ""}, {}, "A picture of 20000 x 20000" + std::string(TooLarge)},
    };
    const RgbImage original = Gradient(60, 50);
    for (const Case& size : cases) {
        for (bool bilinear : {true, false}) {
            Open(original);
            EXPECT_FALSE(editor.UndoAvailable());
            C choice = size.choice;
            choice.bilinear = bilinear;
            ExpectTold(size.message.empty() ? 0 : 1);
            EXPECT_EQ(editor.OptimizeSize(choice), size.message.empty()) << size.message;
            EXPECT_EQ(editor.modified, size.message.empty());
            if (!size.message.empty()) {
                EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{size.message});
                EXPECT_EQ(ui.Calls()[0].caption, size.message[0] == 'T' ? "Error" : "Kestrame");
                EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
                EXPECT_EQ(RgbOf(*editor.picture), original);
            } else {
                EXPECT_EQ(PictureSize(), size.size);
                ASSERT_TRUE(editor.UndoAvailable());
                editor.Undo();
                EXPECT_EQ(RgbOf(*editor.picture), original);
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
    editor.ZoomIn();
    EXPECT_EQ(editor.ViewSize().cx, 615);
    for (int step = 0; step < 100; ++step)
        editor.ZoomOut();
    EXPECT_DOUBLE_EQ(editor.zoom, PictureEditor::MinZoom);
    Open(Gradient(2, 2));
    EXPECT_DOUBLE_EQ(editor.zoom, PictureEditor::MaxZoom);
}

class NoSelectorHost : public CatalogManagerHost {
public:
    int DisplayScale() const override { return 8; }
    unsigned char UnitsMode() const override { return 1; }
    TStringGrid* SelectorGrid() override { return nullptr; }
    bool SelectorVisible() const override { return false; }
    void HideSelector() override {}
    void ShowSelector() override {}
    std::unique_ptr<CatalogPictureEditor> NewPictureEditor() override { return nullptr; }
};

TEST_F(PictureEditorTest, ClosingAsksToSaveAndToLinkThePathIntoTheCatalog)
{
    NoSelectorHost host;
    CatalogManager catalog{host};
    catalog.Grid.SetColCount(5);
    catalog.Grid.SetRowCount(4);
    catalog.Grid.SetRow(2);
    editor.SetCatalogLink(catalog, 3, "SK-101");
    Open(Gradient(8, 6), folder.File("caf\xC3\xA9.bmp"));
    editor.modified = true;
    for (MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::No, MsgAnswer::Cancel, MsgAnswer::Yes, MsgAnswer::Yes})
        ui.AnswerMessage(answer);
    EXPECT_FALSE(editor.CloseQuery());
    EXPECT_FALSE(editor.CloseQuery());
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_EQ(catalog.Grid.Cells(3, 2), StoredPath(folder.File("caf\xC3\xA9.bmp")));
    EXPECT_TRUE(catalog.modified);
    EXPECT_FALSE(editor.modified);
    const std::string save = "Save changes to picture", link = "Update picture link for catalog item SK-101?";
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{save, save, link, save, link}));

    // Neither question in catalog capture, nor a link question without a link column.
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

} // namespace
