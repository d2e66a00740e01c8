// The picture editor's model: when saving asks for a name, the written formats as outside decoders
// read them, failed writes, the optimising sizes, the zoom and the close questions.
#include "app/PictureEditor.h"

#include "app/PictureOutline.h"
#include "app/picdocCode.h"
#include "catalog/Didbase.h"
#include "platform/core/Exceptions.h"

#include "catalog/CatalogManager.h"
#include "planogram/Graphicsmanager.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Bitmap.h"
#include "testing/CatalogFakes.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <functional>

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
    // A press, a move and a release, in picture pixels.
    void Drag(int fromX, int fromY, int toX, int toY)
    {
        editor.MouseDown(fromX, fromY, false);
        editor.MouseMove(toX, toY);
        editor.MouseUp(toX, toY);
    }
    void Click(int x, int y)
    {
        editor.MouseDown(x, y, false);
        editor.MouseUp(x, y);
    }
    void PlaceDots(const std::vector<TPoint>& dots)
    {
        editor.drawDotsDown = true;
        for (const TPoint& dot : dots)
            Click(dot.X, dot.Y);
    }
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
    // Both start in the picture's folder, Save As with the picture's name.
    EXPECT_EQ(first.initialDir, ExtractFileDir(folder.File("shoe.jpeg")));
    EXPECT_EQ(dialogs[1].fileOptions.fileName, "locked");
    EXPECT_EQ(dialogs[1].fileOptions.initialDir, ExtractFileDir(folder.File("locked.jpg")));
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
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].fileOptions.fileName, "shoe-optimized.jpg");
    // The full-size picture keeps its file and its changes: Save writes it there, not over the copy.
    EXPECT_EQ(editor.picturePath, folder.File("shoe.jpg"));
    EXPECT_TRUE(editor.modified);
    ASSERT_TRUE(editor.SavePicture());
    const RgbImage full = DecodedBy("djpeg -pnm '" + folder.File("shoe.jpg") + "'");
    EXPECT_EQ((TSize{full.width, full.height}), (TSize{300, 200}));
    EXPECT_EQ(DecodedBy("bmptopnm '" + folder.File("optimized.bmp") + "'").width, 400);
    EXPECT_FALSE(editor.modified);

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

// In the window: a picture that Undo brings back after Save, or whose file an optimised copy
// replaced, is not what its file holds, so closing asks to save it.
TEST_F(PictureEditorTest, InTheWindowClosingAsksWhenThePictureIsNotWhatItsFileHolds)
{
    WriteWholeFile(folder.File("shoe.ppm"), PpmOf(Gradient(40, 30)));
    QPointer<Tpicdoc> window = new Tpicdoc(finder, settings);
    PictureEditor& model = window->model;
    model.product = EditorProduct{"SK-101", "", "", 8, 6, 2, 1.5, 0}; // 2 x 1.5 cm
    ASSERT_TRUE(window->OpenPicture(folder.File("shoe.ppm")));
    window->show();
    ASSERT_TRUE(model.OptimizeSize({OptimizeSizeChoice::Front, 0, "5", "5", "", true}));
    ui.AnswerFile(FileDialogResult{folder.File("shoe.bmp"), 2});
    window->aSaveAs->trigger();
    window->aUndo->trigger();
    ui.AnswerMessage(MsgAnswer::Cancel);
    EXPECT_FALSE(window->close());
    window->aSave->trigger();
    window->aUndo->trigger();
    EXPECT_FALSE(model.modified);

    ui.AnswerFile(FileDialogResult{folder.File("shoe.bmp"), 2});
    window->aOptimize->trigger();
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).back().fileOptions.fileName, "shoe-optimized.bmp");
    ui.AnswerMessage(MsgAnswer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>(2, "Save changes to picture"));
    EXPECT_EQ(DecodedBy("bmptopnm '" + folder.File("shoe.bmp") + "'"), Gradient(40, 30));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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

TEST_F(PictureEditorTest, AChangedPictureIsReplacedOnlyAfterTheSaveQuestion)
{
    struct Case {
        bool modified;
        bool capture;
        std::optional<MsgAnswer> answer; // none: nothing is asked
        bool replace;
        bool written;
    };
    const Case cases[] = {
        {false, false, std::nullopt, true, false},      {true, false, MsgAnswer::Cancel, false, false},
        {true, false, MsgAnswer::No, true, false},      {true, false, MsgAnswer::Yes, true, true},
        {true, true, std::nullopt, true, false},
    };
    for (const Case& test : cases) {
        Open(Gradient(8, 6), folder.File("shelf.bmp"));
        editor.modified = test.modified;
        editor.catalogCapture = test.capture;
        if (test.answer)
            ui.AnswerMessage(*test.answer);
        EXPECT_EQ(editor.MayReplacePicture(), test.replace);
        EXPECT_EQ(ui.MessageTexts(), test.answer ? std::vector<std::string>{"Save changes to picture"}
                                                 : std::vector<std::string>{});
        EXPECT_EQ(ReadWholeFile(folder.File("shelf.bmp")) != "the old file", test.written);
        EXPECT_EQ(editor.modified, test.modified && !test.written);
        ui.ClearCalls();
    }
    editor.catalogCapture = false;
}

TEST_F(PictureEditorTest, SaveWritesBackToTheFileABareNameWasFoundUnderAndThroughItsLink)
{
    ASSERT_EQ(mkdir(folder.File("Catalogs").c_str(), 0755), 0);
    const std::string file = folder.File("Catalogs/shoe.bmp");
    Open(Gradient(8, 6));
    ui.AnswerFile(FileDialogResult{file, 2});
    ASSERT_TRUE(editor.SaveAs());
    finder.files["shoe.bmp"] = file;
    ASSERT_EQ(symlink(file.c_str(), folder.File("link.bmp").c_str()), 0);
    for (const std::string& name : {std::string("shoe.bmp"), folder.File("link.bmp")}) {
        ASSERT_TRUE(editor.OpenPicture(name));
        EXPECT_EQ(editor.picturePath, name == "shoe.bmp" ? file : name);
        EXPECT_FALSE(editor.modified);
        OptimizeSizeChoice larger;
        larger.width = "3";
        larger.height = "2";
        ASSERT_TRUE(editor.OptimizeSize(larger));
        ASSERT_TRUE(editor.SavePicture()) << name;
        EXPECT_EQ(DecodedBy("bmptopnm '" + file + "'").width, 12) << name;
        EXPECT_EQ(RunCommand("find '" + folder.Path() + "' -type l"), folder.File("link.bmp") + "\n");
        OptimizeSizeChoice back;
        back.width = "2";
        back.height = "1.5";
        ASSERT_TRUE(editor.OptimizeSize(back));
        ASSERT_TRUE(editor.SavePicture());
    }
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog).size(), 1u);
}

// Whether the point lies within the distance of the polygon's outline.
bool NearOutline(const std::vector<TPoint>& polygon, double x, double y, double distance)
{
    for (size_t i = 0; i < polygon.size(); ++i) {
        const TPoint a = polygon[i];
        const TPoint b = polygon[(i + 1) % polygon.size()];
        const double dx = b.X - a.X, dy = b.Y - a.Y;
        const double along = std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        if (std::hypot(a.X + along * dx - x, a.Y + along * dy - y) <= distance)
            return true;
    }
    return false;
}

// The even-odd rule by a ray to the right.
bool InsidePolygon(const std::vector<TPoint>& polygon, double x, double y)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const TPoint a = polygon[i], b = polygon[j];
        if ((a.Y > y) != (b.Y > y) && x < a.X + (y - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y))
            inside = !inside;
    }
    return inside;
}

// A palette picture whose palette has no white: the background becomes white all the same, and the
// product keeps its own colour, one the nearest palette entry to white would have taken.
TEST_F(PictureEditorTest, RemoveBackgroundOnAPaletteWithoutWhitePaintsWhite)
{
    TPalette palette;
    for (int entry = 0; entry < 64; ++entry) {
        const auto level = static_cast<std::uint8_t>(entry * 225 / 63);
        palette.Entries.push_back({level, static_cast<std::uint8_t>(level - level / 225), static_cast<std::uint8_t>(level * 222 / 225), 0});
    }
    const TColor product = palette.Color(63);
    ASSERT_EQ(product, RGB(225, 224, 222));
    const std::vector<TPoint> outline{{12, 6}, {70, 14}, {58, 52}, {30, 40}, {8, 44}};
    for (bool keyHeld : {false, true}) {
        ASSERT_TRUE(editor.ResetPicture());
        editor.picture->SetPixelFormat(pf8bit);
        editor.picture->SetPalette(palette);
        editor.picture->SetSize(80, 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                editor.picture->SetPixel(x, y, product);
        ASSERT_EQ(editor.picture->Pixel(40, 30), product);
        PlaceDots(outline);
        editor.ConnectStraight();
        editor.keyHeld = keyHeld;
        editor.RemoveBackground();
        EXPECT_EQ(editor.picture->Pixel(0, 0), clWhite);
        int wrong = 0, judged = 0;
        for (int y = 1; y < 60; ++y)
            for (int x = 1; x < 80; ++x) {
                // Pixel centres clear of the outline and of the dots' squares.
                const double cx = x + 0.5, cy = y + 0.5;
                if (NearOutline(outline, cx, cy, 2) ||
                    std::any_of(outline.begin(), outline.end(), [&](TPoint dot) {
                        return cx >= dot.X - 1 && cx <= dot.X + 6 && cy >= dot.Y - 1 && cy <= dot.Y + 6;
                    }))
                    continue;
                ++judged;
                const bool white = InsidePolygon(outline, cx, cy) == keyHeld;
                wrong += editor.picture->Pixel(x, y) != (white ? clWhite : product);
            }
        EXPECT_GT(judged, 3000);
        EXPECT_EQ(wrong, 0) << (keyHeld ? "key held" : "no key");
    }
}

// Which Connect buttons the outline offers: lines, curves, Remove Background.
std::array<bool, 3> ButtonsOf(const PictureEditor& editor)
{
    return {editor.LinesEnabled(), editor.CurvesEnabled(), editor.RemoveBackgroundEnabled()};
}

TEST_F(PictureEditorTest, DotsEnableTheConnectButtonsAndAreDraggedAfterAConnect)
{
    Open(Gradient(60, 50));
    editor.SetZoom(2);
    // Connect without dots leaves nothing to drag and lets dots be added.
    editor.ConnectCurves();
    editor.ConnectStraight();
    EXPECT_TRUE(editor.addingDots);
    const std::vector<TPoint> corners{{10, 10}, {40, 10}, {40, 30}, {10, 30}};
    for (int round = 0; round < 2; ++round) {
        editor.drawDotsDown = true;
        const std::array<bool, 3> expected[] = {
            {false, false, false}, {true, false, false}, {true, false, false}, {true, true, false}};
        for (size_t dot = 0; dot < corners.size(); ++dot) {
            Click(corners[dot].X, corners[dot].Y);
            EXPECT_EQ(ButtonsOf(editor), expected[dot]) << "round " << round << " dot " << dot;
        }
        editor.ConnectStraight();
        EXPECT_EQ(ButtonsOf(editor), (std::array<bool, 3>{false, false, true}));
        EXPECT_FALSE(editor.curveMode);
        editor.RemoveBackground();
        EXPECT_EQ(ButtonsOf(editor), (std::array<bool, 3>{false, false, false}));
        EXPECT_EQ(editor.lastDotIndex, -1);
    }

    // After a Connect a press within 4 / zoom picks the first dot in reach and moves it there.
    const std::vector<TPoint> close{{20, 20}, {22, 20}, {40, 40}};
    PlaceDots(close);
    editor.ConnectStraight();
    struct Press {
        TPoint at;
        int picked;
    };
    // Both of the first two dots are in reach of the first press; each picked dot ends a pixel right.
    for (const Press& press : {Press{{22, 22}, 0}, Press{{21, 19}, 1}, Press{{40, 42}, 2}, Press{{30, 30}, -1}}) {
        const std::vector<float> x = editor.dotsX;
        editor.MouseDown(press.at.X, press.at.Y, false);
        EXPECT_EQ(editor.selectedDot, press.picked) << press.at.X << "," << press.at.Y;
        if (press.picked < 0) {
            EXPECT_EQ(editor.dotsX, x);
            continue;
        }
        editor.MouseMove(press.at.X + 1, press.at.Y);
        EXPECT_TRUE(editor.markerVisible);
        editor.MouseUp(press.at.X + 1, press.at.Y);
        EXPECT_FALSE(editor.markerVisible);
        EXPECT_EQ(editor.selectedDot, -1);
        EXPECT_EQ(editor.dotsX[static_cast<size_t>(press.picked)], static_cast<float>(press.at.X + 1));
    }
}

TEST_F(PictureEditorTest, TheCurveIsTheClosedQuadraticBSplineThroughTheEdgesMidpoints)
{
    // Few dots are all summed; of more only those that can weigh.
    const std::vector<float> xs[] = {{10, 200, 230, 120, 30}, {10, 90, 200, 260, 230, 150, 120, 30}};
    const std::vector<float> ys[] = {{20, 15, 160, 210, 140}, {20, 5, 15, 90, 160, 230, 210, 140}};
    for (size_t set = 0; set < 2; ++set) {
        const std::vector<float>& x = xs[set];
        const std::vector<float>& y = ys[set];
        const std::vector<TPoint> points = CurvePoints({x, y});
        const int n = static_cast<int>(x.size());
        // The parameter accumulates in single precision, and the last point is at n.
        std::vector<float> parameters{0};
        for (float t = 0.05f; t < static_cast<float>(n); t += 0.05f)
            parameters.push_back(t);
        parameters.push_back(static_cast<float>(n));
        ASSERT_EQ(points.size(), parameters.size());
        for (size_t step = 0; step < points.size(); ++step) {
            const double t = parameters[step];
            const int j = std::min(static_cast<int>(t), n - 1);
            const double u = t - j;
            const auto at = [&](const std::vector<float>& p) {
                const auto dot = [&](int i) { return static_cast<double>(p[static_cast<size_t>((i % n + n) % n)]); };
                return 0.5 * u * u * dot(j) + 0.5 * (-2 * u * u + 2 * u + 1) * dot(j - 1) +
                       0.5 * (1 - u) * (1 - u) * dot(j - 2);
            };
            // Truncated to whole pixels from single precision.
            EXPECT_NEAR(points[step].X, at(x), 1.001) << n << " dots, t " << t;
            EXPECT_NEAR(points[step].Y, at(y), 1.001) << n << " dots, t " << t;
        }
    }
    // Through a square's corners the closed curve passes the middle of every edge.
    const std::vector<float> squareX{0, 100, 100, 0};
    const std::vector<float> squareY{0, 0, 100, 100};
    const std::vector<TPoint> round = CurvePoints({squareX, squareY});
    for (TPoint middle : {TPoint{50, 0}, TPoint{100, 50}, TPoint{50, 100}, TPoint{0, 50}})
        EXPECT_TRUE(std::any_of(round.begin(), round.end(), [&](TPoint point) {
            return std::abs(point.X - middle.X) <= 1 && std::abs(point.Y - middle.Y) <= 1;
        })) << middle.X << "," << middle.Y;
    EXPECT_EQ(round.front(), round.back());
}

TEST_F(PictureEditorTest, RemoveBackgroundFillsOutsideTheOutlineOrInsideWithAKeyHeld)
{
    const TColor red = 0x0000FF;
    const std::vector<TPoint> corners{{10, 10}, {50, 10}, {50, 40}, {10, 40}};
    struct Case {
        TPixelFormat format;
        bool keyHeld;
        bool curve;
    };
    for (const Case& test : {Case{pf24bit, false, false}, Case{pf24bit, true, false}, Case{pf8bit, false, false},
                             Case{pf8bit, true, false}, Case{pf24bit, false, true}}) {
        const std::string label = std::to_string(test.format) + (test.keyHeld ? " key" : "") + (test.curve ? " curve" : "");
        ASSERT_TRUE(editor.ResetPicture());
        editor.picture->SetPixelFormat(pf24bit);
        editor.picture->SetSize(64, 48);
        editor.picture->Canvas().Brush.Color = red;
        editor.picture->Canvas().FillRect({0, 0, 64, 48});
        editor.picture->SetPixelFormat(test.format);
        const TColor kept = editor.picture->Pixel(30, 25);
        ASSERT_EQ(kept, red) << label;
        PlaceDots(corners);
        if (test.curve)
            editor.ConnectCurves();
        else
            editor.ConnectStraight();
        editor.keyHeld = test.keyHeld;
        editor.RemoveBackground();
        EXPECT_TRUE(editor.modified);
        EXPECT_EQ(editor.picture->Pixel(0, 0), clWhite) << label;
        // The curve lies inside the square by up to a quarter of an edge.
        const TRect inside = test.curve ? TRect{22, 20, 39, 31} : TRect{15, 15, 48, 38};
        int wrong = 0;
        for (int py = 1; py < 48; ++py)
            for (int px = 1; px < 64; ++px) {
                const bool in = PtInRect(inside, {px, py});
                const bool out = px < 8 || px > 55 || py < 8 || py > 45;
                if (!in && !out)
                    continue;
                const TColor expected = in == test.keyHeld ? clWhite : red;
                wrong += editor.picture->Pixel(px, py) != expected;
            }
        EXPECT_EQ(wrong, 0) << label;
    }
}

TEST_F(PictureEditorTest, AnyChangeOfThePictureButTheOutlineForgetsTheDots)
{
    const std::function<void()> changes[] = {
        [&] { ASSERT_TRUE(editor.OpenPicture(folder.File("picture.ppm"))); },
        [&] {
            editor.drawDotsDown = false;
            editor.tool = PictureTool::CropDraw;
            Drag(2, 2, 30, 20);
            Click(5, 5);
        },
        [&] {
            OptimizeSizeChoice choice;
            choice.width = "10";
            choice.height = "8";
            EXPECT_TRUE(editor.OptimizeSize(choice));
        },
        [&] { editor.Undo(); },
    };
    int change = 0;
    for (const std::function<void()>& changePicture : changes) {
        Open(Gradient(40, 30));
        editor.SetZoom(1);
        PlaceDots({{5, 5}, {20, 5}, {20, 20}, {5, 20}});
        changePicture();
        const RgbImage before = RgbOf(*editor.picture);
        EXPECT_EQ(editor.lastDotIndex, -1) << "change " << change;
        EXPECT_TRUE(editor.dotsX.empty() && !editor.CurvesEnabled() && !editor.LinesEnabled());
        editor.ConnectCurves();
        EXPECT_EQ(RgbOf(*editor.picture), before) << "change " << change;
        EXPECT_TRUE(editor.addingDots);
        ++change;
    }
}

TEST_F(PictureEditorTest, ARubberBandPastThePictureCropsToItsEdge)
{
    Open(Gradient(40, 30));
    editor.SetZoom(2);
    editor.tool = PictureTool::CropDraw;
    editor.DrawCropChanged();
    EXPECT_EQ(editor.cursor, ToolCursor::Cross);
    Drag(10, 5, 60, 50);
    EXPECT_EQ(editor.selection, (TRect{20, 10, 120, 100}));
    EXPECT_EQ(editor.SelectionInPicture(), (TRect{10, 5, 40, 30}));
    const TColor corner = editor.picture->Pixel(10, 5);
    Click(12, 7);
    EXPECT_EQ(PictureSize(), (TSize{30, 25}));
    EXPECT_EQ(editor.picture->Pixel(0, 0), corner);
    EXPECT_TRUE(editor.modified && editor.UndoAvailable() && editor.selection.IsEmpty());
    EXPECT_EQ(editor.tool, PictureTool::None);
    // A band wholly outside the picture crops nothing and takes no snapshot.
    editor.undoSnapshot = std::make_unique<TBitmap>();
    editor.tool = PictureTool::CropDraw;
    Drag(50, 40, 70, 60);
    Click(55, 45);
    EXPECT_EQ(PictureSize(), (TSize{30, 25}));
    EXPECT_FALSE(editor.UndoAvailable());
    // A press outside the selection drops it and releases Draw Crop.
    editor.tool = PictureTool::CropDraw;
    Drag(1, 1, 10, 10);
    Click(20, 20);
    EXPECT_TRUE(editor.selection.IsEmpty());
    EXPECT_EQ(editor.tool, PictureTool::None);
}

TEST_F(PictureEditorTest, CatalogCaptureCropsToTheDisplaySizeMeasuresAndAddsRows)
{
    NoSelectorHost host;
    CatalogManager catalog{host};
    catalog.NewCatalog();
    editor.catalogCapture = true;
    editor.SetCatalogLink(catalog, -1, "0");
    Open(Gradient(90, 50));
    editor.SetZoom(1);
    editor.captureStep = CaptureStep::Crop;

    // Answers that are no whole number, or out of range, crop nothing.
    struct Refused {
        std::string answer;
        std::string said;
    };
    const std::string range = "The display area's width and height must be whole numbers from 1 to 7500.";
    for (const Refused& refused : {Refused{"abc", "'abc' is not a valid integer value"}, Refused{"0", range},
                                   Refused{"99999", range}, Refused{"7500", " pixels is too large"}}) {
        editor.tool = PictureTool::CropDraw2;
        Drag(5, 5, 85, 45);
        ui.ClearCalls();
        ui.AnswerInput(refused.answer);
        std::string said;
        if (refused.answer == "abc") {
            // The first answer that is no number ends the questions.
            try {
                Click(10, 10);
            } catch (const EConvertError& error) {
                said = error.what();
            }
        } else {
            ui.AnswerInput(refused.answer);
            ui.AnswerMessage(MsgAnswer::OK);
            Click(10, 10);
            said = ui.MessageTexts().at(0);
        }
        EXPECT_NE(said.find(refused.said), std::string::npos) << refused.answer << ": " << said;
        EXPECT_EQ(PictureSize(), (TSize{90, 50})) << refused.answer;
        EXPECT_EQ(editor.captureStep, CaptureStep::Crop);
        editor.selection = {};
    }

    editor.tool = PictureTool::CropDraw2;
    Drag(5, 5, 85, 45);
    ui.ClearCalls();
    ui.AnswerInput("120");
    ui.AnswerInput("60");
    Click(10, 10);
    const std::vector<ScriptedUi::Call> asked = ui.CallsOf(ScriptedUi::Kind::InputBox);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].caption, "Width");
    EXPECT_EQ(asked[0].text, "Please enter the display area width in cm or inches");
    EXPECT_EQ(asked[1].text, "Please enter the display area height in cm or inches");
    EXPECT_EQ(PictureSize(), (TSize{480, 240}));
    EXPECT_EQ(editor.captureStep, CaptureStep::Boxes);

    for (double zoom : {1.0, 2.0}) {
        editor.SetZoom(zoom);
        editor.selection = {};
        editor.tool = PictureTool::Measure;
        Drag(20, 30, 120, 110);
        Click(50, 50);
        EXPECT_EQ(editor.entry.width, "25") << zoom;
        EXPECT_EQ(editor.entry.height, "20") << zoom;
        EXPECT_EQ(editor.tool, PictureTool::None);
    }
    editor.tool = PictureTool::PegXY;
    Click(30, 32);
    EXPECT_EQ(editor.entry.pegX, "2.5");
    EXPECT_EQ(editor.entry.pegY, "0.5");

    const auto Role = [&](CatalogFieldRole role) { return catalog.catalog->roles[static_cast<size_t>(role)]; };
    const int description = Role(RoleDescription);
    const int rows = catalog.Grid.RowCount();
    for (int product = 1; product <= 3; ++product) {
        editor.entry.index = "P" + std::to_string(product);
        editor.entry.description = "Item " + std::to_string(product);
        if (product == 3)
            catalog.catalog->roles[RoleDescription] = -1;
        editor.AddProduct();
        EXPECT_EQ(catalog.Grid.Cells(Role(RolePartNumber), product), editor.entry.index);
        EXPECT_EQ(catalog.Grid.Cells(Role(RoleWidth), product), "25");
        EXPECT_EQ(catalog.Grid.Cells(Role(RoleHeight), product), "20");
        EXPECT_EQ(catalog.Grid.RowCount(), rows + product);
    }
    EXPECT_EQ(catalog.Grid.Cells(description, 2), "Item 2");
    EXPECT_EQ(catalog.Grid.Cells(description, 3), "");
    EXPECT_TRUE(catalog.modified);
}

} // namespace
