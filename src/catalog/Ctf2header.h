#pragma once

#include <array>
#include <cstdint>
#include <string>

// The 976-byte header of a binary catalog file (".vdx"). Constructed, it holds the values of a
// header that is initialised but not yet filled.
struct Ctf2Header {
    static constexpr std::size_t Size = 976;
    static constexpr std::uint32_t Magic = 150105;
    static constexpr std::uint32_t CurrentVersion = 1;
    // The roles stored in the header: all but the reserved role 13.
    static constexpr int StoredRoleCount = 17;

    std::uint32_t magic = Magic;
    std::uint32_t version = CurrentVersion;
    std::uint32_t fieldCount = 0;
    std::uint32_t recordCount = 0; // the title record included
    std::string platform = "Windows";
    std::uint32_t units = 0; // 0 centimetres, 1 inches
    std::string photoCollection;
    std::string photoCollectionMacPath;
    std::array<std::int32_t, StoredRoleCount> roleColumns; // -1 = absent
    std::uint32_t indexOffset = Size;

    Ctf2Header() { roleColumns.fill(-1); }

    std::array<std::uint8_t, Size> Encode() const;
    static Ctf2Header Decode(const std::uint8_t* bytes);
};
