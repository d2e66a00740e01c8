#pragma once

#include <string>
#include <string_view>
#include <vector>

// The class library's dialog filter, "Description|*.a;*.b|Other|*.c", as pairs of a description and
// its patterns.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// A description without a pattern list at the end is dropped; an empty pattern list matches all.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

// One name filter as Qt's file dialogs read it: the description followed by its patterns in
// parentheses, separated by blanks. A description that already ends with exactly its patterns in
// parentheses keeps them there instead of showing them twice.
std::string QtNameFilter(const FileFilter& filter);
std::vector<std::string> QtNameFilters(std::string_view filter);

// The extension a save dialog gives a typed name without one while this filter is chosen: that of
// its one plain "*.ext" pattern; empty for "*.*", several patterns or a wildcard extension.
std::string FilterSuffix(const FileFilter& filter);
