#include "platform/services/SqlNames.h"

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

std::string SqlTableName(std::string_view name, std::string_view identifierQuote)
{
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

std::string SqlBareName(std::string_view name)
{
    const auto parts = SplitName(name);
    return parts ? parts->back().text : std::string(name);
}
