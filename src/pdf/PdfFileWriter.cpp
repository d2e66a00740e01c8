#include "pdf/PdfFileWriter.h"

#include "pdf/PdfCustomType.h"
#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/PdfStream.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::string_view FreeListHead = "0000000000 65535 f";
constexpr std::size_t DocumentIDLength = 16;

// The last 18 characters of ten zeros + offset + " 00000 n": 20 bytes with the CR LF.
std::string InUseEntry(std::int64_t position)
{
    const std::string padded = "0000000000" + IntToStr(position) + " 00000 n";
    return padded.substr(padded.size() - 18);
}

// Copies bytes that were written to a stream that is still being written, leaving its position
// where the next write goes.
void ReadBack(TStream& stream, std::int64_t offset, void* buffer, std::int64_t count)
{
    const std::int64_t writePosition = stream.Position();
    stream.SetPosition(offset);
    try {
        stream.ReadBuffer(buffer, count);
    } catch (...) {
        stream.SetPosition(writePosition);
        throw;
    }
    stream.SetPosition(writePosition);
}

// The file being written, as a stream that grows at its end and reads back what it holds.
class TAtomicFileStream : public TStream {
public:
    explicit TAtomicFileStream(AtomicFileWriter& file) : file_(file) {}

    std::int64_t Read(void* buffer, std::int64_t count) override
    {
        const std::int64_t got = std::clamp<std::int64_t>(count, 0, Written() - position_);
        if (got > 0)
            file_.ReadBack(static_cast<std::uint64_t>(position_), buffer, static_cast<std::size_t>(got));
        position_ += got;
        return got;
    }
    std::int64_t Write(const void* buffer, std::int64_t count) override
    {
        if (position_ != Written())
            throw EWriteError("Stream write error");
        file_.Write(buffer, static_cast<std::size_t>(count));
        position_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override
    {
        const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                                  : origin == TSeekOrigin::soCurrent ? position_
                                                                     : Written();
        position_ = std::clamp<std::int64_t>(base + offset, 0, Written());
        return position_;
    }
    void SetSize(std::int64_t) override { throw EWriteError("Stream write error"); }

private:
    std::int64_t Written() const { return static_cast<std::int64_t>(file_.Size()); }

    AtomicFileWriter& file_;
    std::int64_t position_ = 0;
};

constexpr std::int64_t CopyBlockBytes = std::int64_t{1} << 20;

// Whether two names lead to the same file; letters of different case name different files here.
bool SamePath(std::string_view a, std::string_view b)
{
    const auto normal = [](std::string_view path) {
        return std::filesystem::absolute(std::filesystem::path(NativePath(path))).lexically_normal();
    };
    return normal(a) == normal(b);
}

} // namespace

TPdfFileWriter::TPdfFileWriter() { ResetXRef(); }

TPdfFileWriter::~TPdfFileWriter() = default;

void TPdfFileWriter::DropOutput()
{
    memory_.reset();
    fileOutput_.reset();
    file_.reset();
    committedSize_ = -1;
    callerStream_ = nullptr;
    startOffset_ = 0;
    fileName_.clear();
    open_ = false;
}

void TPdfFileWriter::OpenFile(std::string_view fileName)
{
    DropOutput();
    try {
        file_ = std::make_unique<AtomicFileWriter>(fileName);
    } catch (const EStreamError& error) {
        throw EFCreateError("Cannot create file " + std::string(fileName), error.ErrorCode());
    }
    fileOutput_ = std::make_unique<TAtomicFileStream>(*file_);
    fileName_ = std::string(fileName);
    BeginOutput();
}

void TPdfFileWriter::OpenMemory()
{
    DropOutput();
    memory_ = std::make_unique<TMemoryStream>();
    BeginOutput();
}

void TPdfFileWriter::SetOutStream(TStream* stream)
{
    DropOutput();
    callerStream_ = stream;
    if (stream != nullptr) {
        startOffset_ = stream->Position();
        BeginOutput();
    }
}

void TPdfFileWriter::BeginOutput()
{
    open_ = true;
    ResetXRef();
    NewDocumentID();
}

void TPdfFileWriter::Close()
{
    if (file_ != nullptr) {
        const auto size = static_cast<std::int64_t>(file_->Size());
        fileOutput_.reset();
        const std::unique_ptr<AtomicFileWriter> file = std::move(file_);
        file->Commit();
        committedSize_ = size;
    }
    open_ = false;
}

TStream& TPdfFileWriter::Output()
{
    if (!open_)
        throw Exception("Device not open");
    if (callerStream_ != nullptr)
        return *callerStream_;
    if (fileOutput_ != nullptr)
        return *fileOutput_;
    return *memory_;
}

void TPdfFileWriter::RawWrite(std::string_view bytes)
{
    TStream& output = Output();
    if (!bytes.empty())
        output.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TPdfFileWriter::RawWriteLN(std::string_view bytes)
{
    RawWrite(bytes);
    RawWrite("\r\n");
}

void TPdfFileWriter::RawWriteW(std::u16string_view text) { RawWrite(PdfBigEndianBytes(text)); }

std::int64_t TPdfFileWriter::OutputPosition() { return Output().Position() - startOffset_; }

std::int64_t TPdfFileWriter::GetSize() const
{
    if (callerStream_ != nullptr)
        return std::max<std::int64_t>(callerStream_->Size() - startOffset_, 0);
    if (file_ != nullptr)
        return static_cast<std::int64_t>(file_->Size());
    if (committedSize_ >= 0)
        return committedSize_;
    return memory_ != nullptr ? memory_->Size() : 0;
}

void TPdfFileWriter::ReadOutput(std::int64_t offset, void* buffer, std::int64_t count) const
{
    if (callerStream_ != nullptr) {
        ReadBack(*callerStream_, startOffset_ + offset, buffer, count);
    } else if (file_ != nullptr) {
        file_->ReadBack(static_cast<std::uint64_t>(offset), buffer, static_cast<std::size_t>(count));
    } else if (committedSize_ >= 0) {
        TFileStream file(fileName_, fmOpenRead);
        file.SetPosition(offset);
        file.ReadBuffer(buffer, count);
    } else if (memory_ != nullptr) {
        std::memcpy(buffer, memory_->Memory() + offset, static_cast<std::size_t>(count));
    }
}

void TPdfFileWriter::ForEachOutputBlock(const std::function<void(const void*, std::size_t)>& take) const
{
    if (memory_ != nullptr) {
        if (memory_->Size() > 0)
            take(memory_->Memory(), static_cast<std::size_t>(memory_->Size()));
        return;
    }
    const std::int64_t size = GetSize();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(size, CopyBlockBytes)));
    for (std::int64_t done = 0; done < size;) {
        const std::int64_t count = std::min<std::int64_t>(size - done, CopyBlockBytes);
        ReadOutput(done, block.data(), count);
        take(block.data(), static_cast<std::size_t>(count));
        done += count;
    }
}

std::int64_t TPdfFileWriter::GetBuf(std::int64_t length, void* buffer) const
{
    const std::int64_t size = GetSize();
    if (buffer == nullptr)
        return size;
    const std::int64_t count = std::clamp<std::int64_t>(length, 0, size);
    if (count == 0)
        return 0;
    ReadOutput(0, buffer, count);
    return count;
}

void TPdfFileWriter::WriteToBuffer(void* buffer, std::int64_t length) const
{
    if (buffer != nullptr)
        GetBuf(length, buffer);
}

void TPdfFileWriter::WriteToFile(std::string_view fileName)
{
    if ((memory_ == nullptr && file_ == nullptr && committedSize_ < 0) ||
        (!fileName_.empty() && SamePath(fileName, fileName_)))
        return;
    AtomicFileWriter copy(fileName);
    ForEachOutputBlock([&](const void* bytes, std::size_t count) { copy.Write(bytes, count); });
    copy.Commit();
}

void TPdfFileWriter::WriteToStream(TStream& stream) const
{
    if (callerStream_ != nullptr)
        return;
    ForEachOutputBlock(
        [&](const void* bytes, std::size_t count) { stream.WriteBuffer(bytes, static_cast<std::int64_t>(count)); });
}

std::string TPdfFileWriter::HexString(const void* bytes, std::size_t count)
{
    std::string text(count * 2 + 2, '<');
    char* out = text.data() + 1;
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < count; ++i)
        PdfHexToBufferByte(out, in[i]);
    text.back() = '>';
    return text;
}

void TPdfFileWriter::ResetXRef()
{
    entries_.clear();
    entries_.push_back({std::string(FreeListHead), false});
}

int TPdfFileWriter::ReserveObjectNumber(std::string_view className)
{
    entries_.push_back({"undef " + std::string(className), true});
    return XRefCount() - 1;
}

int TPdfFileWriter::RecordObjectPosition(int number, std::int64_t position)
{
    if (number <= 0 || number >= XRefCount()) {
        entries_.push_back({InUseEntry(position), false});
        return XRefCount() - 1;
    }
    entries_[static_cast<std::size_t>(number)] = {InUseEntry(position), false};
    return number;
}

void TPdfFileWriter::NewDocumentID()
{
    Randomize();
    documentID_.clear();
    for (std::size_t i = 0; i < DocumentIDLength; ++i)
        documentID_ += static_cast<char>('A' + Random(26));
}

void TPdfFileWriter::WriteHeader(bool pdf14) { RawWriteLN(pdf14 ? "%PDF-1.4" : "%PDF-1.2"); }

void TPdfFileWriter::WriteObject(TPdfCustomType& object)
{
    if (dynamic_cast<TPdfStream*>(&object) != nullptr)
        throw Exception("Streams are written sequentially!");
    object.WriteIt();
}

void TPdfFileWriter::WriteObjectReference(TPdfCustomType& object) { RawWriteLN(object.AsReferenceString()); }

// A reference to an object that never came must still lead somewhere: a null object keeps every
// table entry a real 20-byte offset line.
void TPdfFileWriter::WritePendingObjectsAsNull()
{
    for (int number = 1; number < XRefCount(); ++number) {
        if (!entries_[static_cast<std::size_t>(number)].pending)
            continue;
        RecordObjectPosition(number, OutputPosition());
        RawWriteLN(IntToStr(number) + " 0 obj");
        RawWriteLN("null");
        RawWriteLN("endobj");
    }
}

void TPdfFileWriter::WriteFileEnd(TPdfCustomType& root, TPdfCustomType* info, TPdfCustomType* encrypt)
{
    const std::string rootReference = root.AsReferenceString();
    const std::string infoReference = info != nullptr ? info->AsReferenceString() : std::string();
    const std::string encryptReference = encrypt != nullptr ? encrypt->AsReferenceString() : std::string();
    WritePendingObjectsAsNull();
    const std::int64_t tableOffset = OutputPosition();
    RawWriteLN("xref\r\n0 " + IntToStr(XRefCount()));
    for (const TXRefEntry& entry : entries_)
        RawWriteLN(entry.line);
    RawWriteLN("trailer\n<<\n/Size " + IntToStr(XRefCount()));
    RawWriteLN("/Root " + rootReference);
    const std::string id = HexString(documentID_.data(), documentID_.size());
    RawWriteLN("/ID[" + id + id + "]");
    if (info != nullptr)
        RawWriteLN("/Info " + infoReference);
    if (encrypt != nullptr)
        RawWriteLN("/Encrypt " + encryptReference);
    RawWriteLN(">>");
    RawWriteLN("startxref");
    RawWriteLN(IntToStr(tableOffset));
    RawWriteLN("%%EOF");
}
