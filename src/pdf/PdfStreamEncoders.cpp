#include "pdf/PdfStreamEncoders.h"

#include "pdf/PdfDeviceWorkBuffer.h"
#include "platform/core/Exceptions.h"

#include <algorithm>

namespace {

constexpr int ASCII85LineLength = 80;
constexpr std::size_t HexBytesPerLine = 40;
constexpr std::size_t LongestRun = 128;
constexpr std::size_t ShortestRepeat = 3;
constexpr std::uint8_t EndOfData = 128;

class TLineWriter {
public:
    explicit TLineWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void Put(char c)
    {
        out_.push_back(static_cast<std::uint8_t>(c));
        if (++column_ == ASCII85LineLength) {
            out_.push_back('\n');
            column_ = 0;
        }
    }

private:
    std::vector<std::uint8_t>& out_;
    int column_ = 0;
};

std::size_t RepeatLength(const std::uint8_t* data, std::size_t count, std::size_t at)
{
    std::size_t length = 1;
    while (at + length < count && length < LongestRun && data[at + length] == data[at])
        ++length;
    return length;
}

} // namespace

std::vector<std::uint8_t> PdfASCII85Encode(const std::uint8_t* data, std::size_t count)
{
    std::vector<std::uint8_t> out;
    out.reserve(count / 4 * 5 + count / 64 + 8);
    TLineWriter writer(out);
    for (std::size_t at = 0; at < count; at += 4) {
        const std::size_t bytes = std::min<std::size_t>(4, count - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i)
            group = (group << 8) | (i < bytes ? data[at + i] : 0);
        const bool last = at + 4 >= count;
        if (group == 0 && !last) {
            writer.Put('z');
            continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + group % 85);
            group /= 85;
        }
        for (std::size_t i = 0; i < bytes + 1; ++i)
            writer.Put(digits[i]);
    }
    out.push_back('~');
    out.push_back('>');
    out.push_back('\n');
    return out;
}

namespace {

const char* const InvalidASCII85 = "Invalid ASCII85 data";

bool IsPdfBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }

// A group of `digits` characters (the rest taken as "u") gives digits - 1 bytes.
void PutASCII85Group(std::vector<std::uint8_t>& out, const std::uint8_t* group, int digits)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 5; ++i)
        value = value * 85 + (i < digits ? group[i] - '!' : 84);
    if (value > UINT32_MAX)
        throw Exception(InvalidASCII85);
    for (int i = 0; i < digits - 1; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (24 - 8 * i)));
}

} // namespace

std::vector<std::uint8_t> PdfASCII85Decode(const std::uint8_t* data, std::size_t count)
{
    std::vector<std::uint8_t> out;
    out.reserve(count / 5 * 4 + 4);
    std::uint8_t group[5];
    int digits = 0;
    for (std::size_t at = 0; at < count && data[at] != '~'; ++at) {
        const std::uint8_t c = data[at];
        if (IsPdfBlank(c))
            continue;
        if (c == 'z' && digits == 0) {
            out.insert(out.end(), 4, 0);
            continue;
        }
        if (c < '!' || c > 'u')
            throw Exception(InvalidASCII85);
        group[digits++] = c;
        if (digits == 5) {
            PutASCII85Group(out, group, 5);
            digits = 0;
        }
    }
    if (digits == 1)
        throw Exception(InvalidASCII85);
    if (digits > 1)
        PutASCII85Group(out, group, digits);
    return out;
}

std::vector<std::uint8_t> PdfASCIIHexEncode(const std::uint8_t* data, std::size_t count)
{
    std::vector<std::uint8_t> out(count * 2 + count / HexBytesPerLine + 2);
    char* next = reinterpret_cast<char*>(out.data());
    for (std::size_t i = 0; i < count; ++i) {
        PdfHexToBufferByte(next, data[i]);
        if ((i + 1) % HexBytesPerLine == 0)
            *next++ = '\n';
    }
    *next++ = '>';
    *next++ = '\n';
    out.resize(static_cast<std::size_t>(next - reinterpret_cast<char*>(out.data())));
    return out;
}

std::vector<std::uint8_t> PdfRunLengthEncode(const std::uint8_t* data, std::size_t count)
{
    std::vector<std::uint8_t> out;
    out.reserve(count + count / LongestRun + 2);
    std::size_t at = 0;
    while (at < count) {
        const std::size_t repeat = RepeatLength(data, count, at);
        if (repeat >= ShortestRepeat) {
            out.push_back(static_cast<std::uint8_t>(257 - repeat));
            out.push_back(data[at]);
            at += repeat;
            continue;
        }
        std::size_t end = at;
        while (end < count && end - at < LongestRun && RepeatLength(data, count, end) < ShortestRepeat)
            ++end;
        out.push_back(static_cast<std::uint8_t>(end - at - 1));
        out.insert(out.end(), data + at, data + end);
        at = end;
    }
    out.push_back(EndOfData);
    return out;
}
