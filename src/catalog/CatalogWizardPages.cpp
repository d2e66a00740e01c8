#include "catalog/CatalogWizardPages.h"

#include "catalog/CatalogManager.h"
#include "catalog/Didfilefinder.h"
#include "catalog/ExcellClass.h"
#include "catalog/GridUtilities.h"
#include "platform/core/Numbers.h"

namespace {

// Each combo box's role and the entry preselected in it, counted with "None" where it has one.
struct ComboDefault {
    CatalogFieldRole role;
    int preselected;
};
constexpr ComboDefault ComboDefaults[] = {
    {RolePartNumber, 1}, {RoleDescription, 3}, {RoleWidth, 4},     {RoleHeight, 5}, {RoleDepth, 7},
    {RolePictureName, 4}, {RoleCostPrice, 8}, {RoleSalePrice, 9}, {RolePegX, 10}, {RolePegY, 11}};

} // namespace

const std::vector<std::string>& CatalogWizardPages::DefaultFields()
{
    static const std::vector<std::string> fields = {"Record Number", "Product/Part Nr", "Description", "Picture Name",
                                                    "Width",         "Height",          "Depth",       "Cost Price",
                                                    "Retail Price",  "Peg X",           "Peg Y"};
    return fields;
}

CatalogWizardPages::CatalogWizardPages(CatalogManager& manager_, CatalogWizardWindows& windows_)
    : progressBar(&unshownProgress), manager(manager_), windows(windows_)
{
    for (size_t i = 0; i < combos.size(); ++i)
        combos[i].role = ComboDefaults[i].role;
    OpenDialog1.filter = "Kestrame Catalog File (*.ctf) (*.did)|*.did;*.ctf|All file types|*.*";
    OpenDialog1.defaultExt = "did";
    dbImport.title = "Import Data";
    dbImport.filter = "Tab delimited text|*.txt|All file types|*.*";
    dbImport.defaultExt = "txt";
    dbExcelImport.title = "Import Excel Worksheet";
    dbExcelImport.filter = "Excel Worksheet (*.xls)|*.xls";
}

void CatalogWizardPages::FormShow()
{
    page = WelcomePage;
    step = 1;
    fields = DefaultFields();
    fieldsChanged = false;
    backEnabled = true;
    enteredCatalogStarted_ = false;
}

void CatalogWizardPages::AdvancePage()
{
    if (PageAction())
        page += step;
}

void CatalogWizardPages::BackPage()
{
    // Back on the first page has nowhere to go.
    if (page - step >= WelcomePage)
        page -= step;
    if (page == CellPage)
        PromptForSelectedCell();
}

std::string CatalogWizardPages::NextCaption() const { return page == DoNextPage ? "&Finish" : "&Next>"; }

bool CatalogWizardPages::PageAction()
{
    step = 1;
    switch (page) {
    case DoWhatPage:
        return doWhat == CreateNew || ContinueExistingCatalog();
    case ImportPage:
        return ImportOrStart();
    case FieldsPage:
        if (!Importing() && fieldsChanged)
            FillFieldCombos();
        step = Importing() || fieldsChanged ? 1 : 2;
        return true;
    case UnitsPage:
        if (Importing()) {
            ApplyToCatalogManager();
            step = FinishedPage - UnitsPage;
        }
        return true;
    case AddProductsPage:
        return StartProductEntry();
    case CellPage:
        step = StoreCellAndAdvance() ? 0 : 1;
        backEnabled = step != 0;
        return step != 0;
    case DoNextPage:
        if (doNext == DoneAdding)
            return true;
        manager.Grid.SetRowCount(manager.Grid.RowCount() + 1);
        manager.Grid.FocusCell(1, manager.Grid.RowCount() - 1);
        BackPage();
        backEnabled = false;
        PromptForSelectedCell();
        return false;
    case FinishedPage:
        return FinishWizard();
    default:
        // The welcome page, and the assignments page, whose choices are kept as they were made.
        return true;
    }
}

bool CatalogWizardPages::StartNewCatalog()
{
    // The Catalog Manager may still hold what an earlier run left unsaved.
    if (!manager.NewCatalog1Click())
        return false;
    enteredCatalogStarted_ = false;
    return true;
}

bool CatalogWizardPages::StartEnteredCatalog()
{
    if (!enteredCatalogStarted_)
        enteredCatalogStarted_ = StartNewCatalog();
    return enteredCatalogStarted_;
}

bool CatalogWizardPages::ContinueExistingCatalog()
{
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenDialog1);
    if (!choice || !StartNewCatalog())
        return false;
    windows.ShowCatalogManager();
    if (!manager.OpenCatalog(choice->fileName))
        return false;
    manager.Grid.SetRow(manager.Grid.RowCount() - 1);
    windows.CloseWizard();
    return false;
}

bool CatalogWizardPages::ImportOrStart()
{
    if (importKind == EnterManually) {
        if (!StartEnteredCatalog())
            return false;
        FillFieldCombos();
        return true;
    }
    if (importKind == ImportExcel) {
        const int rows = StrToInt(maxRows);
        const int columns = StrToInt(maxColumns);
        const std::optional<FileDialogResult> choice = Ui().OpenDialog(dbExcelImport);
        if (!choice || !StartNewCatalog())
            return false;
        windows.ShowCatalogManager();
        return Imported(ExcelSheetReader().ReadIntoGrid(manager.Grid, *progressBar, choice->fileName, rows, columns));
    }
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(dbImport);
    if (!choice || !StartNewCatalog())
        return false;
    const bool read = GridUtilities().ImportText(manager.Grid, choice->fileName);
    windows.ShowCatalogManager();
    return Imported(read);
}

bool CatalogWizardPages::Imported(bool read)
{
    if (!read)
        return false;
    FillFieldCombos();
    manager.modified = true;
    manager.AutoFitColumns();
    // The imported titles are the fields: their page is skipped.
    step = AssignmentsPage - ImportPage;
    return true;
}

bool CatalogWizardPages::StartProductEntry()
{
    if (!StartEnteredCatalog())
        return false;
    ApplyToCatalogManager();
    if (addProducts == AddManually) {
        windows.CloseWizard();
        return false;
    }
    windows.KeepWizardOnTop();
    PromptForSelectedCell();
    return true;
}

bool CatalogWizardPages::FinishWizard()
{
    windows.HideWizard();
    manager.modified = true;
    manager.savedFileName.clear();
    windows.CloseCatalogManager();
    // The catalog just made is the one to plan with, so the planogram wizard selects it.
    if (!manager.savedFileName.empty())
        Didfilefinder().WriteCurrentDataFile(manager.savedFileName);
    if (finished == StartPlanogramming && startPlanogramming)
        startPlanogramming();
    windows.CloseWizard();
    return false;
}

void CatalogWizardPages::FillFieldCombos()
{
    if (Importing()) {
        fields.clear();
        for (int col = 0; col < manager.Grid.ColCount(); ++col)
            fields.push_back(manager.Grid.Cells(col, 0));
    }
    for (size_t i = 0; i < combos.size(); ++i) {
        FieldCombo& combo = combos[i];
        combo.items.clear();
        if (RoleHasNoneEntry(combo.role))
            combo.items.emplace_back("None");
        combo.items.insert(combo.items.end(), fields.begin(), fields.end());
        const int preselected = ComboDefaults[i].preselected;
        // A shorter field list leaves the entry unchosen rather than choosing another field.
        combo.selected = preselected < static_cast<int>(combo.items.size()) ? preselected : -1;
    }
}

void CatalogWizardPages::ApplyToCatalogManager()
{
    windows.ShowCatalogManager();
    TStringGrid& grid = manager.Grid;
    grid.SetColCount(static_cast<int>(fields.size()));
    for (int col = 0; col < grid.ColCount(); ++col)
        grid.SetCells(col, 0, fields[static_cast<size_t>(col)]);
    manager.SetCentimetres(centimetres);
    RoleEntries entries;
    for (const FieldCombo& combo : combos)
        if (combo.selected >= 0)
            entries.emplace_back(combo.role, combo.selected);
    manager.ApplyFieldAssignment(entries);
    grid.SetCol(1);
}

bool CatalogWizardPages::StoreCellAndAdvance()
{
    TStringGrid& grid = manager.Grid;
    grid.SetCells(grid.Col(), grid.Row(), cellInfo);
    cellInfo.clear();
    // A typed product is an unsaved change, whatever page the wizard is left on.
    manager.modified = true;
    if (grid.Col() >= grid.ColCount() - 1)
        return false;
    grid.SetCol(grid.Col() + 1);
    PromptForSelectedCell();
    return true;
}

void CatalogWizardPages::PromptForSelectedCell()
{
    const TStringGrid& grid = manager.Grid;
    addInfo = "add the " + grid.Cells(grid.Col(), 0) + " attribute information for product entry number " +
              std::to_string(grid.Row());
    cellInfo = grid.Cells(grid.Col(), grid.Row());
}

void CatalogWizardPages::AddField(const std::string& field)
{
    fields.push_back(field);
    fieldsChanged = true;
}

void CatalogWizardPages::RemoveField(int index)
{
    if (index < 0 || index >= static_cast<int>(fields.size()))
        return;
    fields.erase(fields.begin() + index);
    fieldsChanged = true;
}
