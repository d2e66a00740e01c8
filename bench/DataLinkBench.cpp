// The data-link catalog on a table of 50,000 products in SQLite: opening the link (connecting and
// reading the table into the dataset), finding the last part number, and loading the whole table
// into a grid. Finding is set against a walk over the same column through SQLite's own library,
// stepping a prepared "SELECT part" until the key, in the same run.
//
// The database is written with SQLite's own library (Debian's libsqlite3-dev); the driver is
// libsqliteodbc, named by its path so that no driver needs registering.
#include "ado/Adocomps.h"
#include "catalog/DidADOData.h"
#include "platform/core/Numbers.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr int Products = 50000;
const std::string LastKey = "PN-" + IntToStr(Products);

const std::string& Database()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/products.db";
        sqlite3* db = nullptr;
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
            std::abort();
        sqlite3_exec(db,
                     "CREATE TABLE Products(part VARCHAR(20), description VARCHAR(60), width REAL, height REAL, "
                     "category VARCHAR(30)); BEGIN",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Products VALUES(?,?,?,?,?)", -1, &insert, nullptr);
        for (int n = 1; n <= Products; ++n) {
            const std::string part = "PN-" + IntToStr(n);
            const std::string description = "Product number " + IntToStr(n);
            const std::string category = "Category " + IntToStr(n % 40);
            sqlite3_bind_text(insert, 1, part.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, description.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 3, 10 + n % 7);
            sqlite3_bind_double(insert, 4, 20 + n % 5);
            sqlite3_bind_text(insert, 5, category.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return file;
    }();
    return path;
}

const std::string& LinkFile()
{
    static const std::string path = [] {
        didADOData link;
        link.roles[RolePartNumber] = 0;
        link.roles[RoleDescription] = 1;
        link.roles[RoleWidth] = 2;
        link.roles[RoleHeight] = 3;
        link.roles[RoleCategory] = 4;
        link.connectionString =
            "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"Driver=" + SqliteOdbcDriver() +
            ";Database=" + Database() + "\"";
        link.tableName = "Products";
        const std::string file = BenchFolder() + "/products.ddl";
        if (!link.SaveToFile(file, nullptr, "cm", ""))
            std::abort();
        return file;
    }();
    return path;
}

class BenchHost : public DataLinkHost {
public:
    BenchHost()
    {
        connection.SetProvider("MSDASQL.1");
        connection.SetMode(ad_ModeRead);
        dataSet.SetConnection(&connection);
        dataSet.SetCursorLocation(ad_UseClient);
        dataSet.SetCursorType(ad_OpenDynamic);
    }
    TdADOConnection& DataConnection() override { return connection; }
    TdADODataset& DataSet() override { return dataSet; }
    bool PlanogramWizardVisible() override { return false; }
    void UpdateCatalogBar() override {}

    TdADOConnection connection;
    TdADODataset dataSet;
};

void BM_DataLinkOpen(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    const std::string& link = LinkFile();
    BenchHost host;
    for (auto _ : state) {
        didADOData catalog(&host);
        if (!catalog.Open(link, nullptr) || catalog.recordCount != Products)
            state.SkipWithError("the link did not open");
    }
}

void BM_DataLinkFindLastKey(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    BenchHost host;
    didADOData catalog(&host);
    if (!catalog.Open(LinkFile(), nullptr))
        state.SkipWithError("the link did not open");
    for (auto _ : state)
        if (!catalog.FindByKey(LastKey))
            state.SkipWithError("the last key was not found");
}

void BM_SqliteWalkForLastKey(benchmark::State& state)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT part FROM Products", -1, &select, nullptr);
    for (auto _ : state) {
        bool found = false;
        while (!found && sqlite3_step(select) == SQLITE_ROW)
            found = std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)), LastKey.c_str()) == 0;
        sqlite3_reset(select);
        if (!found)
            state.SkipWithError("the last key was not found");
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}

void BM_DataLinkLoadIntoGrid(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    BenchHost host;
    didADOData catalog(&host);
    if (!catalog.Open(LinkFile(), nullptr))
        state.SkipWithError("the link did not open");
    for (auto _ : state) {
        TStringGrid grid(1, 1);
        catalog.LoadIntoGrid(grid);
        if (grid.RowCount() != Products + 1)
            state.SkipWithError("rows missing");
    }
}

} // namespace

BENCHMARK(BM_DataLinkOpen)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_DataLinkFindLastKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteWalkForLastKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataLinkLoadIntoGrid)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_MAIN();
