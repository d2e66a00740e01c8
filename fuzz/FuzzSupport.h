#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

// A file in the temporary folder for the readers that take a path, named for the process so that
// parallel jobs keep apart. It is removed when it goes out of scope, after each input, so that no run
// leaves files behind (only a crash can, and libFuzzer keeps that input anyway).
class FuzzFile {
public:
    FuzzFile(std::string_view stem, std::string_view extension)
        : path_((std::filesystem::temp_directory_path() /
                 (std::string(stem) + "-" + std::to_string(getpid()) + std::string(extension)))
                    .string())
    {
    }
    // Holding the input's bytes.
    FuzzFile(std::string_view stem, std::string_view extension, const std::uint8_t* data, size_t size)
        : FuzzFile(stem, extension)
    {
        Write(data, size);
    }
    ~FuzzFile() { std::remove(path_.c_str()); }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    const std::string& Path() const { return path_; }

    // A failed write ends the run, since the reader would be tested on stale bytes.
    void Write(const std::uint8_t* data, size_t size) const
    {
        FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file || std::fwrite(data, 1, size, file) != size)
            std::abort();
        std::fclose(file);
    }

private:
    std::string path_;
};
