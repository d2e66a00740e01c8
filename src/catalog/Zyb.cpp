#include "catalog/Zyb.h"

#include "catalog/BinaryFields.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Streams.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t HeaderSize = 16;
constexpr std::size_t EntrySize = 76;
constexpr std::size_t NameSize = 56;
constexpr std::uint32_t TrueColourBytes = 3;
constexpr std::uint32_t CmykBytes = 4;
constexpr std::uint32_t MaxSide = 32767;
constexpr std::uint8_t Magic[4] = {'Z', 'Y', 'B', 0};

constexpr std::string_view ErrorCaption = "Error";
constexpr std::string_view CantOpen = "Can not open file";
constexpr std::string_view NotValid = "This is not a valid Multi Image File";
constexpr std::string_view NotValidShouted = "This is not a valid Multi Image File!";

struct ZybEntry {
    std::string name;
    std::uint32_t index = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerPixel = 0;
    std::uint32_t dataSize = 0;
};

std::array<std::uint8_t, HeaderSize> HeaderBytes()
{
    std::array<std::uint8_t, HeaderSize> header{};
    std::memcpy(header.data(), Magic, sizeof Magic);
    PutU32(&header[4], 1);
    PutU32(&header[8], 3);
    PutU32(&header[12], 0);
    return header;
}

std::array<std::uint8_t, EntrySize> EntryBytes(const ZybEntry& entry)
{
    std::array<std::uint8_t, EntrySize> bytes{};
    PutFixedText(bytes.data(), NameSize, entry.name);
    PutU32(&bytes[56], entry.index);
    PutU32(&bytes[60], entry.width);
    PutU32(&bytes[64], entry.height);
    PutU32(&bytes[68], entry.bytesPerPixel);
    PutU32(&bytes[72], entry.dataSize);
    return bytes;
}

ZybEntry DecodeEntry(const std::uint8_t* bytes)
{
    ZybEntry entry;
    entry.name = GetFixedText(bytes, NameSize);
    entry.index = GetU32(bytes + 56);
    entry.width = GetU32(bytes + 60);
    entry.height = GetU32(bytes + 64);
    entry.bytesPerPixel = GetU32(bytes + 68);
    entry.dataSize = GetU32(bytes + 72);
    return entry;
}

std::uint64_t RowLength(std::uint64_t width, std::uint64_t bytesPerPixel)
{
    return (width * bytesPerPixel + 3) & ~std::uint64_t{3};
}

void Report(std::string_view text, std::string_view caption, MsgIcon icon = MsgIcon::None)
{
    Ui().MessageBox(text, caption, MsgButtons::OK, icon);
}

std::unique_ptr<TFileStream> OpenForReading(const std::string& path)
{
    try {
        return std::make_unique<TFileStream>(path, fmOpenRead);
    } catch (const EStreamError&) {
        return nullptr;
    }
}

bool ReadHeaderMatches(TStream& file)
{
    std::uint8_t header[HeaderSize];
    return file.Read(header, sizeof header) == static_cast<std::int64_t>(sizeof header) &&
           std::memcmp(header, Magic, sizeof Magic) == 0;
}

// Entries one after the other, each checked to hold its pixels within the file.
class EntryReader {
public:
    explicit EntryReader(TStream& file) : file_(file), size_(file.Size()) {}

    enum class Outcome { Entry, End, Corrupt };

    // The next entry, with the file at its pixels. Fewer than 76 bytes left is the end.
    Outcome Next(ZybEntry& entry)
    {
        std::uint8_t bytes[EntrySize];
        if (file_.Read(bytes, sizeof bytes) != static_cast<std::int64_t>(sizeof bytes))
            return Outcome::End;
        entry = DecodeEntry(bytes);
        return entry.dataSize <= size_ - file_.Position() ? Outcome::Entry : Outcome::Corrupt;
    }

    void SkipPixels(const ZybEntry& entry) { file_.Seek(entry.dataSize, TSeekOrigin::soCurrent); }

private:
    TStream& file_;
    std::int64_t size_;
};

bool IsSideInRange(std::int64_t side) { return side > 0 && side <= MaxSide; }

bool IsReadablePicture(const ZybEntry& entry)
{
    return entry.bytesPerPixel == TrueColourBytes && IsSideInRange(entry.width) && IsSideInRange(entry.height) &&
           entry.dataSize == RowLength(entry.width, TrueColourBytes) * entry.height;
}

// Bottom-up rows of the picture, as the file holds them, from a 24-bit copy of it.
std::vector<std::uint8_t> BottomUpRows(const TBitmap& source, std::uint32_t& width, std::uint32_t& height)
{
    TBitmap work;
    work.Assign(source);
    work.SetPixelFormat(pf24bit);
    width = static_cast<std::uint32_t>(work.Width());
    height = static_cast<std::uint32_t>(work.Height());
    const auto rowLength = static_cast<std::size_t>(RowLength(width, TrueColourBytes));
    std::vector<std::uint8_t> rows(rowLength * height);
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(rows.data() + (height - 1 - y) * rowLength, work.ScanLine(static_cast<int>(y)),
                    width * TrueColourBytes);
    return rows;
}

bool WriteAll(TStream& file, const void* data, std::size_t size)
{
    return file.Write(data, static_cast<std::int64_t>(size)) == static_cast<std::int64_t>(size);
}

bool WriteEntry(TStream& file, const ZybEntry& entry, const std::vector<std::uint8_t>& pixels, bool withHeader)
{
    const auto header = HeaderBytes();
    const auto entryBytes = EntryBytes(entry);
    return (!withHeader || WriteAll(file, header.data(), header.size())) &&
           WriteAll(file, entryBytes.data(), entryBytes.size()) && WriteAll(file, pixels.data(), pixels.size());
}

// Takes a failed append back out of the file, so that later entries are not read out of step.
void TakeBack(std::unique_ptr<TFileStream>& file, const std::string& path, std::int64_t sizeBefore, bool created)
{
    try {
        file->SetSize(sizeBefore);
    } catch (const EStreamError&) {
    }
    file.reset();
    if (created)
        DeleteFile(path);
}

// The first entry of the name and index, with the file at its pixels; every entry before it is
// checked on the way.
EntryReader::Outcome FindEntry(TStream& file, const std::string& name, std::uint32_t index, ZybEntry& entry)
{
    EntryReader entries(file);
    for (;;) {
        const EntryReader::Outcome outcome = entries.Next(entry);
        if (outcome != EntryReader::Outcome::Entry || (entry.index == index && SameText(entry.name, name)))
            return outcome;
        entries.SkipPixels(entry);
    }
}

// The entry's pixels into the bitmap, which stays as it was unless they are read whole.
bool LoadPixels(TStream& file, const ZybEntry& entry, TBitmap& bitmap)
{
    std::vector<std::uint8_t> rows(entry.dataSize);
    if (file.Read(rows.data(), entry.dataSize) != entry.dataSize) {
        Report(NotValid, ErrorCaption);
        return false;
    }
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(static_cast<int>(entry.width), static_cast<int>(entry.height));
    const auto rowLength = static_cast<std::size_t>(RowLength(entry.width, TrueColourBytes));
    for (std::uint32_t y = 0; y < entry.height; ++y)
        std::memcpy(picture.ScanLine(static_cast<int>(y)), rows.data() + (entry.height - 1 - y) * rowLength,
                    entry.width * TrueColourBytes);
    bitmap.Assign(picture);
    return true;
}

} // namespace

bool ZybFile::IsCollectionToAppendTo(const std::string& path)
{
    const auto existing = OpenForReading(path);
    if (!existing) {
        Report(CantOpen, ErrorCaption, MsgIcon::Exclamation);
        return false;
    }
    if (!ReadHeaderMatches(*existing)) {
        Report(NotValidShouted, ErrorCaption);
        return false;
    }
    return true;
}

bool ZybFile::Append(const std::string& path, const std::string& name, const TBitmap& bitmap, std::uint32_t index)
{
    const bool exists = FileExists(path);
    if (exists && !IsCollectionToAppendTo(path))
        return false;
    // A picture the reader would refuse is never written.
    if (!IsSideInRange(bitmap.Width()) || !IsSideInRange(bitmap.Height())) {
        Report("The picture " + StoredPathName(name) +
                   " cannot be added to the Multi Image File: its width and height must be from 1 to 32767 pixels.",
               ErrorCaption, MsgIcon::Exclamation);
        return false;
    }
    ZybEntry entry;
    entry.name = name.substr(0, MaxNameLength);
    entry.index = index;
    entry.bytesPerPixel = TrueColourBytes;
    std::vector<std::uint8_t> pixels;
    try {
        pixels = BottomUpRows(bitmap, entry.width, entry.height);
    } catch (const std::bad_alloc&) {
        Report("Could not create swap file. Hard disk may be full", "error");
        return false;
    }
    entry.dataSize = static_cast<std::uint32_t>(pixels.size());

    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(path, exists ? fmOpenReadWrite : fmCreate);
    } catch (const EStreamError&) {
        Report(CantOpen, ErrorCaption, MsgIcon::Exclamation);
        return false;
    }

    const std::int64_t sizeBefore = file->Seek(0, TSeekOrigin::soEnd);
    if (!WriteEntry(*file, entry, pixels, !exists)) {
        TakeBack(file, path, sizeBefore, !exists);
        Report("An error occured while adding images to the ZYB file. One or more images may not have been appended "
               "to the file.",
               ApplicationTitle, MsgIcon::Stop);
        return false;
    }
    return true;
}

bool ZybFile::ReadImage(const std::string& path, const std::string& name, TBitmap& bitmap, std::uint32_t index)
{
    const auto file = OpenForReading(path);
    if (!file) {
        Report(CantOpen, ErrorCaption);
        return false;
    }
    if (!SameText(ExtractFileExt(path), ".pmt") && !ReadHeaderMatches(*file)) {
        Report(NotValid, ErrorCaption);
        return false;
    }
    ZybEntry entry;
    const EntryReader::Outcome outcome = FindEntry(*file, name.substr(0, MaxNameLength), index, entry);
    if (outcome == EntryReader::Outcome::Corrupt)
        Report(NotValid, ErrorCaption);
    if (outcome != EntryReader::Outcome::Entry)
        return false;
    if (entry.bytesPerPixel == CmykBytes) {
        Report("Sorry, this application does not support CMYK images", "ERROR");
        return false;
    }
    if (!IsReadablePicture(entry)) {
        Report(NotValid, ErrorCaption);
        return false;
    }
    try {
        return LoadPixels(*file, entry, bitmap);
    } catch (const std::bad_alloc&) {
    } catch (const EOutOfResources&) {
    }
    Report("Not enough memory to open image", ErrorCaption);
    return false;
}

void ZybFile::ListImages(const std::string& path, TStringList& list)
{
    list.Clear();
    const auto file = OpenForReading(path);
    if (!file) {
        Report(CantOpen, ErrorCaption);
        return;
    }
    if (!ReadHeaderMatches(*file)) {
        Report(NotValidShouted, ErrorCaption);
        return;
    }
    EntryReader entries(*file);
    ZybEntry entry;
    for (;;) {
        const EntryReader::Outcome outcome = entries.Next(entry);
        if (outcome == EntryReader::Outcome::End)
            return;
        if (outcome == EntryReader::Outcome::Corrupt) {
            Report(NotValidShouted, ErrorCaption);
            return;
        }
        list.Add(entry.name);
        entries.SkipPixels(entry);
    }
}
