#include "platform/services/WorkbookFile.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Streams.h"

#include <sys/stat.h>

#include <array>
#include <string_view>

namespace {

constexpr std::string_view CompoundDocument("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::string_view ZipPackage("PK\x03\x04", 4);
constexpr std::string_view Utf8Mark("\xEF\xBB\xBF", 3);
// How far into the file markup may begin, after a byte-order mark and blanks.
constexpr size_t HeadBytes = 512;

// An Excel 2 to 4 file begins with its BOF record: number 0x0009, 0x0209 or 0x0409, 4 or 6 bytes long.
bool IsBiffStream(std::string_view head)
{
    return head.size() >= 4 && head[0] == '\x09' && (head[1] == '\x00' || head[1] == '\x02' || head[1] == '\x04') &&
           (head[2] == '\x04' || head[2] == '\x06') && head[3] == '\x00';
}

bool IsMarkup(std::string_view head)
{
    if (head.starts_with(Utf8Mark))
        head.remove_prefix(Utf8Mark.size());
    const size_t first = head.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && head[first] == '<';
}

bool LooksLikeWorkbook(std::string_view head)
{
    return head.starts_with(CompoundDocument) || head.starts_with(ZipPackage) || IsBiffStream(head) || IsMarkup(head);
}

[[noreturn]] void ThrowNoWorkbook(const std::string& path)
{
    throw EFOpenError("Cannot open file \"" + path + "\". It is not a workbook");
}

} // namespace

void CheckWorkbookFile(const std::string& path)
{
    if (path.empty())
        throw EFOpenError("No workbook file was named.");
    // A pipe or a device would hold the open, or the read, until something else writes to it.
    struct stat info;
    if (::stat(NativePath(path).c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        ThrowNoWorkbook(path);
    TFileStream file(path, fmOpenRead);
    std::array<char, HeadBytes> head;
    const std::int64_t got = file.Read(head.data(), static_cast<std::int64_t>(head.size()));
    if (!LooksLikeWorkbook(std::string_view(head.data(), static_cast<size_t>(got))))
        ThrowNoWorkbook(path);
}
