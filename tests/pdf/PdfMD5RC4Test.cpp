#include "pdf/PdfMD5RC4.h"

#include "pdf/PdfFileWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
    const std::string text = TPdfFileWriter::HexString(bytes, count);
    return text.substr(1, text.size() - 2);
}

} // namespace

// RFC 1321's suite, each message hashed in pieces so that blocks fill across calls.
TEST(PdfMD5RC4, MD5PassesTheRfcTestSuite)
{
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto& [message, digest] : suite) {
        for (const std::size_t piece : {1u, 7u, 64u, 100u}) {
            md5_state_s state;
            md5_init(state);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
            for (std::size_t at = 0; at < message.size(); at += piece)
                md5_append(state, bytes + at, std::min(piece, message.size() - at));
            std::uint8_t result[16];
            md5_finish(state, result);
            EXPECT_EQ(Hex(result, 16), digest) << message << " in pieces of " << piece;
        }
    }
}

// RFC 6229's keystreams for a 40-bit and a 128-bit key, at offsets 0 and 16 and, after a run of
// 4080 bytes, 4096; enciphered in place in two calls that continue the one keystream.
TEST(PdfMD5RC4, RC4GivesTheRfcKeystreams)
{
    const std::vector<std::uint8_t> short40{1, 2, 3, 4, 5};
    const std::vector<std::uint8_t> long128{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::tuple<const std::vector<std::uint8_t>&, std::size_t, std::string> cases[] = {
        {short40, 0, "b2396305f03dc027ccc3524a0a1118a8"},    {short40, 16, "6982944f18fc82d589c403a47a0d0919"},
        {short40, 4096, "ff25b58995996707e51fbdf08b34d875"}, {long128, 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
        {long128, 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
    };
    for (const auto& [key, offset, keystream] : cases) {
        TRC4_context context;
        rc4_init(context, key.data(), key.size());
        std::vector<std::uint8_t> data(offset + 16, 0);
        rc4_encrypt(context, data.data(), data.data(), offset);
        rc4_encrypt(context, data.data() + offset, data.data() + offset, 16);
        EXPECT_EQ(Hex(data.data() + offset, 16), keystream) << key.size() << " at " << offset;
    }
}
