// The document's editing commands that are not mouse gestures: ungrouping, views, aligning, spacing,
// nudging, typed positions, placement-box colours, the reorder alarm and the popup menu's commands.
#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/Placing.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/Rectservices.h"
#include "platform/core/UiServices.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int DeleteKey = 46;
constexpr int LeftKey = 37;
constexpr int UpKey = 38;
constexpr int RightKey = 39;
constexpr int DownKey = 40;

constexpr double InchSpacingFactor = 2.56;

void Warn(std::string_view text, std::string_view caption)
{
    Ui().MessageBox(text, caption, MsgButtons::OK, MsgIcon::Warning);
}

TRect DrawnAreaOf(const std::vector<ListOB*>& members)
{
    TRect area;
    for (const ListOB* member : members)
        area = UnionOf(area, DocumentRenderer::DrawnArea(*member));
    return area;
}

// Looking items up moves the catalog's current record; the product "Add current product" places
// stays the one the user chose.
class KeptRecord {
public:
    explicit KeptRecord(didBase* catalog) : catalog_(catalog), record_(catalog ? catalog->CurrentRecord() : 0) {}
    ~KeptRecord()
    {
        if (catalog_)
            catalog_->GoToRecord(record_);
    }
    KeptRecord(const KeptRecord&) = delete;
    KeptRecord& operator=(const KeptRecord&) = delete;

private:
    didBase* catalog_;
    int record_;
};

// The smallest left or top edge of the members themselves, so that an item or group wholly outside
// the wall lands where it was typed as well.
int SmallestEdge(const std::vector<ListOB*>& members, int ListOB::*edge)
{
    int smallest = INT_MAX;
    for (const ListOB* member : members)
        smallest = std::min(smallest, member->*edge);
    return smallest;
}

} // namespace

void PlanogramDocument::RepaintGroupOf(ListOB& item, const TRect& before)
{
    const std::vector<ListOB*> members = GroupMembers(item, items->Count());
    RedrawArea(UnionOf(before, DrawnAreaOf(members)));
    TRect frame;
    for (const ListOB* member : members)
        frame = UnionOf(frame, SelectionFrame(*member));
    DrawSelection(frame);
    modified = true;
}

void PlanogramDocument::MoveItems(const std::vector<ListOB*>& members, int dx, int dy)
{
    if (members.empty() || (dx == 0 && dy == 0))
        return;
    const TRect before = DrawnAreaOf(members);
    for (ListOB* member : members)
        MoveItemBy(*member, dx, dy);
    RepaintGroupOf(*members.front(), before);
}

void PlanogramDocument::UngroupAll()
{
    if (!items)
        return;
    bool changed = false;
    for (ListOB* item = items->head; item; item = item->next) {
        changed = changed || item->groupItem || item->childItem || item->group != item->itemNo;
        item->groupItem = item->childItem = nullptr;
        item->group = item->itemNo;
    }
    if (!changed)
        return;
    // An edit snapshot holds the old links; a deletion snapshot is of an item without any.
    if (undo.valid && undo.Mode() == 1)
        undo.Discard();
    groupRect = TRect{};
    if (items->current)
        DrawSelection(SelectionFrame(*items->current));
    services.mainWindow.EnableUngroup(false);
    modified = true;
}

void PlanogramDocument::Ungroup()
{
    ListOB* current = items ? items->current : nullptr;
    if (!current || (!current->groupItem && !current->childItem))
        return;
    for (ListOB* member : GroupMembers(*current, items->Count()))
        member->groupItem = member->childItem = nullptr;
    groupRect = TRect{};
    DrawSelection(SelectionFrame(*current));
    services.mainWindow.EnableUngroup(false);
    modified = true;
}

void PlanogramDocument::InventoryAlarmOn()
{
    if (!catalog || catalog->ColumnOf(RoleInventory) < 0 || catalog->ColumnOf(RoleMinInventory) < 0) {
        Warn("Inventory and minimum inventory columns have not been defined in your catalog so reordering alarms "
             "will be disabled.",
             "Inventory Check");
        return;
    }
    inventoryAlarm = true;
    if (items) {
        const KeptRecord kept(catalog.get());
        for (ListOB* item = items->head; item; item = item->next)
            if (catalog->FindByKey(item->index))
                item->reorder = catalog->inventory <= catalog->minInventory;
    }
    renderer.RedrawAll();
    modified = true;
}

void PlanogramDocument::InventoryAlarmOff()
{
    inventoryAlarm = false;
    for (ListOB* item = items ? items->head : nullptr; item; item = item->next)
        item->reorder = false;
    renderer.RedrawAll();
    modified = true;
}

bool PlanogramDocument::FlipView(int view, ListOB& item)
{
    if (!catalog || !catalog->FindByKey(item.index)) {
        Warn("Could not flip item because it could not be found in your catalog", ApplicationTitle);
        return false;
    }
    const didBase& product = *catalog;
    if (product.widthQ == 0 || product.heightQ == 0 || product.depthQ == 0 || product.ColumnOf(RoleWidth) < 0 ||
        product.ColumnOf(RoleHeight) < 0 || product.ColumnOf(RoleDepth) < 0 || product.partNumber.empty()) {
        Warn("The width, height, depth or part number for this item is not defined so it can not be flipped",
             ApplicationTitle);
        return false;
    }
    const TRect before = DocumentRenderer::DrawnArea(item);
    undo.Take(&item, 1);
    item.rotation = 0;
    item.rotatedBox = TRect{};
    item.face = view;
    const int depth = static_cast<int>(product.depthQ);
    switch (view) {
    case 1:
        item.right = item.left + depth;
        item.bottom = item.top + product.heightQ;
        item.depth = product.widthQ;
        break;
    case 2:
        item.right = item.left + product.widthQ;
        item.bottom = item.top + depth;
        item.depth = product.heightQ;
        break;
    default:
        item.right = item.left + product.widthQ;
        item.bottom = item.top + product.heightQ;
        item.depth = product.depthQ;
        break;
    }
    RedrawArea(UnionOf(before, DocumentRenderer::DrawnArea(item)));
    DrawSelection(item.PlacementBox());
    modified = true;
    return true;
}

void PlanogramDocument::AlignGroup(ListOB& item, int mode)
{
    const std::vector<ListOB*> members = GroupMembers(item, items->Count());
    int topmost = displayHeight, lowest = 0;
    for (const ListOB* member : members) {
        topmost = std::min(topmost, member->top);
        lowest = std::max(lowest, member->bottom);
    }
    const TRect before = DrawnAreaOf(members);
    for (ListOB* member : members)
        MoveItemBy(*member, 0, mode == 1 ? topmost - member->top : lowest - member->bottom);
    RepaintGroupOf(item, before);
}

double PlanogramDocument::LargestSpace() const { return MaxDisplayUnits / (unitsInches ? InchSpacingFactor * 4 : 4.0); }

void PlanogramDocument::SpaceGroup(ListOB& item, double distance)
{
    const double units = unitsInches ? distance * InchSpacingFactor * 4 : distance * 4;
    const double gap = std::clamp(units, double(INT_MIN / 2), double(INT_MAX / 2));
    const std::vector<ListOB*> members = GroupMembers(item, items->Count());
    const TRect before = DrawnAreaOf(members);
    // The edge is truncated, not the gap: a gap of -2.5 after a right edge of 100 gives 97.
    for (size_t i = 0; i + 1 < members.size(); ++i)
        MoveItemBy(*members[i + 1], static_cast<int>(members[i]->right + gap) - members[i + 1]->left, 0);
    RepaintGroupOf(item, before);
}

void PlanogramDocument::NudgeGroup(int direction, int amount)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current || (!current->groupItem && !current->childItem))
        return;
    const int dx = direction == 2 ? -amount : direction == 3 ? amount : 0;
    const int dy = direction == 0 ? -amount : direction == 1 ? amount : 0;
    MoveItems(GroupMembers(*current, items->Count()), dx, dy);
    ShowPosition(current->left, current->top);
}

void PlanogramDocument::SetCurrentX(int x)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return;
    const std::vector<ListOB*> members = GroupMembers(*current, items->Count());
    MoveItems(members, x - SmallestEdge(members, &ListOB::left), 0);
}

void PlanogramDocument::SetCurrentY(int y)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return;
    const std::vector<ListOB*> members = GroupMembers(*current, items->Count());
    MoveItems(members, 0, y - SmallestEdge(members, &ListOB::top));
}

void PlanogramDocument::ApplyColorMode(int mode)
{
    if (items) {
        const KeptRecord kept(catalog.get());
        for (ListOB* item = items->head; item; item = item->next)
            if (!item->manualcolor)
                item->color = ColorItem(*item, mode, catalog.get());
    }
    colorMode = mode;
    renderer.RedrawAll();
    modified = true;
}

void PlanogramDocument::ClearManualColors()
{
    for (ListOB* item = items ? items->head : nullptr; item; item = item->next)
        item->manualcolor = false;
    ApplyColorMode(colorMode);
}

bool PlanogramDocument::KeyDown(int key)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return false;
    if (key == DeleteKey) {
        DeleteSelected();
        return true;
    }
    if (key < LeftKey || key > DownKey)
        return false;
    const bool grouped = current->groupItem || current->childItem;
    if (grouped) {
        NudgeGroup(key == LeftKey ? 2 : key == RightKey ? 3 : key == UpKey ? 0 : 1, 1);
        return true;
    }
    MoveItems({current}, key == LeftKey ? -1 : key == RightKey ? 1 : 0, key == UpKey ? -1 : key == DownKey ? 1 : 0);
    ShowPosition(current->left, current->top);
    return true;
}

void PlanogramDocument::SendCurrentToFront()
{
    if (!items || !items->current)
        return;
    items->MoveToFront();
    RepaintGroupOf(*items->current, DocumentRenderer::DrawnArea(*items->current));
}

void PlanogramDocument::SendCurrentToBack()
{
    if (!items || !items->current)
        return;
    items->MoveToBack();
    RepaintGroupOf(*items->current, DocumentRenderer::DrawnArea(*items->current));
}

bool PlanogramDocument::SetCurrentColor(TColor color)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return false;
    current->color = static_cast<int>(color);
    current->manualcolor = true;
    RepaintGroupOf(*current, DocumentRenderer::DrawnArea(*current));
    return true;
}

void PlanogramDocument::ClearCurrentColor()
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return;
    services.mainWindow.ShowPlacementBoxes();
    graphics.viewMode = true;
    current->manualcolor = false;
    ApplyColorMode(colorMode);
}

bool PlanogramDocument::RemoveCurrent()
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return false;
    const TRect removed = DocumentRenderer::DrawnArea(*current);
    RemoveItem(current);
    FrameItem(nullptr);
    RedrawArea(removed);
    return true;
}

bool PlanogramDocument::EnterCustomTag()
{
    const ListOB* current = items ? items->current : nullptr;
    if (!current)
        return false;
    DocumentMainWindow& mainWindow = services.mainWindow;
    mainWindow.CheckCustomText();
    const std::string text = ModelTextInputBox(ApplicationTitle, "Tag Text", current->customTag);
    if (TakeMenuChecks(mainWindow.TagChecks()))
        modified = true;
    return SetCustomTag(text);
}

bool PlanogramDocument::SetCustomTag(const std::string& text)
{
    ListOB* current = items ? items->current : nullptr;
    if (!current)
        return false;
    if (current->customTag != text) {
        current->customTag = text;
        modified = true;
    }
    renderer.RedrawAll();
    return true;
}
