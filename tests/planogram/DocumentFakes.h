#pragma once

// Stand-ins for the windows and catalog side a planogram document works with; each records what it
// was told.

#include "planogram/CatalogFinder.h"
#include "planogram/DocumentCatalog.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentSetup.h"
#include "planogram/DocumentView.h"
#include "planogram/PictureFinder.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/FilePaths.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FakeMainWindow : public DocumentMainWindow {
public:
    TFont font;
    bool inches = false;
    int scale = 8;
    TagMenuChecks checks;
    Progress progress;
    int loadingClosed = 0;
    int activations = 0;
    const PlanogramDocument* lastActivated = nullptr;
    bool cancelled = false;
    // What SaveDocument answers, and the documents it was asked to save or told were closing.
    bool saveSucceeds = true;
    std::vector<const PlanogramDocument*> saved;
    std::vector<const PlanogramDocument*> closed;

    FakeMainWindow()
    {
        font.Name = "Arial";
        font.SetSize(8);
    }
    TFont TagFont() const override { return font; }
    TColor TagColor() const override { return clWhite; }
    bool UnitsMode() const override { return true; }
    int DisplayScale() const override { return scale; }
    bool UnitsInches() const override { return inches; }
    void SetDisplayScale(int value) override { scale = value; }
    TagMenuChecks TagChecks() const override { return checks; }
    Progress& ProgressBar() override { return progress; }
    bool PrintCancelled() const override { return cancelled; }
    void ClearPrintCancel() override { cancelled = false; }
    void CloseLoadingNotice() override { ++loadingClosed; }
    void DocumentActivated(PlanogramDocument& document) override
    {
        ++activations;
        lastActivated = &document;
    }
    bool SaveDocument(PlanogramDocument& document) override
    {
        saved.push_back(&document);
        if (saveSucceeds)
            document.modified = false;
        return saveSucceeds;
    }
    void DocumentClosed(PlanogramDocument& document) override { closed.push_back(&document); }
};

class FakeSelector : public DocumentSelector {
public:
    bool visible = false;
    int hides = 0;
    int imagesShown = 0;
    int layoutChanges = 0;
    TStringGrid gridB{3, 2};
    TStringGrid gridL{2, 2};
    TBitmap layout;

    void Hide() override
    {
        visible = false;
        ++hides;
    }
    void Show() override { visible = true; }
    bool Visible() const override { return visible; }
    void ShowImages() override { ++imagesShown; }
    TStringGrid& GridB() override { return gridB; }
    TStringGrid& GridL() override { return gridL; }
    TBitmap& LayoutImage() override { return layout; }
    void LayoutImageChanged() override { ++layoutChanges; }
};

class FakeSetupDialog : public DocumentSetupDialog {
public:
    std::optional<DocumentSetupValues> answer;
    bool hideCatalogs = true;
    int pictureCleared = 0;

    std::optional<DocumentSetupValues> ShowModal() override { return answer; }
    void SetHideCatalogs(bool hide) override { hideCatalogs = hide; }
    void ClearPictureFileName() override { ++pictureCleared; }
};

class FakeView : public DocumentView {
public:
    ViewGeometry geometry;
    std::vector<TRect> invalidated;
    int wallChanges = 0;
    int zoomChanges = 0;
    int windowSizings = 0;
    bool shown = false;

    ViewGeometry Geometry() const override { return geometry; }
    void WallChanged() override { ++wallChanges; }
    void InvalidateWindowRect(const TRect& rect) override { invalidated.push_back(rect); }
    void ZoomChanged() override { ++zoomChanges; }
    void SizeWindowToWall() override { ++windowSizings; }
    void ShowWall() override { shown = true; }
};

class FakeCatalog : public DocumentCatalog {
public:
    bool opens = true;
    std::string opened;
    int firsts = 0;
    std::string collection;
    unsigned char unitsMode = 0;
    int displayScale = 0;
    int pegX = 0, pegY = 0;
    // Part number -> picture and depth in document units.
    std::map<std::string, std::pair<std::string, double>> products;
    const std::pair<std::string, double>* found = nullptr;

    bool Open(const std::string& path) override
    {
        opened = path;
        return opens;
    }
    bool First() override
    {
        ++firsts;
        return true;
    }
    std::string PhotoCollection() const override { return collection; }
    void SetUnitsMode(unsigned char mode) override { unitsMode = mode; }
    void SetDisplayScale(int scale) override { displayScale = scale; }
    int PegXQ() const override { return pegX; }
    int PegYQ() const override { return pegY; }
    bool FindByKey(const std::string& partNumber) override
    {
        const auto product = products.find(partNumber);
        found = product == products.end() ? nullptr : &product->second;
        return found != nullptr;
    }
    std::string PictureName() const override { return found ? found->first : std::string(); }
    double DepthQ() const override { return found ? found->second : 0; }
    std::string FileName() const override { return opened; }
};

// Hands out FakeCatalogs configured as `opens` says, and keeps the last one made for inspection.
class FakeCatalogMaker : public DocumentCatalogMaker {
public:
    bool opens = true;
    std::vector<CatalogKind> asked;
    FakeCatalog* last = nullptr;

    std::unique_ptr<DocumentCatalog> NewCatalog(CatalogKind kind) override
    {
        asked.push_back(kind);
        auto catalog = std::make_unique<FakeCatalog>();
        catalog->opens = opens;
        last = catalog.get();
        return catalog;
    }
};

class FakeCatalogFinder : public CatalogFinder {
public:
    std::string current = "/catalogs/products.ctf";
    std::vector<std::string> written;

    std::string FindCatalog(const std::string& path) override { return path; }
    std::string ReadCurrentDataFile() override { return current; }
    void WriteCurrentDataFile(const std::string& path) override
    {
        current = path;
        written.push_back(path);
    }
};

// Finds existing files under their own path, and the names it was told of.
class FakePictureFinder : public PictureFinder {
public:
    std::map<std::string, std::string> files;

    std::string FindPicture(const std::string& path) override
    {
        const auto hit = files.find(path);
        if (hit != files.end())
            return hit->second;
        return !path.empty() && FileExists(path) ? path : std::string();
    }
    bool ReadCollectionImage(const std::string&, const std::string&, TBitmap&) override { return false; }
};

// A document with fakes all round.
struct DocumentWithFakes {
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeView view;
    FakeCatalogMaker catalogs;
    FakeCatalogFinder finder;
    FakePictureFinder pictures;
    PlanogramDocument document{DocumentServices{mainWindow, selector, setup, view, catalogs, finder, pictures}};

    FakeCatalog& Catalog() { return *catalogs.last; }

    // Appends an item with the box and a placeholder colour; it becomes current.
    ListOB& Add(const std::string& index, const TRect& box, TColor color = 0x3366CC,
                const std::string& picture = "none.bmp")
    {
        document.items->Append();
        ListOB& item = *document.items->current;
        item.itemNo = ++document.itemCounter;
        item.index = index;
        item.picture = picture;
        item.left = box.Left, item.top = box.Top, item.right = box.Right, item.bottom = box.Bottom;
        item.color = static_cast<int>(color);
        return item;
    }
};
