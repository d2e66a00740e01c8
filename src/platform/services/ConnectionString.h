#pragma once

#include "platform/core/Exceptions.h"

#include <optional>
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
// missing. A bare ODBC string passes as it is; a string naming a Driver or DSN is one unless it holds
// a key only OLE DB has.
std::string OdbcStringOf(std::string_view stored, std::string_view provider = "MSDASQL");

// The command timeout a stored OLE DB string sets for its connection's reads ("Command Timeout",
// whole seconds), none where it sets none: 0 (no bound) and anything longer than MaxCommandTimeout
// are taken as MaxCommandTimeout. Any other value raises EConnectionStringRefused.
std::optional<int> StoredCommandTimeout(std::string_view stored);

// The string handed to the driver: a non-empty user or password overrides UID or PWD. A SQLite
// string starts with "NoCreat=1" (a moved database fails instead of becoming an empty file; another
// NoCreat stays, for GuardedDriverString to refuse), gets "BigInt=1" (its integers hold 64 bits)
// unless it says otherwise, and a database path the driver could only read in braces goes as a
// "file:" URI.
std::string DriverConnectString(std::string_view odbcString, std::string_view userId, std::string_view password);

// The kinds of ODBC driver whose connection keys the program knows.
enum class OdbcDriverKind { Other, SQLite, PostgreSQL };
// The kind of a driver by the file name of its library, as odbcinst.ini gives it (a path or a name).
OdbcDriverKind DriverKindOfLibrary(std::string_view library);

// What the driver manager has installed: its drivers, and its data sources with their drivers' names.
struct TOdbcInstalled {
    struct Driver {
        std::string name;
        OdbcDriverKind kind = OdbcDriverKind::Other;
    };
    struct DataSource {
        std::string name;
        std::string driver;
    };
    std::vector<Driver> drivers;
    std::vector<DataSource> dataSources;
};

// A data link the program will not open; the message, the program's own, says why.
KESTRAME_EXCEPTION(EDataLinkRefused, EOleException)
// A connection string refused before the driver manager saw it; the message names what was refused.
KESTRAME_EXCEPTION(EConnectionStringRefused, EDataLinkRefused)

// The driver string as it may be handed to the driver manager, or EConnectionStringRefused. A driver
// manager and its drivers read keys that load a library, write a file or change the program's
// environment, so only the keys a data link needs pass: for the SQLite and PostgreSQL drivers their
// database, server, port, login, timeouts, SSL mode and how values are read; for another driver only
// DSN, Driver, Server, Port, Database, UID and PWD. A data source counts as its driver; a string
// naming drivers of two kinds gets the other drivers' keys. `Driver` must name an installed driver.
// Beside a data source (DSN, FILEDSN) no key may name a server, host, address or port. A SQLite
// driver's wait for a database another program holds (Timeout) is cut to MaxCommandTimeout.
// Keys are also looked for between every two semicolons, braces and quotes ignored, as a driver that
// knows no braces reads them. A driver named in another case takes the installed spelling. NoCreat
// passes only as "1", and a string that names the SQLite driver or a data source of it starts with
// it; one that names the PostgreSQL driver or a data source of it ends with the program's own keys
// for it (no logs, and no password file). A message names what was refused only where it stands
// outside braces and quotes in `driverString` and in `written` (the string the link holds, when
// given), so that no part of a password is ever shown.
std::string GuardedDriverString(std::string_view driverString, const TOdbcInstalled& installed,
                                std::string_view written = {});
