// Fetching a whole table of 100,000 products (13 columns) from SQLite through the ODBC backend,
// opening and walking it through the ADO stand-in's recordset and through the ADO dataset (every
// field's text, as a catalog reads it), set against a bare ODBC loop over
// columns bound with SQLBindCol, which copies each value into a fixed buffer and keeps nothing. The
// backend's and the recordset's runs also report the memory their rows take.
//
// The database is written with SQLite's own library (Debian's libsqlite3-dev); the driver is
// libsqliteodbc, named by its path so that no driver needs registering.
#include "ado/Adocomps.h"
#include "platform/core/Numbers.h"
#include "platform/services/AdoConnection.h"
#include "platform/services/OdbcBackend.h"

#include "BenchSupport.h"

#include <malloc.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int Products = 100000;

// The products, written once per run into the run's folder.
const std::string& Database()
{
    static const std::string path = [] {
        const std::string file = BenchFolder() + "/products.db";
        sqlite3* db = nullptr;
        if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
            std::abort();
        sqlite3_exec(db,
                     "CREATE TABLE Products(id INTEGER, part VARCHAR(20), description VARCHAR(60), picture "
                     "VARCHAR(40), width REAL, height INTEGER, depth REAL, cost REAL, price REAL, facings INTEGER, "
                     "minimum INTEGER, category VARCHAR(30), brand VARCHAR(30)); BEGIN",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Products VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
        for (int n = 1; n <= Products; ++n) {
            const std::string number = IntToStr(n);
            const std::array<std::string, 4> texts = {"PN-" + number, "Product number " + number,
                                                      "pic" + number + ".jpg", "Category " + IntToStr(n % 40)};
            sqlite3_bind_int64(insert, 1, n);
            sqlite3_bind_text(insert, 2, texts[0].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, texts[1].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 4, texts[2].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 5, 10.5 + n % 7);
            sqlite3_bind_int64(insert, 6, 20 + n % 5);
            sqlite3_bind_double(insert, 7, 12.25);
            sqlite3_bind_double(insert, 8, 0.99 + n % 3);
            sqlite3_bind_double(insert, 9, 1.49 + n % 3);
            sqlite3_bind_int64(insert, 10, 1 + n % 4);
            sqlite3_bind_int64(insert, 11, 2);
            sqlite3_bind_text(insert, 12, texts[3].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 13, "Brand", -1, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE)
                std::abort();
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return file;
    }();
    return path;
}

std::string OdbcString() { return "Driver=" + SqliteOdbcDriver() + ";Database=" + Database() + ";NoCreat=1;BigInt=1"; }

void BM_OdbcExecute(benchmark::State& state)
{
    const auto connection = Odbc().Connect(OdbcString(), "", "");
    double bytesPerRow = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        const OdbcResult result = connection->Execute("SELECT * FROM Products");
        bytesPerRow = static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(result.rows.size());
        if (result.rows.size() != Products)
            state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(result.rows.data());
    }
    state.counters["bytes_per_row"] = bytesPerRow;
}

// Every value of every record is read, as a dataset that shows the table reads them.
void BM_AdoRecordsetWalk(benchmark::State& state)
{
    const auto connection = AdoConnection::Create();
    connection->SetConnectionString(OdbcString());
    connection->Open();
    double bytesPerRow = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        const auto rows = connection->Execute("SELECT * FROM Products");
        bytesPerRow = static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(rows->RecordCount());
        const AdoFields& fields = rows->Fields();
        std::int64_t walked = 0;
        for (; !rows->Eof(); rows->MoveNext(), ++walked)
            for (int field = 0; field < fields.Count(); ++field)
                benchmark::DoNotOptimize(&fields.Item(field).Value());
        if (walked != Products)
            state.SkipWithError("rows missing");
    }
    state.counters["bytes_per_row"] = bytesPerRow;
}

void BM_AdoDatasetWalk(benchmark::State& state)
{
    TdADOConnection connection;
    connection.SetConnectionString(OdbcString());
    TdADODataset dataset;
    dataset.SetConnection(&connection);
    dataset.SetCommandText("SELECT * FROM Products");
    for (auto _ : state) {
        dataset.Open();
        std::int64_t walked = 0;
        for (dataset.First(); !dataset.Eof(); dataset.Next(), ++walked)
            for (int field = 0; field < dataset.FieldCount(); ++field)
                benchmark::DoNotOptimize(dataset.Fields()[field]->AsString());
        if (walked != Products)
            state.SkipWithError("rows missing");
        dataset.Close();
    }
}

void BM_OdbcBindCol(benchmark::State& state)
{
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string odbc = OdbcString();
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(odbc.data()), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT)))
        std::abort();
    constexpr std::array<bool, 13> IsText = {false, true,  true,  true,  false, false, false,
                                             false, false, false, false, true,  true};
    constexpr std::array<bool, 13> IsReal = {false, false, false, false, true,  false, true,
                                             true,  true,  false, false, false, false};
    std::array<std::array<char, 256>, 13> texts{};
    std::array<SQLBIGINT, 13> integers{};
    std::array<SQLDOUBLE, 13> reals{};
    std::array<SQLLEN, 13> indicators{};
    for (auto _ : state) {
        SQLHSTMT statement = nullptr;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
        SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT * FROM Products")), SQL_NTS);
        for (SQLUSMALLINT c = 0; c < 13; ++c) {
            if (IsText[c])
                SQLBindCol(statement, c + 1, SQL_C_CHAR, texts[c].data(), 256, &indicators[c]);
            else if (IsReal[c])
                SQLBindCol(statement, c + 1, SQL_C_DOUBLE, &reals[c], 0, &indicators[c]);
            else
                SQLBindCol(statement, c + 1, SQL_C_SBIGINT, &integers[c], 0, &indicators[c]);
        }
        int rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(statement)))
            ++rows;
        if (rows != Products)
            state.SkipWithError("rows missing");
        benchmark::DoNotOptimize(texts.data());
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
    }
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

} // namespace

BENCHMARK(BM_OdbcExecute)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_AdoRecordsetWalk)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_AdoDatasetWalk)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OdbcBindCol)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
