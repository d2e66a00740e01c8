#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Progress;
class TStringGrid;

// What a catalog column stands for. Each catalog maps every role to one of its columns, or to -1
// when it lacks the role.
enum CatalogFieldRole : int {
    RoleRecordNumber,
    RolePartNumber,
    RoleDescription,
    RolePictureName,
    RoleWidth,
    RoleHeight,
    RoleDepth,
    RoleFacings,
    RoleCostPrice,
    RoleSalePrice,
    RolePegX,
    RolePegY,
    RoleSellAmount,
    RoleReserved, // no key stores it and nothing assigns it
    RoleInventory,
    RoleMinInventory,
    RoleCategory,
    RoleBrand,
    CatalogRoleCount
};

struct CatalogRoleInfo {
    std::string_view key; // the name under which text and data-link catalogs store the column
    int defaultColumn;    // the column of a new catalog's thirteen default columns
    bool zeroMeansAbsent; // a stored column 0 is read as -1: these roles were added to older files
};

inline constexpr std::array<CatalogRoleInfo, CatalogRoleCount> CatalogRoles = {{
    {"numberColNr", 0, false},
    {"indexColNr", 1, false},
    {"desColNr", 2, false},
    {"picColNr", 3, false},
    {"wthColNr", 4, false},
    {"hgtColNr", 5, false},
    {"dpthColNr", 6, false},
    {"facingsColNr", -1, false},
    {"costpriceColNr", 7, false},
    {"salepriceColNr", 8, false},
    {"pegXColNr", 9, false},
    {"pegYColNr", 10, false},
    {"sellAmountColNr", -1, true},
    {"", -1, false},
    {"inventoryColNr", -1, true},
    {"minInventoryColNr", -1, true},
    {"categoryColNr", 11, true},
    {"brandColNr", 12, true},
}};

using CatalogRoleColumns = std::array<int, CatalogRoleCount>;

// The roles' default columns, as the file-based kinds start with them.
CatalogRoleColumns DefaultRoleColumns();

// A product catalog: a table with one record per product and a title record 0. It serves as a grid
// source (the whole catalog loaded into a grid, edited and saved back) or as a record source (moves
// through the records; each move copies the current record's fields, by role, into the members
// below).
class didBase {
public:
    virtual ~didBase();
    didBase(const didBase&) = delete;
    didBase& operator=(const didBase&) = delete;

    virtual bool GoToRecord(int n) = 0;
    // Grid rows 1..count receive records first..first + count - 1.
    virtual void LoadRangeIntoGrid(TStringGrid& grid, int first, int count) = 0;
    // The field's text, "" when the record or the field does not exist.
    virtual std::string GetFieldText(int field, int record) = 0;
    // With a grid, every record is loaded into it. A failure returns false after the kind's own
    // message, shown at most once; a file that cannot be opened or read raises nothing (only running
    // out of memory does). The caller then shows its own message and discards the catalog.
    virtual bool Open(const std::string& path, TStringGrid* grid) = 0;
    virtual bool SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                            const std::string& photoCollectionText) = 0;
    // Every record, the titles in row 0.
    virtual void LoadIntoGrid(TStringGrid& grid) = 0;
    virtual bool First() = 0;
    virtual bool Last() = 0;
    // Makes the record whose part number equals `key` (exactly, letter case included) current.
    virtual bool FindByKey(const std::string& key) = 0;
    virtual bool Next() = 0;
    virtual bool Prior() = 0;
    // The number of the current record, which GoToRecord takes back.
    virtual int CurrentRecord() const = 0;
    // How many product records there are, numbered from 1; the title record is not one of them.
    virtual int ProductRecordCount() const { return recordCount; }

    // Drive the attached progress bar, when there is one.
    void StartProgress(int count, int step);
    void StepProgress();

    std::string type;      // "VDX", "CTF" or "DDL"
    bool modified = false; // a save keeps a text or data-link catalog open for reading while set
    int recordCount = 0;
    std::string fileName;
    std::string units;                  // "cm" or "inch"
    std::string photoCollection;        // the folder or multi-image file that holds the pictures
    std::string photoCollectionMacPath; // kept and written back, never used
    std::vector<std::string> columnNames;
    Progress* progressBar = nullptr; // not owned
    std::string connectionString;
    std::string tableName;
    int displayScale = 0; // carried for whoever attached the catalog, never read here
    unsigned char unitsMode = 0;
    int fieldCount = 0;
    int viewStart = 1; // first record of the page the selector shows
    CatalogRoleColumns roles{};

    // The current record.
    int recordNumber = 0;
    std::string partNumber;
    std::string description;
    std::string pictureName;
    int widthQ = 0; // quarter centimetres
    int heightQ = 0;
    double depthQ = 0;
    double width = 0; // catalog units
    double height = 0;
    double depth = 0;
    double costPrice = 0;
    double salePrice = 0;
    int pegXQ = 0;
    int pegYQ = 0;
    double pegX = 0;
    double pegY = 0;
    int facings = 0;
    int sellAmount = 0;
    int reservedValue = 0;
    int inventory = 0;
    int minInventory = 0;
    std::string category;
    std::string brand;

    // The role's column, or -1 when the catalog lacks it (no column, or one outside the fields).
    int ColumnOf(CatalogFieldRole role) const;
    // Whether a role is assigned as the planogram reads it: a file catalog's column 0 holds the
    // record numbers and stands for "none" there, while a data link's first field is a field like
    // any other and only -1 stands for "none".
    bool RoleAssigned(CatalogFieldRole role) const;
    // A size in catalog units as quarter centimetres, with the fraction.
    double QuarterCentimetres(double value) const;

protected:
    didBase() = default;

    // Fills the current record from the record's field texts; `fieldText` is asked only for the
    // columns of present roles.
    void AssignCurrentRecord(const std::function<std::string(int column)>& fieldText);
};

// A quarter-centimetre value truncated toward zero, clamped to the int range.
int TruncateToInt(double value);

// Makes an empty catalog of the kind the file's extension names (letter case ignored), or nullptr
// when no kind of that extension is available.
std::unique_ptr<didBase> NewCatalogForFile(std::string_view path);

using CatalogMaker = std::function<std::unique_ptr<didBase>()>;
// Makes the kind for files with `extension` (such as ".vdx") available to NewCatalogForFile.
// An empty maker removes the kind. Returns the maker the extension had before (empty for none), so
// that it can be put back.
CatalogMaker RegisterCatalogKind(std::string_view extension, CatalogMaker maker);
