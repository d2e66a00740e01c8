#pragma once

#include <string>
#include <string_view>
#include <vector>

// Connection strings as the program stores them (OLE DB, for the ODBC provider "MSDASQL") and as
// ODBC drivers take them.

struct TConnectionPair {
    std::string key;
    std::string value;
};
using TConnectionPairs = std::vector<TConnectionPair>;

// "key=value;...": keys without regard to case or blanks, values optionally in "..." or '...'
// (the quote doubled inside); the last of duplicate keys wins, in the place of the first.
TConnectionPairs ParseOleDbString(std::string_view text);
// ODBC's rules: a value in braces may hold ";", with "}}" for "}".
TConnectionPairs ParseOdbcString(std::string_view text);
// The ODBC text of pairs: values holding ";", "{", "}" or blanks at either end go in braces.
std::string ComposeOdbcString(const TConnectionPairs& pairs);

// The value of a key (compared as ParseOleDbString compares them), or nullptr.
const std::string* FindConnectionValue(const TConnectionPairs& pairs, std::string_view key);

// The ODBC string of a stored connection string. Its provider is its own `Provider`, else
// `provider` (the connection's); anything but "MSDASQL[.n]" raises EOleException. An OLE DB string
// becomes its "Extended Properties", then its other pairs (the OLE DB-only ones dropped), then DSN,
// UID, PWD and DATABASE from "Data Source", "User ID", "Password" and "Initial Catalog" where still
// missing. A bare ODBC string passes as it is.
std::string OdbcStringOf(std::string_view stored, std::string_view provider = "MSDASQL");

// The string handed to the driver: a non-empty user or password overrides UID or PWD. A SQLite
// string also gets "NoCreat=1" (a moved database fails instead of becoming an empty file) and
// "BigInt=1" (its integers hold 64 bits) unless it says otherwise, and a database path the
// driver could only read in braces goes as a "file:" URI.
std::string DriverConnectString(std::string_view odbcString, std::string_view userId, std::string_view password);

// The driver string as it may be handed to the driver manager, or EOleException naming what would
// make the driver manager or a driver load a program library the string names: a Driver that is not
// one of the installed drivers (a path), or the keys LoadExt, FILEDSN (a file naming a driver) and
// SAVEFILE. Keys are also looked for inside braced values, which the SQLite driver reads without
// regard to braces. A driver named in another case takes the installed spelling.
std::string GuardedDriverString(std::string_view driverString, const std::vector<std::string>& installedDrivers);
