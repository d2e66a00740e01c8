#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TPdfFileWriter;
class TStream;

// The text at `position` up to and including the ">>" that closes its first "<<", read in pieces
// until it balances; empty when the stream ends first or the dictionary would pass
// LongestDictionary bytes. A position outside the stream gives nothing too.
std::string ReadBalancedDictionary(TStream& stream, std::int64_t position);
constexpr std::size_t LongestDictionary = 1u << 20;

// An object that a resource list names: its explicit name, or none for prefix + position.
struct TPdfNamedObject {
    std::string name;
    class TPdfCustomType* object = nullptr;
};

// The base of every PDF object: its number, how it writes itself, and whether it was written.
// References may be handed out before the object is written; its number is reserved then.
class TPdfCustomType {
public:
    explicit TPdfCustomType(TPdfFileWriter* owner);
    virtual ~TPdfCustomType();
    TPdfCustomType(const TPdfCustomType&) = delete;
    TPdfCustomType& operator=(const TPdfCustomType&) = delete;

    virtual const char* ClassName() const = 0;

    // The object's body; raises "AsString is not implemented for this obj" for the containers that
    // write themselves.
    virtual std::string AsString();
    // Takes the object's dictionary text as read from an input file; raises
    // "SetAsString is not implemented for this obj" for the objects that cannot.
    virtual void SetAsString(const std::string& text);
    // The first dictionary at `position` to SetAsString; false when there is none.
    bool LoadFromStream(TStream& stream, std::int64_t position);
    // number + " 0 R"; reserves a number first when the object has none.
    virtual std::string AsReferenceString();
    virtual std::string AsReferenceArrayString();
    // Records the object's file position; raises "Object may only be written once!".
    virtual void UpdateXRef();
    // Header, body and end as three lines.
    virtual void WriteIt();

    // The header line: number + " 0 obj \r<<", or only number + " 0 obj" with the plain header.
    std::string ObjStart() const;

    // The object's bytes, encrypted when the file is (and the object is not exempt) with the key of
    // the indirect object they are written in.
    std::string EncryptStr(std::string_view text) const;
    // The text's UTF-16 big-endian bytes, encrypted as EncryptStr encrypts.
    std::string EncryptStrW(std::u16string_view text) const;
    void Encrypt(std::uint8_t* data, std::size_t count) const;
    bool Encrypts() const;

    // A value that an array or dictionary writes inline belongs to that container's indirect object;
    // containers call this for the elements they own.
    void SetContainer(const TPdfCustomType* container) { container_ = container; }
    // The object whose number this one is written under: itself once it has a number of its own,
    // else the container it is written inside.
    const TPdfCustomType& IndirectObject() const;

    TPdfFileWriter* Owner() const { return owner_; }
    int Number() const { return number_; }
    bool Written() const { return written_; }
    bool PlainHeader() const { return plainHeader_; }
    void SetPlainHeader(bool plain) { plainHeader_ = plain; }
    bool NotEncrypted() const { return notEncrypted_; }
    void SetNotEncrypted(bool exempt) { notEncrypted_ = exempt; }

protected:
    // Raises "Object has no owner".
    TPdfFileWriter& Device() const;
    void RawWrite(std::string_view bytes) const;
    void RawWriteLN(std::string_view bytes) const;
    void WriteObjectEnd() const;

    // "/key [ ref" CR LF "ref ]" CR LF; nothing for an empty list.
    void WriteListReferences(std::string_view key, const std::vector<TPdfCustomType*>& list) const;
    void WriteReferenceList(std::string_view key, const std::vector<std::string>& references) const;
    // "/key << /name ref" CR LF "prefix<i + first> ref >>" CR LF; nothing for an empty list.
    void WriteListResReferences(std::string_view key, std::string_view prefix, const std::vector<TPdfNamedObject>& list,
                                int first) const;

private:
    TPdfFileWriter* owner_;
    const TPdfCustomType* container_ = nullptr;
    int number_ = 0;
    bool written_ = false;
    bool plainHeader_ = false;
    bool notEncrypted_ = false;
};
