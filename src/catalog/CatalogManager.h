#pragma once

#include "catalog/Didbase.h"
#include "catalog/GridSearch.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CatalogManager;
class TDataSource;
class TField;
class TdADOConnection;
class TdADODataset;
class TdADOTable;

// The product a caller opens the picture editor for, as the Catalog Manager reads it from its row.
struct EditorProduct {
    std::string partNumber;
    std::string description;
    std::string pictureCell;
    // The product's width and height in quarter centimetres; 0 when the catalog has no such column.
    int widthQuarterCm = 0;
    int heightQuarterCm = 0;
    // The catalog's values in its own units; 0 when missing.
    double width = 0;
    double height = 0;
    double depth = 0;
};

// The picture editor as the Catalog Manager drives it: made hidden, prepared, then shown modally.
// Destroying it frees a window that was never shown.
class CatalogPictureEditor {
public:
    virtual ~CatalogPictureEditor() = default;
    // False when the editor cannot take the picture; the caller then destroys it.
    virtual bool OpenPicture(const std::string& path) = 0;
    // Starts a scan whose picture the editor receives while it is shown; false when none could start,
    // and the caller then destroys it.
    virtual bool ScanPicture() = 0;
    // Where the editor writes a saved picture's name: the grid's `column` in the row of `partNumber`.
    virtual void SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber) = 0;
    virtual void SetProduct(const EditorProduct& product) = 0;
    virtual void SetCatalogCapture(bool capture) = 0;
    virtual void ShowModal() = 0;
};

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
    // A new, hidden picture editor; nullptr when the program has none.
    virtual std::unique_ptr<CatalogPictureEditor> NewPictureEditor() = 0;
};

// The collection export's progress, told before the first record, after each record with the name
// of its picture file, and when it ends (also when it fails).
class CollectionExportProgress {
public:
    virtual ~CollectionExportProgress() = default;
    virtual void Start(int records) = 0;
    virtual void Processed(const std::string& pictureName) = 0;
    virtual void Finish() = 0;
};

// The location a file chosen in the photo collection gives: its folder with the final delimiter, or
// the file itself when it is a multi-image collection (".zyb", any letter case).
std::string CollectionLocationOfFile(const std::string& path);
// A picture's size value in quarter centimetres, rounded to nearest: an inch counts 2.564102564102564
// centimetres here, as the pictures were always measured.
int EditorQuarterCentimetres(double value, bool inches);

// Makes an empty catalog object of the kind that stores files with `extension` (".ctf", ".vdx" or
// ".ddl"), or nullptr when that kind is not available.
using CatalogKindMaker = std::function<std::unique_ptr<didBase>(std::string_view extension)>;
std::unique_ptr<didBase> NewCatalogOfKind(std::string_view extension);

// The entry of a combo box that lists "None" (for optional roles) and then the column titles, for a
// role's column, and back. In a grid "None" and column 0 (the record number) both leave an optional
// role unassigned; the fields of a table count from 0 (`tableFields`), so only "None" does there.
bool RoleHasNoneEntry(CatalogFieldRole role);
int ComboEntryForRoleColumn(CatalogFieldRole role, int column);
int RoleColumnForComboEntry(CatalogFieldRole role, int entry, bool tableFields = false);

// Asks the user for a connection string, starting from `initial`; nothing when the user cancels.
using DataSourcePrompt = std::function<std::optional<std::string>(std::string_view initial)>;

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
    ~CatalogManager();
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
    // What the user types into the cell inspector, and the location field's path as it is stored.
    void EditCellContent(const std::string& text);
    void EditLocation(const std::string& stored);
    void InsertRow();
    void DeleteRow();
    void DeleteLastColumn();
    void AddColumn();
    void RenameColumn();

    // Roles, import and export. The column names are those the options dialog lists: the fields of
    // the table shown, else the grid's titles.
    std::vector<std::string> ColumnNames() const;
    void ApplyFieldAssignment(const RoleEntries& entries);
    void ImportText();
    void ExportText();

    // Pictures. The picture cells are those of the picture-name role's column.
    void SetPhotoCollectionLocation();
    // The location bar's Find: a file chosen in the collection gives the location.
    void FindLocation();
    void LinkPicture();
    void EditPicture();
    void ScanPicture();
    void CatalogCapture();
    void StripPicturePath();
    void ChangeDriveLetter();
    // The collection file the browser shows: the location when it is a ".zyb" file, found as the
    // drawing finds it, else empty.
    std::string BrowsedCollection() const;
    // Packs the pictures of every product, and their "H" pictures, into one collection file.
    void SavePicturesToZybFile(CollectionExportProgress& progress);
    bool LocationIsCollectionFile() const;

    // Data links: a table of a data source shown instead of the grid. The picture commands then work
    // on the table's records, posting each change at once.
    // Asks to save edits first; writes the link only when every step succeeded.
    void NewDirectDataLink();
    // Shows the table of the data link just opened; false after the message of the step that failed.
    bool OpenDataLinkView();
    // The cell clicked in the table's view: its record becomes current, its text the inspector's.
    void DBGrid1CellClick(int field, int record);
    bool DataLinkShown() const { return dataLinkShown; }
    // Insert Row, Add Column, the imports, the Grid menu and Export work on the grid only.
    bool GridCommandsEnabled() const { return !dataLinkShown; }

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
    // The file the last save wrote; closing keeps it for whoever closed the window.
    std::string savedFileName;
    bool modified = false;
    bool refreshSelectorOnSave = false;
    std::unique_ptr<didBase> catalog;

    TStringGrid Grid;
    std::string cellContent;   // the cell inspector
    std::string cellSelection; // the current cell's description beside the inspector
    std::string location;      // the picture collection location
    bool gridShown = true;
    bool locationBarShown = false;
    FileDialogOptions OpenPictureDialog1;
    int saveEntry = TextEntry;
    // Measures a text in pixels for AutoFitColumns, with the main window's font.
    std::function<int(const std::string&)> textWidth;
    CatalogOptionsDialog* catalogOptions = nullptr; // not owned
    DataSourcePrompt promptDataSource;

    // The data components of the table shown, destroyed in the reverse order.
    std::unique_ptr<TdADOConnection> dADOConnection1;
    std::unique_ptr<TdADOTable> dADOTable1;
    std::unique_ptr<TdADODataset> dADODataset1;
    std::unique_ptr<TDataSource> DataSource1;

private:
    static constexpr const char* SaveBeforeNewQuestion =
        "Would you like to save changes to your current catalog file before starting a new catalog?";

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
    // The role's column, or -1 when there is no catalog or the role is unassigned.
    int RoleColumn(CatalogFieldRole role) const;
    std::string RoleCell(CatalogFieldRole role, int row) const;
    EditorProduct ProductOfRow(int row) const;
    // The picture path of the current row as Edit Picture opens it; nothing when it must not open.
    std::optional<std::string> PictureToEdit();
    std::optional<std::string> ChoosePicture();
    void ShowEditor(CatalogPictureEditor& editor);
    // Asks to save before the export; false when it must not go on.
    bool SavedForExport();
    std::optional<std::string> ChooseCollectionFile(const didBase& reading);
    // Rewrites every non-empty picture cell of the grid, or the picture field of every record of the
    // table shown.
    void RewritePictureCells(const std::function<std::string(const std::string&)>& rewrite);
    void RewriteTablePictures(TField& picture, const std::function<std::string(const std::string&)>& rewrite);
    // The picture-name role's field of the table shown; nullptr when the role names none.
    TField* TablePictureField() const;
    // Writes a path, as the system names it, into the current record at once; a field that cannot
    // hold its characters keeps its value, and the refusal is raised.
    void PostTablePicture(TField& picture, const std::string& path);

    void CreateDataComponents();
    std::vector<std::string> TableFieldNames() const;
    // False when the data source cannot be reached, or the table opened.
    // Connects the window's components; on failure the text to show: `failure` and, for a refused
    // string, why.
    std::optional<std::string> ConnectDataSource(const std::string& connectionString, std::string_view failure);
    // Opens the table with the connection's command timeout; on failure the text to show: `failure`
    // and, for a read stopped at its bounds, why.
    std::optional<std::string> OpenTable(const std::string& name, std::string_view failure);
    void ShowTable();
    // Back to the grid, with the data components closed.
    void CloseDataLink();
    bool SaveNewLink(const std::string& path, const RoleEntries& roles, const std::string& connectionString,
                     const std::string& table);

    CatalogManagerHost& host;
    CatalogKindMaker makeCatalog;
    GridSearch search;
    bool cmChecked = true;
    bool dataLinkShown = false;
};
