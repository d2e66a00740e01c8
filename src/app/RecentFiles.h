#pragma once

#include "platform/core/StringList.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PreferencesValues;

// The five recent planograms: newest first, changed only by a successful save.
inline constexpr int RecentFilesKept = 5;

// A saved path not yet listed (compared exactly) goes to the front, and the oldest beyond five drops
// off; a listed path keeps its place.
void AddSavedPlanogram(TStringList& recentFiles, std::string_view path);
// Entries 1 to 5 into "doc1" ... "doc5"; those the list has no entry for become empty.
void StoreRecentFiles(const TStringList& recentFiles, PreferencesValues& prefs);
// A file that no longer exists leaves an empty entry in its place.
void ForgetMissingRecentFiles(TStringList& recentFiles);
// The captions of the items Doc1 ... for the first five entries (the file name without its folder),
// nothing for an empty entry, which hides its item. Items beyond the list's length are not named.
std::vector<std::optional<std::string>> RecentMenuCaptions(const TStringList& recentFiles);
