#include "app/MenuEnabling.h"

#include "planogram/PlanogramDocument.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

#include <cmath>
#include <limits>

namespace {

constexpr double CentimetresPerInch = 1 / 0.3937;

} // namespace

DocumentState StateOf(const PlanogramDocument* document)
{
    DocumentState state;
    if (!document)
        return state;
    state.planogram = true;
    const ListManager* items = document->items.get();
    state.items = items && items->head;
    const ListOB* current = items ? items->current : nullptr;
    state.current = current != nullptr;
    if (current) {
        state.first = current == items->head;
        state.last = current == items->tail;
        state.linked = current->groupItem || current->childItem;
        state.manualColor = current->manualcolor;
    }
    state.groupMembers = document->groupMembers;
    state.copied = document->copyItem.has_value();
    state.backBitmap = !document->backBitmap.Empty();
    state.undo = document->undo.valid;
    return state;
}

FileEnabling FileMenuEnabling(const DocumentState& state)
{
    FileEnabling enabling;
    enabling.loadProductList = enabling.documentSetup = state.planogram;
    enabling.save = enabling.saveAs = enabling.exportFile = enabling.makePdf = enabling.print = state.items;
    return enabling;
}

EditEnabling EditMenuEnabling(const DocumentState& state)
{
    EditEnabling enabling;
    enabling.cut = enabling.copy = enabling.deleteItem = enabling.duplicate = state.current;
    enabling.paste = state.backBitmap && state.copied;
    enabling.copyWall = state.backBitmap;
    enabling.undo = state.undo;
    return enabling;
}

ProductEnabling ProductMenuEnabling(const DocumentState& state)
{
    ProductEnabling enabling;
    if (!state.planogram)
        return enabling;
    enabling.addFixture = true;
    enabling.selectNext = enabling.selectPrevious = enabling.ungroupAll = state.items;
    if (!state.current)
        return enabling;
    enabling.productDetails = enabling.deleteItem = enabling.rotate = enabling.flip = true;
    enabling.sendToFront = enabling.bringForward = !state.last;
    enabling.sendToBack = enabling.bringBackward = !state.first;
    enabling.align = enabling.space = state.groupMembers >= 2;
    enabling.ungroup = state.linked;
    return enabling;
}

std::optional<int> TypedPosition(const std::string& text, bool unitsMode, bool inches, int displayScale)
{
    double value = 0;
    try {
        value = StrToFloat(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
    const double units = !unitsMode ? displayScale * value : inches ? value * CentimetresPerInch * 4 : value * 4;
    if (!std::isfinite(units) || std::fabs(units) > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(std::lround(units));
}

std::vector<WindowEntry> WindowEntries(const std::vector<std::string>& captions, int active)
{
    std::vector<WindowEntry> entries;
    const int count = static_cast<int>(captions.size());
    for (int i = 0; i < count; ++i)
        entries.push_back({IntToStr(i + 1) + " " + captions[static_cast<size_t>(i)], i, i == active});
    return entries;
}
