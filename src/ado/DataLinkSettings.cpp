#include "ado/DataLinkSettings.h"

#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/services/ConnectionString.h"
#include "platform/services/OdbcBackend.h"

#include <algorithm>

namespace {

// OLE DB's quoting: in double quotes, inner ones doubled.
std::string OleDbQuoted(std::string_view value)
{
    std::string quoted = "\"";
    for (char c : value)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// A value holding ";" or '"', starting with a quote or with blanks around it needs them: read bare,
// it would end early, lose its quotes or its blanks.
std::string OleDbValue(std::string_view value)
{
    const bool bare = value.find_first_of(";\"") == std::string_view::npos &&
                      (value.empty() || (value.front() != '\'' && Trim(value) == value));
    return bare ? std::string(value) : OleDbQuoted(value);
}

// Drivers are named in braces even when plain, as ODBC's own tools write them.
std::string BracedOdbcValue(std::string_view value)
{
    std::string braced = "{";
    for (char c : value)
        braced += c == '}' ? std::string("}}") : std::string(1, c);
    return braced + "}";
}

// The value of a key, taken out of the pairs; empty when missing.
std::string TakeValue(TConnectionPairs& pairs, std::string_view key)
{
    std::string value;
    const auto matches = [&](const TConnectionPair& pair) { return SameText(Trim(pair.key), key); };
    for (const TConnectionPair& pair : pairs)
        if (matches(pair))
            value = pair.value;
    pairs.erase(std::remove_if(pairs.begin(), pairs.end(), matches), pairs.end());
    return value;
}

void AddWhenSet(TConnectionPairs& pairs, std::string_view key, const std::string& value)
{
    if (!value.empty())
        pairs.push_back({std::string(key), value});
}

} // namespace

DataLinkSettings DataLinkSettings::FromConnectionString(std::string_view text)
{
    TConnectionPairs pairs;
    try {
        pairs = ParseOdbcString(OdbcStringOf(text));
    } catch (const Exception&) {
        return {};
    }
    DataLinkSettings settings;
    settings.dataSource = TakeValue(pairs, "DSN");
    settings.driver = TakeValue(pairs, "Driver");
    if (settings.dataSource.empty() == settings.driver.empty())
        return {};
    settings.source = settings.dataSource.empty() ? Source::Driver : Source::DataSource;
    settings.database = TakeValue(pairs, "Database");
    settings.server = TakeValue(pairs, "Server");
    settings.port = TakeValue(pairs, "Port");
    settings.userName = TakeValue(pairs, "UID");
    settings.password = TakeValue(pairs, "PWD");
    settings.otherSettings = ComposeOdbcString(pairs);
    return settings;
}

std::string DataLinkSettings::OdbcString() const
{
    std::string lead;
    TConnectionPairs pairs;
    if (source == Source::DataSource) {
        lead = ComposeOdbcString({{"DSN", dataSource}});
    } else {
        lead = "Driver=" + BracedOdbcValue(driver);
        AddWhenSet(pairs, "Database", database);
        AddWhenSet(pairs, "Server", server);
        AddWhenSet(pairs, "Port", port);
    }
    const TConnectionPairs others = ParseOdbcString(otherSettings);
    pairs.insert(pairs.end(), others.begin(), others.end());
    const std::string rest = ComposeOdbcString(pairs);
    return rest.empty() ? lead : lead + ";" + rest;
}

std::string DataLinkSettings::ConnectionString() const
{
    std::string text = "Provider=MSDASQL.1;";
    if (!password.empty())
        text += "Password=" + OleDbValue(password) + ";";
    text += password.empty() ? "Persist Security Info=False;" : "Persist Security Info=True;";
    if (!userName.empty())
        text += "User ID=" + OleDbValue(userName) + ";";
    return text + "Extended Properties=" + OleDbQuoted(OdbcString());
}

std::string DataLinkSettings::MissingChoice() const
{
    const bool chosen =
        (source == Source::DataSource && !dataSource.empty()) || (source == Source::Driver && !driver.empty());
    return chosen ? std::string() : std::string("Choose a data source or a driver.");
}

std::string DataLinkSettings::TestConnection() const
{
    try {
        Odbc().Connect(OdbcString(), userName, password);
        return "Test connection succeeded.";
    } catch (const Exception& error) {
        return error.what();
    }
}
