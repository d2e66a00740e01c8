#pragma once

// The JPEG library reports errors through error_exit, which must not return. It jumps back to the
// guarded call that started the library's work; only plain C data live in the frames it skips, and
// the C++ side raises once the library has returned.

#include <csetjmp>
#include <cstdio> // the library's header needs FILE

#include <jpeglib.h>

struct TJPEGErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code = 0; // the message code of the error that ended the last guarded call
};

// Sets the manager up, with error_exit jumping back to the guarded call and messages printed
// nowhere, and answers the library's part of it for the `err` field of a (de)compression object.
jpeg_error_mgr* InstallJPEGErrorManager(TJPEGErrorManager& manager);

// The error exit: keeps the message code and jumps back to the guarded call.
[[noreturn]] void JPEGErrorExit(j_common_ptr info);

// A progressive picture is refined scan after scan, a sound one in a few dozen at most; a file that
// repeats a scan thousands of times makes the library pass over every block each time.
inline constexpr int MaxJPEGScans = 256;

// Makes the library end a decompression whose input reaches scan MaxJPEGScans + 1 through the error
// exit, with the code of its "inconsistent progression sequence" warning. `progress` must live as
// long as the decompression object.
void LimitJPEGScans(jpeg_decompress_struct& info, jpeg_progress_mgr& progress);

// Raises EJPEG "JPEG error #<code>".
[[noreturn]] void RaiseJPEGError(int code);

// Runs `call`, which calls into the library and keeps only plain C data in its own frame; false
// when the library reported an error, whose code is then in manager.code.
template <typename Call> bool JPEGGuarded(TJPEGErrorManager& manager, Call&& call)
{
    if (setjmp(manager.jump))
        return false;
    call();
    return true;
}

// JPEGGuarded, raising the library's error.
template <typename Call> void JPEGCall(TJPEGErrorManager& manager, Call&& call)
{
    if (!JPEGGuarded(manager, call))
        RaiseJPEGError(manager.code);
}
