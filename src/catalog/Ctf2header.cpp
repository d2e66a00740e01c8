#include "catalog/Ctf2header.h"

#include "catalog/BinaryFields.h"

namespace {

// Where each field lies in the header.
constexpr std::size_t MagicAt = 0;
constexpr std::size_t VersionAt = 4;
constexpr std::size_t FirstConstantAt = 8;
constexpr std::size_t SecondConstantAt = 12;
constexpr std::size_t FieldCountAt = 16;
constexpr std::size_t RecordCountAt = 20;
constexpr std::size_t PlatformAt = 24;
constexpr std::size_t PlatformSize = 56;
constexpr std::size_t UnitsAt = 80;
constexpr std::size_t PhotoCollectionAt = 84;
constexpr std::size_t PhotoCollectionMacPathAt = 340;
constexpr std::size_t PathSize = 256;
constexpr std::size_t RoleColumnsAt = 864;
constexpr std::size_t IndexOffsetAt = 932;
constexpr std::size_t TrailingConstantsAt = 936;

// Words no reader looks at; written as files have always held them.
constexpr std::uint32_t FirstConstant = 1;
constexpr std::uint32_t SecondConstant = 35;
constexpr std::uint32_t TrailingConstants[] = {0xFFFFFFFFu, 1,           0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                                               0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};

} // namespace

std::array<std::uint8_t, Ctf2Header::Size> Ctf2Header::Encode() const
{
    std::array<std::uint8_t, Size> bytes{};
    PutU32(&bytes[MagicAt], magic);
    PutU32(&bytes[VersionAt], version);
    PutU32(&bytes[FirstConstantAt], FirstConstant);
    PutU32(&bytes[SecondConstantAt], SecondConstant);
    PutU32(&bytes[FieldCountAt], fieldCount);
    PutU32(&bytes[RecordCountAt], recordCount);
    PutFixedText(&bytes[PlatformAt], PlatformSize, platform);
    PutU32(&bytes[UnitsAt], units);
    PutFixedText(&bytes[PhotoCollectionAt], PathSize, photoCollection);
    PutFixedText(&bytes[PhotoCollectionMacPathAt], PathSize, photoCollectionMacPath);
    for (int i = 0; i < StoredRoleCount; ++i)
        PutU32(&bytes[RoleColumnsAt + 4 * static_cast<std::size_t>(i)], static_cast<std::uint32_t>(roleColumns[i]));
    PutU32(&bytes[IndexOffsetAt], indexOffset);
    for (std::size_t i = 0; i < std::size(TrailingConstants); ++i)
        PutU32(&bytes[TrailingConstantsAt + 4 * i], TrailingConstants[i]);
    return bytes;
}

Ctf2Header Ctf2Header::Decode(const std::uint8_t* bytes)
{
    Ctf2Header header;
    header.magic = GetU32(bytes + MagicAt);
    header.version = GetU32(bytes + VersionAt);
    header.fieldCount = GetU32(bytes + FieldCountAt);
    header.recordCount = GetU32(bytes + RecordCountAt);
    header.platform = GetFixedText(bytes + PlatformAt, PlatformSize);
    header.units = GetU32(bytes + UnitsAt);
    header.photoCollection = GetFixedText(bytes + PhotoCollectionAt, PathSize);
    header.photoCollectionMacPath = GetFixedText(bytes + PhotoCollectionMacPathAt, PathSize);
    for (int i = 0; i < StoredRoleCount; ++i)
        header.roleColumns[i] =
            static_cast<std::int32_t>(GetU32(bytes + RoleColumnsAt + 4 * static_cast<std::size_t>(i)));
    header.indexOffset = GetU32(bytes + IndexOffsetAt);
    return header;
}
