#pragma once

#include <optional>
#include <string>
#include <string_view>

class QWidget;

// Shows the data-link dialog over `parent` (none: nullptr), filled from `initial` when that is a
// connection string the program reads. The connection string composed when the user confirms (the
// password included); nothing when the user cancels or the dialog fails.
std::optional<std::string> PromptForDataSource(QWidget* parent, std::string_view initial);
// The same, giving back `initial` unchanged for a cancel or a failure.
std::string PromptDataSource(QWidget* parent, std::string_view initial);
