#include "platform/graphics/JPEGImage.h"

#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGCompressor.h"
#include "platform/graphics/JPEGErrors.h"

#include <algorithm>

#include <jerror.h>

namespace {

// The warnings that mean the picture is damaged: rows are missing, which the library would fill with
// grey (the data ran out in the middle of a scan, or the file ended), or a scan refines what no
// earlier scan began or what one already finished, as a file repeating scans does. Other warnings,
// such as stray bytes before a marker, leave the picture whole.
bool MeansDamage(int code)
{
    return code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF || code == JWRN_BOGUS_PROGRESSION;
}

// A damaged picture is an error, raised at the first sign rather than after the library has gone on
// with it.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0 && MeansDamage(info->err->msg_code))
        JPEGErrorExit(info);
}

struct Decompressor {
    jpeg_decompress_struct info{};
    TJPEGErrorManager error;
    TJPEGScanCheck scans;
    bool created = false;
    ~Decompressor()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

unsigned EighthsOf(unsigned side, unsigned eighths) { return (side * eighths + 7) / 8; }

// The least of the library's scales, in eighths, whose picture covers `least`.
unsigned EighthsToCover(unsigned width, unsigned height, TSize least)
{
    if (least.cx <= 0 || least.cy <= 0)
        return 8;
    unsigned eighths = 1;
    while (eighths < 8 && (EighthsOf(width, eighths) < static_cast<unsigned>(least.cx) ||
                           EighthsOf(height, eighths) < static_cast<unsigned>(least.cy)))
        ++eighths;
    return eighths;
}

// Reads the header and settles the output size and colours, before the library allocates anything
// for the picture's size.
void ReadHeader(Decompressor& d, const unsigned char* data, unsigned long size, TSize least)
{
    d.info.err = InstallJPEGErrorManager(d.error);
    d.error.pub.emit_message = EmitMessage;
    JPEGCall(d.error, [&] {
        jpeg_create_decompress(&d.info);
        d.created = true;
        LimitJPEGMemory(d.info);
        jpeg_mem_src(&d.info, data, size);
        jpeg_read_header(&d.info, TRUE);
        CheckJPEGScans(d.info, d.scans);
        if (d.info.jpeg_color_space == JCS_GRAYSCALE)
            d.info.out_color_space = JCS_GRAYSCALE;
        else if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK)
            d.info.out_color_space = JCS_CMYK;
        else
            d.info.out_color_space = JCS_EXT_BGR;
        // The scale is taken from the whole picture, whose sides the library keeps in 16 bits.
        d.info.scale_num = EighthsToCover(d.info.image_width, d.info.image_height, least);
        d.info.scale_denom = 8;
        jpeg_calc_output_dimensions(&d.info);
    });
}

// The most blocks one byte of a scan of DC coefficients can code: Huffman coding spends at least
// one bit on each block.
constexpr std::uint64_t HuffmanBlocksPerByte = 8;

// Whether the bytes after the first scan's header can hold that scan: a scan of the DC
// coefficients, as every sequential scan and the first of a well-formed progressive picture are.
// Other scans can spend less on a block and are checked while decoding. An arithmetic-coded scan
// has no such bound: its coder leaves out the zero bytes it would end with, so a flat picture of any
// size codes to a few bytes; the most pixels and the library's memory limit bound what it costs.
bool FirstScanFits(const jpeg_decompress_struct& info)
{
    if (info.Ss != 0 || info.arith_code)
        return true;
    std::uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan; ++i)
        blocks += std::uint64_t{info.cur_comp_info[i]->width_in_blocks} * info.cur_comp_info[i]->height_in_blocks;
    return TBitmap::DataCanFill(static_cast<std::int64_t>(info.src->bytes_in_buffer), blocks, HuffmanBlocksPerByte);
}

// The warning the library gives on reaching the end of a picture cut short: an end marker in the
// middle of a scan, or the end of the file.
int CutShortCode(const std::vector<std::uint8_t>& data)
{
    const bool endsWithMarker = data.size() >= 2 && data[data.size() - 2] == 0xFF && data.back() == JPEG_EOI;
    return endsWithMarker ? JWRN_HIT_MARKER : JWRN_JPEG_EOF;
}

// Adobe's CMYK pictures store inverted inks, so the stored values are the light that remains.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<std::uint8_t>((cmyk[2] * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((cmyk[1] * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((cmyk[0] * k + 127) / 255);
    }
}

constexpr unsigned RowsPerStep = 16;

} // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}

TJPEGImage::~TJPEGImage() = default;

std::unique_ptr<TBitmap> TJPEGImage::Decode(const std::vector<std::uint8_t>& data, TSize least, TSize* whole,
                                            const TRowsDecoded& rowsDecoded)
{
    Decompressor d;
    ReadHeader(d, data.data(), static_cast<unsigned long>(data.size()), least);
    const bool grey = d.info.out_color_space == JCS_GRAYSCALE;
    const bool cmyk = d.info.out_color_space == JCS_CMYK;
    const TPixelFormat format = grey ? pf8bit : pf24bit;
    // Judged before the library sets up its buffers, which for a progressive picture hold every
    // coefficient of it; the library's own message for a picture too large says why. A first scan
    // too short for the blocks it must hold is a picture cut short, refused before anything of its
    // size is allocated. The picture is sized once the library has started, which for a picture of
    // several scans means once it has read them all.
    if (!TBitmap::IsSoundImageSize(d.info.image_width, d.info.image_height, grey ? 8 : 24))
        RaiseJPEGError(JERR_IMAGE_TOO_BIG);
    if (!FirstScanFits(d.info))
        RaiseJPEGError(CutShortCode(data));
    JPEGCall(d.error, [&] { jpeg_start_decompress(&d.info); });
    const int width = static_cast<int>(d.info.output_width);
    const int height = static_cast<int>(d.info.output_height);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(format);
    if (grey)
        bitmap->SetPalette(TPalette::Grayscale());
    bitmap->SetSizeForDecoder(width, height);

    std::vector<std::uint8_t> cmykRows(cmyk ? static_cast<std::size_t>(width) * 4 * RowsPerStep : 0);
    if (rowsDecoded)
        rowsDecoded(*bitmap, 0);
    for (unsigned y = 0; y < static_cast<unsigned>(height); y += RowsPerStep) {
        const unsigned count = std::min(RowsPerStep, static_cast<unsigned>(height) - y);
        unsigned char* rows[RowsPerStep];
        for (unsigned i = 0; i < count; ++i)
            rows[i] = cmyk ? cmykRows.data() + static_cast<std::size_t>(i) * 4 * static_cast<std::size_t>(width)
                           : bitmap->ScanLine(static_cast<int>(y + i));
        JPEGCall(d.error, [&] {
            for (unsigned done = 0; done < count;)
                done += jpeg_read_scanlines(&d.info, rows + done, count - done);
        });
        for (unsigned i = 0; cmyk && i < count; ++i)
            CmykToBgr(rows[i], bitmap->ScanLine(static_cast<int>(y + i)), width);
        if (rowsDecoded)
            rowsDecoded(*bitmap, static_cast<int>(y + count));
    }
    JPEGCall(d.error, [&] { jpeg_finish_decompress(&d.info); });
    if (whole)
        *whole = {static_cast<int>(d.info.image_width), static_cast<int>(d.info.image_height)};
    return bitmap;
}

void TJPEGImage::LoadFromStream(TStream& stream)
{
    std::vector<std::uint8_t> data(
        static_cast<std::size_t>(std::max<std::int64_t>(stream.Size() - stream.Position(), 0)));
    stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));

    TRect rect;
    TSize whole;
    auto bitmap = Decode(data, least_, &whole, [&](const TBitmap& decoded, int rows) {
        rect = {0, 0, decoded.Width(), rows};
        if (rows == 0)
            Progress(psStarting, 0, false, rect, "");
        else
            Progress(psRunning, static_cast<std::uint8_t>(static_cast<std::int64_t>(rows) * 100 / decoded.Height()),
                     false, rect, "");
    });
    Progress(psEnding, 100, true, rect, "");
    data_ = std::move(data);
    SetPixels(std::move(bitmap));
    whole_ = whole;
}

void TJPEGImage::SetPixels(std::unique_ptr<TBitmap> bitmap)
{
    width_ = bitmap->Width();
    height_ = bitmap->Height();
    whole_ = {width_, height_};
    bitmap_ = std::move(bitmap);
}

const TBitmap& TJPEGImage::Bitmap() const
{
    if (!bitmap_)
        bitmap_ = Decode(data_, least_, nullptr, {});
    return *bitmap_;
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    if (!data_.empty()) {
        stream.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
        return;
    }
    if (Empty())
        return;
    TBitmap rgb;
    const TBitmap* source = &Bitmap();
    if (source->PixelFormat() != pf24bit) {
        rgb.Assign(*source);
        rgb.SetPixelFormat(pf24bit);
        source = &rgb;
    }
    CompressJPEGRows(source->ScanLine(0), source->BytesPerScanLine(), source->Width(), source->Height(),
                     {compressionQuality_, false, progressiveEncoding_}, stream);
}

void TJPEGImage::Assign(const TGraphic& source)
{
    if (&source == this)
        return;
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
        std::unique_ptr<TBitmap> bitmap;
        if (jpeg->bitmap_) {
            bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(*jpeg->bitmap_);
        }
        data_ = jpeg->data_;
        bitmap_ = std::move(bitmap); // without pixels they are decoded from the copied bytes when needed
        width_ = jpeg->width_;
        height_ = jpeg->height_;
        least_ = jpeg->least_;
        whole_ = jpeg->whole_;
        compressionQuality_ = jpeg->compressionQuality_;
        progressiveEncoding_ = jpeg->progressiveEncoding_;
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(*bitmap);
        data_.clear();
        SetPixels(std::move(copy));
        return;
    }
    AssignError(source);
}

void TJPEGImage::AssignTo(TBitmap& target) const
{
    if (data_.empty()) {
        target.Assign(*bitmap_);
        return;
    }
    std::unique_ptr<TBitmap> pixels = bitmap_ ? std::move(bitmap_) : Decode(data_, least_, nullptr, {});
    target.TakeOver(*pixels);
}

int TJPEGImage::Width() const { return width_; }
int TJPEGImage::Height() const { return height_; }
bool TJPEGImage::Empty() const { return width_ == 0 || height_ == 0; }

void TJPEGImage::SetCompressionQuality(int quality) { compressionQuality_ = std::clamp(quality, 1, 100); }
