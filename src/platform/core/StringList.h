#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

// The class library's list of strings. Comparisons ignore case, as its default does.
class TStringList {
public:
    int Count() const { return static_cast<int>(strings_.size()); }
    const std::string& operator[](int index) const;
    const std::string& Strings(int index) const { return (*this)[index]; }
    void SetString(int index, std::string_view text);

    // On a sorted list Add inserts in order (and honours Duplicates); returns the index.
    int Add(std::string_view text);
    // Raises EStringListError on a sorted list.
    void Insert(int index, std::string_view text);
    void Delete(int index);
    void Clear() { strings_.clear(); }
    int IndexOf(std::string_view text) const;

    void Sort();
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

    // "name=value" lines.
    std::string Names(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    // An empty value removes the line, as the class library does.
    void SetValue(std::string_view name, std::string_view value);

    std::string CommaText() const;
    void SetCommaText(std::string_view text);
    // Every line followed by CR LF.
    std::string Text() const;
    // Splits at CR LF, LF or CR.
    void SetText(std::string_view text);

    void LoadFromFile(std::string_view fileName);
    void SaveToFile(std::string_view fileName) const;

private:
    // Binary search of a sorted list: true when found; index is the match or the insertion point.
    bool Find(std::string_view text, int& index) const;
    void CheckIndex(int index) const;

    std::vector<std::string> strings_;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};
