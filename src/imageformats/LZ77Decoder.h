#pragma once

#include "imageformats/GraphicCompression.h"

#include <cstdint>
#include <memory>
#include <vector>

struct libdeflate_decompressor;
struct z_stream_s;

// Deflate data in zlib streams (TIFF, PNG, Paintshop Pro) through the system's zlib. DecodeInit
// starts a stream and DecodeEnd ends it; either raises EGraphicCompression with "LZ77 decompression
// error." when zlib refuses. Decode inflates with the flush mode given and moves both pointers past
// the data used; it raises nothing: a corrupt stream leaves the output short. Without automatic
// reset successive blocks continue one stream, and once it has ended or failed Decode does nothing
// until the next DecodeInit; with it each block is a stream of its own, inflated at once by
// libdeflate, which is much faster, and by zlib where libdeflate refuses the block (a broken or
// truncated stream, or one longer than the room), so that a sound block and every refused one come
// out as zlib gives them.
class TLZ77Decoder : public TDecoder {
public:
    TLZ77Decoder(int flushMode, bool autoReset);
    ~TLZ77Decoder() override;

    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;
    void DecodeInit() override;
    void DecodeEnd() override;

    // What the last Decode left: packed bytes not read, and room in the target not filled.
    std::uint32_t AvailableInput() const;
    std::uint32_t AvailableOutput() const;
    // zlib's answer to the last inflate: 0 while the stream goes on, 1 once it has ended, anything
    // else when it cannot go on.
    int Status() const { return status_; }

private:
    bool DecodeWhole(const std::uint8_t*& source, std::uint8_t*& target);

    struct TWholeDecompressorDeleter {
        void operator()(libdeflate_decompressor* decompressor) const;
    };
    std::unique_ptr<z_stream_s> stream_;
    std::unique_ptr<libdeflate_decompressor, TWholeDecompressorDeleter> whole_;
    std::vector<std::uint8_t> wholeOutput_; // a refused block leaves the target as it was
    int status_ = 0;                        // zlib's answer to the last inflate; 0 while the stream goes on
    int flushMode_;
    bool autoReset_;
    bool started_ = false;
};
