#include "platform/settings/SettingsFile.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace {

constexpr std::string_view HexPrefix = "hex:";
constexpr char HexDigits[] = "0123456789abcdef";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsWithHexPrefix(std::string_view text)
{
    return text.size() >= HexPrefix.size() && SameText(text.substr(0, HexPrefix.size()), HexPrefix);
}

bool NeedsQuotes(std::string_view text)
{
    if (text.empty())
        return false;
    if (IsBlank(text.front()) || IsBlank(text.back()) || text.front() == '"' || StartsWithHexPrefix(text))
        return true;
    return std::any_of(text.begin(), text.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); });
}

bool NameNeedsQuotes(std::string_view name)
{
    return name.empty() || NeedsQuotes(name) || name.find('=') != std::string_view::npos || name.front() == '[' ||
           name.front() == ';' || name.front() == '#';
}

std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '\\':
            quoted += "\\\\";
            break;
        case '"':
            quoted += "\\\"";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (IsControl(static_cast<unsigned char>(c))) {
                const auto byte = static_cast<unsigned char>(c);
                quoted += "\\x";
                quoted += HexDigits[byte >> 4];
                quoted += HexDigits[byte & 0x0F];
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char Unescaped(char c)
{
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case '\\':
    case '"':
        return c;
    default:
        return 0;
    }
}

// Reads a quoted text starting at `pos` (on the opening quote); on success `pos` is just past the
// closing quote.
std::optional<std::string> ParseQuoted(std::string_view line, size_t& pos)
{
    std::string text;
    for (size_t i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            pos = i + 1;
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++i >= line.size())
            return std::nullopt;
        if (line[i] == 'x') {
            if (i + 2 >= line.size() || HexValue(line[i + 1]) < 0 || HexValue(line[i + 2]) < 0)
                return std::nullopt;
            text += static_cast<char>(HexValue(line[i + 1]) * 16 + HexValue(line[i + 2]));
            i += 2;
        } else if (const char plain = Unescaped(line[i])) {
            text += plain;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string HexText(std::string_view bytes)
{
    std::string text(HexPrefix);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (i > 0)
            text += ',';
        text += HexDigits[byte >> 4];
        text += HexDigits[byte & 0x0F];
    }
    return text;
}

std::optional<std::string> ParseHex(std::string_view list)
{
    std::string bytes;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string item = Trim(list.substr(start, end - start));
        start = end + 1;
        if (item.empty())
            continue;
        if (item.size() > 2 || HexValue(item.front()) < 0 || HexValue(item.back()) < 0)
            return std::nullopt;
        bytes += static_cast<char>(item.size() == 1 ? HexValue(item[0]) : HexValue(item[0]) * 16 + HexValue(item[1]));
    }
    return bytes;
}

std::optional<SettingsFile::Value> ParseValueLine(std::string_view line)
{
    SettingsFile::Value value;
    size_t pos = 0;
    if (line.front() == '"') {
        std::optional<std::string> name = ParseQuoted(line, pos);
        while (name && pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (!name || pos >= line.size() || line[pos] != '=')
            return std::nullopt;
        value.name = std::move(*name);
    } else {
        pos = line.find('=');
        if (pos == std::string_view::npos)
            return std::nullopt;
        value.name = Trim(line.substr(0, pos));
        if (value.name.empty())
            return std::nullopt;
    }
    const std::string raw = Trim(line.substr(pos + 1));
    if (!raw.empty() && raw.front() == '"') {
        size_t end = 0;
        std::optional<std::string> text = ParseQuoted(raw, end);
        if (!text || end != raw.size())
            return std::nullopt;
        value.data = std::move(*text);
    } else if (StartsWithHexPrefix(raw)) {
        std::optional<std::string> bytes = ParseHex(std::string_view(raw).substr(HexPrefix.size()));
        if (!bytes)
            return std::nullopt;
        value.type = SettingsFile::ValueType::Binary;
        value.data = std::move(*bytes);
    } else {
        value.data = raw;
    }
    return value;
}

// The key a "[...]" line names, or nothing when the line is not a well-formed header.
std::optional<std::string> ParseHeader(std::string_view line)
{
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || !Trim(line.substr(close + 1)).empty())
        return std::nullopt;
    return NormalKeyPath(line.substr(1, close - 1));
}

std::string_view WithoutLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

} // namespace

std::string NormalKeyPath(std::string_view key)
{
    std::string path;
    size_t start = 0;
    while (start <= key.size()) {
        const size_t end = std::min(key.find_first_of("\\/", start), key.size());
        const std::string part = Trim(key.substr(start, end - start));
        start = end + 1;
        if (part.empty())
            continue;
        if (!path.empty())
            path += '\\';
        path += part;
    }
    return path;
}

SettingsFile SettingsFile::Parse(std::string_view bytes)
{
    SettingsFile file;
    std::optional<std::string> currentKey = std::string();
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = std::min(bytes.find('\n', start), bytes.size());
        const std::string line = TrimLeft(WithoutLineEnd(bytes.substr(start, end - start)));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            // Values under a broken header belong to no key we know, so they are left out.
            currentKey = ParseHeader(line);
            if (currentKey)
                file.KeyFor(*currentKey);
            continue;
        }
        if (!currentKey)
            continue;
        if (std::optional<Value> value = ParseValueLine(line))
            file.Set(*currentKey, value->name, value->type, value->data);
    }
    return file;
}

std::vector<std::string> SettingsFile::Lines() const
{
    std::vector<std::string> lines;
    for (const Key& key : keys_) {
        if (!key.path.empty()) {
            if (!lines.empty())
                lines.emplace_back();
            lines.push_back("[" + key.path + "]");
        }
        for (const Value& value : key.values) {
            std::string line = NameNeedsQuotes(value.name) ? Quoted(value.name) : value.name;
            line += '=';
            if (value.type == ValueType::Binary)
                line += HexText(value.data);
            else
                line += NeedsQuotes(value.data) ? Quoted(value.data) : value.data;
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

const SettingsFile::Value* SettingsFile::Key::FindValue(std::string_view name) const
{
    const auto found = valueIndex.find(UpperCase(name));
    return found == valueIndex.end() ? nullptr : &values[found->second];
}

SettingsFile::Value* SettingsFile::Key::FindValue(std::string_view name)
{
    return const_cast<Value*>(std::as_const(*this).FindValue(name));
}

void SettingsFile::Key::AddValue(Value value)
{
    valueIndex.emplace(UpperCase(value.name), values.size());
    values.push_back(std::move(value));
}

bool SettingsFile::Key::DeleteValue(std::string_view name)
{
    const auto found = valueIndex.find(UpperCase(name));
    if (found == valueIndex.end())
        return false;
    const size_t index = found->second;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(index));
    valueIndex.erase(found);
    // The values after it moved up by one place.
    for (auto& entry : valueIndex)
        if (entry.second > index)
            --entry.second;
    return true;
}

size_t SettingsFile::KeyIndex(std::string_view key) const
{
    const auto found = keyIndex_.find(UpperCase(NormalKeyPath(key)));
    return found == keyIndex_.end() ? std::string::npos : found->second;
}

const SettingsFile::Key* SettingsFile::FindKey(std::string_view key) const
{
    const size_t index = KeyIndex(key);
    return index == std::string::npos ? nullptr : &keys_[index];
}

SettingsFile::Key& SettingsFile::KeyFor(std::string_view key)
{
    if (keys_.empty())
        AddKey(std::string());
    const size_t index = KeyIndex(key);
    if (index != std::string::npos)
        return keys_[index];
    return AddKey(NormalKeyPath(key));
}

SettingsFile::Key& SettingsFile::AddKey(std::string path)
{
    keyIndex_.emplace(UpperCase(path), keys_.size());
    keys_.push_back({std::move(path), {}, {}});
    return keys_.back();
}

bool SettingsFile::KeyExists(std::string_view key) const { return NormalKeyPath(key).empty() || FindKey(key); }

const SettingsFile::Value* SettingsFile::Find(std::string_view key, std::string_view name) const
{
    const Key* found = FindKey(key);
    return found ? found->FindValue(name) : nullptr;
}

std::vector<std::string> SettingsFile::ValueNames(std::string_view key) const
{
    std::vector<std::string> names;
    if (const Key* found = FindKey(key))
        for (const Value& value : found->values)
            names.push_back(value.name);
    return names;
}

void SettingsFile::Set(std::string_view key, std::string_view name, ValueType type, std::string_view data)
{
    Key& target = KeyFor(key);
    if (Value* existing = target.FindValue(name)) {
        existing->type = type;
        existing->data = data;
    } else {
        target.AddValue({std::string(name), type, std::string(data)});
    }
}

bool SettingsFile::Delete(std::string_view key, std::string_view name)
{
    const size_t index = KeyIndex(key);
    return index != std::string::npos && keys_[index].DeleteValue(name);
}

std::string SettingsFile::ReadString(std::string_view key, std::string_view name, std::string_view defaultValue) const
{
    const Value* value = Find(key, name);
    return value && value->type == ValueType::Text ? value->data : std::string(defaultValue);
}

int SettingsFile::ReadInteger(std::string_view key, std::string_view name, int defaultValue) const
{
    const Value* value = Find(key, name);
    if (!value || value->type != ValueType::Text)
        return defaultValue;
    try {
        return StrToInt(value->data);
    } catch (const EConvertError&) {
        return defaultValue;
    }
}

bool SettingsFile::ReadBool(std::string_view key, std::string_view name, bool defaultValue) const
{
    return ReadInteger(key, name, defaultValue ? 1 : 0) != 0;
}

std::optional<double> SettingsFile::ReadFloat(std::string_view key, std::string_view name) const
{
    const Value* value = Find(key, name);
    if (!value || value->type != ValueType::Binary || value->data.size() != sizeof(double))
        return std::nullopt;
    std::uint64_t bits = 0;
    for (size_t i = 0; i < sizeof(double); ++i)
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
    return std::bit_cast<double>(bits);
}

void SettingsFile::WriteString(std::string_view key, std::string_view name, std::string_view value)
{
    Set(key, name, ValueType::Text, value);
}

void SettingsFile::WriteInteger(std::string_view key, std::string_view name, int value)
{
    Set(key, name, ValueType::Text, IntToStr(value));
}

void SettingsFile::WriteBool(std::string_view key, std::string_view name, bool value)
{
    Set(key, name, ValueType::Text, value ? "1" : "0");
}

void SettingsFile::WriteFloat(std::string_view key, std::string_view name, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    std::string bytes(sizeof(double), '\0');
    for (size_t i = 0; i < sizeof(double); ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    Set(key, name, ValueType::Binary, bytes);
}
