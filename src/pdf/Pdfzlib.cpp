#include "pdf/Pdfzlib.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

struct TZStreamRec {
    z_stream z{};
};

namespace {

const char* const InvalidOperation = "Invalid ZStream operation!";

int CompressionCheck(int code)
{
    if (code < 0)
        throw EZCompressionError(ZErrorText(code));
    return code;
}

// A stream that asks for a preset dictionary is not one a PDF can hold; waiting for one would loop.
int DecompressionCheck(int code)
{
    if (code == Z_NEED_DICT)
        code = Z_DATA_ERROR;
    if (code < 0)
        throw EZDecompressionError(ZErrorText(code));
    return code;
}

std::size_t RoundDownTo256(std::size_t value) { return value & ~static_cast<std::size_t>(255); }

uInt ClampToUInt(std::size_t value) { return static_cast<uInt>(std::min<std::size_t>(value, UINT_MAX)); }

// Owns a deflate or inflate state so that every way out frees it.
class ZStreamGuard {
public:
    ZStreamGuard(z_stream& z, int (*end)(z_streamp)) : z_(z), end_(end) {}
    ~ZStreamGuard()
    {
        if (end_ != nullptr)
            end_(&z_);
    }
    ZStreamGuard(const ZStreamGuard&) = delete;
    ZStreamGuard& operator=(const ZStreamGuard&) = delete;
    int Release()
    {
        const auto end = end_;
        end_ = nullptr;
        return end(&z_);
    }

private:
    z_stream& z_;
    int (*end_)(z_streamp);
};

// Points zlib's output at the free part of `output`, growing it first when it is full, never beyond
// `limit` bytes.
void MakeOutputRoom(z_stream& z, std::vector<std::uint8_t>& output, std::size_t increment,
                    std::size_t limit = SIZE_MAX)
{
    const std::size_t used = output.size() - z.avail_out;
    if (z.avail_out == 0)
        output.resize(output.size() + std::min(std::max(increment, output.size() / 2), limit - output.size()));
    z.next_out = output.data() + used;
    z.avail_out = ClampToUInt(output.size() - used);
}

// With the output full at its limit, the stream may only end: one byte more is too much.
void CheckEndAtLimit(z_stream& z, std::size_t limit)
{
    std::uint8_t probe = 0;
    z.next_out = &probe;
    z.avail_out = 1;
    const int code = DecompressionCheck(inflate(&z, Z_NO_FLUSH));
    if (z.avail_out == 0)
        throw EZDecompressionError("decompressed data exceed " + std::to_string(limit) + " bytes");
    if (code != Z_STREAM_END)
        throw EZDecompressionError(ZErrorText(Z_BUF_ERROR));
    z.avail_out = 0;
}

} // namespace

int ZLevel(TZCompressionLevel level)
{
    switch (level) {
    case TZCompressionLevel::zcNone:
        return Z_NO_COMPRESSION;
    case TZCompressionLevel::zcFastest:
        return Z_BEST_SPEED;
    case TZCompressionLevel::zcDefault:
        return Z_DEFAULT_COMPRESSION;
    case TZCompressionLevel::zcMax:
        return Z_BEST_COMPRESSION;
    }
    return Z_DEFAULT_COMPRESSION;
}

std::string ZErrorText(int code)
{
    switch (code) {
    case Z_ERRNO:
        return "file error";
    case Z_STREAM_ERROR:
        return "stream error";
    case Z_DATA_ERROR:
        return "data error";
    case Z_MEM_ERROR:
        return "insufficient memory";
    case Z_BUF_ERROR:
        return "buffer error";
    case Z_VERSION_ERROR:
        return "incompatible version";
    default:
        return zError(code);
    }
}

std::vector<std::uint8_t> ZCompress(const void* input, std::size_t count, int level)
{
    std::vector<std::uint8_t> output(RoundDownTo256(count + count / 10 + 12 + 255));
    z_stream z{};
    CompressionCheck(deflateInit(&z, level));
    ZStreamGuard guard(z, deflateEnd);
    z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    z.avail_in = ClampToUInt(count);
    z.next_out = output.data();
    z.avail_out = ClampToUInt(output.size());
    std::size_t fed = z.avail_in;
    for (;;) {
        if (z.avail_in == 0 && fed < count) {
            const std::size_t more = ClampToUInt(count - fed);
            z.avail_in = static_cast<uInt>(more);
            fed += more;
        }
        const int flush = fed < count ? Z_NO_FLUSH : Z_FINISH;
        if (CompressionCheck(deflate(&z, flush)) == Z_STREAM_END)
            break;
        MakeOutputRoom(z, output, 256);
    }
    output.resize(output.size() - z.avail_out);
    CompressionCheck(guard.Release());
    return output;
}

std::vector<std::uint8_t> ZDecompress(const void* input, std::size_t count, std::size_t estimate, std::size_t limit)
{
    const std::size_t increment = std::max<std::size_t>(RoundDownTo256(count + 255), 256);
    std::vector<std::uint8_t> output(std::min(estimate != 0 ? estimate : increment, limit));
    z_stream z{};
    z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    z.avail_in = ClampToUInt(count);
    DecompressionCheck(inflateInit(&z));
    ZStreamGuard guard(z, inflateEnd);
    std::size_t fed = z.avail_in;
    z.next_out = output.data();
    z.avail_out = ClampToUInt(output.size());
    for (;;) {
        if (z.avail_in == 0 && fed < count) {
            const std::size_t more = ClampToUInt(count - fed);
            z.avail_in = static_cast<uInt>(more);
            fed += more;
        }
        if (DecompressionCheck(inflate(&z, Z_NO_FLUSH)) == Z_STREAM_END)
            break;
        if (z.avail_out == 0 && output.size() == limit) {
            CheckEndAtLimit(z, limit);
            break;
        }
        MakeOutputRoom(z, output, increment, limit);
    }
    output.resize(output.size() - z.avail_out);
    DecompressionCheck(guard.Release());
    return output;
}

std::string ZCompressStr(std::string_view text, TZCompressionLevel level)
{
    const auto bytes = ZCompress(text.data(), text.size(), ZLevel(level));
    return std::string(bytes.begin(), bytes.end());
}

std::string ZDecompressStr(std::string_view text)
{
    const auto bytes = ZDecompress(text.data(), text.size());
    return std::string(bytes.begin(), bytes.end());
}

TCustomZStream::TCustomZStream(TStream& stream)
    : stream_(stream), streamPosition_(stream.Position()), record_(std::make_unique<TZStreamRec>()), buffer_(BufferSize)
{
}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::SetSize(std::int64_t) { throw EZLibError(InvalidOperation); }

void TCustomZStream::DoProgress()
{
    if (OnProgress)
        OnProgress(*this);
}

void TCustomZStream::RestoreStreamPosition()
{
    if (stream_.Position() != streamPosition_)
        stream_.SetPosition(streamPosition_);
}

void TCustomZStream::RememberStreamPosition() { streamPosition_ = stream_.Position(); }

TZCompressionStream::TZCompressionStream(TStream& destination, TZCompressionLevel level) : TCustomZStream(destination)
{
    z_stream& z = record_->z;
    z.next_out = buffer_.data();
    z.avail_out = static_cast<uInt>(BufferSize);
    CompressionCheck(deflateInit(&z, ZLevel(level)));
}

TZCompressionStream::~TZCompressionStream()
{
    try {
        Finish();
    } catch (const std::exception&) {
        // A destructor cannot report; callers that care call Finish themselves.
    }
    deflateEnd(&record_->z);
}

std::int64_t TZCompressionStream::Read(void*, std::int64_t) { throw EZCompressionError(InvalidOperation); }

void TZCompressionStream::WriteFullBuffer()
{
    z_stream& z = record_->z;
    stream_.WriteBuffer(buffer_.data(), static_cast<std::int64_t>(BufferSize));
    z.next_out = buffer_.data();
    z.avail_out = static_cast<uInt>(BufferSize);
    RememberStreamPosition();
    DoProgress();
}

std::int64_t TZCompressionStream::Write(const void* buffer, std::int64_t count)
{
    if (finished_)
        throw EZCompressionError(InvalidOperation);
    RestoreStreamPosition();
    z_stream& z = record_->z;
    auto* next = static_cast<const std::uint8_t*>(buffer);
    std::int64_t left = std::max<std::int64_t>(count, 0);
    while (left > 0 || z.avail_in > 0) {
        if (z.avail_in == 0) {
            const uInt piece = ClampToUInt(static_cast<std::size_t>(left));
            z.next_in = const_cast<Bytef*>(next);
            z.avail_in = piece;
            next += piece;
            left -= piece;
        }
        CompressionCheck(deflate(&z, Z_NO_FLUSH));
        if (z.avail_out == 0)
            WriteFullBuffer();
    }
    return count;
}

std::int64_t TZCompressionStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    if (offset == 0 && origin == TSeekOrigin::soCurrent)
        return static_cast<std::int64_t>(record_->z.total_in);
    throw EZCompressionError(InvalidOperation);
}

void TZCompressionStream::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    z_stream& z = record_->z;
    z.next_in = nullptr;
    z.avail_in = 0;
    RestoreStreamPosition();
    while (CompressionCheck(deflate(&z, Z_FINISH)) != Z_STREAM_END) {
        if (z.avail_out == 0)
            WriteFullBuffer();
    }
    const std::size_t rest = BufferSize - z.avail_out;
    if (rest > 0)
        stream_.WriteBuffer(buffer_.data(), static_cast<std::int64_t>(rest));
    RememberStreamPosition();
}

double TZCompressionStream::GetCompressionRate() const
{
    const z_stream& z = record_->z;
    if (z.total_in == 0)
        return 0;
    return (1.0 - static_cast<double>(z.total_out) / static_cast<double>(z.total_in)) * 100.0;
}

TZDecompressionStream::TZDecompressionStream(TStream& source) : TCustomZStream(source), sourceStart_(source.Position())
{
    z_stream& z = record_->z;
    z.next_in = buffer_.data();
    z.avail_in = 0;
    DecompressionCheck(inflateInit(&z));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&record_->z); }

std::int64_t TZDecompressionStream::Read(void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    z_stream& z = record_->z;
    auto* next = static_cast<std::uint8_t*>(buffer);
    std::int64_t room = count;
    RestoreStreamPosition();
    while (room > 0 || z.avail_out > 0) {
        if (z.avail_out == 0) {
            const uInt piece = ClampToUInt(static_cast<std::size_t>(room));
            z.next_out = next;
            z.avail_out = piece;
            next += piece;
            room -= piece;
        }
        if (z.avail_in == 0) {
            const std::int64_t got = stream_.Read(buffer_.data(), static_cast<std::int64_t>(BufferSize));
            if (got <= 0)
                break;
            z.next_in = buffer_.data();
            z.avail_in = static_cast<uInt>(got);
            RememberStreamPosition();
            DoProgress();
        }
        if (DecompressionCheck(inflate(&z, Z_NO_FLUSH)) == Z_STREAM_END)
            break;
    }
    const std::int64_t produced = count - room - z.avail_out;
    z.avail_out = 0;
    return produced;
}

std::int64_t TZDecompressionStream::Write(const void*, std::int64_t) { throw EZDecompressionError(InvalidOperation); }

void TZDecompressionStream::SkipForward(std::int64_t count)
{
    std::uint8_t scratch[4096];
    while (count > 0) {
        const std::int64_t want = std::min<std::int64_t>(count, sizeof scratch);
        const std::int64_t got = Read(scratch, want);
        if (got <= 0)
            break;
        count -= got;
    }
}

std::int64_t TZDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    z_stream& z = record_->z;
    const auto total = static_cast<std::int64_t>(z.total_out);
    if (offset == 0 && origin == TSeekOrigin::soBeginning) {
        DecompressionCheck(inflateReset(&z));
        z.next_in = buffer_.data();
        z.avail_in = 0;
        stream_.SetPosition(sourceStart_);
        RememberStreamPosition();
    } else if (offset >= 0 && origin == TSeekOrigin::soCurrent) {
        SkipForward(offset);
    } else if (offset > total && origin == TSeekOrigin::soBeginning) {
        SkipForward(offset - total);
    } else {
        throw EZDecompressionError(InvalidOperation);
    }
    return static_cast<std::int64_t>(z.total_out);
}
