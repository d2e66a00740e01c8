#include "catalog/CatalogPictureFinder.h"
#include "catalog/Zyb.h"
#include "imageformats/DecodedPictureCache.h"
#include "imageformats/TargaGraphic.h"
#include "imageformats/TiffEditing.h"
#include "planogram/DoubleScaleRenderer.h"
#include "platform/graphics/JPEGImage.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

// Never cancels.
class QuietMonitor : public RenderMonitor {
public:
    void Step(const std::string&) override {}
    bool Cancelled() override { return false; }
    void PumpEvents() override {}
};

// A product photo: a white margin (the transparency key, as SetSize fills) round a gradient that
// differs by seed, so that any other scaling or source shows.
std::unique_ptr<TBitmap> Photo(int width, int height, int seed)
{
    auto photo = std::make_unique<TBitmap>();
    photo->SetPixelFormat(pf24bit);
    photo->SetSize(width, height);
    for (int y = 2; y < height - 2; ++y)
        for (int x = 2; x < width - 2; ++x)
            photo->SetPixel(x, y,
                            static_cast<TColor>((seed * 40 & 0xFF) << 16 | y * 255 / height << 8 | x * 255 / width));
    return photo;
}

// A document over the real picture finder and collection reader, drawn with the drawing's picture
// cache and without it (a limit of nothing keeps nothing).
class CachedDrawing : public testing::Test {
protected:
    CachedDrawing() { DecodedPictures().Clear(); }
    ~CachedDrawing() override
    {
        DecodedPictures().SetLimitBytes(DecodedPictureCache::DefaultLimitBytes);
        DecodedPictures().Clear();
    }

    template <class Writer = TBitmap> std::string Saved(const std::string& name, const TBitmap& bitmap)
    {
        Writer writer;
        writer.Assign(bitmap);
        writer.SaveToFile(folder.File(name));
        return folder.File(name);
    }

    // A 300 x 200 wall with a background picture.
    void NewWall()
    {
        ASSERT_TRUE(document.NewDocument(300, 200));
        document.backgroundMode = true;
        const std::unique_ptr<TBitmap> back = Photo(60, 40, 7);
        back->SetPixelFormat(pf8bit);
        document.backgroundPath = Saved("back.bmp", *back);
    }

    // Each picture at several sizes, by every face, turned, tagged, marked for reorder, and as
    // placeholders for a missing and a damaged file.
    void PlaceProducts(const std::vector<std::string>& pictures)
    {
        document.graphics.tagItemNr = true;
        int n = 0;
        for (const std::string& picture : pictures)
            for (int size = 0; size < 3; ++size, ++n) {
                const int left = (n % 8) * 36, top = (n / 8) * 48;
                ListOB& item =
                    AddTestItem(document, "P" + IntToStr(n), Rect(left, top, left + 20 + size * 7, top + 30 + size * 8),
                                0x3366CC + n, picture);
                item.face = picture == pictures.front() ? size : 0;
                item.rotation = n == 4 ? 30 : 0;
                item.reorder = n == 7;
            }
    }

    struct Drawn {
        TBitmap wall;
        TBitmap print;
    };

    // The wall as the window shows it (background loaded, then a full redraw) and as it prints.
    void Draw(Drawn& drawn)
    {
        EXPECT_TRUE(document.renderer.LoadBackground());
        document.renderer.RedrawAll();
        drawn.wall.Assign(document.backBitmap);
        drawn.print.SetPixelFormat(pf24bit);
        drawn.print.SetSize(document.backBitmap.Width() * 2, document.backBitmap.Height() * 2);
        QuietMonitor monitor;
        EXPECT_TRUE(RenderDoubleScale(document, drawn.print, monitor));
    }

    // The walls drawn without the cache, then twice with it (the second time from what it kept),
    // must agree to the pixel. The pictures are no larger than the items that show them, which
    // therefore take them whole whichever item decoded them first.
    void ExpectSameWithAndWithoutTheCache(std::size_t kept)
    {
        DecodedPictures().SetLimitBytes(0);
        Drawn plain, cached;
        Draw(plain);
        EXPECT_EQ(DecodedPictures().KeptCount(), 0u);
        DecodedPictures().SetLimitBytes(DecodedPictureCache::DefaultLimitBytes);
        Draw(cached);
        EXPECT_EQ(DecodedPictures().KeptCount(), kept);
        Draw(cached);
        EXPECT_EQ(DecodedPictures().KeptCount(), kept);
        ExpectSameImage(RgbOf(cached.wall), RgbOf(plain.wall), "wall");
        ExpectSameImage(RgbOf(cached.print), RgbOf(plain.print), "print");
        // The products are drawn from their pictures, not as placeholders, and over the background.
        EXPECT_NE(plain.wall.Pixel(15, 25), TColor(0x3366CC));
    }

    ScopedSettingsFolder settingsFolder;
    TemporaryFolder folder;
    ScriptedUi ui;
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeView view;
    FakeCatalogKinds catalogs;
    FakeCatalogFinder finder;
    CatalogPictureFinder pictures;
    PlanogramDocument document{DocumentServices{mainWindow, selector, setup, view, finder, pictures}};
};

} // namespace

TEST_F(CachedDrawing, PictureFilesFacesAndHighResolutionTwinsDrawTheSame)
{
    NewWall();
    const std::string cola = Saved("cola.bmp", *Photo(20, 28, 1));
    Saved("side-cola.bmp", *Photo(14, 28, 2));
    Saved("top-cola.bmp", *Photo(20, 14, 3));
    Saved("Hcola.bmp", *Photo(40, 56, 4));
    const std::unique_ptr<TBitmap> palette = Photo(18, 26, 5);
    palette->SetPixelFormat(pf8bit);
    const std::string fanta = Saved<TJPEGImage>("fanta.jpg", *Photo(20, 30, 6));
    const std::string pepsi = Saved<TTargaGraphic>("pepsi.tga", *palette);
    WriteWholeFile(folder.File("broken.bmp"), "BM no bitmap at all");
    PlaceProducts({cola, fanta, pepsi, cola, folder.File("missing.bmp"), folder.File("broken.bmp")});
    // Faces, the twin, the other two pictures and the background, each kept once.
    ExpectSameWithAndWithoutTheCache(7);
}

TEST_F(CachedDrawing, CollectionEntriesDrawTheSame)
{
    NewWall();
    const std::string collection = folder.File("pics.zyb");
    ZybFile zyb;
    ASSERT_TRUE(zyb.Append(collection, "cola.bmp", *Photo(20, 28, 1), 1));
    ASSERT_TRUE(zyb.Append(collection, "fanta.bmp", *Photo(20, 30, 2), 1));
    document.catalog = std::make_unique<FakeCatalog>();
    document.catalog->photoCollection = collection;
    PlaceProducts({"C:\\Pics\\cola.bmp", "fanta.bmp", "sprite.bmp", "cola.bmp"});
    ExpectSameWithAndWithoutTheCache(3);
}

TEST_F(CachedDrawing, ARewrittenPictureIsDrawnNewADeletedOneAsItsBoxAndAReturningOneAgain)
{
    NewWall();
    document.backgroundMode = false;
    const std::string cola = Saved("cola.bmp", *Photo(30, 40, 1));
    AddTestItem(document, "P1", Rect(10, 10, 40, 50), 0x3366CC, cola);
    document.renderer.RedrawAll();
    const TColor before = document.backBitmap.Pixel(35, 15);

    // Same size, same file length: only the modification time tells the new picture.
    Saved("cola.bmp", *Photo(30, 40, 2));
    const auto written = std::filesystem::last_write_time(cola);
    std::filesystem::last_write_time(cola, written + std::chrono::seconds(1));
    document.renderer.RedrawAll();
    const TColor after = document.backBitmap.Pixel(35, 15);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, Photo(30, 40, 2)->Pixel(25, 5));

    std::filesystem::remove(cola);
    document.renderer.RedrawAll();
    EXPECT_EQ(document.backBitmap.Pixel(35, 15), TColor(0x3366CC));

    // A picture that comes back is found and drawn again.
    Saved("cola.bmp", *Photo(30, 40, 3));
    std::filesystem::last_write_time(cola, written + std::chrono::seconds(2));
    document.renderer.RedrawAll();
    EXPECT_EQ(document.backBitmap.Pixel(35, 15), Photo(30, 40, 3)->Pixel(25, 5));
}

// Colours as JPEG and a reduction may move them: each channel a little.
bool Near(TColor drawn, TColor colour, int tolerance = 6)
{
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((drawn >> shift & 0xFF) - (colour >> shift & 0xFF))) > tolerance)
            return false;
    return true;
}

// The blue of a Photo's middle, as drawn.
bool ShowsPhoto(TColor drawn, int seed) { return Near(drawn & 0xFF0000, (seed * 40 & 0xFF) << 16, 12); }

// The wall's colour, and the colour of a cropped photo.
constexpr TColor Wall = 0x40A040;
constexpr TColor Cropped = 0xC08020;

// A wall of more photos than the cache could keep whole keeps each at the size its item shows it
// (a JPEG decoded at its library's smallest scale, then reduced as the others), so that no redraw
// decodes or even opens one. So are a photo cropped to sides whose eighths round unevenly, and a PNG
// photo with a transparent colour, which stays transparent. A print, at twice the size, decodes each
// once more; the wall's redraws after it take those larger pictures.
TEST_F(CachedDrawing, AWallOfMorePhotosThanTheCacheHoldsWholeRedrawsWithoutDecoding)
{
    NewWall();
    document.backgroundMode = false;
    document.backgroundColor = Wall;
    // Room for three of the 300 x 400 photos whole, at the items' 32 bits.
    DecodedPictures().SetLimitBytes(3 * 1200 * 400);
    for (int i = 0; i < 12; ++i) {
        const std::string name = "p" + IntToStr(i) + (i % 2 ? ".jpg" : ".bmp");
        const std::string path =
            i % 2 ? Saved<TJPEGImage>(name, *Photo(300, 400, i)) : Saved(name, *Photo(300, 400, i));
        AddTestItem(document, "P" + IntToStr(i), Rect(i * 24, 10, i * 24 + 20, 40), 0x3366CC, path);
    }
    // Decoded at an eighth, 678 x 452, and kept at 168 x 112, one short of the photo's proportions;
    // its white half is transparent.
    WriteStripedJpeg(folder.File("cropped.jpg"), 5417, 3611, {clWhite, Cropped});
    AddTestItem(document, "C", Rect(0, 60, 76, 172), 0x3366CC, folder.File("cropped.jpg"));
    // White is transparent: the photo's upper half, which the wall shows through.
    const std::unique_ptr<TBitmap> keyed = Photo(600, 800, 12);
    keyed->Canvas().FillRect(Rect(0, 0, 600, 400));
    WriteWholeFile(folder.File("keyed.ppm"), PpmOf(RgbOf(*keyed)));
    RunTool("/usr/bin/pnmtopng -transparent=rgb:ff/ff/ff " + folder.File("keyed.ppm") + " > " +
            folder.File("keyed.png"));
    AddTestItem(document, "K", Rect(100, 60, 160, 140), 0x3366CC, folder.File("keyed.png"));
    const auto expectDrawn = [](const TBitmap& drawn, int scale) {
        for (int i = 0; i < 12; ++i)
            EXPECT_TRUE(ShowsPhoto(drawn.Pixel((i * 24 + 10) * scale, 25 * scale), i)) << i;
        EXPECT_TRUE(Near(drawn.Pixel(57 * scale, 116 * scale), Cropped));
        EXPECT_EQ(drawn.Pixel(130 * scale, 70 * scale), Wall);
        EXPECT_TRUE(ShowsPhoto(drawn.Pixel(130 * scale, 120 * scale), 12));
    };
    const std::size_t decoded = DecodedPictures().DecodeCount();
    document.renderer.RedrawAll();
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 14);
    // Each photo at 23 x 30, which covers its 20 x 30 item in the photo's proportions.
    EXPECT_EQ(DecodedPictures().KeptCount(), 14u);
    EXPECT_EQ(DecodedPictures().KeptBytes(), 12u * 23 * 4 * 30 + 168 * 4 * 112 + 60 * 4 * 80);
    const OpenCounter opened(folder.Path());
    for (int redraw = 0; redraw < 3; ++redraw)
        document.renderer.RedrawAll();
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 14);
    EXPECT_TRUE(opened.Take().empty());
    expectDrawn(document.backBitmap, 1);

    TBitmap print;
    print.SetSize(600, 400);
    QuietMonitor monitor;
    ASSERT_TRUE(RenderDoubleScale(document, print, monitor));
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 28);
    expectDrawn(print, 2);
    document.renderer.RedrawAll();
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 28);
    EXPECT_EQ(DecodedPictures().KeptBytes(), 12u * 45 * 4 * 60 + 336 * 4 * 224 + 120 * 4 * 160);
}

// A damaged picture is decoded once for the planogram and drawn as its box on every redraw, until
// its file changes; one read despite warnings is kept; one too large to keep even at its item's
// size is drawn, decoded on every redraw.
TEST_F(CachedDrawing, APictureThatCannotBeUsedIsDecodedOnceUntilItsFileChanges)
{
    NewWall();
    document.backgroundMode = false;
    // Room for the TIFF (40 x 16) and a 23 x 30 picture at the items' 32 bits, not for the other
    // picture at 60 x 30, even at its own 24.
    DecodedPictures().SetLimitBytes(160 * 16 + 92 * 30);
    WriteWholeFile(folder.File("broken.bmp"), "BM no bitmap at all");
    Saved("big.bmp", *Photo(80, 40, 1));
    // A TIFF whose JPEG strip ends early: its reader warns.
    WriteWholeFile(folder.File("source.ppm"), PpmOf(StripedImage(40, 16, 50)));
    RunTool("/usr/bin/pnmtotiff -truecolor " + folder.File("source.ppm") + " > " + folder.File("plain.tif"));
    RunTool("/usr/bin/tiffcp -c jpeg -r 16 " + folder.File("plain.tif") + " " + folder.File("jpeg.tif"));
    WriteWholeFile(folder.File("cut.tiff"), WithTag(ReadWholeFile(folder.File("jpeg.tif")), 279, 300));
    const char* names[] = {"broken.bmp", "broken.bmp", "big.bmp", "big.bmp", "cut.tiff", "cut.tiff"};
    for (int i = 0; i < 6; ++i)
        AddTestItem(document, "P", Rect(i * 30, 10, i * 30 + 20, 40), 0x3366CC, folder.File(names[i]));
    const OpenCounter opened(folder.Path());
    const std::size_t decoded = DecodedPictures().DecodeCount();
    for (int redraw = 0; redraw < 3; ++redraw)
        document.renderer.RedrawAll();
    // The system folds an opening into the one before it while that is unread: big.bmp's six
    // openings, two by two and the last redraw's following the one before, show as two.
    EXPECT_EQ(opened.Take(), (std::map<std::string, int>{{"broken.bmp", 1}, {"big.bmp", 2}, {"cut.tiff", 1}}));
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 1 + 6 + 1);
    for (const int left : {0, 60, 120})
        EXPECT_EQ(document.backBitmap.Pixel(left + 15, 15) == TColor(0x3366CC), left < 60) << left;

    const auto written = std::filesystem::last_write_time(folder.File("broken.bmp"));
    Saved("broken.bmp", *Photo(30, 40, 3));
    std::filesystem::last_write_time(folder.File("broken.bmp"), written + std::chrono::seconds(1));
    opened.Take();
    document.renderer.RedrawAll();
    EXPECT_EQ(opened.Take(), (std::map<std::string, int>{{"big.bmp", 1}, {"broken.bmp", 1}}));
    EXPECT_EQ(DecodedPictures().DecodeCount(), decoded + 8 + 1 + 2);
    EXPECT_NE(document.backBitmap.Pixel(15, 15), TColor(0x3366CC));
}

// Items drawn in one pass take a picture stretched once for each size that repeats; drawn one by
// one, each item stretches the picture itself. Both give the same bytes, fourth ones included, for
// targets of both depths, keyed and not, narrower, wider and as wide as the picture, cut off at the
// target's edges.
TEST_F(CachedDrawing, AStretchedPictureKeptForAPassDrawsAsTheDirectStretch)
{
    const std::string cola = Saved("cola.bmp", *Photo(30, 40, 1));
    const std::string fanta = Saved<TJPEGImage>("fanta.jpg", *Photo(40, 60, 6));
    const TRect sizes[] = {Rect(0, 0, 20, 30), Rect(0, 0, 47, 25), Rect(0, 0, 30, 55)};
    std::vector<ListOB> items;
    for (const std::string& picture : {cola, fanta})
        for (const TRect& size : sizes)
            for (const TPoint at : {Point(-9, 5), Point(40, 10), Point(90, -12), Point(130, 70), Point(50, 40)}) {
                items.emplace_back();
                items.back().picture = picture;
                items.back().index = "P";
                items.back().left = at.X, items.back().top = at.Y;
                items.back().right = at.X + size.Width(), items.back().bottom = at.Y + size.Height();
            }
    for (const TPixelFormat format : {pf24bit, pf32bit})
        for (const bool transparent : {true, false}) {
            document.graphics.transparencySetting = transparent;
            TBitmap direct, passed;
            // The cache keeps each picture at the largest size drawn yet: drawn once, all items take it whole.
            for (ListOB& item : items)
                document.graphics.DrawItem(item, direct, "");
            for (TBitmap* target : {&direct, &passed}) {
                target->SetPixelFormat(format);
                target->SetSize(150, 90);
                for (int y = 0; y < target->Height(); ++y)
                    for (int x = 0; x < target->BytesPerScanLine(); ++x)
                        target->ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y);
            }
            for (ListOB& item : items)
                document.graphics.DrawItem(item, direct, "");
            {
                GraphicsManager::DrawingPass pass(document.graphics);
                for (ListOB& item : items)
                    document.graphics.DrawItem(item, passed, "");
            }
            for (int y = 0; y < direct.Height(); ++y)
                ASSERT_EQ(std::memcmp(direct.ScanLine(y), passed.ScanLine(y), direct.BytesPerScanLine()), 0)
                    << "row " << y << " format " << format << " transparent " << transparent;
        }
    // Both pictures were drawn, not their boxes.
    EXPECT_EQ(DecodedPictures().KeptCount(), 2u);
}
