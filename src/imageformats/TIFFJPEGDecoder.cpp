#include "imageformats/TIFFJPEGDecoder.h"

#include "imageformats/ImageGraphic.h"
#include "platform/graphics/JPEGErrors.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view SBogusTables = "Bogus JPEG tables field.";
constexpr std::string_view SImproperSize = "Improper JPEG strip/tile size.";
constexpr std::string_view SImproperComponents = "Improper JPEG component count.";
constexpr std::string_view SImproperPrecision = "Improper JPEG data precision.";
constexpr std::string_view SImproperSampling = "Improper JPEG sampling factors.";
constexpr std::string_view SFractionalScanline = "Fractional JPEG scanline unsupported.";
constexpr char SUnexpectedEnd[] = "JPEG decompression error. Unexpected end of input.";

constexpr std::uint32_t SeparatePlanes = 2;

// The warnings of the library's callbacks wait here until the call into the library returns, since
// no C++ exception may pass through the library's frames. Only out of memory could lose one.
using TWarnings = std::vector<std::string>;

void Remember(void* warnings, const char* message) noexcept
{
    try {
        static_cast<TWarnings*>(warnings)->emplace_back(message);
    } catch (...) {
    }
}

void OutputMessage(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    Remember(info->client_data, message);
}

// The JPEG tables or a strip, in memory. Data that end early are completed with an end-of-image
// marker, after one warning.
struct TSource {
    jpeg_source_mgr pub;
    const JOCTET* data = nullptr;
    std::size_t size = 0;
    bool warned = false;
};

const JOCTET EndOfImage[] = {0xFF, JPEG_EOI};

TSource& SourceOf(j_decompress_ptr info) { return *reinterpret_cast<TSource*>(info->src); }

void InitSource(j_decompress_ptr info)
{
    TSource& source = SourceOf(info);
    source.pub.next_input_byte = source.data;
    source.pub.bytes_in_buffer = source.size;
    source.warned = false;
}

boolean FillInputBuffer(j_decompress_ptr info)
{
    TSource& source = SourceOf(info);
    if (!source.warned)
        Remember(info->client_data, SUnexpectedEnd);
    source.warned = true;
    source.pub.next_input_byte = EndOfImage;
    source.pub.bytes_in_buffer = sizeof EndOfImage;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    TSource& source = SourceOf(info);
    if (count <= 0)
        return;
    if (static_cast<unsigned long>(count) > source.pub.bytes_in_buffer) {
        FillInputBuffer(info);
        return;
    }
    source.pub.next_input_byte += count;
    source.pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void SetUp(TSource& source)
{
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInputBuffer;
    source.pub.skip_input_data = SkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
}

void Point(TSource& source, const std::uint8_t* data, std::size_t size)
{
    source.data = data;
    source.size = size;
}

std::uint32_t HowMany(std::uint32_t value, std::uint32_t divisor) { return (value + divisor - 1) / divisor; }

J_COLOR_SPACE JPEGColorSpace(TColorScheme scheme)
{
    switch (scheme) {
    case csYCbCr:
        return JCS_YCbCr;
    case csRGB:
    case csRGBA:
        return JCS_RGB;
    case csGray:
        return JCS_GRAYSCALE;
    default:
        return JCS_UNKNOWN;
    }
}

} // namespace

struct TTIFFJPEGDecoder::TLibrary {
    jpeg_decompress_struct info{};
    TJPEGErrorManager error{};
    TJPEGScanCheck scans;
    TSource tables{};
    TSource strip{};
    TWarnings warnings;
    bool created = false;
};

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties, TWarningEvent onWarning)
    : properties_(properties), onWarning_(std::move(onWarning)), library_(std::make_unique<TLibrary>())
{
}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() { Destroy(); }

template <typename Call> void TTIFFJPEGDecoder::CallLibrary(Call&& call)
{
    const bool done = JPEGGuarded(library_->error, call);
    TWarnings warnings;
    warnings.swap(library_->warnings);
    for (const std::string& warning : warnings)
        if (onWarning_)
            onWarning_(warning);
    if (!done)
        RaiseJPEGError(library_->error.code);
}

void TTIFFJPEGDecoder::Destroy()
{
    if (library_->created)
        jpeg_destroy_decompress(&library_->info);
    library_->created = false;
}

void TTIFFJPEGDecoder::DecodeInit()
{
    Destroy();
    TLibrary& library = *library_;
    library.info.err = InstallJPEGErrorManager(library.error);
    library.error.pub.output_message = OutputMessage;
    library.info.client_data = &library.warnings;
    CallLibrary([&] {
        jpeg_create_decompress(&library.info);
        library.created = true;
        LimitJPEGMemory(library.info);
    });
    SetUp(library.tables);
    SetUp(library.strip);

    const TByteArray& subsampling = properties_.YCbCrSubSampling;
    horizontalSubsampling_ = subsampling.empty() ? 1 : std::max<std::uint16_t>(subsampling[0], 1);
    verticalSubsampling_ = subsampling.size() < 2 ? 1 : std::max<std::uint16_t>(subsampling[1], 1);

    if (!properties_.JPEGTables.empty()) {
        Point(library.tables, properties_.JPEGTables.data(), properties_.JPEGTables.size());
        library.info.src = &library.tables.pub;
        int answer = 0;
        CallLibrary([&] { answer = jpeg_read_header(&library.info, FALSE); });
        if (answer != JPEG_HEADER_TABLES_ONLY)
            CompressionError(SBogusTables);
    }
    library.info.src = &library.strip.pub;
}

void TTIFFJPEGDecoder::DecodeEnd() { Destroy(); }

void TTIFFJPEGDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                              std::int32_t unpackedSize)
{
    BeginStrip(source, packedSize);
    DecodeRows(target, unpackedSize);
}

void TTIFFJPEGDecoder::BeginStrip(const std::uint8_t* source, std::int32_t packedSize)
{
    // Without DecodeInit there is no library object to work with yet.
    if (!library_->created)
        DecodeInit();
    TLibrary& library = *library_;
    jpeg_decompress_struct& info = library.info;
    Point(library.strip, source, static_cast<std::size_t>(std::max(packedSize, 0)));
    CallLibrary([&] {
        jpeg_abort_decompress(&info);
        jpeg_read_header(&info, TRUE);
    });
    CheckJPEGScans(info, library.scans);
    CheckStrip();
    SetColorSpaces();
    CallLibrary([&] { jpeg_start_decompress(&info); });
    decodedRows_ = 0;
}

void TTIFFJPEGDecoder::DecodeRows(std::uint8_t* target, std::int32_t unpackedSize)
{
    jpeg_decompress_struct& info = library_->info;
    const std::size_t rowBytes = properties_.BytesPerLine;
    const auto size = static_cast<std::size_t>(std::max(unpackedSize, 0));
    if (size % rowBytes != 0)
        CompressionError(SFractionalScanline);
    // The buffer may hold fewer rows than the strip; those past it are not decoded.
    const std::size_t rows = std::min<std::size_t>(info.output_height - decodedRows_, size / rowBytes);
    std::size_t decoded = 0;
    CallLibrary([&] {
        while (decoded < rows) {
            JSAMPROW row = target + decoded * rowBytes;
            if (jpeg_read_scanlines(&info, &row, 1) != 1)
                break;
            ++decoded;
            if (++decodedRows_ == info.output_height)
                jpeg_finish_decompress(&info);
        }
    });
    std::fill(target + decoded * rowBytes, target + size, std::uint8_t{0});
}

void TTIFFJPEGDecoder::CheckStrip() const
{
    const jpeg_decompress_struct& info = library_->info;
    const bool separate = properties_.PlanarConfig == SeparatePlanes;

    std::uint32_t width = properties_.Width;
    std::uint32_t height =
        properties_.Height > properties_.CurrentRow ? properties_.Height - properties_.CurrentRow : 0;
    if (!properties_.RowsPerStrip.empty())
        height = std::min(height, properties_.RowsPerStrip[0]);
    if (separate && properties_.CurrentStrip == properties_.StripCount) {
        width = HowMany(width, horizontalSubsampling_);
        height = HowMany(height, verticalSubsampling_);
    }
    if (info.image_width != width || info.image_height != height)
        CompressionError(SImproperSize);

    const int components = separate ? 1 : properties_.SamplesPerPixel;
    if (info.num_components != components || (components != 1 && components != 3))
        CompressionError(SImproperComponents);
    if (info.data_precision != properties_.BitsPerSample)
        CompressionError(SImproperPrecision);

    const int firstHorizontal = separate ? 1 : horizontalSubsampling_;
    const int firstVertical = separate ? 1 : verticalSubsampling_;
    bool samplingFits =
        info.comp_info[0].h_samp_factor == firstHorizontal && info.comp_info[0].v_samp_factor == firstVertical;
    for (int i = 1; i < info.num_components; ++i)
        samplingFits = samplingFits && info.comp_info[i].h_samp_factor == 1 && info.comp_info[i].v_samp_factor == 1;
    if (!samplingFits)
        CompressionError(SImproperSampling);

    // Rows are written BytesPerLine apart, so a decoded row must fit in that.
    if (std::uint64_t{info.image_width} * static_cast<std::uint64_t>(components) > properties_.BytesPerLine)
        CompressionError(SImproperSize);
}

void TTIFFJPEGDecoder::SetColorSpaces()
{
    jpeg_decompress_struct& info = library_->info;
    info.jpeg_color_space = JPEGColorSpace(properties_.ColorScheme);
    // The TIFF reader takes colour rows as blue, green, red.
    info.out_color_space = info.num_components == 3 ? JCS_EXT_BGR : JCS_GRAYSCALE;
}
