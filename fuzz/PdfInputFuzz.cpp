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
// and outside the groups "%x", where the last section before it begins (for startxref).
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

constexpr std::size_t LargestExpansion = std::size_t{16} << 20;
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

// Appends `text` with the marks that `values` gives for its letters replaced; outside the groups,
// where there are no values, "%x" by where the last section begins.
void AppendMarked(std::string& out, std::string_view text, const std::string* values, TLastSection& section)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char letter = at + 1 < text.size() ? text[at + 1] : 0;
        const bool mark = text[at] == '%' && letter >= 'a' && letter <= 'z';
        if (mark && values != nullptr && !values[letter - 'a'].empty()) {
            out += values[letter - 'a'];
            ++at;
        } else if (mark && values == nullptr && letter == 'x') {
            out += std::to_string(section.Of(out));
            ++at;
        } else {
            out += text[at];
        }
    }
}

// The input with its repeat groups expanded, at most LargestExpansion bytes.
std::string Expanded(std::string_view input)
{
    std::string out;
    TLastSection section;
    std::vector<std::size_t> before;
    std::size_t at = 0;
    while (at < input.size() && out.size() < LargestExpansion) {
        const std::size_t open = input.find("%{", at);
        AppendMarked(out, input.substr(at, open == std::string_view::npos ? open : open - at), nullptr, section);
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
            if (!marked) {
                starts.push_back(out.size());
                out += body;
                continue;
            }
            std::string marks[26];
            marks['i' - 'a'] = std::to_string(first + i);
            marks['o' - 'a'] = TenDigits(out.size());
            marks['p' - 'a'] = TenDigits(i == 0 ? section.Of(out) : starts.back());
            marks['a' - 'a'] = TenDigits(i < before.size() ? before[i] : 0);
            starts.push_back(out.size());
            AppendMarked(out, body, marks, section);
        }
        before = std::move(starts);
        at = close + 2;
    }
    return out;
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
            input.PageContent(page);
        } catch (const Exception&) {
        }
    }
    try {
        CarryPagesOver(input, tree);
    } catch (const Exception&) {
    }
    return 0;
}
