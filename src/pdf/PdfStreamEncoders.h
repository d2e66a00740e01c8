#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The text encodings and the run-length compression of PDF stream data.

// Groups of four bytes as five characters from "!", "z" for a zero group that is not the last, a
// line feed whenever a line reaches 80 characters, and "~>" with a line feed at the end.
std::vector<std::uint8_t> PdfASCII85Encode(const std::uint8_t* data, std::size_t count);
// The reverse, up to "~>" or the end; blanks and line breaks are skipped. A character outside the
// alphabet, a misplaced "z" or a group beyond 32 bits raises "Invalid ASCII85 data".
std::vector<std::uint8_t> PdfASCII85Decode(const std::uint8_t* data, std::size_t count);
// Two lower-case hexadecimal digits a byte, a line feed after every 40 bytes, and ">" with a line
// feed at the end.
std::vector<std::uint8_t> PdfASCIIHexEncode(const std::uint8_t* data, std::size_t count);
// Literal runs and repeat runs of up to 128 bytes, ended by 128.
std::vector<std::uint8_t> PdfRunLengthEncode(const std::uint8_t* data, std::size_t count);
