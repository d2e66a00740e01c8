#include "platform/services/ConnectionString.h"

#include "platform/core/Exceptions.h"
#include "platform/services/OdbcBackend.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The form in which keys compare: lower case, without blanks.
std::string KeyForm(std::string_view key)
{
    std::string form;
    for (char c : key)
        if (!IsBlank(c))
            form += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return form;
}

bool SameKey(std::string_view a, std::string_view b) { return KeyForm(a) == KeyForm(b); }

void SetPair(TConnectionPairs& pairs, std::string_view key, std::string value)
{
    for (auto& pair : pairs)
        if (SameKey(pair.key, key)) {
            pair.value = std::move(value);
            return;
        }
    pairs.push_back({std::string(key), std::move(value)});
}

// Reads "key=" at pos; returns the trimmed key and leaves pos after the "=" (or at the ";" or end
// of a segment without one).
std::string_view ReadKey(std::string_view text, size_t& pos)
{
    const size_t start = pos;
    while (pos < text.size() && text[pos] != '=' && text[pos] != ';')
        ++pos;
    const std::string_view key = Trimmed(text.substr(start, pos - start));
    if (pos < text.size() && text[pos] == '=')
        ++pos;
    return key;
}

// A value enclosed by `open` ... `close` with `close` doubled inside; pos starts at `open` and ends
// after the closing one. An unclosed value runs to the end.
std::string ReadEnclosed(std::string_view text, size_t& pos, char close)
{
    std::string value;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == close) {
            if (pos + 1 < text.size() && text[pos + 1] == close) {
                value += close;
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        value += text[pos++];
    }
    return value;
}

template <typename ReadQuoted> TConnectionPairs ParsePairs(std::string_view text, ReadQuoted readQuoted)
{
    TConnectionPairs pairs;
    size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view key = ReadKey(text, pos);
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        std::string value;
        if (!readQuoted(text, pos, value)) {
            const size_t start = pos;
            while (pos < text.size() && text[pos] != ';')
                ++pos;
            value = std::string(Trimmed(text.substr(start, pos - start)));
        }
        // Whatever follows a quoted value up to the next ";" is not part of it.
        while (pos < text.size() && text[pos] != ';')
            ++pos;
        if (pos < text.size())
            ++pos;
        if (!key.empty())
            SetPair(pairs, key, std::move(value));
    }
    return pairs;
}

bool NeedsBraces(std::string_view value)
{
    return value.find_first_of(";{}") != std::string_view::npos ||
           (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
}

// Keys of OLE DB that mean nothing to an ODBC driver.
constexpr std::array<std::string_view, 10> OleDbOnlyKeys = {
    "Persist Security Info", "Prompt",          "Mode",          "Connect Timeout", "General Timeout",
    "Locale Identifier",     "OLE DB Services", "Window Handle", "Location",        "Command Timeout"};

struct KeyMapping {
    std::string_view oleDb;
    std::string_view odbc;
};
constexpr std::array<KeyMapping, 4> MappedKeys = {
    {{"Data Source", "DSN"}, {"User ID", "UID"}, {"Password", "PWD"}, {"Initial Catalog", "DATABASE"}}};

bool IsOleDbKey(std::string_view key)
{
    if (SameKey(key, "Provider") || SameKey(key, "Extended Properties"))
        return true;
    const auto same = [key](std::string_view known) { return SameKey(key, known); };
    return std::any_of(OleDbOnlyKeys.begin(), OleDbOnlyKeys.end(), same) ||
           std::any_of(MappedKeys.begin(), MappedKeys.end(),
                       [&](const KeyMapping& mapping) { return same(mapping.oleDb); });
}

bool HasKey(const TConnectionPairs& pairs, std::string_view key) { return FindConnectionValue(pairs, key) != nullptr; }

// Whether a stored string is OLE DB's, by its keys as ODBC reads them (braces hide a password's
// text from the decision). OLE DB's own keys say so; the keys both know ("Password" is also a
// driver's key) count only where no driver or data source is named.
bool IsOleDbString(std::string_view stored)
{
    const TConnectionPairs pairs = ParseOdbcString(stored);
    const auto has = [&pairs](std::string_view key) { return HasKey(pairs, key); };
    if (has("Provider") || has("Extended Properties") || std::any_of(OleDbOnlyKeys.begin(), OleDbOnlyKeys.end(), has))
        return true;
    return !has("Driver") && !has("DSN") &&
           std::any_of(MappedKeys.begin(), MappedKeys.end(), [&](const KeyMapping& mapping) { return has(mapping.oleDb); });
}

bool IsOdbcProvider(std::string_view provider)
{
    const std::string form = KeyForm(provider);
    if (form.rfind("msdasql", 0) != 0)
        return false;
    const std::string_view version = std::string_view(form).substr(7);
    if (version.empty())
        return true;
    return version.size() > 1 && version[0] == '.' && std::all_of(version.begin() + 1, version.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

std::string OdbcPairsOfOleDb(const TConnectionPairs& pairs)
{
    TConnectionPairs odbc;
    if (const std::string* extended = FindConnectionValue(pairs, "Extended Properties"))
        for (auto& pair : ParseOdbcString(*extended))
            SetPair(odbc, pair.key, std::move(pair.value));
    for (const auto& pair : pairs)
        if (!IsOleDbKey(pair.key))
            SetPair(odbc, pair.key, pair.value);
    for (const auto& mapping : MappedKeys) {
        const std::string* value = FindConnectionValue(pairs, mapping.oleDb);
        if (value && !FindConnectionValue(odbc, mapping.odbc))
            odbc.push_back({std::string(mapping.odbc), *value});
    }
    return ComposeOdbcString(odbc);
}

bool IsSqliteDriver(const TConnectionPairs& pairs)
{
    const std::string* driver = FindConnectionValue(pairs, "Driver");
    return driver && KeyForm(*driver).find("sqlite") != std::string::npos;
}

bool IsPostgresDriver(const TConnectionPairs& pairs)
{
    const std::string* driver = FindConnectionValue(pairs, "Driver");
    return driver && KeyForm(*driver).find("postgres") != std::string::npos;
}

// psqlODBC hands booleans over as the texts "1" and "0" unless told to describe them as booleans.
void AdjustForPostgres(TConnectionPairs& pairs)
{
    if (!FindConnectionValue(pairs, "BoolsAsChar"))
        pairs.push_back({"BoolsAsChar", "0"});
}

// SQLite reads "file:" URIs with percent escapes; the characters that would need braces go as
// escapes, and so do the URI's own "%", "?" and "#".
std::string SqliteUri(std::string_view path)
{
    std::string uri = "file:";
    for (char c : path) {
        if (std::string_view(";%?#{} ").find(c) != std::string_view::npos) {
            static constexpr char Hex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            uri += '%';
            uri += Hex[byte >> 4];
            uri += Hex[byte & 0xF];
        } else {
            uri += c;
        }
    }
    return uri;
}

// The driver reads only the start of a long string and takes the first of duplicate keys, so the
// program's "NoCreat=1" goes first. A string's own other NoCreat stays for the check to refuse.
void AdjustForSqlite(TConnectionPairs& pairs)
{
    const std::string* noCreat = FindConnectionValue(pairs, "NoCreat");
    if (!noCreat || Trimmed(*noCreat) == "1") {
        std::erase_if(pairs, [](const TConnectionPair& pair) { return SameKey(pair.key, "NoCreat"); });
        pairs.insert(pairs.begin(), {"NoCreat", "1"});
    }
    if (!FindConnectionValue(pairs, "BigInt"))
        pairs.push_back({"BigInt", "1"});
    for (auto& pair : pairs)
        if (SameKey(pair.key, "Database") && NeedsBraces(pair.value) && KeyForm(pair.value).rfind("file:", 0) != 0)
            pair.value = SqliteUri(pair.value);
}

// The keys every driver is given.
constexpr std::array<std::string_view, 7> CommonKeys = {"DSN", "Driver", "Server", "Port", "Database", "UID", "PWD"};
// The SQLite drivers' own, less those that load an extension, write a trace file or create the
// database (only the program's "NoCreat=1" passes).
constexpr std::array<std::string_view, 10> SqliteKeys = {"Timeout",   "StepAPI", "SyncPragma", "NoTXN",
                                                         "ShortNames", "LongNames", "NoWCHAR", "FKSupport",
                                                         "BigInt",     "JDConv"};
// psqlODBC's, less its libpq options (key files, SSL engines), its logs and the statements it runs
// when connecting.
constexpr std::array<std::string_view, 14> PostgresKeys = {
    "Servername",     "Username",           "Password",      "SSLmode",           "ReadOnly",
    "BoolsAsChar",    "UseDeclareFetch",    "Fetch",         "TextAsLongVarchar", "UnknownsAsLongVarchar",
    "MaxVarcharSize", "MaxLongVarcharSize", "KeepaliveTime", "KeepaliveInterval"};

template <size_t N> bool Listed(const std::array<std::string_view, N>& keys, std::string_view key)
{
    return std::any_of(keys.begin(), keys.end(), [key](std::string_view known) { return SameKey(key, known); });
}

bool KeyAllowed(const TConnectionPair& pair, OdbcDriverKind kind)
{
    const std::string_view key = pair.key;
    if (SameKey(key, "NoCreat"))
        return Trimmed(pair.value) == "1";
    switch (kind) {
    case OdbcDriverKind::SQLite:
        return Listed(CommonKeys, key) || Listed(SqliteKeys, key);
    case OdbcDriverKind::PostgreSQL:
        return Listed(CommonKeys, key) || Listed(PostgresKeys, key);
    case OdbcDriverKind::Other:
        break;
    }
    return Listed(CommonKeys, key);
}

std::string_view Unbraced(std::string_view value)
{
    value = Trimmed(value);
    if (!value.empty() && value.front() == '{')
        value.remove_prefix(1);
    if (!value.empty() && value.back() == '}')
        value.remove_suffix(1);
    return value;
}

const TOdbcInstalled::Driver* InstalledDriver(std::string_view name, const TOdbcInstalled& installed)
{
    const auto found =
        std::find_if(installed.drivers.begin(), installed.drivers.end(),
                     [name](const TOdbcInstalled::Driver& driver) { return SameKey(driver.name, name); });
    return found == installed.drivers.end() ? nullptr : &*found;
}

OdbcDriverKind KindOfDataSource(std::string_view name, const TOdbcInstalled& installed)
{
    for (const auto& source : installed.dataSources)
        if (SameKey(source.name, name)) {
            const TOdbcInstalled::Driver* driver = InstalledDriver(source.driver, installed);
            return driver ? driver->kind : DriverKindOfLibrary(source.driver);
        }
    return OdbcDriverKind::Other;
}

// The texts a message may show from: the string checked, and the one the link holds (parsing it
// merges a key hidden in a value into the one that stands alone).
struct RefusalTexts {
    std::string_view checked;
    std::string_view written;
};

// Whether both readings of a text, ODBC's and OLE DB's, find the key (and value, when given) outside
// braces and quotes: inside them it may be part of a password.
bool StandsAlone(std::string_view text, std::string_view key, const std::string* value)
{
    const TConnectionPairs odbcPairs = ParseOdbcString(text);
    const TConnectionPairs oleDbPairs = ParseOleDbString(text);
    const std::string* odbc = FindConnectionValue(odbcPairs, key);
    const std::string* oleDb = FindConnectionValue(oleDbPairs, key);
    return odbc && oleDb && (!value || (*odbc == *value && Unbraced(*oleDb) == *value));
}

[[noreturn]] void RefuseHiddenKey()
{
    throw EConnectionStringRefused("The connection string may not hold a key inside a value in braces or quotes: "
                                   "only the keys that reach the data (such as the database, server, port, user "
                                   "and password) are passed to the ODBC driver.");
}

// A message names a key or driver only where it stands alone in both texts.
bool Showable(const RefusalTexts& texts, std::string_view key, const std::string* value = nullptr)
{
    return StandsAlone(texts.checked, key, value) && StandsAlone(texts.written, key, value);
}

[[noreturn]] void RefuseDriver(const std::string& name, const RefusalTexts& texts)
{
    if (!Showable(texts, "Driver", &name))
        RefuseHiddenKey();
    throw EConnectionStringRefused("The ODBC driver \"" + name +
                                   "\" is not installed; the connection string must name an installed driver.");
}

constexpr std::string_view OnlyDataKeys = ": only the keys that reach the data (such as the database, server, port, "
                                          "user and password) are passed to the ODBC driver.";

[[noreturn]] void RefuseKey(const std::string& key, const RefusalTexts& texts, std::string_view why = OnlyDataKeys)
{
    if (!Showable(texts, key))
        RefuseHiddenKey();
    throw EConnectionStringRefused("The connection string may not hold \"" + key + "\"" + std::string(why));
}

// The keys that say where a driver connects. Beside a data source they would take it, with the
// password the user keeps in it, to another server.
constexpr std::array<std::string_view, 8> PlaceKeys = {"Server",   "Servername", "Host", "Hostname",
                                                       "Hostaddr", "Address",    "Addr", "Port"};

void RefuseMovedDataSource(const TConnectionPairs& pairs, const RefusalTexts& texts)
{
    const bool namesDataSource = std::any_of(pairs.begin(), pairs.end(), [](const TConnectionPair& pair) {
        return SameKey(pair.key, "DSN") || SameKey(pair.key, "FILEDSN");
    });
    if (!namesDataSource)
        return;
    for (const auto& pair : pairs)
        if (Listed(PlaceKeys, pair.key))
            RefuseKey(pair.key, texts,
                      " beside a data source (DSN): a data link may not move the user's data source to another "
                      "server.");
}

// Every "key=value" between two semicolons, braces ignored, as a driver that knows no braces reads them.
TConnectionPairs Segments(std::string_view text)
{
    TConnectionPairs segments;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(';', start), text.size());
        const std::string_view segment = text.substr(start, end - start);
        start = end + 1;
        const size_t equals = segment.find('=');
        const std::string_view key = Trimmed(segment.substr(0, equals));
        if (equals != std::string_view::npos && !key.empty())
            segments.push_back({std::string(key), std::string(Unbraced(segment.substr(equals + 1)))});
    }
    return segments;
}

// The kind of driver a Driver or DSN pair names; none for another key.
std::optional<OdbcDriverKind> NamedKind(const TConnectionPair& pair, const TOdbcInstalled& installed)
{
    if (SameKey(pair.key, "Driver"))
        return InstalledDriver(pair.value, installed)->kind;
    if (SameKey(pair.key, "DSN"))
        return KindOfDataSource(pair.value, installed);
    return std::nullopt;
}

// The one kind of driver every Driver and DSN names; Other when they name none or several kinds.
OdbcDriverKind KindOfDrivers(const TConnectionPairs& pairs, const TOdbcInstalled& installed)
{
    std::optional<OdbcDriverKind> kind;
    for (const auto& pair : pairs)
        if (const std::optional<OdbcDriverKind> named = NamedKind(pair, installed))
            kind = !kind || *kind == *named ? *named : OdbcDriverKind::Other;
    return kind.value_or(OdbcDriverKind::Other);
}

// Whether a driver of the kind may be the one loaded: a data source of it is not named as such in
// the string, so the string's own name for it does not tell.
bool MayLoad(OdbcDriverKind kind, const TConnectionPairs& pairs, const TOdbcInstalled& installed)
{
    return std::any_of(pairs.begin(), pairs.end(),
                       [&](const TConnectionPair& pair) { return NamedKind(pair, installed) == kind; });
}

// What the program itself tells psqlODBC, after every key of the link, data source or driver:
// - no logs: Debian's driver settings turn on a communication log, kept under a name anyone can
//   foresee in the shared temporary folder, and a data source's own log would hold the password;
// - no password file: libpq would send the password of the user's ~/.pgpass (or PGPASSFILE) to
//   whatever server a link names. Below /dev/null no file can ever be made, and a password file
//   that is not there is passed over without a word;
// - rows in pieces: left to itself, libpq takes a whole result into memory before the driver hands
//   over its first row, and the bounds of a read apply only once the rows are read.
constexpr std::string_view PostgresOwnKeys =
    ";CommLog=0;Debug=0;pqopt={passfile=/dev/null/none};UseDeclareFetch=1;Fetch=1000";

// The number a text holds whole, when it fits an int.
std::optional<int> WholeNumber(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

// Whether a link lets the SQLite driver wait longer than a read may take for a database another
// program holds: the driver waits as long as the first Timeout says (milliseconds, 1 to 1,000,000;
// 0 or less is the most), whatever bounds the statement.
bool LiftsSqliteLockWait(const TConnectionPairs& pairs)
{
    return std::any_of(pairs.begin(), pairs.end(), [](const TConnectionPair& pair) {
        const std::optional<int> milliseconds = WholeNumber(Trimmed(pair.value));
        return SameKey(pair.key, "Timeout") &&
               (!milliseconds || *milliseconds < 1 || *milliseconds > MaxCommandTimeout * 1000);
    });
}

} // namespace

TConnectionPairs ParseOleDbString(std::string_view text)
{
    return ParsePairs(text, [](std::string_view source, size_t& pos, std::string& value) {
        if (pos >= source.size() || (source[pos] != '"' && source[pos] != '\''))
            return false;
        value = ReadEnclosed(source, pos, source[pos]);
        return true;
    });
}

TConnectionPairs ParseOdbcString(std::string_view text)
{
    return ParsePairs(text, [](std::string_view source, size_t& pos, std::string& value) {
        if (pos >= source.size() || source[pos] != '{')
            return false;
        value = ReadEnclosed(source, pos, '}');
        return true;
    });
}

std::string ComposeOdbcString(const TConnectionPairs& pairs)
{
    std::string text;
    for (const auto& pair : pairs) {
        if (!text.empty())
            text += ';';
        text += pair.key + '=';
        if (!NeedsBraces(pair.value)) {
            text += pair.value;
            continue;
        }
        text += '{';
        for (char c : pair.value)
            text += c == '}' ? std::string("}}") : std::string(1, c);
        text += '}';
    }
    return text;
}

const std::string* FindConnectionValue(const TConnectionPairs& pairs, std::string_view key)
{
    const std::string* found = nullptr;
    for (const auto& pair : pairs)
        if (SameKey(pair.key, key))
            found = &pair.value;
    return found;
}

std::string OdbcStringOf(std::string_view stored, std::string_view provider)
{
    const bool oleDb = IsOleDbString(stored);
    const TConnectionPairs pairs = oleDb ? ParseOleDbString(stored) : TConnectionPairs();
    const std::string* own = FindConnectionValue(pairs, "Provider");
    const std::string name(Trimmed(own ? std::string_view(*own) : provider));
    if (!IsOdbcProvider(name))
        throw EOleException("The data provider \"" + name +
                            "\" is not available: only ODBC data sources can be used (Provider=MSDASQL).");
    return oleDb ? OdbcPairsOfOleDb(pairs) : std::string(stored);
}

std::optional<int> StoredCommandTimeout(std::string_view stored)
{
    if (!IsOleDbString(stored))
        return std::nullopt;
    const TConnectionPairs pairs = ParseOleDbString(stored);
    const std::string* value = FindConnectionValue(pairs, "Command Timeout");
    if (!value)
        return std::nullopt;
    const std::string_view seconds = Trimmed(*value);
    if (seconds.empty() || !std::all_of(seconds.begin(), seconds.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw EConnectionStringRefused("The command timeout of a connection string must be a whole number of "
                                       "seconds.");
    // A link may shorten the bound on its reads, never lift it; the digits only fail to fit an int.
    const std::optional<int> timeout = WholeNumber(seconds);
    return !timeout || *timeout == 0 || *timeout > MaxCommandTimeout ? MaxCommandTimeout : *timeout;
}

std::string DriverConnectString(std::string_view odbcString, std::string_view userId, std::string_view password)
{
    TConnectionPairs pairs = ParseOdbcString(odbcString);
    if (!userId.empty())
        SetPair(pairs, "UID", std::string(userId));
    if (!password.empty())
        SetPair(pairs, "PWD", std::string(password));
    if (IsSqliteDriver(pairs))
        AdjustForSqlite(pairs);
    if (IsPostgresDriver(pairs))
        AdjustForPostgres(pairs);
    return ComposeOdbcString(pairs);
}

OdbcDriverKind DriverKindOfLibrary(std::string_view library)
{
    const std::string name = KeyForm(library.substr(library.find_last_of('/') + 1));
    if (name.rfind("libsqlite", 0) == 0 && name.find("odbc") != std::string::npos)
        return OdbcDriverKind::SQLite;
    if (name.rfind("psqlodbc", 0) == 0)
        return OdbcDriverKind::PostgreSQL;
    return OdbcDriverKind::Other;
}

std::string GuardedDriverString(std::string_view driverString, const TOdbcInstalled& installed,
                                std::string_view written)
{
    const RefusalTexts texts{driverString, written.empty() ? driverString : written};
    TConnectionPairs pairs = ParseOdbcString(driverString);
    for (auto& pair : pairs)
        if (SameKey(pair.key, "Driver")) {
            const TOdbcInstalled::Driver* driver = InstalledDriver(pair.value, installed);
            if (!driver)
                RefuseDriver(pair.value, texts);
            pair.value = driver->name;
        }
    const std::string guarded = ComposeOdbcString(pairs);
    const TConnectionPairs segments = Segments(guarded);
    for (const auto& segment : segments)
        if (SameKey(segment.key, "Driver") && !InstalledDriver(segment.value, installed))
            RefuseDriver(segment.value, texts);
    pairs.insert(pairs.end(), segments.begin(), segments.end());
    RefuseMovedDataSource(pairs, texts);
    const OdbcDriverKind kind = KindOfDrivers(pairs, installed);
    for (const auto& pair : pairs)
        if (!KeyAllowed(pair, kind))
            RefuseKey(pair.key, texts);
    std::string passed = guarded;
    // Every NoCreat left is "1"; the driver takes the first of a key, from a string's start alone.
    constexpr std::string_view SqliteStart = "NoCreat=1;";
    if (MayLoad(OdbcDriverKind::SQLite, pairs, installed) && passed.rfind(SqliteStart, 0) != 0)
        passed.insert(0, SqliteStart);
    // The program's own wait, right after, is the one the driver takes.
    if (MayLoad(OdbcDriverKind::SQLite, pairs, installed) && LiftsSqliteLockWait(pairs))
        passed.insert(SqliteStart.size(), "Timeout=" + std::to_string(MaxCommandTimeout * 1000) + ";");
    if (MayLoad(OdbcDriverKind::PostgreSQL, pairs, installed))
        passed += PostgresOwnKeys;
    return passed;
}
