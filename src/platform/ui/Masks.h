#pragma once

#include <string_view>

// File name masks as Windows matches them: "*" any run of characters, "?" any one character, letter
// case ignored; "*.*" matches every name, with or without an extension.
bool MatchesMask(std::string_view fileName, std::string_view mask);
// A list of masks separated by ";" ("*.vdx;*.did"): true when any of them matches.
bool MatchesMaskList(std::string_view fileName, std::string_view masks);
