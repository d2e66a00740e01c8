#pragma once

#include <optional>
#include <string_view>

// The class library's strict conversions (StrToInt, StrToFloat) without raising: nothing for a text
// they refuse.
std::optional<int> TryStrToInt(std::string_view text);
std::optional<double> TryStrToFloat(std::string_view text);
