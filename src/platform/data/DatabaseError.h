#pragma once

#include "platform/core/Exceptions.h"

#include <exception>
#include <string>
#include <string_view>

class TComponent;

// A failure of the data-set layer: a closed or open data set where the other is needed, an unknown
// field, index or parameter, a record that is gone.
KESTRAME_EXCEPTION(EDatabaseError, Exception)

// A change a data provider could not apply: the failure's text and error code, the code of the
// failure before it (0 without one) and the failure itself.
class EUpdateError : public EDatabaseError {
public:
    EUpdateError(std::string message, std::string context, int errorCode, int previousError,
                 std::exception_ptr original)
        : EDatabaseError(std::move(message)), context_(std::move(context)), errorCode_(errorCode),
          previousError_(previousError), original_(std::move(original))
    {
    }
    const std::string& Context() const { return context_; }
    int ErrorCode() const { return errorCode_; }
    int PreviousError() const { return previousError_; }
    const std::exception_ptr& OriginalException() const { return original_; }

private:
    std::string context_;
    int errorCode_;
    int previousError_;
    std::exception_ptr original_;
};

// Raises EDatabaseError with the message, after "<Name>: " when the component has a name, so that the
// user learns which data set or field failed.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);
// Raises "<What> '<name>' not found" (a field, an index, a parameter) as DatabaseError does.
[[noreturn]] void NotFoundError(std::string_view what, std::string_view name, const TComponent* component);
