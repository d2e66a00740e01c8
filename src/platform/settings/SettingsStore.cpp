#include "platform/settings/SettingsStore.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/FilePaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr std::string_view SettingsFileName = "Kestrame.ini";
// A settings file is a few kilobytes; anything past this is not ours to hold in memory.
constexpr size_t MaximumFileSize = 4 << 20;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    return home.empty() ? std::string("/tmp") : home;
}

std::string ReadFileBytes(const std::string& fileName)
{
    FILE* file = OpenFile(fileName, "rb");
    if (!file)
        return std::string();
    std::string bytes;
    char buffer[8192];
    size_t got;
    while (bytes.size() < MaximumFileSize && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
    if (bytes.size() > MaximumFileSize)
        bytes.resize(MaximumFileSize);
    return bytes;
}

// "Kestrame" in the desktop's base folder that `variable` names, else in `fallback` under the home.
std::string UserFolder(const char* variable, std::string_view fallback)
{
    std::string base = Environment(variable);
    // A relative base folder is not to be used, as the desktop conventions say.
    if (base.empty() || base.front() != '/')
        base = HomeFolder() + std::string(fallback);
    return IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(base) + "Kestrame");
}

} // namespace

std::string SettingsFolder()
{
    const std::string folder = Environment("KESTRAME_CONFIG_DIR");
    return folder.empty() ? UserFolder("XDG_CONFIG_HOME", "/.config") : IncludeTrailingPathDelimiter(folder);
}

std::string CacheFolder() { return UserFolder("XDG_CACHE_HOME", "/.cache"); }

SettingsStore::SettingsStore() : fileName_(SettingsFolder() + std::string(SettingsFileName)) {}

SettingsStore::SettingsStore(std::string fileName) : fileName_(std::move(fileName)) {}

SettingsFile SettingsStore::Load() const { return SettingsFile::Parse(ReadFileBytes(fileName_)); }

void SettingsStore::Update(const std::function<void(SettingsFile&)>& change) const
{
    SettingsFile file = Load();
    change(file);
    ForceDirectories(ExtractFileDir(fileName_));
    TextFileWriter writer(fileName_);
    for (const std::string& line : file.Lines())
        writer.WriteLine(line);
    writer.Commit();
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view name,
                                      std::string_view defaultValue) const
{
    return Load().ReadString(section, name, defaultValue);
}

int SettingsStore::ReadInteger(std::string_view section, std::string_view name, int defaultValue) const
{
    return Load().ReadInteger(section, name, defaultValue);
}

bool SettingsStore::ReadBool(std::string_view section, std::string_view name, bool defaultValue) const
{
    return Load().ReadBool(section, name, defaultValue);
}

std::optional<double> SettingsStore::ReadFloat(std::string_view section, std::string_view name) const
{
    return Load().ReadFloat(section, name);
}

bool SettingsStore::ValueExists(std::string_view section, std::string_view name) const
{
    return Load().Find(section, name) != nullptr;
}

bool SettingsStore::SectionExists(std::string_view section) const { return Load().KeyExists(section); }

void SettingsStore::WriteString(std::string_view section, std::string_view name, std::string_view value) const
{
    Update([&](SettingsFile& file) { file.WriteString(section, name, value); });
}

void SettingsStore::WriteInteger(std::string_view section, std::string_view name, int value) const
{
    Update([&](SettingsFile& file) { file.WriteInteger(section, name, value); });
}

void SettingsStore::WriteBool(std::string_view section, std::string_view name, bool value) const
{
    Update([&](SettingsFile& file) { file.WriteBool(section, name, value); });
}

void SettingsStore::WriteFloat(std::string_view section, std::string_view name, double value) const
{
    Update([&](SettingsFile& file) { file.WriteFloat(section, name, value); });
}

void SettingsStore::DeleteValue(std::string_view section, std::string_view name) const
{
    Update([&](SettingsFile& file) { file.Delete(section, name); });
}
