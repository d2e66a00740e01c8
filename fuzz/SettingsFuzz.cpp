// The settings file reader on arbitrary bytes: it skips what it cannot make sense of, never
// crashes, and what it keeps it writes as text that reads back to the same settings.
#include "platform/settings/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const SettingsFile settings = SettingsFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<std::string> lines = settings.Lines();
    if (SettingsFile::Parse(Joined(lines)).Lines() != lines)
        std::abort();
    for (const char* key : {"", "Options", "A\\B"})
        for (const std::string& name : settings.ValueNames(key)) {
            settings.ReadString(key, name, "default");
            settings.ReadInteger(key, name, 7);
            settings.ReadBool(key, name, true);
            settings.ReadFloat(key, name);
        }
    return 0;
}
