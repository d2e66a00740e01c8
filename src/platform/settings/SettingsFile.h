#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The program's settings as the registry shapes them: keys (the root and its subkeys, "Options" or
// "A\B"), each with named values that are text or binary. Key and value names are compared without
// regard to case and keep the case they were first written with.
//
// The text form is INI-like: the root's values come first, each subkey follows under "[Name]", one
// value per line as "Name=text". A text that would not read back as written (blanks at its ends,
// control characters, a leading quote, or a leading "hex:") is written in double quotes with
// backslash escapes; a binary value is written "Name=hex:0a,ff". Reading is tolerant: blank lines,
// comments (";" or "#"), lines it cannot make sense of and values that don't parse are skipped.
class SettingsFile {
public:
    enum class ValueType { Text, Binary };

    struct Value {
        std::string name;
        ValueType type = ValueType::Text;
        std::string data; // text, or the binary bytes
    };

    static SettingsFile Parse(std::string_view bytes);
    // The text form, one line per string, without line ends.
    std::vector<std::string> Lines() const;

    bool KeyExists(std::string_view key) const;
    const Value* Find(std::string_view key, std::string_view name) const;
    std::vector<std::string> ValueNames(std::string_view key) const;
    // Creates the key when it is missing.
    void Set(std::string_view key, std::string_view name, ValueType type, std::string_view data);
    bool Delete(std::string_view key, std::string_view name);

    // The typed forms. A missing key or value, a value of the other type or a text that does not
    // convert gives the default.
    std::string ReadString(std::string_view key, std::string_view name, std::string_view defaultValue) const;
    // A whole decimal number: "1.5" or "abc" give the default.
    int ReadInteger(std::string_view key, std::string_view name, int defaultValue) const;
    // Read as an integer with 1 or 0 as the default; anything but 0 is true.
    bool ReadBool(std::string_view key, std::string_view name, bool defaultValue) const;
    // A binary value of exactly eight bytes, a little-endian IEEE double; nothing otherwise.
    std::optional<double> ReadFloat(std::string_view key, std::string_view name) const;

    void WriteString(std::string_view key, std::string_view name, std::string_view value);
    void WriteInteger(std::string_view key, std::string_view name, int value);
    void WriteBool(std::string_view key, std::string_view name, bool value);
    void WriteFloat(std::string_view key, std::string_view name, double value);

private:
    // Names are looked up through an index by their upper-case form, which matches them as SameText
    // does, so that reading a file of many keys or values stays linear.
    using NameIndex = std::unordered_map<std::string, size_t>;

    struct Key {
        std::string path;
        std::vector<Value> values;
        NameIndex valueIndex;

        const Value* FindValue(std::string_view name) const;
        Value* FindValue(std::string_view name);
        void AddValue(Value value);
        bool DeleteValue(std::string_view name);
    };

    size_t KeyIndex(std::string_view key) const;
    const Key* FindKey(std::string_view key) const;
    Key& KeyFor(std::string_view key);
    Key& AddKey(std::string path);

    std::vector<Key> keys_; // the root, path "", is always the first
    NameIndex keyIndex_;
};

// A key path as the store compares it: "/" taken as "\", parts trimmed, no delimiter at either end,
// no empty parts.
std::string NormalKeyPath(std::string_view key);
