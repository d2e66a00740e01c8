#include "planogram/PlanogramDocument.h"

#include "ado/Adocomps.h"
#include "catalog/CatalogFinder.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentView.h"
#include "planogram/Picturehelpers.h"
#include "planogram/Placing.h"
#include "planogram/Rectservices.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/data/DataSource.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

namespace {

constexpr std::string_view NewDocumentCaption = "New Document";
constexpr double InchesPerCentimetre = 0.394;

// Every cell below the title row emptied, and only one row left below it.
void ClearBelowTitles(TStringGrid& grid)
{
    grid.SetRowCount(2);
    for (int col = 0; col < grid.ColCount(); ++col)
        grid.SetCells(col, 1, "");
}

// A stored setting may hold any number; it is truncated toward zero within the int range.
int TruncatedToInt(double value) { return static_cast<int>(std::clamp(value, double(INT_MIN), double(INT_MAX))); }

void MoveBoxBy(ListOB& item, int dx, int dy) { MoveBoxTo(item, item.left + dx, item.top + dy); }

void Stop(std::string_view text, std::string_view caption)
{
    Ui().MessageBox(text, caption, MsgButtons::OK, MsgIcon::Stop);
}

// Why a catalog file of this name cannot be opened: no kind of catalog takes its extension.
void ReportUnknownCatalogKind()
{
    Stop("Could not determine catalog file type. Check to make sure your catalog file has a valid file extension of "
         "DID, CTF or DDL",
         NewDocumentCaption);
}

} // namespace

PlanogramDocument::PlanogramDocument(const DocumentServices& services)
    : services(services), dADOConnection1(std::make_unique<TdADOConnection>()),
      dADODataset1(std::make_unique<TdADODataset>()), DataSource1(std::make_unique<TDataSource>()),
      graphics(services.pictureFinder, services.mainWindow), renderer(*this)
{
    SetUpDataComponents();
    TakeMenuChecks(services.mainWindow.TagChecks());
    displayScale = services.mainWindow.DisplayScale();
    unitsInches = services.mainWindow.UnitsInches();
}

// A data-link catalog closes the dataset as it goes, so it goes before the components.
PlanogramDocument::~PlanogramDocument() { catalog.reset(); }

void PlanogramDocument::SetUpDataComponents()
{
    dADOConnection1->SetName("dADOConnection1");
    dADOConnection1->SetProvider("MSDASQL.1");
    dADOConnection1->SetMode(ad_ModeRead);
    dADODataset1->SetName("dADODataset1");
    dADODataset1->SetConnection(dADOConnection1.get());
    dADODataset1->SetCursorLocation(ad_UseClient);
    dADODataset1->SetCursorType(ad_OpenDynamic);
    DataSource1->SetName("DataSource1");
    DataSource1->SetDataSet(dADODataset1.get());
}

bool PlanogramDocument::TakeMenuChecks(const TagMenuChecks& checks)
{
    const bool changed = graphics.tagItemNr != checks.itemNumber || graphics.tagPartNr != checks.partNumber ||
                         graphics.tagXY != checks.xyLocation || graphics.tagStack != checks.stackCount ||
                         graphics.tagInventory != checks.currentInventory ||
                         graphics.tagUnitsSold != checks.unitsSold || graphics.tagCategory != checks.category ||
                         graphics.tagBrand != checks.brand || graphics.tagCustom != checks.customText ||
                         graphics.viewMode != checks.placementBoxes ||
                         graphics.transparencySetting != checks.transparency;
    graphics.tagItemNr = checks.itemNumber;
    graphics.tagPartNr = checks.partNumber;
    graphics.tagXY = checks.xyLocation;
    graphics.tagStack = checks.stackCount;
    graphics.tagInventory = checks.currentInventory;
    graphics.tagUnitsSold = checks.unitsSold;
    graphics.tagCategory = checks.category;
    graphics.tagBrand = checks.brand;
    graphics.tagCustom = checks.customText;
    graphics.viewMode = checks.placementBoxes;
    graphics.transparencySetting = checks.transparency;
    return changed;
}

bool PlanogramDocument::NewDocument(int width, int height)
{
    DocumentMainWindow& mainWindow = services.mainWindow;
    displayScale = mainWindow.DisplayScale();
    unitsMode = 1;
    // The setup dialog's values are typed in the unit the main window shows now.
    unitsInches = mainWindow.UnitsInches();
    if (width == 0 && height == 0) {
        services.setupDialog.SetHideCatalogs(false);
        // Without a catalog nothing was applied, so there is no wall to make either.
        if (ValidateDisplaySize() != 1)
            return false;
    } else if (!TakeDisplaySize(width, height)) {
        return false;
    }
    services.selector.Hide();
    catalog.reset();
    if (!OpenCatalog())
        return false;
    catalog->unitsMode = 1;
    mainWindow.SetDisplayScale(unitsInches ? 8 : 4);
    catalog->displayScale = mainWindow.DisplayScale();
    mainWindow.CloseLoadingNotice();
    if (!renderer.LoadBackground())
        return false;
    unitsInches = mainWindow.UnitsInches();

    // The undo leaves the old list before it goes.
    auto fresh = std::make_unique<ListManager>();
    // Placing, deleting, pasting or undoing: the main window's commands follow every change of count.
    fresh->OnCountChange = [this] { services.mainWindow.DocumentChanged(*this); };
    undo.SetList(fresh.get(), &itemCounter);
    items = std::move(fresh);
    selectedBox = nullptr;
    dragFrom = groupRect = TRect{};
    ShowWallSetUp();
    // A wall just set up holds nothing to lose yet.
    modified = false;
    return true;
}

void PlanogramDocument::ShowWallSetUp()
{
    services.selector.Show();
    services.selector.ShowImages();
    SetZoom(1.0);
    if (services.selector.Visible())
        services.mainWindow.DocumentActivated(*this);
    BuildPegHoleList();
    services.view.ShowWall();
}

bool PlanogramDocument::TakeDisplaySize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > MaxDisplayUnits || height > MaxDisplayUnits) {
        Stop("The display size of this planogram is not valid. Width and height must be above 0 and at most 1200 "
             "inches.",
             NewDocumentCaption);
        return false;
    }
    displayWidth = width;
    displayHeight = height;
    return true;
}

bool PlanogramDocument::OpenCatalog()
{
    const std::string path = services.catalogFinder.ReadCurrentDataFile();
    if (UpperCase(ExtractFileExt(path)) == ".DDL") {
        catalog = std::make_unique<didADOData>(this);
    } else {
        catalog = NewCatalogForFile(path);
        if (!catalog) {
            ReportUnknownCatalogKind();
            return false;
        }
        dADOConnection1->SetConnected(false);
    }
    if (catalog->Open(path, nullptr))
        return true;
    Ui().MessageBox("Could not open catalog file", "Catalog Manager", MsgButtons::OK, MsgIcon::None);
    catalog.reset();
    return false;
}

int PlanogramDocument::ValidateDisplaySize()
{
    const std::optional<DocumentSetupValues> values = services.setupDialog.ShowModal();
    if (!values)
        return 0;
    if (values->templatePage)
        chosenTemplate = values->templateFile;
    const DisplaySetup setup = ::ValidateDisplaySize(*values, unitsInches);
    if (setup.message)
        Ui().MessageBox(setup.message->text, setup.message->caption, MsgButtons::OK, setup.message->icon);
    if (setup.result != 1)
        return setup.result;
    if (values->catalogAsked)
        services.catalogFinder.WriteCurrentDataFile(values->catalogFile);
    ApplySetup(setup);
    return 1;
}

void PlanogramDocument::ApplySetup(const DisplaySetup& setup)
{
    displayWidth = setup.displayWidth;
    displayHeight = setup.displayHeight;
    typedWidth = setup.typedWidth;
    typedHeight = setup.typedHeight;
    pegDepth = setup.pegDepth;
    pegHoleSize = setup.pegHoleSize;
    pegPitchV = setup.pegPitchV;
    pegPitchH = setup.pegPitchH;
    pegFirstX = setup.pegFirstX;
    pegFirstY = setup.pegFirstY;
    pegLastX = setup.pegLastX;
    pegLastY = setup.pegLastY;
    pegDepthUnits = setup.pegDepthUnits;
    pegHolesShown = setup.pegHolesShown;
    backgroundMode = setup.backgroundMode;
    if (setup.backgroundMode)
        backgroundPath = setup.backgroundPath;
    backgroundColor = setup.backgroundColor;
    modified = true;
}

bool PlanogramDocument::FitItemsToDisplay(int mode)
{
    if (!items)
        return false;
    const TRect wall = Rect(0, 0, displayWidth, displayHeight);
    const auto outside = [&wall](const ListOB& item) { return !Intersects(item.PlacementBox(), wall); };
    bool anyOutside = false;
    for (const ListOB* item = items->head; item && !anyOutside; item = item->next)
        anyOutside = outside(*item);
    if (mode == 1) {
        int x = 0, y = 0;
        for (ListOB* item = items->head; item; item = item->next) {
            if (!outside(*item))
                continue;
            MoveBoxTo(*item, x, y);
            x += 5;
            y += 5;
            if (x > displayWidth)
                x = 0;
            if (y > displayHeight)
                y = 0;
        }
    } else if (mode == 2) {
        LowerItemCounter(RemoveItems(outside));
    }
    if (anyOutside && (mode == 1 || mode == 2))
        modified = true;
    return anyOutside;
}

void PlanogramDocument::ClearAll()
{
    RemoveItems([](const ListOB&) { return true; });
    itemCounter = 0;
    oldFrameRect = TRect{};
    placeDirection = 1;
    // The next product placed opens the first row afresh, not the row of the last build.
    rowRect = TRect{};
    selectionRect = focusRect = TRect{};
    renderer.RedrawArea(Rect(0, 0, backBitmap.Width(), backBitmap.Height()));
    services.view.WallChanged();
}

int PlanogramDocument::RemoveItems(const std::function<bool(const ListOB&)>& doomed)
{
    if (!items)
        return 0;
    std::vector<ListOB*> removed;
    std::unordered_set<const ListOB*> dissolvedHeads;
    for (ListOB* item = items->head; item; item = item->next) {
        if (doomed(*item)) {
            removed.push_back(item);
            dissolvedHeads.insert(item->groupItem ? item->groupItem : item);
        }
    }
    if (removed.empty())
        return 0;
    const std::unordered_set<const ListOB*> gone(removed.begin(), removed.end());
    const auto linksToGone = [&gone](const ListOB& item) {
        return gone.count(item.groupItem) != 0 || gone.count(item.childItem) != 0;
    };
    for (ListOB* item = items->head; item; item = item->next) {
        const bool inDissolvedGroup = dissolvedHeads.count(item) != 0 || dissolvedHeads.count(item->groupItem) != 0;
        if (inDissolvedGroup || linksToGone(*item))
            item->groupItem = item->childItem = nullptr;
    }
    if (copyItem && linksToGone(*copyItem))
        copyItem->groupItem = copyItem->childItem = nullptr;
    if (gone.count(selectedBox))
        selectedBox = nullptr;
    ListOB* const keptCurrent = gone.count(items->current) ? nullptr : items->current;
    // The list tells the undo of each record before freeing it.
    for (ListOB* item : removed) {
        items->current = item;
        items->DeleteCurrent();
    }
    items->current = keptCurrent;
    modified = true;
    return static_cast<int>(removed.size());
}

void PlanogramDocument::RemoveItem(ListOB* item)
{
    RemoveItems([item](const ListOB& candidate) { return &candidate == item; });
}

void PlanogramDocument::LowerItemCounter(int removed)
{
    int highest = 0;
    for (const ListOB* item = items ? items->head : nullptr; item; item = item->next)
        highest = std::max(highest, item->itemNo);
    itemCounter = std::max(itemCounter - removed, highest);
}

void PlanogramDocument::RedrawArea(const TRect& area)
{
    renderer.RedrawArea(area);
    services.view.InvalidateWindowRect(WindowRectOf(area));
}

void PlanogramDocument::FrameItem(ListOB* item)
{
    selectedBox = item;
    focusRect = groupRect = TRect{};
    DrawSelection(item ? item->PlacementBox() : TRect{});
}

bool PlanogramDocument::AddItem(const std::string& index, const std::string& picture, int left, int top, int width,
                                int height, double depth)
{
    if (!items)
        return false;
    items->Append();
    ListOB& item = *items->current;
    item.itemNo = item.group = item.child = ++itemCounter;
    item.index = index;
    item.picture = picture;
    item.left = left;
    item.top = top;
    item.right = left + width;
    item.bottom = top + height;
    item.depth = depth;
    // Whole centimetres first, as every size in inches is made.
    item.inchWidth = static_cast<float>((width / 4) * InchesPerCentimetre);
    item.inchHeight = static_cast<float>((height / 4) * InchesPerCentimetre);
    item.inchDepth = static_cast<float>(static_cast<long long>(depth / 4) * InchesPerCentimetre);
    FrameItem(nullptr);
    RedrawArea(item.PlacementBox());
    modified = true;
    return true;
}

bool PlanogramDocument::UpdateCurrentItem(const std::string& picture, int width, int height, double depth)
{
    ListOB* item = items ? items->current : nullptr;
    // Only a fixture's description may change here: a product's picture comes from its catalog.
    if (!item || !FixtureKind(item->picture))
        return false;
    const TRect before = DocumentRenderer::DrawnArea(*item);
    item->picture = picture;
    item->right = item->left + width;
    item->bottom = item->top + height;
    item->depth = depth;
    RedrawArea(UnionOf(before, DocumentRenderer::DrawnArea(*item)));
    modified = true;
    return true;
}

bool PlanogramDocument::RotateCurrent(const std::string& angleText)
{
    ListOB* item = items ? items->current : nullptr;
    if (!item)
        return false;
    const std::string text =
        angleText.empty() ? ModelTextInputBox(ApplicationTitle, "Enter Degree of Rotation", "") : angleText;
    if (text.empty())
        return false;
    long long degrees = 0;
    try {
        degrees = StrToInt(text);
    } catch (const EConvertError&) {
        Ui().MessageBox("Invalid value.", ApplicationTitle, MsgButtons::OK, MsgIcon::Warning);
        return false;
    }
    const TRect before = DocumentRenderer::DrawnArea(*item);
    undo.Take(item, 1);
    item->rotation = NormalizedAngle(degrees);
    RedrawArea(UnionOf(before, DocumentRenderer::DrawnArea(*item)));
    selectedBox = item;
    DrawSelection(item->rotation > 0 && !item->rotatedBox.IsEmpty() ? item->rotatedBox : item->PlacementBox());
    modified = true;
    return true;
}

void PlanogramDocument::CopyCurrent()
{
    if (!items || !items->current)
        return;
    copyItem = *items->current;
    services.mainWindow.DocumentChanged(*this);
}

bool PlanogramDocument::Paste()
{
    if (!copyItem || !items)
        return false;
    items->Append();
    ListOB& item = *items->current;
    item.CopyContentFrom(*copyItem);
    item.itemNo = item.group = item.child = ++itemCounter;
    item.groupItem = item.childItem = nullptr;
    // A custom tag is a note on one placed item, not on the product.
    item.customTag.clear();
    MoveBoxTo(item, item.left + 10, item.top + 10);
    if (!item.rotatedBox.IsEmpty())
        item.rotatedBox = Rect(item.rotatedBox.Left + 10, item.rotatedBox.Top + 10, item.rotatedBox.Right + 10,
                               item.rotatedBox.Bottom + 10);
    FrameItem(nullptr);
    RedrawArea(DocumentRenderer::DrawnArea(item));
    modified = true;
    return true;
}

bool PlanogramDocument::Duplicate()
{
    CopyCurrent();
    return Paste();
}

bool PlanogramDocument::Cut()
{
    CopyCurrent();
    return DeleteSelected() == 1;
}

int PlanogramDocument::DeleteSelected()
{
    ListOB* item = items ? items->current : nullptr;
    if (!item)
        return 0;
    const bool grouped = item->groupItem || item->childItem;
    // The item as it is now: undoing the deletion gives it back turned, not as the turn to 0 left it.
    const ListOB before = *item;
    TRect removedArea = DocumentRenderer::DrawnArea(*item);
    if (item->rotation != 0)
        RotateCurrent("0");
    removedArea = UnionOf(removedArea, DocumentRenderer::DrawnArea(*item));
    ListOB* neighbour = item->prev ? item->prev : item->next;
    if (grouped)
        undo.Discard();
    else
        undo.TakeDeleted(item, before);
    RemoveItem(item);
    items->current = neighbour;
    LowerItemCounter(1);
    RedrawArea(removedArea);
    FrameItem(neighbour);
    return 1;
}

bool PlanogramDocument::UndoLastEdit()
{
    ListOB* restored = undo.Restore();
    if (!restored)
        return false;
    items->current = restored;
    renderer.RedrawAll();
    FrameItem(restored);
    modified = true;
    return true;
}

void PlanogramDocument::FillBuilderGrid()
{
    TStringGrid& grid = services.selector.GridB();
    ClearBelowTitles(grid);
    grid.SetRowCount(static_cast<int>(builderList.size()) + 2);
    for (size_t i = 0; i < builderList.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetCells(0, row, builderList[i].item);
        grid.SetCells(1, row, builderList[i].rank);
        grid.SetCells(2, row, builderList[i].facings);
    }
}

void PlanogramDocument::FillLayoutGrid()
{
    TStringGrid& grid = services.selector.GridL();
    ClearBelowTitles(grid);
    if (!items)
        return;
    // All rows at once: a view showing the grid then lays them out once, not once per item.
    grid.SetRowCount(grid.RowCount() + items->Count());
    int row = 1;
    for (const ListOB* item = items->head; item; item = item->next, ++row) {
        grid.SetCells(0, row, IntToStr(item->itemNo));
        grid.SetCells(1, row, item->index);
    }
}

void PlanogramDocument::BuildPegHoleList()
{
    pegHoles = PegHoleList(pegFirstX, pegFirstY, pegLastX, pegLastY, pegPitchH, pegPitchV, backBitmap.Width(),
                           backBitmap.Height());
}

void PlanogramDocument::SnapToPegHole()
{
    if (!items || !items->current || !catalog)
        return;
    const int pegX = catalog->pegXQ, pegY = catalog->pegYQ;
    if (pegX == 0 || pegY == 0)
        return;
    ListOB& item = *items->current;
    const TPoint hook = Point(item.left + pegX, item.top + pegY);
    const std::optional<int> column = pegHoles.Columns().Nearest(hook.X);
    const std::optional<int> row = pegHoles.Rows().Nearest(hook.Y);
    if (!column || !row)
        return;
    const TRect oldBox = item.PlacementBox();
    if (*column == hook.X && *row == hook.Y)
        return;
    MoveBoxBy(item, *column - hook.X, *row - hook.Y);
    modified = true;
    focusRect = item.PlacementBox();
    services.view.InvalidateWindowRect(WindowRectOf(oldBox));
    services.view.InvalidateWindowRect(WindowRectOf(focusRect));
}

void PlanogramDocument::TakeShowSettings(const SettingsStore& settings)
{
    graphics.tagFont = services.mainWindow.TagFont();
    graphics.tagColor = services.mainWindow.TagColor();
    addAlign = 0;
    wrapDirection = 0;
    showDateTimeStamp = settings.ReadBool("Options", "ShowDateTimeStamp", true);
    showDataLoadingDialog = settings.ReadBool("Options", "ShowDataLoadingDialog", true);
    alignToPeg = settings.ReadBool("Options", "AlignToPeg", false);
    if (unitsInches) {
        pegDepth = Atof(settings.ReadString("Options", "InchPegDepth", "5.122"));
        pegDepthUnits = TruncatedToInt(pegDepth * 2.5380710659898478 * 4);
    } else {
        pegDepth = Atof(settings.ReadString("Options", "cmPegDepth", "13"));
        pegDepthUnits = TruncatedToInt(pegDepth * 4);
    }
}

void PlanogramDocument::SetPlacementSettings(int newAddAlign, int newWrapDirection)
{
    if (newAddAlign == addAlign && newWrapDirection == wrapDirection)
        return;
    addAlign = newAddAlign;
    wrapDirection = newWrapDirection;
    modified = true;
}

void PlanogramDocument::SetBuilderList(std::vector<BuilderEntry> list)
{
    if (list == builderList)
        return;
    builderList = std::move(list);
    modified = true;
}

void PlanogramDocument::SetZoom(double factor)
{
    zoom.SetFactor(factor);
    renderer.DrawRulers();
    services.view.ZoomChanged();
    services.view.WallChanged();
}

void PlanogramDocument::FitToWindow()
{
    const ViewGeometry geometry = services.view.Geometry();
    SetZoom(ZoomClass::FitFactor(geometry.clientWidth, geometry.clientHeight, backBitmap.Width(), backBitmap.Height()));
}

TRect PlanogramDocument::WindowRectOf(const TRect& rect) const
{
    return zoom.WindowRectOf(rect, services.view.Geometry());
}

void PlanogramDocument::DrawSelection(const TRect& rect)
{
    const TRect old = selectionRect;
    selectionRect = rect;
    if (!old.IsEmpty())
        services.view.InvalidateWindowRect(WindowRectOf(old));
    if (!rect.IsEmpty())
        services.view.InvalidateWindowRect(WindowRectOf(rect));
}
