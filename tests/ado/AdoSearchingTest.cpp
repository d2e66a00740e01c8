#include "ado/Adocomps.h"

#include "platform/core/Exceptions.h"
#include "platform/data/DatabaseError.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string OleFailure(const std::function<void()>& action) { return RaisedMessage<EOleException>(action); }

// The tables here have names of their own: the tests share one server.
class AdoSearchingOnServer : public testing::TestWithParam<Server> {
protected:
    AdoSearchingOnServer()
    {
        database.Client(
            "CREATE TABLE SearchGoods(id INTEGER PRIMARY KEY, name VARCHAR(40), price NUMERIC(8,2),"
            " added DATE, active BOOLEAN, \"shelf code\" VARCHAR(10));"
            "INSERT INTO SearchGoods VALUES (1, 'Abacus', 1.5, '2024-01-15', TRUE, 'A 1'),"
            " (2, 'abbey', -2.25, '2024-03-01', FALSE, 'A 2'), (3, 'O''Brien', 10, '2023-12-31', TRUE, NULL),"
            " (4, 'Zed', 0.5, NULL, FALSE, 'B 1'), (5, 'Cab', 3, '2024-01-15', TRUE, 'B 2');");
        connection.SetConnectionString(database.ConnectionString());
        connection.SetConnected(true);
        table.SetConnection(&connection);
        table.SetTableName("SearchGoods");
        table.SetIndexFieldNames("id");
    }

    // The ids of the records shown, from the first; the data set stays on the last.
    std::string Shown()
    {
        std::string ids;
        for (table.First(); !table.Eof(); table.Next())
            ids += Id();
        return ids;
    }
    std::string Id() { return table.FieldByName("id")->AsString(); }

    TestDatabase database{GetParam()};
    TdADOConnection connection;
    TdADOTable table;
};

Variant Text(std::string_view text) { return Variant::FromString(text); }

TEST_P(AdoSearchingOnServer, TextAndRecordFiltersChooseTheRecordsShown)
{
    // A filter set while closed applies at opening.
    table.SetFilter("price > 1");
    table.SetFiltered(true);
    table.Open();
    EXPECT_EQ(Shown(), "135");
    table.SetFilter("(Name like 'Ab*')");
    EXPECT_EQ(Id(), "1");
    EXPECT_EQ(Shown(), "12");
    EXPECT_EQ(OleFailure([&] { table.SetFilter("price >"); }), "Invalid filter or search criteria: price >");
    EXPECT_EQ(table.Filter(), "(Name like 'Ab*')");
    table.SetFiltered(false);
    EXPECT_EQ(Shown(), "12345");
    // Unfiltered, the text waits: a change of it shows nothing new.
    table.SetFilter("id = 4");
    EXPECT_EQ(Shown(), "12345");

    std::vector<std::string> judged;
    table.SetOnFilterRecord([&](TDataSet& dataSet, bool& accept) {
        judged.push_back(dataSet.FieldByName("name")->AsString());
        accept = dataSet.FieldByName("id")->AsInteger() % 2 == 1;
    });
    EXPECT_TRUE(judged.empty());
    table.SetFilter("");
    table.SetFiltered(true);
    EXPECT_EQ(Shown(), "135");
    table.Last();
    EXPECT_EQ(Id(), "5");
    table.Prior();
    EXPECT_EQ(Id(), "3");
    EXPECT_NE(std::find(judged.begin(), judged.end(), "Zed"), judged.end());
    table.SetFilter("active = True AND id > 1");
    EXPECT_EQ(Shown(), "35");
    table.SetOnFilterRecord(nullptr);
    EXPECT_EQ(Shown(), "35");
    table.SetFiltered(false);
    EXPECT_EQ(Shown(), "12345");

    // A filtered client cursor has no record numbers to scroll by; choosing an index drops the filter
    // before the data source is asked.
    table.Close();
    table.SetCursorLocation(ad_UseClient);
    table.Open();
    EXPECT_TRUE(table.IsSequenced());
    table.SetFilter("price > 1");
    table.SetFiltered(true);
    EXPECT_FALSE(table.IsSequenced());
    EXPECT_EQ(OleFailure([&] { table.SetIndexName("id"); }), "This data source does not support index seeks.");
    EXPECT_EQ(table.Filter(), "");
    EXPECT_EQ(Shown(), "12345");
}

TEST_P(AdoSearchingOnServer, LocateLookupFindAndSeek)
{
    table.Open();
    const struct {
        const char* keys;
        Variant values;
        TLocateOptions options;
        const char* id; // "" for none
    } locates[] = {
        {"name", Text("Cab"), {}, "5"},
        {"NAME", Text("ab"), {loPartialKey}, "1"},
        {"name", Text("O'Brien"), {}, "3"},
        {"active", Variant::Boolean(false), {}, "2"},
        {"added", Variant::Date(EncodeOleDate({2024, 3, 1})), {}, "2"},
        {"added", Variant::Null(), {}, "4"},
        {"shelf code", Text("B 1"), {}, "4"},
        {"active;price", Variant::Array({Variant::Boolean(true), Variant::Integer(10)}), {}, "3"},
        {"name;added", Variant::Array({Text("c"), Variant::Date(EncodeOleDate({2024, 1, 15}))}), {loPartialKey}, "5"},
        {"name", Text("'; DROP TABLE SearchGoods; --"), {}, ""},
        {"name", Text("x#) OR (name<>#'"), {}, ""},
        {"name", Text("O'B"), {loPartialKey}, "3"},
        {"price", Variant::Double(-2.25), {}, "2"},
    };
    for (const bool comma : {false, true}) {
        const std::unique_ptr<CommaLocale> locale = comma ? std::make_unique<CommaLocale>() : nullptr;
        for (const auto& locate : locates) {
            SCOPED_TRACE(std::string(locate.keys) + (comma ? " under a comma locale" : ""));
            table.RecNo() == 4 ? table.First() : table.Last();
            const std::string before = Id();
            EXPECT_EQ(table.Locate(locate.keys, locate.values, locate.options), *locate.id != 0);
            EXPECT_EQ(Id(), *locate.id ? locate.id : before);
        }
    }
    EXPECT_EQ(database.Client("SELECT COUNT(*) FROM SearchGoods"), "5");

    table.First();
    EXPECT_EQ(table.Lookup("id", Variant::Integer(3), "name").AsString(), "O'Brien");
    const Variant both = table.Lookup("name", Text("zed"), "id;shelf code");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.ArrayValue().at(0).AsInt64(), 4);
    EXPECT_EQ(both.ArrayValue().at(1).AsString(), "B 1");
    EXPECT_TRUE(table.Lookup("id", Variant::Integer(9), "name").IsNull());
    EXPECT_EQ(Id(), "1");
    table.Next();
    EXPECT_EQ(Id(), "2");

    // Unfiltered, the finds go through the records the filter text selects; without one, through all.
    auto finds = [&] {
        std::string ids;
        for (const auto& find : {&TDataSet::FindFirst, &TDataSet::FindNext, &TDataSet::FindNext, &TDataSet::FindNext,
                                 &TDataSet::FindPrior, &TDataSet::FindLast, &TDataSet::FindNext})
            ids += (table.*find)() ? Id() : "-";
        return ids + (table.Found() ? "+" : "-");
    };
    EXPECT_EQ(finds(), "123435--");
    table.SetFilter("active =");
    EXPECT_EQ(OleFailure([&] { table.FindFirst(); }), "Invalid filter or search criteria: active =");
    table.SetFilter("active = True");
    table.Locate("id", Variant::Integer(2), {});
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Id(), "3");
    EXPECT_EQ(finds(), "135-35--");
    table.SetFiltered(true);
    EXPECT_EQ(finds(), "135-35--");
    // A filtered data set locates only what it shows.
    EXPECT_FALSE(table.Locate("id", Variant::Integer(2), {}));
    EXPECT_TRUE(table.Locate("name", Text("cab"), {}));
    EXPECT_EQ(Id(), "5");

    EXPECT_EQ(OleFailure([&] { table.Seek(Variant::Integer(1)); }), "This data source does not support index seeks.");
}

// A detail table follows its master through the filter its master's values make, a parameter query
// by reading its rows again with the master's values.
TEST_P(AdoSearchingOnServer, DetailsFollowTheirMaster)
{
    database.Client("CREATE TABLE SearchShelves(id INTEGER PRIMARY KEY, name VARCHAR(20));"
                    "INSERT INTO SearchShelves VALUES (1, 'Top'), (2, 'Bottom'), (3, 'Empty');"
                    "CREATE TABLE SearchParts(id INTEGER PRIMARY KEY, shelf INTEGER, name VARCHAR(20));"
                    "INSERT INTO SearchParts VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c'), (4, NULL, 'd');");
    TdADOTable shelves;
    shelves.SetConnection(&connection);
    shelves.SetTableName("SearchShelves");
    shelves.SetIndexFieldNames("id");
    TDataSource master;
    master.SetDataSet(&shelves);
    TdADOTable parts;
    parts.SetConnection(&connection);
    parts.SetTableName("SearchParts");
    parts.SetIndexFieldNames("shelf;id");
    parts.SetMasterSource(&master);
    parts.SetMasterFields("id");
    shelves.Open();
    parts.Open();
    auto shown = [&](TDataSet& dataSet) {
        std::string ids;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            ids += dataSet.FieldByName("id")->AsString();
        return ids;
    };
    EXPECT_EQ(shown(parts), "12");
    shelves.First();
    shelves.Next();
    EXPECT_EQ(shown(parts), "3");
    shelves.Next();
    EXPECT_EQ(shown(parts), "");
    EXPECT_TRUE(parts.Locate("name", Text("c"), {}) == false && parts.IsEmpty());

    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { parts.SetFilter("id > 1"); }),
              "Filter property can not be used for detail tables");
    TDataSource detail;
    detail.SetDataSet(&parts);
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { shelves.SetMasterSource(&detail); }),
              "Circular datalinks are not allowed");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { parts.SetMasterSource(&detail); }),
              "Circular datalinks are not allowed");
    table.SetFilter("id > 1");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { table.SetMasterFields("id"); }),
              "Filter property can not be used for detail tables");

    // Without its master the detail shows every record.
    shelves.Close();
    EXPECT_EQ(shown(parts), "4123");
    shelves.Open();
    EXPECT_EQ(shown(parts), "12");

    TdADOQuery query;
    query.SetConnection(&connection);
    query.SetSQLText("SELECT id FROM SearchParts WHERE shelf = :id ORDER BY id");
    query.SetDataSource(&master);
    shelves.Next();
    query.Open();
    EXPECT_EQ(shown(query), "3");
    shelves.First();
    EXPECT_EQ(query.ParamByName("id").Value().AsInt64(), 1);
    EXPECT_EQ(shown(query), "12");
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoSearchingOnServer, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
