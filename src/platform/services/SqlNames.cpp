#include "platform/services/SqlNames.h"

#include "platform/core/TextUtils.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <vector>

namespace {

bool IsIdentifierStart(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '_' || byte >= 0x80;
}

bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

struct NamePart {
    std::string text;
    bool bracketed;
};

// "[a b]" with "]]" for "]"; false when it is not closed where the part ends.
bool ReadBracketed(std::string_view name, size_t& pos, std::string& text)
{
    for (++pos; pos < name.size(); ++pos) {
        if (name[pos] != ']') {
            text += name[pos];
        } else if (pos + 1 < name.size() && name[pos + 1] == ']') {
            text += ']';
            ++pos;
        } else {
            ++pos;
            return !text.empty();
        }
    }
    return false;
}

// The parts of a name made of identifiers and bracketed names joined by "."; none when it is not.
std::optional<std::vector<NamePart>> SplitName(std::string_view name)
{
    std::vector<NamePart> parts;
    size_t pos = 0;
    while (true) {
        NamePart part{{}, pos < name.size() && name[pos] == '['};
        if (part.bracketed) {
            if (!ReadBracketed(name, pos, part.text))
                return std::nullopt;
        } else {
            if (pos >= name.size() || !IsIdentifierStart(name[pos]))
                return std::nullopt;
            while (pos < name.size() && IsIdentifierPart(name[pos]))
                part.text += name[pos++];
        }
        parts.push_back(std::move(part));
        if (pos == name.size())
            return parts;
        if (name[pos++] != '.')
            return std::nullopt;
    }
}

std::string Quoted(std::string_view text, std::string_view quote)
{
    std::string result(quote);
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (text.compare(pos, quote.size(), quote) == 0) {
            result += quote;
            result += quote;
            pos += quote.size() - 1;
        } else {
            result += text[pos];
        }
    }
    return result + std::string(quote);
}

std::string_view QuoteOrStandard(std::string_view identifierQuote)
{
    return identifierQuote.empty() || identifierQuote == " " ? std::string_view("\"") : identifierQuote;
}

} // namespace

// Blanks around a typed or stored name are not part of it (a bracketed part keeps its own).
std::string SqlTableName(std::string_view typed, std::string_view identifierQuote)
{
    const std::string name = Trim(typed);
    const std::string_view quote = QuoteOrStandard(identifierQuote);
    const auto parts = SplitName(name);
    if (!parts)
        return Quoted(name, quote);
    std::string result;
    for (const auto& part : *parts) {
        if (!result.empty())
            result += '.';
        result += part.bracketed ? Quoted(part.text, quote) : part.text;
    }
    return result;
}

std::string SqlQuotedName(std::string_view name, std::string_view identifierQuote)
{
    return Quoted(name, QuoteOrStandard(identifierQuote));
}

std::string SqlBareName(std::string_view typed)
{
    const std::string name = Trim(typed);
    const auto parts = SplitName(name);
    return parts ? parts->back().text : name;
}

namespace {

// The words and names of a statement, one at a time: a quoted name ("..." [...] `...`) is one token
// without its quotes, a text in '' is skipped whole, and every other character that is not a letter,
// digit, "_", "." or "$" is a token of its own.
class SqlTokens {
public:
    explicit SqlTokens(std::string_view sql) : sql_(sql) {}

    bool Next(std::string& token)
    {
        while (at_ < sql_.size() && std::isspace(static_cast<unsigned char>(sql_[at_])))
            ++at_;
        if (at_ >= sql_.size())
            return false;
        const char c = sql_[at_];
        const char close = c == '"' ? '"' : c == '[' ? ']' : c == '`' ? '`' : c == '\'' ? '\'' : 0;
        if (close != 0) {
            const size_t end = std::min(sql_.find(close, at_ + 1), sql_.size());
            token = c == '\'' ? "'" : std::string(sql_.substr(at_ + 1, end - at_ - 1));
            at_ = end + 1;
            return true;
        }
        const size_t start = at_;
        while (at_ < sql_.size() && IsWordChar(sql_[at_]))
            ++at_;
        if (at_ == start)
            ++at_;
        token = sql_.substr(start, at_ - start);
        return true;
    }

private:
    static bool IsWordChar(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' ||
               static_cast<unsigned char>(c) >= 0x80;
    }

    std::string_view sql_;
    size_t at_ = 0;
};

bool IsOneOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return SameText(word, w); });
}

bool StartsJoin(std::string_view token)
{
    return token == "," || IsOneOf(token, {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER"});
}

bool IsAlias(std::string_view token)
{
    return !token.empty() && IsIdentifierStart(token.front()) && !StartsJoin(token) &&
           !IsOneOf(token, {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "LIMIT", "FOR", "WINDOW"});
}

} // namespace

std::string SqlSelectTableName(std::string_view sql)
{
    SqlTokens tokens(sql);
    std::string token;
    if (!tokens.Next(token) || !SameText(token, "SELECT"))
        return {};
    int depth = 0;
    while (tokens.Next(token) && !(depth == 0 && SameText(token, "FROM")))
        depth += token == "(" ? 1 : token == ")" ? -1 : 0;
    std::string table;
    if (!SameText(token, "FROM") || !tokens.Next(table) || table == "(")
        return {};
    // An alias may follow the name ("AS a" or "a"); a second table may not.
    std::vector<std::string> after;
    for (std::string next; after.size() < 3 && tokens.Next(next);)
        after.push_back(next);
    size_t at = 0;
    if (at < after.size() && SameText(after[at], "AS"))
        at += 2;
    else if (at < after.size() && IsAlias(after[at]))
        ++at;
    return at < after.size() && StartsJoin(after[at]) ? std::string() : table;
}
