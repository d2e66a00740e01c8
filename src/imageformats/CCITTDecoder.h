#pragma once

#include "imageformats/GraphicCompression.h"

#include <cstddef>
#include <cstdint>

// One-dimensional CCITT fax data (the modified Huffman runs of T.4) unpacked into rows of one bit
// per pixel, white 0 and black 1, most significant bit first, each row (width + 7) / 8 bytes. Decode
// sets the whole target to white first; a run is cut at the end of its row and nothing is written
// past the target, so rows the data do not reach stay white. Invalid codes report nothing. Moves
// neither pointer.
class TCCITTDecoder : public TDecoder {
public:
    // `options` is the file's T4Options, kept only: every row is decoded one-dimensionally.
    // `reverseBits`: the packed bytes hold their bits least significant first. `wordAligned`: each
    // packed row of the modified Huffman scheme starts on a 16-bit boundary of the packed data.
    TCCITTDecoder(std::uint32_t options, bool reverseBits, bool wordAligned, std::int32_t width);

    std::uint32_t Options() const { return options_; }

protected:
    // ReadRun's answer for an end-of-line code; an invalid code gives -2.
    static constexpr std::int64_t EndOfLine = -1;

    void StartDecoding(const std::uint8_t* source, std::int32_t packedSize, std::uint8_t* target,
                       std::int32_t unpackedSize);
    bool HasPackedBits() const { return count_ > 0 || sourcePosition_ < packedSize_; }
    bool HasRoom() const { return rowOffset_ < unpackedSize_; }

    // Reads one code sequence of the expected colour: make-up codes and their terminating code add
    // up to the run length. Data that end inside the codes give what was summed so far.
    std::int64_t ReadRun();
    // Writes a run of the expected colour and answers whether it completed the row.
    bool WriteRun(std::int64_t length);
    void EndRow();

    // Consumes bits up to and including the 1 that ends an end-of-line code: first until 11 zero bits
    // in a row have been read (those at the end of the previous row count), then the zeros of any
    // fill that follow. False when the data end first.
    bool SkipToEndOfLine();
    // Drops the unread bits of the current packed byte, and with word alignment a byte more when the
    // next row would start at an odd offset.
    void AlignRowStart();

    bool white_ = true;

private:
    // Tops the bit buffer up from the packed bytes, turning them around when their bits are reversed.
    void Refill();
    void Consume(int count);
    bool SkipBit();

    std::uint32_t options_;
    bool reverseBits_;
    bool wordAligned_;
    std::int32_t width_;
    std::size_t rowBytes_;

    const std::uint8_t* source_ = nullptr;
    std::size_t packedSize_ = 0;
    std::size_t sourcePosition_ = 0; // the next packed byte to take
    std::uint64_t bits_ = 0;         // bits taken and not yet used, the next one highest
    int count_ = 0;
    int zeroBits_ = 0; // zero bits used since the last 1

    std::uint8_t* target_ = nullptr;
    std::size_t unpackedSize_ = 0;
    std::size_t rowOffset_ = 0;
    std::int32_t column_ = 0;
};

// TIFF compression 3: each row preceded by an end-of-line code, with or without fill bits before
// it. A row that is not searches the next one; an end-of-line code or an invalid one ends a row
// early.
class TCCITTFax3Decoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};

// TIFF compressions 2 and 32771: rows without end-of-line codes, each starting on a byte boundary
// (a 16-bit one with word alignment). Invalid codes are skipped.
class TCCITTMHDecoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};
