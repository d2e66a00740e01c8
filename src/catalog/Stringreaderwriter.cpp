#include "catalog/Stringreaderwriter.h"

#include "catalog/BinaryFields.h"
#include "platform/core/Streams.h"
#include "platform/core/TextUtils.h"

#include <limits>

std::uint32_t StringReaderWriter::PaddedLength(std::size_t length)
{
    return static_cast<std::uint32_t>((length + 3) & ~std::size_t{3});
}

void StringReaderWriter::WriteString(std::string_view text)
{
    static constexpr std::uint8_t Padding[3] = {};
    const std::uint32_t padded = PaddedLength(text.size());
    std::uint8_t lengths[8];
    PutU32(lengths, static_cast<std::uint32_t>(text.size()));
    PutU32(lengths + 4, padded);
    stream_.WriteBuffer(lengths, sizeof lengths);
    stream_.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    stream_.WriteBuffer(Padding, padded - static_cast<std::int64_t>(text.size()));
}

std::optional<std::string> StringReaderWriter::ReadString()
{
    std::uint8_t lengths[8];
    if (stream_.Read(lengths, sizeof lengths) != sizeof lengths)
        return std::nullopt;
    const std::uint32_t length = GetU32(lengths);
    const std::uint32_t padded = GetU32(lengths + 4);
    if (padded % 4 != 0 || length > padded || padded > stream_.Size() - stream_.Position())
        return std::nullopt;
    std::string data(padded, '\0');
    if (stream_.Read(data.data(), padded) != padded)
        return std::nullopt;
    data.resize(length);
    return Trim(data);
}
