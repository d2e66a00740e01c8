#include "app/FileRequests.h"

#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"

namespace {

constexpr std::string_view OpenFileMacro = "OpenFile";

std::string UpperExtension(std::string_view path) { return UpperCase(ExtractFileExt(ExtractFileName(path))); }

std::string Unquoted(std::string_view text)
{
    std::string path = Trim(text);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = Trim(path.substr(1, path.size() - 2));
    return path;
}

} // namespace

bool IsPlanogramFileName(std::string_view path)
{
    const std::string extension = UpperExtension(path);
    return extension == ".KQF" || extension == ".KQT";
}

bool IsTemplateFileName(std::string_view path) { return UpperExtension(path) == ".KQT"; }

std::optional<std::string> OpenFileRequestPath(std::string_view request)
{
    const size_t lineEnd = request.find_first_of("\r\n");
    const std::string_view line = request.substr(0, lineEnd);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(0, equals) != OpenFileMacro)
        return std::nullopt;
    std::string path = Unquoted(line.substr(equals + 1));
    if (path.empty())
        return std::nullopt;
    return path;
}

std::string OpenFileRequest(std::string_view path) { return std::string(OpenFileMacro) + "=" + std::string(path); }

std::string FileNameForSaveFilter(std::string_view fileName, int filterIndex)
{
    if (fileName.empty())
        return std::string();
    if (filterIndex == 1)
        return ChangeFileExt(fileName, ".kqf");
    if (filterIndex == 2)
        return ChangeFileExt(fileName, ".kqt");
    return std::string(fileName);
}
