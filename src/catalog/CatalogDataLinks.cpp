// The Catalog Manager's data links: a new link file made from a data source and one of its tables,
// and the table of a link shown, and written to by the picture commands, instead of the grid.
#include "catalog/CatalogManager.h"

#include "ado/Adocomps.h"
#include "catalog/DidADOData.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"
#include "platform/core/UiServices.h"
#include "platform/data/DataSource.h"
#include "platform/ui/Application.h"

namespace {

constexpr const char* LinkErrorCaption = "DDL Connection Error";
constexpr const char* NoDataSource = "Could not connect to your data source. ADO data source may not be valid";
// The data-link dialog is filled from the initial text only when it reads as a connection string;
// this one does not, so the dialog starts empty.
constexpr const char* DataSourcePlaceholder = "DDL";

void ShowLinkError(const std::string& text) { Ui().MessageBox(text, LinkErrorCaption, MsgButtons::OK, MsgIcon::Stop); }

} // namespace

void CatalogManager::CreateDataComponents()
{
    dADOConnection1 = std::make_unique<TdADOConnection>();
    dADOConnection1->SetName("dADOConnection1");
    dADOConnection1->SetProvider("MSDASQL.1");
    dADOConnection1->SetMode(ad_ModeReadWrite);
    dADOTable1 = std::make_unique<TdADOTable>();
    dADOTable1->SetName("dADOTable1");
    dADOTable1->SetConnection(dADOConnection1.get());
    dADOTable1->SetCursorLocation(ad_UseServer);
    dADOTable1->SetTableDirect(true);
    dADODataset1 = std::make_unique<TdADODataset>();
    dADODataset1->SetName("dADODataset1");
    dADODataset1->SetConnection(dADOConnection1.get());
    dADODataset1->SetCursorLocation(ad_UseServer);
    DataSource1 = std::make_unique<TDataSource>();
    DataSource1->SetName("DataSource1");
    DataSource1->SetDataSet(dADOTable1.get());
}

std::optional<std::string> CatalogManager::ConnectDataSource(const std::string& connectionString,
                                                             std::string_view failure)
{
    try {
        dADOTable1->Close();
        dADODataset1->Close();
        dADOConnection1->Close();
        dADOConnection1->SetConnectionString(connectionString);
        dADOConnection1->Open();
        return std::nullopt;
    } catch (const Exception& error) {
        return ConnectionFailureText(failure, error);
    }
}

std::optional<std::string> CatalogManager::OpenTable(const std::string& name, std::string_view failure)
{
    try {
        dADOTable1->SetCommandTimeout(dADOConnection1->CommandTimeout());
        dADOTable1->SetTableName(name);
        dADOTable1->Open();
        return std::nullopt;
    } catch (const Exception& error) {
        return ConnectionFailureText(failure, error);
    }
}

void CatalogManager::ShowTable()
{
    dataLinkShown = true;
    gridShown = false;
}

void CatalogManager::CloseDataLink()
{
    dADOTable1->Close();
    dADODataset1->Close();
    dADOConnection1->Close();
    dataLinkShown = false;
    gridShown = true;
}

std::vector<std::string> CatalogManager::TableFieldNames() const
{
    TStringList list;
    dADOTable1->GetFieldNames(list);
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list[i]);
    return names;
}

bool CatalogManager::OpenDataLinkView()
{
    if (const std::optional<std::string> failure = ConnectDataSource(catalog->connectionString, NoDataSource)) {
        ShowLinkError(*failure);
        return false;
    }
    if (const std::optional<std::string> failure = OpenTable(
            catalog->tableName, "Could not open your table make sure you have spelled the Table name correctly")) {
        ShowLinkError(*failure);
        return false;
    }
    ShowTable();
    dADODataset1->SetCommandTimeout(dADOConnection1->CommandTimeout());
    dADODataset1->SetCommandText(SelectAllStatement(*dADOConnection1, catalog->tableName));
    dADODataset1->Open();
    return true;
}

void CatalogManager::NewDirectDataLink()
{
    // The link replaces the catalog shown, whose edits would be lost without a word.
    if (!SavedOrDiscarded(SaveBeforeNewQuestion))
        return;
    FileDialogOptions options;
    options.title = "Save direct data link";
    options.filter = "Direct Data Link File|*.ddl";
    options.defaultExt = "ddl";
    const std::optional<FileDialogResult> target = Ui().SaveDialog(options);
    if (!target)
        return;
    const std::optional<std::string> connectionString = promptDataSource(DataSourcePlaceholder);
    if (!connectionString)
        return;
    if (const std::optional<std::string> failure =
            ConnectDataSource(*connectionString, std::string(NoDataSource) + ".")) {
        ShowLinkError(*failure);
        return;
    }
    const std::string table = ModelTextInputBox("Data Link Table Name", "Enter Data Link Table Name", "");
    if (table.empty())
        return;
    if (const std::optional<std::string> failure =
            OpenTable(table, "Could not open your table. Make sure you have spelled the table name correctly")) {
        ShowLinkError(*failure);
        return;
    }
    ShowTable();
    if (!catalogOptions)
        return;
    if (const std::optional<RoleEntries> roles = catalogOptions->Show(false))
        SaveNewLink(target->fileName, *roles, *connectionString, table);
}

bool CatalogManager::SaveNewLink(const std::string& path, const RoleEntries& roles, const std::string& connectionString,
                                 const std::string& table)
{
    std::unique_ptr<didBase> link = MakeCatalog(".ddl");
    if (!link)
        return false;
    catalog = std::move(link);
    ApplyFieldAssignment(roles);
    catalog->connectionString = connectionString;
    catalog->tableName = table;
    bool saved = false;
    try {
        saved = catalog->SaveToFile(path, nullptr, "cm", location);
    } catch (const Exception& error) {
        ShowException(error.what());
    }
    // The next Save writes the link shown: to its own file, or to one the user names, never over the
    // catalog it replaced.
    fileName = saved ? path : std::string();
    catalog->fileName = fileName;
    modified = !saved;
    return saved;
}

void CatalogManager::DBGrid1CellClick(int field, int record)
{
    TdADOTable& table = *dADOTable1;
    if (!table.Active() || field < 0 || field >= table.FieldCount())
        return;
    if (record >= 1 && record <= table.RecordCount())
        table.SetRecNo(record);
    cellContent = DataSetFieldText(table, field);
}

TField* CatalogManager::TablePictureField() const
{
    const int column = RoleColumn(RolePictureName);
    if (column < 0 || column >= dADOTable1->FieldCount())
        return nullptr;
    return dADOTable1->Fields()[column];
}

void CatalogManager::PostTablePicture(TField& picture, const std::string& path)
{
    TdADOTable& table = *dADOTable1;
    table.Edit();
    try {
        picture.SetValue(Variant::Text(Utf8ToUtf16(path)));
        // A field of Western text would keep another path, which every reader of the table would
        // then look for.
        if (FieldPath(picture) != path)
            throw Exception("The picture path " + path + " cannot be stored in the field " +
                            Win1252ToUtf8(picture.FieldName()) + ", which holds only Western European letters.");
        table.Post();
    } catch (const Exception&) {
        // The record is left as the data source holds it, not half edited.
        table.Cancel();
        throw;
    }
}

void CatalogManager::RewriteTablePictures(TField& picture,
                                          const std::function<std::string(const std::string&)>& rewrite)
{
    TdADOTable& table = *dADOTable1;
    const int current = table.RecNo();
    // The views of the table catch up once, after the walk.
    table.DisableControls();
    try {
        for (table.First(); !table.Eof(); table.Next()) {
            const std::string text = FieldPath(picture);
            const std::string rewritten = rewrite(text);
            if (rewritten != text)
                PostTablePicture(picture, rewritten);
        }
        if (current >= 1)
            table.SetRecNo(current);
    } catch (const Exception&) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
}
