#pragma once

#include "platform/core/LargeBlocks.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/Palette.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class QImage;
class TCanvas;

// pfDevice is a bitmap not yet given a format; it is kept, and drawn, as 32 bits per pixel.
// pf15bit pixels are little-endian words 0RRRRRGGGGGBBBBB, pf16bit words RRRRRGGGGGGBBBBB, pf24bit
// bytes B,G,R and pf32bit bytes B,G,R,A. pfCustom names layouts no bitmap here is kept in.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

int BitsPerPixel(TPixelFormat format);
bool IsPaletteFormat(TPixelFormat format);
// Bytes of one row padded to a multiple of four, counted in 64 bits: a wide row may not fit an int.
std::int64_t BytesPerScanLine(std::int64_t width, int bitsPerPixel);

// The most decoded bytes one byte of a file can give: run-length packets (every scheme's longest
// run from two bytes, with room to spare) and Deflate. Stored data give one byte each, yet a file
// cut short still shows the rows it holds, down to a quarter of its picture.
inline constexpr std::uint64_t StoredExpansion = 4;
inline constexpr std::uint64_t RunLengthExpansion = 128;
inline constexpr std::uint64_t DeflateExpansion = 1032;

// The class library's bitmap over storage of its own: rows top-down, each padded to four bytes, in
// the layout of the pixel format; 1- and 4-bit rows pack the leftmost pixel into the high bits.
class TBitmap : public TGraphic {
public:
    // The largest pixel storage a bitmap takes; a bigger size raises EOutOfResources.
    static constexpr std::int64_t MaxStorageBytes = std::int64_t{1} << 30;
    // The largest side, the most pixels and the largest decoded image a picture file may give. The
    // pixel count is a gigabyte at four bytes a pixel, twice over, as other image libraries refuse
    // it: beyond it a small file can make a reader take gigabytes, whatever its depth.
    static constexpr std::uint64_t MaxImageSide = 65535;
    static constexpr std::uint64_t MaxImagePixels = 178'956'970;
    static constexpr std::uint64_t MaxDecodedBytes = std::uint64_t{512} << 20;

    // The one size rule of every picture reader: each side 1 to MaxImageSide, at most MaxImagePixels
    // and the packed rows at `bitsPerPixel` at most MaxDecodedBytes. A reader applies it to the
    // header's size, at the depth it keeps the rows in, before it sizes anything, and refuses a file
    // that breaks it as not of its format.
    static bool IsSoundImageSize(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel);
    // The rule beside it: whether `dataBytes` of a file, each giving at most `expansion` decoded
    // bytes, can fill `decodedBytes`. A file far shorter than its picture is damaged, and sizing the
    // picture first would let a few bytes take hundreds of megabytes.
    static bool DataCanFill(std::int64_t dataBytes, std::uint64_t decodedBytes, std::uint64_t expansion);

    TBitmap();
    ~TBitmap() override;
    std::string ClassName() const override { return "TBitmap"; }

    // BMP files: 1, 4, 8, 16, 24 and 32 bits, uncompressed, run-length or bit-field coded, rows
    // bottom-up or top-down. A file that is not a valid bitmap raises EInvalidGraphic and leaves
    // the bitmap as it was. Saving writes the bitmap's own format.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

    // From another bitmap (or a picture reader, which is one) a copy of size, format, palette,
    // pixels and transparency; from any other graphic what it gives through AssignTo.
    void Assign(const TGraphic& source) override;
    // What Assign copies, moved instead: the source is left an empty bitmap of its pixel format.
    void TakeOver(TBitmap& source);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    // A size change keeps format, palette and the pixels of the common area; new pixels are white.
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return pixelFormat_; }
    // Converts the pixels: each colour is kept where the new format can hold it; to a palette
    // format each pixel takes the nearest palette entry, except from 1 or 4 to 8 bits, which keeps
    // the indices and the palette. pfCustom raises EInvalidGraphic "Invalid pixel format".
    void SetPixelFormat(TPixelFormat format);

    // The colour table of a 1, 4 or 8-bit bitmap (black and white for 1 bit, the VGA colours for 4
    // and 8 until one is set); it may be set before the format or the size.
    const TPalette& Palette() const { return palette_; }
    void SetPalette(const TPalette& palette);

    // Row y; raises EInvalidGraphicOperation "Scan line index out of range" outside 0..Height-1.
    std::uint8_t* ScanLine(int y);
    const std::uint8_t* ScanLine(int y) const;
    int BytesPerScanLine() const { return stride_; }

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // The value a pixel is stored as: its palette index, its 15 or 16-bit word, or its bytes
    // B,G,R read as 0x00RRGGBB. The coordinates must lie inside the bitmap.
    std::uint32_t PixelValue(int x, int y) const;
    void SetPixelValue(int x, int y, std::uint32_t value);
    // The value SetPixel stores for a colour, and the colour a value shows.
    std::uint32_t ValueOfColor(TColor color) const;
    TColor ColorOfValue(std::uint32_t value) const;

    // The canvas that draws on this bitmap, made on first use.
    TCanvas& Canvas();

    // The fixed transparent colour, or without one the colour of the bottom-left pixel (white for a
    // 1-bit bitmap); with the flag 0x02000000 the class library adds. clDefault returns to the
    // automatic colour.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { transparentColor_ = color; }

    // New storage of the size with every pixel in the colour, written once.
    void SetSizeFilled(int width, int height, TColor color);
    // A decoder's target: new storage of the size whose pixels stay unset (only the row padding is
    // cleared), for a decoder that writes every row in full before the bitmap is read; all other
    // ways to size a bitmap fill it.
    void SetSizeForDecoder(int width, int height);
    // Pixels fromX <= x < toX of rows fromY <= y < toY set to the stored value, whole bytes and
    // rows at a time.
    void FillValue(int fromX, int toX, int fromY, int toY, std::uint32_t value);

    // A view of the pixels for QPainter: no copy for 1, 8, 15, 16, 24 and 32 bits (valid until the
    // size or format changes); a 4-bit bitmap gives an 8-bit copy.
    QImage ImageView();

private:
    friend class TJPEGImage;

    // Leaves the bytes it adds unset, for storage that is written in full before it is read; large
    // storage comes on huge pages.
    template <class T> struct UnsetAllocator : std::allocator<T> {
        template <class U> struct rebind {
            using other = UnsetAllocator<U>;
        };
        T* allocate(std::size_t count)
        {
            if (count * sizeof(T) < LargeBlockBytes)
                return std::allocator<T>::allocate(count);
            return static_cast<T*>(AllocateLargeBlock(count * sizeof(T)));
        }
        void deallocate(T* block, std::size_t count)
        {
            if (count * sizeof(T) < LargeBlockBytes)
                std::allocator<T>::deallocate(block, count);
            else
                FreeLargeBlock(block, count * sizeof(T));
        }
        template <class U, class... Args> void construct(U* place, Args&&... args)
        {
            if constexpr (sizeof...(Args) == 0)
                ::new (static_cast<void*>(place)) U;
            else
                ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
        }
    };
    using TPixelStorage = std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>>;

    void FillWhite(int fromX, int toX, int fromY, int toY);
    void FillIndexRows(int fromX, int toX, int fromY, int toY, int index);
    void FitPaletteToFormat();
    void CheckScanLine(int y) const;

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    TPalette palette_;
    TPixelStorage bits_;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TCanvas> canvas_;
};
