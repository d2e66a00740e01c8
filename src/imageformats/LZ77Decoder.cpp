#include "imageformats/LZ77Decoder.h"

#include "imageformats/ImageGraphic.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

namespace {

uInt Count(std::int32_t value) { return static_cast<uInt>(std::max(value, 0)); }

} // namespace

void TLZ77Decoder::TWholeDecompressorDeleter::operator()(libdeflate_decompressor* decompressor) const
{
    libdeflate_free_decompressor(decompressor);
}

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(std::make_unique<z_stream_s>()), flushMode_(flushMode), autoReset_(autoReset)
{
    // Without it every block goes through zlib.
    if (autoReset_)
        whole_.reset(libdeflate_alloc_decompressor());
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
    if (autoReset_ && DecodeWhole(source, target))
        return;
    if (autoReset_)
        status_ = inflateReset(stream_.get());
    if (status_ != Z_OK)
        return;
    status_ = inflate(stream_.get(), flushMode_);
    source = stream_->next_in;
    target = stream_->next_out;
}

// The block as one zlib stream, when libdeflate takes it whole: it then ends within the data and its
// room, and what it gives is what zlib would give.
bool TLZ77Decoder::DecodeWhole(const std::uint8_t*& source, std::uint8_t*& target)
{
    if (!started_ || !whole_ || stream_->avail_in == 0 || stream_->avail_out == 0)
        return false;
    wholeOutput_.resize(stream_->avail_out);
    std::size_t used = 0;
    std::size_t written = 0;
    if (libdeflate_zlib_decompress_ex(whole_.get(), source, stream_->avail_in, wholeOutput_.data(), wholeOutput_.size(),
                                      &used, &written) != LIBDEFLATE_SUCCESS)
        return false;
    std::copy_n(wholeOutput_.data(), written, target);
    stream_->next_in += used;
    stream_->avail_in -= static_cast<uInt>(used);
    stream_->next_out += written;
    stream_->avail_out -= static_cast<uInt>(written);
    status_ = Z_STREAM_END;
    source = stream_->next_in;
    target = stream_->next_out;
    return true;
}

std::uint32_t TLZ77Decoder::AvailableInput() const { return stream_->avail_in; }

std::uint32_t TLZ77Decoder::AvailableOutput() const { return stream_->avail_out; }
