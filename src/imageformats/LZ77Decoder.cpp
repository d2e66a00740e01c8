#include "imageformats/LZ77Decoder.h"

#include "imageformats/ImageGraphic.h"

#include <zlib.h>

#include <algorithm>

namespace {

uInt Count(std::int32_t value) { return static_cast<uInt>(std::max(value, 0)); }

} // namespace

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(std::make_unique<z_stream_s>()), flushMode_(flushMode), autoReset_(autoReset)
{
}

TLZ77Decoder::~TLZ77Decoder()
{
    if (started_)
        inflateEnd(stream_.get());
}

void TLZ77Decoder::DecodeInit()
{
    // A decoder used again (one per channel) starts its stream afresh.
    if (started_)
        inflateEnd(stream_.get());
    *stream_ = z_stream{};
    status_ = Z_OK;
    started_ = inflateInit(stream_.get()) == Z_OK;
    if (!started_)
        CompressionError(SLZ77Error);
}

void TLZ77Decoder::DecodeEnd()
{
    const int result = inflateEnd(stream_.get());
    started_ = false;
    if (result < 0)
        CompressionError(SLZ77Error);
}

void TLZ77Decoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                          std::int32_t unpackedSize)
{
    // The accessors tell what is left of this call's data also when nothing is inflated.
    stream_->next_in = const_cast<Bytef*>(source);
    stream_->avail_in = Count(packedSize);
    stream_->next_out = target;
    stream_->avail_out = Count(unpackedSize);
    if (autoReset_)
        status_ = inflateReset(stream_.get());
    if (status_ != Z_OK)
        return;
    status_ = inflate(stream_.get(), flushMode_);
    source = stream_->next_in;
    target = stream_->next_out;
}

std::uint32_t TLZ77Decoder::AvailableInput() const { return stream_->avail_in; }

std::uint32_t TLZ77Decoder::AvailableOutput() const { return stream_->avail_out; }
