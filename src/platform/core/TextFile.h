#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Reads text lines of any length from a stdio stream, each without its line end; a line may end in
// LF or CR LF, and the last line needs no end.
bool ReadTextLine(FILE* file, std::string& line);

// Every line of a file; raises EFOpenError when it can't be opened.
std::vector<std::string> ReadTextFileLines(std::string_view fileName);
