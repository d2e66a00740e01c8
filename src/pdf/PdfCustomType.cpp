#include "pdf/PdfCustomType.h"

#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/PdfFileWriter.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"

#include <algorithm>

namespace {

constexpr std::int64_t DictionaryPiece = 4096;

// Scans `text` from `at` on, counting "<<" against ">>"; the end just past the ">>" that brings
// the depth below 1, or npos. `at` and `depth` carry over to the next piece; a pair split between
// pieces is left for the next call unless the text is final.
std::size_t DictionaryEnd(const std::string& text, std::size_t& at, int& depth, bool final)
{
    const std::size_t stop = final ? text.size() : text.size() - std::min<std::size_t>(text.size(), 1);
    while (at < stop) {
        const bool pair = at + 1 < text.size() && text[at + 1] == text[at];
        if (pair && text[at] == '<') {
            ++depth;
            at += 2;
        } else if (pair && text[at] == '>') {
            at += 2;
            if (--depth < 1)
                return at;
        } else {
            ++at;
        }
    }
    return std::string::npos;
}

} // namespace

std::string ReadBalancedDictionary(TStream& stream, std::int64_t position)
{
    const std::int64_t size = stream.Size();
    if (position <= 0 || position >= size)
        return {};
    stream.Seek(position, TSeekOrigin::soBeginning);
    std::string text;
    std::size_t at = 0;
    int depth = 0;
    while (text.size() < LongestDictionary) {
        const std::int64_t piece =
            std::min({DictionaryPiece, size - position - static_cast<std::int64_t>(text.size()),
                      static_cast<std::int64_t>(LongestDictionary - text.size())});
        const std::size_t old = text.size();
        text.resize(old + static_cast<std::size_t>(piece));
        text.resize(old + static_cast<std::size_t>(stream.Read(text.data() + old, piece)));
        const bool final = text.size() == old || text.size() >= LongestDictionary;
        const std::size_t end = DictionaryEnd(text, at, depth, final);
        if (end != std::string::npos) {
            text.resize(end);
            return text;
        }
        if (final)
            break;
    }
    return {};
}

TPdfCustomType::TPdfCustomType(TPdfFileWriter* owner) : owner_(owner) {}

TPdfCustomType::~TPdfCustomType() = default;

std::string TPdfCustomType::AsString() { throw Exception("AsString is not implemented for this obj"); }

void TPdfCustomType::SetAsString(const std::string&)
{
    throw Exception("SetAsString is not implemented for this obj");
}

bool TPdfCustomType::LoadFromStream(TStream& stream, std::int64_t position)
{
    const std::string text = ReadBalancedDictionary(stream, position);
    if (text.empty())
        return false;
    SetAsString(text);
    return true;
}

std::string TPdfCustomType::AsReferenceString()
{
    if (number_ == 0 && !written_)
        number_ = Device().ReserveObjectNumber(ClassName());
    return IntToStr(number_) + " 0 R";
}

std::string TPdfCustomType::AsReferenceArrayString() { return AsReferenceString(); }

void TPdfCustomType::UpdateXRef()
{
    if (written_)
        throw Exception("Object may only be written once!");
    TPdfFileWriter& device = Device();
    number_ = device.RecordObjectPosition(number_, device.OutputPosition());
    written_ = true;
}

void TPdfCustomType::WriteIt()
{
    Device();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN(AsString());
    WriteObjectEnd();
}

std::string TPdfCustomType::ObjStart() const
{
    if (plainHeader_)
        return IntToStr(number_) + " 0 obj";
    return IntToStr(number_) + " 0 obj \r<<";
}

const TPdfCustomType& TPdfCustomType::IndirectObject() const
{
    if (number_ != 0 || written_ || container_ == nullptr)
        return *this;
    return container_->IndirectObject();
}

bool TPdfCustomType::Encrypts() const
{
    return owner_ != nullptr && owner_->Encrypting() && !notEncrypted_ && !IndirectObject().notEncrypted_;
}

std::string TPdfCustomType::EncryptStr(std::string_view text) const
{
    std::string bytes(text);
    Encrypt(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    return bytes;
}

std::string TPdfCustomType::EncryptStrW(std::u16string_view text) const { return EncryptStr(PdfBigEndianBytes(text)); }

void TPdfCustomType::Encrypt(std::uint8_t* data, std::size_t count) const
{
    if (count >= 1 && Encrypts())
        owner_->Encryption->Encrypt(IndirectObject().number_, data, count);
}

TPdfFileWriter& TPdfCustomType::Device() const
{
    if (owner_ == nullptr)
        throw Exception("Object has no owner");
    return *owner_;
}

void TPdfCustomType::RawWrite(std::string_view bytes) const { Device().RawWrite(bytes); }

void TPdfCustomType::RawWriteLN(std::string_view bytes) const { Device().RawWriteLN(bytes); }

void TPdfCustomType::WriteObjectEnd() const { RawWriteLN(plainHeader_ ? "endobj" : ">> \rendobj"); }

void TPdfCustomType::WriteListReferences(std::string_view key, const std::vector<TPdfCustomType*>& list) const
{
    std::vector<std::string> references;
    for (TPdfCustomType* object : list)
        references.push_back(object->AsReferenceArrayString());
    WriteReferenceList(key, references);
}

void TPdfCustomType::WriteReferenceList(std::string_view key, const std::vector<std::string>& references) const
{
    if (references.empty())
        return;
    std::string text = "/" + std::string(key) + " [ ";
    for (std::size_t i = 0; i < references.size(); ++i) {
        text += references[i];
        if (i + 1 < references.size())
            text += "\r\n";
    }
    RawWriteLN(text + " ]");
}

void TPdfCustomType::WriteListResReferences(std::string_view key, std::string_view prefix,
                                            const std::vector<TPdfNamedObject>& list, int first) const
{
    if (list.empty())
        return;
    std::string text = "/" + std::string(key) + " << ";
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!prefix.empty()) {
            if (!list[i].name.empty())
                text += "/" + list[i].name + " ";
            else
                text += std::string(prefix) + IntToStr(static_cast<std::int64_t>(i) + first) + " ";
        }
        text += list[i].object->AsReferenceArrayString();
        if (i + 1 < list.size())
            text += "\r\n";
    }
    RawWriteLN(text + " >>");
}
