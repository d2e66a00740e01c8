#include "platform/graphics/TrueTypeFile.h"

#include <algorithm>

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at)
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

unsigned BigEndian16(std::string_view bytes, std::size_t at)
{
    return (static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) << 8) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1]));
}

int SignedBigEndian16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::int16_t>(BigEndian16(bytes, at));
}

void PutBigEndian32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

void PutBigEndian16(std::string& bytes, std::size_t at, unsigned value)
{
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

std::uint32_t TableChecksum(std::string_view bytes, std::size_t from, std::size_t to)
{
    std::uint32_t sum = 0;
    for (std::size_t at = from; at < to; at += 4)
        sum += BigEndian32(bytes, at);
    return sum;
}

std::optional<std::vector<TTrueTypeTable>> ReadTableDirectory(std::string_view file, std::size_t start)
{
    if (start > file.size() || file.size() - start < 12)
        return std::nullopt;
    const unsigned tableCount = BigEndian16(file, start + 4);
    if (file.size() - start - 12 < 16 * std::size_t{tableCount})
        return std::nullopt;
    std::vector<TTrueTypeTable> tables(tableCount);
    for (unsigned t = 0; t < tableCount; ++t) {
        const std::size_t entry = start + 12 + 16 * std::size_t{t};
        TTrueTypeTable& table = tables[t];
        table.Tag = BigEndian32(file, entry);
        table.Checksum = BigEndian32(file, entry + 4);
        table.Offset = BigEndian32(file, entry + 8);
        table.Length = BigEndian32(file, entry + 12);
        if (table.Offset > file.size() || table.Length > file.size() - table.Offset)
            return std::nullopt;
    }
    return tables;
}

const TTrueTypeTable* FindTable(const std::vector<TTrueTypeTable>& tables, std::uint32_t tag)
{
    const auto found = std::find_if(tables.begin(), tables.end(), [tag](const auto& t) { return t.Tag == tag; });
    return found == tables.end() ? nullptr : &*found;
}

std::string OffsetTable(std::uint32_t version, unsigned tableCount)
{
    unsigned selector = 0;
    while ((2u << selector) <= tableCount)
        ++selector;
    const unsigned searchRange = 16u << selector;
    std::string header(12, '\0');
    PutBigEndian32(header, 0, version);
    PutBigEndian16(header, 4, tableCount);
    PutBigEndian16(header, 6, searchRange);
    PutBigEndian16(header, 8, selector);
    PutBigEndian16(header, 10, 16 * tableCount - searchRange);
    return header;
}
