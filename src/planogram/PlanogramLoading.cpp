#include "planogram/PlanogramLoading.h"

#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/Picturehelpers.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/Progress.h"

#include <cmath>
#include <unordered_map>

namespace {

constexpr double DepthTolerance = 1e-3;

const std::string NullText = "(null)";

bool IsProduct(const ListOB& item) { return !FixtureKind(item.picture); }

} // namespace

ProductLookup ProductsOf(didBase& catalog)
{
    return [&catalog](const std::string& partNumber) -> std::optional<CatalogProduct> {
        if (!catalog.FindByKey(partNumber))
            return std::nullopt;
        return CatalogProduct{catalog.pictureName, catalog.depthQ};
    };
}

std::string CatalogFileOf(const didBase* catalog) { return catalog ? catalog->fileName : std::string(); }

bool DepthsAgree(double a, double b)
{
    return std::fabs(a - b) <= DepthTolerance * std::max(std::fabs(a), std::fabs(b));
}

std::string PictureInFolder(const std::string& picture, const std::string& folder)
{
    const std::string name = picture == NullText ? std::string() : picture;
    if (name.empty() || folder.empty() || !ExtractFilePath(name).empty())
        return name;
    return IncludeTrailingPathDelimiter(folder) + name;
}

void CopyHeaderIntoDocument(const kqfASCII& file, PlanogramDocument& document)
{
    document.pegHolesShown = file.pegboardBackground;
    document.backgroundMode = file.pictureBackground;
    document.backgroundPath = file.bgBMPpath;
    document.backgroundMacPath = file.bgBMPMACpath;
    document.backgroundColor = static_cast<TColor>(file.bgColor);
    document.pegFirstX = file.pegrl;
    document.pegFirstY = file.pegrt;
    document.pegLastX = file.pegrr;
    document.pegLastY = file.pegrb;
    document.pegHoleSize = file.pegrad;
    document.pegPitchV = file.pegvs;
    document.pegPitchH = file.peghs;
    document.itemCounter = file.listsize;
    document.addAlign = file.addAlign;
    document.wrapDirection = file.wrapDirection;
    document.inventoryAlarm = file.reoderAlarm;

    GraphicsManager& graphics = document.graphics;
    graphics.transparencySetting = file.transparencySetting;
    graphics.viewMode = file.viewMode != 0;
    // The file's names are the other way round: "tagPartNr" holds the item-number flag.
    graphics.tagItemNr = file.tagPartNr;
    graphics.tagPartNr = file.tagItemNr;
    graphics.tagXY = file.tagXY;
    graphics.tagStack = file.tagStack;
    graphics.tagInventory = file.tagInventory;
    graphics.tagUnitsSold = file.tagUnitsSold;
    graphics.tagCategory = file.tagCategory;
    graphics.tagBrand = file.tagBrand;
    graphics.tagCustom = file.tagCustom;
    if (!file.tagFontName.empty())
        graphics.tagFont.Name = file.tagFontName;
    if (file.tagFontSize > 0)
        graphics.tagFont.SetSize(file.tagFontSize);
    graphics.tagFont.Color = static_cast<TColor>(file.tagFontColor);
    graphics.tagColor = static_cast<TColor>(file.tagColor);
}

namespace {

// Asks the question the first time the item's picture or depth differs from its catalog record.
void CompareWithCatalog(const ListOB& item, const CatalogProduct& product, const std::string& folder,
                        MismatchQuestion& question)
{
    if (!question.ask)
        return;
    const bool picturesDiffer = PictureInFolder(item.picture, folder) != PictureInFolder(product.picture, folder);
    if (!picturesDiffer && DepthsAgree(item.depth, product.depth))
        return;
    question.ask = 0;
    if (question.askUser())
        question.updateFromCatalog = 1;
}

void TakeFileItem(const ListOB& source, ListOB& item, const std::optional<CatalogProduct>& product,
                  const std::string& folder, bool updateFromCatalog)
{
    item.CopyContentFrom(source);
    const bool fromCatalog = updateFromCatalog && product && IsProduct(source);
    if (fromCatalog) {
        item.picture = PictureInFolder(product->picture, folder);
        item.depth = product->depth;
    } else if (IsProduct(source)) {
        item.picture = PictureInFolder(source.picture, folder);
    }
    item.rotatedBox = TRect{};
    item.reorder = false;
    item.groupItem = item.childItem = nullptr;
}

} // namespace

void LoadFileItems(const ListManager& fileItems, PlanogramDocument& document, const ProductLookup& products,
                   MismatchQuestion& question)
{
    const std::string folder = document.catalog ? document.catalog->photoCollection : std::string();
    Progress& progress = document.services.mainWindow.ProgressBar();
    for (const ListOB* source = fileItems.head; source; source = source->next) {
        document.items->Append();
        ListOB& item = *document.items->current;
        const std::optional<CatalogProduct> product = products(source->index);
        if (product)
            CompareWithCatalog(*source, *product, folder, question);
        TakeFileItem(*source, item, product, folder, question.updateFromCatalog != 0);
        progress.StepIt();
    }
    ResolveItemLinks(*document.items);
    if (document.services.selector.Visible())
        document.FillLayoutGrid();
}

namespace {

// Cuts the child link that closes a ring: each item has at most one child link, so a walk that
// meets an item of its own walk again has found a ring.
void BreakChildRings(ListManager& items)
{
    std::unordered_map<const ListOB*, int> walkOf;
    int walk = 0;
    for (ListOB* start = items.head; start; start = start->next) {
        if (walkOf.count(start))
            continue;
        ++walk;
        for (ListOB* item = start; item; item = item->childItem) {
            walkOf[item] = walk;
            ListOB* child = item->childItem;
            if (!child)
                break;
            const auto seen = walkOf.find(child);
            if (seen == walkOf.end())
                continue;
            if (seen->second == walk)
                item->childItem = nullptr;
            break;
        }
    }
}

} // namespace

void ResolveItemLinks(ListManager& items)
{
    std::unordered_map<int, ListOB*> byNumber;
    for (ListOB* item = items.head; item; item = item->next)
        byNumber.emplace(item->itemNo, item);
    const auto numbered = [&byNumber](int number) {
        const auto hit = byNumber.find(number);
        return hit == byNumber.end() ? nullptr : hit->second;
    };
    for (ListOB* item = items.head; item; item = item->next) {
        if (item->group != item->itemNo) {
            if (ListOB* head = numbered(item->group); head && head != item) {
                item->groupItem = head;
                if (!head->groupItem)
                    head->groupItem = head;
            }
        }
        if (item->child != item->itemNo) {
            if (ListOB* child = numbered(item->child); child && child != item)
                item->childItem = child;
        }
    }
    BreakChildRings(items);
}

void FillFileFromDocument(kqfASCII& file, PlanogramDocument& document)
{
    file.pegboardBackground = document.pegHolesShown;
    file.pictureBackground = document.backgroundMode;
    file.bgBMPpath = document.backgroundPath;
    file.bgBMPMACpath = document.backgroundMacPath;
    file.listsize = document.itemCounter;
    file.items = document.items.get();
    file.bgColor = static_cast<int>(document.backgroundColor);
    file.pegrl = document.pegFirstX;
    file.pegrt = document.pegFirstY;
    file.pegrr = document.pegLastX;
    file.pegrb = document.pegLastY;
    file.pegrad = document.pegHoleSize;
    file.pegvs = document.pegPitchV;
    file.peghs = document.pegPitchH;
    file.catalogPath = CatalogFileOf(document.catalog.get());
    file.Width = document.backBitmap.Width();
    file.Height = document.backBitmap.Height();
    file.addAlign = document.addAlign;
    file.wrapDirection = document.wrapDirection;
    file.pegAlign = false;
    file.reoderAlarm = document.inventoryAlarm;
    file.zoomSetting = document.zoom.Factor();

    const GraphicsManager& graphics = document.graphics;
    file.viewMode = graphics.viewMode ? 1 : 0;
    file.transparencySetting = graphics.transparencySetting;
    file.tagPartNr = graphics.tagItemNr;
    file.tagItemNr = graphics.tagPartNr;
    file.tagXY = graphics.tagXY;
    file.tagStack = graphics.tagStack;
    file.tagInventory = graphics.tagInventory;
    file.tagUnitsSold = graphics.tagUnitsSold;
    file.tagCategory = graphics.tagCategory;
    file.tagBrand = graphics.tagBrand;
    file.tagCustom = graphics.tagCustom;
    file.tagFontName = graphics.tagFont.Name;
    file.tagFontSize = graphics.tagFont.Size();
    file.tagFontColor = static_cast<int>(graphics.tagFont.Color);
    file.tagColor = static_cast<int>(graphics.tagColor);
    file.builderItems = document.builderList;
}
