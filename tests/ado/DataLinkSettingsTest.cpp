#include "ado/DataLinkSettings.h"
#include "ado/Adocomps.h"
#include "ado/Adoprop.h"
#include "ado/DataLinkDialog.h"
#include "testing/ScriptedUi.h"

#include "OdbcTestSupport.h"

#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Source = DataLinkSettings::Source;

DataLinkSettings DriverSettings(const std::string& driver, const std::string& database)
{
    DataLinkSettings settings;
    settings.source = Source::Driver;
    settings.driver = driver;
    settings.database = database;
    return settings;
}

DataLinkSettings PostgresSettings()
{
    DataLinkSettings settings = DriverSettings("PostgreSQL Unicode", "shop");
    settings.server = "127.0.0.1";
    settings.port = PostgresPort();
    settings.userName = "kestrame";
    settings.password = "a;b}";
    return settings;
}

// Opens the string the way a catalog does and reads one value back.
std::string AnswerThrough(const std::string& connectionString, const std::string& sql)
{
    TdADOConnection connection;
    connection.SetConnectionString(connectionString);
    connection.SetConnected(true);
    TdADODataset dataSet;
    dataSet.SetConnection(&connection);
    dataSet.SetCommandText(sql);
    dataSet.Open();
    return dataSet.Fields()[0]->AsString();
}

constexpr const char* Succeeded = "Test connection succeeded.";

} // namespace

TEST(DataLinkSettings, ComposesStringsTheTranslationReadsBack)
{
    UsePrivateOdbcIni();
    DataLinkSettings dsn;
    dsn.source = Source::DataSource;
    dsn.dataSource = "KestrameShop";
    DataLinkSettings quoted = DriverSettings("SQLite3", " /data/shop.db");
    quoted.userName = "O\"Neil";
    quoted.otherSettings = "Description=say \"hi\";Timeout=5";
    const std::pair<DataLinkSettings, std::string> cases[] = {
        {dsn, "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"DSN=KestrameShop\""},
        {DriverSettings("SQLite3", "/data/shop.db"),
         "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"Driver={SQLite3};Database=/data/"
         "shop.db\""},
        {DriverSettings("SQLite3", "/data/a;b/shop.db"),
         "Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"Driver={SQLite3};Database={/data/"
         "a;b/shop.db}\""},
        {PostgresSettings(), "Provider=MSDASQL.1;Password=\"a;b}\";Persist Security Info=True;User ID=kestrame;"
                             "Extended Properties=\"Driver={PostgreSQL Unicode};Database=shop;Server=127.0.0.1;Port=" +
                                 PostgresPort() + "\""},
        {quoted, "Provider=MSDASQL.1;Persist Security Info=False;User ID=\"O\"\"Neil\";Extended Properties=\""
                 "Driver={SQLite3};Database={ /data/shop.db};Description=say \"\"hi\"\";Timeout=5\""},
    };
    for (const auto& [settings, expected] : cases) {
        EXPECT_EQ(settings.ConnectionString(), expected);
        EXPECT_EQ(DataLinkSettings::FromConnectionString(expected), settings) << expected;
        EXPECT_EQ(settings.MissingChoice(), "");
    }
    // The Catalog Manager's placeholder, or a provider the program cannot use, starts afresh.
    for (const char* other : {"", "DataLink", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop.mdb"})
        EXPECT_EQ(DataLinkSettings::FromConnectionString(other), DataLinkSettings{}) << other;
    EXPECT_EQ(DataLinkSettings{}.MissingChoice(), "Choose a data source or a driver.");
}

TEST(DataLinkSettings, ComposedStringsOpenOnBothServers)
{
    TestDatabase database(Server::SQLite);
    const std::string folder = database.Folder().File("a;b");
    std::filesystem::create_directory(folder);
    const std::string file = folder + "/shop.db";
    RunCommand("sqlite3 " + ShellQuoted(file) +
               " 'CREATE TABLE DataLinkAnswer(x); INSERT INTO DataLinkAnswer VALUES(42)'");
    const DataLinkSettings sqlite = DriverSettings("SQLite3", file);
    EXPECT_EQ(sqlite.TestConnection(), Succeeded);
    EXPECT_EQ(AnswerThrough(sqlite.ConnectionString(), "SELECT x FROM DataLinkAnswer"), "42");

    const DataLinkSettings postgres = PostgresSettings();
    EXPECT_EQ(postgres.TestConnection(), Succeeded);
    EXPECT_EQ(AnswerThrough(postgres.ConnectionString(), "SELECT 40 + 2"), "42");

    // A failure says what the driver said.
    const std::string failure = DriverSettings("SQLite3", folder + "/gone.db").TestConnection();
    EXPECT_NE(failure, Succeeded);
    EXPECT_FALSE(failure.empty());
}

TEST(DataLinkDialog, AsksForAChoiceAndTestsWhatItShows)
{
    TestDatabase database(Server::SQLite);
    database.Client("PRAGMA user_version=1");
    ScriptedUi ui;
    TDataLinkDialog fresh(DataLinkSettings{});
    ui.AnswerMessage(MsgAnswer::OK);
    fresh.OKBtnClick();
    EXPECT_EQ(fresh.result(), QDialog::Rejected);
    ASSERT_EQ(ui.MessageTexts(), std::vector<std::string>{"Choose a data source or a driver."});
    fresh.rbDriver->setChecked(true);
    EXPECT_EQ(fresh.Settings().driver, "SQLite3"); // preselected
    fresh.OKBtnClick();
    EXPECT_EQ(fresh.result(), QDialog::Accepted);

    ui.ClearCalls();
    TDataLinkDialog shown(DriverSettings("SQLite3", database.SqliteFile()));
    ui.AnswerMessage(MsgAnswer::OK);
    shown.TestConnectionClick();
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, Succeeded);
    EXPECT_EQ(ui.Calls()[0].caption, "Data Link Properties");
}

TEST(DataLinkDialog, PromptReturnsTheInitialStringUnlessConfirmed)
{
    UsePrivateOdbcIni();
    ScriptedUi ui;
    ui.AnswerModal(mrCancel);
    EXPECT_EQ(PromptDataSource(nullptr, ""), "");
    ui.AnswerModal(mrCancel);
    EXPECT_EQ(PromptForDataSource(nullptr, "DataLink"), std::nullopt);
    ui.AnswerModal(mrOk); // a new data source confirmed without a choice is no string
    EXPECT_EQ(PromptDataSource(nullptr, "DataLink"), "DataLink");

    const std::string withPassword = PostgresSettings().ConnectionString();
    ui.AnswerModal(mrOk);
    EXPECT_EQ(PromptForDataSource(nullptr, withPassword), withPassword);
    ASSERT_EQ(ui.CallsOf(ScriptedUi::Kind::ModalWindow).size(), 4u);
    EXPECT_EQ(ui.Calls().back().text, "DataLinkDialog");

    // A login a bare value would lose (a leading quote, outer blanks) comes back whole.
    for (const char* value : {"'abc", "'o'neil", " abc "}) {
        DataLinkSettings settings = DriverSettings("SQLite3", "/data/shop.db");
        settings.userName = value;
        settings.password = value;
        ui.AnswerModal(mrOk);
        const std::optional<std::string> confirmed = PromptForDataSource(nullptr, settings.ConnectionString());
        ASSERT_TRUE(confirmed) << value;
        EXPECT_EQ(DataLinkSettings::FromConnectionString(*confirmed), settings) << *confirmed;
    }
}
