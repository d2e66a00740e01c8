#pragma once

#include <string>
#include <string_view>

class QString;

// Text in the model is Windows-1252 bytes, as the files hold it; these are the only conversions to
// and from Unicode. Every byte 0x00-0xFF round-trips: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same number.
std::string Win1252ToUtf8(std::string_view text);
// Characters Windows-1252 cannot hold, and malformed UTF-8, become '?'.
std::string Utf8ToWin1252(std::string_view text);

// UTF-16, the text of OLE values and of what database drivers hand over. Malformed UTF-8 and lone
// surrogates become '?'.
std::u16string Utf8ToUtf16(std::string_view text);
// The same into `result`, whose memory a caller converting many texts keeps; false when a byte was
// malformed.
bool Utf8ToUtf16(std::string_view text, std::u16string& result);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Win1252ToUtf16(std::string_view text);
// Characters Windows-1252 cannot hold become '?'.
std::string Utf16ToWin1252(std::u16string_view text);
// A Windows code page's bytes and UTF-16, for the pages of font character sets: the single-byte 1250
// to 1255 and 1257, and the multi-byte 932, 936, 949 and 950. Any other page is taken as 1252.
// Undefined bytes 0x80-0x9F read as the C1 control of the same number; other undefined bytes and
// malformed sequences read as '?'.
std::u16string CodePageToUtf16(int codePage, std::string_view bytes);
// Characters the page cannot hold become '?'.
std::string Utf16ToCodePage(int codePage, std::u16string_view text);
bool IsAscii(std::string_view bytes);
// Well-formed UTF-8 (ASCII included).
bool IsUtf8(std::string_view bytes);
// Well-formed UTF-8 whose every character has a Windows-1252 byte.
bool Win1252CanHold(std::string_view utf8);

// The UTF-16 units of the first `characters` characters of the text, a surrogate pair counting as one:
// where the text may be cut without splitting a character.
size_t Utf16Prefix(std::u16string_view text, size_t characters);

QString toQString(std::string_view text);
std::string fromQString(const QString& text);

// A window lays out at most ShownCharacters characters of one text: a longer one shows its start and
// an ellipsis, while the text itself stays whole for editing, saving, reports and exports. Laying out
// a text takes as long as the text, and a value read from a database may have 64 MB.
inline constexpr size_t ShownCharacters = 4096;
bool ShownWhole(std::string_view text);
// Model text as a window shows it; only the part shown is converted.
QString toShownQString(std::string_view text);
// Message text (UTF-8) as a window shows it; no character is cut in two.
QString Utf8ToShownQString(std::string_view text);
