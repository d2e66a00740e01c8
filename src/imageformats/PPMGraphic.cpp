#include "imageformats/PPMGraphic.h"

#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr std::string_view PPMName = "PBM, PGM or PPM";
constexpr std::string_view PPMReadName = "PPM";
constexpr std::size_t BufferSize = 4096;
// Raw rows that lie one after another in the bitmap are read this many bytes at a time.
constexpr std::size_t RowsReadAtOnceBytes = std::size_t{1} << 20;
constexpr std::uint32_t LargestMaxValue = 65535;
// Numbers stop growing here; every header field this large is refused by the size rule or the
// maximum value's range.
constexpr std::uint64_t SaturatedNumber = std::numeric_limits<std::uint32_t>::max();

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Kinds 1 and 4 are bitmaps, 2 and 5 graymaps, 3 and 6 pixmaps; 1 to 3 are plain, 4 to 6 raw.
bool IsBitmapKind(int kind) { return kind == 1 || kind == 4; }
bool IsPixmapKind(int kind) { return kind == 3 || kind == 6; }
bool IsPlainKind(int kind) { return kind <= 3; }
int SamplesOfKind(int kind) { return IsPixmapKind(kind) ? 3 : 1; }

// Whether the rest of the first line holds header numbers: digits and blanks only (its comment is
// already cut off), at least one digit among them.
bool HoldsOnlyNumbers(std::string_view rest)
{
    return std::any_of(rest.begin(), rest.end(), [](char c) { return IsDigit(static_cast<std::uint8_t>(c)); }) &&
           std::all_of(rest.begin(), rest.end(), [](char c) {
               return IsDigit(static_cast<std::uint8_t>(c)) || IsBlank(static_cast<std::uint8_t>(c));
           });
}

// The file stores red, green and blue; the bitmap blue, green and red.
void ReverseTriples(std::uint8_t* row, std::size_t pixels)
{
    for (std::size_t x = 0; x < pixels; ++x, row += 3)
        std::swap(row[0], row[2]);
}

} // namespace

struct TPPMGraphic::THeader {
    int Kind = 0;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t MaxValue = 1;

    std::size_t SampleBytes() const { return MaxValue > 255 ? 2 : 1; }
    std::size_t SamplesPerRow() const { return std::size_t{Width} * SamplesOfKind(Kind); }

    // The fewest bytes the samples can take: plain numbers need a separator between them, and a
    // plain bitmap's pixels are single digits.
    std::uint64_t LeastDataSize() const
    {
        const std::uint64_t samples = std::uint64_t{Height} * SamplesPerRow();
        switch (Kind) {
        case 1:
            return samples;
        case 2:
        case 3:
            return 2 * samples - 1;
        case 4:
            return (std::uint64_t{Width} + 7) / 8 * Height;
        default:
            return samples * SampleBytes();
        }
    }
};

// Reads the file through a buffer of its own: header lines and numbers, plain samples and raw rows.
class TPPMGraphic::TTokenizer {
public:
    explicit TTokenizer(TStream& stream) : stream_(stream) {}

    // The next byte; raises the stream read error at the end of the stream.
    std::uint8_t GetChar()
    {
        if (index_ == count_ && !Refill())
            RaiseImageErrorFmt(SStreamReadError, {PPMReadName});
        return buffer_[index_++];
    }

    // The next byte without taking it; 0 at the end of the stream.
    std::uint8_t CurrentChar() { return AtEnd() ? 0 : buffer_[index_]; }

    bool AtEnd() { return index_ == count_ && !Refill(); }

    // The next decimal number, past anything that is not a digit and past "#" comments; the
    // character that ends it is taken too, and when that starts a comment the comment as well. The
    // end of the stream also ends a number, so that a last sample needs nothing after it.
    std::uint32_t GetNumber()
    {
        std::uint64_t value = DigitValue(NextDigit());
        negative_ = before_ == '-';
        while (!AtEnd()) {
            const std::uint8_t c = GetChar();
            if (!IsDigit(c)) {
                if (c == '#')
                    SkipComment();
                break;
            }
            value = std::min(value * 10 + DigitValue(c), SaturatedNumber);
        }
        return static_cast<std::uint32_t>(value);
    }

    // The next digit, past anything else and past comments: a plain bitmap's pixel.
    std::uint8_t NextDigit()
    {
        before_ = 0;
        std::uint8_t c = GetChar();
        while (!IsDigit(c)) {
            if (c == '#')
                SkipComment();
            before_ = c;
            c = GetChar();
        }
        return c;
    }

    // Whether a minus sign stood right before the last number: no size or maximum may be negative.
    bool NegativeNumber() const { return negative_; }

    // The characters up to a line feed, a carriage return or a carriage return and line feed (taken
    // too) or the end of the stream, without the comment from "#" on.
    std::string ReadLine()
    {
        std::string line;
        while (!AtEnd()) {
            const std::uint8_t c = GetChar();
            if (c == '\n')
                break;
            if (c == '\r') {
                if (CurrentChar() == '\n')
                    ++index_;
                break;
            }
            line += static_cast<char>(c);
        }
        return line.substr(0, line.find('#'));
    }

    // Raw samples; raises the stream read error when the stream ends first.
    void ReadBytes(std::uint8_t* target, std::size_t count)
    {
        while (count > 0) {
            if (index_ == count_ && count >= BufferSize / 2) {
                // A long row costs about one read either way, so it goes straight from the stream into
                // its place rather than through the buffer.
                const std::int64_t got = stream_.Read(target, static_cast<std::int64_t>(count));
                if (got <= 0)
                    RaiseImageErrorFmt(SStreamReadError, {PPMReadName});
                target += got;
                count -= static_cast<std::size_t>(got);
                continue;
            }
            if (index_ == count_ && !Refill())
                RaiseImageErrorFmt(SStreamReadError, {PPMReadName});
            const std::size_t part = std::min(count, count_ - index_);
            std::memcpy(target, buffer_.data() + index_, part);
            index_ += part;
            target += part;
            count -= part;
        }
    }

    // The bytes not yet read, in the buffer and after it.
    std::int64_t BytesLeft()
    {
        return static_cast<std::int64_t>(count_ - index_) + stream_.Size() - stream_.Position();
    }

    // Goes on reading from another place of the stream.
    void RestartAt(std::int64_t position)
    {
        stream_.SetPosition(position);
        index_ = count_ = 0;
    }

private:
    static std::uint64_t DigitValue(std::uint8_t digit) { return digit - std::uint64_t{'0'}; }

    bool Refill()
    {
        const std::int64_t got = stream_.Read(buffer_.data(), BufferSize);
        index_ = 0;
        count_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return count_ > 0;
    }

    // Up to and including the end of the line, or to the end of the stream.
    void SkipComment()
    {
        while (!AtEnd()) {
            const std::uint8_t c = GetChar();
            if (c == '\n' || c == '\r')
                return;
        }
    }

    TStream& stream_;
    std::array<std::uint8_t, BufferSize> buffer_{};
    std::size_t index_ = 0;
    std::size_t count_ = 0;
    std::uint8_t before_ = 0; // the character before the last number's first digit
    bool negative_ = false;
};

bool TPPMGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= 10)
        return false;
    std::array<std::uint8_t, 2> magic{};
    const bool read = stream.Read(magic.data(), 2) == 2;
    stream.SetPosition(start);
    return read && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6';
}

bool TPPMGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    const std::int64_t start = stream.Position();
    TTokenizer tokenizer(stream);
    THeader header;
    if (imageIndex != 0 || !ReadHeader(tokenizer, header, start))
        return false;
    TakeProperties(header);
    return true;
}

void TPPMGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    FBasePosition = start;
    TTokenizer tokenizer(stream);
    THeader header;
    TImageGraphic::ReadImageProperties(stream, 0); // clears the properties
    if (!ReadHeader(tokenizer, header, start))
        RaiseImageErrorFmt(SInvalidImage, {PPMName});
    TakeProperties(header);
    CheckImageSize(PPMName);
    // A file far shorter than its picture is refused before anything that large is made.
    if (static_cast<std::uint64_t>(tokenizer.BytesLeft()) < header.LeastDataSize())
        RaiseImageErrorFmt(SStreamReadError, {PPMReadName});
    BeginProgress(static_cast<int>(header.Width), STransfering);
    TBitmap image;
    PrepareBitmap(header, image);
    ReadRows(tokenizer, header, image);
    EndProgress();
    TakeOver(image);
}

// The first line gives the kind. When the rest of it holds numbers only, they are the first header
// numbers (writers put the whole header there); otherwise it is passed over.
bool TPPMGraphic::ReadHeader(TTokenizer& tokenizer, THeader& header, std::int64_t start)
{
    const std::string line = tokenizer.ReadLine();
    if (line.size() < 2 || line[0] != 'P' || line[1] < '1' || line[1] > '6')
        return false;
    header.Kind = line[1] - '0';
    if (HoldsOnlyNumbers(std::string_view(line).substr(2)))
        tokenizer.RestartAt(start + 2);
    bool negative = false;
    const auto number = [&tokenizer, &negative] {
        const std::uint32_t value = tokenizer.GetNumber();
        negative = negative || tokenizer.NegativeNumber();
        return value;
    };
    header.Width = number();
    header.Height = number();
    header.MaxValue = IsBitmapKind(header.Kind) ? 1 : number();
    return !negative && header.MaxValue >= 1 && header.MaxValue <= LargestMaxValue;
}

void TPPMGraphic::TakeProperties(const THeader& header)
{
    TImageProperties& properties = FImageProperties;
    properties.Compression = ctNone;
    properties.Width = header.Width;
    properties.Height = header.Height;
    properties.ColorScheme = IsPixmapKind(header.Kind) ? csRGB : csIndexed;
    properties.BitsPerSample = IsBitmapKind(header.Kind) ? 1 : 8;
    properties.SamplesPerPixel = static_cast<std::uint8_t>(SamplesOfKind(header.Kind));
    properties.BitsPerPixel = static_cast<std::uint8_t>(properties.BitsPerSample * properties.SamplesPerPixel);
}

// Bitmaps show 1 as black, graymaps 0 as black.
void TPPMGraphic::PrepareBitmap(const THeader& header, TBitmap& image)
{
    if (IsPixmapKind(header.Kind)) {
        image.SetPixelFormat(pf24bit);
    } else {
        const bool bitmap = IsBitmapKind(header.Kind);
        FColorManager.SetTargetSamplesPerPixel(1);
        FColorManager.SetTargetBitsPerSample(bitmap ? 1 : 8);
        image.SetPixelFormat(bitmap ? pf1bit : pf8bit);
        image.SetPalette(FColorManager.CreateGrayscalePalette(bitmap));
    }
    // Every row is read in full, or the load fails and the bitmap is dropped.
    image.SetSizeForDecoder(static_cast<int>(header.Width), static_cast<int>(header.Height));
}

void TPPMGraphic::ReadRows(TTokenizer& tokenizer, const THeader& header, TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    const std::size_t samples = header.SamplesPerRow();
    // Raw bitmaps and raw bytes of full range go straight into the scan lines; other raw samples
    // are scaled from a row of their own.
    const bool scaled = header.SampleBytes() == 2 || header.MaxValue != 255;
    if (header.Kind == 4 || (!IsPlainKind(header.Kind) && !scaled)) {
        ReadRawRows(tokenizer, header, image);
        return;
    }
    const std::vector<std::uint8_t> scale = ScaleTable(header);
    std::vector<std::uint8_t> raw(!IsPlainKind(header.Kind) ? samples * header.SampleBytes() : 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* line = image.ScanLine(y);
        switch (header.Kind) {
        case 1:
            std::fill_n(line, (samples + 7) / 8, 0);
            for (std::size_t x = 0; x < samples; ++x)
                if (tokenizer.NextDigit() & 1)
                    line[x / 8] = static_cast<std::uint8_t>(line[x / 8] | 0x80 >> (x % 8));
            break;
        case 2:
        case 3:
            for (std::size_t i = 0; i < samples; ++i)
                line[i] = scale[std::min(tokenizer.GetNumber(), header.MaxValue)];
            break;
        default:
            tokenizer.ReadBytes(raw.data(), raw.size());
            for (std::size_t i = 0; i < samples; ++i)
                line[i] = scale[header.SampleBytes() == 2 ? BigEndian16(&raw[2 * i]) : raw[i]];
        }
        if (IsPixmapKind(header.Kind))
            ReverseTriples(line, static_cast<std::size_t>(width));
        RowDone(y, height);
    }
}

// Rows stored as the bitmap keeps them, but for the order of a pixmap's samples: read straight into
// the scan lines, as many at once as lie one after another there.
void TPPMGraphic::ReadRawRows(TTokenizer& tokenizer, const THeader& header, TBitmap& image)
{
    const int height = image.Height();
    const std::size_t samples = header.SamplesPerRow();
    const std::size_t rowBytes = IsBitmapKind(header.Kind) ? (samples + 7) / 8 : samples;
    const bool adjoining = static_cast<std::size_t>(image.BytesPerScanLine()) == rowBytes;
    const int rowsAtOnce = adjoining ? static_cast<int>(std::max<std::size_t>(1, RowsReadAtOnceBytes / rowBytes)) : 1;
    for (int y = 0; y < height; y += rowsAtOnce) {
        const int rows = std::min(rowsAtOnce, height - y);
        tokenizer.ReadBytes(image.ScanLine(y), rowBytes * static_cast<std::size_t>(rows));
        for (int row = y; row < y + rows; ++row) {
            if (IsPixmapKind(header.Kind))
                ReverseTriples(image.ScanLine(row), header.Width);
            RowDone(row, height);
        }
    }
}

// Each stored value v as v x 255 / maximum, truncated, the rule of every reader that narrows
// samples; a value above the maximum counts as the maximum.
std::vector<std::uint8_t> TPPMGraphic::ScaleTable(const THeader& header)
{
    std::vector<std::uint8_t> table(header.SampleBytes() == 2 ? 65536 : 256);
    for (std::uint32_t v = 0; v < table.size(); ++v)
        table[v] = static_cast<std::uint8_t>(std::min(v, header.MaxValue) * 255 / header.MaxValue);
    return table;
}
