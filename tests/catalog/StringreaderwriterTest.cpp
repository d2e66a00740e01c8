#include "catalog/Stringreaderwriter.h"
#include "platform/core/Streams.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(TMemoryStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

} // namespace

TEST(StringReaderWriter, PadsToFourBytesWithZeros)
{
    TMemoryStream stream;
    StringReaderWriter strings(stream);
    strings.WriteString("");
    strings.WriteString("abcd");
    strings.WriteString("abcde");
    EXPECT_EQ(Bytes(stream), std::string("\0\0\0\0\0\0\0\0"
                                         "\4\0\0\0\4\0\0\0abcd"
                                         "\5\0\0\0\x08\0\0\0abcde\0\0\0",
                                         8 + 12 + 16));
    stream.SetPosition(0);
    EXPECT_EQ(strings.ReadString(), "");
    EXPECT_EQ(strings.ReadString(), "abcd");
    EXPECT_EQ(strings.ReadString(), "abcde");
    EXPECT_EQ(strings.ReadString(), std::nullopt); // the stream's end
    EXPECT_EQ(StringReaderWriter::StoredSize(300), 308u);
}
