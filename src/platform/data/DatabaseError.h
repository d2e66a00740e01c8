#pragma once

#include "platform/core/Exceptions.h"

#include <string>
#include <string_view>

class TComponent;

// A failure of the data-set layer: a closed or open data set where the other is needed, an unknown
// field, index or parameter, a record that is gone.
KESTRAME_EXCEPTION(EDatabaseError, Exception)

// Raises EDatabaseError with the message, after "<Name>: " when the component has a name, so that the
// user learns which data set or field failed.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);
// Raises "<What> '<name>' not found" (a field, an index, a parameter) as DatabaseError does.
[[noreturn]] void NotFoundError(std::string_view what, std::string_view name, const TComponent* component);
