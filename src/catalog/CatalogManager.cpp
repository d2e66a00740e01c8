#include "catalog/CatalogManager.h"

#include "ado/Adocomps.h"
#include "ado/Adoprop.h"
#include "catalog/Didfilefinder.h"
#include "catalog/GridUtilities.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>

namespace {

constexpr const char* ManagerCaption = "Kestrame Catalog Manager";

// The file extension each kind of catalog object writes, by its type.
std::string ExtensionOfType(const std::string& type)
{
    if (type == "VDX")
        return ".vdx";
    if (type == "DDL")
        return ".ddl";
    return ".ctf";
}

// The save dialog's entries, from 1.
const char* const EntryExtensions[] = {".vdx", ".ctf", ".ddl"};

std::string EntryExtension(int entry) { return entry >= 1 && entry <= 3 ? EntryExtensions[entry - 1] : ".ctf"; }

// The column's width once every text in it, from the top, has widened it to 10 more than the text's
// width where it was narrower.
int FittedWidth(const TStringGrid& grid, int col, const std::function<int(const std::string&)>& textWidth)
{
    // Laying out a text costs far more than looking it up, and a catalog repeats many texts (prices,
    // sizes, categories, brands), often from one row to the next. The cells stay as they are while
    // the column is fitted, so the texts are looked up where they lie.
    std::unordered_map<std::string_view, int> widthOf;
    widthOf.reserve(static_cast<size_t>(grid.RowCount()));
    int width = grid.ColWidths(col);
    const std::string* previous = nullptr;
    int previousWidth = 0;
    for (int row = 0; row < grid.RowCount(); ++row) {
        const std::string& text = grid.Cells(col, row);
        if (previous == nullptr || text != *previous) {
            auto [known, added] = widthOf.try_emplace(text, 0);
            if (added)
                known->second = textWidth(text);
            previous = &text;
            previousWidth = known->second;
        }
        if (width < previousWidth)
            width = previousWidth + 10;
    }
    return width;
}

} // namespace

std::unique_ptr<didBase> NewCatalogOfKind(std::string_view extension)
{
    return NewCatalogForFile("catalog" + std::string(extension));
}

bool RoleHasNoneEntry(CatalogFieldRole role)
{
    return role != RolePartNumber && role != RoleWidth && role != RoleHeight;
}

int ComboEntryForRoleColumn(CatalogFieldRole role, int column) { return RoleHasNoneEntry(role) ? column + 1 : column; }

int RoleColumnForComboEntry(CatalogFieldRole role, int entry, bool tableFields)
{
    if (!RoleHasNoneEntry(role))
        return entry;
    const int firstColumn = tableFields ? 0 : 1;
    return entry - 1 < firstColumn ? -1 : entry - 1;
}

CatalogManager::CatalogManager(CatalogManagerHost& host_, CatalogKindMaker maker)
    : Grid(11, 2), promptDataSource([](std::string_view initial) { return PromptForDataSource(nullptr, initial); }),
      host(host_), makeCatalog(std::move(maker))
{
    CreateDataComponents();
    catalog = MakeCatalog(".ctf");
    Grid.OnSelectCell = [this](int col, int row, bool&) { GridSelectCell(col, row); };
    Grid.OnSetEditText = [this](int col, int row, const std::string& text) { GridSetEditText(col, row, text); };
}

CatalogManager::~CatalogManager() = default;

std::unique_ptr<didBase> CatalogManager::MakeCatalog(std::string_view extension) const
{
    std::unique_ptr<didBase> made = makeCatalog(extension);
    if (made) {
        made->displayScale = host.DisplayScale();
        made->unitsMode = host.UnitsMode();
    }
    return made;
}

std::unique_ptr<didBase> CatalogManager::TryOpen(std::string_view extension, const std::string& path, TStringGrid& grid)
{
    std::unique_ptr<didBase> opened = MakeCatalog(extension);
    if (!opened)
        return nullptr;
    try {
        if (opened->Open(path, &grid))
            return opened;
    } catch (const Exception& error) {
        ShowException(error.what());
    }
    return nullptr;
}

bool CatalogManager::OpenCatalog(const std::string& path)
{
    // The file is read into a scratch grid, so that a file that does not open leaves the catalog
    // being edited, and the file its next Save writes, as they were.
    TStringGrid scratch(Grid.ColCount(), 2);
    const std::string extension = UpperCase(ExtractFileExt(path));
    std::unique_ptr<didBase> opened;
    if (extension == ".CTF" || extension == ".VDX")
        opened = TryOpen(LowerCase(extension), path, scratch);
    if (!opened)
        opened = TryOpen(".ddl", path, scratch);
    if (!opened) {
        Ui().MessageBox("Could not open catalog file", "Catalog Manager", MsgButtons::OK, MsgIcon::None);
        return false;
    }
    // A table shown before belongs to the catalog being replaced.
    CloseDataLink();
    catalog = std::move(opened);
    Grid.TakeCells(scratch);
    fileName = path;
    location = catalog->photoCollection;
    cmChecked = UpperCase(catalog->units) == "CM";
    AutoFitColumns();
    // The grid now holds what the file holds, whatever was discarded before.
    modified = false;
    if (catalog->type == "DDL")
        OpenDataLinkView();
    return true;
}

void CatalogManager::OpenClick()
{
    if (!SavedOrDiscarded(SaveBeforeNewQuestion))
        return;
    FileDialogOptions options;
    options.title = "Open";
    options.filter = "Kestrame Catalog Manager Files VDX, DDL, CTF|*.vdx;*.ddl;*.ctf";
    options.defaultExt = "vdx";
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(options))
        OpenCatalog(choice->fileName);
}

void CatalogManager::NewCatalog()
{
    GridUtilities().ClearGrid(Grid);
    location.clear();
    Grid.SetColCount(13);
    CloseDataLink();
    for (int col = 0; col < 13; ++col)
        Grid.SetCells(col, 0, DefaultTitles[col]);
    AutoFitColumns();
    catalog = MakeCatalog(".ctf");
    fileName.clear();
    modified = false;
}

bool CatalogManager::NewCatalog1Click()
{
    if (!SavedOrDiscarded(SaveBeforeNewQuestion))
        return false;
    NewCatalog();
    return true;
}

void CatalogManager::NewCatalogForImport()
{
    catalog = MakeCatalog(".ctf");
    fileName.clear();
    ResetGrid();
    for (int col = 0; col < 11; ++col)
        Grid.SetCells(col, 0, DefaultTitles[col]);
    AutoFitColumns();
}

void CatalogManager::ResetGrid()
{
    Grid.SetColCount(9);
    Grid.SetRowCount(2);
    for (int col = 0; col < 9; ++col) {
        Grid.SetCells(col, 0, "");
        Grid.SetCells(col, 1, "");
        Grid.SetColWidths(col, TStringGrid::DefaultColWidth);
    }
}

void CatalogManager::NumberRows()
{
    for (int row = 1; row < Grid.RowCount(); ++row)
        Grid.SetCells(0, row, std::to_string(row));
}

void CatalogManager::AutoFitColumns()
{
    if (!textWidth)
        return;
    // Each column's width is given to the grid, and so to its view, once.
    for (int col = 0; col < Grid.ColCount(); ++col)
        Grid.SetColWidths(col, FittedWidth(Grid, col, textWidth));
}

bool CatalogManager::SaveAllowed(const std::string& path, int entry) const
{
    if (entry == 1 && catalog->type != "VDX") {
        ShowMessage("This format is still under development and will be avaiable in version 4. Please select "
                    "another file format. ");
        return false;
    }
    // Each object writes its own format, so a name of another kind would never open again.
    const std::string own = ExtensionOfType(catalog->type);
    if (LowerCase(ExtractFileExt(path)) != own) {
        Ui().MessageBox("This catalog can only be saved as a " + own + " file. Please select that file format.",
                        ManagerCaption, MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool CatalogManager::WriteCatalog(const std::string& path)
{
    NumberRows();
    try {
        return catalog->SaveToFile(path, &Grid, cmChecked ? "cm" : "inch", location);
    } catch (const Exception& error) {
        ShowException(error.what());
        return false;
    }
}

bool CatalogManager::SaveCatalog()
{
    if (!catalog)
        return false;
    std::string path = fileName;
    int entry = saveEntry;
    if (path.empty()) {
        FileDialogOptions options;
        options.filter = "Corvandel Catalog File|*.vdx|Kestrame Catalog (*.ctf)|*.ctf|Direct Data Link|*.ddl";
        options.filterIndex = saveEntry;
        options.defaultExt = EntryExtension(saveEntry).substr(1);
        // A new catalog belongs among the program's catalogs, where the planogram side lists them.
        options.initialDir = Didfilefinder().CatalogsFolder();
        const std::optional<FileDialogResult> choice = Ui().SaveDialog(options);
        if (!choice)
            return false;
        path = choice->fileName;
        entry = choice->filterIndex;
        if (ExtractFileExt(path).empty())
            path += EntryExtension(entry);
    }
    if (!SaveAllowed(path, entry) || !WriteCatalog(path))
        return false;
    fileName = path;
    savedFileName = path;
    saveEntry = entry;
    // The selector reloads from the object's file, which must be the one just written.
    catalog->fileName = path;
    if (refreshSelectorOnSave)
        if (TStringGrid* selector = host.SelectorGrid())
            catalog->LoadIntoGrid(*selector);
    refreshSelectorOnSave = false;
    modified = false;
    return true;
}

bool CatalogManager::SaveAs()
{
    const std::string previous = fileName;
    fileName.clear();
    if (SaveCatalog())
        return true;
    fileName = previous;
    return false;
}

bool CatalogManager::SavedOrDiscarded(const std::string& question)
{
    if (!modified)
        return true;
    switch (Ui().MessageBox(question, ManagerCaption, MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        return SaveCatalog();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

bool CatalogManager::FormCloseQuery() { return SavedOrDiscarded("Save changes to catalog?"); }

void CatalogManager::FormClose()
{
    cellContent.clear();
    location.clear();
    locationBarShown = false;
    if (host.SelectorVisible()) {
        host.HideSelector();
        host.ShowSelector();
    }
    CloseDataLink();
    ResetGrid();
    modified = false;
    fileName.clear();
    catalog.reset();
}

void CatalogManager::GridSelectCell(int col, int row)
{
    cellContent = Grid.Cells(col, row);
    cellSelection = "Product " + std::to_string(row) + "   " + Grid.Cells(col, 0);
}

void CatalogManager::GridSetEditText(int col, int row, const std::string& text)
{
    modified = true;
    // The inspector shows the cell being typed, key by key.
    if (col == Grid.Col() && row == Grid.Row())
        cellContent = text;
}

// Where a column ends up when column `from` moves to `to`.
static int MovedColumn(int column, int from, int to)
{
    if (column == from)
        return to;
    if (from < to && column > from && column <= to)
        return column - 1;
    if (to < from && column >= to && column < from)
        return column + 1;
    return column;
}

void CatalogManager::MoveColumn(int from, int to)
{
    // Column 0 holds the record numbers and stays where it is.
    if (from < 1 || to < 1 || from >= Grid.ColCount() || to >= Grid.ColCount() || from == to)
        return;
    Grid.MoveColumn(from, to);
    // Roles name columns by number, so they follow the columns they name.
    if (catalog)
        for (int& column : catalog->roles)
            if (column >= 1)
                column = MovedColumn(column, from, to);
    modified = true;
}

void CatalogManager::GridKeyDown(int key)
{
    cellContent = Grid.Cells(Grid.Col(), Grid.Row());
    if (key >= 33 && key <= 126)
        cellContent += static_cast<char>(key);
}

void CatalogManager::EditCellContent(const std::string& text)
{
    if (text == cellContent)
        return;
    cellContent = text;
    if (gridShown)
        modified = true;
}

void CatalogManager::EditLocation(const std::string& stored)
{
    if (stored == location)
        return;
    location = stored;
    modified = true;
}

void CatalogManager::SetCurrentCellFromInspector()
{
    if (Grid.Cells(Grid.Col(), Grid.Row()) != cellContent) {
        Grid.SetCells(Grid.Col(), Grid.Row(), cellContent);
        modified = true;
    }
}

void CatalogManager::FormKeyUp(int key)
{
    // The inspector shows a table's field then, which is not a cell of the hidden grid.
    if (!gridShown)
        return;
    const int row = Grid.Row();
    if (key == EnterKey) {
        SetCurrentCellFromInspector();
        if (row == Grid.RowCount() - 1)
            Grid.SetRowCount(Grid.RowCount() + 1);
        Grid.SetRow(row + 1);
    } else if (key == TabKey) {
        SetCurrentCellFromInspector();
        if (Grid.Col() == Grid.ColCount() - 1) {
            Grid.SetRowCount(Grid.RowCount() + 1);
            Grid.FocusCell(1, row + 1);
        } else {
            Grid.SetCol(Grid.Col() + 1);
        }
    }
}

void CatalogManager::InsertRow()
{
    GridUtilities().InsertRow(Grid, Grid.Row());
    modified = true;
}

void CatalogManager::DeleteRow()
{
    if (Grid.RowCount() <= 1)
        return;
    modified = true;
    // The last product row is emptied rather than removed, so that a product row stays current.
    if (Grid.RowCount() == 2) {
        for (int col = 0; col < Grid.ColCount(); ++col)
            Grid.SetCells(col, 1, "");
        return;
    }
    GridUtilities().DeleteRow(Grid, Grid.Row());
}

void CatalogManager::DeleteLastColumn()
{
    if (Grid.ColCount() < 2) {
        Ui().MessageBox("Can not delete anymore colums", "", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    Grid.SetColCount(Grid.ColCount() - 1);
    modified = true;
}

void CatalogManager::AddColumn()
{
    const std::string title = ModelTextInputBox("What is the name of the new column?", "", "");
    Grid.SetColCount(Grid.ColCount() + 1);
    Grid.SetCells(Grid.ColCount() - 1, 0, title);
    modified = true;
}

void CatalogManager::RenameColumn()
{
    Grid.SetCells(Grid.Col(), 0, ModelTextInputBox("Enter New Name", "", ""));
    modified = true;
}

void CatalogManager::FindFirst()
{
    findText = ModelTextInputBox("Find What?", "", "");
    if (!findText.empty())
        ReportSearch(search.Find(findText, Grid));
}

void CatalogManager::FindNext()
{
    if (!findText.empty())
        ReportSearch(search.FindFrom(findCol + 1, findRow));
}

void CatalogManager::ReportSearch(bool found)
{
    if (found) {
        findCol = search.CurrentCol();
        findRow = search.CurrentRow();
        return;
    }
    Ui().MessageBox("Could Not Find", Win1252ToUtf8(findText), MsgButtons::OK, MsgIcon::None);
    findText.clear();
}

void CatalogManager::ApplyFieldAssignment(const RoleEntries& entries)
{
    if (!catalog)
        return;
    for (const auto& [role, entry] : entries)
        if (role != RoleRecordNumber && role != RoleFacings && role != RoleReserved)
            catalog->roles[role] = RoleColumnForComboEntry(role, entry, dataLinkShown);
}

std::vector<std::string> CatalogManager::ColumnNames() const
{
    if (dataLinkShown)
        return TableFieldNames();
    std::vector<std::string> names;
    for (int col = 0; col < Grid.ColCount(); ++col)
        names.push_back(Grid.Cells(col, 0));
    return names;
}

void CatalogManager::AssignRolesFromDialog(bool firstPage)
{
    if (!catalogOptions)
        return;
    if (const std::optional<RoleEntries> entries = catalogOptions->Show(firstPage))
        ApplyFieldAssignment(*entries);
}

void CatalogManager::ImportText()
{
    FileDialogOptions options;
    options.title = "Import Tab Delimited Text";
    options.filter = "Tab Delimited Text | *.txt";
    options.defaultExt = "txt";
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(options);
    if (!choice)
        return;
    FILE* file = std::fopen(choice->fileName.c_str(), "rb");
    if (!file) {
        Ui().MessageBox("Could not open text file", "Error", MsgButtons::OK, MsgIcon::None);
        return;
    }
    const TabText text = GridUtilities::ReadTabText(file);
    std::fclose(file);
    NewCatalogForImport();
    if (text.titles.empty()) {
        Ui().MessageBox("No fields found on first line of text", "Import Error", MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    GridUtilities::FillTitles(Grid, "Record Nr.", text.titles);
    if (Ui().MessageBox("The data fields for your catalog are now visible on the catalog grid header. Next you will "
                        "need to tell Kestrame where it can find special information like product width height etc. "
                        "Do you wish to continue?",
                        "Importer", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
        NewCatalogForImport();
        return;
    }
    AssignRolesFromDialog(true);
    GridUtilities::FillRows(Grid, text.rows);
    AutoFitColumns();
    modified = true;
    AssignRolesFromDialog(false);
}

// A field as one export field: a TAB or line break inside would split the record.
static std::string ExportField(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

void CatalogManager::ExportText()
{
    FileDialogOptions options;
    options.filter = "Text (tab delimited)|*.txt";
    options.defaultExt = "txt";
    // The export writes over a file of that name as it stands, unasked.
    options.confirmOverwrite = false;
    const std::optional<FileDialogResult> choice = Ui().SaveDialog(options);
    if (!choice)
        return;
    // At least the fourteen fields other programs expect, and every column beyond them.
    const int fields = std::max(14, Grid.ColCount());
    try {
        TextFileWriter writer(choice->fileName);
        for (int row = 0; row < Grid.RowCount(); ++row) {
            std::string line = ExportField(Grid.Cells(0, row));
            for (int col = 1; col < fields; ++col)
                line += '\t' + ExportField(Grid.Cells(col, row));
            writer.WriteLine(line);
        }
        writer.Commit();
    } catch (const Exception&) {
        Ui().MessageBox("Could not open file", "Data Text Error", MsgButtons::OK, MsgIcon::None);
    }
}

void CatalogManager::ConvertUnits()
{
    const int width = catalog ? catalog->roles[RoleWidth] : -1;
    const int height = catalog ? catalog->roles[RoleHeight] : -1;
    if (width < 0 || height < 0) {
        Ui().MessageBox("The Width or Height column for this catalog is not defined", "Kestrame", MsgButtons::OK,
                        MsgIcon::Exclamation);
        return;
    }
    const char* question =
        cmChecked
            ? "This will convert your width and height values from centemeters to inches. Do you wish to continue?"
            : "This will convert your width and height values from inches to cenetemeters. Do you wish to continue?";
    if (Ui().MessageBox(question, "Kestrame", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    const double factor = cmChecked ? 0.394 : 1 / 0.394;
    // Depth is a size like width and height: left behind it would keep the old unit.
    const int columns[] = {width, height, catalog->roles[RoleDepth], catalog->roles[RolePegX],
                           catalog->roles[RolePegY]};
    for (int row = 1; row < Grid.RowCount(); ++row)
        for (int col : columns)
            if (col >= 0)
                Grid.SetCells(col, row, FloatToStr(Atof(Grid.Cells(col, row)) * factor));
    cmChecked = !cmChecked;
    modified = true;
}
