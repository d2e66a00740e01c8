// The binary catalog of 100,000 products: opening it, and finding part numbers in it, set against
// an indexed lookup of the same keys in SQLite that fetches the same row.
//
// SQLite serves as the yardstick only, here: it needs Debian's libsqlite3-dev
// (apt-get install libsqlite3-dev).
#include "catalog/Didctf2.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/UiServices.h"
#include "platform/ui/StringGrid.h"

#include "BenchSupport.h"

#include <sqlite3.h>

#include <cstdlib>

namespace {

constexpr int Products = 100000;
constexpr int Fields = 13;

std::vector<std::string> ProductRow(int n)
{
    const std::string number = IntToStr(n);
    return {number,
            "PN-" + number,
            "Product number " + number,
            "pic" + number + ".jpg",
            "10.5",
            "20",
            "12.3",
            "0.99",
            "1.49",
            "1",
            "2",
            "Category",
            "Brand"};
}

// The part numbers in a scattered order, so that lookups do not walk the file.
std::string KeyOf(int i) { return "PN-" + IntToStr(static_cast<int>((i * 7919LL) % Products) + 1); }

// The generated catalog and database, written once per run into the run's folder.
struct Files {
    Files()
    {
        TStringGrid grid(Fields, Products + 1);
        for (int c = 0; c < Fields; ++c)
            grid.SetCells(c, 0, "Title " + IntToStr(c));
        for (int r = 1; r <= Products; ++r) {
            const auto row = ProductRow(r);
            for (int c = 0; c < Fields; ++c)
                grid.SetCells(c, r, row[static_cast<size_t>(c)]);
        }
        didCTF2 writer;
        if (!writer.SaveToFile(catalog, &grid, "cm", ""))
            std::abort();
        WriteDatabase();
    }
    void WriteDatabase()
    {
        DeleteFile(database);
        sqlite3* db = nullptr;
        if (sqlite3_open(database.c_str(), &db) != SQLITE_OK)
            std::abort();
        std::string columns;
        for (int c = 0; c < Fields; ++c)
            columns += (c ? ", f" : "f") + IntToStr(c) + " TEXT";
        sqlite3_exec(db, ("CREATE TABLE products (" + columns + ")").c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO products VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
        for (int r = 1; r <= Products; ++r) {
            const auto row = ProductRow(r);
            for (int c = 0; c < Fields; ++c)
                sqlite3_bind_text(insert, c + 1, row[static_cast<size_t>(c)].c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert) != SQLITE_DONE)
                std::abort();
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "CREATE INDEX part ON products (f1)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    std::string catalog = BenchFolder() + "/100000.vdx";
    std::string database = BenchFolder() + "/100000.sqlite";
};

const Files& TheFiles()
{
    static Files files;
    return files;
}

void BM_OpenBinaryCatalog(benchmark::State& state)
{
    const std::string& path = TheFiles().catalog;
    for (auto _ : state) {
        didCTF2 catalog;
        if (!catalog.Open(path, nullptr))
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(catalog.partNumber.data());
    }
}

void BM_FindByKeyBinaryCatalog(benchmark::State& state)
{
    didCTF2 catalog;
    if (!catalog.Open(TheFiles().catalog, nullptr))
        state.SkipWithError("open failed");
    int i = 0;
    for (auto _ : state) {
        if (!catalog.FindByKey(KeyOf(i++)))
            state.SkipWithError("not found");
        benchmark::DoNotOptimize(catalog.description.data());
    }
}

void BM_FindByKeySqlite(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(TheFiles().database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM products WHERE f1 = ?", -1, &select, nullptr);
    std::vector<std::string> fields(Fields);
    int i = 0;
    for (auto _ : state) {
        const std::string key = KeyOf(i++);
        sqlite3_bind_text(select, 1, key.c_str(), static_cast<int>(key.size()), SQLITE_STATIC);
        if (sqlite3_step(select) != SQLITE_ROW)
            state.SkipWithError("not found");
        for (int c = 0; c < Fields; ++c)
            fields[static_cast<size_t>(c)] = reinterpret_cast<const char*>(sqlite3_column_text(select, c));
        sqlite3_reset(select);
        benchmark::DoNotOptimize(fields.data());
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
}

} // namespace

BENCHMARK(BM_OpenBinaryCatalog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindByKeyBinaryCatalog);
BENCHMARK(BM_FindByKeySqlite);

BENCHMARK_MAIN();
