#pragma once

#include "platform/core/Exceptions.h"
#include "platform/core/Streams.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Flate compression over the system zlib.

KESTRAME_EXCEPTION(EZLibError, Exception)
KESTRAME_EXCEPTION(EZCompressionError, EZLibError)
KESTRAME_EXCEPTION(EZDecompressionError, EZLibError)

enum class TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

// zlib's level for a compression level: 0, 1, zlib's default and 9.
int ZLevel(TZCompressionLevel level);
// zlib's text for a failure code ("buffer error" for -5).
std::string ZErrorText(int code);

// The whole input as one zlib stream; the level goes to zlib unchanged. Raises EZCompressionError.
std::vector<std::uint8_t> ZCompress(const void* input, std::size_t count, int level);
// The reverse; an estimate of 0 means the output size is unknown. Raises EZDecompressionError, with
// "buffer error" when the data end before the stream does, and when the output would grow beyond
// `limit` bytes (which no allocation exceeds).
std::vector<std::uint8_t> ZDecompress(const void* input, std::size_t count, std::size_t estimate = 0,
                                      std::size_t limit = SIZE_MAX);
std::string ZCompressStr(std::string_view text, TZCompressionLevel level = TZCompressionLevel::zcDefault);
std::string ZDecompressStr(std::string_view text);

struct TZStreamRec;

// A stream that compresses into, or decompresses from, another stream it does not own. It keeps the
// other stream's position as last seen and goes back there when someone else moved it.
class TCustomZStream : public TStream {
public:
    explicit TCustomZStream(TStream& stream);
    ~TCustomZStream() override;
    TCustomZStream(const TCustomZStream&) = delete;
    TCustomZStream& operator=(const TCustomZStream&) = delete;

    void SetSize(std::int64_t newSize) override;

    std::function<void(TCustomZStream&)> OnProgress;

protected:
    void DoProgress();
    void RestoreStreamPosition();
    void RememberStreamPosition();

    static constexpr std::size_t BufferSize = 65536;

    TStream& stream_;
    std::int64_t streamPosition_;
    std::unique_ptr<TZStreamRec> record_;
    std::vector<std::uint8_t> buffer_;
};

class TZCompressionStream : public TCustomZStream {
public:
    TZCompressionStream(TStream& destination, TZCompressionLevel level = TZCompressionLevel::zcDefault);
    // Finishes quietly when Finish was not called; call Finish to see a failure.
    ~TZCompressionStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Only Seek(0, soCurrent), which answers the bytes taken so far.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

    // Ends the zlib stream and writes the rest to the destination; later calls do nothing.
    void Finish();
    // Per cent saved: 0 when nothing was taken.
    double GetCompressionRate() const;

private:
    void WriteFullBuffer();
    bool finished_ = false;
};

class TZDecompressionStream : public TCustomZStream {
public:
    explicit TZDecompressionStream(TStream& source);
    ~TZDecompressionStream() override;

    // Ends early, without error, when the source or the compressed data end.
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // To the start, or forward by decompressing and dropping bytes. The start is where the source
    // stood when this stream was made: the compressed data may follow other bytes.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

private:
    void SkipForward(std::int64_t count);
    const std::int64_t sourceStart_;
};
