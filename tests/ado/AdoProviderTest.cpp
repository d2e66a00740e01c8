#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/data/DatabaseError.h"
#include "platform/data/Params.h"
#include "platform/services/SqlNames.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(SqlSelectTableName, TheTableOfASelectOnOneTable)
{
    const struct {
        const char* sql;
        const char* table;
    } cases[] = {
        {"select * from Products where x = 1", "Products"},
        {"SELECT a, (SELECT MAX(b) FROM Other) FROM \"My Goods\" g WHERE a = 'from x'", "My Goods"},
        {"Select * From dbo.Goods As g Order By 1", "dbo.Goods"},
        {"SELECT * FROM [Shelf List]", "Shelf List"},
        {"SELECT * FROM a, b", ""},
        {"SELECT * FROM a x JOIN b y ON x.i = y.i", ""},
        {"SELECT * FROM a LEFT OUTER JOIN b ON a.i = b.i", ""},
        {"SELECT * FROM (SELECT 1) s", ""},
        {"UPDATE Products SET x = 1", ""},
        {"SELECT 1", ""},
        {"", ""},
    };
    for (const auto& test : cases)
        EXPECT_EQ(SqlSelectTableName(test.sql), test.table) << test.sql;
}

class AdoProviderOnServer : public testing::TestWithParam<Server> {
protected:
    AdoProviderOnServer()
    {
        database.Client(
            "CREATE TABLE ProvGoods(id INTEGER NOT NULL, code VARCHAR(10), name VARCHAR(20), shelf INTEGER);"
            "CREATE UNIQUE INDEX ProvGoodsCode ON ProvGoods(code);"
            "CREATE INDEX ProvGoodsName ON ProvGoods(name);"
            "INSERT INTO ProvGoods VALUES (1, 'A', 'Tea', 1), (2, 'B', 'Coffee', 2), (3, 'C', 'Cocoa', 1);"
            "CREATE TABLE ProvShelves(id INTEGER PRIMARY KEY, name VARCHAR(20));"
            "INSERT INTO ProvShelves VALUES (1, 'Top'), (2, 'Bottom');");
        connection.SetConnectionString(database.ConnectionString());
        connection.SetConnected(true);
        table.SetConnection(&connection);
        table.SetTableName("ProvGoods");
    }

    TestDatabase database{GetParam()};
    TdADOConnection connection;
    TdADOTable table;
};

TEST_P(AdoProviderOnServer, NamesKeysAndOrderComeFromTheSourceAndItsIndexes)
{
    TdADODataset text;
    text.SetConnection(&connection);
    text.SetCommandText("select * from Products where x = 1");
    EXPECT_EQ(text.PSGetTableName(), "Products");
    EXPECT_EQ(table.PSGetTableName(), "ProvGoods");
    EXPECT_TRUE(table.PSIsSQLBased() && table.PSIsSQLSupported());
    EXPECT_EQ(table.PSGetQuoteChar(), "");

    table.Open();
    EXPECT_EQ(table.PSGetKeyFields(), "code");
    EXPECT_EQ(table.PSGetIndexDefs(0).size(), 2U);
    const std::vector<TIndexDef> unique = table.PSGetIndexDefs(ixUnique | ixPrimary);
    ASSERT_EQ(unique.size(), 1U);
    EXPECT_EQ(unique.front().Fields(), "code");
    auto order = table.PSGetDefaultOrder();
    ASSERT_NE(order, nullptr);
    EXPECT_TRUE(SameText(order->Name(), "ProvGoodsCode")) << order->Name();
    table.Close();
    table.SetIndexFieldNames("name");
    table.Open();
    order = table.PSGetDefaultOrder();
    ASSERT_NE(order, nullptr);
    EXPECT_TRUE(SameText(order->Name(), "ProvGoodsName")) << order->Name();
    table.Close();

    // The unique index names a field these fields lack.
    table.SetIndexFieldNames("");
    auto* id = table.AddField(std::make_unique<TIntegerField>());
    id->SetFieldName("id");
    table.Open();
    EXPECT_EQ(table.PSGetKeyFields(), "");
    table.Close();

    TdADOQuery join;
    join.SetConnection(&connection);
    join.SetSQLText(
        "SELECT g.name AS goods, s.name AS shelf_name FROM ProvGoods g JOIN ProvShelves s ON s.id = g.shelf");
    EXPECT_EQ(join.PSGetTableName(), "");
    join.Open();
    if (GetParam() == Server::PostgreSQL) {
        EXPECT_EQ(join.GetBaseColumnName("goods"), "name");
        EXPECT_EQ(join.GetBaseTableName("goods"), "provgoods");
        EXPECT_EQ(join.GetBaseColumnName("shelf_name"), "name");
        EXPECT_EQ(join.GetBaseTableName("shelf_name"), "provshelves");
    }
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { join.GetBaseTableName("price"); }), "Field 'price' not found");
}

TEST_P(AdoProviderOnServer, StatementsParametersAndTransactions)
{
    TParams params;
    params.CreateParam(ftString, "name", ptInput).SetValue(Variant::FromString("Green tea"));
    params.CreateParam(ftInteger, "id", ptInput).SetValue(Variant::Integer(1));
    EXPECT_EQ(table.PSExecuteStatement("UPDATE ProvGoods SET name = ? WHERE id = ?", params), 1);
    EXPECT_EQ(database.Client("SELECT name FROM ProvGoods WHERE id = 1"), "Green tea");

    TParams one;
    one.CreateParam(ftInteger, "shelf", ptInput).SetValue(Variant::Integer(1));
    std::unique_ptr<TDataSet> rows;
    table.PSExecuteStatement("SELECT name FROM ProvGoods WHERE shelf = ? ORDER BY id", one, &rows);
    ASSERT_NE(rows, nullptr);
    ASSERT_TRUE(rows->Active());
    EXPECT_EQ(rows->FieldByName("name")->AsString(), "Green tea");
    rows->Next();
    EXPECT_EQ(rows->FieldByName("name")->AsString(), "Cocoa");

    // A table goes to the records the parameters match; a query takes them as its own.
    TParams code;
    code.CreateParam(ftString, "code", ptInput).SetValue(Variant::FromString("B"));
    table.PSSetParams(code);
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldByName("name")->AsString(), "Coffee");

    TdADOQuery query;
    query.SetConnection(&connection);
    query.SetSQLText("SELECT name FROM ProvGoods WHERE shelf = :shelf");
    query.ParamByName("shelf").SetValue(Variant::Integer(2));
    EXPECT_EQ(query.PSGetParams().Count(), 1);
    EXPECT_EQ(query.PSGetParams().ParamByName("shelf").Value().AsInt64(), 2);
    query.Open();
    query.PSSetParams(one);
    EXPECT_FALSE(query.Active());
    query.Open();
    EXPECT_EQ(query.RecordCount(), 2);

    // Failures reach the provider as update errors, an OLE one with its native code.
    std::exception_ptr failure;
    try {
        table.PSExecuteStatement("UPDATE ProvMissing SET x = 1", TParams());
    } catch (const EOleException&) {
        failure = std::current_exception();
    }
    ASSERT_TRUE(failure);
    const EUpdateError first = table.PSGetUpdateException(failure, nullptr);
    try {
        std::rethrow_exception(failure);
    } catch (const EOleException& error) {
        EXPECT_EQ(first.Message(), error.Message());
        EXPECT_EQ(first.ErrorCode(), error.NativeCode());
    }
    EXPECT_EQ(first.PreviousError(), 0);
    const EUpdateError second = table.PSGetUpdateException(std::make_exception_ptr(EDatabaseError("gone")), &first);
    EXPECT_EQ(second.Message(), "gone");
    EXPECT_EQ(second.ErrorCode(), 0);
    EXPECT_EQ(second.PreviousError(), first.ErrorCode());
    EXPECT_TRUE(second.OriginalException() != nullptr);

    EXPECT_FALSE(table.PSInTransaction());
    connection.BeginTrans();
    EXPECT_TRUE(table.PSInTransaction());
    connection.CommitTrans();
    EXPECT_FALSE(table.PSInTransaction());
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoProviderOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
