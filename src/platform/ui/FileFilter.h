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

// The extension (without its dot) that a name typed without one gets while this entry is chosen:
// that of its first pattern, when it names one extension ("*.vdx"); else empty ("*.*", "*").
std::string EntryExtension(const FileFilter& filter);
