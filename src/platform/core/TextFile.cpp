#include "platform/core/TextFile.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"

#include <cerrno>
#include <cstdlib>

bool ReadTextLine(FILE* file, std::string& line)
{
    char* buffer = nullptr;
    size_t capacity = 0;
    const ssize_t length = ::getline(&buffer, &capacity, file);
    if (length < 0) {
        std::free(buffer);
        line.clear();
        return false;
    }
    line.assign(buffer, static_cast<size_t>(length));
    std::free(buffer);
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

std::vector<std::string> ReadTextFileLines(std::string_view fileName)
{
    FILE* file = OpenFile(fileName, "rb");
    if (!file)
        throw EFOpenError("Cannot open file \"" + std::string(fileName) + "\". " + SysErrorMessage(errno));
    std::vector<std::string> lines;
    std::string line;
    while (ReadTextLine(file, line))
        lines.push_back(line);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw EReadError("Cannot read file \"" + std::string(fileName) + "\".");
    return lines;
}
