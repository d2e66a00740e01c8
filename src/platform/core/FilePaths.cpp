#include "platform/core/FilePaths.h"

#include "platform/core/CodePage.h"
#include "platform/core/TextUtils.h"

#include <QFile>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

bool IsDelimiterOrDrive(char c) { return IsDelimiter(c) || c == ':'; }

// Index just after the last delimiter or drive colon (0 when there is none).
size_t FileNameStart(std::string_view path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsDelimiterOrDrive(path[i - 1]))
            return i;
    return 0;
}

bool StatPath(std::string_view path, struct stat& info) { return ::stat(NativePath(path).c_str(), &info) == 0; }

} // namespace

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(FileNameStart(path))); }

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, FileNameStart(path))); }

std::string ExtractFileDir(std::string_view path)
{
    size_t end = FileNameStart(path);
    // Keep the root delimiter and a drive's colon: "/" and "C:" stay folders.
    if (end > 1 && IsDelimiter(path[end - 1]) && !IsDelimiterOrDrive(path[end - 2]))
        --end;
    return std::string(path.substr(0, end));
}

std::string ExtractFileExt(std::string_view path)
{
    const size_t nameStart = FileNameStart(path);
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return {};
    return std::string(path.substr(dot));
}

std::string ExtractFileDrive(std::string_view path)
{
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 2 && path[1] == ':' && isLetter(path[0]))
        return std::string(path.substr(0, 2));
    if (!path.starts_with("\\\\"))
        return {};
    // "\\server\share": both parts must be there.
    const size_t shareStart = path.find('\\', 2);
    if (shareStart == std::string_view::npos || shareStart == 2 || shareStart + 1 == path.size() ||
        path[shareStart + 1] == '\\')
        return {};
    return std::string(path.substr(0, path.find('\\', shareStart + 1)));
}

std::string ChangeFileDrive(std::string_view path, std::string_view drive)
{
    const size_t driveLength = ExtractFileDrive(path).size();
    if (driveLength == 0)
        return std::string(path);
    return std::string(drive) + std::string(path.substr(driveLength));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension)
{
    const size_t nameStart = FileNameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        dot = path.size();
    return std::string(path.substr(0, dot)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && IsDelimiter(result.back()))
        return result;
    const size_t lastDelimiter = path.find_last_of("\\/");
    const bool windowsStyle = lastDelimiter != std::string_view::npos && path[lastDelimiter] == '\\';
    result += windowsStyle ? '\\' : '/';
    return result;
}

std::string NativePath(std::string_view path)
{
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

std::string StoredPath(std::string_view path) { return Win1252CanHold(path) ? Utf8ToWin1252(path) : std::string(path); }

std::vector<std::string> StoredPathReadings(std::string_view stored)
{
    std::vector<std::string> readings{Win1252ToUtf8(stored)};
    if (!IsAscii(stored) && IsUtf8(stored))
        readings.emplace_back(stored);
    return readings;
}

std::string StoredPathName(std::string_view stored) { return StoredPathReadings(stored).back(); }

QString PathToQString(std::string_view path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathFromQString(const QString& path) { return QFile::encodeName(path).toStdString(); }

FILE* OpenFile(std::string_view path, const char* mode) { return std::fopen(NativePath(path).c_str(), mode); }

int OpenFileDescriptor(std::string_view path, int flags, int mode)
{
    int fd;
    do
        fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool FileExists(std::string_view path)
{
    struct stat info;
    return StatPath(path, info) && S_ISREG(info.st_mode);
}

bool FileIsReadOnly(std::string_view path)
{
    struct stat info;
    if (!StatPath(path, info))
        return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(NativePath(path).c_str(), W_OK) != 0;
}

bool DirectoryExists(std::string_view path)
{
    struct stat info;
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool DeleteFile(std::string_view path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool RenameFile(std::string_view from, std::string_view to)
{
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool ForceDirectories(std::string_view path)
{
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return true;
    const std::string parent = ExtractFileDir(path);
    if (!parent.empty() && parent != path && !ForceDirectories(parent))
        return false;
    return ::mkdir(NativePath(path).c_str(), 0777) == 0 || DirectoryExists(path);
}

std::vector<std::string> ListFiles(std::string_view folder)
{
    std::vector<std::string> names;
    const std::string nativeFolder = NativePath(folder.empty() ? std::string_view(".") : folder);
    DIR* dir = ::opendir(nativeFolder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info;
        const std::string full = nativeFolder + "/" + entry->d_name;
        if (::stat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

std::string ExistingFileAnyCase(const std::string& folder, const std::string& name)
{
    if (name.empty())
        return {};
    if (FileExists(folder + name))
        return folder + name;
    const std::vector<std::string> names = ListFiles(folder);
    const auto match =
        std::find_if(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); });
    return match == names.end() ? std::string() : folder + *match;
}

std::string GetCurrentDir()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}
