#include "planogram/Placing.h"

#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentView.h"
#include "planogram/Listmanager.h"
#include "planogram/PegHoles.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/Numbers.h"
#include "platform/core/UiServices.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int AllWhite = 0xFDFDFD;

int ColorBySize(const ListOB& item)
{
    const int red = (item.right - item.left) % 255;
    const int green = (item.bottom - item.top) % 255;
    const int blue = (red + green) % 255;
    return red + 256 * green + 65536 * blue;
}

} // namespace

int TextHash(const std::string& text)
{
    const std::string hashed = text.size() < 3 ? text + "abc" : text;
    int sum = 0;
    // Windows-1252 bytes above 0x7F count negative, whatever the signedness of char here.
    for (size_t i = 0; i + 1 < hashed.size(); ++i)
        sum += static_cast<std::int8_t>(static_cast<unsigned char>(hashed[i]));
    return sum;
}

int ColorItem(ListOB& item, int mode, didBase* catalog)
{
    switch (mode) {
    case 0:
        return ColorBySize(item);
    case 1:
    case 2: {
        if (!catalog)
            return TextHash(std::string());
        if (catalog->FindByKey(item.index)) {
            item.Category = catalog->category;
            item.Brand = catalog->brand;
        }
        return TextHash(mode == 1 ? catalog->category : catalog->brand);
    }
    default:
        return AllWhite;
    }
}

int PegAlignedX(const PegHoleList& holes, int start, int previousRight, int pegX)
{
    // The holes are walked row by row; within a row the columns rise, so the walk ends in the first
    // row at the first column far enough right, or runs through every row to the last column.
    const PegHoleList::Axis& columns = holes.Columns();
    if (start >= previousRight || holes.Count() == 0)
        return start;
    const long long needed = static_cast<long long>(previousRight) + pegX - columns.first;
    long long column = needed <= 0 ? 0 : (needed + columns.pitch - 1) / columns.pitch;
    column = std::min<long long>(column, columns.count - 1);
    return columns.At(static_cast<int>(column)) - pegX;
}

int NormalizedAngle(long long degrees)
{
    const long long turned = degrees % 360;
    return static_cast<int>(turned < 0 ? turned + 360 : turned);
}

void MoveItemBy(ListOB& item, int dx, int dy)
{
    MoveBoxTo(item, item.left + dx, item.top + dy);
    if (!item.rotatedBox.IsEmpty())
        item.rotatedBox = Rect(item.rotatedBox.Left + dx, item.rotatedBox.Top + dy, item.rotatedBox.Right + dx,
                               item.rotatedBox.Bottom + dy);
}

std::vector<ListOB*> GroupMembers(ListOB& item, int listLength)
{
    std::vector<ListOB*> members;
    ListOB* member = item.groupItem ? item.groupItem : &item;
    for (int steps = 0; member && steps <= listLength; ++steps, member = member->childItem)
        members.push_back(member);
    return members;
}

TRect SelectionFrame(const ListOB& item)
{
    return item.rotation != 0 && !item.rotatedBox.IsEmpty() ? item.rotatedBox : item.PlacementBox();
}

void MoveBoxTo(ListOB& item, int x, int y)
{
    item.right = x + (item.right - item.left);
    item.bottom = y + (item.bottom - item.top);
    item.left = x;
    item.top = y;
}

// The document's placing operations.

namespace {

constexpr std::string_view UndefinedProductText =
    "The width, height or Part Number for this item is not defined, so it can not be added.";
constexpr std::string_view TooLargeText = "Item is too large to place in the display area.";
constexpr int ShelfHeight = 8;
constexpr double InchesPerCentimetre = 0.394;

// A product whose size or part number is missing, or whose size is not above 0, cannot be placed.
bool IsPlaceable(const didBase& product)
{
    return product.widthQ > 0 && product.heightQ > 0 && product.roles[RoleWidth] != 0 &&
           product.roles[RoleHeight] != 0 && !product.partNumber.empty();
}

bool HasPegOffsets(const didBase& product) { return product.pegXQ != 0 && product.pegYQ != 0; }

bool ReorderDue(const didBase& product, bool alarmOn)
{
    return alarmOn && product.ColumnOf(RoleInventory) >= 0 && product.ColumnOf(RoleMinInventory) >= 0 &&
           product.inventory <= product.minInventory;
}

// The new item joins the previous one's group right after it, taking over the rest of its chain.
void JoinGroupAfter(ListOB& previous, ListOB& item)
{
    item.groupItem = previous.groupItem ? previous.groupItem : &previous;
    item.childItem = previous.childItem;
    previous.childItem = &item;
}

} // namespace

void RefuseUndefinedProduct()
{
    Ui().MessageBox(UndefinedProductText, ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
}

bool PlanogramDocument::AddCatalogItem(int x, int y)
{
    if (wrapDirection == 2)
        placeDirection = 1;
    else if (wrapDirection == 1)
        placeDirection = 0;
    shelfGap = autoAddShelves ? ShelfHeight : 0;
    if (!catalog || !items || !IsPlaceable(*catalog)) {
        RefuseUndefinedProduct();
        return false;
    }
    const didBase& product = *catalog;
    if (displayWidth < product.widthQ || displayHeight < product.heightQ) {
        Ui().MessageBox(TooLargeText, "Alert", MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    ListOB* const previous = items->current;
    ShowPosition(x, y);

    items->Append();
    ListOB& item = *items->current;
    FillFromCatalog(item);
    const TPoint at = PlacementPoint(previous, item, x, y);
    MoveBoxTo(item, at.X, at.Y);
    graphics.DrawItem(item, backBitmap, catalog->photoCollection);
    services.view.InvalidateWindowRect(WindowRectOf(DocumentRenderer::DrawnArea(item)));
    FrameItem(&item);

    const bool newRow = rowRect.IsEmpty();
    if (item.right - item.left > rowRect.Width())
        rowRect.Left = item.left, rowRect.Right = item.right;
    if (item.bottom - item.top > rowRect.Height())
        rowRect.Top = item.top, rowRect.Bottom = item.bottom;
    if (newRow && catalog->pegXQ == 0 && catalog->pegYQ == 0 && autoAddShelves &&
        !(previous && previous->picture == "s"))
        AddRowShelf();

    TStringGrid& layout = services.selector.GridL();
    const int row = layout.RowCount() - 1;
    layout.SetCells(0, row, IntToStr(items->current->itemNo));
    layout.SetCells(1, row, items->current->index);
    layout.SetRowCount(layout.RowCount() + 1);
    undo.Discard();
    modified = true;
    return true;
}

void PlanogramDocument::ShowPosition(int x, int y)
{
    const double factor = unitsInches ? InchesPerCentimetre : 1.0;
    const double fromLeft = x / 4.0 * factor;
    const double fromBottom = ((displayHeight / 4) - y / 4.0) * factor;
    services.mainWindow.ShowPosition(FormatFloat("0.00", fromLeft), FormatFloat("0.00", fromBottom));
}

void PlanogramDocument::FillFromCatalog(ListOB& item)
{
    const didBase& product = *catalog;
    item.index = product.partNumber;
    item.picture = product.pictureName;
    item.left = item.top = 0;
    item.right = product.widthQ;
    item.bottom = product.heightQ;
    item.depth = product.depthQ;
    item.hookdepth = pegDepthUnits;
    const SettingsStore settings;
    // The inch default is the one the options give the same key, so that both depths agree.
    item.hookdepthIN = static_cast<float>(Atof(settings.ReadString("Options", "InchPegDepth", "5.122")));
    item.hookdepthCM = static_cast<float>(Atof(settings.ReadString("Options", "cmPegDepth", "13")));
    item.inventory = product.inventory;
    item.unitsSold = product.sellAmount;
    item.face = 0;
    item.manualcolor = false;
    item.Category = product.category;
    item.Brand = product.brand;
    item.reorder = ReorderDue(product, services.mainWindow.ReorderAlarmOn());
    item.rotatedBox = TRect{};
    item.rotation = 0;
    item.tagRotation = 0;
    item.itemNo = item.group = ++itemCounter;
    item.groupItem = item.childItem = nullptr;
    // The category and brand colours look the product up again: the catalog's record stays current.
    item.color = ColorItem(item, colorMode, catalog.get());
}

TPoint PlanogramDocument::PlacementPoint(ListOB* previous, ListOB& item, int x, int y)
{
    if (!previous)
        return Point(x, y);
    if (previous->picture == "p")
        return Point(previous->left, previous->top);
    const didBase& product = *catalog;
    const int width = item.right - item.left, height = item.bottom - item.top;
    if (static_cast<long long>(previous->right) + width <= displayWidth) {
        const int placedX = alignToPeg && product.pegXQ != 0
                                ? PegAlignedX(pegHoles, previous->left + pegPitchH, previous->right, product.pegXQ)
                                : previous->right;
        const bool topsAligned = addAlign == 2 || (addAlign == 0 && HasPegOffsets(product));
        const int placedY = topsAligned ? previous->top : previous->bottom - height;
        if (services.mainWindow.AutoGroupDown())
            JoinGroupAfter(*previous, item);
        return Point(placedX, placedY);
    }
    int placedY;
    if (!HasPegOffsets(product)) {
        placedY = placeDirection == 0 ? rowRect.Bottom + shelfGap : rowRect.Top - rowRect.Height() - shelfGap;
        rowRect = TRect{};
    } else {
        placedY = placeDirection == 0 ? previous->bottom
                                      : previous->top - (previous->bottom - previous->top) - (pegPitchV + 10);
    }
    if (placedY < 0 && items->head) {
        placedY = items->head->bottom + shelfGap;
        placeDirection = 0;
    }
    return Point(0, placedY);
}

void PlanogramDocument::AddRowShelf()
{
    ListOB* const placed = items->current;
    items->Append();
    ListOB& shelf = *items->current;
    shelf.index = "shelf" + IntToStr(itemCounter);
    shelf.picture = "s";
    shelf.left = 4;
    shelf.right = displayWidth - 4;
    shelf.top = rowRect.Bottom;
    shelf.bottom = shelf.top + ShelfHeight;
    shelf.itemNo = shelf.group = ++itemCounter;
    graphics.DrawItem(shelf, backBitmap, catalog->photoCollection);
    services.view.InvalidateWindowRect(WindowRectOf(shelf.PlacementBox()));
    items->current = placed;
}
