#include "platform/core/Streams.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

bool IsDirectory(int handle)
{
    struct stat status {};
    return ::fstat(handle, &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

std::int64_t TStream::Position() { return Seek(0, TSeekOrigin::soCurrent); }

void TStream::SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

std::int64_t TStream::Size()
{
    const std::int64_t position = Position();
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min<std::int64_t>(count, 1 << 16)));
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t chunk = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), chunk);
        WriteBuffer(buffer.data(), chunk);
        left -= chunk;
    }
    return count;
}

TFileStream::TFileStream(std::string_view fileName, TFileMode mode) : fileName_(fileName)
{
    int flags = O_RDONLY;
    if (mode == fmOpenWrite)
        flags = O_WRONLY;
    else if (mode == fmOpenReadWrite)
        flags = O_RDWR;
    else if (mode == fmCreate)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    handle_ = OpenFileDescriptor(fileName, flags);
    // A folder opens for reading here, but is no file to read: refuse it as the open itself would.
    if (handle_ >= 0 && IsDirectory(handle_)) {
        ::close(handle_);
        handle_ = -1;
        errno = EISDIR;
    }
    if (handle_ < 0) {
        const int error = errno;
        const std::string reason = SysErrorMessage(error);
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + reason, error);
        throw EFOpenError("Cannot open file \"" + fileName_ + "\". " + reason, error);
    }
}

TFileStream::~TFileStream()
{
    if (handle_ >= 0)
        ::close(handle_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    auto* target = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(handle_, target + done, static_cast<size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    const auto* source = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(handle_, source + done, static_cast<size_t>(count - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += put;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    return ::lseek(handle_, offset, whence);
}

void TFileStream::SetSize(std::int64_t newSize)
{
    if (::ftruncate(handle_, newSize) != 0)
        throw EWriteError("Stream write error");
    if (Position() > newSize)
        SetPosition(newSize);
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    const auto size = static_cast<std::int64_t>(data_.size());
    if (count <= 0 || position_ >= size)
        return 0;
    const std::int64_t available = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(available));
    position_ += available;
    return available;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = position_ + count;
    if (end > static_cast<std::int64_t>(data_.size()))
        data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = position_;
    else if (origin == TSeekOrigin::soEnd)
        base = static_cast<std::int64_t>(data_.size());
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize)
{
    data_.resize(static_cast<size_t>(std::max<std::int64_t>(0, newSize)));
    position_ = std::min(position_, static_cast<std::int64_t>(data_.size()));
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const std::int64_t size = source.Size();
    SetSize(size);
    source.ReadBuffer(data_.data(), size);
    position_ = 0;
}

void TMemoryStream::LoadFromFile(std::string_view fileName)
{
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target)
{
    target.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(std::string_view fileName)
{
    AtomicFileWriter writer(fileName);
    writer.Write(data_.data(), data_.size());
    writer.Commit();
}
