#include "platform/graphics/PixelRows.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void ExchangePixelByPixel(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i, from += 3, to += 3) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}

#if defined(__SSE2__)

// Three vectors of 16 bytes hold 16 whole pixels. In the k-th of them, a byte that starts a pixel
// takes the byte two ahead, a byte that ends one the byte two behind, and a middle byte stays.
struct TExchangeMasks {
    __m128i Starts[3];
    __m128i Middles[3];
    __m128i Ends[3];
};

TExchangeMasks MakeExchangeMasks()
{
    TExchangeMasks masks{};
    for (int k = 0; k < 3; ++k) {
        std::array<std::array<char, 16>, 3> bytes{};
        for (int j = 0; j < 16; ++j)
            bytes[static_cast<std::size_t>((16 * k + j) % 3)][static_cast<std::size_t>(j)] = static_cast<char>(0xFF);
        const auto mask = [](const std::array<char, 16>& b) {
            return _mm_setr_epi8(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12],
                                 b[13], b[14], b[15]);
        };
        masks.Starts[k] = mask(bytes[0]);
        masks.Middles[k] = mask(bytes[1]);
        masks.Ends[k] = mask(bytes[2]);
    }
    return masks;
}

__m128i Load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

#endif

} // namespace

void ExchangeRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels)
{
    std::size_t done = 0;
#if defined(__SSE2__)
    // Sixteen pixels at a time from the second pixel on, while the bytes two behind and two ahead of
    // each vector lie within the row.
    static const TExchangeMasks masks = MakeExchangeMasks();
    constexpr std::size_t Group = 16;
    if (pixels >= 2) {
        ExchangePixelByPixel(from, to, 1);
        done = 1;
        for (; 3 * (done + Group) + 2 <= 3 * pixels; done += Group)
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t at = 3 * done + 16 * k;
                const __m128i starts = _mm_and_si128(Load(from + at + 2), masks.Starts[k]);
                const __m128i middles = _mm_and_si128(Load(from + at), masks.Middles[k]);
                const __m128i ends = _mm_and_si128(Load(from + at - 2), masks.Ends[k]);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at),
                                 _mm_or_si128(starts, _mm_or_si128(middles, ends)));
            }
    }
#endif
    ExchangePixelByPixel(from + 3 * done, to + 3 * done, pixels - done);
}

void PackRedGreenBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i, from += 4, to += 3) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}
