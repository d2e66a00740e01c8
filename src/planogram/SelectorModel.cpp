#include "planogram/SelectorModel.h"

#include "catalog/Didbase.h"
#include "catalog/GridSearch.h"
#include "planogram/Fixturerender.h"
#include "planogram/Picturehelpers.h"
#include "planogram/Planobuilder.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <cmath>

namespace {

// The selector's inch factor, 1 / 0.39, not the catalogs' 1 / 0.394.
constexpr double SelectorInchFactor = 2.564102564102564;
constexpr double InchesPerCentimetre = 0.394;

enum Role {
    RecordNumber,
    PartNumber,
    Description,
    PictureName,
    Width,
    Height,
    Depth,
    Facings,
    CostPrice,
    RetailPrice,
    PegX,
    PegY
};

std::string Exact(double value) { return FormatFloat("0.##", value); }

// A peg edit of the fixture tab: the fixture value it shows (in quarter units), the maker input it
// gives, and its stored default in centimetres and inches. In the maker's order of reading.
struct PegField {
    std::string FixtureTab::*edit;
    double (*stored)(const FixtureRender&);
    double MakeFixture::*made;
    const char* centimetreKey;
    const char* centimetres;
    const char* inchKey;
    const char* inches;
};

constexpr PegField PegFields[] = {
    {&FixtureTab::pegTop, [](const FixtureRender& f) { return static_cast<double>(f.FirstVPeg); },
     &MakeFixture::FirstVPeg, "cmPegTop", "4", "InchPegTop", "1.5"},
    {&FixtureTab::pegLeft, [](const FixtureRender& f) { return static_cast<double>(f.FirstHPeg); },
     &MakeFixture::FirstHPeg, "cmPegLeft", "4", "InchPegLeft", "1.5"},
    {&FixtureTab::pegRight, [](const FixtureRender& f) { return static_cast<double>(f.LastHPeg); },
     &MakeFixture::LastHPeg, "cmPegRight", "4", "InchPegRight", "1.5"},
    {&FixtureTab::pegBottom, [](const FixtureRender& f) { return static_cast<double>(f.LastVPeg); },
     &MakeFixture::LastVPeg, "cmPegBottom", "4", "InchPegBottom", "1.5"},
    {&FixtureTab::vSpace, [](const FixtureRender& f) { return static_cast<double>(f.VPegSpace); },
     &MakeFixture::VPegSpace, "cmVPegSpace", "4", "InchVPegSpace", "2"},
    {&FixtureTab::hSpace, [](const FixtureRender& f) { return static_cast<double>(f.HPegSpace); },
     &MakeFixture::HPegSpace, "cmHPegSpace", "4", "InchHPegSpace", "2"},
    {&FixtureTab::pegSize, [](const FixtureRender& f) { return f.PegSize; }, &MakeFixture::PegSize, "cmPegRad", "1",
     "InchPegRad", "0.5"},
};

constexpr const char* PegTags[] = {"PegSize",   "VPegSpace", "HPegSpace", "FirstVPeg",
                                   "FirstHPeg", "LastVPeg",  "LastHPeg"};

bool SamePegTexts(const FixtureTab& a, const FixtureTab& b)
{
    return std::all_of(std::begin(PegFields), std::end(PegFields),
                       [&](const PegField& peg) { return a.*peg.edit == b.*peg.edit; });
}

// The description with the tag's value replaced by `value`; unchanged when it has no such tag.
std::string WithTag(std::string description, const std::string& name, const std::string& value)
{
    const std::string open = "<" + name + "=";
    const size_t at = description.find(open);
    if (at == std::string::npos)
        return description;
    const size_t from = at + open.size();
    const size_t to = description.find('>', from);
    return description.replace(from, (to == std::string::npos ? description.size() : to) - from, value);
}

int FixtureType(const std::string& picture, int unchanged)
{
    const auto has = [&](const char* tag) { return picture.find(tag) != std::string::npos; };
    if (picture == "s" || has("<shelf>"))
        return 0;
    if (picture == "p" || has("<pegboard>"))
        return 2;
    if (picture == "dv" || has("<dv>"))
        return 1;
    if (has("<text>"))
        return 4;
    return unchanged;
}

} // namespace

SelectorProduct SelectorModel::ReadProduct(const TStringGrid& products, int row) const
{
    const auto text = [&](Role role) {
        const int column = catalog.roleColumns[static_cast<size_t>(role)];
        return column < 0 ? std::string() : products.Cells(column, row);
    };
    const bool inches = SameText(catalog.units, "inch");
    const auto units = [inches](double value) {
        return static_cast<int>(std::trunc(inches ? value * 4 * SelectorInchFactor : value * 4));
    };
    SelectorProduct product;
    product.recordNumber = Atoi(text(RecordNumber));
    product.partNumber = text(PartNumber);
    product.description = text(Description);
    product.pictureName = text(PictureName);
    product.width = Atof(text(Width));
    product.height = Atof(text(Height));
    product.costPrice = Atof(text(CostPrice));
    product.retailPrice = Atof(text(RetailPrice));
    product.pegX = Atof(text(PegX));
    product.pegY = Atof(text(PegY));
    product.facings = Atoi(text(Facings));
    product.widthQ = units(product.width);
    product.heightQ = units(product.height);
    product.pegXQ = units(product.pegX);
    product.pegYQ = units(product.pegY);
    return product;
}

std::optional<int> SelectorModel::FindProductRow(TStringGrid& products, const std::string& partNumber) const
{
    const int column = catalog.roleColumns[PartNumber];
    if (partNumber.empty() || column < 0)
        return std::nullopt;
    GridSearch search;
    if (!search.FindInColumn(partNumber, products, column))
        return std::nullopt;
    return search.CurrentRow();
}

std::string SelectorModel::PictureOf(const TStringGrid& products, int row) const
{
    const int column = catalog.roleColumns[PictureName];
    return column < 1 ? std::string() : products.Cells(column, row);
}

std::string SelectorModel::PicturePath(const std::string& picture) const
{
    if (!ExtractFilePath(picture).empty() || catalog.pictureFolder.empty())
        return picture;
    return IncludeTrailingPathDelimiter(catalog.pictureFolder) + picture;
}

void SelectorModel::AddToBuilderList(PlanogramDocument& document, const SelectorProduct& product, int productRow)
{
    std::vector<BuilderEntry> list = document.builderList;
    list.push_back(BuilderEntry{product.partNumber, IntToStr(static_cast<int>(list.size()) + 1), "1"});
    document.SetBuilderList(std::move(list));
    document.FillBuilderGrid();
    if (productRow > 0)
        ++marks_[productRow];
}

bool SelectorModel::ClearBuilderItem(PlanogramDocument& document, int row)
{
    if (row < 1 || row > static_cast<int>(document.builderList.size()))
        return false;
    std::vector<BuilderEntry> list = document.builderList;
    list.erase(list.begin() + (row - 1));
    document.SetBuilderList(std::move(list));
    document.FillBuilderGrid();
    return true;
}

void SelectorModel::ClearBuilderList(PlanogramDocument& document)
{
    document.SetBuilderList({});
    document.FillBuilderGrid();
}

void SelectorModel::BuilderCellEdited(PlanogramDocument& document, int col, int row, const std::string& text)
{
    if (row < 1 || row > static_cast<int>(document.builderList.size()) || col < 0 || col > 2)
        return;
    std::vector<BuilderEntry> list = document.builderList;
    BuilderEntry& entry = list[static_cast<size_t>(row - 1)];
    (col == 0 ? entry.item : col == 1 ? entry.rank : entry.facings) = text;
    document.SetBuilderList(std::move(list));
}

void SelectorModel::BuildDisplay(PlanogramDocument& document, TStringGrid& grid, BuilderHost& host, int rankMode,
                                 const std::string& bestHeight, bool inches)
{
    const int height = StrToInt(bestHeight);
    if (rankMode < 0)
        return;
    const auto find = [&host](const std::string& partNumber) { return host.FindProduct(partNumber); };
    if (!FacingsFit(grid, document.displayWidth, document.displayHeight, find))
        return;
    Planobuilder builder(host);
    document.ClearAll();
    {
        struct BuildingForThisCall {
            bool& flag;
            ~BuildingForThisCall() { flag = false; }
        } scope{building};
        building = true;
        builder.RankBy(grid, rankMode);
        document.SetBuilderList(BuilderEntries(grid));
        builder.PlaceList(grid, height, inches);
    }
    Planobuilder::DeleteItemsOutside(document);
}

int SelectorModel::Marks(int productRow) const
{
    const auto found = marks_.find(productRow);
    return found == marks_.end() ? 0 : found->second;
}

FixtureTab SelectorModel::ShowFixture(const ListOB& item, bool inches, const SettingsStore& settings)
{
    FixtureRender fixture;
    fixture.ParseAttributes(item);
    FixtureTab tab = shown_.value_or(FixtureTab{});
    const double factor = inches ? InchesPerCentimetre : 1.0;
    if (inches) {
        tab.width = Exact(item.inchWidth);
        tab.height = Exact(item.inchHeight);
        tab.depth = Exact(item.inchDepth);
    } else {
        tab.width = Exact((item.right - item.left) / 4.0);
        tab.height = Exact((item.bottom - item.top) / 4.0);
        tab.depth = Exact(item.depth * 0.25);
    }
    const bool noPegs = std::all_of(std::begin(PegFields), std::end(PegFields),
                                    [&](const PegField& peg) { return peg.stored(fixture) == 0; });
    for (const PegField& peg : PegFields)
        tab.*peg.edit = noPegs
                            ? Exact(Atof(inches ? settings.ReadString("Options", peg.inchKey, peg.inches)
                                                : settings.ReadString("Options", peg.centimetreKey, peg.centimetres)))
                            : Exact(peg.stored(fixture) / 4.0 * factor);
    tab.fill = fixture.fillstyle;
    tab.edge = fixture.edgestyle;
    tab.textMode = fixture.textmode;
    tab.textAlign = fixture.textalign;
    tab.color = fixture.boxcolor;
    tab.type = FixtureType(item.picture, tab.type);
    if (tab.type == 2)
        tab.color = fixture.bgcolor;
    tab.memo = fixture.value;
    shown_ = tab;
    shownItem_ = &item;
    return tab;
}

bool SelectorModel::MakeFromTab(const FixtureTab& tab, const MakerUnits& units, MakeFixture& maker)
{
    maker.inches = units.inches;
    maker.displayScale = units.displayScale;
    maker.unitsMode = units.unitsMode;
    maker.font = tab.font;
    maker.boxcolor = maker.bgcolor = tab.color;
    std::string value = tab.memo;
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    maker.value = value;
    for (const PegField& peg : PegFields)
        maker.*peg.made = StrToFloat(tab.*peg.edit);
    maker.fillstyle = tab.fill;
    maker.edgestyle = tab.edge;
    maker.textalign = tab.textAlign;
    maker.textmode = tab.textMode;
    return maker.Make(tab.width, tab.height, tab.type, tab.depth);
}

bool SelectorModel::UpdateSelectedFixture(PlanogramDocument& document, const FixtureTab& tab, const MakerUnits& units)
{
    ListOB* item = document.items ? document.items->current : nullptr;
    // A product's picture never becomes fixture text.
    if (loading || !item || !FixtureKind(item->picture))
        return false;
    if (tab.width.empty() || tab.height.empty()) {
        ShowMessage("You forgot to fill in the width or height");
        return false;
    }
    MakeFixture maker;
    if (!MakeFromTab(tab, units, maker))
        return false;
    if (units.inches) {
        item->inchWidth = static_cast<float>(Atof(tab.width));
        item->inchHeight = static_cast<float>(Atof(tab.height));
        item->inchDepth = static_cast<float>(Atof(tab.depth));
    }
    int width = maker.width, height = maker.height;
    double depth = maker.depth;
    std::string description = maker.description;
    // Edits that still hold what was shown keep the item's own sizes and pegs to the unit: what was
    // shown was rounded for the eye.
    if (shown_ && shownItem_ == item) {
        if (tab.width == shown_->width)
            width = item->right - item->left;
        if (tab.height == shown_->height)
            height = item->bottom - item->top;
        if (tab.depth == shown_->depth)
            depth = item->depth;
        if (SamePegTexts(tab, *shown_))
            for (const char* name : PegTags) {
                const std::string own = FixtureRender::GetAttribute(item->picture, name);
                if (!own.empty())
                    description = WithTag(description, name, own);
            }
    }
    return document.UpdateCurrentItem(description, width, height, depth);
}
