#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Writes the fuzzer's input to a file for the readers that take a path; a failed write ends the run,
// since every later input would be tested on stale bytes.
inline void WriteInputFile(const std::string& path, const std::uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}
