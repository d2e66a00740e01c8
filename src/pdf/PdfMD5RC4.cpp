#include "pdf/PdfMD5RC4.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::uint32_t RoundConstants[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int Shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t RotateLeft(std::uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

std::uint32_t LittleEndianWord(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

void md5_process(md5_state_s& state, const std::uint8_t* block)
{
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i)
        words[i] = LittleEndianWord(block + 4 * i);
    std::uint32_t a = state.abcd[0], b = state.abcd[1], c = state.abcd[2], d = state.abcd[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        std::uint32_t mixed;
        int word;
        switch (round) {
        case 0:
            mixed = (b & c) | (~b & d);
            word = i;
            break;
        case 1:
            mixed = (b & d) | (c & ~d);
            word = (5 * i + 1) % 16;
            break;
        case 2:
            mixed = b ^ c ^ d;
            word = (3 * i + 5) % 16;
            break;
        default:
            mixed = c ^ (b | ~d);
            word = (7 * i) % 16;
            break;
        }
        const std::uint32_t rotated = b + RotateLeft(a + mixed + RoundConstants[i] + words[word], Shifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = rotated;
    }
    state.abcd[0] += a;
    state.abcd[1] += b;
    state.abcd[2] += c;
    state.abcd[3] += d;
}

} // namespace

void md5_init(md5_state_s& state)
{
    state.count[0] = state.count[1] = 0;
    state.abcd[0] = 0x67452301;
    state.abcd[1] = 0xefcdab89;
    state.abcd[2] = 0x98badcfe;
    state.abcd[3] = 0x10325476;
    std::memset(state.buf, 0, sizeof state.buf);
}

void md5_append(md5_state_s& state, const std::uint8_t* data, std::size_t count)
{
    std::size_t offset = (state.count[0] >> 3) & 63;
    const std::uint64_t bits = (std::uint64_t(state.count[1]) << 32 | state.count[0]) + std::uint64_t(count) * 8;
    state.count[0] = static_cast<std::uint32_t>(bits);
    state.count[1] = static_cast<std::uint32_t>(bits >> 32);
    while (count > 0) {
        const std::size_t take = std::min<std::size_t>(64 - offset, count);
        std::memcpy(state.buf + offset, data, take);
        offset += take;
        data += take;
        count -= take;
        if (offset == 64) {
            md5_process(state, state.buf);
            offset = 0;
        }
    }
}

void md5_finish(md5_state_s& state, std::uint8_t digest[16])
{
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<std::uint8_t>(state.count[i / 4] >> (8 * (i % 4)));
    // A single 1 bit, zeros up to 56 bytes into the block, then the length in bits.
    static constexpr std::uint8_t Padding[64] = {0x80};
    const std::size_t offset = (state.count[0] >> 3) & 63;
    md5_append(state, Padding, (offset < 56 ? 56 : 120) - offset);
    md5_append(state, length, 8);
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<std::uint8_t>(state.abcd[i / 4] >> (8 * (i % 4)));
}

void rc4_init(TRC4_context& context, const std::uint8_t* key, std::size_t keyLength)
{
    for (int i = 0; i < 256; ++i)
        context.state[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + context.state[i] + (keyLength > 0 ? key[i % keyLength] : 0));
        std::swap(context.state[i], context.state[j]);
    }
    context.x = 0;
    context.y = 0;
}

void rc4_encrypt(TRC4_context& context, const std::uint8_t* input, std::uint8_t* output, std::size_t count)
{
    std::uint8_t x = context.x, y = context.y;
    for (std::size_t i = 0; i < count; ++i) {
        x = static_cast<std::uint8_t>(x + 1);
        y = static_cast<std::uint8_t>(y + context.state[x]);
        std::swap(context.state[x], context.state[y]);
        output[i] = input[i] ^ context.state[static_cast<std::uint8_t>(context.state[x] + context.state[y])];
    }
    context.x = x;
    context.y = y;
}
