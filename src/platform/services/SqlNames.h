#pragma once

#include <string>
#include <string_view>

// A table's (or another object's) name as SQL text, so that no stored name can become a statement:
// plain identifiers joined by "." (letters, digits, "_" and bytes from 0x80, no leading digit) pass
// unchanged; a part in "[ ]" is quoted without its brackets; any other name is quoted whole. Quoting
// uses the driver's identifier quote (the standard '"' when it has none), doubled inside.
std::string SqlTableName(std::string_view name, std::string_view identifierQuote);
// A name exactly as a driver reported it, always quoted, so that neither case nor blanks change it.
std::string SqlQuotedName(std::string_view name, std::string_view identifierQuote);
// The object's own name without its brackets or the names before it: "dbo.[My Products]" gives
// "My Products".
std::string SqlBareName(std::string_view name);
// The table a SELECT reads, as written after its first FROM (without the quotes of a quoted name);
// "" for other statements and for a SELECT on several tables.
std::string SqlSelectTableName(std::string_view sql);
