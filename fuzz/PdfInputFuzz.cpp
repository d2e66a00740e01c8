// The input PDF reader on arbitrary bytes: it may refuse a file with an Exception, never crash,
// overrun or hang. Every page it lists must give its content and be carried into a document, with
// all its objects, or be refused in the same way.
//
// Hostile files are large (long section chains, thousands of kids, megabyte dictionaries), far
// beyond what mutation grows from small seeds, so an input may hold repeat groups
// "%{count,first:body%}" (",first" optional, 0 when left out), each replaced by count copies of body
// with these marks replaced in every copy:
//     %i  first + the copy's index
//     %o  where the copy begins, as ten digits
//     %p  where the copy before began; for the first copy, where the last section before it began
//     %a  where the same copy of the group before this one began
// and outside the groups "%x", where the last section before it begins (for startxref). Anywhere,
// "%m" notes where it stands (and writes nothing) and "%r" writes what "%m" noted last, as ten
// digits: an object's offset for the table when a group before it moved it.
#include "pdf/PdfFileWriter.h"
#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputObjects.h"
#include "pdf/PdfPageTree.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t LargestExpansion = std::size_t{4} << 20;
constexpr std::size_t MostCopies = 1000000;

std::string TenDigits(std::size_t value)
{
    const std::string digits = std::to_string(value);
    return std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits;
}

// Where the last "xref" keyword of a growing text begins, the one of "startxref" left out; each byte
// is looked at once, however often it is asked.
class TLastSection {
public:
    std::size_t Of(const std::string& text)
    {
        for (std::size_t at = text.find("xref", scanned_); at != std::string::npos; at = text.find("xref", at + 1))
            if (at == 0 || text[at - 1] != 't')
                last_ = at;
        scanned_ = text.size() < 3 ? 0 : text.size() - 3;
        return last_;
    }

private:
    std::size_t scanned_ = 0;
    std::size_t last_ = 0;
};

// A digit run of `text` at `at` as a number, `at` moved past it; 0 when none stands there.
std::size_t Number(std::string_view text, std::size_t& at)
{
    std::size_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        value = std::min<std::size_t>(value * 10 + static_cast<std::size_t>(text[at] - '0'), MostCopies);
    return value;
}

// The expanded text and what its marks refer to.
struct TExpansion {
    std::string out;
    TLastSection section;
    std::size_t noted = 0;
};

// Writes what the mark of `letter` stands for: one of the group's `values` (nullptr outside the
// groups), or one of the marks that stand anywhere. False when the letter is no mark here.
bool WriteMark(TExpansion& expansion, char letter, const std::string* values)
{
    std::string& out = expansion.out;
    if (letter == 'm')
        expansion.noted = out.size();
    else if (letter == 'r')
        out += TenDigits(expansion.noted);
    else if (values == nullptr && letter == 'x')
        out += std::to_string(expansion.section.Of(out));
    else if (values != nullptr && letter >= 'a' && letter <= 'z' && !values[letter - 'a'].empty())
        out += values[letter - 'a'];
    else
        return false;
    return true;
}

void AppendMarked(TExpansion& expansion, std::string_view text, const std::string* values)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 1 < text.size() && WriteMark(expansion, text[at + 1], values))
            ++at;
        else
            expansion.out += text[at];
    }
}

// The input with its repeat groups expanded, at most LargestExpansion bytes.
std::string Expanded(std::string_view input)
{
    TExpansion expansion;
    std::string& out = expansion.out;
    std::vector<std::size_t> before;
    std::size_t at = 0;
    while (at < input.size() && out.size() < LargestExpansion) {
        const std::size_t open = input.find("%{", at);
        AppendMarked(expansion, input.substr(at, open == std::string_view::npos ? open : open - at), nullptr);
        if (open == std::string_view::npos)
            break;
        std::size_t position = open + 2;
        const std::size_t count = Number(input, position);
        std::size_t first = 0;
        if (position < input.size() && input[position] == ',')
            first = Number(input, ++position);
        const std::size_t close = input.find("%}", position);
        if (position >= input.size() || input[position] != ':' || close == std::string_view::npos) {
            out += "%{";
            at = open + 2;
            continue;
        }
        const std::string_view body = input.substr(position + 1, close - position - 1);
        std::vector<std::size_t> starts;
        const bool marked = body.find('%') != std::string_view::npos;
        for (std::size_t i = 0; i < count && !body.empty() && out.size() < LargestExpansion; ++i) {
            starts.push_back(out.size());
            if (!marked) {
                out += body;
                continue;
            }
            std::string values[26];
            values['i' - 'a'] = std::to_string(first + i);
            values['o' - 'a'] = TenDigits(out.size());
            values['p' - 'a'] = TenDigits(i == 0 ? expansion.section.Of(out) : starts[i - 1]);
            values['a' - 'a'] = TenDigits(i < before.size() ? before[i] : 0);
            AppendMarked(expansion, body, values);
        }
        before = std::move(starts);
        at = close + 2;
    }
    return std::move(out);
}

void CarryPagesOver(const TPdfInputFile& input, const TPdfPages& tree)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfInputObjects objects(input, writer);
    objects.LeaveOut(input.RootObject());
    for (const TPdfInputPage& page : tree.InputPages())
        objects.Claim(page.number);
    for (const TPdfInputPage& page : tree.InputPages()) {
        objects.ObjectOf(page.resources);
        objects.WritePage(page, "1 0 R");
    }
    objects.WritePending();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string file = Expanded({reinterpret_cast<const char*>(data), size});
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
    TPdfInputFile input;
    TPdfPages tree(nullptr);
    try {
        input.ReadPDFStream(stream, tree);
    } catch (const Exception&) {
        return 0;
    }
    for (const TPdfInputPage& page : tree.InputPages()) {
        try {
            TMemoryStream content;
            input.PageContent(page, content);
        } catch (const Exception&) {
        }
    }
    try {
        CarryPagesOver(input, tree);
    } catch (const Exception&) {
    }
    return 0;
}
