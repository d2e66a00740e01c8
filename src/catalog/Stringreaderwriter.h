#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TStream;

// One field of a binary catalog record: its length L, its length P padded to a multiple of four,
// then the L text bytes and P - L zero bytes. Bound to a stream, at its position.
class StringReaderWriter {
public:
    explicit StringReaderWriter(TStream& stream) : stream_(stream) {}

    // L rounded up to a multiple of four.
    static std::uint32_t PaddedLength(std::size_t length);
    // The bytes one text takes, its eight length bytes included.
    static std::uint64_t StoredSize(std::size_t length) { return 8 + std::uint64_t{PaddedLength(length)}; }

    void WriteString(std::string_view text);
    // The text trimmed of bytes up to code 32 at both ends. Nothing when the lengths are not those a
    // writer makes (P not a multiple of four, L above P) or P reaches past the stream's end; the
    // stream's position is then undefined.
    std::optional<std::string> ReadString();

private:
    TStream& stream_;
};
