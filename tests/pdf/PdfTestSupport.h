#pragma once

#include "pdf/PdfFileWriter.h"

#include "TestSupport.h"

#include <cstdint>
#include <string>

// The writer's memory output as text.
inline std::string OutputOf(const TPdfFileWriter& writer)
{
    std::string bytes(static_cast<std::size_t>(writer.GetSize()), '\0');
    writer.GetBuf(static_cast<std::int64_t>(bytes.size()), bytes.data());
    return bytes;
}

// Turns 'a' into ')' and 0x14 into '\': a cipher that produces the string syntax's own bytes.
class TXorEncryption : public TPdfObjectEncryption {
public:
    void Encrypt(int, std::uint8_t* data, std::size_t count) override
    {
        for (std::size_t i = 0; i < count; ++i)
            data[i] ^= 0x48;
    }
};
