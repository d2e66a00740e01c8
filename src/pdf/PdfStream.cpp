#include "pdf/PdfStream.h"

#include "pdf/PdfFileWriter.h"
#include "pdf/PdfStreamEncoders.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr int FlateLevel = 6;
constexpr int FastFlateLevel = 1;

// The names of a filter entry, "/A" or "[/A /B]", upper-cased, in decoding order.
std::vector<std::string> FilterNames(const std::string& filter)
{
    std::vector<std::string> names;
    for (std::size_t at = filter.find('/'); at != std::string::npos; at = filter.find('/', at)) {
        std::size_t end = ++at;
        while (end < filter.size() && std::isalnum(static_cast<unsigned char>(filter[end])))
            ++end;
        std::string name = filter.substr(at, end - at);
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(std::move(name));
        at = end;
    }
    return names;
}

std::string FilterEntry(const std::vector<std::string>& names, std::size_t from)
{
    std::string entry;
    for (std::size_t i = from; i < names.size(); ++i)
        entry += "/" + names[i];
    return names.size() - from > 1 ? "[" + entry + "]" : entry;
}

} // namespace

TPdfStream::TPdfStream(TPdfFileWriter* owner, char kind) : TPdfCustomType(owner), kind_(kind) {}

TPdfStream::~TPdfStream() = default;

TMemoryStream& TPdfStream::Data()
{
    if (data_ == nullptr)
        data_ = std::make_unique<TMemoryStream>();
    return *data_;
}

void TPdfStream::TakeData(std::unique_ptr<TMemoryStream> data) { data_ = std::move(data); }

void TPdfStream::WriteStart()
{
    Data().Clear();
    if (kind_ == 'T') {
        if (Device().OnContentStreamStart)
            Device().OnContentStreamStart();
        filterList_.clear();
    }
}

void TPdfStream::RawWrite(std::string_view bytes)
{
    if (!bytes.empty())
        Data().WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TPdfStream::RawWriteLN(std::string_view bytes)
{
    RawWrite(bytes);
    RawWrite("\r\n");
}

void TPdfStream::ReplaceData(const std::uint8_t* bytes, std::size_t count)
{
    TMemoryStream& data = Data();
    data.Clear();
    if (count > 0)
        data.WriteBuffer(bytes, static_cast<std::int64_t>(count));
}

// A failed compression leaves the data as they were and names no filter.
void TPdfStream::FlateDecode(int level)
{
    TMemoryStream& data = Data();
    try {
        const auto packed = ZCompress(data.Memory(), static_cast<std::size_t>(data.Size()), level);
        ReplaceData(packed.data(), packed.size());
        filterList_ = "/FlateDecode" + filterList_;
    } catch (const EZLibError&) {
    }
    binary_ = true;
}

void TPdfStream::RunLengthDecode()
{
    TMemoryStream& data = Data();
    const auto packed = PdfRunLengthEncode(data.Memory(), static_cast<std::size_t>(data.Size()));
    ReplaceData(packed.data(), packed.size());
    filterList_ = "/RunLengthDecode" + filterList_;
    binary_ = true;
}

void TPdfStream::ASCII85Decode()
{
    TMemoryStream& data = Data();
    const auto text = PdfASCII85Encode(data.Memory(), static_cast<std::size_t>(data.Size()));
    ReplaceData(text.data(), text.size());
    filterList_ = "/ASCII85Decode" + filterList_;
}

void TPdfStream::ASCIIHexDecode()
{
    TMemoryStream& data = Data();
    const auto text = PdfASCIIHexEncode(data.Memory(), static_cast<std::size_t>(data.Size()));
    ReplaceData(text.data(), text.size());
    filterList_ = "/ASCIIHexDecode" + filterList_;
}

void TPdfStream::DCTDecode(bool convert)
{
    if (convert)
        throw Exception("Not impl.");
    filterList_ = "/DCTDecode" + filterList_;
}

void TPdfStream::SetPreEncoded(std::string sourceFilter)
{
    preEncoded_ = true;
    sourceFilter_ = std::move(sourceFilter);
}

void TPdfStream::DecodeIt()
{
    const std::vector<std::string> names = FilterNames(sourceFilter_);
    std::size_t decoded = 0;
    while (decoded < names.size() && DecodeSourceFilter(names[decoded]))
        ++decoded;
    if (decoded == 0)
        return;
    sourceFilter_ = FilterEntry(names, decoded);
    preEncoded_ = !sourceFilter_.empty();
}

bool TPdfStream::DecodeSourceFilter(const std::string& name)
{
    TMemoryStream& data = Data();
    const auto size = static_cast<std::size_t>(data.Size());
    if (name.find("LZWDECODE") != std::string::npos)
        throw Exception("LZWDecode is not supported!");
    if (name.find("ASCII85DECODE") != std::string::npos) {
        const auto plain = PdfASCII85Decode(data.Memory(), size);
        ReplaceData(plain.data(), plain.size());
        return true;
    }
    if (name.find("FLATEDECODE") != std::string::npos) {
        const std::size_t estimate = std::min(size * 4, DecodedLimit);
        const auto plain = ZDecompress(data.Memory(), size, estimate, DecodedLimit);
        ReplaceData(plain.data(), plain.size());
        return true;
    }
    return false;
}

bool TPdfStream::Compresses() const
{
    return Device().CompressionMethod != peCompressNone && (!binary_ || forceCompression_);
}

// Binary data, as compressed data are, go into the text encoding the document asks for.
bool TPdfStream::Encodes() const
{
    const TPdfEncodeMethod method = Device().EncodingMethod;
    return binary_ && (method == peASCII85Encode || method == peASCIIHexEncode);
}

bool TPdfStream::WritesDataAsCollected() const { return !preEncoded_ && !Compresses() && !Encodes() && !Encrypts(); }

void TPdfStream::CompressAndEncode()
{
    const TPdfFileWriter& device = Device();
    if (Compresses()) {
        switch (device.CompressionMethod) {
        case peCompressFlate:
            FlateDecode(FlateLevel);
            break;
        case peCompressFastFlate:
            FlateDecode(FastFlateLevel);
            break;
        case peCompressRunlength:
            RunLengthDecode();
            break;
        case peCompressNone:
            break;
        }
    }
    if (!Encodes())
        return;
    if (device.EncodingMethod == peASCII85Encode)
        ASCII85Decode();
    else
        ASCIIHexDecode();
}

std::string TPdfStream::FilterText() const
{
    if (preEncoded_)
        return sourceFilter_.empty() ? std::string() : "\n/Filter " + sourceFilter_;
    return filterList_.empty() ? std::string() : "\n/Filter [" + filterList_ + "]";
}

void TPdfStream::WriteEnd()
{
    TMemoryStream& data = Data();
    if (!preEncoded_)
        CompressAndEncode();
    WriteObject(data.Size(), [&](TPdfFileWriter& device) {
        Encrypt(data.Memory(), static_cast<std::size_t>(data.Size()));
        device.RawWrite(
            std::string_view(reinterpret_cast<const char*>(data.Memory()), static_cast<std::size_t>(data.Size())));
    });
}

void TPdfStream::WriteEndDirect(std::int64_t length, const std::function<void(TPdfFileWriter&)>& writeData)
{
    if (!WritesDataAsCollected())
        throw Exception("Stream data must be collected");
    WriteObject(length, writeData);
}

void TPdfStream::WriteObject(std::int64_t length, const std::function<void(TPdfFileWriter&)>& writeData)
{
    UpdateXRef();
    const std::string length1 = length1_ != 0 ? " /Length1 " + IntToStr(length1_) : std::string();
    Device().RawWrite(ObjStart() + extraDictionary_ + "/Length " + IntToStr(length) + FilterText() + length1 +
                      " >>\r\nstream\n");
    writeData(Device());
    Device().RawWrite("\nendstream\r\nendobj\n");
    data_.reset();
    filterList_.clear();
}
