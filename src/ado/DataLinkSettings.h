#pragma once

#include <string>
#include <string_view>

// What the data-link dialog edits: an ODBC data source by name, or a driver with its database,
// server and port, then the login and any further ODBC settings. It composes the connection string
// the program stores, an OLE DB string for the ODBC provider, and reads such a string back.
struct DataLinkSettings {
    enum class Source { None, DataSource, Driver };

    Source source = Source::None;
    std::string dataSource; // the ODBC data source name
    std::string driver;
    std::string database;
    std::string server;
    std::string port;
    std::string userName;
    std::string password;
    std::string otherSettings; // "key=value;..." in ODBC's syntax

    bool operator==(const DataLinkSettings&) const = default;

    // A string the program's translation reads, with a data source or a driver in it; anything else
    // gives a new data source (no choice made).
    static DataLinkSettings FromConnectionString(std::string_view text);
    // "DSN=..." or "Driver={...};Database=...;Server=...;Port=...", then the other settings.
    std::string OdbcString() const;
    // Provider=MSDASQL.1, the login (a password is stored as plain text and says so with Persist
    // Security Info=True) and the ODBC string as its Extended Properties.
    std::string ConnectionString() const;
    // Why OK cannot take these settings; empty when it can.
    std::string MissingChoice() const;
    // "Test connection succeeded." or why the connection failed, in the driver's words.
    std::string TestConnection() const;
};
