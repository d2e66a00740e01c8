#include "platform/graphics/JPEGErrors.h"

#include "platform/core/Numbers.h"
#include "platform/graphics/JPEGImage.h"

#include <jerror.h>

namespace {

void OutputMessage(j_common_ptr) {}

// Called before each step of reading the input, after the markers of a new scan have been read.
void CheckScanCount(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= MaxJPEGScans)
        return;
    info->err->msg_code = JWRN_BOGUS_PROGRESSION;
    JPEGErrorExit(info);
}

} // namespace

jpeg_error_mgr* InstallJPEGErrorManager(TJPEGErrorManager& manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JPEGErrorExit;
    manager.pub.output_message = OutputMessage;
    manager.code = 0;
    return &manager.pub;
}

void JPEGErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJPEGErrorManager*>(info->err);
    manager->code = info->err->msg_code;
    std::longjmp(manager->jump, 1);
}

void LimitJPEGScans(jpeg_decompress_struct& info, jpeg_progress_mgr& progress)
{
    progress = {};
    progress.progress_monitor = CheckScanCount;
    info.progress = &progress;
}

void RaiseJPEGError(int code) { throw EJPEG("JPEG error #" + IntToStr(code)); }
