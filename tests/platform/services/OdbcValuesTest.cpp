#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/services/OdbcBackend.h"

#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 100 KB of text and of bytes, so that nothing short of reading values whole passes.
std::string LongText()
{
    std::string text;
    for (int i = 0; text.size() < 100000; ++i)
        text += "line " + std::to_string(i) + "; ";
    return text.substr(0, 100000);
}

std::vector<std::uint8_t> LongBytes()
{
    std::vector<std::uint8_t> bytes(100000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return bytes;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string hex;
    for (auto byte : bytes) {
        hex += Digits[byte >> 4];
        hex += Digits[byte & 15];
    }
    return hex;
}

const char* const Umlauts = "Gr\xc3\xb6\xc3\x9f"
                            "e \xe2\x82\xac"; // "Größe €" in UTF-8
const char* const Chinese = "\xe4\xb8\xad";   // "中"

class OdbcValues : public testing::TestWithParam<Server> {
protected:
    TestDatabase database{GetParam()};
    bool Sqlite() const { return GetParam() == Server::SQLite; }

    // Columns of every kind the program reads. SQLite keeps what it is given whatever the declared
    // type; psqlODBC declares an unbounded VARCHAR as 255 characters.
    void CreateValuesTable() const
    {
        database.Client(Sqlite() ? "CREATE TABLE vals(big BIGINT, num NUMERIC(10,2), day DATE, stamp TIMESTAMP, "
                                   "missing VARCHAR(10), words TEXT, chinese TEXT, blob BLOB, short VARCHAR(20), "
                                   "part INTEGER, needed INTEGER NOT NULL)"
                                 : "CREATE TABLE vals(big BIGINT, num NUMERIC(10,2), day DATE, stamp TIMESTAMP, "
                                   "missing VARCHAR(10), words TEXT, chinese TEXT, blob BYTEA, short VARCHAR, "
                                   "part BIGINT, needed INTEGER NOT NULL)");
    }
};

// What the client wrote, read through the backend: every value whole and in its type, the texts
// the same under a comma locale.
TEST_P(OdbcValues, ValuesOfTheClientReadWhole)
{
    CreateValuesTable();
    const std::string shortText(Sqlite() ? 30 : 300, 'x');
    const std::string blob = Hex(LongBytes());
    database.Client("INSERT INTO vals VALUES(9007199254740993, 1.25, '2024-02-29', '2024-02-29 13:45:10', NULL, '" +
                    std::string(Umlauts) + "', '" + Chinese + "', " +
                    (Sqlite() ? "X'" + blob + "'" : "decode('" + blob + "', 'hex')") + ", '" + shortText + "', " +
                    "4006381333931, 1)");
    database.Client("UPDATE vals SET words = words || '" + LongText() + "'");
    const auto connection = database.Connect();

    const auto expectValues = [&] {
        const OdbcResult result = connection->Execute("SELECT * FROM vals");
        ASSERT_TRUE(result.hasResultSet);
        ASSERT_EQ(result.rows.size(), 1u);
        const OdbcRow& row = result.rows[0];
        EXPECT_EQ(row[0].VarType(), varInt64);
        EXPECT_EQ(row[0].AsString(), "9007199254740993");
        EXPECT_EQ(row[1].AsString(), "1.25");
        EXPECT_EQ(row[2].AsString(), "2024-02-29");
        EXPECT_EQ(row[3].AsString(), "2024-02-29 13:45:10");
        EXPECT_TRUE(row[4].IsNull());
        EXPECT_EQ(row[5].AsString(), Utf8ToWin1252(Umlauts) + LongText());
        EXPECT_EQ(row[6].AsString(), "?");
        EXPECT_EQ(row[6].AsWideString(), u"\u4e2d");
        EXPECT_EQ(row[7].BytesValue(), LongBytes());
        EXPECT_EQ(row[8].AsString(), shortText);
        EXPECT_EQ(row[9].AsString(), "4006381333931");

        EXPECT_EQ(result.columns[0].type, adBigInt);
        EXPECT_EQ(result.columns[2].type, adDBDate);
        EXPECT_EQ(result.columns[3].type, adDBTimeStamp);
        EXPECT_EQ(result.columns[7].type, adLongVarBinary);
        EXPECT_EQ(result.columns[8].type, adLongVarChar) << "a column holding more than it declares";
        EXPECT_EQ(result.columns[8].size, static_cast<std::int64_t>(shortText.size()));
        EXPECT_EQ(result.columns[9].type, adBigInt);
        EXPECT_EQ(result.columns[9].name, "part");
        if (!Sqlite()) {
            EXPECT_EQ(result.columns[1].type, adNumeric);
            EXPECT_EQ(row[1].VarType(), varDecimal);
            EXPECT_EQ(result.columns[9].baseTable, "vals");
            EXPECT_NE(result.columns[9].attributes & adFldIsNullable, 0);
            EXPECT_EQ(result.columns[10].attributes & (adFldIsNullable | adFldMayBeNull), 0) << "NOT NULL";
        }
    };
    expectValues();
    CommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "the de_DE.UTF-8 locale is missing (package locales-all)";
    expectValues();
}

// Values handed over as parameters, read back by the client.
TEST_P(OdbcValues, ParametersReachTheClientWhole)
{
    CreateValuesTable();
    const auto connection = database.Connect();
    TDecimal price;
    ASSERT_TRUE(TDecimal::Parse("1.25", price));
    const OdbcResult inserted = connection->Execute(
        "INSERT INTO vals VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {Variant::Integer(9007199254740993, varInt64), Variant::Decimal(price),
         Variant::Date(EncodeOleDate({2024, 2, 29})), Variant::Date(EncodeOleDate({2024, 2, 29, 13, 45, 10})),
         Variant::Null(), Variant::FromString(Utf8ToWin1252(Umlauts) + LongText()), Variant::Text(u"\u4e2d"),
         Variant::Bytes(LongBytes()), Variant::FromString("short"), Variant::Integer(4006381333931, varInt64),
         Variant::Integer(1)});
    EXPECT_FALSE(inserted.hasResultSet);
    EXPECT_EQ(inserted.recordsAffected, 1);

    EXPECT_EQ(database.Client("SELECT big FROM vals"), "9007199254740993");
    EXPECT_EQ(database.Client("SELECT num FROM vals"), "1.25");
    EXPECT_EQ(database.Client("SELECT missing IS NULL FROM vals"), Sqlite() ? "1" : "t");
    EXPECT_EQ(database.Client("SELECT words FROM vals"), Umlauts + LongText());
    EXPECT_EQ(database.Client("SELECT chinese FROM vals"), Chinese);
    EXPECT_EQ(database.Client(Sqlite() ? "SELECT hex(blob) FROM vals" : "SELECT upper(encode(blob, 'hex')) FROM vals"),
              Hex(LongBytes()));
    EXPECT_EQ(database.Client("SELECT part FROM vals"), "4006381333931");
    EXPECT_EQ(database.Client(Sqlite() ? "SELECT date(day), datetime(stamp) FROM vals" : "SELECT day, stamp FROM vals"),
              "2024-02-29|2024-02-29 13:45:10");
}

// Columns of integers, doubles and texts only, whose rows the fetch puts into buffers: a row with a
// longer text than they take is read whole, and so are the rows after it. SQLite keeps a text
// where a number is declared, which its driver gives as null.
TEST_P(OdbcValues, RowsTheFetchBuffersCannotTakeReadWhole)
{
    database.Client("CREATE TABLE plain(n INTEGER, id BIGINT, price DOUBLE PRECISION, name VARCHAR(300))");
    const std::string longName = "\xc3\xa4" + std::string(299, 'n'); // 300 characters, 301 bytes
    database.Client("INSERT INTO plain VALUES(1, 7, 1.5, 'short'), (2, NULL, NULL, '" + longName +
                    "'), (3, 9, 2.25, NULL)" + (Sqlite() ? ", (4, 'abc', 'x', 'y')" : ""));
    const auto connection = database.Connect();
    const auto rowsText = [&](std::string_view sql) {
        std::string text;
        for (const OdbcRow& row : connection->Execute(sql).rows) {
            for (const Variant& value : row)
                text += (value.IsNull() ? "null" : value.AsString()) + "|";
            text += "\n";
        }
        return text;
    };
    const std::string longWin1252 = "\xe4" + std::string(299, 'n');
    EXPECT_EQ(rowsText("SELECT * FROM plain WHERE n < 4 ORDER BY n"),
              "1|7|1.5|short|\n2|null|null|" + longWin1252 + "|\n3|9|2.25|null|\n");
    if (Sqlite()) {
        EXPECT_EQ(rowsText("SELECT * FROM plain WHERE n <> 2 ORDER BY n"),
                  "1|7|1.5|short|\n3|9|2.25|null|\n4|null|null|y|\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, OdbcValues, testing::Values(Server::SQLite, Server::PostgreSQL),
                         [](const auto& info) { return ServerName(info.param); });

// The driver declares SQLite's INTEGER as 32 bits when not told otherwise: a column whose values
// exceed that is described as BIGINT, and its values read whole.
TEST(OdbcIntegers, ColumnsHoldingMoreThanTheirTypeBecomeBigInt)
{
    TestDatabase database(Server::SQLite);
    database.Client("CREATE TABLE ean(part INTEGER, small INTEGER); INSERT INTO ean VALUES(12, 1), "
                    "(4006381333931, 2), (NULL, 3)");
    const auto connection = Odbc().Connect(database.ConnectionString() + ";BigInt=0", "", "");
    const OdbcResult result = connection->Execute("SELECT part, small FROM ean");
    EXPECT_EQ(result.columns[0].type, adBigInt);
    EXPECT_EQ(result.columns[1].type, adInteger);
    ASSERT_EQ(result.rows.size(), 3u);
    EXPECT_EQ(result.rows[0][0].VarType(), varInt64);
    EXPECT_EQ(result.rows[1][0].AsInt64(), 4006381333931);
    EXPECT_TRUE(result.rows[2][0].IsNull());
    EXPECT_EQ(result.rows[1][1].VarType(), varInteger);
}

} // namespace
