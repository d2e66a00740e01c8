#include "pdf/Pdfzlib.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t count)
{
    std::mt19937 random(3);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

std::string RepetitiveText(std::size_t count)
{
    std::string text;
    while (text.size() < count)
        text += "0.500 0.500 m 12.000 14.000 l S\r\n";
    text.resize(count);
    return text;
}

} // namespace

TEST(Pdfzlib, RoundTripsEmptyRandomAndRepetitiveData)
{
    const auto empty = ZCompress(nullptr, 0, 6);
    EXPECT_GT(empty.size(), 0u);
    EXPECT_LE(empty.size(), 16u);
    EXPECT_TRUE(ZDecompress(empty.data(), empty.size()).empty());

    const auto random = RandomBytes(1 << 20);
    const auto packed = ZCompress(random.data(), random.size(), 6);
    EXPECT_EQ(ZDecompress(packed.data(), packed.size()), random);

    const std::string text = RepetitiveText(3'000'000);
    const std::string small = ZCompressStr(text, TZCompressionLevel::zcMax);
    EXPECT_LT(small.size() * 100, text.size()); // expands more than a hundredfold
    EXPECT_EQ(ZDecompressStr(small), text);
    EXPECT_EQ(ZLevel(TZCompressionLevel::zcNone), 0);
    EXPECT_EQ(ZLevel(TZCompressionLevel::zcDefault), -1);
}

TEST(Pdfzlib, OutputStopsAtItsLimit)
{
    const std::string text = RepetitiveText(100000);
    const std::string packed = ZCompressStr(text);
    const auto* bytes = packed.data();
    EXPECT_EQ(ZDecompress(bytes, packed.size(), 0, text.size()).size(), text.size());
    EXPECT_EQ(ZDecompress(bytes, packed.size(), 10 * text.size(), text.size()).size(), text.size());
    EXPECT_EQ(ZDecompress(bytes, packed.size(), 7, text.size()).size(), text.size());
    for (const std::size_t estimate : {std::size_t{0}, text.size(), std::size_t{1} << 30})
        EXPECT_EQ(RaisedMessage<EZDecompressionError>(
                      [&] { ZDecompress(bytes, packed.size(), estimate, text.size() - 1); }),
                  "decompressed data exceed 99999 bytes");
    // Cut data that fill the limit exactly still end too early.
    const std::string cut = packed.substr(0, packed.size() - 4);
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([&] { ZDecompress(cut.data(), cut.size(), 0, text.size()); }),
              "buffer error");
}

TEST(Pdfzlib, BrokenDataRaiseZlibTexts)
{
    const std::string packed = ZCompressStr(RepetitiveText(10000));
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([&] { ZDecompressStr(packed.substr(0, packed.size() / 2)); }),
              "buffer error");
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([] { ZDecompressStr("not zlib at all"); }), "data error");
    // A stream that wants a preset dictionary cannot come from a PDF; it must not loop waiting.
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([] { ZDecompressStr(std::string("\x78\xBB\0\0\0\x01xyz", 9)); }),
              "data error");
    EXPECT_EQ(RaisedMessage<EZCompressionError>([] { ZCompress("x", 1, 42); }), "stream error");
    EXPECT_EQ(ZErrorText(-6), "incompatible version");
    EXPECT_EQ(ZErrorText(-4), "insufficient memory");
}

TEST(Pdfzlib, OutputDecompressesWithZlibFlate)
{
    TemporaryFolder folder;
    const std::string text = RepetitiveText(200000) + std::string("\0\xff\x80", 3);
    WriteWholeFile(folder.File("packed"), ZCompressStr(text, TZCompressionLevel::zcFastest));
    int status = -1;
    const std::string unpacked = RunCommand("zlib-flate -uncompress < " + folder.File("packed"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(unpacked, text);
}

TEST(Pdfzlib, CompressionStreamWritesAndRefusesToReadOrSeek)
{
    const std::string text = RepetitiveText(500000);
    TMemoryStream target;
    target.WriteBuffer("HEAD", 4);
    int progress = 0;
    {
        TZCompressionStream stream(target, TZCompressionLevel::zcMax);
        stream.OnProgress = [&](TCustomZStream&) { ++progress; };
        for (std::size_t at = 0; at < text.size(); at += 7000)
            stream.WriteBuffer(text.data() + at,
                               static_cast<std::int64_t>(std::min<std::size_t>(7000, text.size() - at)));
        EXPECT_EQ(stream.Seek(0, TSeekOrigin::soCurrent), static_cast<std::int64_t>(text.size()));
        EXPECT_EQ(RaisedMessage<EZCompressionError>([&] { stream.Seek(1, TSeekOrigin::soBeginning); }),
                  "Invalid ZStream operation!");
        char byte;
        EXPECT_EQ(RaisedMessage<EZCompressionError>([&] { stream.Read(&byte, 1); }), "Invalid ZStream operation!");
        stream.Finish();
        EXPECT_GT(stream.GetCompressionRate(), 99.0);
    }
    const std::string written(reinterpret_cast<const char*>(target.Memory()), static_cast<std::size_t>(target.Size()));
    EXPECT_EQ(written.substr(0, 4), "HEAD");
    EXPECT_EQ(ZDecompressStr(written.substr(4)), text);

    TMemoryStream nothing;
    TZCompressionStream idle(nothing);
    EXPECT_EQ(idle.GetCompressionRate(), 0);
}

TEST(Pdfzlib, DecompressionStreamReadsSeeksAndStopsAtTheEnd)
{
    const std::string text = RepetitiveText(300000);
    const std::string packed = ZCompressStr(text);
    TMemoryStream source;
    source.WriteBuffer(packed.data(), static_cast<std::int64_t>(packed.size()));
    source.SetPosition(0);
    TZDecompressionStream stream(source);

    std::string head(1000, '\0');
    EXPECT_EQ(stream.Read(head.data(), 1000), 1000);
    EXPECT_EQ(head, text.substr(0, 1000));
    EXPECT_EQ(stream.Seek(5000, TSeekOrigin::soCurrent), 6000);
    EXPECT_EQ(stream.Seek(10000, TSeekOrigin::soBeginning), 10000);
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([&] { stream.Seek(50, TSeekOrigin::soBeginning); }),
              "Invalid ZStream operation!");
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([&] { stream.Write("x", 1); }), "Invalid ZStream operation!");
    std::string piece(10, '\0');
    stream.Read(piece.data(), 10);
    EXPECT_EQ(piece, text.substr(10000, 10));

    EXPECT_EQ(stream.Seek(0, TSeekOrigin::soBeginning), 0);
    std::string all(text.size() + 100, '\0');
    EXPECT_EQ(stream.Read(all.data(), static_cast<std::int64_t>(all.size())), static_cast<std::int64_t>(text.size()));
    all.resize(text.size());
    EXPECT_EQ(all, text);

    TMemoryStream cut;
    cut.WriteBuffer(packed.data(), static_cast<std::int64_t>(packed.size() / 3));
    cut.SetPosition(0);
    TZDecompressionStream partial(cut);
    std::string some(text.size(), '\0');
    const std::int64_t got = partial.Read(some.data(), static_cast<std::int64_t>(some.size()));
    EXPECT_GT(got, 0);
    EXPECT_LT(got, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(some.substr(0, static_cast<std::size_t>(got)), text.substr(0, static_cast<std::size_t>(got)));
}
