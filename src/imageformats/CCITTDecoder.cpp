#include "imageformats/CCITTDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

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

// The extended make-up codes of both colours, the end-of-line code, and the zero runs that no valid
// code starts with.
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

// A binary decoding tree: node 0 is the root, child index 0 means none.
struct TCodeNode {
    std::array<std::int32_t, 2> child{};
    std::int32_t value = 0;
    bool IsLeaf() const { return child[0] == 0 && child[1] == 0; }
};
using TCodeTree = std::vector<TCodeNode>;

void Insert(TCodeTree& tree, const TCode& code)
{
    std::size_t node = 0;
    for (const char* bit = code.bits; *bit; ++bit) {
        const int branch = *bit - '0';
        if (tree[node].child[branch] == 0) {
            tree[node].child[branch] = static_cast<std::int32_t>(tree.size());
            tree.emplace_back();
        }
        node = static_cast<std::size_t>(tree[node].child[branch]);
    }
    tree[node].value = code.value;
}

template <std::size_t Count> TCodeTree BuildTree(const TCode (&codes)[Count])
{
    TCodeTree tree(1);
    for (const TCode& code : codes)
        Insert(tree, code);
    for (const TCode& code : SharedCodes)
        Insert(tree, code);
    return tree;
}

// The trees are the same for every decoder, so they are built once.
const TCodeTree& WhiteTree()
{
    static const TCodeTree tree = BuildTree(WhiteCodes);
    return tree;
}

const TCodeTree& BlackTree()
{
    static const TCodeTree tree = BuildTree(BlackCodes);
    return tree;
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
    bitsLeft_ = 0;
    zeroBits_ = 0;
    target_ = target;
    unpackedSize_ = static_cast<std::size_t>(std::max(unpackedSize, 0));
    // Without pixels there is nothing a row could hold.
    if (rowBytes_ == 0)
        unpackedSize_ = 0;
    rowOffset_ = 0;
    column_ = 0;
    white_ = true;
    std::memset(target_, 0, unpackedSize_);
}

bool TCCITTDecoder::NextBit(int& bit)
{
    if (bitsLeft_ == 0) {
        if (sourcePosition_ >= packedSize_)
            return false;
        const std::uint8_t byte = source_[sourcePosition_++];
        currentByte_ = reverseBits_ ? ReversedBytes()[byte] : byte;
        bitsLeft_ = 8;
    }
    --bitsLeft_;
    bit = static_cast<int>((currentByte_ >> bitsLeft_) & 1u);
    zeroBits_ = bit ? 0 : zeroBits_ + 1;
    return true;
}

std::int64_t TCCITTDecoder::ReadRun()
{
    const TCodeTree& tree = white_ ? WhiteTree() : BlackTree();
    std::int64_t sum = 0;
    std::size_t node = 0;
    int bit = 0;
    while (NextBit(bit)) {
        const std::int32_t child = tree[node].child[static_cast<std::size_t>(bit)];
        if (child == 0)
            return InvalidCode;
        node = static_cast<std::size_t>(child);
        if (!tree[node].IsLeaf())
            continue;
        const std::int64_t value = tree[node].value;
        if (value < 0)
            return value;
        sum += value;
        if (value < FirstMakeUp)
            return sum;
        node = 0;
    }
    return sum;
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
    int bit = 0;
    while (zeroBits_ < EndOfLineZeros)
        if (!NextBit(bit))
            return false;
    do {
        if (!NextBit(bit))
            return false;
    } while (bit == 0);
    return true;
}

void TCCITTDecoder::AlignRowStart()
{
    bitsLeft_ = 0;
    zeroBits_ = 0;
    if (wordAligned_ && sourcePosition_ % 2 == 1)
        sourcePosition_ = std::min(sourcePosition_ + 1, packedSize_);
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
