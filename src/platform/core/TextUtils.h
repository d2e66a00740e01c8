#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text helpers of the class library. Text is Windows-1252 bytes; case rules are ASCII only, as the
// class library's non-"Ansi" functions are.

// Drops every byte <= 0x20 at both ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// Cuts the text at its first control character (below 0x20, or 0x7F): a line end, a tab or a stray
// control byte ends the value. Bytes from 0x80 are Windows-1252 letters and stay.
std::string CutAtNonPrintable(std::string_view text);

// Case-insensitive comparison: negative, zero or positive.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// The parts with the separator between each two, and the parts between separators (an empty text is
// one empty part).
std::string Joined(const std::vector<std::string>& parts, std::string_view separator);
std::vector<std::string> Split(std::string_view text, char separator);
