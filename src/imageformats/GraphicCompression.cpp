#include "imageformats/GraphicCompression.h"

#include <algorithm>
#include <cstring>
#include <string>

// The packed bytes still to read and the unpacked bytes still to write. Every step is cut to both,
// and Copy and Repeat move by whole units (a pixel or a 16-bit value).
class TRunCursor {
public:
    TRunCursor(const std::uint8_t* source, std::size_t packedSize, std::uint8_t* target, std::size_t unpackedSize)
        : in_(source), inEnd_(source + packedSize), out_(target), outEnd_(target + unpackedSize)
    {
    }

    std::size_t InLeft() const { return static_cast<std::size_t>(inEnd_ - in_); }
    std::size_t OutLeft() const { return static_cast<std::size_t>(outEnd_ - out_); }
    bool Working() const { return InLeft() > 0 && OutLeft() > 0; }
    const std::uint8_t* In() const { return in_; }

    std::uint8_t NextByte() { return *in_++; }
    void Skip(std::size_t count) { in_ += std::min(count, InLeft()); }

    // Copies up to `count` literal units, as many as both the packed data and the room hold; returns
    // how many.
    std::size_t Copy(std::size_t count, std::size_t unitSize = 1)
    {
        const std::size_t units = std::min({count, InLeft() / unitSize, OutLeft() / unitSize});
        std::memcpy(out_, in_, units * unitSize);
        out_ += units * unitSize;
        in_ += units * unitSize;
        return units;
    }

    // Writes up to `count` copies of the unit at `value`, as many as there is room for; returns how
    // many.
    std::size_t Repeat(const std::uint8_t* value, std::size_t count, std::size_t unitSize = 1)
    {
        const std::size_t units = std::min(count, OutLeft() / unitSize);
        if (unitSize == 1) {
            std::memset(out_, *value, units);
            out_ += units;
            return units;
        }
        for (std::size_t i = 0; i < units; ++i, out_ += unitSize)
            std::memcpy(out_, value, unitSize);
        return units;
    }

    // Reads the unit a run repeats; false, with the packed data used up, when it ends first.
    bool TakeValue(const std::uint8_t*& value, std::size_t unitSize = 1)
    {
        if (InLeft() < unitSize) {
            in_ = inEnd_;
            return false;
        }
        value = in_;
        in_ += unitSize;
        return true;
    }

    void ZeroRest()
    {
        std::fill(out_, outEnd_, std::uint8_t{0});
        out_ = outEnd_;
    }

private:
    const std::uint8_t* in_;
    const std::uint8_t* inEnd_;
    std::uint8_t* out_;
    std::uint8_t* outEnd_;
};

namespace {

constexpr int MaxTargaPacket = 128;

// A signed count from a caller; below 0 counts as nothing.
std::size_t Count(std::int32_t value) { return value > 0 ? static_cast<std::size_t>(value) : 0; }

int TargaPixelSize(int colorDepth)
{
    switch (colorDepth) {
    case 8:
        return 1;
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 0;
    }
}

// Pixels before the first pair of equal neighbours: all but the last when no two are equal, one
// when a single pixel is left.
int LiteralLength(const std::uint8_t* pixels, int remaining, int pixelSize)
{
    if (remaining == 1)
        return 1;
    const auto size = static_cast<std::size_t>(pixelSize);
    int length = 0;
    while (length < remaining - 1 && length < MaxTargaPacket &&
           std::memcmp(pixels + length * size, pixels + (length + 1) * size, size) != 0)
        ++length;
    return length;
}

// Pixels equal to the first, the first included.
int RunLength(const std::uint8_t* pixels, int remaining, int pixelSize)
{
    const auto size = static_cast<std::size_t>(pixelSize);
    int length = 1;
    while (length < remaining && length < MaxTargaPacket && std::memcmp(pixels, pixels + length * size, size) == 0)
        ++length;
    return length;
}

// A row of 4-bit pixels, two per byte, high nibble first, that takes at most `pixels` of them.
class TNibbleRow {
public:
    TNibbleRow(std::uint8_t* row, std::size_t pixels) : row_(row), pixels_(pixels) {}

    bool Full() const { return count_ == pixels_; }
    unsigned Last() const { return last_; }

    void Put(unsigned pixel)
    {
        if (Full())
            return;
        last_ = pixel & 0x0F;
        if (count_ % 2 == 0)
            row_[count_ / 2] = static_cast<std::uint8_t>(last_ << 4);
        else
            row_[count_ / 2] |= static_cast<std::uint8_t>(last_);
        ++count_;
    }

    void Repeat(std::size_t count)
    {
        for (count = std::min(count, pixels_ - count_); count > 0; --count)
            Put(last_);
    }

private:
    std::uint8_t* row_;
    std::size_t pixels_;
    std::size_t count_ = 0;
    unsigned last_ = 0;
};

// The Thunderscan deltas by code; None marks the value that writes nothing.
constexpr int None = 99;
constexpr int TwoBitDeltas[4] = {0, 1, None, -1};
constexpr int ThreeBitDeltas[8] = {0, 1, 2, 3, None, -3, -2, -1};

void PutDelta(TNibbleRow& row, int delta)
{
    if (delta != None)
        row.Put(static_cast<unsigned>(static_cast<int>(row.Last()) + delta));
}

} // namespace

void CompressionError(std::string_view message) { throw EGraphicCompression(std::string(message)); }

void TDecoder::Encode(const std::uint8_t*, std::uint8_t*, std::int32_t, std::int32_t& bytesStored) { bytesStored = 0; }

TTargaRLEDecoder::TTargaRLEDecoder(int colorDepth) : pixelSize_(TargaPixelSize(colorDepth)) {}

void TTargaRLEDecoder::DecodeInit() { pendingCount_ = 0; }

void TTargaRLEDecoder::DecodeEnd() { pendingCount_ = 0; }

void TTargaRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                              std::int32_t unpackedSize)
{
    const auto size = static_cast<std::size_t>(pixelSize_);
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize) * size);
    while (size > 0 && cursor.OutLeft() > 0) {
        if (pendingCount_ == 0 && !StartPacket(cursor))
            break;
        const std::size_t done =
            pendingRun_ ? cursor.Repeat(runPixel_.data(), pendingCount_, size) : cursor.Copy(pendingCount_, size);
        if (done == 0)
            break;
        pendingCount_ -= static_cast<int>(done);
    }
    cursor.ZeroRest();
    source = cursor.In();
}

bool TTargaRLEDecoder::StartPacket(TRunCursor& cursor)
{
    // A packet is taken only with its first pixel, so that one cut by the end of the packed data is
    // read whole by the next Decode.
    const auto size = static_cast<std::size_t>(pixelSize_);
    if (cursor.InLeft() < 1 + size)
        return false;
    const std::uint8_t header = cursor.NextByte();
    pendingCount_ = (header & 0x7F) + 1;
    pendingRun_ = (header & 0x80) != 0;
    if (pendingRun_) {
        std::memcpy(runPixel_.data(), cursor.In(), size);
        cursor.Skip(size);
    }
    return true;
}

void TTargaRLEDecoder::Encode(const std::uint8_t* source, std::uint8_t* target, std::int32_t count,
                              std::int32_t& bytesStored)
{
    bytesStored = 0;
    if (pixelSize_ == 0)
        return;
    const auto size = static_cast<std::size_t>(pixelSize_);
    int remaining = std::max(count, 0);
    while (remaining > 0) {
        const int literal = LiteralLength(source, remaining, pixelSize_);
        if (literal > 0) {
            *target++ = static_cast<std::uint8_t>(literal - 1);
            std::memcpy(target, source, literal * size);
            target += literal * size;
            source += literal * size;
            bytesStored += static_cast<std::int32_t>(literal * size + 1);
            remaining -= literal;
            continue;
        }
        const int run = RunLength(source, remaining, pixelSize_);
        *target++ = static_cast<std::uint8_t>((run - 1) | 0x80);
        std::memcpy(target, source, size);
        target += size;
        source += run * size;
        bytesStored += static_cast<std::int32_t>(size + 1);
        remaining -= run;
    }
}

void TPackbitsRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                                 std::int32_t unpackedSize)
{
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    while (cursor.Working()) {
        const auto header = static_cast<std::int8_t>(cursor.NextByte());
        if (header >= 0) {
            cursor.Copy(static_cast<std::size_t>(header) + 1);
        } else if (header != -128) {
            const std::uint8_t* value = nullptr;
            if (!cursor.TakeValue(value))
                break;
            cursor.Repeat(value, static_cast<std::size_t>(1 - header));
        }
    }
    cursor.ZeroRest();
}

void TPCXRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                            std::int32_t unpackedSize)
{
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    while (cursor.Working()) {
        const std::uint8_t* value = cursor.In();
        const std::uint8_t byte = cursor.NextByte();
        if ((byte & 0xC0) == 0xC0 && !cursor.TakeValue(value))
            break;
        cursor.Repeat(value, (byte & 0xC0) == 0xC0 ? byte & 0x3F : 1);
    }
    cursor.ZeroRest();
}

TSGIRLEDecoder::TSGIRLEDecoder(int sampleSize) : sampleSize_(sampleSize == 16 ? 2 : 1) {}

void TSGIRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                            std::int32_t unpackedSize)
{
    const auto unit = static_cast<std::size_t>(sampleSize_);
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    while (cursor.Working() && cursor.InLeft() >= unit) {
        // The header is a byte, or a big-endian word whose low byte holds the count and flag.
        if (unit == 2)
            cursor.Skip(1);
        const std::uint8_t header = cursor.NextByte();
        const std::size_t count = header & 0x7F;
        if (count == 0)
            break;
        if (header & 0x80) {
            cursor.Copy(count, unit);
            continue;
        }
        const std::uint8_t* value = nullptr;
        if (!cursor.TakeValue(value, unit))
            break;
        cursor.Repeat(value, count, unit);
    }
    cursor.ZeroRest();
}

void TCUTRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                            std::int32_t unpackedSize)
{
    // Rows follow each other in one source, so every packet of the row is read up to and including
    // its end marker even when the row is full before it: only the output is cut to the room.
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    cursor.Skip(2);
    while (cursor.InLeft() > 0) {
        const std::uint8_t header = cursor.NextByte();
        const std::size_t count = header & 0x7F;
        if (header == 0)
            break;
        if (header & 0x80) {
            const std::uint8_t* value = nullptr;
            if (!cursor.TakeValue(value))
                break;
            cursor.Repeat(value, count);
        } else {
            cursor.Skip(count - cursor.Copy(count));
        }
    }
    cursor.ZeroRest();
    source = cursor.In();
}

void TPSPRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                            std::int32_t unpackedSize)
{
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    while (cursor.OutLeft() > 0) {
        if (pendingCount_ == 0) {
            if (!StartPacket(cursor))
                break;
            continue;
        }
        const std::size_t done = pendingRun_ ? cursor.Repeat(&runValue_, pendingCount_) : cursor.Copy(pendingCount_);
        if (done == 0)
            break;
        pendingCount_ -= done;
    }
    cursor.ZeroRest();
    source = cursor.In();
}

bool TPSPRLEDecoder::StartPacket(TRunCursor& cursor)
{
    if (cursor.InLeft() == 0)
        return false;
    const std::uint8_t header = cursor.NextByte();
    pendingRun_ = header >= 128;
    pendingCount_ = header;
    if (!pendingRun_)
        return true;
    // A run whose value the data lack ends them.
    const std::uint8_t* value = nullptr;
    pendingCount_ = cursor.TakeValue(value) ? header - 128u : 0;
    runValue_ = value != nullptr ? *value : 0;
    return value != nullptr;
}

void TRLADecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                         std::int32_t unpackedSize)
{
    TRunCursor cursor(source, Count(packedSize), target, Count(unpackedSize));
    while (cursor.Working()) {
        const auto header = static_cast<std::int8_t>(cursor.NextByte());
        if (header < 0) {
            cursor.Copy(static_cast<std::size_t>(-header));
            continue;
        }
        const std::uint8_t* value = nullptr;
        if (!cursor.TakeValue(value))
            break;
        cursor.Repeat(value, static_cast<std::size_t>(header) + 1);
    }
    cursor.ZeroRest();
}

TThunderDecoder::TThunderDecoder(std::int32_t width) : width_(std::max(width, 0)) {}

void TThunderDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                             std::int32_t unpackedSize)
{
    const std::size_t size = Count(unpackedSize);
    std::fill(target, target + size, std::uint8_t{0});
    const auto width = static_cast<std::size_t>(width_);
    const std::size_t rowBytes = (width + 1) / 2;
    const std::uint8_t* in = source;
    const std::uint8_t* end = source + Count(packedSize);
    for (std::size_t offset = 0; rowBytes > 0 && offset < size && in < end; offset += rowBytes) {
        // The last row may be cut by the end of the target.
        TNibbleRow row(target + offset, std::min(width, (size - offset) * 2));
        while (in < end && !row.Full()) {
            const std::uint8_t code = *in++;
            switch (code >> 6) {
            case 0:
                row.Repeat(code & 0x3F);
                break;
            case 1:
                for (int shift : {4, 2, 0})
                    PutDelta(row, TwoBitDeltas[(code >> shift) & 0x03]);
                break;
            case 2:
                for (int shift : {3, 0})
                    PutDelta(row, ThreeBitDeltas[(code >> shift) & 0x07]);
                break;
            default:
                row.Put(code);
            }
        }
    }
}
