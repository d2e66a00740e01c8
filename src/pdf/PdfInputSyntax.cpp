#include "pdf/PdfInputSyntax.h"

#include "pdf/PdfDictionaryStrings.h"
#include "platform/core/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

constexpr std::string_view Delimiters = "()<>[]{}/%";
constexpr std::size_t LongestObjectNumber = 10;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool IsRegular(char c) { return !IsBlankOrControl(c) && Delimiters.find(c) == std::string_view::npos; }

bool IsDigits(std::string_view token)
{
    return !token.empty() && std::all_of(token.begin(), token.end(), IsDigit);
}

[[noreturn]] void InvalidFile() { throw Exception("Invalid File"); }

// The end of "n g R" when the digits at `at` begin one, else npos.
std::size_t ReferenceEnd(std::string_view text, std::size_t at)
{
    const std::size_t generation = SkipBlanks(text, TokenEnd(text, at));
    const std::size_t generationEnd = TokenEnd(text, generation);
    if (generation >= text.size() || !IsDigits(text.substr(generation, generationEnd - generation)))
        return std::string_view::npos;
    const std::size_t r = SkipBlanks(text, generationEnd);
    if (r >= text.size() || text[r] != 'R' || TokenEnd(text, r) != r + 1)
        return std::string_view::npos;
    return r + 1;
}

// An object number the file could hold; -1 for one beyond any table.
int ObjectNumber(std::string_view digits)
{
    if (digits.size() > LongestObjectNumber)
        return -1;
    const long long value = std::stoll(std::string(digits));
    return value > INT_MAX ? -1 : static_cast<int>(value);
}

} // namespace

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::size_t SkipBlanks(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsBlankOrControl(text[at]))
        ++at;
    return at;
}

bool StartsWordAt(std::string_view text, std::size_t at, std::string_view word)
{
    return at <= text.size() && text.substr(at, word.size()) == word;
}

std::size_t FindTag(std::string_view text, std::string_view tag)
{
    for (std::size_t at = text.find(tag); at != std::string_view::npos; at = text.find(tag, at + 1)) {
        const std::size_t end = at + tag.size();
        if (end >= text.size() || !IsNameCharacter(text[end]))
            return end;
    }
    return std::string_view::npos;
}

std::size_t NextToken(std::string_view text, std::size_t at)
{
    at = SkipBlanks(text, at);
    while (at < text.size() && text[at] == '%')
        at = SkipBlanks(text, TokenEnd(text, at));
    return at;
}

void MissingTag(std::string_view tag) { throw Exception("Cannot find TAG " + std::string(tag)); }

std::size_t TokenEnd(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return text.size();
    const bool doubled = at + 1 < text.size() && text[at + 1] == text[at];
    switch (text[at]) {
    case '(':
        return std::min(PdfLiteralStringEnd(text, at), text.size());
    case '<':
        return doubled ? at + 2 : std::min(text.find('>', at), text.size() - 1) + 1;
    case '>':
        return doubled ? at + 2 : at + 1;
    case '%':
        return std::min(text.find_first_of("\r\n", at), text.size());
    case '/': {
        std::size_t end = at + 1;
        while (end < text.size() && IsRegular(text[end]))
            ++end;
        return end;
    }
    default: {
        std::size_t end = at + 1;
        while (IsRegular(text[at]) && end < text.size() && IsRegular(text[end]))
            ++end;
        return end;
    }
    }
}

std::size_t ValueEnd(std::string_view text, std::size_t at)
{
    at = NextToken(text, at);
    if (at >= text.size())
        return std::string_view::npos;
    const std::size_t end = TokenEnd(text, at);
    const std::string_view token = text.substr(at, end - at);
    if (IsDigits(token)) {
        const std::size_t reference = ReferenceEnd(text, at);
        return reference != std::string_view::npos ? reference : end;
    }
    if (token != "<<" && token != "[")
        return end;
    int depth = 1;
    for (std::size_t position = NextToken(text, end); position < text.size(); position = NextToken(text, position)) {
        const std::size_t next = TokenEnd(text, position);
        const std::string_view inner = text.substr(position, next - position);
        if (inner == "<<" || inner == "[")
            ++depth;
        else if ((inner == ">>" || inner == "]") && --depth == 0)
            return next;
        position = next;
    }
    return std::string_view::npos;
}

std::vector<std::pair<std::string_view, std::string_view>> DictionaryEntries(std::string_view text, std::size_t at)
{
    at = text.find("<<", at);
    if (at == std::string_view::npos)
        InvalidFile();
    std::vector<std::pair<std::string_view, std::string_view>> entries;
    for (std::size_t position = NextToken(text, at + 2);; position = NextToken(text, position)) {
        if (position >= text.size() || text[position] != '/') {
            if (!StartsWordAt(text, position, ">>"))
                InvalidFile();
            return entries;
        }
        const std::size_t keyEnd = TokenEnd(text, position);
        const std::size_t value = NextToken(text, keyEnd);
        const std::size_t valueEnd = ValueEnd(text, value);
        if (valueEnd == std::string_view::npos || StartsWordAt(text, value, ">>"))
            InvalidFile();
        entries.emplace_back(text.substr(position, keyEnd - position), text.substr(value, valueEnd - value));
        position = valueEnd;
    }
}

std::string_view EntryValue(std::string_view dictionary, std::string_view key)
{
    for (const auto& [name, value] : DictionaryEntries(dictionary))
        if (name == key)
            return value;
    return {};
}

int ReferencedObject(std::string_view value)
{
    const std::size_t at = NextToken(value, 0);
    const std::size_t end = at < value.size() ? ReferenceEnd(value, at) : std::string_view::npos;
    const std::string_view number = value.substr(at, TokenEnd(value, at) - at);
    if (end == std::string_view::npos || !IsDigits(number) || NextToken(value, end) != value.size())
        return -1;
    return ObjectNumber(number);
}

std::vector<int> References(std::string_view list)
{
    std::vector<int> numbers;
    for (std::size_t at = NextToken(list, 0); at < list.size(); at = NextToken(list, at)) {
        const std::size_t end = ReferenceEnd(list, at);
        const std::string_view number = list.substr(at, TokenEnd(list, at) - at);
        if (!IsDigits(number) || end == std::string_view::npos || ObjectNumber(number) < 0)
            InvalidFile();
        numbers.push_back(ObjectNumber(number));
        at = end;
    }
    return numbers;
}

std::string RewriteReferences(std::string_view text, const std::function<std::string(int)>& reference,
                              const std::function<std::string(const std::string&)>& string)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (IsBlankOrControl(text[at])) {
            result += text[at++];
            continue;
        }
        const std::size_t end = TokenEnd(text, at);
        const std::string_view token = text.substr(at, end - at);
        const bool isString = token.front() == '(' || (token.front() == '<' && token != "<<");
        if (isString && string) {
            result += string(StringBytes(token));
        } else if (const std::size_t referenceEnd = IsDigits(token) ? ReferenceEnd(text, at) : std::string_view::npos;
                   referenceEnd != std::string_view::npos) {
            result += reference(ObjectNumber(token));
            at = referenceEnd;
            continue;
        } else {
            result += token;
        }
        at = end;
    }
    return result;
}

std::string StringBytes(std::string_view token)
{
    if (token.empty())
        return {};
    const char close = token.front() == '(' ? ')' : '>';
    const std::size_t length = token.size() > 1 && token.back() == close ? token.size() - 2 : token.size() - 1;
    const std::string_view body = token.substr(1, length);
    return token.front() == '(' ? PdfLiteralStringBytes(body) : PdfHexStringBytes(body);
}
