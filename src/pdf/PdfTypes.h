#pragma once

#include "pdf/PdfCustomType.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A literal string. With the file encrypted the cipher bytes are always escaped, so that no ")" or
// "\" of the cipher text can end the string early.
class TPdfString : public TPdfCustomType {
public:
    TPdfString(TPdfFileWriter* owner, std::string value, bool alreadyFormatted = false);
    const char* ClassName() const override { return "TPdfString"; }
    std::string AsString() override;

    const std::string& Value() const { return value_; }
    bool AlreadyFormatted() const { return alreadyFormatted_; }

private:
    std::string value_;
    bool alreadyFormatted_;
};

class TPdfName : public TPdfCustomType {
public:
    TPdfName(TPdfFileWriter* owner, std::string name);
    const char* ClassName() const override { return "TPdfName"; }
    std::string AsString() override;

    const std::string& Name() const { return name_; }

protected:
    std::string name_;
};

class TPdfNull : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfNull"; }
    std::string AsString() override;
};

// An array of objects; those added by AddLink belong to someone else and appear by reference.
class TPdfArray : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfArray"; }
    // "[" + the elements separated by blanks + "]"; written objects appear as references.
    std::string AsString() override;

    void Add(std::unique_ptr<TPdfCustomType> element);
    void AddLink(TPdfCustomType* element);
    int Count() const { return static_cast<int>(elements_.size()); }
    TPdfCustomType* Item(int index) const { return elements_.at(static_cast<std::size_t>(index)).object; }

private:
    struct TElement {
        TPdfCustomType* object;
        bool linked;
    };
    std::vector<TElement> elements_;
    std::vector<std::unique_ptr<TPdfCustomType>> owned_;
};

class TPdfNumArray : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfNumArray"; }
    // "[ " + every value, a line feed after each 19th and a blank after the others + "]".
    std::string AsString() override;

    void Append(std::int32_t value) { values_.push_back(value); }
    void Clear() { values_.clear(); }
    std::int32_t Value(int index) const { return values_.at(static_cast<std::size_t>(index)); }
    int Count() const { return static_cast<int>(values_.size()); }

private:
    std::vector<std::int32_t> values_;
};

// Keys and values in pairs. Its text is the body between "<<" and ">>", one pair a line.
class TPdfDictionary : public TPdfCustomType {
public:
    using TPdfCustomType::TPdfCustomType;
    const char* ClassName() const override { return "TPdfDictionary"; }
    std::string AsString() override;

    void Add(std::string key, std::unique_ptr<TPdfCustomType> value);
    int Count() const { return static_cast<int>(pairs_.size()); }
    // The value of a key; nullptr when absent.
    TPdfCustomType* Find(std::string_view key) const;

private:
    std::vector<std::pair<std::unique_ptr<TPdfName>, std::unique_ptr<TPdfCustomType>>> pairs_;
};

// A font encoding for one Windows character set, its text finished by the font code.
class TPdfEncodingVector : public TPdfCustomType {
public:
    TPdfEncodingVector(TPdfFileWriter* owner, int charset, std::string text);
    const char* ClassName() const override { return "TPdfEncodingVector"; }
    std::string AsString() override { return text_; }

    int Charset() const { return charset_; }

private:
    int charset_;
    std::string text_;
};

// How an object appears inside an array or dictionary: objects of their own (linked, written or
// numbered) by reference,
// dictionaries enclosed in "<<" ">>", everything else by its text.
std::string PdfValueText(TPdfCustomType& value, bool byReference = false);
