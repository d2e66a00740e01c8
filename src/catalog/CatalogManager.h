#pragma once

#include "catalog/Didbase.h"
#include "catalog/GridSearch.h"
#include "platform/ui/StringGrid.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the Catalog Manager needs from the windows above the catalog library: the main window's
// scale and units mode for new catalog objects, and the product selector it refreshes.
class CatalogManagerHost {
public:
    virtual ~CatalogManagerHost() = default;
    virtual int DisplayScale() const = 0;
    virtual unsigned char UnitsMode() const = 0;
    // The selector's product grid, or nullptr when there is no selector.
    virtual TStringGrid* SelectorGrid() = 0;
    virtual bool SelectorVisible() const = 0;
    virtual void HideSelector() = 0;
    virtual void ShowSelector() = 0;
};

// Makes an empty catalog object of the kind that stores files with `extension` (".ctf", ".vdx" or
// ".ddl"), or nullptr when that kind is not available.
using CatalogKindMaker = std::function<std::unique_ptr<didBase>(std::string_view extension)>;
std::unique_ptr<didBase> NewCatalogOfKind(std::string_view extension);

// The entry of a combo box that lists "None" (for optional roles) and then the column titles, for a
// role's column, and back: "None" and column 0 (the record number) both leave an optional role
// unassigned.
bool RoleHasNoneEntry(CatalogFieldRole role);
int ComboEntryForRoleColumn(CatalogFieldRole role, int column);
int RoleColumnForComboEntry(CatalogFieldRole role, int entry);

// Each role's chosen entry in the options dialog's combo boxes.
using RoleEntries = std::vector<std::pair<CatalogFieldRole, int>>;

// The catalog options dialog, which asks which column holds which role.
class CatalogOptionsDialog {
public:
    virtual ~CatalogOptionsDialog() = default;
    // The entries the user chose, or nothing when the dialog was cancelled.
    virtual std::optional<RoleEntries> Show(bool firstPage) = 0;
};

// The catalog editor without its window: one catalog object and the grid that holds the catalog
// being edited, with the commands of the window's menus. Messages, input boxes and file dialogs
// go through UiServices.
class CatalogManager {
public:
    static constexpr char DefaultTitles[13][18] = {
        "Record Nr.", "Product Part Nr.", "Description", "Picture Name", "Width",    "Height", "Depth",
        "Cost Price", "Retail Price",     "PegX",        "PegY",         "Category", "Brand"};
    static constexpr int TextEntry = 2; // the save dialog's entries count from 1: binary, text, link
    // The key codes FormKeyUp acts on.
    static constexpr int EnterKey = 13;
    static constexpr int TabKey = 9;

    explicit CatalogManager(CatalogManagerHost& host, CatalogKindMaker makeCatalog = NewCatalogOfKind);
    CatalogManager(const CatalogManager&) = delete;
    CatalogManager& operator=(const CatalogManager&) = delete;

    // Opening and creating.
    // Leaves the catalog, the grid and the file name as they were when the file does not open.
    bool OpenCatalog(const std::string& path);
    void OpenClick();
    void NewCatalog();
    // Answers whether the new catalog was started: not when the user cancelled, or the save asked
    // for did not write.
    bool NewCatalog1Click();
    void NewCatalogForImport();
    void ResetGrid();
    void NumberRows();
    void AutoFitColumns();

    // Saving and closing. SaveCatalog answers whether the catalog was written.
    bool SaveCatalog();
    bool SaveAs();
    bool FormCloseQuery();
    void FormClose();

    // Editing.
    void GridSelectCell(int col, int row);
    void GridSetEditText(int col, int row, const std::string& text);
    void GridKeyDown(int key);
    // Columns from 1 on; the catalog's roles follow the moved columns.
    void MoveColumn(int from, int to);
    void FormKeyUp(int key);
    // What the user types into the cell inspector and the location field.
    void EditCellContent(const std::string& text);
    void EditLocation(const std::string& text);
    void InsertRow();
    void DeleteRow();
    void DeleteLastColumn();
    void AddColumn();
    void RenameColumn();

    // Roles, import and export.
    void ApplyFieldAssignment(const RoleEntries& entries);
    void ImportText();
    void ExportText();

    // Search and units.
    void FindFirst();
    void FindNext();
    bool Centimetres() const { return cmChecked; }
    void SetCentimetres(bool centimetres) { cmChecked = centimetres; }
    void ConvertUnits();

    int findCol = 0;
    int findRow = 0;
    std::string findText;
    std::string fileName;
    bool modified = false;
    bool refreshSelectorOnSave = false;
    std::unique_ptr<didBase> catalog;

    TStringGrid Grid;
    std::string cellContent;   // the cell inspector
    std::string cellSelection; // the current cell's description beside the inspector
    std::string location;      // the picture collection location
    bool gridShown = true;
    int saveEntry = TextEntry;
    // Measures a text in pixels for AutoFitColumns, with the main window's font.
    std::function<int(const std::string&)> textWidth;
    CatalogOptionsDialog* catalogOptions = nullptr; // not owned

private:
    std::unique_ptr<didBase> MakeCatalog(std::string_view extension) const;
    // The object filled from the file into `grid`, or nullptr after the kind's own message.
    std::unique_ptr<didBase> TryOpen(std::string_view extension, const std::string& path, TStringGrid& grid);
    bool SaveAllowed(const std::string& path, int entry) const;
    bool WriteCatalog(const std::string& path);
    // Asks to save first when there are unsaved changes; false when the caller must not go on.
    bool SavedOrDiscarded(const std::string& question);
    void SetCurrentCellFromInspector();
    void ReportSearch(bool found);
    void AssignRolesFromDialog(bool firstPage);

    CatalogManagerHost& host;
    CatalogKindMaker makeCatalog;
    GridSearch search;
    bool cmChecked = true;
};
