#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Raised(const std::function<void()>& action) { return RaisedMessage<EOleException>(action); }

std::vector<std::string> Strings(const TStringList& list)
{
    std::vector<std::string> strings;
    for (int i = 0; i < list.Count(); ++i)
        strings.push_back(list[i]);
    return strings;
}

TEST(AdoEnumerations, TranslateToAndFromAdoConstants)
{
    // Members to constants and back; duplicates read back as the first member, unknown constants as 0.
    EXPECT_EQ(ToAdo(ad_CmdUnspecified), -1);
    EXPECT_EQ(ToAdo(ad_CmdTableDirect), adCmdTableDirect);
    EXPECT_EQ(FromAdo<TCommandType>(adCmdStoredProc), ad_CmdStoredProc);
    EXPECT_EQ(FromAdo<TCommandType>(3), ad_CmdUnspecified);
    EXPECT_EQ(ToAdo(ad_ModeShareExclusive), 12);
    EXPECT_EQ(FromAdo<TConnectMode>(16), ad_ModeShareDenyNone);
    EXPECT_EQ(ToAdo(ad_AsyncConnect), 16);
    EXPECT_EQ(FromAdo<TCursorLocation>(adUseClient), ad_UseClient);
    EXPECT_EQ(FromAdo<TCursorType>(adOpenStatic), ad_OpenStatic);
    EXPECT_EQ(FromAdo<TLockType>(99), ad_LockUnspecified);
    EXPECT_EQ(ToAdo(ad_XactBrowse), adXactReadUncommitted);
    EXPECT_EQ(FromAdo<TIsolationLevel>(adXactReadUncommitted), ad_XactReadUncommitted);
    EXPECT_EQ(FromAdo<TIsolationLevel>(adXactSerializable), ad_XactSerializable);
    EXPECT_EQ(FromAdo<TEventReason>(15), ad_RsnMoveLast);
    EXPECT_EQ(FromAdo<TFilterGroup>(5), ad_FilterConflictingRecords);
    EXPECT_EQ(ToAdo(ad_SeekBefore), 32);
    EXPECT_EQ(FromAdo<TParameterDirection>(adParamReturnValue), ad_ParamReturnValue);
    EXPECT_EQ(ToAdo(ad_SchemaProviderSpecific), -1);
    EXPECT_EQ(FromAdo<TSchemaInfo>(9), ad_SchemaReferentialContraints);
    EXPECT_EQ(ToAdo(ad_SchemaReferentialConstraints), 9);
    EXPECT_EQ(ToAdo(ad_SchemaIndexes), adSchemaIndexes);
    EXPECT_EQ(ToAdo(ad_SchemaProcedures), adSchemaProcedures);
    EXPECT_EQ(ToAdo(ad_SchemaTables), adSchemaTables);
    EXPECT_EQ(ToAdo(ad_SchemaPrimaryKeys), adSchemaPrimaryKeys);
    EXPECT_EQ(ToAdo(ad_SchemaTrustees), 39);

    // Sets go as sums and come back by bit overlap.
    EXPECT_EQ(ToAdo(TExecuteOptions{ad_AsyncFetch, ad_ExecuteNoRecords}), 160);
    EXPECT_EQ(ToAdo(TXactAttributes{ad_XactCommitRetaining, ad_XactAbortRetaining}), 393216);
    EXPECT_EQ(SetFromAdo<TExecuteOption>(48 + 1), (TExecuteOptions{ad_AsyncExecute, ad_AsyncFetch}));
    EXPECT_EQ(SetFromAdo<TParameterAttribute>(80), (TParameterAttributes{ad_ParamSigned, ad_ParamNullable}));
    EXPECT_EQ(SetFromAdo<TObjectState>(9), (TObjectStates{ad_StateOpen, ad_StateFetching}));
    EXPECT_EQ(SetFromAdo<TObjectState>(0), TObjectStates{ad_StateClosed});
    EXPECT_TRUE(SetFromAdo<TXactAttribute>(1).Empty());
}

// ---------------------------------------------------------------------------------------------
// A backend that counts what the component asks of it.

struct FakeLog {
    int connects = 0;
    int closes = 0;
    int rollbacks = 0;
    std::string lastString;
    bool readOnly = false;
    bool rollbackFails = false;
};

class FakeConnection final : public OdbcConnection {
public:
    explicit FakeConnection(FakeLog& log) : log_(log) {}
    ~FakeConnection() override { ++log_.closes; }

    OdbcResult Execute(std::string_view, const std::vector<Variant>&, const OdbcExecuteOptions&) override { return {}; }
    std::vector<OdbcParameter> DescribeParameters(std::string_view) override { return {}; }
    std::vector<OdbcParameter> ProcedureParameters(std::string_view) override { return {}; }
    OdbcResult Schema(OdbcSchema schema, const std::vector<Variant>&) override
    {
        if (schema == OdbcSchema::Procedures)
            return Rows({"PROCEDURE_NAME"}, {{"restock"}, {"reprice"}});
        return Rows({"TABLE_NAME", "TABLE_TYPE"},
                    {{"Products", "TABLE"}, {"MSysObjects", "SYSTEM TABLE"}, {"Cheap", "VIEW"}, {"Shelves", "TABLE"}});
    }
    int Begin() override { return ++level_; }
    void Commit() override { End(); }
    void Rollback() override
    {
        ++log_.rollbacks;
        if (log_.rollbackFails)
            throw EOleException("The server went away.");
        End();
    }
    int TransactionLevel() const override { return level_; }
    int Isolation() override { return adXactReadCommitted; }
    void SetIsolation(int) override {}
    std::string CurrentCatalog() override { return {}; }
    void SetCurrentCatalog(std::string_view) override {}
    std::string IdentifierQuote() override { return "\""; }

private:
    static OdbcResult Rows(const std::vector<std::string>& names, const std::vector<std::vector<std::string>>& values)
    {
        OdbcResult result;
        result.hasResultSet = true;
        for (const auto& name : names) {
            OdbcColumn column;
            column.name = name;
            column.type = adVarWChar;
            column.size = 128;
            result.columns.push_back(column);
        }
        for (const auto& row : values) {
            OdbcRow cells;
            for (const auto& value : row)
                cells.push_back(Variant::FromString(value));
            result.rows.push_back(std::move(cells));
        }
        return result;
    }

    void End()
    {
        if (level_ == 0)
            throw EOleException("No transaction is active.");
        --level_;
    }

    FakeLog& log_;
    int level_ = 0;
};

class FakeBackend final : public OdbcBackend {
public:
    std::unique_ptr<OdbcConnection> Connect(std::string_view odbcString, std::string_view, std::string_view,
                                            const OdbcConnectOptions& options) override
    {
        ++log.connects;
        log.lastString = odbcString;
        log.readOnly = options.readOnly;
        return std::make_unique<FakeConnection>(log);
    }
    std::vector<OdbcSourceEntry> DataSources() override { return {}; }
    std::vector<OdbcSourceEntry> Drivers() override { return {}; }

    FakeLog log;
};

class DatasetUser final : public TAdoConnectionUser {
public:
    void SetConnection(TdADOConnection* connection) override
    {
        if (connection_)
            connection_->RemoveDataset(*this);
        connection_ = connection;
        if (connection_)
            connection_->AddDataset(*this);
    }
    TdADOConnection* connection_ = nullptr;
};

class AdoConnectionComponent : public testing::Test {
protected:
    AdoConnectionComponent() { SetOdbcBackend(&backend); }
    ~AdoConnectionComponent() override { SetOdbcBackend(nullptr); }

    FakeBackend backend;
    const FakeLog& log = backend.log;
};

TEST_F(AdoConnectionComponent, OpensAndClosesOnceAndRefusesChangesWhileOpen)
{
    TdADOConnection connection;
    const std::string stored = "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"DSN=Shop\"";
    connection.SetConnectionString(stored);
    EXPECT_EQ(connection.CursorLocation(), ad_UseClient);
    EXPECT_EQ(connection.Provider(), "MSDASQL");
    connection.SetConnected(true);
    connection.Open();
    EXPECT_EQ(log.connects, 1);
    EXPECT_EQ(log.lastString, "DSN=Shop");
    EXPECT_EQ(connection.ConnectionString(), stored) << "the stored text, unchanged";
    EXPECT_EQ(connection.Provider(), "MSDASQL.1");

    connection.SetConnectionString(stored);
    connection.SetProvider("MSDASQL.1");
    EXPECT_EQ(Raised([&] { connection.SetConnectionString("DSN=Other"); }),
              "The connection cannot be changed while it is open.");
    EXPECT_EQ(Raised([&] { connection.SetMode(ad_ModeRead); }), "The connection cannot be changed while it is open.");

    // ad_XactBrowse shares its constant with ad_XactReadUncommitted and still reads back as set.
    connection.SetIsolationLevel(ad_XactBrowse);
    EXPECT_EQ(connection.IsolationLevel(), ad_XactBrowse);
    EXPECT_EQ(connection.ConnectionObject()->IsolationLevel(), adXactReadUncommitted);
    connection.ConnectionObject()->SetIsolationLevel(adXactReadCommitted);
    EXPECT_EQ(connection.IsolationLevel(), ad_XactCursorStability);

    EXPECT_EQ(connection.BeginTrans(), 1);
    EXPECT_EQ(connection.BeginTrans(), 2);
    connection.Close();
    connection.Close();
    connection.SetConnected(false);
    EXPECT_EQ(log.rollbacks, 2);
    EXPECT_EQ(log.closes, 1);
    EXPECT_FALSE(connection.GetInTransaction());
}

TEST_F(AdoConnectionComponent, ALoadedConnectionOpensOnceWithEverySettingApplied)
{
    TdADOConnection connection;
    connection.BeginLoading();
    connection.SetConnected(true);
    connection.SetConnectionString("DSN=Shop");
    connection.SetMode(ad_ModeRead);
    EXPECT_EQ(log.connects, 0);
    EXPECT_FALSE(connection.Connected());
    connection.Loaded();
    EXPECT_EQ(log.connects, 1);
    EXPECT_EQ(log.lastString, "DSN=Shop");
    EXPECT_TRUE(log.readOnly);
    EXPECT_TRUE(connection.Connected());
}

TEST_F(AdoConnectionComponent, ListsTablesByTypeAndProceduresAfterWhatTheListHolds)
{
    TdADOConnection connection;
    connection.SetConnectionString("DSN=Shop");
    TStringList tables;
    tables.Add("Earlier");
    connection.GetTableNames(tables);
    EXPECT_EQ(log.connects, 1) << "listing opens the connection";
    EXPECT_EQ(Strings(tables), (std::vector<std::string>{"Earlier", "Products", "Shelves"}));
    TStringList withSystem;
    connection.GetTableNames(withSystem, true);
    EXPECT_EQ(Strings(withSystem), (std::vector<std::string>{"Products", "MSysObjects", "Shelves"}));
    TStringList procedures;
    connection.GetProcedureNames(procedures);
    EXPECT_EQ(Strings(procedures), (std::vector<std::string>{"restock", "reprice"}));
}

// A rollback that fails while the component is freed cannot leave the destructor; the connection
// closes all the same, and the datasets on it are let go.
TEST_F(AdoConnectionComponent, FreeingSurvivesAFailingRollbackAndReleasesItsDatasets)
{
    DatasetUser first, second;
    {
        TdADOConnection connection;
        connection.SetConnectionString("DSN=Shop");
        first.SetConnection(&connection);
        second.SetConnection(&connection);
        EXPECT_EQ(connection.GetDatasetCount(), 2);
        connection.Open();
        connection.BeginTrans();
        backend.log.rollbackFails = true;
        EXPECT_EQ(Raised([&] { connection.Close(); }), "The server went away.");
        EXPECT_TRUE(connection.Connected()) << "a failed close leaves the connection open";
    }
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(first.connection_, nullptr);
    EXPECT_EQ(second.connection_, nullptr);
}

// ---------------------------------------------------------------------------------------------
// On the servers

class AdoConnectionOnServer : public testing::TestWithParam<Server> {
protected:
    TestDatabase database{GetParam()};
};

TEST_P(AdoConnectionOnServer, ReadModeRefusesWritesAndTransactionsCountRight)
{
    database.Client("CREATE TABLE shelf(id INTEGER); INSERT INTO shelf VALUES(1)");
    TdADOConnection reader;
    reader.SetConnectionString(database.ConnectionString());
    reader.SetMode(ad_ModeRead);
    int affected = 0;
    EXPECT_THROW(reader.Execute("INSERT INTO shelf VALUES(2)", affected), EOleException);
    EXPECT_EQ(reader.Execute("SELECT id FROM shelf", ad_CmdText)->RecordCount(), 1);

    TdADOConnection writer;
    writer.SetConnectionString(database.ConnectionString());
    EXPECT_EQ(Raised([&] { writer.CommitTrans(); }), "Operation is not allowed when the object is closed.");
    writer.Open();
    EXPECT_EQ(Raised([&] { writer.CommitTrans(); }), "No transaction is active.");
    EXPECT_FALSE(writer.GetInTransaction());
    const auto none = writer.Execute("UPDATE shelf SET id = id + 1", affected);
    EXPECT_EQ(none->State(), adStateClosed);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(writer.Execute("shelf", ad_CmdTable)->Fields().Item("id").Value().AsString(), "2");
    EXPECT_EQ(database.Client("SELECT id FROM shelf"), "2");
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoConnectionOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
