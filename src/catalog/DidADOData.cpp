#include "catalog/DidADOData.h"

#include "ado/Adocomps.h"
#include "catalog/CatalogHeader.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/services/AdoConnection.h"
#include "platform/services/AdoRecordset.h"
#include "platform/services/ConnectionString.h"
#include "platform/services/SqlNames.h"
#include "platform/ui/StringGrid.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view Magic = "DDLF";
constexpr int LinkVersion = 1;

// The roles every link stores, in the order of its lines.
constexpr CatalogFieldRole StoredRoles[] = {
    RoleRecordNumber, RolePartNumber, RoleDescription, RolePictureName, RoleWidth,
    RoleHeight,       RoleDepth,      RoleFacings,     RoleCostPrice,   RoleSalePrice,
    RolePegX,         RolePegY,       RoleSellAmount,  RoleInventory,   RoleMinInventory,
};

// Roles that older links lack: a missing key leaves the role absent, any written column stands,
// the first field included.
bool OptionalRole(CatalogFieldRole role)
{
    return role == RoleSellAmount || role == RoleInventory || role == RoleMinInventory || role == RoleCategory ||
           role == RoleBrand;
}

// The first `characters` characters of a longer text, or bytes of a longer byte value, which read as
// the start of the whole; none for any other value.
std::optional<Variant> LeadingPart(const Variant& value, size_t characters)
{
    if (value.VarType() == varOleStr) {
        const std::u16string_view text = value.TextValue();
        const size_t units = Utf16Prefix(text, characters);
        if (units < text.size())
            return Variant::Text(text.substr(0, units));
    } else if (value.VarType() == (varArray | varByte) && value.BytesValue().size() > characters) {
        const std::vector<std::uint8_t>& bytes = value.BytesValue();
        return Variant::Bytes(
            std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(characters)));
    }
    return std::nullopt;
}

int ReadRoleColumn(KeyVal& store, CatalogFieldRole role)
{
    const std::string key = HeaderKey(CatalogRoles[role].key);
    if (OptionalRole(role) && !store.HasKey(key))
        return -1;
    return Atoi(store.GetValue(key));
}

} // namespace

std::string SelectAllStatement(const TdADOConnection& connection, std::string_view table)
{
    return "SELECT * FROM " + SqlTableName(table, connection.ConnectionObject()->Backend().IdentifierQuote());
}

didADOData::didADOData(DataLinkHost* host_) : host(host_)
{
    type = "DDL";
    roles.fill(-1);
}

didADOData::~didADOData()
{
    if (!host)
        return;
    try {
        host->DataSet().Close();
    } catch (const Exception&) {
        // Closing a dataset that failed half-way leaves nothing to undo.
    }
}

bool didADOData::Open(const std::string& path, TStringGrid* grid)
{
    if (!store.Open(path, "rt"))
        return false;
    fileName = path;
    if (store.firstLine != Magic) {
        store.Close();
        return false;
    }
    ReadLink();
    store.Close();
    if (grid || !host || host->PlanogramWizardVisible())
        return true;
    return ConnectHost() && OpenTable();
}

void didADOData::ReadLink()
{
    ReadCatalogHeaderTexts(store, *this);
    fieldCount = std::clamp(Atoi(store.GetValue(HeaderKey("FieldCount"))), 0, MaxLinkFields);
    recordCount = std::max(Atoi(store.GetValue(HeaderKey("recordsize"))), 0);
    roles.fill(-1);
    for (CatalogFieldRole role : StoredRoles)
        roles[role] = ReadRoleColumn(store, role);
    roles[RoleCategory] = ReadRoleColumn(store, RoleCategory);
    roles[RoleBrand] = ReadRoleColumn(store, RoleBrand);
    connectionString = CutAtNonPrintable(store.GetValue(HeaderKey("ConnectionString")));
    tableName = CutAtNonPrintable(store.GetValue(HeaderKey("TableName")));
    // Until a dataset names them, every field has an empty name.
    columnNames.assign(static_cast<size_t>(fieldCount), std::string());
}

bool didADOData::ConnectHost()
{
    TdADOConnection& connection = host->DataConnection();
    try {
        host->DataSet().Close();
        connection.SetConnected(false);
        connection.SetConnectionString(connectionString);
        connection.SetConnected(true);
        return true;
    } catch (const Exception& error) {
        ShowMessage(ConnectionFailureText("Could not connect to your database.", error));
        return false;
    }
}

bool didADOData::OpenTable()
{
    TdADODataset& dataSet = host->DataSet();
    try {
        dataSet.SetCommandTimeout(host->DataConnection().CommandTimeout());
        dataSet.SetCommandText(SelectAllStatement(host->DataConnection(), tableName));
        dataSet.Open();
        dataSet.First();
        fieldCount = dataSet.FieldCount();
        recordCount = std::max(dataSet.RecordCount(), 0);
        TStringList names;
        dataSet.GetFieldNames(names);
        columnNames.assign(static_cast<size_t>(fieldCount), std::string());
        for (int i = 0; i < fieldCount && i < names.Count(); ++i)
            columnNames[static_cast<size_t>(i)] = names[i];
        return true;
    } catch (const Exception& error) {
        ShowMessage(ConnectionFailureText("Could not create a dataset. Check that the table called " +
                                              Win1252ToUtf8(tableName) + " still exists in your database.",
                                          error));
        return false;
    }
}

bool didADOData::SaveToFile(const std::string& path, TStringGrid*, const std::string& unitsText,
                            const std::string& photoCollectionText)
{
    if (!store.Open(path, "wt")) {
        Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    std::vector<std::string> lines = CatalogHeaderLines(
        Magic, LinkVersion, {unitsText, fieldCount, recordCount, photoCollectionText, photoCollectionMacPath});
    for (CatalogFieldRole role : StoredRoles)
        lines.push_back(RoleLine(role, roles[role]));
    // Written only when assigned, so that links without them keep their bytes.
    for (CatalogFieldRole role : {RoleCategory, RoleBrand})
        if (roles[role] != -1)
            lines.push_back(RoleLine(role, roles[role]));
    lines.push_back(HeaderKey("ConnectionString=") + Clean(connectionString));
    lines.push_back(HeaderKey("TableName=") + Clean(tableName));
    for (const std::string& line : lines)
        store.WriteLine(line);
    if (!store.Close()) {
        Ui().MessageBox("Could not save the file " + path + ".\n" + store.WriteError(), "Open Error", MsgButtons::OK,
                        MsgIcon::Stop);
        return false;
    }
    units = unitsText;
    photoCollection = photoCollectionText;
    modified = false;
    return true;
}

TdADODataset* didADOData::OpenDataSet() const
{
    if (!host)
        return nullptr;
    TdADODataset& dataSet = host->DataSet();
    return dataSet.Active() ? &dataSet : nullptr;
}

std::string FieldPath(const TField& field) { return Utf16ToUtf8(field.Value().AsWideString()); }

std::string ConnectionFailureText(std::string_view message, const Exception& error)
{
    if (dynamic_cast<const EDataLinkRefused*>(&error) || dynamic_cast<const EReadRefused*>(&error))
        return std::string(message) + "\n" + error.Message();
    return std::string(message);
}

// A role's column may lie beyond the fields when the dataset was opened for another table.
std::string DataSetFieldText(TdCustomADODataset& dataSet, int field)
{
    if (field >= dataSet.FieldCount())
        return {};
    const TField& column = *dataSet.Fields()[field];
    try {
        return column.AsString();
    } catch (const EConvertError&) {
        return dataSet.Recordset()->Fields().Item(column.FieldName()).Value().AsString();
    }
}

std::string RowFieldText(TdCustomADODataset& dataSet, const AdoRecordset& rows, int field, size_t characters)
{
    if (field >= dataSet.FieldCount())
        return {};
    const TField& column = *dataSet.Fields()[field];
    const int source = dataSet.SourceColumn(column);
    if (source < 0)
        return {};
    const Variant& value = rows.Fields().Item(source).Value();
    const std::optional<Variant> start = LeadingPart(value, characters);
    const Variant& read = start ? *start : value;
    try {
        return column.TextOfSource(read);
    } catch (const EConvertError&) {
        return read.AsString();
    }
}

bool didADOData::GoToRecord(int)
{
    TdADODataset* dataSet = OpenDataSet();
    if (!dataSet || roles[RolePartNumber] == -1)
        return false;
    const auto fieldText = [&](int column) { return DataSetFieldText(*dataSet, column); };
    AssignCurrentRecord(fieldText);
    // A picture path in any script is kept as a stored path, which the picture finder reads.
    if (const int pictureColumn = ColumnOf(RolePictureName);
        pictureColumn >= 0 && pictureColumn < dataSet->FieldCount())
        pictureName = StoredPath(FieldPath(*dataSet->Fields()[pictureColumn]));
    // A data source may hold facings as a decimal number ("3.0", "1E1"): read whole, then cut.
    if (const int facingsColumn = ColumnOf(RoleFacings); facingsColumn >= 0)
        facings = TruncateToInt(Atof(fieldText(facingsColumn)));
    recordNumber = 0;
    return true;
}

bool didADOData::Move(void (TDataSet::*step)())
{
    TdADODataset* dataSet = OpenDataSet();
    if (!dataSet)
        return false;
    (dataSet->*step)();
    return GoToRecord(0);
}

bool didADOData::First() { return Move(&TDataSet::First); }

bool didADOData::Last() { return Move(&TDataSet::Last); }

bool didADOData::Next() { return Move(&TDataSet::Next); }

bool didADOData::Prior() { return Move(&TDataSet::Prior); }

void didADOData::MoveToRecord(TdADODataset& dataSet, int record)
{
    if (record >= 1 && record <= dataSet.RecordCount())
        dataSet.SetRecNo(record);
}

bool didADOData::FindByKey(const std::string& key)
{
    TdADODataset* dataSet = OpenDataSet();
    const int keyColumn = ColumnOf(RolePartNumber);
    if (!dataSet || keyColumn < 0 || keyColumn >= dataSet->FieldCount())
        return false;
    const int before = dataSet->RecNo();
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
        if (DataSetFieldText(*dataSet, keyColumn) == key) {
            GoToRecord(0);
            host->UpdateCatalogBar();
            return true;
        }
    }
    MoveToRecord(*dataSet, before);
    return false;
}

std::string didADOData::GetFieldText(int field, int record)
{
    TdADODataset* dataSet = OpenDataSet();
    if (!dataSet || field < 0 || field >= dataSet->FieldCount() || record < 1 || record > dataSet->RecordCount())
        return {};
    const int before = dataSet->RecNo();
    MoveToRecord(*dataSet, record);
    std::string text = DataSetFieldText(*dataSet, field);
    MoveToRecord(*dataSet, before);
    return text;
}

void didADOData::PrepareGrid(TStringGrid& grid, TdADODataset& dataSet, int rowCount)
{
    grid.SetColCount(dataSet.FieldCount());
    grid.SetRowCount(rowCount);
    for (int col = 0; col < dataSet.FieldCount(); ++col)
        grid.SetCells(col, 0, dataSet.Fields()[col]->FieldName());
}

void didADOData::FillGridRow(TStringGrid& grid, int row, TdADODataset& dataSet)
{
    for (int col = 0; col < dataSet.FieldCount(); ++col)
        grid.SetCells(col, row, DataSetFieldText(dataSet, col));
}

void didADOData::LoadIntoGrid(TStringGrid& grid)
{
    TdADODataset* dataSet = OpenDataSet();
    if (!dataSet)
        return;
    const int count = dataSet->RecordCount();
    PrepareGrid(grid, *dataSet, count + 1);
    int row = 1;
    for (dataSet->First(); !dataSet->Eof() && row <= count; dataSet->Next())
        FillGridRow(grid, row++, *dataSet);
}

void didADOData::LoadRangeIntoGrid(TStringGrid& grid, int first, int count)
{
    TdADODataset* dataSet = OpenDataSet();
    if (!dataSet || first < 1 || first > dataSet->RecordCount() || count < 1)
        return;
    // The rows stop at the last record.
    const int filled = std::min(count, dataSet->RecordCount() - first + 1);
    PrepareGrid(grid, *dataSet, filled + 1);
    MoveToRecord(*dataSet, first);
    for (int i = 0; i < filled; ++i) {
        if (i > 0)
            dataSet->Next();
        FillGridRow(grid, i + 1, *dataSet);
    }
}
