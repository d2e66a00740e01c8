#pragma once

#include <cstddef>
#include <cstdint>

// The MD5 message digest (RFC 1321) and the RC4 stream cipher, as the standard security handler of
// PDF uses them.

struct md5_state_s {
    std::uint32_t count[2]; // bits hashed, low word first
    std::uint32_t abcd[4];
    std::uint8_t buf[64]; // the block being filled
};

void md5_init(md5_state_s& state);
void md5_append(md5_state_s& state, const std::uint8_t* data, std::size_t count);
void md5_finish(md5_state_s& state, std::uint8_t digest[16]);

struct TRC4_context {
    std::uint8_t state[256];
    std::uint8_t x;
    std::uint8_t y;
};

void rc4_init(TRC4_context& context, const std::uint8_t* key, std::size_t keyLength);
// `input` and `output` may be the same buffer.
void rc4_encrypt(TRC4_context& context, const std::uint8_t* input, std::uint8_t* output, std::size_t count);
