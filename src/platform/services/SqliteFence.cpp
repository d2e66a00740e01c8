#include "platform/services/SqliteFence.h"

#include "platform/core/TextUtils.h"
#include "platform/services/ConnectionString.h"

#include <dlfcn.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// SQLite's numbers as its interface defines them: the program reaches the library the driver loaded
// (a process holds one copy of it) rather than linking one of its own.
constexpr int SqliteOk = 0;
constexpr int SqliteAnyEncoding = 5;
constexpr int LimitAttached = 7;
constexpr int LimitLikePatternLength = 8;
constexpr int ConfigFts3Tokenizer = 1004;
constexpr int ConfigLoadExtension = 1005;
constexpr int ConfigDefensive = 1010;
constexpr int ConfigTrustedSchema = 1017;
constexpr int FileMmapSize = 18;

using SqlFunction = void (*)(void* context, int count, void** values);
using RowCallback = int (*)(void* rows, int count, char** values, char** names);

struct SqliteCalls {
    int (*enableLoadExtension)(void* database, int on) = nullptr;
    int (*dbConfig)(void* database, int option, ...) = nullptr;
    int (*limit)(void* database, int limit, int value) = nullptr;
    int (*createFunction)(void* database, const char* name, int count, int flags, void* data, SqlFunction call,
                          SqlFunction step, void (*final)(void*), void (*destroy)(void*)) = nullptr;
    int (*exec)(void* database, const char* sql, RowCallback callback, void* rows, char** error) = nullptr;
    int (*fileControl)(void* database, const char* name, int operation, void* argument) = nullptr;
    void* (*userData)(void* context) = nullptr;
    void (*resultError)(void* context, const char* text, int length) = nullptr;
};

template <typename Call> bool Found(void* library, const char* name, Call& call)
{
    call = reinterpret_cast<Call>(dlsym(library, name));
    return call != nullptr;
}

// The calls of the SQLite library the driver uses; null when it lacks one.
const SqliteCalls* Calls()
{
    static const std::optional<SqliteCalls> calls = []() -> std::optional<SqliteCalls> {
        // Kept loaded for the program's life, as the refusals stay on its connections.
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_GLOBAL);
        SqliteCalls found;
        if (library == nullptr || !Found(library, "sqlite3_enable_load_extension", found.enableLoadExtension) ||
            !Found(library, "sqlite3_db_config", found.dbConfig) || !Found(library, "sqlite3_limit", found.limit) ||
            !Found(library, "sqlite3_create_function_v2", found.createFunction) ||
            !Found(library, "sqlite3_exec", found.exec) || !Found(library, "sqlite3_file_control", found.fileControl) ||
            !Found(library, "sqlite3_user_data", found.userData) ||
            !Found(library, "sqlite3_result_error", found.resultError))
            return std::nullopt;
        return found;
    }();
    return calls ? &*calls : nullptr;
}

// The functions of the driver's connection that reach outside the database, each in every arity it
// has. The others it offers compute on values, count the connection's own changes, tell the library's
// version and options, or serve full-text and R*Tree tables from the database's own tables (fts5()
// hands its interface only to a pointer bound from C). Full-text tables call their compress and
// uncompress functions by name, and views, triggers, generated columns, CHECK, DEFAULT and indexed
// expressions call functions by name: once these are gone, whatever they name is harmless. FTS3's
// tokenizers are found by name among those built in, as no other can be registered.
struct RefusedFunction {
    const char* name;
    const char* message;
};
constexpr RefusedFunction RefusedFunctions[] = {
    {"load_extension", "load_extension() is turned off: a data link's database may not load a library."},
    {"blob_import", "blob_import() is turned off: a data link's database may not read other files."},
    {"blob_export", "blob_export() is turned off: a data link's database may not write other files."},
    {"fts3_tokenizer", "fts3_tokenizer() is turned off: a data link's database may not reach the program's code."},
};

// SQLite's settings for a database file from an untrusted source: no extension loading through the
// library's call either; FTS3's tokenizers only those built in (the two-argument fts3_tokenizer()
// takes a tokenizer's address); no write of the schema's text or of anything that keeps the file
// sound; definitions call only functions marked harmless.
constexpr std::pair<int, int> Options[] = {
    {ConfigLoadExtension, 0}, {ConfigFts3Tokenizer, 0}, {ConfigDefensive, 1}, {ConfigTrustedSchema, 0}};

// Limits lowered to what a catalog needs: no other database, and LIKE and GLOB patterns as long as a
// table's name, which the driver matches with LIKE. The others stay SQLite's: tables of thousands of
// columns, a row of several values of up to 64 MB that an UPDATE writes whole, and the program's own
// statements, which name every column of a row in their conditions.
constexpr std::pair<int, int> Limits[] = {{LimitAttached, 0}, {LimitLikePatternLength, 255}};

[[noreturn]] void RefuseDatabase()
{
    throw EDataLinkRefused("This SQLite library cannot keep a database from loading libraries and reaching other "
                           "files, so the database is not opened.");
}

void Require(bool holds)
{
    if (!holds)
        RefuseDatabase();
}

// Stands in for a function that reaches outside the database: every call fails with the reason.
void Refuse(void* context, int /*count*/, void** /*values*/)
{
    const SqliteCalls& calls = *Calls();
    calls.resultError(context, static_cast<const char*>(calls.userData(context)), -1);
}

using Rows = std::vector<std::vector<std::string>>;

Rows Query(const SqliteCalls& calls, void* database, const std::string& sql)
{
    Rows rows;
    const RowCallback collect = [](void* into, int count, char** values, char** /*names*/) {
        auto& row = static_cast<Rows*>(into)->emplace_back();
        for (int column = 0; column < count; ++column)
            row.emplace_back(values[column] ? values[column] : "");
        return 0;
    };
    Require(calls.exec(database, sql.c_str(), collect, &rows, nullptr) == SqliteOk);
    return rows;
}

void ReplaceRefusedFunctions(const SqliteCalls& calls, void* database)
{
    // Its rows: name, built in, type, encoding, number of arguments, flags. A library that does not
    // know the pragma answers nothing.
    const Rows functions = Query(calls, database, "PRAGMA function_list");
    Require(!functions.empty());
    for (const auto& row : functions) {
        Require(row.size() == 6);
        for (const RefusedFunction& function : RefusedFunctions)
            if (SameText(row[0], function.name))
                Require(calls.createFunction(database, function.name, std::stoi(row[4]), SqliteAnyEncoding,
                                             const_cast<char*>(function.message), Refuse, nullptr, nullptr,
                                             nullptr) == SqliteOk);
    }
}

} // namespace

void FenceSqliteDatabase(void* database)
{
    const SqliteCalls* calls = Calls();
    if (database == nullptr || calls == nullptr)
        RefuseDatabase();
    Require(calls->enableLoadExtension(database, 0) == SqliteOk);
    for (const auto& [option, value] : Options) {
        int now = -1;
        Require(calls->dbConfig(database, option, value, &now) == SqliteOk && now == value);
    }
    for (const auto& [limit, value] : Limits) {
        calls->limit(database, limit, value);
        Require(calls->limit(database, limit, -1) == value);
    }
    ReplaceRefusedFunctions(*calls, database);
    Query(*calls, database, "PRAGMA cell_size_check=ON");
    Require(Query(*calls, database, "PRAGMA cell_size_check") == Rows{{"1"}});
    // No memory map, set on the file itself: the mmap_size pragma would read the schema first.
    std::int64_t mapSize = 0;
    Require(calls->fileControl(database, "main", FileMmapSize, &mapSize) == SqliteOk);
    mapSize = -1;
    Require(calls->fileControl(database, "main", FileMmapSize, &mapSize) == SqliteOk && mapSize == 0);
}
