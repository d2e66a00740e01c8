#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The big-endian fields and the table directory of TrueType files, for the font engine and for the
// writers that copy or take apart font files. The field readers do not check bounds: callers check
// the offsets against the file first.
std::uint32_t BigEndian32(std::string_view bytes, std::size_t at);
unsigned BigEndian16(std::string_view bytes, std::size_t at);
int SignedBigEndian16(std::string_view bytes, std::size_t at);
void PutBigEndian32(std::string& bytes, std::size_t at, std::uint32_t value);
void PutBigEndian16(std::string& bytes, std::size_t at, unsigned value);
// The sum of the big-endian 32-bit words from `from` to `to`, a multiple of four bytes on.
std::uint32_t TableChecksum(std::string_view bytes, std::size_t from, std::size_t to);

constexpr std::uint32_t TableTag(const char (&name)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(name[3]));
}

struct TTrueTypeTable {
    std::uint32_t Tag = 0;
    std::uint32_t Checksum = 0;
    std::size_t Offset = 0;
    std::size_t Length = 0;
};

// The table directory of the font whose offset table begins at `start` (0 for a font file, a
// member's offset in a collection); nothing when the directory or one of its tables lies outside
// the file.
std::optional<std::vector<TTrueTypeTable>> ReadTableDirectory(std::string_view file, std::size_t start);
const TTrueTypeTable* FindTable(const std::vector<TTrueTypeTable>& tables, std::uint32_t tag);
// The offset table of a font of `tableCount` tables: version, count and the binary-search fields.
std::string OffsetTable(std::uint32_t version, unsigned tableCount);
