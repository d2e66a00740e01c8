#include "imageformats/PCDDecoder.h"

#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::int64_t BlockSize = 2048;
constexpr std::int32_t WideRow = 1536;
constexpr int LongestCode = 16;
// Twelve ones at bits 23-12 announce a sync marker; the marker itself is 23 ones and a zero.
constexpr std::uint32_t SyncPrefix = 0x00FFF000;
constexpr std::uint32_t SyncMask = 0xFFFFFF00;
constexpr std::uint32_t SyncMarker = 0xFFFFFE00;

// The stream's bits, most significant first, at the top of a 32-bit accumulator that holds at least
// 25 of them while the stream has any left. Past the stream's end the accumulator fills with zeros,
// which are not bits of the stream: skipping into them ends the reading.
class TBitReader {
public:
    explicit TBitReader(TStream& stream) : stream_(stream) { Fill(); }

    std::uint32_t Bits() const { return bits_; }
    bool Holds(int count) const { return count <= valid_; }

    bool Skip(int count)
    {
        if (!Holds(count))
            return false;
        bits_ <<= count;
        valid_ -= count;
        Fill();
        return true;
    }

    // Takes the next `count` bits (at most 24); false when the stream ends first.
    bool Read(int count, std::uint32_t& value)
    {
        value = bits_ >> (32 - count);
        return Skip(count);
    }

private:
    void Fill()
    {
        while (valid_ <= 24) {
            if (position_ == length_) {
                length_ = std::max<std::int64_t>(stream_.Read(block_.data(), BlockSize), 0);
                position_ = 0;
                if (length_ == 0)
                    return;
            }
            bits_ |= static_cast<std::uint32_t>(block_[static_cast<std::size_t>(position_++)]) << (24 - valid_);
            valid_ += 8;
        }
    }

    TStream& stream_;
    std::array<std::uint8_t, BlockSize> block_{};
    std::int64_t position_ = 0;
    std::int64_t length_ = 0;
    std::uint32_t bits_ = 0;
    int valid_ = 0;
};

struct TPCDCode {
    std::uint32_t code; // left-aligned
    std::uint32_t mask;
    int length;
    int residual;
};
using TPCDTable = std::vector<TPCDCode>;

// False at the end of the stream or at a code longer than 16 bits.
bool ReadTable(TBitReader& bits, TPCDTable& table)
{
    std::uint32_t count = 0;
    if (!bits.Read(8, count))
        return false;
    for (std::uint32_t i = 0; i <= count; ++i) {
        std::uint32_t length = 0, code = 0, key = 0;
        if (!bits.Read(8, length) || !bits.Read(16, code) || !bits.Read(8, key) || ++length > LongestCode)
            return false;
        const int signedKey = key < 128 ? static_cast<int>(key) : static_cast<int>(key) - 256;
        table.push_back({code << 16, ~0u << (32 - length), static_cast<int>(length), signedKey});
    }
    return true;
}

const TPCDCode* Match(const TPCDTable& table, std::uint32_t bits)
{
    for (const TPCDCode& entry : table)
        if ((bits & entry.mask) == entry.code)
            return &entry;
    return nullptr;
}

bool AtSyncPrefix(const TBitReader& bits) { return (bits.Bits() & SyncPrefix) == SyncPrefix; }

// Skips to the next sync marker; false when the stream ends first.
bool Synchronise(TBitReader& bits)
{
    while (!AtSyncPrefix(bits))
        if (!bits.Skip(1))
            return false;
    while ((bits.Bits() & SyncMask) != SyncMarker)
        if (!bits.Skip(1))
            return false;
    return true;
}

// Adds the residuals of one row, up to the next sync marker or the first bits that match no code;
// false when the stream ends first.
bool AddRow(TBitReader& bits, const TPCDTable& table, std::uint8_t* target, std::size_t rowBytes)
{
    for (std::size_t column = 0; !AtSyncPrefix(bits); ++column) {
        const TPCDCode* entry = Match(table, bits.Bits());
        if (!entry)
            return true;
        if (!bits.Holds(entry->length))
            return false;
        if (column < rowBytes)
            target[column] = static_cast<std::uint8_t>(std::clamp(target[column] + entry->residual, 0, 255));
        bits.Skip(entry->length);
    }
    return true;
}

} // namespace

TPCDDecoder::TPCDDecoder(TStream& stream) : stream_(stream) {}

void TPCDDecoder::Decode(const std::uint8_t*&, std::uint8_t*&, std::int32_t, std::int32_t) {}

void TPCDDecoder::DecodePlanes(std::uint8_t* luminance, std::uint8_t* chroma1, std::uint8_t* chroma2,
                               std::int32_t stride, std::int32_t stopRow)
{
    if (stride <= 0 || stopRow <= 0)
        return;
    TBitReader bits(stream_);
    std::array<TPCDTable, 3> tables;
    const int tableCount = stride > WideRow ? 3 : 1;
    for (int i = 0; i < tableCount; ++i)
        if (!ReadTable(bits, tables[static_cast<std::size_t>(i)]))
            return;
    const auto rowBytes = static_cast<std::size_t>(stride);
    while (Synchronise(bits)) {
        if (!bits.Skip(16))
            return;
        const std::uint32_t row = (bits.Bits() >> 9) & 0x1FFF;
        std::uint32_t header = 0;
        if (row >= static_cast<std::uint32_t>(stopRow) || !bits.Skip(8) || !bits.Read(8, header))
            return;
        const std::uint32_t plane = header >> 6;
        if (plane == 1)
            return;
        std::uint8_t* target =
            plane == 0 ? luminance + row * rowBytes : (plane == 2 ? chroma1 : chroma2) + row / 2 * rowBytes;
        // With one table it serves every plane.
        const TPCDTable& table = tables[tableCount == 3 && plane != 0 ? plane - 1 : 0];
        if (!AddRow(bits, table, target, rowBytes))
            return;
    }
}
