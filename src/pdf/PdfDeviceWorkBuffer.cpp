#include "pdf/PdfDeviceWorkBuffer.h"

#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t InitialGrowStep = 256;
constexpr std::size_t NumberRoom = 20;
constexpr std::size_t LargeNumberRoom = 330;
constexpr char HexDigits[] = "0123456789abcdef";

constexpr std::array<char, 200> MakeDigitPairs()
{
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}
constexpr std::array<char, 200> DigitPairs = MakeDigitPairs();

// Writes an unsigned integer; returns the end.
char* WriteUnsigned(char* out, std::uint64_t value)
{
    char scratch[24];
    char* p = scratch + sizeof scratch;
    while (value >= 100) {
        p -= 2;
        std::memcpy(p, &DigitPairs[static_cast<std::size_t>(value % 100) * 2], 2);
        value /= 100;
    }
    if (value >= 10) {
        p -= 2;
        std::memcpy(p, &DigitPairs[static_cast<std::size_t>(value) * 2], 2);
    } else {
        *--p = static_cast<char>('0' + value);
    }
    const std::size_t count = static_cast<std::size_t>(scratch + sizeof scratch - p);
    std::memcpy(out, p, count);
    return out + count;
}

// Writes a signed integer, "-" first for negatives; returns the end.
char* WriteSigned(char* out, std::int64_t value)
{
    auto magnitude = static_cast<std::uint64_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
    }
    return WriteUnsigned(out, magnitude);
}

// Below 1E12 the third decimal lies within 15 significant digits, and value x 1000 stays an exact
// integer range for a double.
constexpr double FastLimit = 1e12;

// How far below a half, in thousandths, a value still rounds up because its 15-digit form is the
// half: half a unit of the 15th significant digit, for magnitudes 10^0 .. 10^11. From 10^11 the 15th
// digit is the third decimal itself, so there is one rounding only.
constexpr double HalfUnitOf15thDigit[12] = {0.5e-11, 0.5e-10, 0.5e-9, 0.5e-8, 0.5e-7, 0.5e-6,
                                            0.5e-5,  0.5e-4,  0.5e-3, 0.5e-2, 0.5e-1, 0};
constexpr double PowersOfTen[12] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};

double HalfUnitFor(double magnitude)
{
    if (magnitude < 1)
        return 0.5e-12;
    int k = 0;
    while (k < 11 && magnitude >= PowersOfTen[k + 1])
        ++k;
    return HalfUnitOf15thDigit[k];
}

char* WriteThousandths(char* out, bool negative, std::uint64_t thousandths)
{
    if (negative && thousandths != 0)
        *out++ = '-';
    out = WriteUnsigned(out, thousandths / 1000);
    const auto fraction = static_cast<std::size_t>(thousandths % 1000);
    *out++ = '.';
    *out++ = static_cast<char>('0' + fraction / 100);
    std::memcpy(out, &DigitPairs[(fraction % 100) * 2], 2);
    return out + 2;
}

// Magnitudes from 1E12 up: 15 significant digits, then zeros to the point and three decimals.
char* WriteLargeFloat(char* out, double value)
{
    char digits[40];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view text(digits, static_cast<std::size_t>(result.ptr - digits));
    const std::size_t e = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exponent);
    std::string significant;
    for (char c : text.substr(0, e))
        if (c != '.')
            significant += c;
    if (value < 0)
        *out++ = '-';
    const int integerDigits = exponent + 1;
    for (int i = 0; i < integerDigits; ++i)
        *out++ = i < static_cast<int>(significant.size()) ? significant[static_cast<std::size_t>(i)] : '0';
    *out++ = '.';
    for (int i = 0; i < TPdfDeviceWorkBuffer::Decimals; ++i) {
        const int at = integerDigits + i;
        *out++ = at < static_cast<int>(significant.size()) ? significant[static_cast<std::size_t>(at)] : '0';
    }
    return out;
}

// Any other number of decimals, rounded once; never a "-" before a zero.
char* WriteFixed(char* out, double value, int decimals)
{
    char text[LargeNumberRoom + 40];
    const auto result =
        std::to_chars(text, text + sizeof text, std::isfinite(value) ? value : 0.0, std::chars_format::fixed, decimals);
    const char* start = text;
    if (*start == '-' &&
        std::all_of(start + 1, static_cast<const char*>(result.ptr), [](char c) { return c == '0' || c == '.'; }))
        ++start;
    const auto count = static_cast<std::size_t>(result.ptr - start);
    std::memcpy(out, start, count);
    return out + count;
}

} // namespace

char* PdfFormatFloat(char* out, double value, int decimals)
{
    if (decimals != TPdfDeviceWorkBuffer::Decimals)
        return WriteFixed(out, value, decimals);
    if (!std::isfinite(value))
        return WriteThousandths(out, false, 0);
    const double magnitude = std::fabs(value);
    if (magnitude >= FastLimit)
        return WriteLargeFloat(out, value);
    const double scaled = magnitude * 1000.0;
    const double whole = std::floor(scaled);
    auto thousandths = static_cast<std::uint64_t>(whole);
    if (scaled - whole >= 0.5 - HalfUnitFor(magnitude))
        ++thousandths;
    return WriteThousandths(out, value < 0, thousandths);
}

TPdfDeviceWorkBuffer::TPdfDeviceWorkBuffer(std::size_t capacity)
    : buffer_(std::make_unique_for_overwrite<char[]>(capacity)), capacity_(capacity)
{
}

void TPdfDeviceWorkBuffer::Need(std::size_t count)
{
    if (length_ + count < capacity_)
        return;
    std::size_t growth = count;
    if (count < growStep_) {
        growth = growStep_;
        growStep_ *= 2;
    }
    Reallocate(length_ + growth);
}

void TPdfDeviceWorkBuffer::Reallocate(std::size_t capacity)
{
    auto block = std::make_unique_for_overwrite<char[]>(capacity);
    if (length_ > 0)
        std::memcpy(block.get(), buffer_.get(), length_);
    buffer_ = std::move(block);
    capacity_ = capacity;
}

void TPdfDeviceWorkBuffer::Append(std::string_view text)
{
    if (text.empty())
        return;
    Need(text.size());
    std::memcpy(buffer_.get() + length_, text.data(), text.size());
    length_ += text.size();
}

void TPdfDeviceWorkBuffer::AppendFloat(double value)
{
    Need(std::fabs(value) < FastLimit ? NumberRoom : LargeNumberRoom);
    char* end = PdfFormatFloat(buffer_.get() + length_, value);
    *end++ = ' ';
    length_ = static_cast<std::size_t>(end - buffer_.get());
}

void TPdfDeviceWorkBuffer::AppendFloats(const double* values, int lastIndex, int decimals)
{
    if (lastIndex < 0)
        return;
    const auto count = static_cast<std::size_t>(lastIndex) + 1;
    std::size_t room = 0;
    for (std::size_t i = 0; i < count; ++i)
        room += (std::fabs(values[i]) < FastLimit ? NumberRoom : LargeNumberRoom) + static_cast<std::size_t>(decimals);
    Need(room);
    char* out = buffer_.get() + length_;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            *out++ = ' ';
        if (values[i] == 0)
            *out++ = '0';
        else if (values[i] == 1)
            *out++ = '1';
        else
            out = PdfFormatFloat(out, values[i], decimals);
    }
    length_ = static_cast<std::size_t>(out - buffer_.get());
}

void TPdfDeviceWorkBuffer::AppendInt(std::int64_t value)
{
    Need(NumberRoom + 1);
    char* out = WriteSigned(buffer_.get() + length_, value);
    *out++ = ' ';
    length_ = static_cast<std::size_t>(out - buffer_.get());
}

void TPdfDeviceWorkBuffer::AppendColor(TColor color, std::string_view op)
{
    const auto rgb = static_cast<COLORREF>(ColorToRGB(color));
    const double parts[3] = {GetRValue(rgb) / 255.0, GetGValue(rgb) / 255.0, GetBValue(rgb) / 255.0};
    AppendFloats(parts, 2);
    Append(" ");
    Append(op);
}

void TPdfDeviceWorkBuffer::AppendClean(std::string_view text)
{
    Need(text.size() * 2);
    length_ = static_cast<std::size_t>(PdfEscapeLiteral(buffer_.get() + length_, text) - buffer_.get());
}

void TPdfDeviceWorkBuffer::Write(TStream& stream) const
{
    if (length_ > 0)
        stream.WriteBuffer(buffer_.get(), static_cast<std::int64_t>(length_));
}

// The block keeps its real size: only the text and the grow step start again.
void TPdfDeviceWorkBuffer::Clear()
{
    length_ = 0;
    growStep_ = InitialGrowStep;
}

char* PdfEscapeLiteral(char* out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '(':
        case ')':
        case '\\':
            *out++ = '\\';
            *out++ = c;
            break;
        case '\r':
            *out++ = '\\';
            *out++ = 'r';
            break;
        case '\n':
            *out++ = '\\';
            *out++ = 'n';
            break;
        case '\t':
            *out++ = '\\';
            *out++ = 't';
            break;
        case '\b':
            *out++ = '\\';
            *out++ = 'b';
            break;
        default:
            *out++ = c;
        }
    }
    return out;
}

std::string PdfCleanString(std::string_view text)
{
    std::string escaped(text.size() * 2, '\0');
    escaped.resize(static_cast<std::size_t>(PdfEscapeLiteral(escaped.data(), text) - escaped.data()));
    return escaped;
}

int GetCodePage(int charset)
{
    switch (charset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 177:
        return 1255;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 238:
        return 1250;
    default:
        return 1252;
    }
}

void PdfHexToBufferByte(char*& out, std::uint8_t value)
{
    *out++ = HexDigits[value >> 4];
    *out++ = HexDigits[value & 0x0F];
}

void PdfHexToBufferWord(char*& out, std::uint16_t value)
{
    PdfHexToBufferByte(out, static_cast<std::uint8_t>(value >> 8));
    PdfHexToBufferByte(out, static_cast<std::uint8_t>(value & 0xFF));
}

std::string PdfWordToHEX(std::uint16_t value)
{
    char digits[4];
    char* out = digits;
    PdfHexToBufferWord(out, value);
    return std::string(digits, sizeof digits);
}

std::string PdfIntToStr(std::int64_t value)
{
    char text[NumberRoom];
    return std::string(text, WriteSigned(text, value));
}

TRect PdfRect(int left, int top, int right, int bottom) { return Rect(left, top, right, bottom); }

std::string PdfBigEndianBytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}
