// The planogram wizard's work outside its pages: the linked table shown for choosing products, and
// the display built on Finish.
#include "app/PlanogramWizard.h"

#include "ado/Adocomps.h"
#include "app/SDIMain.h"
#include "catalog/Didfilefinder.h"
#include "planogram/Planobuilder.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/StringGrid.h"

#include <QCoreApplication>
#include <QPushButton>

namespace {

bool IsDataLink(const didBase& catalog) { return UpperCase(ExtractFileExt(catalog.fileName)) == ".DDL"; }

// Connects the components to the link's database and opens its table; raises when either fails.
void OpenLinkedTable(TdADOConnection& connection, TdADODataset& dataSet, const didBase& link)
{
    dataSet.Close();
    connection.SetConnected(false);
    connection.SetConnectionString(link.connectionString);
    connection.SetConnected(true);
    dataSet.SetCommandTimeout(connection.CommandTimeout());
    dataSet.SetCommandText(SelectAllStatement(connection, link.tableName));
    dataSet.Open();
}

// The selector finds the products and places them through the main window, whose active planogram
// is the display being made; each placement adds shelves as the wizard says.
class WizardBuilderHost : public BuilderHost {
public:
    WizardBuilderHost(BuilderHost& selector, PlanogramDocument& document, bool autoShelves)
        : selector_(selector), document_(document), autoShelves_(autoShelves)
    {
    }
    std::optional<SelectorProduct> FindProduct(const std::string& partNumber) override
    {
        return selector_.FindProduct(partNumber);
    }
    bool AddCurrentProduct(int x, int y) override
    {
        document_.autoAddShelves = autoShelves_;
        return selector_.AddCurrentProduct(x, y);
    }
    int DisplayHeight() const override { return selector_.DisplayHeight(); }
    bool RefreshDisplay() override { return selector_.RefreshDisplay(); }

private:
    BuilderHost& selector_;
    PlanogramDocument& document_;
    bool autoShelves_;
};

// The column of a role in the catalog grid, or -1 when the catalog or the grid lacks it.
int GridColumn(const TStringGrid& grid, const didBase& catalog, CatalogFieldRole role)
{
    const int column = catalog.roles[static_cast<size_t>(role)];
    return catalog.RoleAssigned(role) && column >= 0 && column < grid.ColCount() ? column : -1;
}

// A product of the catalog grid the products were chosen from, with its size in document units: before
// the display is made, the selector has not read this catalog yet.
std::optional<SelectorProduct> GridProduct(const TStringGrid& grid, const didBase& catalog,
                                           const std::string& partNumber)
{
    const int key = GridColumn(grid, catalog, RolePartNumber);
    if (key < 0 || partNumber.empty())
        return std::nullopt;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Cells(key, row) != partNumber)
            continue;
        const auto size = [&](CatalogFieldRole role) {
            const int column = GridColumn(grid, catalog, role);
            return column < 0 ? 0 : TruncateToInt(catalog.QuarterCentimetres(Atof(grid.Cells(column, row))));
        };
        SelectorProduct product;
        product.partNumber = partNumber;
        product.widthQ = size(RoleWidth);
        product.heightQ = size(RoleHeight);
        return product;
    }
    return std::nullopt;
}

} // namespace

void TSUWizard::LoadLinkedTable()
{
    if (!catalog)
        return;
    try {
        OpenLinkedTable(*dADOConnection1, *dADODataset1, *catalog);
        didADOData linked(this);
        linked.LoadIntoGrid(GridP());
    } catch (const Exception&) {
        // A table that cannot be read ends the loading without a word: the products are then chosen
        // from the catalog grid as it stands.
    }
}

bool TSUWizard::BuildDisplay()
{
    if (!catalog || !FacingsFitTheWall())
        return false;
    SetBuilding(true);
    struct BuildEnds {
        TSUWizard& wizard;
        ~BuildEnds() { wizard.SetBuilding(false); }
    } ends{*this};
    return mainForm_.NewSetUpPlanogram([this](PlanogramDocument& document) { return SetUpDocument(document); },
                                       [this](PlanogramDocument& document) { FillDocument(document); });
}

bool TSUWizard::FacingsFitTheWall()
{
    if (!pages.Automatic())
        return true;
    const WizardDisplay display = pages.Display();
    const auto find = [this](const std::string& partNumber) { return GridProduct(GridP(), *catalog, partNumber); };
    return FacingsFit(GridB(), display.displayWidth, display.displayHeight, find);
}

// No second Finish, Back or Cancel, and no closing, may act on a display half built.
void TSUWizard::SetBuilding(bool building)
{
    building_ = building;
    for (QPushButton* button : {bNext, CancelBtn})
        button->setEnabled(!building);
    bBack->setEnabled(!building && pages.BackEnabled());
}

bool TSUWizard::SetUpDocument(PlanogramDocument& document)
{
    if (IsDataLink(*catalog)) {
        try {
            OpenLinkedTable(*document.dADOConnection1, *document.dADODataset1, *catalog);
        } catch (const Exception&) {
            // The document is made all the same; its products then come without their catalog data.
        }
    }
    fileFinder->WriteCurrentDataFile(catalog->fileName);
    SettingsStore().WriteString("Options", "Units", pages.inchUnits ? "inches" : "cm");
    // The document takes the main window's unit as it is made.
    mainForm_.unitsInches = pages.inchUnits ? 1 : 0;
    document.unitsInches = pages.inchUnits;
    const WizardDisplay display = pages.Display();
    document.pegHoleSize = display.pegHoleSize;
    document.pegPitchV = display.pegPitchV;
    document.pegPitchH = display.pegPitchH;
    document.pegFirstX = display.pegFirstX;
    document.pegFirstY = display.pegFirstY;
    document.pegLastX = display.pegLastX;
    document.pegLastY = display.pegLastY;
    document.backgroundColor = display.backgroundColor;
    document.pegHolesShown = display.pegHolesShown;
    document.backgroundMode = display.backgroundMode;
    if (display.backgroundMode)
        document.backgroundPath = display.backgroundPath;
    return document.NewDocument(display.displayWidth, display.displayHeight);
}

void TSUWizard::FillDocument(PlanogramDocument& document)
{
    // The wizard's unit is now the program's, as if chosen in the options.
    mainForm_.ApplyUnits();
    std::vector<BuilderEntry> list;
    for (const PlanogramWizardPages::Row& row : pages.BuilderEntries())
        list.push_back(BuilderEntry{row[0], row[1], row[2]});
    document.SetBuilderList(std::move(list));
    mainForm_.SyncToActiveDocument(true, false);
    QCoreApplication::processEvents();
    if (pages.Automatic())
        PlaceProducts(document);
    document.modified = true;
}

void TSUWizard::PlaceProducts(PlanogramDocument& document)
{
    // Without the selector window no product can be found in the catalog.
    BuilderHost* selector = mainForm_.SelectorBuilder();
    if (!selector)
        return;
    WizardBuilderHost host(*selector, document, pages.autoShelves);
    Planobuilder builder(host);
    ShowGridB();
    builder.RankBy(GridB(), pages.rankIndex);
    builder.PlaceList(GridB(), pages.BestHeight(), pages.inchUnits);
    ReadGridB();
    Planobuilder::DeleteItemsOutside(document);
    document.autoAddShelves = false;
    // The selector's Build display reads a whole number: the one this build used.
    mainForm_.ShowBuilderChoices(IntToStr(pages.BestHeight()), pages.rankIndex);
}
