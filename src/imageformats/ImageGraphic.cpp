#include "imageformats/ImageGraphic.h"

#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"

namespace {

std::uint16_t ReversedWord(std::uint16_t value) { return static_cast<std::uint16_t>((value >> 8) | (value << 8)); }

std::uint32_t ReversedLong(std::uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

// Each "%s" of the format takes the next argument; one without an argument stays as it is.
std::string FormatImageMessage(std::string_view format, std::initializer_list<std::string_view> args)
{
    std::string text;
    const std::string_view* next = args.begin();
    std::size_t from = 0;
    for (std::size_t at = format.find("%s"); at != std::string_view::npos && next != args.end();
         at = format.find("%s", from)) {
        text.append(format.substr(from, at - from));
        text.append(*next++);
        from = at + 2;
    }
    text.append(format.substr(from));
    return text;
}

} // namespace

bool TImageGraphic::CanLoad(std::string_view fileName) const
{
    TFileStream stream(fileName, fmOpenRead);
    return CanLoad(stream);
}

bool TImageGraphic::CanLoad(TStream&) const { return false; }

bool TImageGraphic::ReadImageProperties(TStream&, unsigned)
{
    FImageProperties = TImageProperties{};
    return false;
}

void TImageGraphic::Assign(const TGraphic& source)
{
    if (const auto* reader = dynamic_cast<const TImageGraphic*>(&source))
        FImageProperties = reader->FImageProperties;
    TBitmap::Assign(source);
}

void TImageGraphic::RaiseImageError(std::string_view message) { throw EInvalidGraphic(std::string(message)); }

void TImageGraphic::RaiseImageErrorFmt(std::string_view format, std::initializer_list<std::string_view> args)
{
    RaiseImageError(FormatImageMessage(format, args));
}

void TImageGraphic::CheckImageSize(std::string_view formatName) const
{
    // Bitmaps have no 2-bit rows: such pictures are kept at 4 bits.
    const unsigned bits = FImageProperties.BitsPerPixel;
    if (!IsSoundImageSize(FImageProperties.Width, FImageProperties.Height, bits == 2 ? 4 : bits))
        RaiseImageErrorFmt(SInvalidImage, {formatName});
}

void TImageGraphic::CheckDataFills(std::int64_t fileBytes, std::uint64_t expansion, std::string_view formatName) const
{
    const TImageProperties& properties = FImageProperties;
    const std::uint64_t bytesPerRow = (std::uint64_t{properties.Width} * properties.BitsPerPixel + 7) / 8;
    CheckDataFills(fileBytes, bytesPerRow * properties.Height, expansion, formatName);
}

void TImageGraphic::CheckDataFills(std::int64_t fileBytes, std::uint64_t decodedBytes, std::uint64_t expansion,
                                   std::string_view formatName)
{
    if (!DataCanFill(fileBytes, decodedBytes, expansion))
        RaiseImageErrorFmt(SInvalidImage, {formatName});
}

void TImageGraphic::ReadExactly(TStream& stream, void* buffer, std::int64_t count, std::string_view formatName)
{
    if (count < 0 || count > stream.Size() - stream.Position() || stream.Read(buffer, count) != count)
        RaiseImageErrorFmt(SStreamReadError, {formatName});
}

void TImageGraphic::Warning(const std::string& message)
{
    if (OnWarning)
        OnWarning(*this, message);
}

void TImageGraphic::BeginProgress(int width, std::string_view message)
{
    FProgressRect = Rect(0, 0, width, 1);
    Progress(psStarting, 0, false, FProgressRect, std::string(message));
}

void TImageGraphic::NextProgressStage(std::string_view message, std::uint8_t endPercent, bool redraw)
{
    EndProgress(endPercent, redraw);
    Progress(psStarting, 0, false, FProgressRect, std::string(message));
}

void TImageGraphic::RowDone(int row, int height)
{
    Progress(psRunning, static_cast<std::uint8_t>(MulDiv(row, 100, height)), true, FProgressRect, "");
    ++FProgressRect.Top;
    ++FProgressRect.Bottom;
}

void TImageGraphic::EndProgress(std::uint8_t percent, bool redraw)
{
    Progress(psEnding, percent, redraw, FProgressRect, "");
}

void TImageGraphic::ReportProgress(TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& rect,
                                   std::string_view message) const
{
    // The event hands its sender out as changeable; saving reports through it without changing it.
    if (OnProgress)
        OnProgress(const_cast<TImageGraphic&>(*this), stage, percent, redraw, rect, std::string(message));
}

void SwapWords(std::uint16_t* values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        values[i] = ReversedWord(values[i]);
}

void SwapLongs(std::uint32_t* values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        values[i] = ReversedLong(values[i]);
}

std::uint32_t SwapLong(std::uint32_t value) { return ReversedLong(value); }
