#include "pdf/PdfDictionaryStrings.h"

#include "pdf/PdfDeviceWorkBuffer.h"

#include <charconv>
#include <optional>
#include <system_error>

namespace {

struct TScannedString {
    std::string bytes;
    // Where the text after the string starts.
    std::size_t end = 0;
};

char EscapedByte(char c)
{
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    default:
        return c;
    }
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

std::optional<TScannedString> ScanLiteral(std::string_view text, std::size_t start)
{
    const std::size_t end = PdfLiteralStringEnd(text, start);
    if (end == std::string_view::npos)
        return std::nullopt;
    return TScannedString{PdfLiteralStringBytes(text.substr(start + 1, end - start - 2)), end};
}

// The hexadecimal string whose "<" stands at `start`.
std::optional<TScannedString> ScanHex(std::string_view text, std::size_t start)
{
    const std::size_t close = text.find('>', start + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    return TScannedString{PdfHexStringBytes(text.substr(start + 1, close - start - 1)), close + 1};
}

// The literal or hexadecimal string that opens at `start`; "<<" opens a dictionary instead.
std::optional<TScannedString> ScanString(std::string_view text, std::size_t start)
{
    if (start < text.size() && text[start] == '(')
        return ScanLiteral(text, start);
    if (start < text.size() && text[start] == '<' && (start + 1 == text.size() || text[start + 1] != '<'))
        return ScanHex(text, start);
    return std::nullopt;
}

} // namespace

std::size_t PdfLiteralStringEnd(std::string_view text, std::size_t start)
{
    int depth = 0;
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            ++i;
        else if (c == '(')
            ++depth;
        else if (c == ')' && depth-- == 0)
            return i + 1;
    }
    return std::string_view::npos;
}

std::string PdfLiteralStringBytes(std::string_view body)
{
    std::string bytes;
    bytes.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\' || i + 1 == body.size()) {
            bytes += body[i];
            continue;
        }
        const char next = body[++i];
        if (IsOctal(next)) {
            int value = next - '0';
            for (int digits = 1; digits < 3 && i + 1 < body.size() && IsOctal(body[i + 1]); ++digits)
                value = value * 8 + (body[++i] - '0');
            bytes += static_cast<char>(value & 0xFF);
        } else if (next == '\r' || next == '\n') {
            // A line continued: neither the backslash nor the line end belongs to the string.
            if (next == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
        } else {
            bytes += EscapedByte(next);
        }
    }
    return bytes;
}

std::string PdfHexStringBytes(std::string_view body)
{
    std::string bytes;
    int high = -1;
    for (std::size_t i = 0; i < body.size(); ++i) {
        // White space and other misfits between the digits do not count.
        int digit = 0;
        if (std::from_chars(&body[i], &body[i] + 1, digit, 16).ec != std::errc{})
            continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high << 4 | digit);
            high = -1;
        }
    }
    if (high >= 0)
        bytes += static_cast<char>(high << 4);
    return bytes;
}

std::string PdfConvertDictionaryStrings(std::string_view text,
                                        const std::function<std::string(std::string_view bytes)>& convert)
{
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        // "<<" and ">>" open and close dictionaries, not strings.
        if ((c == '<' || c == '>') && i + 1 < text.size() && text[i + 1] == c) {
            result.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        if (c == '(' || c == '<') {
            const std::optional<TScannedString> scanned = ScanString(text, i);
            if (!scanned)
                return result.append(text.substr(i));
            result += "(" + PdfCleanString(convert(scanned->bytes)) + ")";
            i = scanned->end;
            continue;
        }
        result += c;
        ++i;
    }
    return result;
}

std::optional<std::string> PdfStringBytesAt(std::string_view text, std::size_t start)
{
    std::optional<TScannedString> scanned = ScanString(text, start);
    if (!scanned)
        return std::nullopt;
    return std::move(scanned->bytes);
}
