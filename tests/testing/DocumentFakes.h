#pragma once

// Stand-ins for the windows and catalog side a planogram document works with; each records what it
// was told.

#include "catalog/Didascii.h"
#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentSetup.h"
#include "planogram/DocumentView.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/Planobuilder.h"
#include "planogram/SelectorModel.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"
#include "platform/ui/StringGrid.h"
#include "testing/CatalogFakes.h"

#include <array>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class FakeMainWindow : public DocumentMainWindow {
public:
    TFont font;
    bool inches = false;
    int scale = 8;
    TagMenuChecks checks;
    Progress progress;
    int loadingShown = 0;
    int loadingClosed = 0;
    int activations = 0;
    const PlanogramDocument* lastActivated = nullptr;
    bool cancelled = false;
    bool autoGroup = false;
    bool reorderAlarm = false;
    bool pointerTool = true;
    int drawingKind = 0;
    bool ungroupEnabled = false;
    std::optional<TColor> pickedColor;
    std::string positionX, positionY;
    // What SaveDocument answers, and the documents it was asked to save or told were closing.
    bool saveSucceeds = true;
    std::vector<const PlanogramDocument*> saved;
    std::vector<const PlanogramDocument*> closed;
    int catalogBarUpdates = 0;
    int changes = 0;
    bool wizardVisible = false;
    int productDetailsShown = 0;

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
    void RequestPrintCancel() override { cancelled = true; }
    void ShowLoadingNotice() override { ++loadingShown; }
    void CloseLoadingNotice() override { ++loadingClosed; }
    bool AutoGroupDown() const override { return autoGroup; }
    bool ReorderAlarmOn() const override { return reorderAlarm; }
    bool PointerToolDown() const override { return pointerTool; }
    int FixtureDrawingKind() const override { return drawingKind; }
    void EnableUngroup(bool enabled) override { ungroupEnabled = enabled; }
    void ShowPlacementBoxes() override { checks.placementBoxes = true; }
    void CheckCustomText() override { checks.customText = true; }
    std::optional<TColor> PickTagColor() override { return pickedColor; }
    void ShowPosition(const std::string& x, const std::string& y) override
    {
        positionX = x;
        positionY = y;
    }
    void DocumentActivated(PlanogramDocument& document) override
    {
        ++activations;
        lastActivated = &document;
    }
    void DocumentChanged(const PlanogramDocument&) override { ++changes; }
    bool SaveDocument(PlanogramDocument& document) override
    {
        saved.push_back(&document);
        if (saveSucceeds)
            document.modified = false;
        return saveSucceeds;
    }
    void DocumentClosed(PlanogramDocument& document) override { closed.push_back(&document); }
    void UpdateCatalogBar() override { ++catalogBarUpdates; }
    bool PlanogramWizardVisible() const override { return wizardVisible; }
    void ShowProductDetails() override { ++productDetailsShown; }
};

class FakeSelector : public DocumentSelector {
public:
    bool visible = false;
    int hides = 0;
    int imagesShown = 0;
    int layoutChanges = 0;
    TStringGrid gridB{3, 2};
    TStringGrid gridL{2, 2};
    TStringGrid gridP{2, 2};
    TStringGrid gridA{2, 2};
    std::optional<SelectorCatalog> catalog;
    bool picturesHidden = false;
    bool building = false;
    bool autoShelves = false;
    TBitmap layout;
    std::vector<std::string> found;
    std::vector<std::string> fixturesShown;
    bool updateFixture = false;
    std::optional<FixtureMakerInputs> inputs;

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
    TStringGrid& GridP() override { return gridP; }
    TStringGrid& GridA() override { return gridA; }
    void TakeCatalog(const SelectorCatalog& taken) override { catalog = taken; }
    bool Building() const override { return building; }
    bool AutoAddShelves() const override { return autoShelves; }
    void DropCatalog(bool hidePictures) override
    {
        catalog.reset();
        picturesHidden = hidePictures;
    }
    TBitmap& LayoutImage() override { return layout; }
    void LayoutImageChanged() override { ++layoutChanges; }
    void FindCatalogItem(const std::string& partNumber) override { found.push_back(partNumber); }
    void ShowFixtureInSelector(const ListOB& item) override { fixturesShown.push_back(item.index); }
    void EnableUpdateFixture(bool enabled) override { updateFixture = enabled; }
    std::optional<FixtureMakerInputs> FixtureInputs() const override { return inputs; }
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
    // The editor as shown, and what the test types into it.
    std::optional<TextEditorSetup> editor;
    TextEditorContents typed;

    ViewGeometry Geometry() const override { return geometry; }
    void WallChanged() override { ++wallChanges; }
    void InvalidateWindowRect(const TRect& rect) override { invalidated.push_back(rect); }
    void ZoomChanged() override { ++zoomChanges; }
    void SizeWindowToWall() override { ++windowSizings; }
    void ShowWall() override { shown = true; }
    bool TextEditorShown() const override { return editor.has_value(); }
    void ShowTextEditor(const TextEditorSetup& setup) override
    {
        editor = setup;
        typed.box = setup.box;
        typed.color = setup.color;
    }
    TextEditorContents TakeTextEditor() override
    {
        editor.reset();
        return std::exchange(typed, TextEditorContents{});
    }
};

// A catalog that records what the document asks of it; products by part number with their picture
// and depth in document units.
class FakeCatalog : public didBase {
public:
    bool opens = true;
    int firsts = 0;
    std::map<std::string, std::pair<std::string, double>> products;

    bool GoToRecord(int) override { return false; }
    void LoadRangeIntoGrid(TStringGrid&, int, int) override {}
    std::string GetFieldText(int, int) override { return {}; }
    bool Open(const std::string& path, TStringGrid*) override
    {
        fileName = path;
        return opens;
    }
    bool SaveToFile(const std::string&, TStringGrid*, const std::string&, const std::string&) override { return false; }
    void LoadIntoGrid(TStringGrid&) override {}
    bool First() override
    {
        ++firsts;
        return true;
    }
    bool Last() override { return false; }
    bool FindByKey(const std::string& key) override
    {
        const auto product = products.find(key);
        const bool found = product != products.end();
        pictureName = found ? product->second.first : std::string();
        depthQ = found ? product->second.second : 0;
        return found;
    }
    bool Next() override { return false; }
    bool Prior() override { return false; }
    int CurrentRecord() const override { return 0; }
};

// While it lives, binary and text catalog files open as FakeCatalogs configured as `opens` says;
// keeps the extension of each catalog made and the last one made for inspection.
class FakeCatalogKinds {
public:
    bool opens = true;
    std::vector<std::string> asked;
    FakeCatalog* last = nullptr;

    FakeCatalogKinds()
    {
        for (const char* extension : Extensions)
            previous_.push_back(RegisterCatalogKind(extension, [this, extension] { return Make(extension); }));
    }
    ~FakeCatalogKinds()
    {
        for (size_t i = 0; i < Extensions.size(); ++i)
            RegisterCatalogKind(Extensions[i], std::move(previous_[i]));
    }
    FakeCatalogKinds(const FakeCatalogKinds&) = delete;
    FakeCatalogKinds& operator=(const FakeCatalogKinds&) = delete;

private:
    static constexpr std::array<const char*, 2> Extensions = {".vdx", ".ctf"};

    std::unique_ptr<didBase> Make(const char* extension)
    {
        asked.push_back(extension);
        auto catalog = std::make_unique<FakeCatalog>();
        catalog->opens = opens;
        last = catalog.get();
        return catalog;
    }

    std::vector<CatalogMaker> previous_;
};

// Appends an item with the box and a placeholder colour, numbered next, without drawing it; it
// becomes current.
inline ListOB& AddTestItem(PlanogramDocument& document, const std::string& index, const TRect& box,
                           TColor color = 0x3366CC, const std::string& picture = "none.bmp")
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

// One product of a text catalog a test writes; sizes in centimetres.
struct ProductRow {
    std::string part;
    double width = 10, height = 20, depth = 5;
    double pegX = 0, pegY = 0;
    std::string category = {}, brand = {};
    int inventory = 0, minInventory = 0;
    std::string picture = "none.bmp";
    double cost = 1, retail = 2;
};

// A text catalog in centimetres with the thirteen default columns and the inventory columns.
inline std::string ProductCatalogText(const std::vector<ProductRow>& rows)
{
    std::string text = "DIDF1\r\ncatheader.version=2\r\ncatheader.unit=cm\r\ncatheader.FieldCount=15\r\n"
                       "catheader.recordsize=" +
                       std::to_string(rows.size()) +
                       "\r\ncatheader.indexColNr=1\r\ncatheader.desColNr=2\r\ncatheader.picColNr=3\r\n"
                       "catheader.wthColNr=4\r\ncatheader.hgtColNr=5\r\ncatheader.dpthColNr=6\r\n"
                       "catheader.pegXColNr=9\r\ncatheader.pegYColNr=10\r\ncatheader.categoryColNr=11\r\n"
                       "catheader.brandColNr=12\r\ncatheader.inventoryColNr=13\r\ncatheader.minInventoryColNr=14\r\n";
    const auto number = [](double value) { return FormatFloat("0.##", value); };
    for (size_t i = 0; i < rows.size(); ++i) {
        const ProductRow& row = rows[i];
        text += "r" + std::to_string(i + 1) + "=" + std::to_string(i + 1) + "\t" + row.part + "\tdescription\t" +
                row.picture + "\t" + number(row.width) + "\t" + number(row.height) + "\t" + number(row.depth) +
                "\t" + number(row.cost) + "\t" + number(row.retail) + "\t" + number(row.pegX) + "\t" + number(row.pegY) + "\t" + row.category + "\t" + row.brand +
                "\t" + std::to_string(row.inventory) + "\t" + std::to_string(row.minInventory) + "\r\n";
    }
    return text;
}

// A document with fakes all round.
struct DocumentWithFakes {
    FakeMainWindow mainWindow;
    FakeSelector selector;
    FakeSetupDialog setup;
    FakeView view;
    FakeCatalogKinds catalogs;
    FakeCatalogFinder finder;
    FakePictureFinder pictures;
    PlanogramDocument document{DocumentServices{mainWindow, selector, setup, view, finder, pictures}};

    FakeCatalog& Catalog() { return *catalogs.last; }

    // How many pixels of the back bitmap a full redraw would change.
    int DifferenceFromFullRedraw()
    {
        TBitmap partial;
        partial.Assign(document.backBitmap);
        document.renderer.RedrawAll();
        int differences = 0;
        for (int y = 0; y < partial.Height(); ++y)
            for (int x = 0; x < partial.Width(); ++x)
                differences += partial.Pixel(x, y) != document.backBitmap.Pixel(x, y);
        return differences;
    }

    ListOB& Add(const std::string& index, const TRect& box, TColor color = 0x3366CC,
                const std::string& picture = "none.bmp")
    {
        return AddTestItem(document, index, box, color, picture);
    }

    // Gives the document the text catalog at `path`.
    bool OpenTextCatalog(const std::string& path)
    {
        document.catalog = std::make_unique<didASCII>();
        return document.catalog->Open(path, nullptr);
    }

    // Makes `head` the head of a group whose members follow it in this order.
    static void Link(ListOB& head, std::initializer_list<ListOB*> members)
    {
        ListOB* last = &head;
        for (ListOB* member : members) {
            member->groupItem = &head;
            last->childItem = member;
            last = member;
        }
    }
};

// The selector's side of the builder over the document: the product grid holds the catalog, a find
// makes the product the catalog's current record, placing is the document's.
class DocumentBuilderHost : public BuilderHost {
public:
    DocumentBuilderHost(PlanogramDocument& document, TStringGrid& products) : document_(document), products_(products)
    {
        document.catalog->LoadIntoGrid(products);
        for (size_t role = 0; role < model.catalog.roleColumns.size(); ++role)
            model.catalog.roleColumns[role] = document.catalog->ColumnOf(static_cast<CatalogFieldRole>(role));
        model.catalog.units = document.catalog->units;
    }

    std::optional<SelectorProduct> FindProduct(const std::string& partNumber) override
    {
        const std::optional<int> row = model.FindProductRow(products_, partNumber);
        if (!row || !document_.catalog->FindByKey(partNumber))
            return std::nullopt;
        return model.ReadProduct(products_, *row);
    }
    bool AddCurrentProduct(int x, int y) override
    {
        placedAt.push_back({x, y});
        return document_.AddCatalogItem(x, y);
    }
    int DisplayHeight() const override { return document_.displayHeight; }
    bool RefreshDisplay() override
    {
        ++refreshes;
        return true;
    }

    SelectorModel model;
    std::vector<std::pair<int, int>> placedAt;
    int refreshes = 0;

private:
    PlanogramDocument& document_;
    TStringGrid& products_;
};
