#include "pdf/PdfInputObjects.h"

#include "pdf/PdfFileWriter.h"
#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputSyntax.h"
#include "pdf/PdfPageTree.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

namespace {

[[noreturn]] void InvalidFile() { throw Exception("Invalid File"); }

} // namespace

TPdfInputObjects::TPdfInputObjects(const TPdfInputFile& input, TPdfFileWriter& writer) : input_(input), writer_(writer)
{
}

int TPdfInputObjects::Number(int input, bool copy)
{
    const auto known = numbers_.find(input);
    if (known != numbers_.end())
        return known->second;
    const int number = writer_.ReserveObjectNumber("TPdfInputObject");
    numbers_.emplace(input, number);
    if (copy)
        pending_.emplace_back(input, number);
    return number;
}

int TPdfInputObjects::Copy(int number) { return Number(number, true); }

int TPdfInputObjects::Claim(int number)
{
    claimed_.insert(number);
    return Number(number, false);
}

int TPdfInputObjects::ObjectOf(std::string_view value)
{
    if (const int referenced = ReferencedObject(value); referenced >= 0)
        return Copy(referenced);
    const int number = writer_.ReserveObjectNumber("TPdfInputObject");
    WriteObject(number, Rewritten(value, number));
    return number;
}

std::string TPdfInputObjects::Rewritten(std::string_view text, int owner)
{
    const auto reference = [this](int number) { return IntToStr(Copy(number)) + " 0 R"; };
    if (!writer_.Encrypting())
        return RewriteReferences(text, reference);
    return RewriteReferences(text, reference, [this, owner](const std::string& bytes) {
        std::string encrypted = bytes;
        writer_.Encryption->Encrypt(owner, reinterpret_cast<std::uint8_t*>(encrypted.data()), encrypted.size());
        return TPdfFileWriter::HexString(encrypted.data(), encrypted.size());
    });
}

void TPdfInputObjects::WritePage(const TPdfInputPage& page, std::string_view parent)
{
    const int number = Claim(page.number);
    const std::string dictionary = input_.ObjectDictionary(page.number);
    Spend(static_cast<std::int64_t>(dictionary.size()));
    std::string entries = "/MediaBox " + page.mediaBox + "\r\n/Resources " + page.resources;
    if (!page.cropBox.empty())
        entries += "\r\n/CropBox " + page.cropBox;
    if (!page.rotate.empty())
        entries += "\r\n/Rotate " + page.rotate;
    for (const auto& [key, value] : DictionaryEntries(dictionary))
        if (key != "/Parent" && key != "/MediaBox" && key != "/Resources" && key != "/CropBox" && key != "/Rotate")
            entries += "\r\n" + std::string(key) + " " + std::string(value);
    WriteObject(number, "<< /Parent " + std::string(parent) + "\r\n" + Rewritten(entries, number) + " >>");
}

void TPdfInputObjects::WritePending()
{
    while (!pending_.empty()) {
        const auto [input, output] = pending_.front();
        pending_.pop_front();
        if (claimed_.count(input) == 0)
            CopyObject(input, output);
    }
}

void TPdfInputObjects::CopyObject(int input, int output)
{
    if (leftOut_.count(input) != 0) {
        WriteObject(output, "<< >>");
        return;
    }
    const std::int64_t position = input > 0 ? input_.PosInPDFFile(input) : 0;
    // A reference to an object the file does not hold stands for null.
    if (position == 0) {
        WriteObject(output, "null");
        return;
    }
    const std::string_view value = input_.ObjectValue(input);
    if (value.empty())
        InvalidFile();
    const std::string_view text = input_.Text();
    const std::optional<std::string_view> data = input_.StreamBytes(value);
    const std::string_view last = data ? *data : value;
    Spend(last.data() + last.size() - text.data() - position);
    if (!data) {
        WriteObject(output, Rewritten(value, output));
        return;
    }
    std::string dictionary = "<<";
    for (const auto& [key, entry] : DictionaryEntries(value))
        if (key != "/Length")
            dictionary += std::string(key) + " " + std::string(entry) + "\r\n";
    dictionary = Rewritten(dictionary, output) + "/Length " + IntToStr(static_cast<std::int64_t>(data->size())) + " >>";
    WriteStreamObject(output, dictionary, std::string(*data));
}

void TPdfInputObjects::WriteObject(int number, std::string_view body)
{
    writer_.RecordObjectPosition(number, writer_.OutputPosition());
    writer_.RawWrite(IntToStr(number) + " 0 obj\r\n" + std::string(body) + "\r\nendobj\r\n");
}

void TPdfInputObjects::WriteStreamObject(int number, std::string_view dictionary, std::string data)
{
    if (writer_.Encrypting())
        writer_.Encryption->Encrypt(number, reinterpret_cast<std::uint8_t*>(data.data()), data.size());
    writer_.RecordObjectPosition(number, writer_.OutputPosition());
    writer_.RawWrite(IntToStr(number) + " 0 obj\r\n" + std::string(dictionary) + "\r\nstream\r\n");
    writer_.RawWrite(data);
    writer_.RawWrite("\r\nendstream\r\nendobj\r\n");
}

void TPdfInputObjects::Spend(std::int64_t bytes)
{
    copied_ += bytes;
    if (copied_ > static_cast<std::int64_t>(input_.Text().size()))
        InvalidFile();
}
