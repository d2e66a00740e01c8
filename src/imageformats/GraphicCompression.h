#pragma once

#include "platform/core/Exceptions.h"

#include <array>
#include <cstdint>
#include <string_view>

class TRunCursor;

// Raised by decoders for corrupt data.
KESTRAME_EXCEPTION(EGraphicCompression, Exception)
[[noreturn]] void CompressionError(std::string_view message);

// A decompressor of one scheme. A reader calls DecodeInit once, Decode once per packed block (a row,
// a strip or a whole image, as its format stores them) and DecodeEnd once.
//
// Decode unpacks from the `packedSize` bytes at `source` into the `unpackedSize` bytes at `target`
// (the Targa decoder counts the target in pixels). No packet reads past the packed bytes or writes
// past the target: runs are cut to the room left, and when the packed data or an end marker stops
// the work early the rest of the target is set to zero (except by the Deflate decoder, whose stream
// may go on in the next block). Which pointers move past the data used differs by scheme and is
// said at each class.
class TDecoder {
public:
    TDecoder() = default;
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;
    virtual ~TDecoder() = default;

    virtual void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                        std::int32_t unpackedSize) = 0;
    virtual void DecodeEnd() {}
    virtual void DecodeInit() {}
    // Packs `count` units from source to target and says how many bytes it wrote; only the Targa
    // scheme packs, every other stores nothing.
    virtual void Encode(const std::uint8_t* source, std::uint8_t* target, std::int32_t count,
                        std::int32_t& bytesStored);
    virtual void EncodeInit() {}
    virtual void EncodeEnd() {}
};

// Targa run-length packets of 1-, 2-, 3- or 4-byte pixels (colour depth 8, 15/16, 24, 32; any other
// depth decodes to zeros and packs nothing). Decoding is one continuous stream from DecodeInit on:
// a packet that goes on past the pixels asked for is finished by the next Decode, so that a packet
// crossing a row end neither overruns the row nor shifts the next one. Decode moves `source` past
// the bytes it used and leaves `target` where it was.
class TTargaRLEDecoder : public TDecoder {
public:
    explicit TTargaRLEDecoder(int colorDepth);

    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
    void DecodeInit() override;
    void DecodeEnd() override;
    // Writes at most count x (pixel size + 1) bytes.
    void Encode(const std::uint8_t* source, std::uint8_t* target, std::int32_t count,
                std::int32_t& bytesStored) override;

    int PixelSize() const { return pixelSize_; }

private:
    bool StartPacket(TRunCursor& cursor);

    int pixelSize_;
    int pendingCount_ = 0; // pixels of the current packet still to come
    bool pendingRun_ = false;
    std::array<std::uint8_t, 4> runPixel_{};
};

// PackBits (TIFF, Photoshop): signed header n, 0..127 copy n + 1 bytes, -1..-127 repeat the next
// byte 1 - n times, -128 nothing. Moves neither pointer.
class TPackbitsRLEDecoder : public TDecoder {
public:
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};

// PCX: a byte with both top bits set repeats the next byte (its low six bits) times; any other byte
// is itself data. Moves neither pointer.
class TPCXRLEDecoder : public TDecoder {
public:
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};

// SGI: 8-bit headers, or big-endian 16-bit headers and values; count 0 ends the block, the top bit
// set copies, clear repeats. Sizes are in bytes for both depths, so a reader of 16-bit samples
// passes width x 2 as the unpacked size; values are copied as stored. Moves neither pointer.
class TSGIRLEDecoder : public TDecoder {
public:
    explicit TSGIRLEDecoder(int sampleSize);

    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;

private:
    int sampleSize_;
};

// Dr. Halo: a row's two-byte count, then headers b: 0 ends, top bit set repeats the next byte
// (b and 127) times, clear copies that many bytes. Reads the row's packets through its end marker,
// also when they hold more than the row has room for, and moves `source` past them, so that the
// next Decode starts at the next row.
class TCUTRLEDecoder : public TDecoder {
public:
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};

// Paintshop Pro: b below 128 copies b bytes, else repeats the next byte b - 128 times. A channel is
// one continuous stream from DecodeInit on, decoded a row at a time: a packet that goes on past the
// bytes asked for is finished by the next Decode. Decode moves `source` past the bytes it used and
// leaves `target` where it was.
class TPSPRLEDecoder : public TDecoder {
public:
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
    void DecodeInit() override { pendingCount_ = 0; }

private:
    bool StartPacket(TRunCursor& cursor);

    std::size_t pendingCount_ = 0; // bytes of the current packet still to come
    bool pendingRun_ = false;
    std::uint8_t runValue_ = 0;
};

// Alias/Wavefront: signed n, 0 and above repeats the next byte n + 1 times, below 0 copies -n bytes.
// Moves neither pointer.
class TRLADecoder : public TDecoder {
public:
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
};

// Thunderscan: 4-bit pixels, two per byte, high nibble first, rows of (width + 1) / 2 bytes. Each row
// starts from pixel 0 and is made of code bytes by their top two bits: 00 repeats the last pixel
// (low six bits) times; 01 holds three 2-bit deltas and 10 two 3-bit deltas to the last pixel, one
// value of each meaning none; 11 is a pixel (low four bits). A row ends at its width, which cuts
// runs and deltas. Moves neither pointer.
class TThunderDecoder : public TDecoder {
public:
    explicit TThunderDecoder(std::int32_t width);

    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;

private:
    std::int32_t width_;
};
