#include "imageformats/GraphicCompression.h"

#include "DecoderTesting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

Bytes Repeated(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

} // namespace

TEST(PackbitsRLEDecoder, DecodesLiteralsAndRunsAndSkipsMinus128)
{
    TPackbitsRLEDecoder decoder;
    const auto result = DecodeGuarded(decoder, {0x80, 0xFE, 0xAA, 0x01, 0x11, 0x22}, 5);
    EXPECT_EQ(result.Output, (Bytes{0xAA, 0xAA, 0xAA, 0x11, 0x22}));
    EXPECT_EQ(result.SourceMoved, 0);
    EXPECT_EQ(result.TargetMoved, 0);
}

TEST(PackbitsRLEDecoder, StopsAtBothBoundsAndZeroFillsTheRest)
{
    TPackbitsRLEDecoder decoder;
    // A literal of 5 with two bytes left is cut at their end.
    EXPECT_EQ(DecodeGuarded(decoder, {0x04, 0x01, 0x02}, 6).Output, (Bytes{1, 2, 0, 0, 0, 0}));
    // A run of 128 into a row of 4, and a literal longer than the row.
    EXPECT_EQ(DecodeGuarded(decoder, {0x81, 0x07}, 4).Output, Repeated(4, 7));
    EXPECT_EQ(DecodeGuarded(decoder, {0x05, 1, 2, 3, 4, 5, 6}, 3).Output, (Bytes{1, 2, 3}));
    // A run header whose value is missing.
    EXPECT_EQ(DecodeGuarded(decoder, {0x00, 0x09, 0xFD}, 3).Output, (Bytes{9, 0, 0}));
    EXPECT_EQ(DecodeGuarded(decoder, {0x00, 0x09}, -1).Output, Bytes{});
}

TEST(PCXRLEDecoder, RunBytesRepeatAndOtherBytesAreData)
{
    TPCXRLEDecoder decoder;
    EXPECT_EQ(DecodeGuarded(decoder, {0xC0, 0x55, 0xC3, 0x44, 0xBF, 0x01}, 5).Output,
              (Bytes{0x44, 0x44, 0x44, 0xBF, 0x01}));
    // A run longer than the room is cut; a run whose value is missing ends the data.
    EXPECT_EQ(DecodeGuarded(decoder, {0xFF, 0x12}, 10).Output, Repeated(10, 0x12));
    EXPECT_EQ(DecodeGuarded(decoder, {0x05, 0xC4}, 4).Output, (Bytes{5, 0, 0, 0}));
}

TEST(TargaRLEDecoder, RepeatsAndCopiesPixelsAndMovesOnlyTheSource)
{
    TTargaRLEDecoder decoder(24);
    const auto run = DecodeGuarded(decoder, {0x82, 1, 2, 3, 0xFF}, 3, 3);
    EXPECT_EQ(run.Output, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(run.SourceMoved, 4);
    EXPECT_EQ(run.TargetMoved, 0);

    TTargaRLEDecoder bytes(8);
    EXPECT_EQ(DecodeGuarded(bytes, {0x01, 9, 8, 0x80, 7}, 3).Output, (Bytes{9, 8, 7}));
    TTargaRLEDecoder words(15);
    EXPECT_EQ(DecodeGuarded(words, {0x81, 0x34, 0x12}, 2, 2).Output, (Bytes{0x34, 0x12, 0x34, 0x12}));
    TTargaRLEDecoder quads(32);
    EXPECT_EQ(DecodeGuarded(quads, {0x00, 1, 2, 3, 4}, 1, 4).Output, (Bytes{1, 2, 3, 4}));
    TTargaRLEDecoder unknown(12);
    const auto nothing = DecodeGuarded(unknown, {0x80, 1, 2}, 2, 0);
    EXPECT_EQ(nothing.Output, Bytes{});
    EXPECT_EQ(nothing.SourceMoved, 0);
}

TEST(TargaRLEDecoder, APacketCrossingTheRowEndIsFinishedByTheNextRow)
{
    TTargaRLEDecoder decoder(8);
    decoder.DecodeInit();
    // A run of 5 and a literal of 4 over rows of 3.
    const Bytes packed{0x84, 0xAA, 0x03, 1, 2, 3, 4};
    const std::uint8_t* source = packed.data();
    Bytes rows(9, 0xEE);
    for (int row = 0; row < 3; ++row) {
        std::uint8_t* target = rows.data() + 3 * row;
        const auto left = static_cast<std::int32_t>(packed.data() + packed.size() - source);
        decoder.Decode(source, target, left, 3);
    }
    EXPECT_EQ(rows, (Bytes{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 1, 2, 3, 4}));
    EXPECT_EQ(source, packed.data() + packed.size());
    // DecodeInit forgets what was left of a packet.
    decoder.DecodeInit();
    EXPECT_EQ(DecodeGuarded(decoder, {0x00, 0x42}, 1).Output, Bytes{0x42});
}

TEST(TargaRLEDecoder, PackedDataEndingMidPacketLeavesZerosAndIsNotConsumed)
{
    TTargaRLEDecoder decoder(24);
    // The run's pixel is cut: its header stays unread for the next block.
    auto result = DecodeGuarded(decoder, {0x00, 1, 2, 3, 0x85, 9, 9}, 3, 3);
    EXPECT_EQ(result.Output, (Bytes{1, 2, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(result.SourceMoved, 4);
    // A literal cut inside a pixel uses the whole pixels only.
    decoder.DecodeInit();
    result = DecodeGuarded(decoder, {0x02, 1, 2, 3, 4, 5}, 3, 3);
    EXPECT_EQ(result.Output, (Bytes{1, 2, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(result.SourceMoved, 4);
}

TEST(TargaRLEDecoder, EncodePacksRunsAndLiteralsAsTheWriterStoresThem)
{
    TTargaRLEDecoder encoder(24);
    Bytes pixels;
    for (int i = 0; i < 10; ++i)
        pixels.insert(pixels.end(), {4, 5, 6});
    Bytes packed(64, 0xEE);
    std::int32_t stored = -1;
    encoder.Encode(pixels.data(), packed.data(), 10, stored);
    EXPECT_EQ(stored, 4);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 4), (Bytes{0x89, 4, 5, 6}));

    // No equal neighbours: all but the last as one literal, then the last alone.
    TTargaRLEDecoder bytes(8);
    const Bytes distinct{1, 2, 3};
    bytes.Encode(distinct.data(), packed.data(), 3, stored);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + stored), (Bytes{0x01, 1, 2, 0x00, 3}));
    const Bytes mixed{7, 8, 8, 8, 9};
    bytes.Encode(mixed.data(), packed.data(), 5, stored);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + stored), (Bytes{0x00, 7, 0x82, 8, 0x00, 9}));

    // Packets hold 128 pixels at most.
    const Bytes same(300, 0x33);
    Bytes big(600);
    bytes.Encode(same.data(), big.data(), 300, stored);
    EXPECT_EQ(Bytes(big.begin(), big.begin() + stored), (Bytes{0xFF, 0x33, 0xFF, 0x33, 0xAB, 0x33}));
}

TEST(TargaRLEDecoder, WhatEncodePacksDecodesToTheSamePixels)
{
    std::mt19937 random(7);
    for (int depth : {8, 16, 24, 32}) {
        TTargaRLEDecoder codec(depth);
        const auto size = static_cast<std::size_t>(codec.PixelSize());
        constexpr int Count = 1000;
        Bytes pixels(Count * size);
        for (std::size_t i = 0; i < pixels.size(); i += size) {
            // Runs of varying length among noise.
            const bool repeat = i >= size && random() % 3 != 0;
            for (std::size_t b = 0; b < size; ++b)
                pixels[i + b] = repeat ? pixels[i + b - size] : static_cast<std::uint8_t>(random() % 4);
        }
        Bytes packed(Count * (size + 1));
        std::int32_t stored = 0;
        codec.Encode(pixels.data(), packed.data(), Count, stored);
        packed.resize(static_cast<std::size_t>(stored));
        codec.DecodeInit();
        const auto result = DecodeGuarded(codec, packed, Count, size);
        EXPECT_EQ(result.Output, pixels) << depth;
        EXPECT_EQ(result.SourceMoved, stored) << depth;
    }
}

TEST(SGIRLEDecoder, EightBitPacketsEndAtTheMarkerOrTheBounds)
{
    TSGIRLEDecoder decoder(8);
    EXPECT_EQ(DecodeGuarded(decoder, {0x82, 1, 2, 0x03, 9, 0x00, 0x81, 5}, 7).Output, (Bytes{1, 2, 9, 9, 9, 0, 0}));
    // The end marker never comes: the packed data or the room stops the work.
    EXPECT_EQ(DecodeGuarded(decoder, {0x7F, 4}, 5).Output, Repeated(5, 4));
    EXPECT_EQ(DecodeGuarded(decoder, {0x85, 1, 2}, 4).Output, (Bytes{1, 2, 0, 0}));
    EXPECT_EQ(DecodeGuarded(decoder, {0x02}, 2).Output, (Bytes{0, 0}));
}

TEST(SGIRLEDecoder, SixteenBitPacketsCopyValuesAsStored)
{
    TSGIRLEDecoder decoder(16);
    const auto result =
        DecodeGuarded(decoder, {0x00, 0x82, 0x12, 0x34, 0x56, 0x78, 0x00, 0x02, 0xAB, 0xCD, 0x00, 0x00}, 12);
    EXPECT_EQ(result.Output, (Bytes{0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD, 0xAB, 0xCD, 0, 0, 0, 0}));
    EXPECT_EQ(result.SourceMoved, 0);
    // A run of 100 values into 3 bytes of room writes the one whole value that fits.
    EXPECT_EQ(DecodeGuarded(decoder, {0x00, 0x64, 0x01, 0x02}, 3).Output, (Bytes{1, 2, 0}));
}

TEST(CUTRLEDecoder, SkipsTheRowCountAndMovesTheSourceToTheEndMarker)
{
    TCUTRLEDecoder decoder;
    const auto result = DecodeGuarded(decoder, {0x09, 0x00, 0x83, 0x77, 0x02, 1, 2, 0x00, 0xEE}, 6);
    EXPECT_EQ(result.Output, (Bytes{0x77, 0x77, 0x77, 1, 2, 0}));
    EXPECT_EQ(result.SourceMoved, 8);
    EXPECT_EQ(DecodeGuarded(decoder, {0x09, 0x00, 0xFF, 0x01}, 3).Output, Repeated(3, 1));
    EXPECT_EQ(DecodeGuarded(decoder, {0x09}, 2).Output, (Bytes{0, 0}));
}

// A Dr. Halo reader hands the decoder one source for all rows and lets it run on from row to row.
TEST(CUTRLEDecoder, RowsThatFillTheirWidthExactlyLeaveTheSourceAtTheNextRow)
{
    constexpr std::int32_t Width = 5;
    const Bytes packed{0x07, 0x00, 0x83, 0x11, 0x02, 0x21, 0x22, 0x00,       // run and literal, exactly full
                       0x04, 0x00, 0x85, 0x33, 0x00,                         // one run, exactly full
                       0x07, 0x00, 0x05, 0x41, 0x42, 0x43, 0x44, 0x45, 0x00, // one literal, exactly full
                       0x0B, 0x00, 0x84, 0x55, 0x03, 0x61, 0x62, 0x63, 0x82, 0x77, 0x00, // packets past the width
                       0x04, 0x00, 0x81, 0x99, 0x00,                                     // short row: zeros after
                       0x03, 0x00, 0x7F};                                                // cut off: header with no data
    const std::vector<Bytes> rows{{0x11, 0x11, 0x11, 0x21, 0x22},
                                  {0x33, 0x33, 0x33, 0x33, 0x33},
                                  {0x41, 0x42, 0x43, 0x44, 0x45},
                                  {0x55, 0x55, 0x55, 0x55, 0x61},
                                  {0x99, 0, 0, 0, 0},
                                  {0, 0, 0, 0, 0}};
    const std::vector<std::ptrdiff_t> rowEnds{8, 13, 22, 33, 38, 41};

    TCUTRLEDecoder decoder;
    decoder.DecodeInit();
    const std::uint8_t* source = packed.data();
    for (std::size_t y = 0; y < rows.size(); ++y) {
        Bytes row(Width + 1, 0xEE);
        std::uint8_t* target = row.data();
        const auto left = static_cast<std::int32_t>(packed.data() + packed.size() - source);
        decoder.Decode(source, target, left, Width);
        EXPECT_EQ(Bytes(row.begin(), row.begin() + Width), rows[y]) << "row " << y;
        EXPECT_EQ(row[Width], 0xEE) << "written past row " << y;
        EXPECT_EQ(source - packed.data(), rowEnds[y]) << "row " << y;
        EXPECT_EQ(target, row.data()) << "row " << y;
    }
    decoder.DecodeEnd();
}

TEST(PSPRLEDecoder, CountsHeadersAndDataAgainstThePackedSize)
{
    TPSPRLEDecoder first;
    EXPECT_EQ(DecodeGuarded(first, {0x02, 1, 2, 0x83, 9}, 6).Output, (Bytes{1, 2, 9, 9, 9, 0}));
    TPSPRLEDecoder second;
    EXPECT_EQ(DecodeGuarded(second, {0xFF, 9}, 4).Output, Repeated(4, 9));
    TPSPRLEDecoder third;
    EXPECT_EQ(DecodeGuarded(third, {0x7F, 1, 2}, 4).Output, (Bytes{1, 2, 0, 0}));

    // Row by row, packets go on into the next row; a run without its value ends the data.
    TPSPRLEDecoder rows;
    rows.DecodeInit();
    Bytes left{0x83, 7, 0x02, 1, 2, 0x85}, got;
    for (int row = 0; row < 3; ++row) {
        const TDecodeResult result = DecodeGuarded(rows, left, 2);
        got.insert(got.end(), result.Output.begin(), result.Output.end());
        left.erase(left.begin(), left.begin() + result.SourceMoved);
    }
    EXPECT_EQ(got, (Bytes{7, 7, 7, 1, 2, 0}));
    EXPECT_TRUE(left.empty());
}

TEST(RLADecoder, RepeatsForCountsFromZeroAndCopiesForNegativeOnes)
{
    TRLADecoder decoder;
    EXPECT_EQ(DecodeGuarded(decoder, {0x00, 5, 0xFE, 1, 2, 0x02, 7}, 7).Output, (Bytes{5, 1, 2, 7, 7, 7, 0}));
    EXPECT_EQ(DecodeGuarded(decoder, {0x7F, 3}, 5).Output, Repeated(5, 3));
    EXPECT_EQ(DecodeGuarded(decoder, {0x80, 1}, 3).Output, (Bytes{1, 0, 0}));
}

TEST(Decoder, OnlyTheTargaDecoderPacks)
{
    TPackbitsRLEDecoder decoder;
    const Bytes pixels{1, 1, 1};
    Bytes packed(4, 0xEE);
    std::int32_t stored = 99;
    decoder.Encode(pixels.data(), packed.data(), 3, stored);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(packed, Repeated(4, 0xEE));
}

TEST(Decoder, CompressionErrorRaisesItsMessage)
{
    try {
        CompressionError("LZ77 decompression error.");
        FAIL();
    } catch (const EGraphicCompression& error) {
        EXPECT_EQ(error.Message(), "LZ77 decompression error.");
    }
}

TEST(ThunderDecoder, RunsDeltasAndPixelsFillFourBitRows)
{
    // Pixels 3 and 7, then a run of five 7s from an even count; a width of 7 ends on a high nibble.
    TThunderDecoder runs(7);
    EXPECT_EQ(DecodeGuarded(runs, {0xC3, 0xC7, 0x05}, 4).Output, (Bytes{0x37, 0x77, 0x77, 0x70}));
    // A run from an odd count first completes its byte.
    EXPECT_EQ(DecodeGuarded(runs, {0xC3, 0x04, 0xC1}, 4).Output, (Bytes{0x33, 0x33, 0x31, 0x00}));

    // 0x5A holds the 2-bit deltas 01, 10, 10: one pixel, the last + 1. 0x72: -1, 0, none. 3-bit
    // deltas 0xAB: -3, +3; 0xA1: none, +1. 0x5D: +1, -1, +1, with pixels wrapping within four bits;
    // its last delta is past the row end.
    TThunderDecoder deltas(10);
    EXPECT_EQ(DecodeGuarded(deltas, {0xC5, 0x5A, 0x72, 0xAB, 0xA1, 0xCF, 0x5D}, 5).Output,
              (Bytes{0x56, 0x55, 0x25, 0x6F, 0x0F}));
    // Each row starts from pixel 0; rows the data do not reach stay zero.
    TThunderDecoder rows(2);
    EXPECT_EQ(DecodeGuarded(rows, {0xC9, 0xC9, 0x50}, 3).Output, (Bytes{0x99, 0x11, 0x00}));
}

TEST(ThunderDecoder, RunsAndDeltasStopAtTheRowEndAndTheTarget)
{
    // A run of 63 in a row of 3 ends there; the next code starts the next row.
    TThunderDecoder narrow(3);
    EXPECT_EQ(DecodeGuarded(narrow, {0xC9, 0x3F, 0xC1}, 4).Output, (Bytes{0x99, 0x90, 0x10, 0x00}));
    // Three deltas in a row of 1 write one pixel.
    TThunderDecoder single(1);
    EXPECT_EQ(DecodeGuarded(single, {0xC2, 0x55, 0x55}, 3).Output, (Bytes{0x20, 0x10, 0x10}));
    // A target of a row and a half: the last row is cut at its end.
    TThunderDecoder wide(4);
    EXPECT_EQ(DecodeGuarded(wide, {0xC6, 0x3F, 0xC6, 0x3F}, 3).Output, (Bytes{0x66, 0x66, 0x66}));
    EXPECT_EQ(DecodeGuarded(wide, {0xC6, 0x3F}, -5).Output, Bytes{});
    TThunderDecoder none(0);
    EXPECT_EQ(DecodeGuarded(none, {0xC6, 0x3F}, 2).Output, (Bytes{0, 0}));

    std::mt19937 random(11);
    Bytes noise(4000);
    for (std::uint8_t& byte : noise)
        byte = static_cast<std::uint8_t>(random());
    for (std::int32_t width : {1, 2, 3, 17, 1000})
        ForEachDamaged(noise, [&](const Bytes& packed) {
            TThunderDecoder decoder(width);
            DecodeGuarded(decoder, packed, 777);
        });
}
