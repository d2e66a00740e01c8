#include "platform/core/Exceptions.h"

#include <cstring>

std::string SysErrorMessage(int errorNumber)
{
    char buffer[256];
    // The GNU strerror_r may return a static text instead of filling the buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text;
}
