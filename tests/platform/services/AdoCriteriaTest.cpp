#include "platform/core/Exceptions.h"
#include "platform/services/AdoConnection.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

namespace {

class AdoCriteriaTest : public testing::TestWithParam<Server> {
protected:
    // Five goods whose columns cover every kind of value the criteria compare.
    std::shared_ptr<AdoRecordset> Goods()
    {
        database.Client("DROP TABLE IF EXISTS criteria_goods;"
                        "CREATE TABLE criteria_goods(id INTEGER PRIMARY KEY, name VARCHAR(40), price NUMERIC(8,2),"
                        " added DATE, active BOOLEAN, note VARCHAR(40));"
                        "INSERT INTO criteria_goods VALUES (1, 'Abacus', 1.5, '2024-01-15', TRUE, NULL),"
                        " (2, 'abbey', -2.25, '2024-03-01', FALSE, 'x'), (3, 'O''Brien', 10, '2023-12-31', TRUE, 'y'),"
                        " (4, 'Zed', 0.5, NULL, FALSE, NULL), (5, 'Cab', 3, '2024-01-15', TRUE, 'z');");
        connection = AdoConnection::Create();
        connection->SetConnectionString(database.ConnectionString());
        connection->Open();
        auto rows = std::make_shared<AdoRecordset>();
        rows->Open("criteria_goods", connection, adOpenStatic, adLockOptimistic, adCmdTable);
        rows->SetSort("id");
        return rows;
    }

    static std::string Ids(AdoRecordset& rows)
    {
        std::string ids;
        for (; !rows.Eof(); rows.MoveNext())
            ids += rows.Fields().Item("id").Value().AsString();
        return ids;
    }

    static std::string Raised(const std::function<void()>& action) { return RaisedMessage<EOleException>(action); }

    TestDatabase database{GetParam()};
    std::shared_ptr<AdoConnection> connection;
};

Variant Text(std::string_view text) { return Variant::FromString(text); }

// Each criteria text filters the goods and is found record by record, forwards and backwards, alike.
TEST_P(AdoCriteriaTest, CriteriaSelectTheSameRecordsAsFilterAndAsSearch)
{
    const auto rows = Goods();
    const struct {
        const char* criteria;
        const char* ids;
    } cases[] = {
        {"(Name like 'Ab*')", "12"},
        {"name LIKE '%b%'", "1235"},
        {"name LIKE 'c%b'", "5"},
        {"name LIKE '*a*b*s'", "1"},
        {"name LIKE 'a*b*y'", "2"},
        {"name LIKE '*b***'", "1235"},
        {"name LIKE '*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*x'", ""},
        {"name = #O'Brien#", "3"},
        {"name = 'O''Brien'", "3"},
        {"NAME = 'ZED'", "4"},
        {"[name] >= 'c'", "345"},
        {"added = #2024-01-15#", "15"},
        {"added > #2023-12-31 00:00:00#", "125"},
        {"note = NULL", "14"},
        {"note <> NULL", "235"},
        {"active = True", "135"},
        {"active = False", "24"},
        {"price < -1", "2"},
        {"price = -2.25", "2"},
        {"price <= +0.5", "24"},
        {"id < 3 OR id > 4 AND active = False", "12"},
        {"(id < 3 OR id > 4) AND active = True", "15"},
        {"((id <> 3)) AND (price > 1 OR note = NULL)", "145"},
        {"name = '''; DROP TABLE criteria_goods; --'", ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.criteria);
        rows->SetFilter(Text(test.criteria));
        EXPECT_EQ(Ids(*rows), test.ids);
        rows->SetFilter(Variant::Integer(adFilterNone));

        std::string found;
        for (rows->Find(test.criteria, 0, adSearchForward, Variant::Integer(adBookmarkFirst)); !rows->Eof();
             rows->Find(test.criteria, 1))
            found += rows->Fields().Item("id").Value().AsString();
        EXPECT_EQ(found, test.ids);
        std::string backwards;
        for (rows->Find(test.criteria, 0, adSearchBackward, Variant::Integer(adBookmarkLast)); !rows->Bof();
             rows->Find(test.criteria, 1, adSearchBackward))
            backwards.insert(0, rows->Fields().Item("id").Value().AsString());
        EXPECT_EQ(backwards, test.ids);
    }
    EXPECT_EQ(database.Client("SELECT COUNT(*) FROM criteria_goods"), "5");

    // Numbers read with "." whatever the locale.
    const CommaLocale comma;
    rows->SetFilter(Text("price > 1.4 AND price < 1.6"));
    EXPECT_EQ(Ids(*rows), "1");
}

TEST_P(AdoCriteriaTest, UnreadableCriteriaAndUnknownFieldsAreRefused)
{
    const auto rows = Goods();
    for (const char* criteria :
         {"price >", "name = 'open", "(id = 1", "id = 1 AND", "id = 1)", "id == 1", "price < NULL", "note LIKE NULL",
          "id = #soon#", "id = abc", "id = 1.2.3", "= 1", "[id = 1", "id ] 1", "id 1", ""}) {
        SCOPED_TRACE(criteria);
        const std::string expected = std::string("Invalid filter or search criteria: ") + criteria;
        EXPECT_EQ(Raised([&] { rows->Find(criteria, 0, adSearchForward, Variant::Integer(adBookmarkFirst)); }),
                  expected);
        if (*criteria) {
            EXPECT_EQ(Raised([&] { rows->SetFilter(Text(criteria)); }), expected);
        }
    }
    EXPECT_EQ(Raised([&] { rows->SetFilter(Text("colour = 'red'")); }),
              "Item cannot be found in the collection corresponding to the requested name or ordinal: colour");
    // A refused filter leaves the one before it.
    rows->SetFilter(Text("id > 3"));
    EXPECT_NE(Raised([&] { rows->SetFilter(Text("id >")); }), "nothing raised");
    EXPECT_EQ(rows->Filter().AsString(), "id > 3");
    EXPECT_EQ(Ids(*rows), "45");
}

// Filters hide records and their bookmarks, keep the sort and survive Requery; clones share rows and
// bookmarks but keep their own position and filter; Find starts where it is told.
TEST_P(AdoCriteriaTest, FiltersSearchesAndClones)
{
    const auto rows = Goods();
    rows->MoveLast();
    const Variant fifth = rows->Bookmark();
    rows->MoveFirst();
    const Variant first = rows->Bookmark();

    rows->SetSort("price DESC");
    rows->SetFilter(Text("active = True"));
    EXPECT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(Ids(*rows), "351");
    EXPECT_EQ(Raised([&] { rows->SetBookmark(Variant::Double(2)); }), "Invalid bookmark.");
    rows->Requery();
    EXPECT_EQ(Ids(*rows), "351");
    for (const Variant& group : {Variant::Integer(1), Variant::Integer(3), Variant::Double(0), Variant()})
        EXPECT_EQ(Raised([&] { rows->SetFilter(group); }), AdoBadArguments);
    rows->SetFilter(Text(""));
    EXPECT_EQ(rows->Filter().AsInt64(), adFilterNone);
    EXPECT_EQ(rows->RecordCount(), 5);

    rows->SetSort("id");
    rows->SetBookmark(fifth);
    EXPECT_EQ(Raised([&] { rows->Find("id > 0", 0, 7); }), AdoBadArguments);
    rows->Find("id < 3", 0, adSearchBackward);
    EXPECT_EQ(rows->Fields().Item("id").Value().AsInt64(), 2);
    rows->Find("id <> 2", 1, adSearchForward, first);
    EXPECT_EQ(rows->Fields().Item("id").Value().AsInt64(), 3);
    rows->Find("id > 9");
    EXPECT_TRUE(rows->Eof());
    EXPECT_EQ(Raised([&] { rows->Find("id > 0"); }), "No current record.");
    EXPECT_EQ(Raised([&] { rows->Seek(Variant::Integer(1)); }), "This data source does not support index seeks.");

    rows->SetBookmark(first);
    const auto clone = rows->Clone();
    EXPECT_EQ(Raised([&] { rows->Clone(adLockOptimistic); }), AdoBadArguments);
    EXPECT_FALSE(clone->Supports(adUpdate));
    EXPECT_EQ(Raised([&] { clone->Fields().Item("name").SetValue(Text("x")); }), AdoCannotChange);
    clone->SetFilter(Text("note <> NULL"));
    EXPECT_EQ(Ids(*clone), "235");
    clone->SetBookmark(fifth);
    EXPECT_EQ(rows->Fields().Item("id").Value().AsInt64(), 1);
    EXPECT_EQ(rows->Filter().AsInt64(), adFilterNone);
    rows->SetBookmark(clone->Bookmark());
    rows->Fields().Item("name").SetValue(Text("Cabin"));
    rows->Update();
    EXPECT_EQ(clone->Fields().Item("name").Value().AsString(), "Cabin");
    EXPECT_EQ(Raised([&] { clone->SetBookmark(first); }), "Invalid bookmark.");
}

INSTANTIATE_TEST_SUITE_P(Servers, AdoCriteriaTest, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

} // namespace
