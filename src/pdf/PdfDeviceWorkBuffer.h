#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Colors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TStream;

// The growable text of a page's content stream. Every number is followed by one blank so that an
// operator can follow at once; reals have three decimals and a point whatever the process locale.
class TPdfDeviceWorkBuffer {
public:
    static constexpr int Decimals = 3;

    explicit TPdfDeviceWorkBuffer(std::size_t capacity);

    // Makes room for `count` more bytes; small growths double the step so that a page of many small
    // appends reallocates a logarithmic number of times.
    void Need(std::size_t count);

    void Append(std::string_view text);
    void AppendFloat(double value);
    // Values separated by blanks, no blank after the last; exactly 0 and 1 are written "0" and "1".
    // More decimals serve values that must cancel others closely, such as an inverse matrix.
    void AppendFloats(const double* values, int lastIndex, int decimals = Decimals);
    void AppendInt(std::int64_t value);
    // The colour's red, green and blue as fractions of 255, then a blank and the operator.
    void AppendColor(TColor color, std::string_view op);
    // The text escaped for a literal string; the caller writes the parentheses.
    void AppendClean(std::string_view text);

    void Write(TStream& stream) const;
    void Clear();

    const char* Buffer() const { return buffer_.get(); }
    std::size_t Length() const { return length_; }
    std::size_t Capacity() const { return capacity_; }

private:
    void Reallocate(std::size_t capacity);

    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t length_ = 0;
    std::size_t growStep_ = 256;
};

// Writes a real with three decimals and a point, rounded first to 15 significant digits and then to
// the decimals, halves away from zero ("12.000", "-0.500"); no blank. Values of 1E15 and more in
// magnitude need up to 320 bytes, all others at most 20. Other decimals are rounded once, to the
// nearest, and need that many bytes more. Returns the end of the text.
char* PdfFormatFloat(char* out, double value, int decimals = TPdfDeviceWorkBuffer::Decimals);

// Escapes text for a literal string: a backslash before "(", ")" and "\\", and \r \n \t \b for
// those controls; every other byte as it is. Writes at most twice the text's length.
char* PdfEscapeLiteral(char* out, std::string_view text);
std::string PdfCleanString(std::string_view text);
// Each character as two bytes, high byte first.
std::string PdfBigEndianBytes(std::u16string_view text);

// The ANSI code page of a Windows font character set; 1252 for every set it does not know.
int GetCodePage(int charset);

// Two lower-case hexadecimal digits at `out`, which moves past them.
void PdfHexToBufferByte(char*& out, std::uint8_t value);
// Four lower-case hexadecimal digits, most significant first.
void PdfHexToBufferWord(char*& out, std::uint16_t value);
std::string PdfWordToHEX(std::uint16_t value);
// The integer in decimal, "-" first for negatives; no blank.
std::string PdfIntToStr(std::int64_t value);
TRect PdfRect(int left, int top, int right, int bottom);
