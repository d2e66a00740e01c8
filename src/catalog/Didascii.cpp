#include "catalog/Didascii.h"

#include "catalog/CatalogHeader.h"
#include "catalog/GridUtilities.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {

constexpr std::string_view Magic = "DIDF1";
constexpr std::string_view ColumnNamePrefix = "catheader.ColumNames(";

std::string RowKey(int n) { return "r" + IntToStr(n); }

std::string ColumnNameKey(int column) { return std::string(ColumnNamePrefix) + IntToStr(column) + ")"; }

// "r<digits>=": a product line; header lines and stray text never load as products.
bool IsProductLine(std::string_view line)
{
    if (line.size() < 3 || line[0] != 'r')
        return false;
    size_t i = 1;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return i > 1 && i < line.size() && line[i] == '=';
}

std::string_view ValueOf(std::string_view line)
{
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

// Every TAB separates two fields, so empty fields keep their places.
std::vector<std::string_view> SplitAtTabs(std::string_view row)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = row.find('\t', start);
        fields.push_back(row.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::string TrimmedField(const std::vector<std::string_view>& fields, int index)
{
    return index >= 0 && static_cast<size_t>(index) < fields.size() ? Trim(fields[static_cast<size_t>(index)])
                                                                    : std::string();
}

std::string RowLine(const TStringGrid& grid, int row)
{
    std::string line = RowKey(row) + "=" + Clean(grid.Cells(0, row));
    for (int col = 1; col < grid.ColCount(); ++col) {
        const std::string& cell = grid.Cells(col, row);
        line += '\t';
        line += cell.empty() ? std::string(" ") : Clean(cell);
    }
    return line;
}

// How much the file can fill: its product lines, and the columns its titles and rows describe. The
// header's counts are bounded by these, so a damaged header cannot size huge arrays or grids.
struct FileExtent {
    int productLines = 0;
    int columns = 0;
};

FileExtent ExtentOf(const std::vector<std::string>& lines)
{
    FileExtent extent;
    int titleLines = 0;
    for (const std::string& line : lines) {
        if (IsProductLine(line)) {
            ++extent.productLines;
            const auto fields = std::count(line.begin(), line.end(), '\t') + 1;
            extent.columns = std::max(extent.columns, static_cast<int>(std::min<long>(fields, INT_MAX)));
        } else if (line.starts_with(ColumnNamePrefix)) {
            ++titleLines;
        }
    }
    extent.columns = std::max(extent.columns, titleLines);
    return extent;
}

void FillGridRow(TStringGrid& grid, int row, int number, std::string_view line)
{
    grid.SetCells(0, row, IntToStr(number));
    const auto fields = SplitAtTabs(ValueOf(line));
    const int last = std::min(grid.ColCount(), static_cast<int>(std::min<size_t>(fields.size(), INT_MAX)));
    for (int col = 1; col < last; ++col)
        grid.SetCells(col, row, Trim(fields[static_cast<size_t>(col)]));
}

} // namespace

didASCII::didASCII()
{
    type = "CTF";
    roles = DefaultRoleColumns();
    unitsMode = 1;
}

bool didASCII::Open(const std::string& path, TStringGrid* grid)
{
    if (!store.Open(path, "rt"))
        return false;
    fileName = path;
    if (store.firstLine != Magic) {
        store.Close();
        return false;
    }
    ReadHeader();
    if (!BuildKeyArray()) {
        Ui().MessageBox("Indexing allocation error", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
        store.Close();
        return false;
    }
    ReadColumnNames();
    if (grid) {
        LoadIntoGrid(*grid);
        store.Close();
    }
    return true;
}

void didASCII::ReadHeader()
{
    ReadCatalogHeaderTexts(store, *this);
    const FileExtent extent = ExtentOf(store.Lines());
    fieldCount = std::clamp(Atoi(store.GetValue(HeaderKey("FieldCount"))), 0, extent.columns);
    recordCount = std::clamp(Atoi(store.GetValue(HeaderKey("recordsize"))), 0, extent.productLines);
    for (size_t role = 0; role < CatalogRoles.size(); ++role) {
        if (CatalogRoles[role].key.empty())
            continue;
        const int column = Atoi(store.GetValue(HeaderKey(CatalogRoles[role].key)));
        roles[role] = column == 0 && CatalogRoles[role].zeroMeansAbsent ? -1 : column;
    }
}

// Visits every product once, in order, as moving through the catalog does; each visit is a hashed
// lookup, so opening grows linearly with the catalog.
bool didASCII::BuildKeyArray()
{
    keys.clear();
    firstRowOfKey.clear();
    try {
        keys.reserve(static_cast<size_t>(recordCount));
        firstRowOfKey.reserve(static_cast<size_t>(recordCount));
    } catch (const std::bad_alloc&) {
        return false;
    }
    StartProgress(recordCount, 1);
    First();
    for (int i = 0; i < recordCount; ++i) {
        StepProgress();
        keys.push_back(partNumber);
        firstRowOfKey.emplace(partNumber, i + 1);
        Next();
    }
    return true;
}

void didASCII::ReadColumnNames()
{
    columnNames.assign(static_cast<size_t>(fieldCount), std::string());
    for (int col = 0; col < fieldCount; ++col)
        columnNames[static_cast<size_t>(col)] = Trim(store.GetValue(ColumnNameKey(col)));
}

bool didASCII::GoToRecord(int n)
{
    const std::string row = store.GetValue(RowKey(n));
    const auto fields = SplitAtTabs(row);
    AssignCurrentRecord([&](int column) { return TrimmedField(fields, column); });
    currentRecord = n;
    return true;
}

std::string didASCII::GetFieldText(int field, int record)
{
    const std::string row = store.GetValue(RowKey(record));
    return TrimmedField(SplitAtTabs(row), field);
}

bool didASCII::First() { return GoToRecord(1); }

bool didASCII::Last() { return GoToRecord(recordCount); }

bool didASCII::Next() { return GoToRecord(currentRecord == INT_MAX ? INT_MAX : currentRecord + 1); }

bool didASCII::Prior() { return GoToRecord(currentRecord == INT_MIN ? INT_MIN : currentRecord - 1); }

bool didASCII::FindByKey(const std::string& key)
{
    const auto found = firstRowOfKey.find(key);
    if (found == firstRowOfKey.end())
        return false;
    return GoToRecord(found->second);
}

bool didASCII::SaveToFile(const std::string& path, TStringGrid* grid, const std::string& unitsText,
                          const std::string& photoCollectionText)
{
    if (!grid)
        return false;
    const bool wasReading = store.ReadOpen();
    const std::string readPath = store.path();
    if (!store.Open(path, "wt")) {
        Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    for (const std::string& line : HeaderLines(*grid, unitsText, photoCollectionText))
        store.WriteLine(line);
    for (int row = 1; row < grid->RowCount(); ++row)
        store.WriteLine(RowLine(*grid, row));
    if (!store.Close()) {
        Ui().MessageBox("Could not save the file " + path + ".\n" + store.WriteError(), "Open Error", MsgButtons::OK,
                        MsgIcon::Stop);
        // Closing dropped the file being read; the old file is intact, so reading goes on from it.
        if (wasReading)
            store.Open(readPath, "rt");
        return false;
    }
    units = unitsText;
    photoCollection = photoCollectionText;
    fieldCount = grid->ColCount();
    recordCount = grid->RowCount() - 1;
    const bool keepReading = modified;
    modified = false;
    if (keepReading)
        ReopenSaved(path);
    return true;
}

std::vector<std::string> didASCII::HeaderLines(const TStringGrid& grid, const std::string& unitsText,
                                               const std::string& photoCollectionText) const
{
    std::vector<std::string> lines = CatalogHeaderLines(
        Magic, 2, {unitsText, grid.ColCount(), grid.RowCount() - 1, photoCollectionText, photoCollectionMacPath});
    for (size_t role = 0; role < CatalogRoles.size(); ++role)
        if (!CatalogRoles[role].key.empty())
            lines.push_back(RoleLine(static_cast<CatalogFieldRole>(role), roles[role]));
    for (int col = 0; col < grid.ColCount(); ++col)
        lines.push_back(ColumnNameKey(col) + "=" + Clean(grid.Cells(col, 0)));
    return lines;
}

// Reading goes on from the file just written, at the record that was current.
void didASCII::ReopenSaved(const std::string& path)
{
    const int current = currentRecord;
    if (Open(path, nullptr))
        GoToRecord(current);
}

bool didASCII::ReadForGrid(bool& openedHere)
{
    openedHere = false;
    if (store.ReadOpen())
        return true;
    if (!FileExists(fileName)) {
        Ui().MessageBox("Could not open file", fileName, MsgButtons::OK, MsgIcon::None);
        return false;
    }
    openedHere = store.Open(fileName, "rt");
    return openedHere;
}

void didASCII::PrepareGrid(TStringGrid& grid, int rowCount)
{
    GridUtilities().ClearGrid(grid);
    // The title row and at least one row below it, so that the title row stays fixed.
    grid.SetRowCount(std::max(rowCount, 2));
    grid.SetColCount(fieldCount);
    for (int col = 0; col < grid.ColCount(); ++col)
        grid.SetCells(col, 0, Trim(store.GetValue(ColumnNameKey(col))));
}

std::vector<size_t> didASCII::ProductLines() const
{
    std::vector<size_t> productLines;
    const std::vector<std::string>& lines = store.Lines();
    for (size_t i = 0; i < lines.size() && productLines.size() < static_cast<size_t>(recordCount); ++i)
        if (IsProductLine(lines[i]))
            productLines.push_back(i);
    return productLines;
}

void didASCII::LoadIntoGrid(TStringGrid& grid)
{
    bool openedHere = false;
    if (!ReadForGrid(openedHere))
        return;
    PrepareGrid(grid, recordCount + 1);
    const std::vector<size_t> productLines = ProductLines();
    for (size_t i = 0; i < productLines.size(); ++i)
        FillGridRow(grid, static_cast<int>(i) + 1, static_cast<int>(i) + 1, store.Lines()[productLines[i]]);
    grid.SetFixedRows(1);
    if (openedHere)
        store.Close();
}

void didASCII::LoadRangeIntoGrid(TStringGrid& grid, int first, int count)
{
    if (first > recordCount)
        return;
    bool openedHere = false;
    if (!ReadForGrid(openedHere))
        return;
    PrepareGrid(grid, count < INT_MAX ? count + 1 : count);
    const std::vector<size_t> productLines = ProductLines();
    const std::string key = RowKey(first) + "=";
    const auto start = std::find_if(productLines.begin(), productLines.end(),
                                    [&](size_t line) { return store.Lines()[line].starts_with(key); });
    const auto available = productLines.end() - start;
    for (int i = 0; i < count && i < available; ++i)
        FillGridRow(grid, i + 1, first + i, store.Lines()[start[i]]);
    grid.SetFixedRows(1);
    if (openedHere)
        store.Close();
}
