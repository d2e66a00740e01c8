#include "app/UpdateInstructions.h"

#include "platform/core/FilePaths.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t Sha256HexDigits = 64;

bool IsSha256Hex(std::string_view hex)
{
    return hex.size() == Sha256HexDigits &&
           std::all_of(hex.begin(), hex.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

} // namespace

UpdateInstructions InstructionsFrom(const TStringList& lines)
{
    return {lines.Values("iCommand"), lines.Values("iDLURL"), lines.Values("iFile"), lines.Values("iQuit"),
            lines.Values("iSHA256")};
}

bool InstructionsUsable(const UpdateInstructions& instructions)
{
    return instructions.iDLURL.starts_with("https://") && IsBareFileName(instructions.iFile) &&
           IsSha256Hex(instructions.iSHA256);
}

bool IsBareFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

bool FileMatchesSha256(const std::string& path, std::string_view hex)
{
    QFile file(PathToQString(path));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!IsSha256Hex(hex) || !file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return false;
    return SameText(hash.result().toHex().toStdString(), hex);
}
