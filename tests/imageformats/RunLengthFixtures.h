#pragma once

// Dr. Halo, Alias/Wavefront and Paint Shop Pro files built byte by byte from the formats' layouts,
// since no tool at hand writes them.

#include "ImageTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
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

// ---- Alias/Wavefront ----

struct RlaLayout {
    int colorChannels = 3;
    int mattes = 0;
    int bits = 8;
    std::string kind = "rgb";
    std::string gamma;
    bool bottomFirst = true;
};

inline std::string RlaChannel(const Bytes& samples)
{
    const std::string packets = RunPacked(
        samples, 127,
        [](std::string& out, std::size_t n, std::uint8_t v) {
            out += {char(n - 1), char(v)};
        },
        [](std::string& out, const std::uint8_t* p, std::size_t n) {
            out.push_back(static_cast<char>(-static_cast<int>(n)));
            out.append(reinterpret_cast<const char*>(p), n);
        });
    std::string channel;
    PutBE(channel, packets.size(), 2);
    return channel + packets;
}

// The picture with `alpha` (one value a pixel, top row first) as its matte when the layout has
// mattes; every matte beyond the first repeats it.
inline std::string RlaFile(const RgbImage& image, const Bytes& alpha, const RlaLayout& layout = {})
{
    std::string header;
    const int right = image.width - 1;
    const int top = image.height - 1;
    // Window, then active window: left, right, bottom, top.
    for (int i = 0; i < 2; ++i)
        for (const int value : {0, right, layout.bottomFirst ? 0 : top, layout.bottomFirst ? top : 0})
            PutBE(header, static_cast<std::uint16_t>(value), 2);
    PutBE(header, 1, 2); // frame
    PutBE(header, 0, 2); // storage type
    PutBE(header, static_cast<std::uint16_t>(layout.colorChannels), 2);
    PutBE(header, static_cast<std::uint16_t>(layout.mattes), 2);
    PutBE(header, 0, 2); // auxiliary channels
    PutBE(header, 0xFFFE, 2);
    header += layout.gamma.substr(0, 16);
    header.resize(580, '\0');
    header += layout.kind.substr(0, 32);
    header.resize(658, '\0');
    PutBE(header, static_cast<std::uint16_t>(layout.bits), 2);
    PutBE(header, 0, 2);
    PutBE(header, static_cast<std::uint16_t>(layout.mattes > 0 ? layout.bits : 0), 2);
    header.resize(740, '\0');

    std::string rows;
    std::string offsets;
    const std::size_t dataStart = header.size() + 4 * static_cast<std::size_t>(image.height);
    for (int stored = 0; stored < image.height; ++stored) {
        const int y = layout.bottomFirst ? image.height - 1 - stored : stored;
        PutBE(offsets, dataStart + rows.size(), 4);
        for (int channel = 0; channel < layout.colorChannels + layout.mattes; ++channel) {
            Bytes samples;
            for (int x = 0; x < image.width; ++x) {
                const Rgb& pixel = image.At(x, y);
                const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
                const std::uint8_t colors[] = {pixel.r, pixel.g, pixel.b};
                samples.push_back(channel < 3 ? colors[channel] : at < alpha.size() ? alpha[at] : 0);
            }
            rows += RlaChannel(samples);
        }
    }
    return header + offsets + rows;
}

// ---- Paint Shop Pro ----

struct PspChannel {
    std::uint16_t type = 0;   // 0 composite, 1 red, 2 green, 3 blue
    Bytes plane;              // unpacked
    std::uint16_t bitmap = 0; // 0 the image, 1 its transparency mask
};

struct PspLayer {
    std::uint8_t type = 0; // 0 raster
    std::vector<PspChannel> channels;
    // Where its stored part lies; a width of 0 stands for the whole picture.
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    std::uint8_t opacity = 255;
    bool visible = true;
    std::uint16_t masks = 0; // bitmaps besides the image
};

struct PspLayout {
    std::uint16_t version = 5;
    std::uint16_t compression = 0; // 0 none, 1 run-length, 2 LZ77, 3 JPEG
    std::uint16_t depth = 24;
    bool grey = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    double resolution = 72.0;
    std::uint8_t metric = 1; // 1 per inch, 2 per centimetre
    std::vector<Rgb> palette;
    long paletteCount = -1; // the count the block gives; the colours' count when negative
    std::vector<PspLayer> layers;
};

inline std::string PspPacked(const Bytes& plane, std::uint16_t compression)
{
    if (compression == 1)
        return RunPacked(
            plane, 127,
            [](std::string& out, std::size_t n, std::uint8_t v) {
                out += {char(128 + n), char(v)};
            },
            [](std::string& out, const std::uint8_t* p, std::size_t n) {
                out.push_back(static_cast<char>(n));
                out.append(reinterpret_cast<const char*>(p), n);
            });
    if (compression == 2) {
        uLongf size = compressBound(static_cast<uLong>(plane.size()));
        std::string out(size, '\0');
        compress(reinterpret_cast<Bytef*>(out.data()), &size, plane.data(), static_cast<uLong>(plane.size()));
        out.resize(size);
        return out;
    }
    return std::string(plane.begin(), plane.end());
}

// A block: its header in the version's form, then the data.
inline std::string PspBlock(std::uint16_t version, std::uint16_t id, const std::string& data)
{
    std::string block = "~BK";
    block.push_back('\0');
    PutLE(block, id, 2);
    if (version == 3)
        PutLE(block, data.size(), 4); // initial data length
    PutLE(block, data.size(), 4);
    return block + data;
}

// From version 4 on the data of a block begins with its chunk's length, counting the length itself.
inline std::string PspChunk(std::uint16_t version, const std::string& data)
{
    if (version == 3)
        return data;
    std::string chunk;
    PutLE(chunk, data.size() + 4, 4);
    return chunk + data;
}

inline std::string PspFile(const PspLayout& layout)
{
    const std::uint16_t v = layout.version;
    std::string file = "Paint Shop Pro Image File\n\x1a";
    file.resize(32, '\0');
    PutLE(file, v, 2);
    PutLE(file, 0, 2);

    std::string attributes;
    PutLE(attributes, layout.width, 4);
    PutLE(attributes, layout.height, 4);
    PutLE(attributes, std::bit_cast<std::uint64_t>(layout.resolution), 8);
    attributes.push_back(static_cast<char>(layout.metric));
    PutLE(attributes, layout.compression, 2);
    PutLE(attributes, layout.depth, 2);
    PutLE(attributes, 1, 2);
    PutLE(attributes, layout.palette.size(), 4);
    attributes.push_back(layout.grey ? '\1' : '\0');
    PutLE(attributes, 0, 4);
    PutLE(attributes, 0, 4);
    PutLE(attributes, layout.layers.size(), 2);
    file += PspBlock(v, 0, PspChunk(v, attributes));

    if (!layout.palette.empty()) {
        std::string palette;
        PutLE(palette, layout.paletteCount < 0 ? layout.palette.size() : layout.paletteCount, 4);
        for (const Rgb& color : layout.palette)
            palette += {char(color.b), char(color.g), char(color.r), '\0'};
        file += PspBlock(v, 2, PspChunk(v, palette));
    }

    std::string bank;
    for (const PspLayer& layer : layout.layers) {
        std::string info(1, static_cast<char>(layer.type));
        const std::int64_t right = layer.width ? layer.left + layer.width : layout.width;
        const std::int64_t bottom = layer.width ? layer.top + layer.height : layout.height;
        for (const std::int64_t edge : {std::int64_t{layer.left}, std::int64_t{layer.top}, right, bottom})
            PutLE(info, static_cast<std::uint32_t>(edge), 4);
        for (const std::int64_t edge : {std::int64_t{0}, std::int64_t{0}, right - layer.left, bottom - layer.top})
            PutLE(info, static_cast<std::uint32_t>(edge), 4);
        info += {char(layer.opacity), '\0', char(layer.visible)};
        info.resize(115, '\0');
        std::string counts;
        PutLE(counts, 1 + layer.masks, 2);
        PutLE(counts, layer.channels.size(), 2);
        std::string data;
        if (v == 3) {
            data = std::string(256, '\0') + info + counts;
        } else {
            std::string named;
            PutLE(named, 5, 2);
            named += "Layer" + info;
            data = PspChunk(v, named) + PspChunk(v, counts);
        }
        for (const PspChannel& channel : layer.channels) {
            const std::string packed = PspPacked(channel.plane, layout.compression);
            std::string sizes;
            PutLE(sizes, packed.size(), 4);
            PutLE(sizes, channel.plane.size(), 4);
            PutLE(sizes, channel.bitmap, 2);
            PutLE(sizes, channel.type, 2);
            data += PspBlock(v, 5, PspChunk(v, sizes) + packed);
        }
        bank += PspBlock(v, 4, data);
    }
    return file + PspBlock(v, 3, bank);
}

} // namespace fixtures
