#include "pdf/PdfInputFile.h"

#include "pdf/PdfCustomType.h"
#include "pdf/PdfInputSyntax.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfStream.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::int64_t EndSearchStep = 1024;
// Offsets are kept in 32 bits, as the tables write ten digits of them.
constexpr std::int64_t LargestFile = INT32_MAX;
} // namespace

void TPdfInputFile::ReadPDFFile(std::string_view fileName, TPdfPages& tree)
{
    TFileStream source(fileName, fmOpenRead);
    ReadPDFStream(source, tree);
}

void TPdfInputFile::ReadPDFStream(TStream& source, TPdfPages& tree)
{
    const std::int64_t size = source.Size();
    if (size <= 0 || size > LargestFile)
        throw Exception("Invalid File");
    file_.Clear();
    file_.SetSize(size);
    source.Seek(0, TSeekOrigin::soBeginning);
    source.ReadBuffer(file_.Memory(), size);
    offsets_.clear();
    root_ = 0;
    decoded_ = 0;
    std::set<std::int64_t> visited;
    ReadCrossReferences(StartXRef(), visited);
    if (root_ <= 0)
        MissingTag("/Root");
    pages_ = NextPDFObject(ObjectDictionary(root_), "/Pages");
    tree.SetInputFile(this);
    if (!tree.LoadFromStream(file_, PosInPDFFile(pages_)))
        MissingTag("/Type");
}

std::string_view TPdfInputFile::Text() const
{
    return {reinterpret_cast<const char*>(file_.Memory()), static_cast<std::size_t>(file_.Size())};
}

// The last number before the last "%%EOF", searched backwards in steps from the end.
std::int64_t TPdfInputFile::StartXRef() const
{
    const std::string_view text = Text();
    std::size_t found = std::string_view::npos;
    for (std::int64_t from = static_cast<std::int64_t>(text.size()); from > 0 && found == std::string_view::npos;
         from -= EndSearchStep) {
        const std::size_t start = static_cast<std::size_t>(std::max<std::int64_t>(0, from - EndSearchStep - 5));
        const std::size_t at = text.substr(start, static_cast<std::size_t>(from) - start).rfind("%%EOF");
        if (at != std::string_view::npos)
            found = start + at;
    }
    if (found == std::string_view::npos)
        throw Exception("Invalid File");
    std::size_t end = found;
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1])))
        --end;
    std::size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1])))
        --begin;
    auto position = static_cast<std::int64_t>(begin);
    const std::int64_t offset = begin < end ? ReadNextNumber(position) : -1;
    if (offset <= 0 || offset >= static_cast<std::int64_t>(text.size()))
        throw Exception("Invalid File");
    return offset;
}

// The newest section first: an entry it gives is not replaced by an older one. Each section is
// read once, so a /Prev chain that comes back to itself ends.
void TPdfInputFile::ReadCrossReferences(std::int64_t offset, std::set<std::int64_t>& visited)
{
    if (!visited.insert(offset).second)
        return;
    const std::string_view text = Text();
    auto at = SkipBlanks(text, static_cast<std::size_t>(offset));
    if (!StartsWordAt(text, at, "xref"))
        throw Exception("xref not found");
    auto position = static_cast<std::int64_t>(at + 4);
    ReadEntries(position);
    at = SkipBlanks(text, static_cast<std::size_t>(position));
    if (!StartsWordAt(text, at, "trailer"))
        throw Exception("trailer not found");
    const std::string trailer = ReadBalancedDictionary(file_, static_cast<std::int64_t>(at));
    if (trailer.empty())
        throw Exception("trailer not found");
    if (FindTag(trailer, "/Encrypt") != std::string::npos)
        throw Exception("Encrypted input PDF files are not supported");
    if (root_ == 0 && FindTag(trailer, "/Root") != std::string::npos)
        root_ = NextPDFObject(trailer, "/Root");
    if (FindTag(trailer, "/Prev") == std::string::npos)
        return;
    const std::int64_t previous = NextPDFNumber(trailer, "/Prev");
    if (previous <= 0 || previous >= static_cast<std::int64_t>(text.size()))
        throw Exception("xref not found");
    ReadCrossReferences(previous, visited);
}

// Subsections of "first count" and count entries "offset generation n|f", until "trailer".
void TPdfInputFile::ReadEntries(std::int64_t& position)
{
    const auto size = static_cast<std::int64_t>(Text().size());
    for (;;) {
        std::int64_t after = position;
        const std::int64_t first = ReadNextNumber(after);
        if (first < 0)
            return;
        const std::int64_t count = ReadNextNumber(after);
        // An entry takes at least 18 bytes; no object can be numbered beyond the file's size.
        if (count < 0 || first + count > size || count * 18 > size - after)
            throw Exception("xref not found");
        if (static_cast<std::size_t>(first + count) > offsets_.size())
            offsets_.resize(static_cast<std::size_t>(first + count), 0);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t offset = ReadNextNumber(after);
            const std::int64_t generation = ReadNextNumber(after);
            const auto at = SkipBlanks(Text(), static_cast<std::size_t>(after));
            if (offset < 0 || generation < 0 || at >= Text().size() || (Text()[at] != 'n' && Text()[at] != 'f'))
                throw Exception("xref not found");
            after = static_cast<std::int64_t>(at) + 1;
            auto& entry = offsets_[static_cast<std::size_t>(first + i)];
            if (Text()[at] == 'n' && entry == 0 && offset > 0 && offset < size)
                entry = static_cast<std::uint32_t>(offset);
        }
        position = after;
    }
}

std::int64_t TPdfInputFile::PosInPDFFile(int number) const
{
    if (number < 0 || static_cast<std::size_t>(number) >= offsets_.size())
        return 0;
    return offsets_[static_cast<std::size_t>(number)];
}

std::int64_t TPdfInputFile::ReadNextNumber(std::int64_t& position) const
{
    const std::string_view text = Text();
    if (position < 0 || position >= static_cast<std::int64_t>(text.size()))
        return -1;
    std::size_t at = SkipBlanks(text, static_cast<std::size_t>(position));
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return -1;
    std::int64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), LargestFile + 1);
    position = static_cast<std::int64_t>(at);
    return value;
}

std::int64_t TPdfInputFile::NextPDFNumber(const std::string& text, std::string_view tag) const
{
    const std::size_t at = FindTag(text, tag);
    if (at == std::string::npos)
        MissingTag(tag);
    std::size_t end = SkipBlanks(text, at);
    std::size_t digits = end;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == end)
        MissingTag(tag);
    const std::int64_t value = std::stoll(text.substr(end, std::min<std::size_t>(digits - end, 11)));
    // "n g R": the number stands in the object it names.
    end = SkipBlanks(text, digits);
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    end = SkipBlanks(text, end);
    if (end >= text.size() || text[end] != 'R' || value > INT32_MAX)
        return value;
    std::int64_t position = PosInPDFFile(static_cast<int>(value));
    if (position == 0)
        MissingTag(tag);
    const std::string_view body = Text().substr(static_cast<std::size_t>(position));
    const std::size_t obj = body.find("obj");
    position += obj == std::string_view::npos ? 0 : static_cast<std::int64_t>(obj + 3);
    const std::int64_t referenced = ReadNextNumber(position);
    if (obj == std::string_view::npos || referenced < 0)
        MissingTag(tag);
    return referenced;
}

int TPdfInputFile::NextPDFObject(const std::string& text, std::string_view tag) const
{
    const std::size_t at = FindTag(text, tag);
    if (at == std::string::npos)
        MissingTag(tag);
    std::size_t end = SkipBlanks(text, at);
    std::size_t digits = end;
    while (digits < text.size() && digits - end < 10 && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == end)
        MissingTag(tag);
    const std::int64_t number = std::stoll(text.substr(end, digits - end));
    if (number > INT32_MAX)
        MissingTag(tag);
    return static_cast<int>(number);
}

std::string TPdfInputFile::ObjectDictionary(int number) const
{
    const std::int64_t position = PosInPDFFile(number);
    return position == 0 ? std::string() : ReadBalancedDictionary(file_, position);
}

std::string TPdfInputFile::StreamData(int number) const
{
    const std::string dictionary = ObjectDictionary(number);
    if (dictionary.empty())
        MissingTag("stream");
    const std::string_view text = Text();
    const auto position = static_cast<std::size_t>(PosInPDFFile(number));
    std::size_t at = SkipBlanks(text, text.find(dictionary, position) + dictionary.size());
    if (!StartsWordAt(text, at, "stream"))
        MissingTag("stream");
    at += 6;
    if (StartsWordAt(text, at, "\r\n"))
        at += 2;
    else if (at < text.size() && text[at] == '\n')
        ++at;
    const std::int64_t length = NextPDFNumber(dictionary, "/Length");
    if (length < 0 || length > static_cast<std::int64_t>(text.size() - at))
        MissingTag("/Length");
    TPdfStream stream(nullptr);
    stream.RawWrite(text.substr(at, static_cast<std::size_t>(length)));
    const std::size_t filter = FindTag(dictionary, "/Filter");
    if (filter != std::string::npos) {
        const std::size_t start = SkipBlanks(dictionary, filter);
        const std::size_t end = start < dictionary.size() && dictionary[start] == '['
                                    ? dictionary.find(']', start)
                                    : dictionary.find_first_of("/>", start + 1) - 1;
        stream.SetPreEncoded(dictionary.substr(start, end == std::string::npos ? end : end - start + 1));
        stream.DecodeIt();
        if (stream.PreEncoded())
            throw Exception("Unsupported filter " + stream.SourceFilter());
    }
    return {reinterpret_cast<const char*>(stream.Data().Memory()), static_cast<std::size_t>(stream.Data().Size())};
}

std::string TPdfInputFile::PageContent(const TPdfInputPage& page) const
{
    const std::string node = ObjectDictionary(page.number);
    std::string_view contents = EntryValue(node, "/Contents");
    if (contents.empty())
        return {};
    if (contents.front() == '[')
        contents = contents.substr(1, contents.back() == ']' ? contents.size() - 2 : contents.size() - 1);
    const std::vector<int> streams = References(contents);
    std::string content;
    for (const int stream : streams) {
        const std::string data = StreamData(stream);
        decoded_ += static_cast<std::int64_t>(data.size()) + 1;
        if (decoded_ > DecodedContentLimit)
            throw EZDecompressionError("decompressed data exceed " + std::to_string(DecodedContentLimit) + " bytes");
        content += data + "\n";
    }
    return content;
}
