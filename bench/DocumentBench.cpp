// A full redraw of a planogram wall of 1,000 products (200x300 JPEG pictures, 40 distinct) and the
// partial redraw after moving one product.
#include "planogram/CatalogFinder.h"
#include "planogram/DocumentCatalog.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentSetup.h"
#include "planogram/DocumentView.h"
#include "planogram/PictureFinder.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr int Pictures = 40;
constexpr int Columns = 25;
constexpr int Rows = 40;
constexpr int ProductWidth = 40; // 10 cm
constexpr int ProductHeight = 60;

std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/kestrame-bench-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return folder;
}

// Picture i: a white margin (the transparency key) around a photo-like gradient.
std::string PictureFile(int i)
{
    const std::string path = Folder() + "/p" + IntToStr(i) + ".jpg";
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(200, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool margin = x < 10 || y < 10 || x >= 190 || y >= 290;
            bitmap.SetPixel(x, y,
                            margin ? clWhite : static_cast<TColor>(((x * 255 / 200) << 8) | ((y + i * 6) & 0xFF)));
        }
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(path);
    return path;
}

class Pictures_ : public PictureFinder {
public:
    std::string FindPicture(const std::string& path) override { return path; }
    bool ReadCollectionImage(const std::string&, const std::string&, TBitmap&) override { return false; }
};

class MainWindow : public DocumentMainWindow {
public:
    Progress progress;
    int scale = 4;
    TFont TagFont() const override { return TFont(); }
    TColor TagColor() const override { return clWhite; }
    bool UnitsMode() const override { return true; }
    int DisplayScale() const override { return scale; }
    bool UnitsInches() const override { return false; }
    void SetDisplayScale(int value) override { scale = value; }
    TagMenuChecks TagChecks() const override { return {}; }
    Progress& ProgressBar() override { return progress; }
    bool PrintCancelled() const override { return false; }
    void ClearPrintCancel() override {}
    void CloseLoadingNotice() override {}
    void DocumentActivated(PlanogramDocument&) override {}
};

class Selector : public DocumentSelector {
public:
    TStringGrid grid{3, 2};
    TBitmap layout;
    Selector() { layout.SetSize(150, 200); }
    void Hide() override {}
    void Show() override {}
    bool Visible() const override { return true; }
    void ShowImages() override {}
    TStringGrid& GridB() override { return grid; }
    TStringGrid& GridL() override { return grid; }
    TBitmap& LayoutImage() override { return layout; }
    void LayoutImageChanged() override {}
};

class Setup : public DocumentSetupDialog {
public:
    std::optional<DocumentSetupValues> ShowModal() override { return std::nullopt; }
    void SetHideCatalogs(bool) override {}
    void ClearPictureFileName() override {}
};

class View : public DocumentView {
public:
    ViewGeometry Geometry() const override { return {}; }
    void WallChanged() override {}
    void InvalidateWindowRect(const TRect&) override {}
    void ZoomChanged() override {}
    void ShowWall() override {}
};

class Catalog : public DocumentCatalog {
public:
    bool Open(const std::string&) override { return true; }
    bool First() override { return true; }
    std::string PhotoCollection() const override { return Folder(); }
    void SetUnitsMode(unsigned char) override {}
    void SetDisplayScale(int) override {}
    int PegXQ() const override { return 0; }
    int PegYQ() const override { return 0; }
};

class Catalogs : public DocumentCatalogMaker {
public:
    std::unique_ptr<DocumentCatalog> NewCatalog(CatalogKind) override { return std::make_unique<Catalog>(); }
};

class Finder : public CatalogFinder {
public:
    std::string FindCatalog(const std::string& path) override { return path; }
    std::string ReadCurrentDataFile() override { return "/catalogs/bench.ctf"; }
    void WriteCurrentDataFile(const std::string&) override {}
};

struct Wall {
    MainWindow mainWindow;
    Selector selector;
    Setup setup;
    View view;
    Catalogs catalogs;
    Finder finder;
    Pictures_ pictures;
    PlanogramDocument document{DocumentServices{mainWindow, selector, setup, view, catalogs, finder, pictures}};

    Wall()
    {
        std::map<int, std::string> files;
        for (int i = 0; i < Pictures; ++i)
            files[i] = PictureFile(i);
        document.pegHolesShown = true;
        document.pegHoleSize = 4;
        document.pegFirstX = document.pegFirstY = 16;
        document.pegLastX = Columns * ProductWidth - 16;
        document.pegLastY = Rows * ProductHeight - 16;
        document.pegPitchH = document.pegPitchV = 20;
        if (!document.NewDocument(Columns * ProductWidth, Rows * ProductHeight))
            std::abort();
        for (int n = 0; n < Columns * Rows; ++n) {
            document.items->Append();
            ListOB& item = *document.items->current;
            item.itemNo = ++document.itemCounter;
            item.index = "P" + IntToStr(n);
            item.picture = files[n % Pictures];
            item.left = (n % Columns) * ProductWidth;
            item.top = (n / Columns) * ProductHeight;
            item.right = item.left + ProductWidth;
            item.bottom = item.top + ProductHeight;
        }
        document.renderer.RedrawAll();
        // The products must be drawn from their pictures, not as placeholders.
        if (document.backBitmap.Pixel(ProductWidth / 2, ProductHeight / 2) == clBlack)
            std::abort();
    }
};

Wall& TheWall()
{
    static Wall wall;
    return wall;
}

void BM_RedrawAll(benchmark::State& state)
{
    Wall& wall = TheWall();
    for (auto _ : state)
        wall.document.renderer.RedrawAll();
}

void BM_RedrawRectAfterMovingOneProduct(benchmark::State& state)
{
    Wall& wall = TheWall();
    PlanogramDocument& document = wall.document;
    ListOB* item = document.items->head;
    for (int n = 0; n < Columns * Rows / 2 + Columns / 2; ++n)
        item = item->next;
    document.items->current = item;
    int step = 7;
    for (auto _ : state) {
        document.selectionRect = item->PlacementBox();
        item->left += step, item->right += step;
        step = -step;
        document.renderer.RedrawRect();
    }
}

} // namespace

BENCHMARK(BM_RedrawAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRectAfterMovingOneProduct)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
