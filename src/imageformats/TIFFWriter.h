#pragma once

#include <cstdint>
#include <string>

class TBitmap;

// Writes a bitmap as an uncompressed baseline RGB TIFF file: 8 bits per sample, the whole picture in
// one strip, 75 pixels per inch. Used by the picture export and the picture editor's save.
class TIFFWriter {
public:
    enum class ByteOrder { Intel, Motorola };

    // "II" files unless Motorola ("MM") is asked for; the layout is the same in both.
    ByteOrder byteOrder = ByteOrder::Intel;

    // Writes the file through a temporary beside it, so a failed write leaves the old file. Every
    // failure is reported by its message box; true only when the file was written.
    bool WriteBitmap(const std::string& fileName, const TBitmap& bitmap);

    // The length of the file for a picture of this size, counted in 64 bits: a file beyond the
    // 32-bit offsets of TIFF cannot be written.
    static std::uint64_t FileSize(std::uint64_t width, std::uint64_t height);
    // The bytes before the pixel strip: header, directory and the BitsPerSample values.
    std::string Head(int width, int height) const;
    // The two resolutions that follow the strip (after one zero byte when its length is odd).
    std::string Tail(int width, int height) const;
};
