#pragma once

#include <optional>
#include <string>
#include <string_view>

// The roads by which a planogram path reaches the opener from outside the File menu, and the file
// name rules of the open and save dialogs.

// A dropped file is opened when its name ends in ".kqf" or ".kqt" in any letter case; a dot in a
// folder name does not count.
bool IsPlanogramFileName(std::string_view path);

// The path of an "OpenFile=<path>" request: everything after the first "=", without surrounding
// blanks and double quotes. Nothing for another request or for an empty path.
std::optional<std::string> OpenFileRequestPath(std::string_view request);
// The request a second start sends to the running program.
std::string OpenFileRequest(std::string_view path);

// A template (".kqt" in any letter case) opens as a new, unnamed display.
bool IsTemplateFileName(std::string_view path);

// The save dialog's file name after the user chose filter 1 (".kqf") or 2 (".kqt"); an empty name
// stays empty and another filter index leaves the name as it is.
std::string FileNameForSaveFilter(std::string_view fileName, int filterIndex);
