#include "imageformats/CCITTDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

struct TCode {
    const char* bits;
    std::int16_t value;
};

// T.4 table 2: the white terminating codes for runs 0 to 63, then the make-up codes 64 to 1728.
constexpr TCode WhiteCodes[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},         {"1011", 4},
    {"1100", 5},         {"1110", 6},         {"1111", 7},         {"10011", 8},        {"10100", 9},
    {"00111", 10},       {"01000", 11},       {"001000", 12},      {"000011", 13},      {"110100", 14},
    {"110101", 15},      {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},     {"0101000", 24},
    {"0101011", 25},     {"0010011", 26},     {"0100100", 27},     {"0011000", 28},     {"00000010", 29},
    {"00000011", 30},    {"00011010", 31},    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},
    {"00010100", 35},    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},    {"00101101", 44},
    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},    {"00001011", 48},    {"01010010", 49},
    {"01010011", 50},    {"01010100", 51},    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},
    {"01011000", 55},    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},    {"11011", 64},
    {"10010", 128},      {"010111", 192},     {"0110111", 256},    {"00110110", 320},   {"00110111", 384},
    {"01100100", 448},   {"01100101", 512},   {"01101000", 576},   {"01100111", 640},   {"011001100", 704},
    {"011001101", 768},  {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280}, {"011011010", 1344},
    {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600}, {"011000", 1664},
    {"010011011", 1728},
};

// T.4 table 3: the black terminating codes for runs 0 to 63, then the make-up codes 64 to 1728.
constexpr TCode BlackCodes[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
    {"0000001111", 64},
    {"000011001000", 128},
    {"000011001001", 192},
    {"000001011011", 256},
    {"000000110011", 320},
    {"000000110100", 384},
    {"000000110101", 448},
    {"0000001101100", 512},
    {"0000001101101", 576},
    {"0000001001010", 640},
    {"0000001001011", 704},
    {"0000001001100", 768},
    {"0000001001101", 832},
    {"0000001110010", 896},
    {"0000001110011", 960},
    {"0000001110100", 1024},
    {"0000001110101", 1088},
    {"0000001110110", 1152},
    {"0000001110111", 1216},
    {"0000001010010", 1280},
    {"0000001010011", 1344},
    {"0000001010100", 1408},
    {"0000001010101", 1472},
    {"0000001011010", 1536},
    {"0000001011011", 1600},
    {"0000001100100", 1664},
    {"0000001100101", 1728},
};

constexpr std::int16_t EndOfLineValue = -1;
constexpr std::int16_t InvalidValue = -2;

// The extended make-up codes of both colours, the end-of-line code, and the runs of leading zeros
// that begin no valid code.
constexpr TCode SharedCodes[] = {
    {"00000001000", 1792},         {"00000001100", 1856},
    {"00000001101", 1920},         {"000000010010", 1984},
    {"000000010011", 2048},        {"000000010100", 2112},
    {"000000010101", 2176},        {"000000010110", 2240},
    {"000000010111", 2304},        {"000000011100", 2368},
    {"000000011101", 2432},        {"000000011110", 2496},
    {"000000011111", 2560},        {"000000000001", EndOfLineValue},
    {"000000001", InvalidValue},   {"0000000001", InvalidValue},
    {"00000000001", InvalidValue}, {"000000000000", InvalidValue},
};

// Values below this end a run; the make-up values at and above it add to the next code.
constexpr std::int64_t FirstMakeUp = 64;

// The longest code has 13 bits, so the next 13 bits of the data name one code.
constexpr int LongestCode = 13;

struct TCodeEntry {
    std::int16_t value = InvalidValue;
    std::uint8_t length = 1;
};
using TCodeTable = std::array<TCodeEntry, 1u << LongestCode>;

// Every 13-bit pattern starts with exactly one code of each colour, since both code sets are
// complete; the default entry only ensures that a pattern no code starts would still move on.
template <std::size_t Count> TCodeTable BuildTable(const TCode (&codes)[Count])
{
    TCodeTable table{};
    auto insert = [&](const TCode& code) {
        const auto length = static_cast<int>(std::strlen(code.bits));
        std::size_t first = 0;
        for (const char* bit = code.bits; *bit; ++bit)
            first = first << 1 | static_cast<std::size_t>(*bit - '0');
        first <<= LongestCode - length;
        const std::size_t count = std::size_t{1} << (LongestCode - length);
        std::fill_n(table.begin() + static_cast<std::ptrdiff_t>(first), count,
                    TCodeEntry{code.value, static_cast<std::uint8_t>(length)});
    };
    std::for_each(std::begin(codes), std::end(codes), insert);
    std::for_each(std::begin(SharedCodes), std::end(SharedCodes), insert);
    return table;
}

// The tables are the same for every decoder, so they are built once.
const TCodeTable& WhiteTable()
{
    static const TCodeTable table = BuildTable(WhiteCodes);
    return table;
}

const TCodeTable& BlackTable()
{
    static const TCodeTable table = BuildTable(BlackCodes);
    return table;
}

// Packed bytes with their bits least significant first, turned around as they are read.
const std::array<std::uint8_t, 256>& ReversedBytes()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> reversed{};
        for (unsigned value = 0; value < 256; ++value)
            for (unsigned bit = 0; bit < 8; ++bit)
                if (value & (1u << bit))
                    reversed[value] |= static_cast<std::uint8_t>(0x80u >> bit);
        return reversed;
    }();
    return table;
}

// Sets the bits of pixels [from, to) of a row to 1.
void FillBlack(std::uint8_t* row, std::size_t from, std::size_t to)
{
    if (from >= to)
        return;
    std::size_t first = from / 8;
    const std::size_t last = (to - 1) / 8;
    const auto leading = static_cast<std::uint8_t>(0xFFu >> (from % 8));
    const auto trailing = static_cast<std::uint8_t>(0xFFu << (7 - (to - 1) % 8));
    if (first == last) {
        row[first] |= leading & trailing;
        return;
    }
    row[first++] |= leading;
    std::memset(row + first, 0xFF, last - first);
    row[last] |= trailing;
}

constexpr int EndOfLineZeros = 11;

} // namespace

TCCITTDecoder::TCCITTDecoder(std::uint32_t options, bool reverseBits, bool wordAligned, std::int32_t width)
    : options_(options), reverseBits_(reverseBits), wordAligned_(wordAligned), width_(std::max(width, 0)),
      rowBytes_((static_cast<std::size_t>(width_) + 7) / 8)
{
}

void TCCITTDecoder::StartDecoding(const std::uint8_t* source, std::int32_t packedSize, std::uint8_t* target,
                                  std::int32_t unpackedSize)
{
    source_ = source;
    packedSize_ = static_cast<std::size_t>(std::max(packedSize, 0));
    sourcePosition_ = 0;
    bits_ = 0;
    count_ = 0;
    zeroBits_ = 0;
    target_ = target;
    unpackedSize_ = static_cast<std::size_t>(std::max(unpackedSize, 0));
    // Without pixels there is nothing a row could hold.
    if (rowBytes_ == 0)
        unpackedSize_ = 0;
    rowOffset_ = 0;
    column_ = 0;
    white_ = true;
    std::fill_n(target_, unpackedSize_, std::uint8_t{0});
}

void TCCITTDecoder::Refill()
{
    const std::array<std::uint8_t, 256>& reversed = ReversedBytes();
    while (count_ <= 56 && sourcePosition_ < packedSize_) {
        const std::uint8_t byte = source_[sourcePosition_++];
        bits_ |= std::uint64_t{reverseBits_ ? reversed[byte] : byte} << (56 - count_);
        count_ += 8;
    }
}

void TCCITTDecoder::Consume(int count)
{
    const std::uint64_t taken = bits_ >> (64 - count);
    zeroBits_ = taken == 0 ? zeroBits_ + count : std::countr_zero(taken);
    bits_ <<= count;
    count_ -= count;
}

std::int64_t TCCITTDecoder::ReadRun()
{
    const TCodeTable& table = white_ ? WhiteTable() : BlackTable();
    std::int64_t sum = 0;
    for (;;) {
        if (count_ < LongestCode)
            Refill();
        const TCodeEntry entry = table[bits_ >> (64 - LongestCode)];
        // Data that end inside a code end the run, and nothing is left to read.
        if (entry.length > count_) {
            bits_ = 0;
            count_ = 0;
            return sum;
        }
        Consume(entry.length);
        if (entry.value < 0)
            return entry.value;
        sum += entry.value;
        if (entry.value < FirstMakeUp)
            return sum;
    }
}

bool TCCITTDecoder::WriteRun(std::int64_t length)
{
    const std::int64_t pixels = std::min<std::int64_t>(length, width_ - column_);
    const auto from = static_cast<std::size_t>(column_);
    column_ += static_cast<std::int32_t>(pixels);
    if (!white_) {
        // The last row may be cut by the end of the target.
        const std::size_t room = std::min(rowBytes_, unpackedSize_ - rowOffset_) * 8;
        FillBlack(target_ + rowOffset_, std::min(from, room), std::min(static_cast<std::size_t>(column_), room));
    }
    return column_ == width_;
}

void TCCITTDecoder::EndRow()
{
    rowOffset_ += rowBytes_;
    column_ = 0;
}

bool TCCITTDecoder::SkipToEndOfLine()
{
    while (zeroBits_ < EndOfLineZeros)
        if (!SkipBit())
            return false;
    do {
        if (!SkipBit())
            return false;
    } while (zeroBits_ > 0);
    return true;
}

bool TCCITTDecoder::SkipBit()
{
    if (count_ == 0)
        Refill();
    if (count_ == 0)
        return false;
    Consume(1);
    return true;
}

void TCCITTDecoder::AlignRowStart()
{
    const std::size_t bitsUsed = sourcePosition_ * 8 - static_cast<std::size_t>(count_);
    std::size_t next = (bitsUsed + 7) / 8;
    if (wordAligned_ && next % 2 == 1)
        ++next;
    sourcePosition_ = std::min(next, packedSize_);
    bits_ = 0;
    count_ = 0;
    zeroBits_ = 0;
}

void TCCITTFax3Decoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                               std::int32_t unpackedSize)
{
    StartDecoding(source, packedSize, target, unpackedSize);
    bool endedOnEndOfLine = false;
    while (HasPackedBits() && HasRoom()) {
        // After an end-of-line code the row's codes follow at once.
        if (!endedOnEndOfLine && !SkipToEndOfLine())
            break;
        endedOnEndOfLine = false;
        white_ = true;
        while (HasPackedBits()) {
            const std::int64_t run = ReadRun();
            if (run < 0) {
                endedOnEndOfLine = run == EndOfLine;
                break;
            }
            if (WriteRun(run))
                break;
            white_ = !white_;
        }
        EndRow();
    }
}

void TCCITTMHDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                             std::int32_t unpackedSize)
{
    StartDecoding(source, packedSize, target, unpackedSize);
    while (HasPackedBits() && HasRoom()) {
        const std::int64_t run = ReadRun();
        if (run >= 0 && WriteRun(run)) {
            EndRow();
            AlignRowStart();
            white_ = false; // flipped to white below
        }
        white_ = !white_;
    }
}
