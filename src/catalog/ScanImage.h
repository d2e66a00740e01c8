#pragma once

#include "platform/services/ScannerBackend.h"

#include <cstdint>
#include <memory>
#include <vector>

class TBitmap;

// The picture of one acquisition, gathered from the frames a scanner delivers: grey at 1, 8 or 16
// bits, colour at 8 or 16, or one colour per pass. Kept as 8-bit B,G,R rows; of 16-bit samples (host
// order) the high byte is kept, and a set bit of a 1-bit frame is black. A device's parameters are
// not trusted: anything out of bounds is refused rather than allocated.
class ScanImage {
public:
    static constexpr int MaxSide = 65535;
    static constexpr std::int64_t MaxBytes = 512LL * 1024 * 1024;

    // False when the frame's parameters do not fit the bounds or the frames before.
    bool BeginFrame(const ScanParameters& parameters);
    // False when the data run past the frame's height or the bounds.
    bool Append(const std::uint8_t* data, int length);
    // The frame's rows end here; false when a known height was not reached.
    bool EndFrame();

    bool LastFrameDone() const { return lastFrameDone_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Turned clockwise by `quarterTurns` (0 to 3) quarters.
    std::unique_ptr<TBitmap> Bitmap(int quarterTurns = 0) const;

private:
    void ConvertRow();
    int SampleAt(int x, int channel) const;

    ScanParameters frame_;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> row_;
    int rowFill_ = 0;
    int rowsInFrame_ = 0;
    int rowLimit_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool lastFrameDone_ = false;
};

// The picture as a packed device-independent bitmap: a 40-byte header and 24-bit rows bottom-up, each
// padded to 4 bytes.
std::vector<std::uint8_t> PackedDib(const TBitmap& bitmap);
