#include "pdf/PdfTypes.h"

#include "platform/core/Numbers.h"

namespace {

constexpr std::size_t PlainStringLimit = 100;
constexpr int ContinuationAfter = 100;
constexpr int NumbersPerLine = 19;

bool NeedsEscaping(unsigned char c) { return c < 32 || c > 127 || c == '(' || c == ')' || c == '\\'; }

bool IsPlain(std::string_view text)
{
    if (text.size() >= PlainStringLimit)
        return false;
    for (char c : text)
        if (NeedsEscaping(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string OctalEscape(unsigned char c)
{
    return {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
            static_cast<char>('0' + (c & 7))};
}

// Octal for bytes outside 32..127, a backslash before ( ) \, and a line continuation whenever more
// than 100 characters stand on the current line.
std::string EscapedLiteral(std::string_view bytes)
{
    std::string text = "(";
    int sinceBreak = 0;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (sinceBreak > ContinuationAfter) {
            text += "\\\r\n";
            sinceBreak = 0;
        }
        std::string piece;
        if (byte < 32 || byte > 127)
            piece = OctalEscape(byte);
        else if (c == '(' || c == ')' || c == '\\')
            piece = {'\\', c};
        else
            piece = std::string(1, c);
        text += piece;
        sinceBreak += static_cast<int>(piece.size());
    }
    return text + ")";
}

} // namespace

std::string PdfValueText(TPdfCustomType& value, bool byReference)
{
    if (byReference || value.Written() || value.Number() != 0)
        return value.AsReferenceString();
    if (dynamic_cast<TPdfDictionary*>(&value) != nullptr)
        return "<<" + value.AsString() + ">>";
    return value.AsString();
}

TPdfString::TPdfString(TPdfFileWriter* owner, std::string value, bool alreadyFormatted)
    : TPdfCustomType(owner), value_(std::move(value)), alreadyFormatted_(alreadyFormatted)
{
}

std::string TPdfString::AsString()
{
    if (alreadyFormatted_)
        return value_;
    if (Encrypts())
        return EscapedLiteral(EncryptStr(value_));
    if (IsPlain(value_))
        return "(" + value_ + ")";
    return EscapedLiteral(value_);
}

TPdfName::TPdfName(TPdfFileWriter* owner, std::string name) : TPdfCustomType(owner), name_(std::move(name)) {}

std::string TPdfName::AsString() { return "/" + name_; }

std::string TPdfNull::AsString() { return "null"; }

void TPdfArray::Add(std::unique_ptr<TPdfCustomType> element)
{
    element->SetContainer(this);
    elements_.push_back({element.get(), false});
    owned_.push_back(std::move(element));
}

void TPdfArray::AddLink(TPdfCustomType* element) { elements_.push_back({element, true}); }

std::string TPdfArray::AsString()
{
    std::string text = "[";
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += PdfValueText(*elements_[i].object, elements_[i].linked);
    }
    return text + "]";
}

std::string TPdfNumArray::AsString()
{
    std::string text = "[ ";
    for (std::size_t i = 0; i < values_.size(); ++i) {
        text += IntToStr(values_[i]);
        text += (i + 1) % NumbersPerLine == 0 ? '\n' : ' ';
    }
    return text + "]";
}

void TPdfDictionary::Add(std::string key, std::unique_ptr<TPdfCustomType> value)
{
    value->SetContainer(this);
    pairs_.emplace_back(std::make_unique<TPdfName>(Owner(), std::move(key)), std::move(value));
}

TPdfCustomType* TPdfDictionary::Find(std::string_view key) const
{
    for (const auto& [name, value] : pairs_)
        if (name->Name() == key)
            return value.get();
    return nullptr;
}

std::string TPdfDictionary::AsString()
{
    std::string text;
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += pairs_[i].first->AsString() + " " + PdfValueText(*pairs_[i].second);
    }
    return text;
}

TPdfEncodingVector::TPdfEncodingVector(TPdfFileWriter* owner, int charset, std::string text)
    : TPdfCustomType(owner), charset_(charset), text_(std::move(text))
{
}
