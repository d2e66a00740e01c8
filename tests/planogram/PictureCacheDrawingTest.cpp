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
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include <sys/inotify.h>
#include <unistd.h>

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

// The openings of each file in a folder, as the system reports them: a decode opens its file.
struct OpenCounter {
    int watch = inotify_init1(IN_NONBLOCK);
    explicit OpenCounter(const std::string& folder) { inotify_add_watch(watch, folder.c_str(), IN_OPEN); }
    ~OpenCounter() { close(watch); }

    // Those since the last call, by file name.
    std::map<std::string, int> Take() const
    {
        std::map<std::string, int> opened;
        alignas(inotify_event) char events[1 << 16];
        for (ssize_t length; (length = read(watch, events, sizeof events)) > 0;)
            for (char* at = events; at < events + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0)
                    ++opened[event->name];
                at += sizeof(inotify_event) + event->len;
            }
        return opened;
    }
};

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
    // must agree to the pixel.
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
    const std::string cola = Saved("cola.bmp", *Photo(30, 40, 1));
    Saved("side-cola.bmp", *Photo(20, 40, 2));
    Saved("top-cola.bmp", *Photo(30, 20, 3));
    Saved("Hcola.bmp", *Photo(90, 120, 4));
    const std::unique_ptr<TBitmap> palette = Photo(25, 35, 5);
    palette->SetPixelFormat(pf8bit);
    const std::string fanta = Saved<TJPEGImage>("fanta.jpg", *Photo(40, 60, 6));
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
    ASSERT_TRUE(zyb.Append(collection, "cola.bmp", *Photo(30, 40, 1), 1));
    ASSERT_TRUE(zyb.Append(collection, "fanta.bmp", *Photo(40, 60, 2), 1));
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

TEST_F(CachedDrawing, ManyDistinctPicturesKeepWithinTheLimit)
{
    NewWall();
    document.backgroundMode = false;
    // Room for three of the 30 x 40 pictures, kept at the items' 32 bits (rows of 120 bytes).
    DecodedPictures().SetLimitBytes(3 * 120 * 40);
    for (int i = 0; i < 12; ++i)
        AddTestItem(document, "P" + IntToStr(i), Rect(i * 24, 10, i * 24 + 20, 40), 0x3366CC,
                    Saved("p" + IntToStr(i) + ".bmp", *Photo(30, 40, i)));
    Saved("big.bmp", *Photo(300, 400, 0));
    AddTestItem(document, "big", Rect(10, 100, 40, 140), 0x3366CC, folder.File("big.bmp"));
    document.renderer.RedrawAll();
    EXPECT_EQ(DecodedPictures().KeptBytes(), 3u * 120 * 40);
    EXPECT_EQ(DecodedPictures().KeptCount(), 3u);
    // The big picture, which no redraw could keep, is drawn as its box.
    EXPECT_EQ(document.backBitmap.Pixel(25, 120), TColor(0x3366CC));
}

// A picture that cannot be used (damaged, or too large to keep) is decoded once for the planogram
// and drawn as its box on every redraw, until its file changes; one read despite warnings is kept.
TEST_F(CachedDrawing, APictureThatCannotBeUsedIsDecodedOnceUntilItsFileChanges)
{
    NewWall();
    document.backgroundMode = false;
    // Room for the two pictures that can be used, at the items' 32 bits.
    DecodedPictures().SetLimitBytes(120 * 40 + 160 * 16);
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
    for (int redraw = 0; redraw < 3; ++redraw)
        document.renderer.RedrawAll();
    EXPECT_EQ(opened.Take(), (std::map<std::string, int>{{"broken.bmp", 1}, {"big.bmp", 1}, {"cut.tiff", 1}}));
    for (const int left : {0, 60, 120})
        EXPECT_EQ(document.backBitmap.Pixel(left + 15, 15) == TColor(0x3366CC), left < 120) << left;

    const auto written = std::filesystem::last_write_time(folder.File("broken.bmp"));
    Saved("broken.bmp", *Photo(30, 40, 3));
    std::filesystem::last_write_time(folder.File("broken.bmp"), written + std::chrono::seconds(1));
    opened.Take();
    document.renderer.RedrawAll();
    EXPECT_EQ(opened.Take(), (std::map<std::string, int>{{"broken.bmp", 1}}));
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
