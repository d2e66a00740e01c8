#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class QString;

// A path is not text. Paths the system gives (command line, dialogs, drops, the hand-over, folder
// listings, settings) are kept as its own bytes, UTF-8, down to the file calls, and are never squeezed
// through Windows-1252 the way model text is. A file format that stores a path holds it as StoredPath
// makes it (Windows-1252 where every character has a byte there, as the original wrote it, else UTF-8)
// and a stored path is looked up through StoredPathReadings; model fields that mirror such a field
// (item pictures, the background picture, a catalog's picture column) keep the stored bytes, so that
// a file saved again keeps what it held. Paths may be Windows paths read from a file
// ("C:\Pics\cola.bmp"): the splitting helpers treat "\", "/" and a drive ":" as delimiters.

std::string ExtractFileName(std::string_view path);
// The folder part including its final delimiter ("C:\Pics\"), or empty.
std::string ExtractFilePath(std::string_view path);
// The folder part without its final delimiter.
std::string ExtractFileDir(std::string_view path);
// The extension with its dot (".bmp"), or empty.
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// The drive part of a Windows path: "C:" for "C:\Pics\a.jpg", "\\server\share" for a network
// name; empty for a path without one (every Linux path).
std::string ExtractFileDrive(std::string_view path);
// The path with its drive part replaced by `drive`; a path without a drive part stays as it is.
std::string ChangeFileDrive(std::string_view path, std::string_view drive);
// Appends the delimiter the path already uses ("/" when it has none) unless it ends in one.
std::string IncludeTrailingPathDelimiter(std::string_view path);

// Everything that reaches the file system goes through these, which turn a "\" into "/", so a stored
// "Pics\cola.bmp" is found as "Pics/cola.bmp" on disk.
std::string NativePath(std::string_view path);

// The bytes a file format stores for a path: Windows-1252 when every character has a byte there,
// else the path's own UTF-8 (the format has no other way to hold it).
std::string StoredPath(std::string_view path);
// The paths stored bytes may name, in the order to try them: read as Windows-1252 first; then, when
// the bytes are valid UTF-8 with characters beyond ASCII, as they stand.
std::vector<std::string> StoredPathReadings(std::string_view stored);
// The name a stored path is shown by in a message: the path StoredPath would have stored it from.
std::string StoredPathName(std::string_view stored);

// The one conversion of a path at the Qt boundary in each direction; model text uses toQString.
QString PathToQString(std::string_view path);
std::string PathFromQString(const QString& path);

FILE* OpenFile(std::string_view path, const char* mode);
int OpenFileDescriptor(std::string_view path, int flags, int mode = 0666);
bool FileExists(std::string_view path);
// An existing file that cannot be written to: its mode has no write bit, or this user may not write
// it. A mode without write bits counts even for a user the system would let write (root), as the
// read-only attribute of a Windows file does.
bool FileIsReadOnly(std::string_view path);
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
