#pragma once

#include "platform/core/Exceptions.h"

// A broken internal rule of the PDF writer: a call made in a state its caller must never reach.
KESTRAME_EXCEPTION(EAssertionFailed, Exception)

inline void PdfAssert(bool condition, const char* message)
{
    if (!condition)
        throw EAssertionFailed(message);
}
