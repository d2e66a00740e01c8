#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The position just after the literal string whose "(" stands at `start`, balanced parentheses
// and escaped characters inside it; std::string_view::npos when the string is not closed.
std::size_t PdfLiteralStringEnd(std::string_view text, std::size_t start);
// The bytes a literal string's body (the text between its parentheses) stands for.
std::string PdfLiteralStringBytes(std::string_view body);
// The bytes a hexadecimal string's body (the text between "<" and ">") stands for; an odd last
// digit counts as followed by 0.
std::string PdfHexStringBytes(std::string_view body);

// The bytes of the literal or hexadecimal string that opens at `start`; nothing when no string opens
// there ("<<" opens a dictionary) or it is not closed.
std::optional<std::string> PdfStringBytesAt(std::string_view text, std::size_t start);

// The strings of a dictionary's text, literal "(...)" or hexadecimal "<...>", each handed to
// `convert` as its bytes and written back as a literal string in the result; everything between
// them stays as it is. A string that is not closed is left as it stands, with the rest of the text.
std::string PdfConvertDictionaryStrings(std::string_view text,
                                        const std::function<std::string(std::string_view bytes)>& convert);
