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

// The message hashed in pieces of `piece` bytes, so that blocks fill across calls.
std::string MD5Hex(const std::string& message, std::size_t piece)
{
    md5_state_s state;
    md5_init(state);
    for (std::size_t at = 0; at < message.size(); at += piece)
        md5_append(state, reinterpret_cast<const std::uint8_t*>(message.data()) + at,
                   std::min(piece, message.size() - at));
    std::uint8_t digest[16];
    md5_finish(state, digest);
    return Hex(digest, 16);
}

std::vector<std::uint8_t> Bytes(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace

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
    for (const auto& [message, digest] : suite)
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{100}})
            EXPECT_EQ(MD5Hex(message, piece), digest) << message << " in pieces of " << piece;
}

// Keystreams at offsets 0 and 16 and, after a run of 4080 bytes, at 4096 (RFC 6229).
TEST(PdfMD5RC4, RC4GivesTheRfcKeystreams)
{
    struct TCase {
        std::string key;
        std::size_t offset;
        std::string keystream;
    };
    const TCase cases[] = {
        {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
        {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
        {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
        {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
        {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
    };
    for (const TCase& c : cases) {
        const std::vector<std::uint8_t> key = Bytes(c.key);
        TRC4_context context;
        rc4_init(context, key.data(), key.size());
        std::vector<std::uint8_t> data(c.offset + 16, 0);
        // Encrypting in place, in two calls, continues the one keystream.
        rc4_encrypt(context, data.data(), data.data(), c.offset);
        rc4_encrypt(context, data.data() + c.offset, data.data() + c.offset, 16);
        EXPECT_EQ(Hex(data.data() + c.offset, 16), c.keystream) << c.key << " at " << c.offset;
    }
}
