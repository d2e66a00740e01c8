#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/core/StringList.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Params.h"

#include "testing/ScriptedUi.h"

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
    // What statements give, and the markers the driver describes for a text.
    OdbcResult rows;
    std::vector<OdbcParameter> markers;
    int describes = 0;
    std::string lastSql;
};

class FakeConnection final : public OdbcConnection {
public:
    explicit FakeConnection(FakeLog& log) : log_(log) {}
    ~FakeConnection() override { ++log_.closes; }

    OdbcResult Execute(std::string_view sql, const std::vector<Variant>&, const OdbcExecuteOptions&) override
    {
        log_.lastSql = sql;
        return log_.rows;
    }
    std::vector<OdbcParameter> DescribeParameters(std::string_view) override
    {
        ++log_.describes;
        return log_.markers;
    }
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
// Command parameters, the command and the dataset over the fake backend

std::string DatabaseFailure(const std::function<void()>& action) { return RaisedMessage<EDatabaseError>(action); }

std::vector<std::string> ParameterNames(const TParameters& parameters)
{
    std::vector<std::string> names;
    for (int i = 0; i < parameters.Count(); ++i)
        names.push_back(parameters.Items(i).Name());
    return names;
}

TEST(AdoParameters, ParseTurnsMarkersIntoQuestionMarksAndItems)
{
    const struct {
        const char* sql;
        const char* parsed;
        std::vector<std::string> names;
    } cases[] = {
        {"SELECT * FROM T WHERE A = :A AND B = :B", "SELECT * FROM T WHERE A = ? AND B = ?", {"A", "B"}},
        {"WHERE T = '10:30'", "WHERE T = '10:30'", {}},
        {"SELECT a::int", "SELECT a:int", {}},
        {"WHERE :x=1 OR y IN (:x)", "WHERE ? OR y IN (?)", {"x=1", "x"}},
        {"WHERE n = :\"first name\" AND m = :`a;b`", "WHERE n = ? AND m = ?", {"first name", "a;b"}},
        {"WHERE id = :id", "WHERE id = ?", {"id"}},
        {"WHERE label = 'it:s", "WHERE label = 'it:s", {}},
        {"ends with a colon:", "ends with a colon:", {}},
        {"WHERE n = :'open", "WHERE n = ?", {"open"}},
        {"::", ":", {}},
        {"a : b", "a ? b", {""}},
    };
    TdADOCommand command;
    for (const auto& c : cases) {
        EXPECT_EQ(command.Parameters().Parse(c.sql), c.parsed) << c.sql;
        EXPECT_EQ(ParameterNames(command.Parameters()), c.names) << c.sql;
    }
}

TEST(AdoParameters, ValuesTypeTheParameterAndAssignBothWays)
{
    TdADOCommand command;
    TParameter& parameter = command.Parameters().AddParameter();
    parameter.SetValue(Variant::Null());
    EXPECT_EQ(parameter.DataType(), ftUnknown) << "null leaves the type";
    parameter.SetValue(Variant::FromString("bolt"));
    EXPECT_EQ(parameter.DataType(), ftString);
    parameter.SetValue(Variant::Integer(5));
    EXPECT_EQ(parameter.DataType(), ftString) << "a typed parameter keeps its type";
    EXPECT_EQ(parameter.ParameterObject()->type, adVarChar);

    TParam source("qty", ftInteger, ptUnknown);
    source.SetValue(Variant::Integer(12));
    parameter.Assign(source);
    EXPECT_EQ(parameter.Name(), "qty");
    EXPECT_EQ(parameter.Direction(), ad_ParamInput) << "an unknown direction is input";
    EXPECT_EQ(parameter.DataType(), ftInteger);
    TParam target("", ftUnknown, ptUnknown);
    parameter.AssignTo(target);
    EXPECT_EQ(target.Name(), "qty");
    EXPECT_EQ(target.ParamType(), ptInput);
    EXPECT_EQ(target.Value().AsInt64(), 12);

    TParameter& copy = command.Parameters().AddParameter();
    copy.Assign(parameter);
    EXPECT_TRUE(copy.IsEqual(parameter));
    copy.SetValue(Variant::Double(12));
    EXPECT_FALSE(copy.IsEqual(parameter)) << "12 as a double is another variant type";
    EXPECT_TRUE(command.Parameters().Changed());
}

TEST_F(AdoConnectionComponent, CommandsCheckTheirConnectionAndText)
{
    TdADOCommand command;
    command.SetName("dADOCommand1");
    EXPECT_EQ(DatabaseFailure([&] { command.Execute(); }), "Missing connection property");
    TdADOConnection connection, other;
    connection.SetConnectionString("DSN=Shop");
    other.SetConnectionString("DSN=Other");
    command.SetConnection(&connection);
    EXPECT_EQ(connection.GetCommandCount(), 1);
    EXPECT_EQ(DatabaseFailure([&] { command.Execute(); }), "dADOCommand1: Missing CommandText property");
    EXPECT_TRUE(command.GetActiveConnection());

    command.SetConnection(&connection);
    EXPECT_EQ(command.GetActiveConnection(), connection.ConnectionObject()) << "the same connection keeps it";
    command.SetConnection(&other);
    EXPECT_FALSE(command.GetActiveConnection()) << "another clears it";
    EXPECT_EQ(connection.GetCommandCount(), 0);
    EXPECT_TRUE(command.CheckConnection(false));
    EXPECT_EQ(command.GetActiveConnection(), other.ConnectionObject());
    EXPECT_TRUE(other.Connected());

    // Markers are typed by what the driver describes, except while loading, which keeps them.
    backend.log.markers = {{.name = "Param1", .type = adInteger}};
    command.SetCommandText("UPDATE bins SET n = n + 1 WHERE id = :id");
    EXPECT_EQ(ParameterNames(command.Parameters()), std::vector<std::string>{"id"});
    EXPECT_EQ(command.Parameters().Items(0).DataType(), ftInteger);
    EXPECT_EQ(command.CommandObject().CommandText(), "UPDATE bins SET n = n + 1 WHERE id = ? ");
    EXPECT_EQ(log.describes, 1);
    command.BeginLoading();
    command.SetCommandText("UPDATE bins SET n = 0");
    command.Loaded();
    EXPECT_EQ(ParameterNames(command.Parameters()), std::vector<std::string>{"id"});
    EXPECT_EQ(log.describes, 1);
    EXPECT_EQ(DatabaseFailure([&] { command.Parameters().ParamByName("n"); }), "dADOCommand1: Parameter 'n' not found");

    // Unchecked text goes as written, blanks and all.
    command.SetParamCheck(false);
    command.SetCommandText("SELECT * FROM My Products");
    EXPECT_EQ(command.CommandObject().CommandText(), "SELECT * FROM My Products");
    EXPECT_EQ(command.Parameters().Count(), 0);
    int affected = 7;
    EXPECT_EQ(command.Execute(affected)->State(), adStateClosed);
    EXPECT_EQ(log.lastSql, "SELECT * FROM My Products");
}

OdbcColumn Column(const char* name, int type, std::int64_t size = 0, int precision = 0, int scale = 0)
{
    return {.name = name,
            .type = type,
            .size = size,
            .precision = precision,
            .scale = scale,
            .attributes = adFldUpdatable | adFldIsNullable,
            .baseColumn = {},
            .baseTable = {},
            .baseSchema = {}};
}

// The fields a recordset's columns give, and what each reads: values that overrun their field are cut
// to it, integers take the width of their field's type.
TEST_F(AdoConnectionComponent, DatasetFieldsFollowTheColumnsAndReadEachValueOnce)
{
    TDecimal amount;
    ASSERT_TRUE(TDecimal::Parse("12.345678", amount));
    TDecimal rounded;
    ASSERT_TRUE(TDecimal::Parse("7.6", rounded));
    OdbcResult& rows = backend.log.rows;
    rows.hasResultSet = true;
    rows.columns = {Column("id", adInteger),        Column("shape", 132),
                    Column("guid", adGUID, 16),     Column("amount", adNumeric, 0, 12, 6),
                    Column("stock", adUnsignedInt), Column("bytes", adVarBinary, 4),
                    Column("fixed", adBinary, 3),   Column("label", adVarChar, 5),
                    Column("flag", adBoolean),      Column("count", adBigInt),
                    Column("small", adSmallInt)};
    rows.rows = {
        {Variant::Integer(1), Variant::FromString("udt"), Variant::FromString("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"),
         Variant::Decimal(amount), Variant::Integer(3000000000, varLongWord), Variant::Bytes({1, 2, 3, 4, 5, 6}),
         Variant::Bytes({9, 8, 7, 6, 5}), Variant::FromString("abcdefgh"), Variant::Boolean(true),
         Variant::Decimal(rounded), Variant::Integer(-300, varInt64)},
        {Variant::Integer(2), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(),
         Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null()},
    };
    TdADOConnection connection;
    connection.SetConnectionString("DSN=Shop");
    TdADODataset dataset;
    dataset.SetConnection(&connection);
    dataset.SetCommandText("SELECT * FROM stock");
    dataset.Open();

    const struct {
        const char* name;
        TFieldType type;
        int size;
        const char* text;
    } expected[] = {
        {"id", ftInteger, 0, "1"},
        {"guid", ftString, 38, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
        {"amount", ftBCD, 4, "12.3457"},
        {"stock", ftLargeint, 0, "3000000000"},
        {"bytes", ftVarBytes, 4, "\x01\x02\x03\x04"},
        {"fixed", ftBytes, 3, "\x09\x08\x07"},
        {"label", ftString, 5, "abcde"},
        {"flag", ftBoolean, 0, "True"},
        {"count", ftLargeint, 0, "8"},
        {"small", ftSmallint, 0, "-300"},
    };
    ASSERT_EQ(dataset.FieldCount(), static_cast<int>(std::size(expected))) << "the unknown type is left out";
    for (int i = 0; i < dataset.FieldCount(); ++i) {
        const TField& field = *dataset.Fields()[i];
        EXPECT_EQ(field.FieldName(), expected[i].name);
        EXPECT_EQ(field.FieldNo(), i + 1) << field.FieldName();
        EXPECT_EQ(field.DataType(), expected[i].type) << field.FieldName();
        EXPECT_EQ(field.Size(), expected[i].size) << field.FieldName();
        EXPECT_EQ(field.AsString(), expected[i].text) << field.FieldName();
    }
    EXPECT_EQ(dataset.FieldDefs().Find("amount").Precision(), 12);
    std::int16_t flag = 0;
    ASSERT_TRUE(dataset.FieldByName("flag")->GetData(&flag));
    EXPECT_EQ(flag, 1) << "true is stored as 1";

    // Once read, a value comes from the record: moving the recordset away does not bring it back.
    dataset.Recordset()->MoveLast();
    EXPECT_EQ(dataset.FieldByName("label")->AsString(), "abcde");
    EXPECT_EQ(dataset.Recordset()->AbsolutePosition(), 2);

    dataset.First();
    dataset.Next();
    EXPECT_TRUE(dataset.FieldByName("label")->IsNull());
    EXPECT_TRUE(dataset.FieldByName("bytes")->IsNull());
    dataset.Refresh();
    EXPECT_EQ(dataset.FieldByName("id")->AsInteger(), 2) << "a refresh stays on the record";
}

TEST_F(AdoConnectionComponent, AFailingStoredDatasetShowsItsErrorWhenLoaded)
{
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    TdADODataset dataset;
    dataset.BeginLoading();
    dataset.SetActive(true);
    dataset.Loaded();
    EXPECT_FALSE(dataset.Active());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Missing connection property."});
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
