#include "catalog/Didfilefinder.h"

#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/ui/FileListBox.h"
#include "platform/ui/Masks.h"

#include <algorithm>

namespace {

constexpr std::string_view Options = "Options";
constexpr std::string_view CurrentDataFileValue = "CurrentDataFile";

std::string ProgramSubfolder(std::string_view name)
{
    return IncludeTrailingPathDelimiter(ProgramFolder() + std::string(name));
}

} // namespace

std::string HighResolutionName(const std::string& picture)
{
    return ExtractFilePath(picture) + "H" + ExtractFileName(picture);
}

std::string ExistingStoredFile(const std::string& stored)
{
    for (const std::string& reading : StoredPathReadings(stored))
        if (std::string found = ExistingFileAnyCase(ExtractFilePath(reading), ExtractFileName(reading)); !found.empty())
            return found;
    return {};
}

Didfilefinder::Didfilefinder(SettingsStore settings) : settings_(std::move(settings)) {}

std::string Didfilefinder::ReadCurrentDataFile()
{
    if (!settings_.ValueExists(Options, CurrentDataFileValue))
        return CatalogsFolder();
    return settings_.ReadString(Options, CurrentDataFileValue, "");
}

void Didfilefinder::WriteCurrentDataFile(const std::string& path)
{
    settings_.WriteString(Options, CurrentDataFileValue, path);
}

std::string Didfilefinder::CatalogsFolder() const { return ProgramSubfolder("Catalogs"); }

std::string Didfilefinder::TemplateFolder() const { return ProgramSubfolder("Template"); }

std::string Didfilefinder::ExampleFolder() const { return ProgramSubfolder("Examples"); }

void Didfilefinder::SelectCurrentCatalog(TFileListBox& fileList) { fileList.SetFileName(ReadCurrentDataFile()); }

void Didfilefinder::ListTemplates(TFileListBox& fileList) { ListFolder(fileList, TemplateFolder(), "*.kqt"); }

void Didfilefinder::ListExamples(TFileListBox& fileList) { ListFolder(fileList, ExampleFolder(), "*.kqf"); }

void Didfilefinder::ListFolder(TFileListBox& fileList, const std::string& folder, const std::string& mask)
{
    fileList.SetMask(mask);
    const std::vector<std::string> names = ListFiles(folder);
    if (std::any_of(names.begin(), names.end(), [&](const std::string& name) { return MatchesMask(name, mask); }))
        fileList.SetFileName(folder + mask);
}

std::string Didfilefinder::FindCatalog(const std::string& path)
{
    const std::string found =
        FirstFound(path, {ExtractFilePath(ReadCurrentDataFile()), CatalogsFolder(), ProgramFolder()});
    if (!found.empty())
        WriteCurrentDataFile(found);
    return found;
}

std::string Didfilefinder::FindPicture(const std::string& path)
{
    return FindPictureOfCatalog(path, ReadCurrentDataFile());
}

std::string Didfilefinder::FindPictureOfCatalog(const std::string& path, const std::string& catalogFile)
{
    return FirstFound(path, {ExtractFilePath(catalogFile), IncludeTrailingPathDelimiter(GetCurrentDir()),
                             CatalogsFolder(), ProgramFolder()});
}

std::string Didfilefinder::FirstFound(const std::string& path, std::initializer_list<std::string> folders)
{
    if (std::string found = ExistingStoredFile(path); !found.empty())
        return found;
    const std::vector<std::string> readings = StoredPathReadings(path);
    for (const std::string& folder : folders)
        for (const std::string& reading : readings)
            if (std::string found = ExistingFileAnyCase(folder, ExtractFileName(reading)); !found.empty())
                return found;
    return {};
}
