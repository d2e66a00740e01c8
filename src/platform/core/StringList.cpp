#include "platform/core/StringList.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextFile.h"
#include "platform/core/TextUtils.h"

#include <algorithm>

namespace {

bool NeedsQuotes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ','; });
}

std::string Quoted(std::string_view text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"')
            result += '"';
        result += c;
    }
    return result + "\"";
}

bool IsCommaTextBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads a quoted item at text[pos] == '"', doubled quotes standing for one; pos ends after it.
std::string ReadQuoted(std::string_view text, size_t& pos)
{
    std::string item;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '"') {
            if (pos + 1 < text.size() && text[pos + 1] == '"') {
                item += '"';
                ++pos;
            } else {
                ++pos;
                break;
            }
        } else {
            item += text[pos];
        }
    }
    return item;
}

} // namespace

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}

const std::string& TStringList::operator[](int index) const
{
    CheckIndex(index);
    return strings_[static_cast<size_t>(index)];
}

void TStringList::SetString(int index, std::string_view text)
{
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    strings_[static_cast<size_t>(index)] = std::string(text);
}

bool TStringList::Find(std::string_view text, int& index) const
{
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = CompareText(strings_[static_cast<size_t>(middle)], text);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (order == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept)
                    low = middle;
            }
        }
    }
    index = low;
    return found;
}

int TStringList::Add(std::string_view text)
{
    if (!sorted_) {
        strings_.emplace_back(text);
        return Count() - 1;
    }
    int index;
    if (Find(text, index)) {
        if (duplicates_ == TDuplicates::dupIgnore)
            return index;
        if (duplicates_ == TDuplicates::dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    strings_.insert(strings_.begin() + index, std::string(text));
    return index;
}

void TStringList::Insert(int index, std::string_view text)
{
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    strings_.insert(strings_.begin() + index, std::string(text));
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    strings_.erase(strings_.begin() + index);
}

int TStringList::IndexOf(std::string_view text) const
{
    if (sorted_) {
        int index;
        return Find(text, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (SameText(strings_[static_cast<size_t>(i)], text))
            return i;
    return -1;
}

void TStringList::Sort()
{
    std::stable_sort(strings_.begin(), strings_.end(),
                     [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_)
        Sort();
    sorted_ = sorted;
}

std::string TStringList::Names(int index) const
{
    const std::string& line = (*this)[index];
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

int TStringList::IndexOfName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string& line = strings_[static_cast<size_t>(i)];
        const size_t equals = line.find('=');
        if (equals != std::string::npos && SameText(std::string_view(line).substr(0, equals), name))
            return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const
{
    const int index = IndexOfName(name);
    if (index < 0)
        return {};
    const std::string& line = strings_[static_cast<size_t>(index)];
    return line.substr(line.find('=') + 1);
}

void TStringList::SetValue(std::string_view name, std::string_view value)
{
    const int index = IndexOfName(name);
    const std::string line = std::string(name) + "=" + std::string(value);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
    } else if (index < 0) {
        Add(line);
    } else if (sorted_) {
        Delete(index);
        Add(line);
    } else {
        strings_[static_cast<size_t>(index)] = line;
    }
}

std::string TStringList::CommaText() const
{
    if (Count() == 1 && strings_[0].empty())
        return "\"\"";
    std::string result;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0)
            result += ',';
        const std::string& item = strings_[static_cast<size_t>(i)];
        result += NeedsQuotes(item) ? Quoted(item) : item;
    }
    return result;
}

void TStringList::SetCommaText(std::string_view text)
{
    Clear();
    // The text ends at a zero byte, as the class library's zero-terminated text does.
    text = text.substr(0, text.find('\0'));
    size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && IsCommaTextBlank(text[pos]))
            ++pos;
    };
    skipBlanks();
    while (pos < text.size()) {
        if (text[pos] == '"') {
            Add(ReadQuoted(text, pos));
        } else {
            const size_t start = pos;
            while (pos < text.size() && static_cast<unsigned char>(text[pos]) > ' ' && text[pos] != ',')
                ++pos;
            Add(text.substr(start, pos - start));
        }
        skipBlanks();
        if (pos < text.size() && text[pos] == ',') {
            // A trailing comma stands for one more, empty item.
            if (pos + 1 == text.size())
                Add("");
            ++pos;
            skipBlanks();
        }
    }
}

std::string TStringList::Text() const
{
    std::string result;
    for (const std::string& line : strings_)
        result += line + "\r\n";
    return result;
}

void TStringList::SetText(std::string_view text)
{
    Clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        Add(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

void TStringList::LoadFromFile(std::string_view fileName)
{
    Clear();
    for (const std::string& line : ReadTextFileLines(fileName))
        Add(line);
}

void TStringList::SaveToFile(std::string_view fileName) const
{
    AtomicFileWriter writer(fileName);
    writer.Write(Text());
    writer.Commit();
}
