#include "app/RecentFiles.h"

#include "app/PreferencesClass.h"
#include "platform/core/FilePaths.h"

#include <algorithm>
#include <array>

void AddSavedPlanogram(TStringList& recentFiles, std::string_view path)
{
    // Paths are compared exactly: "Wall.kqf" and "wall.kqf" are two files here.
    for (int i = 0; i < recentFiles.Count(); ++i)
        if (recentFiles[i] == path)
            return;
    recentFiles.Insert(0, path);
    while (recentFiles.Count() > RecentFilesKept)
        recentFiles.Delete(recentFiles.Count() - 1);
}

void StoreRecentFiles(const TStringList& recentFiles, PreferencesValues& prefs)
{
    const std::array<std::string*, RecentFilesKept> settings = {&prefs.doc1, &prefs.doc2, &prefs.doc3, &prefs.doc4,
                                                                &prefs.doc5};
    // Settings beyond the list are emptied, so that older entries cannot come back from them.
    for (int i = 0; i < RecentFilesKept; ++i)
        *settings[static_cast<size_t>(i)] = i < recentFiles.Count() ? recentFiles[i] : std::string();
}

void ForgetMissingRecentFiles(TStringList& recentFiles)
{
    for (int i = 0; i < recentFiles.Count(); ++i)
        if (!recentFiles[i].empty() && !FileExists(recentFiles[i]))
            recentFiles.SetString(i, "");
}

std::vector<std::optional<std::string>> RecentMenuCaptions(const TStringList& recentFiles)
{
    std::vector<std::optional<std::string>> captions;
    const int shown = std::min(recentFiles.Count(), RecentFilesKept);
    for (int i = 0; i < shown; ++i) {
        if (recentFiles[i].empty())
            captions.push_back(std::nullopt);
        else
            captions.push_back(ExtractFileName(recentFiles[i]));
    }
    return captions;
}
