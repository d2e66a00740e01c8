#pragma once

// Dr. Halo files built byte by byte from the formats' layouts,
// since no tool at hand writes them.

#include "ImageTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

inline void PutLE(std::string& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

inline void PutBE(std::string& out, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

// Packs the bytes into runs of at least three equal bytes and literal stretches, each at most
// `longest` long, written by the format's two packet writers.
inline std::string RunPacked(const Bytes& bytes, std::size_t longest,
                             const std::function<void(std::string&, std::size_t, std::uint8_t)>& run,
                             const std::function<void(std::string&, const std::uint8_t*, std::size_t)>& literal)
{
    std::string out;
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t same = 1;
        while (at + same < bytes.size() && same < longest && bytes[at + same] == bytes[at])
            ++same;
        if (same >= 3) {
            run(out, same, bytes[at]);
            at += same;
            continue;
        }
        std::size_t count = 0;
        while (at + count < bytes.size() && count < longest &&
               !(at + count + 2 < bytes.size() && bytes[at + count] == bytes[at + count + 1] &&
                 bytes[at + count] == bytes[at + count + 2]))
            ++count;
        literal(out, &bytes[at], count);
        at += count;
    }
    return out;
}

// ---- Dr. Halo ----

// A row: its 2-byte count, packets with the top bit set for runs, and the end marker 0.
inline std::string CutRow(const Bytes& indexes)
{
    const std::string packets = RunPacked(
        indexes, 127,
        [](std::string& out, std::size_t n, std::uint8_t v) {
            out += {char(0x80 | n), char(v)};
        },
        [](std::string& out, const std::uint8_t* p, std::size_t n) {
            out.push_back(static_cast<char>(n));
            out.append(reinterpret_cast<const char*>(p), n);
        });
    std::string row;
    PutLE(row, packets.size() + 1, 2);
    return row + packets + '\0';
}

// The picture of the rows of indexes, all of the first row's width.
inline std::string CutFile(const std::vector<Bytes>& rows)
{
    std::string file;
    PutLE(file, rows.empty() ? 0 : rows[0].size(), 2);
    PutLE(file, rows.size(), 2);
    PutLE(file, 0, 2);
    for (const Bytes& row : rows)
        file += CutRow(row);
    return file;
}

// A palette file of the colours, in 512-byte blocks with no entry crossing a block's end; the
// header's highest index is `highestIndex` (the colours' count - 1 when negative).
inline std::string CutPalette(const std::vector<Rgb>& colors, long highestIndex = -1)
{
    std::string file(40, '\0');
    file[0] = 'A';
    file[1] = 'H';
    const auto highest = static_cast<std::uint16_t>(highestIndex < 0 ? colors.size() - 1 : highestIndex);
    file[12] = static_cast<char>(highest & 0xFF);
    file[13] = static_cast<char>(highest >> 8);
    for (const Rgb& color : colors) {
        if (512 - file.size() % 512 < 6)
            file.append(512 - file.size() % 512, '\0');
        for (const std::uint8_t value : {color.r, color.g, color.b})
            PutLE(file, 0xAB00u | value, 2); // the high byte is not used
    }
    return file;
}

} // namespace fixtures
