#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reading the text of an input PDF file: tokens, values, dictionary entries and references. Text
// from a file may be cut anywhere; nothing here reads past its end.

bool IsBlankOrControl(char c);
std::size_t SkipBlanks(std::string_view text, std::size_t at);
bool StartsWordAt(std::string_view text, std::size_t at, std::string_view word);
// The position just after `tag` as a whole name in `text`, or npos.
std::size_t FindTag(std::string_view text, std::string_view tag);
[[noreturn]] void MissingTag(std::string_view tag);

// The first token at or after `at`, blanks and comments passed over.
std::size_t NextToken(std::string_view text, std::size_t at);
// The end of the token at `at`: a literal or hexadecimal string, a name, "<<", ">>", a bracket, a
// comment or a run of other characters. A string that does not close ends with the text.
std::size_t TokenEnd(std::string_view text, std::size_t at);
// The end of the value at `at` (blanks skipped first): a dictionary or array with all it holds, a
// reference "n g R", or a single token; npos when a dictionary or array does not close.
std::size_t ValueEnd(std::string_view text, std::size_t at);
// The key and value texts of a dictionary's own entries, in their order; the dictionary is the
// first "<<" from `at` on (after an object's header, say). Raises "Invalid File" when it does not close or a key is no name.
std::vector<std::pair<std::string_view, std::string_view>> DictionaryEntries(std::string_view text,
                                                                               std::size_t at = 0);
// The value of a dictionary's own entry `key` ("/Name"); empty when there is none.
std::string_view EntryValue(std::string_view dictionary, std::string_view key);

// The object number when `value` is one reference "n g R" and nothing else, else -1.
int ReferencedObject(std::string_view value);
// The object numbers of the "n g R" references in a list; "Invalid File" for anything else there.
std::vector<int> References(std::string_view list);

// The text with every reference "n g R" replaced by what `reference` answers for n, and every
// string by what `string` answers for its bytes (when it is set); comments and the rest as they
// stand.
std::string RewriteReferences(std::string_view text, const std::function<std::string(int)>& reference,
                              const std::function<std::string(const std::string&)>& string = {});
// The bytes a literal "(...)" or hexadecimal "<...>" string token stands for.
std::string StringBytes(std::string_view token);
