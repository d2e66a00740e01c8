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

// A byte a decode changed: plane (0 luminance, 1 and 2 chroma), row, column and new value.
using TChange = std::array<int, 4>;
using Changes = std::vector<TChange>;

// Decodes the stream into three planes filled with `fill`, each between guard bytes that must stay
// as they were, and answers every byte it changed, plane by plane and row by row.
Changes DecodePlanes(const Bytes& stream, int stride, int stopRow, std::uint8_t fill = 100)
{
    constexpr std::size_t Guard = 16;
    const auto rowBytes = static_cast<std::size_t>(stride);
    std::array<Bytes, 3> planes;
    for (std::size_t plane = 0; plane < 3; ++plane)
        planes[plane].assign(
            Guard + rowBytes * static_cast<std::size_t>(plane == 0 ? stopRow : (stopRow + 1) / 2) + Guard, fill);
    TMemoryStream memory;
    memory.Write(stream.data(), static_cast<std::int64_t>(stream.size()));
    memory.SetPosition(0);
    TPCDDecoder decoder(memory);
    decoder.DecodePlanes(planes[0].data() + Guard, planes[1].data() + Guard, planes[2].data() + Guard, stride, stopRow);
    Changes changes;
    for (std::size_t plane = 0; plane < 3; ++plane)
        for (std::size_t i = 0; i < planes[plane].size(); ++i) {
            const bool guard = i < Guard || i >= planes[plane].size() - Guard;
            if (planes[plane][i] == fill)
                continue;
            EXPECT_FALSE(guard) << "written outside plane " << plane;
            const std::size_t at = i - Guard;
            changes.push_back({static_cast<int>(plane), static_cast<int>(at / rowBytes),
                               static_cast<int>(at % rowBytes), planes[plane][i]});
        }
    return changes;
}

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

    EXPECT_EQ(DecodePlanes(stream.Stream(), 4, 30, 200), (Changes{{0, 4, 0, 72},
                                                                  {0, 4, 1, 72},
                                                                  {0, 8, 0, 210},
                                                                  {0, 8, 1, 201},
                                                                  {0, 8, 2, 201},
                                                                  {0, 8, 3, 197},
                                                                  {1, 8, 0, 197},
                                                                  {2, 12, 0, 255}}));
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

    Changes expected;
    for (int column = 0; column < Stride; ++column)
        expected.push_back({0, 8, column, 101});
    expected.insert(expected.end(), {{1, 4, 0, 102}, {1, 4, 1, 102}, {2, 4, 0, 103}});
    EXPECT_EQ(DecodePlanes(stream.Stream(), Stride, 9), expected);
}

TEST(PCDDecoder, LongCodesUnknownPlanesAndTheStreamsEndStopTheWork)
{
    // A code of 17 bits in the table: nothing is decoded.
    TBitWriter longCode;
    longCode.Table({{8, 0x10, 1}, {17, 0x10, 1}});
    longCode.Sync(0, 0);
    longCode.Codes({0x10});
    EXPECT_EQ(DecodePlanes(longCode.Stream(), 4, 30), Changes{});

    // Plane 1 is no plane: the rows before it are decoded, none after.
    TBitWriter unknownPlane;
    unknownPlane.Table(OneTable);
    unknownPlane.Sync(0, 0);
    unknownPlane.Codes({0x10});
    unknownPlane.Sync(1, 0);
    unknownPlane.Codes({0x10});
    unknownPlane.Sync(0, 0);
    unknownPlane.Codes({0x20});
    EXPECT_EQ(DecodePlanes(unknownPlane.Stream(), 4, 30), (Changes{{0, 8, 0, 110}}));

    // The stream ends inside row 4: its codes so far count, the first clamped at 0.
    TBitWriter cut;
    cut.Table(OneTable);
    cut.Sync(0, 0);
    cut.Codes({0x08});
    cut.Put(0x1, 2);
    cut.Put(0x1, 2);
    EXPECT_EQ(DecodePlanes(cut.Stream(), 4, 30), (Changes{{0, 4, 0, 0}, {0, 4, 1, 101}, {0, 4, 2, 101}}));
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
        for (int stride : {3, 1537})
            DecodePlanes(damaged, stride, 200);
    });
}
