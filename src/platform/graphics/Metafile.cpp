#include "platform/graphics/Metafile.h"

#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/graphics/EmfRecords.h"

#include <algorithm>
#include <climits>

namespace {

// A header may hold any sizes: zero (where MulDiv answers -1) and ones beyond 32 bits count as none.
int ToPixels(int hundredthsOfMillimetre, int pixels, int millimetres)
{
    return millimetres > 0 && millimetres <= INT_MAX / 100 ? MulDiv(hundredthsOfMillimetre, pixels, millimetres * 100)
                                                           : 0;
}

int Extent(int from, int to)
{
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{to} - from, INT_MIN, INT_MAX));
}

} // namespace

void TMetafile::LoadFromStream(TStream& stream)
{
    const std::int64_t size = stream.Size() - stream.Position();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    SetData(bytes);
}

void TMetafile::SaveToStream(TStream& stream) const
{
    stream.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
}

void TMetafile::SetData(std::span<const std::uint8_t> data)
{
    const TEmfHeader header = ReadEmfFileHeader(data);
    data_.assign(data.begin(), data.begin() + header.Bytes);
    mmWidth_ = Extent(header.Frame.Left, header.Frame.Right);
    mmHeight_ = Extent(header.Frame.Top, header.Frame.Bottom);
    devicePixels_ = header.Device;
    deviceMillimeters_ = header.Millimeters;
}

int TMetafile::Width() const { return ToPixels(mmWidth_, devicePixels_.cx, deviceMillimeters_.cx); }

int TMetafile::Height() const { return ToPixels(mmHeight_, devicePixels_.cy, deviceMillimeters_.cy); }
