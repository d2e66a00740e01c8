#include "imageformats/LZ77Decoder.h"

#include "DecoderTesting.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

namespace {

const std::string LZ77Error = "LZ77 decompression error.";

// Rows with runs and noise, as pictures have them.
Bytes Rows(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = i % 97 < 60 ? static_cast<std::uint8_t>(i / 97) : static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes Deflated(const Bytes& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes packed(size);
    EXPECT_EQ(compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), 9), Z_OK);
    packed.resize(size);
    return packed;
}

// Decodes `packed` into a target of `unpacked` bytes; the pointers must move by what zlib used and
// filled, as the accessors tell.
Bytes Inflated(TLZ77Decoder& decoder, const Bytes& packed, std::size_t unpacked)
{
    Bytes target(unpacked, 0xEE);
    const std::uint8_t* source = packed.data();
    std::uint8_t* out = target.data();
    decoder.Decode(source, out, static_cast<std::int32_t>(packed.size()), static_cast<std::int32_t>(unpacked));
    EXPECT_EQ(source, packed.data() + packed.size() - decoder.AvailableInput());
    EXPECT_EQ(out, target.data() + unpacked - decoder.AvailableOutput());
    return target;
}

} // namespace

TEST(LZ77Decoder, AutomaticResetTakesEachBlockAsAStreamAndWithoutItBlocksContinueOne)
{
    const Bytes first = Rows(3000, 1), second = Rows(5000, 2);
    TLZ77Decoder blocks(Z_SYNC_FLUSH, true);
    blocks.DecodeInit();
    EXPECT_EQ(Inflated(blocks, Deflated(first), first.size()), first);
    EXPECT_EQ(Inflated(blocks, Deflated(second), second.size()), second);
    blocks.DecodeEnd();

    // One stream, handed over in pieces of 100 bytes into rows of 250.
    const Bytes whole = Rows(20000, 3);
    const Bytes packed = Deflated(whole);
    TLZ77Decoder stream(Z_SYNC_FLUSH, false);
    stream.DecodeInit();
    Bytes out(whole.size());
    const std::uint8_t* source = packed.data();
    std::uint8_t* target = out.data();
    while (target < out.data() + out.size()) {
        const std::uint8_t* rowEnd = target + 250;
        while (target < rowEnd) {
            const auto left = static_cast<std::int32_t>(packed.data() + packed.size() - source);
            const std::uint8_t* sourceBefore = source;
            const std::uint8_t* targetBefore = target;
            stream.Decode(source, target, std::min(left, 100), static_cast<std::int32_t>(rowEnd - target));
            ASSERT_TRUE(source != sourceBefore || target != targetBefore);
        }
    }
    EXPECT_EQ(out, whole);
    EXPECT_EQ(source, packed.data() + packed.size());
    stream.DecodeEnd();
}

TEST(LZ77Decoder, AfterPartOfAStreamTheAccessorsTellWhatIsLeft)
{
    const Bytes data = Rows(10000, 4);
    const Bytes packed = Deflated(data);
    TLZ77Decoder decoder(Z_SYNC_FLUSH, false);
    decoder.DecodeInit();
    const Bytes head = Inflated(decoder, packed, 4000);
    EXPECT_EQ(head, Bytes(data.begin(), data.begin() + 4000));
    EXPECT_EQ(decoder.AvailableOutput(), 0u);
    EXPECT_GT(decoder.AvailableInput(), 0u);

    // The rest goes on from where the first call stopped.
    const Bytes rest(packed.end() - decoder.AvailableInput(), packed.end());
    EXPECT_EQ(Inflated(decoder, rest, 7000), [&] {
        Bytes tail(data.begin() + 4000, data.end());
        tail.resize(7000, 0xEE);
        return tail;
    }());
    EXPECT_EQ(decoder.AvailableInput(), 0u);
    EXPECT_EQ(decoder.AvailableOutput(), 1000u);
    decoder.DecodeEnd();
}

TEST(LZ77Decoder, AnEndedOrBrokenStreamDecodesNothingUntilDecodeInitStartsAnother)
{
    const Bytes first = Rows(2000, 5), second = Rows(2000, 6);
    TLZ77Decoder decoder(Z_SYNC_FLUSH, false);
    decoder.DecodeInit();
    EXPECT_EQ(Inflated(decoder, Deflated(first), first.size()), first);
    // The stream has ended: a second one is not read.
    EXPECT_EQ(Inflated(decoder, Deflated(second), 10), Bytes(10, 0xEE));
    decoder.DecodeEnd();
    decoder.DecodeInit();
    EXPECT_EQ(Inflated(decoder, Deflated(second), second.size()), second);
    decoder.DecodeEnd();

    // A broken stream stops the output without raising, and so does every block after it.
    Bytes broken = Deflated(first);
    broken[0] ^= 0x0F;
    decoder.DecodeInit();
    EXPECT_EQ(Inflated(decoder, broken, 100), Bytes(100, 0xEE));
    EXPECT_EQ(Inflated(decoder, Deflated(second), 100), Bytes(100, 0xEE));
    decoder.DecodeEnd();

    // Ending a stream that was never started is the one failure reported.
    EXPECT_EQ(RaisedMessage<EGraphicCompression>([&] { decoder.DecodeEnd(); }), LZ77Error);
    ForEachDamaged(Deflated(first), [](const Bytes& damaged) {
        TLZ77Decoder fresh(Z_SYNC_FLUSH, true);
        fresh.DecodeInit();
        DecodeGuarded(fresh, damaged, 2000);
        fresh.DecodeEnd();
    });
}

// zlib's own inflate of one block into a target of `unpacked` bytes filled with 0xEE, with the
// bytes it used and the status it ended with.
struct TZlibResult {
    Bytes target;
    std::size_t used = 0;
    int status = Z_OK;
};

TZlibResult ZlibInflated(const Bytes& packed, std::size_t unpacked)
{
    TZlibResult result{Bytes(unpacked, 0xEE)};
    z_stream stream{};
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = result.target.data();
    stream.avail_out = static_cast<uInt>(unpacked);
    result.status = inflate(&stream, Z_SYNC_FLUSH);
    result.used = packed.size() - stream.avail_in;
    inflateEnd(&stream);
    return result;
}

TEST(LZ77Decoder, EachBlockOfItsOwnComesOutAsZlibGivesItWhetherWholeShortLongOrBroken)
{
    const Bytes data = Rows(6000, 7);
    const Bytes packed = Deflated(data);
    Bytes trailed = packed;
    trailed.insert(trailed.end(), {1, 2, 3});
    const struct {
        std::string label;
        Bytes block;
        std::size_t room;
    } cases[] = {
        {"whole", packed, data.size()},
        {"room to spare", packed, data.size() + 100},
        {"more data than room", packed, 2500},
        {"bytes after the stream", trailed, data.size()},
        {"no checksum", Bytes(packed.begin(), packed.end() - 4), data.size()},
    };
    TLZ77Decoder decoder(Z_SYNC_FLUSH, true);
    decoder.DecodeInit();
    const auto expectZlibs = [&](const std::string& label, const Bytes& block, std::size_t room) {
        SCOPED_TRACE(label);
        const TZlibResult zlib = ZlibInflated(block, room);
        EXPECT_EQ(Inflated(decoder, block, room), zlib.target);
        EXPECT_EQ(decoder.AvailableInput(), block.size() - zlib.used);
        EXPECT_EQ(decoder.Status(), zlib.status);
    };
    for (const auto& c : cases)
        expectZlibs(c.label, c.block, c.room);
    ForEachDamaged(packed, [&](const Bytes& damaged) { expectZlibs("damaged", damaged, data.size()); });
    decoder.DecodeEnd();
}
