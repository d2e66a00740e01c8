#pragma once

// The JPEG library reports errors through error_exit, which must not return. It jumps back to the
// guarded call that started the library's work; only plain C data live in the frames it skips, and
// the C++ side raises once the library has returned.

#include <csetjmp>
#include <cstdio> // the library's header needs FILE
#include <string_view>

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

// The most memory the library may take for one decompression. A progressive or multi-scan picture
// keeps every coefficient, two bytes a sample, beside the rows it hands out; a subsampled colour
// picture of the most pixels a reader accepts fits, with room for the library's rows. The library
// has no backing store, so a picture that would need more fails with its "no backing store" error
// before it takes the memory, raised as SJPEGTooLarge.
inline constexpr long MaxJPEGMemory = 576L << 20;
// Sets that limit on a decompression object just created.
void LimitJPEGMemory(jpeg_decompress_struct& info);

// The scans a decompression has read so far, as CheckJPEGScans follows them.
struct TJPEGScanCheck {
    jpeg_progress_mgr Progress{}; // first, so that the library's pointer to it leads back here
    int Scan = 0;
    // The coefficients of each component that a first scan (one refining nothing) has reached.
    bool Begun[MAX_COMPONENTS][DCTSIZE2]{};
};

// Makes the library end a decompression, through the error exit with the code of its "inconsistent
// progression sequence" warning, at scan MaxJPEGScans + 1 or at a scan that begins coefficients an
// earlier one began (the library itself warns only of refinements out of order). Set up after each
// header is read; `check` must live as long as the decompression object.
void CheckJPEGScans(jpeg_decompress_struct& info, TJPEGScanCheck& check);

// What a decompression that needs more than MaxJPEGMemory says, in place of the library's number.
inline constexpr std::string_view SJPEGTooLarge = "The picture is too large to read.";

// Raises EJPEG "JPEG error #<code>", or SJPEGTooLarge for the library's errors of memory running
// out or its limit passed.
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
