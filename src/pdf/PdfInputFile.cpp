#include "pdf/PdfInputFile.h"

#include "pdf/PdfInputSyntax.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfStream.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <unordered_map>

namespace {

constexpr std::int64_t EndSearchStep = 1024;
// Offsets are kept in 32 bits, as the tables write ten digits of them.
constexpr std::int64_t LargestFile = INT32_MAX;

// The data of a content stream, where they stand in the page's content.
struct ContentPiece {
    std::int64_t at = 0;
    std::int64_t size = 0;
};

// Grows `content` to `total` bytes and fills its end with the pieces in the order given, each followed
// by a line feed; the pieces stand packed before that end, each once, in the order first given. Laid
// from the last backwards, a piece's place is never before where it stands, and never over a piece
// still to be laid.
void LayOutPieces(TMemoryStream& content, const std::vector<const ContentPiece*>& pieces, std::int64_t total)
{
    content.SetSize(total);
    std::uint8_t* const bytes = content.Memory();
    std::int64_t end = total;
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        bytes[--end] = '\n';
        end -= (*piece)->size;
        std::memmove(bytes + end, bytes + (*piece)->at, static_cast<std::size_t>((*piece)->size));
    }
    content.Seek(0, TSeekOrigin::soEnd);
}
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
    charged_ = 0;
    ReadCrossReferences(StartXRef());
    if (root_ <= 0)
        MissingTag("/Root");
    pages_ = NextPDFObject(ObjectDictionary(root_), "/Pages");
    const std::string node = ObjectDictionary(pages_);
    if (node.empty())
        MissingTag("/Type");
    tree.SetInputFile(this);
    tree.SetAsString(node);
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

// The newest section first: an entry it gives is not replaced by an older one. The chain is walked
// in a loop, however long it is, and each section is read once, so a chain that comes back to
// itself ends.
void TPdfInputFile::ReadCrossReferences(std::int64_t newest)
{
    std::set<std::int64_t> visited;
    for (std::int64_t offset = newest; offset != 0 && visited.insert(offset).second;)
        offset = ReadSection(offset);
}

// Reads the section at `offset` and its trailer; the offset of the previous section, 0 when there is
// none.
std::int64_t TPdfInputFile::ReadSection(std::int64_t offset)
{
    const std::string_view text = Text();
    auto at = SkipBlanks(text, static_cast<std::size_t>(offset));
    if (!StartsWordAt(text, at, "xref"))
        throw Exception("xref not found");
    auto position = static_cast<std::int64_t>(at + 4);
    ReadEntries(position);
    at = SkipBlanks(text, static_cast<std::size_t>(position));
    if (!StartsWordAt(text, at, "trailer"))
        throw Exception("trailer not found");
    const std::size_t open = NextToken(text, at + 7);
    const std::size_t end = StartsWordAt(text, open, "<<") ? ValueEnd(text, open) : std::string_view::npos;
    if (end == std::string_view::npos)
        throw Exception("trailer not found");
    Charge(static_cast<std::int64_t>(end - open));
    const std::string trailer(text.substr(open, end - open));
    if (FindTag(trailer, "/Encrypt") != std::string::npos)
        throw Exception("Encrypted input PDF files are not supported");
    if (root_ == 0 && FindTag(trailer, "/Root") != std::string::npos)
        root_ = NextPDFObject(trailer, "/Root");
    if (FindTag(trailer, "/Prev") == std::string::npos)
        return 0;
    const std::int64_t previous = NextPDFNumber(trailer, "/Prev");
    if (previous <= 0 || previous >= static_cast<std::int64_t>(text.size()))
        throw Exception("xref not found");
    return previous;
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
    const std::string_view object = ObjectValue(static_cast<int>(value));
    auto position = static_cast<std::int64_t>(object.data() - Text().data());
    const std::int64_t referenced = object.empty() ? -1 : ReadNextNumber(position);
    if (referenced < 0)
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

std::string_view TPdfInputFile::ObjectValue(int number) const
{
    const std::string_view text = Text();
    std::int64_t position = PosInPDFFile(number);
    if (position == 0 || ReadNextNumber(position) != number || ReadNextNumber(position) < 0)
        return {};
    const std::size_t header = SkipBlanks(text, static_cast<std::size_t>(position));
    if (!StartsWordAt(text, header, "obj"))
        return {};
    const std::size_t start = NextToken(text, header + 3);
    const std::size_t end = ValueEnd(text, start);
    Charge(static_cast<std::int64_t>((end == std::string_view::npos ? text.size() : end) - header));
    return end == std::string_view::npos ? std::string_view() : text.substr(start, end - start);
}

std::string TPdfInputFile::ObjectDictionary(int number) const
{
    const std::string_view value = ObjectValue(number);
    return value.starts_with("<<") ? std::string(value) : std::string();
}

std::optional<std::string_view> TPdfInputFile::StreamBytes(std::string_view dictionary) const
{
    if (!dictionary.starts_with("<<"))
        return std::nullopt;
    const std::string_view text = Text();
    const auto end = static_cast<std::size_t>(dictionary.data() + dictionary.size() - text.data());
    const std::size_t keyword = SkipBlanks(text, end);
    if (!StartsWordAt(text, keyword, "stream"))
        return std::nullopt;
    // The dictionary's own /Length, not one of a dictionary inside it; a reference is followed.
    const std::int64_t length = NextPDFNumber("/Length " + std::string(EntryValue(dictionary, "/Length")), "/Length");
    std::size_t data = keyword + 6;
    if (StartsWordAt(text, data, "\r\n"))
        data += 2;
    else if (data < text.size() && text[data] == '\n')
        ++data;
    if (length < 0 || length > static_cast<std::int64_t>(text.size() - data))
        MissingTag("/Length");
    return text.substr(data, static_cast<std::size_t>(length));
}

void TPdfInputFile::Charge(std::int64_t bytes) const
{
    charged_ += bytes;
    if (charged_ > ReadingBudget())
        throw Exception("Invalid File");
}

// A sound file reads each object a few times at most (its tree, its content, its copy) and keeps
// what pages inherit once per page; the floor leaves room for small files of many pages.
std::int64_t TPdfInputFile::ReadingBudget() const
{
    return 16 * static_cast<std::int64_t>(Text().size()) + (std::int64_t{16} << 20);
}

std::int64_t TPdfInputFile::AppendStreamData(int number, TMemoryStream& content) const
{
    const std::string_view dictionary = ObjectValue(number);
    const std::optional<std::string_view> data = StreamBytes(dictionary);
    if (!data)
        MissingTag("stream");
    // Undoing a filter costs what it reads, even when it gives next to nothing.
    Charge(static_cast<std::int64_t>(data->size()));
    TPdfStream stream(nullptr);
    stream.RawWrite(*data);
    if (const std::string_view filter = EntryValue(dictionary, "/Filter"); !filter.empty()) {
        stream.SetPreEncoded(std::string(filter));
        stream.DecodeIt();
        if (stream.PreEncoded())
            throw Exception("Unsupported filter " + stream.SourceFilter());
    }
    const std::int64_t size = stream.Data().Size();
    CountDecoded(size);
    content.WriteBuffer(stream.Data().Memory(), size);
    return size;
}

void TPdfInputFile::CountDecoded(std::int64_t bytes) const
{
    decoded_ += bytes;
    if (decoded_ > DecodedContentLimit)
        throw EZDecompressionError("decompressed data exceed " + std::to_string(DecodedContentLimit) + " bytes");
}

void TPdfInputFile::PageContent(const TPdfInputPage& page, TMemoryStream& content) const
{
    const std::string node = ObjectDictionary(page.number);
    std::string_view contents = EntryValue(node, "/Contents");
    // The array of streams may stand in an object of its own.
    if (const int list = ReferencedObject(contents); list >= 0) {
        const std::string_view value = ObjectValue(list);
        if (value.starts_with('['))
            contents = value;
    }
    if (contents.empty())
        return;
    if (contents.front() == '[')
        contents = contents.substr(1, contents.back() == ']' ? contents.size() - 2 : contents.size() - 1);
    // Each stream's data once, one after the other, in the order they are first named; then each name
    // in its place. The content is sized once, so that it is held about once, however often a stream
    // is named.
    std::unordered_map<int, ContentPiece> decoded;
    std::vector<const ContentPiece*> named;
    std::int64_t total = content.Size();
    for (const int stream : References(contents)) {
        const auto [piece, first] = decoded.try_emplace(stream);
        if (first)
            piece->second = {content.Size(), AppendStreamData(stream, content)};
        named.push_back(&piece->second);
        total += piece->second.size + 1;
    }
    CountDecoded(total - content.Size());
    LayOutPieces(content, named, total);
}
