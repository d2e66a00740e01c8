#include "imageformats/PCDDecoder.h"
#include "platform/core/Streams.h"

#include "DecoderTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// A stream written bit by bit, most significant first.
class TBitWriter {
public:
    void Put(std::uint32_t value, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit) {
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> bit) & 1u)
                bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (used_ % 8));
            ++used_;
        }
    }

    // A table of (length, code, residual) entries, each code given in its `length` bits.
    void Table(const std::vector<std::array<int, 3>>& entries)
    {
        Put(static_cast<std::uint32_t>(entries.size() - 1), 8);
        for (const auto& [length, code, residual] : entries) {
            Put(static_cast<std::uint32_t>(length - 1), 8);
            // The field has 16 bits; a longer code is stored as it is.
            Put(static_cast<std::uint32_t>(code) << (length < 16 ? 16 - length : 0), 16);
            Put(static_cast<std::uint32_t>(residual) & 0xFF, 8);
        }
    }

    // The decoder sees a sync marker 8 bits before it comes, so a row's codes end 8 bits early. The
    // byte after the marker holds the plane and the row's high six bits; the row's low seven bits
    // are the first seven bits of its codes, which follow that byte.
    void Sync(int plane, int rowHigh)
    {
        Put(0, 8);
        Put(0xFFFFFE, 24);
        Put(static_cast<std::uint32_t>(plane << 6 | rowHigh), 8);
    }

    // Eight-bit codes, one per residual.
    void Codes(const std::vector<int>& codes)
    {
        for (int code : codes)
            Put(static_cast<std::uint32_t>(code), 8);
    }

    const Bytes& Stream() const { return bytes_; }

private:
    Bytes bytes_;
    int used_ = 0;
};

// The three planes, each with guard bytes on both sides, filled with one value.
class TPlanes {
public:
    TPlanes(int stride, int stopRow, std::uint8_t fill = 100)
        : stride_(static_cast<std::size_t>(stride)), stopRow_(stopRow), fill_(fill),
          luminance_(Guard + stride_ * static_cast<std::size_t>(stopRow) + Guard, fill),
          chroma1_(Guard + stride_ * static_cast<std::size_t>((stopRow + 1) / 2) + Guard, fill), chroma2_(chroma1_)
    {
    }

    void Decode(const Bytes& stream)
    {
        TMemoryStream memory;
        memory.Write(stream.data(), static_cast<std::int64_t>(stream.size()));
        memory.SetPosition(0);
        TPCDDecoder decoder(memory);
        decoder.DecodePlanes(luminance_.data() + Guard, chroma1_.data() + Guard, chroma2_.data() + Guard,
                             static_cast<std::int32_t>(stride_), stopRow_);
        for (const Bytes* plane : {&luminance_, &chroma1_, &chroma2_})
            for (std::size_t i = 0; i < Guard; ++i) {
                EXPECT_EQ((*plane)[i], fill_) << "written before a plane";
                EXPECT_EQ((*plane)[plane->size() - 1 - i], fill_) << "written past a plane";
            }
    }

    // The bytes of a plane's row that are not the fill, with their columns.
    std::vector<std::pair<std::size_t, int>> Changed(int plane, int row) const
    {
        const Bytes& bytes = plane == 0 ? luminance_ : plane == 1 ? chroma1_ : chroma2_;
        std::vector<std::pair<std::size_t, int>> changed;
        for (std::size_t column = 0; column < stride_; ++column) {
            const int value = bytes[Guard + static_cast<std::size_t>(row) * stride_ + column];
            if (value != fill_)
                changed.emplace_back(column, value);
        }
        return changed;
    }

    // Bytes not the fill in all planes.
    std::size_t ChangedCount() const
    {
        std::size_t count = 0;
        for (const Bytes* plane : {&luminance_, &chroma1_, &chroma2_})
            count += static_cast<std::size_t>(
                std::count_if(plane->begin(), plane->end(), [this](int v) { return v != fill_; }));
        return count;
    }

private:
    static constexpr std::size_t Guard = 16;
    std::size_t stride_;
    int stopRow_;
    std::uint8_t fill_;
    Bytes luminance_, chroma1_, chroma2_;
};

using Changes = std::vector<std::pair<std::size_t, int>>;

// Codes of eight bits whose first seven bits give the row numbers 4, 8, 16 and 24, and a two-bit
// code 01.
const std::vector<std::array<int, 3>> OneTable = {
    {8, 0x08, -128}, {8, 0x10, 10}, {8, 0x20, -3}, {8, 0x30, 127}, {2, 0x1, 1}};

} // namespace

TEST(PCDDecoder, OneTableAddsClampedResidualsToTheRowsTheMarkersName)
{
    TBitWriter stream;
    stream.Table(OneTable);
    // Luminance row 8, with a fifth residual past the stride of 4.
    stream.Sync(0, 0);
    stream.Codes({0x10});
    stream.Put(0x1, 2);
    stream.Put(0x1, 2);
    stream.Codes({0x20, 0x30});
    // Row 16 into the first chroma plane's row 8, with bits that match no code: the rest of the row
    // is skipped up to the next marker.
    stream.Sync(2, 0);
    stream.Codes({0x20, 0xFF, 0x10});
    // Row 24 into the second chroma plane's row 12; row 4 and row 136 (past the stop row, which ends
    // the work) of the luminance plane.
    stream.Sync(3, 0);
    stream.Codes({0x30});
    stream.Sync(0, 0);
    stream.Codes({0x08, 0x08});
    stream.Sync(0, 1);
    stream.Codes({0x10});
    stream.Sync(0, 0);
    stream.Codes({0x10});

    TPlanes planes(4, 30, 200);
    planes.Decode(stream.Stream());
    EXPECT_EQ(planes.Changed(0, 8), (Changes{{0, 210}, {1, 201}, {2, 201}, {3, 197}}));
    EXPECT_EQ(planes.Changed(1, 8), (Changes{{0, 197}}));
    EXPECT_EQ(planes.Changed(2, 12), (Changes{{0, 255}}));
    EXPECT_EQ(planes.Changed(0, 4), (Changes{{0, 72}, {1, 72}}));
    EXPECT_EQ(planes.ChangedCount(), 8u);
}

TEST(PCDDecoder, WideRowsTakeATableForEachPlaneAndStopAtTheStride)
{
    constexpr int Stride = 1600;
    TBitWriter stream;
    stream.Table({{8, 0x10, 1}});
    stream.Table({{8, 0x10, 2}});
    stream.Table({{8, 0x10, 3}});
    // A row longer than the stride, which also takes the stream past its first block of 2048 bytes.
    stream.Sync(0, 0);
    stream.Codes(std::vector<int>(Stride + 500, 0x10));
    stream.Sync(2, 0);
    stream.Codes({0x10, 0x10});
    stream.Sync(3, 0);
    stream.Codes({0x10});

    TPlanes planes(Stride, 9);
    planes.Decode(stream.Stream());
    Changes wholeRow;
    for (std::size_t column = 0; column < Stride; ++column)
        wholeRow.emplace_back(column, 101);
    EXPECT_EQ(planes.Changed(0, 8), wholeRow);
    EXPECT_EQ(planes.Changed(1, 4), (Changes{{0, 102}, {1, 102}}));
    EXPECT_EQ(planes.Changed(2, 4), (Changes{{0, 103}}));
    EXPECT_EQ(planes.ChangedCount(), Stride + 3u);
}

TEST(PCDDecoder, LongCodesUnknownPlanesAndTheStreamsEndStopTheWork)
{
    // A code of 17 bits in the table: nothing is decoded.
    TBitWriter longCode;
    longCode.Table({{8, 0x10, 1}, {17, 0x10, 1}});
    longCode.Sync(0, 0);
    longCode.Codes({0x10});
    TPlanes untouched(4, 30);
    untouched.Decode(longCode.Stream());
    EXPECT_EQ(untouched.ChangedCount(), 0u);

    // Plane 1 is no plane: the rows before it are decoded, none after.
    TBitWriter unknownPlane;
    unknownPlane.Table(OneTable);
    unknownPlane.Sync(0, 0);
    unknownPlane.Codes({0x10});
    unknownPlane.Sync(1, 0);
    unknownPlane.Codes({0x10});
    unknownPlane.Sync(0, 0);
    unknownPlane.Codes({0x20});
    TPlanes stopped(4, 30);
    stopped.Decode(unknownPlane.Stream());
    EXPECT_EQ(stopped.Changed(0, 8), (Changes{{0, 110}}));
    EXPECT_EQ(stopped.ChangedCount(), 1u);

    // The stream ends inside row 4: its codes so far count, the first clamped at 0.
    TBitWriter cut;
    cut.Table(OneTable);
    cut.Sync(0, 0);
    cut.Codes({0x08});
    cut.Put(0x1, 2);
    cut.Put(0x1, 2);
    TPlanes ended(4, 30);
    ended.Decode(cut.Stream());
    EXPECT_EQ(ended.Changed(0, 4), (Changes{{0, 0}, {1, 101}, {2, 101}}));
    EXPECT_EQ(ended.ChangedCount(), 3u);
}

TEST(PCDDecoder, DamagedStreamsWriteOnlyInsideThePlanes)
{
    TBitWriter stream;
    stream.Table(OneTable);
    for (int row = 0; row < 40; ++row) {
        stream.Sync(row % 4 == 1 ? 2 : row % 4, row % 2);
        stream.Codes({0x10, 0x20, 0x30, 0x10, 0x08});
    }
    ForEachDamaged(stream.Stream(), [](const Bytes& damaged) {
        for (int stride : {3, 1537}) {
            TPlanes planes(stride, 200);
            planes.Decode(damaged);
        }
    });
}
