#pragma once

#include "imageformats/GraphicCompression.h"

#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The packed bytes of each strip of a TIFF file, cut out at the offsets and lengths tiffinfo lists.
inline std::vector<Bytes> TiffStrips(const std::string& file)
{
    const std::string bytes = ReadWholeFile(file);
    std::istringstream listing(RunTool("/usr/bin/tiffinfo -s " + file));
    std::vector<Bytes> strips;
    for (std::string line; std::getline(listing, line);) {
        unsigned long index = 0, offset = 0, length = 0;
        if (std::sscanf(line.c_str(), " %lu: [ %lu, %lu]", &index, &offset, &length) != 3)
            continue;
        EXPECT_LE(offset + length, bytes.size()) << file;
        strips.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(offset, bytes.size())),
                            bytes.begin() + static_cast<std::ptrdiff_t>(std::min(offset + length, bytes.size())));
    }
    EXPECT_FALSE(strips.empty()) << file;
    return strips;
}

// What Decode wrote, and how far it moved the caller's pointers.
struct TDecodeResult {
    Bytes Output;
    std::ptrdiff_t SourceMoved = 0;
    std::ptrdiff_t TargetMoved = 0;
};

// Decodes `packed` into a target of `unpacked` units guarded by sentinel bytes on both sides, and
// checks that no byte outside the target was written.
inline TDecodeResult DecodeGuarded(TDecoder& decoder, const Bytes& packed, std::int32_t unpacked,
                                   std::size_t unitSize = 1)
{
    constexpr std::size_t Guard = 8;
    const std::size_t size = static_cast<std::size_t>(std::max(unpacked, 0)) * unitSize;
    Bytes target(size + 2 * Guard, 0xEE);
    const std::uint8_t* source = packed.data();
    std::uint8_t* out = target.data() + Guard;
    decoder.Decode(source, out, static_cast<std::int32_t>(packed.size()), unpacked);
    for (std::size_t i = 0; i < Guard; ++i) {
        EXPECT_EQ(target[i], 0xEE) << "written before the target";
        EXPECT_EQ(target[Guard + size + i], 0xEE) << "written past the target";
    }
    return {Bytes(target.begin() + Guard, target.begin() + static_cast<std::ptrdiff_t>(Guard + size)),
            source - packed.data(), out - (target.data() + Guard)};
}

// Hands `use` the packed data cut at many lengths and with bits flipped, each in a buffer of its own
// size so that the sanitizers see any read past it.
template <typename Use> void ForEachDamaged(const Bytes& packed, Use use)
{
    for (std::size_t step = std::max<std::size_t>(packed.size() / 40, 1), length = 0; length < packed.size();
         length += step)
        use(Bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(length)));
    std::mt19937 random(static_cast<unsigned>(packed.size()));
    for (int i = 0; i < 60 && !packed.empty(); ++i) {
        Bytes flipped = packed;
        for (int bit = 0; bit < 1 + i % 4; ++bit)
            flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        use(flipped);
    }
}
