#include "platform/core/AtomicFile.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/OpenTemporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace {

constexpr size_t BufferLimit = 1 << 16;
// As many links as the system itself follows before it gives up with ELOOP.
constexpr int MaxLinkHops = 40;

[[noreturn]] void ThrowCannotCreate(const std::string& fileName, int error)
{
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(error), error);
}

// The file a symbolic link leads to, through any chain of links; the path itself when it is no link.
// A link is written through: the temporary goes beside the file it leads to and replaces that file,
// so that the link stays a link. A link to nothing yet leads to the file to make; a loop of links is
// refused.
std::string ThroughLinks(std::string path, const std::string& fileName)
{
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(PATH_MAX);
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<size_t>(length) >= target.size())
            return path;
        std::string next(target.data(), static_cast<size_t>(length));
        if (next.front() != '/') {
            const size_t slash = path.rfind('/');
            next.insert(0, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
        }
        path = std::move(next);
    }
    ThrowCannotCreate(fileName, ELOOP);
}

// Refuses a target that exists and may not be written: renaming over it would replace a file that
// opening for writing is denied. A link at the name is not looked through; only it is replaced.
void CheckWritable(const std::string& nativeTarget, const std::string& fileName)
{
    if (::faccessat(AT_FDCWD, nativeTarget.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 && errno != ENOENT)
        ThrowCannotCreate(fileName, errno);
}

// A short name in the target's folder: the target's own name with a suffix could pass the system's
// limit for a file name.
std::string TemporaryPrefix(const std::string& nativeTarget)
{
    const size_t slash = nativeTarget.rfind('/');
    return nativeTarget.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".kestrame-";
}

// New files and replaced links get the permissions the user's umask allows; a replaced file keeps
// its own.
mode_t ModeForTarget(const std::string& nativeTarget)
{
    struct stat info;
    if (::lstat(nativeTarget.c_str(), &info) == 0 && !S_ISLNK(info.st_mode))
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(std::string_view fileName, Links links)
    : fileName_(fileName),
      nativeTarget_(links == Links::Follow ? ThroughLinks(NativePath(fileName), fileName_) : NativePath(fileName))
{
    CheckWritable(nativeTarget_, fileName_);
    handle_ = CreateOpenTemporary(TemporaryPrefix(nativeTarget_), nativeTemporary_, registration_);
    if (handle_ < 0)
        ThrowCannotCreate(fileName_, errno);
    ::fchmod(handle_, ModeForTarget(nativeTarget_));
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard()
{
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
        ::unlink(nativeTemporary_.c_str());
        ForgetTemporary();
    }
}

void AtomicFileWriter::ForgetTemporary()
{
    ForgetOpenTemporary(registration_);
    registration_ = -1;
}

void AtomicFileWriter::Fail(int errorNumber)
{
    Discard();
    throw EWriteError("Cannot write file \"" + fileName_ + "\". " + SysErrorMessage(errorNumber), errorNumber);
}

void AtomicFileWriter::WriteOut(const char* bytes, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(handle_, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail(put < 0 ? errno : EIO);
        done += static_cast<size_t>(put);
    }
    flushed_ += size;
}

void AtomicFileWriter::FlushBuffer()
{
    WriteOut(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void AtomicFileWriter::Write(const void* data, size_t size)
{
    if (handle_ < 0)
        throw EWriteError("Cannot write file \"" + fileName_ + "\".");
    // A large piece goes to the file as it is: copied into the buffer, it would be held twice.
    if (size >= BufferLimit) {
        FlushBuffer();
        WriteOut(static_cast<const char*>(data), size);
        return;
    }
    buffer_.append(static_cast<const char*>(data), size);
    if (buffer_.size() >= BufferLimit)
        FlushBuffer();
}

void AtomicFileWriter::Commit()
{
    if (handle_ < 0)
        throw EWriteError("Cannot write file \"" + fileName_ + "\".");
    FlushBuffer();
    if (::fsync(handle_) != 0 && errno != EINVAL)
        Fail(errno);
    const int closeResult = ::close(handle_);
    handle_ = -1;
    if (closeResult != 0 || ::rename(nativeTemporary_.c_str(), nativeTarget_.c_str()) != 0) {
        const int error = errno;
        ::unlink(nativeTemporary_.c_str());
        ForgetTemporary();
        throw EWriteError("Cannot write file \"" + fileName_ + "\". " + SysErrorMessage(error), error);
    }
    ForgetTemporary();
}

void AtomicFileWriter::ReadBack(std::uint64_t offset, void* buffer, size_t count)
{
    if (handle_ < 0 || offset + count > Size())
        throw EReadError("Stream read error");
    FlushBuffer();
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t got = ::pread(handle_, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw EReadError("Stream read error");
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<size_t>(got);
    }
}

void TextFileWriter::WriteLine(std::string_view line)
{
    writer_.Write(line);
    writer_.Write("\r\n");
}
