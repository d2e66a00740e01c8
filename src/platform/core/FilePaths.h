#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// File names as the model keeps them: Windows-1252 bytes, possibly a Windows path read from a file
// ("C:\Pics\cola.bmp"). The splitting helpers treat "\", "/" and a drive ":" as delimiters.

std::string ExtractFileName(std::string_view path);
// The folder part including its final delimiter ("C:\Pics\"), or empty.
std::string ExtractFilePath(std::string_view path);
// The folder part without its final delimiter.
std::string ExtractFileDir(std::string_view path);
// The extension with its dot (".bmp"), or empty.
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// Appends the delimiter the path already uses ("/" when it has none) unless it ends in one.
std::string IncludeTrailingPathDelimiter(std::string_view path);

// Everything that reaches the file system goes through these, which turn the model's Windows-1252
// path into the file system's UTF-8 and a "\" into "/", so a stored "Pics\café.bmp" is found as
// "Pics/café.bmp" on disk.
std::string NativePath(std::string_view path);
// The model's form of a name the file system gave.
std::string ModelPath(std::string_view nativePath);

FILE* OpenFile(std::string_view path, const char* mode);
int OpenFileDescriptor(std::string_view path, int flags, int mode = 0666);
bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
bool DeleteFile(std::string_view path);
bool RenameFile(std::string_view from, std::string_view to);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view path);
// Names (not paths) of the plain files in a folder, unsorted; empty when the folder can't be read.
std::vector<std::string> ListFiles(std::string_view folder);
// `folder` + `name` when that file exists, else the folder's file whose name differs only in letter
// case (files copied from Windows keep their capitals), else empty. A folder never counts as a file.
std::string ExistingFileAnyCase(const std::string& folder, const std::string& name);
// The process's current folder, without a final delimiter; empty when it can't be read.
std::string GetCurrentDir();
