#include "platform/core/CodePage.h"

#include <QString>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <memory>

namespace {

#include "platform/core/CodePageTables.inc"

// What ends a text a window shows only the start of.
constexpr QChar ShownEllipsis(u'\u2026');

// Unicode of the bytes 0x80-0x9F.
constexpr std::array<char16_t, 32> HighControlBlock = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ByteToUnicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return HighControlBlock[byte - 0x80];
    return byte;
}

// The Windows-1252 byte of a character, or -1 when it has none.
int Win1252Byte(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<int>(code);
    for (size_t i = 0; i < HighControlBlock.size(); ++i)
        if (HighControlBlock[i] == code)
            return static_cast<int>(0x80 + i);
    return -1;
}

int UnicodeToByte(char32_t code)
{
    const int byte = Win1252Byte(code);
    return byte < 0 ? '?' : byte;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; returns false on a malformed one (pos then skips a byte).
bool DecodeUtf8(std::string_view text, size_t& pos, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (pos + length > text.size()) {
        ++pos;
        return false;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        code = (code << 6) | (next & 0x3F);
    }
    pos += length;
    return code >= minimum && code <= 0x10FFFF;
}

void AppendUtf16(std::u16string& out, char32_t code)
{
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (code >> 10));
        out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
    }
}

bool IsSurrogatePair(std::u16string_view text, size_t pos)
{
    return pos + 1 < text.size() && text[pos] >= 0xD800 && text[pos] <= 0xDBFF && text[pos + 1] >= 0xDC00 &&
           text[pos + 1] <= 0xDFFF;
}

// Decodes one UTF-16 character at text[pos]; a lone surrogate gives '?'.
char32_t DecodeUtf16(std::u16string_view text, size_t& pos)
{
    if (IsSurrogatePair(text, pos)) {
        const char32_t code = 0x10000 + ((static_cast<char32_t>(text[pos] - 0xD800) << 10) | (text[pos + 1] - 0xDC00));
        pos += 2;
        return code;
    }
    const char16_t unit = text[pos++];
    return unit >= 0xD800 && unit <= 0xDFFF ? '?' : unit;
}

constexpr std::array<char16_t, 128> MakeHighHalf1252()
{
    std::array<char16_t, 128> half{};
    for (size_t i = 0; i < half.size(); ++i)
        half[i] = i < HighControlBlock.size() ? HighControlBlock[i] : static_cast<char16_t>(0x80 + i);
    return half;
}
constexpr std::array<char16_t, 128> HighHalf1252 = MakeHighHalf1252();

const std::array<char16_t, 128>* SingleByteHighHalf(int codePage)
{
    switch (codePage) {
    case 1250:
        return &HighHalf1250;
    case 1251:
        return &HighHalf1251;
    case 1253:
        return &HighHalf1253;
    case 1254:
        return &HighHalf1254;
    case 1255:
        return &HighHalf1255;
    case 1257:
        return &HighHalf1257;
    case 932:
    case 936:
    case 949:
    case 950:
        return nullptr;
    default:
        return &HighHalf1252;
    }
}

std::u16string SingleByteToUtf16(const std::array<char16_t, 128>& high, std::string_view bytes)
{
    std::u16string result;
    result.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t code = byte < 0x80 ? byte : high[byte - 0x80];
        result += code == 0 && byte >= 0x80 ? u'?' : code;
    }
    return result;
}

char SingleByteOf(const std::array<char16_t, 128>& high, char32_t code)
{
    if (code < 0x80)
        return static_cast<char>(code);
    const auto found = std::find(high.begin(), high.end(), code);
    return found == high.end() ? '?' : static_cast<char>(0x80 + (found - high.begin()));
}

std::string Utf16ToSingleByte(const std::array<char16_t, 128>& high, std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
        result += SingleByteOf(high, DecodeUtf16(text, pos));
    return result;
}

// glibc's names of the multi-byte Windows code pages.
const char* IconvName(int codePage)
{
    switch (codePage) {
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    default:
        return "CP950";
    }
}

const char* Utf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from)
{
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvHandle(handle);
}

// Converts as much as iconv can; each input unit it refuses (of `unitSize` bytes) becomes `fallback`
// in the output and is skipped.
template <typename Out>
Out ConvertSkipping(const IconvHandle& handle, const char* input, size_t inputSize, size_t unitSize,
                    typename Out::value_type fallback)
{
    Out result;
    if (!handle) {
        result.assign(inputSize / unitSize, fallback);
        return result;
    }
    auto* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    std::array<typename Out::value_type, 256> chunk{};
    while (inLeft >= unitSize) {
        auto* out = reinterpret_cast<char*>(chunk.data());
        size_t outLeft = sizeof chunk;
        const size_t done = iconv(static_cast<iconv_t>(handle.get()), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(chunk.data(), (sizeof chunk - outLeft) / sizeof(typename Out::value_type));
        if (done != static_cast<size_t>(-1) || (error == E2BIG))
            continue;
        // An invalid or cut-short sequence: one unit of it is lost.
        result += fallback;
        in += unitSize;
        inLeft -= unitSize;
        iconv(static_cast<iconv_t>(handle.get()), nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

} // namespace

std::u16string CodePageToUtf16(int codePage, std::string_view bytes)
{
    if (const auto* high = SingleByteHighHalf(codePage))
        return SingleByteToUtf16(*high, bytes);
    return ConvertSkipping<std::u16string>(OpenIconv(Utf16Name(), IconvName(codePage)), bytes.data(), bytes.size(), 1,
                                           u'?');
}

std::string Utf16ToCodePage(int codePage, std::u16string_view text)
{
    if (const auto* high = SingleByteHighHalf(codePage))
        return Utf16ToSingleByte(*high, text);
    return ConvertSkipping<std::string>(OpenIconv(IconvName(codePage), Utf16Name()),
                                        reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t),
                                        sizeof(char16_t), '?');
}

std::string Win1252ToUtf8(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        AppendUtf8(result, ByteToUnicode(static_cast<unsigned char>(c)));
    return result;
}

std::string Utf8ToWin1252(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t code = 0;
        result += static_cast<char>(DecodeUtf8(text, pos, code) ? UnicodeToByte(code) : '?');
    }
    return result;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string result;
    Utf8ToUtf16(text, result);
    return result;
}

bool Utf8ToUtf16(std::string_view text, std::u16string& result)
{
    // Database values are mostly ASCII, which needs no decoding; UTF-16 never takes more units than
    // UTF-8 has bytes.
    result.resize(text.size());
    size_t length = 0;
    size_t pos = 0;
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        result[length++] = static_cast<char16_t>(text[pos++]);
    result.resize(length);
    bool wellFormed = true;
    while (pos < text.size()) {
        char32_t code = 0;
        const bool decoded = DecodeUtf8(text, pos, code);
        wellFormed = wellFormed && decoded;
        AppendUtf16(result, decoded ? code : U'?');
    }
    return wellFormed;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
        AppendUtf8(result, DecodeUtf16(text, pos));
    return result;
}

std::u16string Win1252ToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (char c : text)
        result += static_cast<char16_t>(ByteToUnicode(static_cast<unsigned char>(c)));
    return result;
}

std::string Utf16ToWin1252(std::u16string_view text)
{
    // Never more bytes than units; ASCII, most of what is converted, maps to itself.
    std::string result(text.size(), '\0');
    size_t length = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const char16_t unit = text[pos];
        if (unit < 0x80) {
            result[length++] = static_cast<char>(unit);
            ++pos;
        } else {
            result[length++] = static_cast<char>(UnicodeToByte(DecodeUtf16(text, pos)));
        }
    }
    result.resize(length);
    return result;
}

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsUtf8(std::string_view bytes)
{
    size_t pos = 0;
    char32_t code = 0;
    while (pos < bytes.size())
        if (!DecodeUtf8(bytes, pos, code))
            return false;
    return true;
}

bool Win1252CanHold(std::string_view utf8)
{
    size_t pos = 0;
    char32_t code = 0;
    while (pos < utf8.size())
        if (!DecodeUtf8(utf8, pos, code) || Win1252Byte(code) < 0)
            return false;
    return true;
}

QString toQString(std::string_view text)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text)
        result += QChar(static_cast<char16_t>(ByteToUnicode(static_cast<unsigned char>(c))));
    return result;
}

size_t Utf16Prefix(std::u16string_view text, size_t characters)
{
    size_t units = 0;
    for (; characters > 0 && units < text.size(); --characters)
        units += IsSurrogatePair(text, units) ? 2 : 1;
    return units;
}

bool ShownWhole(std::string_view text) { return text.size() <= ShownCharacters; }

QString toShownQString(std::string_view text)
{
    if (ShownWhole(text))
        return toQString(text);
    return toQString(text.substr(0, ShownCharacters)) + ShownEllipsis;
}

QString Utf8ToShownQString(std::string_view text)
{
    // A character takes at most four bytes: this much holds more than is shown of any longer text.
    const std::string_view head = text.substr(0, 4 * (ShownCharacters + 1));
    QString shown = QString::fromUtf8(head.data(), static_cast<qsizetype>(head.size()));
    const size_t units = Utf16Prefix(
        std::u16string_view(reinterpret_cast<const char16_t*>(shown.utf16()), static_cast<size_t>(shown.size())),
        ShownCharacters);
    if (units == static_cast<size_t>(shown.size()))
        return shown;
    shown.truncate(static_cast<qsizetype>(units));
    return shown + ShownEllipsis;
}

std::string fromQString(const QString& text)
{
    std::string result;
    result.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A surrogate pair is one character outside Windows-1252.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        result += static_cast<char>(c.isSurrogate() ? '?' : UnicodeToByte(c.unicode()));
    }
    return result;
}
