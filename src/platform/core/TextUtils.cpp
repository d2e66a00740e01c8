#include "platform/core/TextUtils.h"

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

std::string TrimLeft(std::string_view text)
{
    size_t first = 0;
    while (first < text.size() && IsBlankOrControl(text[first]))
        ++first;
    return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && IsBlankOrControl(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string UpperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

std::string LowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

std::string CutAtNonPrintable(std::string_view text)
{
    size_t end = 0;
    while (end < text.size()) {
        const auto c = static_cast<unsigned char>(text[end]);
        if (c < 0x20 || c == 0x7F)
            break;
        ++end;
    }
    return std::string(text.substr(0, end));
}

int CompareText(std::string_view a, std::string_view b)
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

std::string Joined(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : std::string(separator)) + parts[i];
    return text;
}

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t found = text.find(separator); found != std::string_view::npos; found = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, found - start));
        start = found + 1;
    }
    parts.emplace_back(text.substr(start));
    return parts;
}
