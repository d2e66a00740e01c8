// The document's mouse editing: selecting, moving, grouping with a rubber band and drawing fixtures.
#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/DocumentView.h"
#include "planogram/Makefixture.h"
#include "planogram/Picturehelpers.h"
#include "planogram/Placing.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/Rectservices.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

TRect Spanning(int x1, int y1, int x2, int y2)
{
    return Rect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

} // namespace

bool PlanogramDocument::SelectAt(int x, int y)
{
    focusRect = TRect{};
    if (!items)
        return false;
    const ListOB* previous = selectedBox;
    if (items->current)
        oldBox = SelectionFrame(*items->current);
    if (!items->HitTest(Point(x, y))) {
        Deselect();
        return false;
    }
    ListOB& item = *items->current;
    ShowSelected(item, &item != previous || !PtInRect(groupRect, Point(x, y)));
    return true;
}

void PlanogramDocument::SelectNeighbour(bool next)
{
    if (!items || !items->head)
        return;
    focusRect = TRect{};
    if (items->current)
        oldBox = SelectionFrame(*items->current);
    // The list's neighbour itself: a later item covering its corner must not be taken instead.
    if (next)
        items->SelectNext();
    else
        items->SelectPrevious();
    ShowSelected(*items->current, true);
}

void PlanogramDocument::Deselect()
{
    DrawSelection(TRect{});
    services.selector.EnableUpdateFixture(false);
    services.mainWindow.EnableUngroup(false);
    groupRect = TRect{};
    selectedBox = nullptr;
    selectedProductFound = false;
    services.mainWindow.ShowPosition("", "");
}

void PlanogramDocument::ShowSelected(ListOB& item, bool newGroup)
{
    if (newGroup) {
        groupRect = TRect{};
        groupMembers = 0;
        for (const ListOB* member : GroupMembers(item, items->Count())) {
            groupRect = UnionOf(groupRect, SelectionFrame(*member));
            groupMembers += member->rotation == 0;
        }
        DrawSelection(groupRect);
        const bool fixture = FixtureKind(item.picture);
        if (fixture)
            services.selector.ShowFixtureInSelector(item);
        services.selector.EnableUpdateFixture(fixture);
    }
    services.mainWindow.EnableUngroup(groupMembers >= 2);
    selectedBox = &item;
    selectedProductFound = catalog && catalog->FindByKey(item.index);
    services.selector.FindCatalogItem(item.index);
    ShowPosition(item.left, item.top);
}

void PlanogramDocument::MouseDownAt(int x, int y, MouseButton button)
{
    mouseDown = true;
    mouseIdle = false;
    pressX = x;
    pressY = y;
    if (SelectAt(x, y)) {
        grabDX = x - items->current->left;
        grabDY = y - items->current->top;
        grabbed = true;
    } else if (services.view.TextEditorShown()) {
        CommitTextBox();
    }
    if (button == MouseButton::Right && items && items->current) {
        mouseIdle = true;
        mouseDown = false;
    }
}

void PlanogramDocument::TrackMouseEdit(int x, int y)
{
    if (!mouseDown || !items)
        return;
    if (!items->current) {
        if (x != pressX && y != pressY)
            DragFeedback(Spanning(pressX, pressY, x, y));
        return;
    }
    moved = true;
    oldFrameRect = TRect{};
    const TRect start = groupRect.IsEmpty() ? items->current->PlacementBox() : groupRect;
    const TRect frame =
        Rect(start.Left + x - pressX, start.Top + y - pressY, start.Right + x - pressX, start.Bottom + y - pressY);
    DragFeedback(frame);
    ShowPosition(frame.Left, frame.Top);
    modified = true;
}

void PlanogramDocument::FinishMouseEdit(int x, int y)
{
    // A release that ends no press on the wall (after a right press, or a dialog's second click)
    // has nothing to finish.
    if (!mouseDown || !items)
        return;
    mouseIdle = true;
    mouseDown = false;
    releaseX = x;
    releaseY = y;
    const TRect band = focusRect;
    if (!items->current) {
        DragFeedback(TRect{});
        if (services.mainWindow.PointerToolDown())
            GroupByBand(band);
        else
            DrawFixture(band);
    } else if (MoveSelection(x - pressX, y - pressY)) {
        ShowPosition(items->current->left, items->current->top);
    }
    moved = false;
    groupRect = TRect{};
}

void PlanogramDocument::DragFeedback(const TRect& rect)
{
    const TRect old = focusRect;
    focusRect = rect;
    if (!old.IsEmpty())
        services.view.InvalidateWindowRect(WindowRectOf(old));
    if (!rect.IsEmpty())
        services.view.InvalidateWindowRect(WindowRectOf(rect));
}

void PlanogramDocument::GroupByBand(const TRect& band)
{
    if (band.IsEmpty())
        return;
    const auto inBand = [&band](const ListOB& item) { return Intersects(item.PlacementBox(), band); };
    // Every group with a member in the band is dissolved first, so that no old head still leads to
    // an item the new group takes.
    std::unordered_set<const ListOB*> heads;
    for (const ListOB* item = items->head; item; item = item->next)
        if (inBand(*item))
            heads.insert(item->groupItem ? item->groupItem : item);
    bool linksChanged = false;
    for (ListOB* item = items->head; item; item = item->next) {
        if (heads.count(item->groupItem ? item->groupItem : item) == 0)
            continue;
        linksChanged = linksChanged || item->groupItem || item->childItem;
        item->groupItem = item->childItem = nullptr;
    }
    ListOB* head = nullptr;
    ListOB* last = nullptr;
    for (ListOB* item = items->head; item; item = item->next) {
        if (!inBand(*item))
            continue;
        if (!head) {
            head = item;
        } else {
            item->groupItem = head;
            last->childItem = item;
            linksChanged = true;
        }
        last = item;
    }
    if (linksChanged) {
        // An edit snapshot holds the old links; a deletion snapshot is of an item without any.
        if (undo.valid && undo.Mode() == 1)
            undo.Discard();
        modified = true;
    }
    if (head)
        SelectAt(head->left, head->top);
}

void PlanogramDocument::DrawFixture(const TRect& band)
{
    const std::optional<FixtureMakerInputs> inputs = services.selector.FixtureInputs();
    // A click, or a drag under one unit, draws nothing.
    if (!inputs || band.Width() < 1 || band.Height() < 1)
        return;
    const int kind = services.mainWindow.FixtureDrawingKind();
    MakeFixture maker;
    maker.unitsMode = services.mainWindow.UnitsMode();
    maker.displayScale = services.mainWindow.DisplayScale();
    maker.inches = services.mainWindow.UnitsInches();
    maker.boxcolor = inputs->color;
    maker.font = inputs->font;
    maker.font.Color = inputs->color;
    maker.fillstyle = inputs->fillStyle;
    maker.edgestyle = inputs->edgeStyle;
    maker.textalign = inputs->textAlign;
    maker.textmode = inputs->textMode;
    maker.VPegSpace = StrToFloat(inputs->vPegSpace);
    maker.HPegSpace = StrToFloat(inputs->hPegSpace);
    maker.FirstVPeg = StrToFloat(inputs->pegTop);
    maker.FirstHPeg = StrToFloat(inputs->pegLeft);
    maker.LastVPeg = StrToFloat(inputs->pegBottom);
    maker.LastHPeg = StrToFloat(inputs->pegRight);
    maker.PegSize = StrToFloat(inputs->pegSize);
    if (kind == MakeFixture::kPegboard || kind == MakeFixture::kSlatwall)
        maker.bgcolor = inputs->color;
    if (kind == MakeFixture::kText) {
        const TRect onScreen = Rect(zoom.ToScreen(band.Left), zoom.ToScreen(band.Top), zoom.ToScreen(band.Right),
                                    zoom.ToScreen(band.Bottom));
        services.view.ShowTextEditor(
            TextEditorSetup{onScreen, inputs->textAlign, inputs->color, inputs->font, inputs->textMode == 1});
        return;
    }
    // The maker reads the dragged size in screen pixels as the user's units; the item's box is the
    // dragged rectangle itself.
    if (!maker.Make(IntToStr(zoom.ToScreen(band.Width())), IntToStr(zoom.ToScreen(band.Height())), kind, "5"))
        return;
    AddItem(maker.name, maker.description, band.Left, band.Top, band.Width(), band.Height(), 0);
}

void PlanogramDocument::CommitTextBox()
{
    const TextEditorContents typed = services.view.TakeTextEditor();
    const std::optional<FixtureMakerInputs> inputs = services.selector.FixtureInputs();
    MakeFixture maker;
    maker.unitsMode = services.mainWindow.UnitsMode();
    maker.displayScale = services.mainWindow.DisplayScale();
    maker.inches = services.mainWindow.UnitsInches();
    std::string text = typed.text;
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    maker.value = text;
    maker.boxcolor = typed.color;
    if (inputs)
        maker.font = inputs->font;
    if (!maker.Make(IntToStr(typed.box.Width()), IntToStr(typed.box.Height()), MakeFixture::kText, "5"))
        return;
    AddItem(maker.name, maker.description, zoom.ToDocument(typed.box.Left), zoom.ToDocument(typed.box.Top),
            zoom.ToDocument(typed.box.Width()), zoom.ToDocument(typed.box.Height()), 0);
}

bool PlanogramDocument::MoveSelection(int dx, int dy)
{
    // A click, or a drag back to where it started, moves nothing and leaves the snapshot of the last
    // edit to be undone; the drag frame goes.
    if (dx == 0 && dy == 0) {
        DragFeedback(TRect{});
        return false;
    }
    ListOB& current = *items->current;
    const TRect before = renderer.GroupArea(&current, true);
    undo.Take(&current, 1);
    const std::vector<ListOB*> members = GroupMembers(current, items->Count());
    dragFrom = TRect{};
    for (ListOB* member : members) {
        dragFrom = UnionOf(dragFrom, member->PlacementBox());
        MoveItemBy(*member, dx, dy);
    }
    const bool ungrouped = members.size() == 1;
    if (alignToPeg && dx != 0 && dy != 0 && selectedProductFound && ungrouped && pegHolesShown && catalog &&
        catalog->pegXQ != 0 && catalog->pegYQ != 0 && catalog->RoleAssigned(RolePegX) && catalog->RoleAssigned(RolePegY))
        SnapToPegHole();
    renderer.RedrawGroup(before);
    services.view.InvalidateWindowRect(WindowRectOf(renderer.GroupArea(&current, true)));
    focusRect = TRect{};
    modified = true;
    return true;
}
